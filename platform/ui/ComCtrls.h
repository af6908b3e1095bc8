// The common controls the programs use: TTrackBar, TProgressBar and a status bar with simple text.
#pragma once

#include "platform/ui/Controls.h"

#include <string>

enum TTrackBarOrientation { trHorizontal, trVertical };
enum TTickMark { tmBottomRight, tmTopLeft, tmBoth };
enum TTickStyle { tsNone, tsAuto, tsManual };
enum TProgressBarOrientation { pbHorizontal, pbVertical };

class TTrackBar : public TWinControl {
public:
    explicit TTrackBar(TComponent* AOwner);

    int Min() const { return min_; }
    void SetMin(int value) { SetParams(position_, value, max_); }
    int Max() const { return max_; }
    void SetMax(int value) { SetParams(position_, min_, value); }
    // Kept within Min and Max; OnChange follows every change, by the user or the program.
    int Position() const { return position_; }
    void SetPosition(int value) { SetParams(value, min_, max_); }
    int Frequency() const { return frequency_; }
    void SetFrequency(int value);
    int LineSize = 1;
    int PageSize = 2;
    TTrackBarOrientation Orientation() const { return orientation_; }
    void SetOrientation(TTrackBarOrientation value);
    TTickMark TickMarks() const { return tickMarks_; }
    void SetTickMarks(TTickMark value);
    TTickStyle TickStyle() const { return tickStyle_; }
    void SetTickStyle(TTickStyle value);

    TNotifyEvent OnChange;

protected:
    virtual void Changed();
    QWidget* CreateWidget(QWidget* parentWidget) override;
    void InitWidget() override;
    bool PaintsSelf() const override { return false; }

private:
    void SetParams(int position, int min, int max);
    void ApplyTicks();

    int min_ = 0;
    int max_ = 10;
    int position_ = 0;
    int frequency_ = 1;
    TTrackBarOrientation orientation_ = trHorizontal;
    TTickMark tickMarks_ = tmBottomRight;
    TTickStyle tickStyle_ = tsAuto;
    bool syncing_ = false;
};

class TProgressBar : public TWinControl {
public:
    explicit TProgressBar(TComponent* AOwner);

    int Min() const { return min_; }
    void SetMin(int value);
    int Max() const { return max_; }
    void SetMax(int value);
    // Kept within Min and Max.
    int Position() const { return position_; }
    void SetPosition(int value);
    int Step = 10;
    // Advances by Step; past Max it starts again from Min, as the common control does.
    void StepIt() { StepBy(Step); }
    void StepBy(int delta);
    bool Smooth = false;
    TProgressBarOrientation Orientation() const { return orientation_; }
    void SetOrientation(TProgressBarOrientation value);

protected:
    QWidget* CreateWidget(QWidget* parentWidget) override;
    void InitWidget() override;
    bool PaintsSelf() const override { return false; }

private:
    void Apply();

    int min_ = 0;
    int max_ = 100;
    int position_ = 0;
    TProgressBarOrientation orientation_ = pbHorizontal;
};

// A status bar aligned to the bottom of its parent showing one line of text.
class TStatusBar : public TCustomControl {
public:
    explicit TStatusBar(TComponent* AOwner);

    const std::string& SimpleText() const { return simpleText_; }
    void SetSimpleText(const std::string& value);
    bool SimplePanel = true;

protected:
    void Paint() override;

private:
    std::string simpleText_;
};
