// TTimer, and the controls of the class library's extra set that the programs use: TImage, TPanel,
// TBevel and TLabeledEdit.
#pragma once

#include "platform/ui/Controls.h"
#include "platform/ui/StdCtrls.h"

// Fires OnTimer every Interval milliseconds on the thread that created it, through a window timer of
// the platform, so it runs in the platform's pumps and in Qt's loop alike. Setting Enabled or
// Interval starts the period again; an Interval of 0 never fires.
class TTimer : public TComponent {
public:
    explicit TTimer(TComponent* AOwner);
    ~TTimer() override;

    bool Enabled() const { return enabled_; }
    void SetEnabled(bool value);
    unsigned Interval() const { return interval_; }
    void SetInterval(unsigned value);
    TNotifyEvent OnTimer;

protected:
    virtual void Timer();

private:
    void UpdateTimer();

    bool enabled_ = true;
    unsigned interval_ = 1000;
    HWND window_ = 0;
};

// Lets a timer go, from anywhere, its own tick included: it stops at once, loses its handler and
// leaves its owner, and is freed by a message handled once the tick is over (any still waiting when
// the program ends are freed then). Null is ignored.
void RetireTimer(TTimer* Timer);

enum class TBevelCut { bvNone, bvLowered, bvRaised, bvSpace };
enum TBevelShape { bsBox, bsFrame, bsTopLine, bsBottomLine, bsLeftLine, bsRightLine, bsSpacer };
enum TBevelStyle { bsLowered, bsRaised };

// Draws a 3-D frame Width pixels wide just inside Rect (top and left in TopColor, bottom and right in
// BottomColor) and shrinks Rect by it.
void Frame3D(TCanvas* Canvas, TRect& Rect, TColor TopColor, TColor BottomColor, int Width);

class TImage : public TGraphicControl {
public:
    explicit TImage(TComponent* AOwner);
    ~TImage() override;

    TPicture* Picture() const { return picture_; }
    void SetPicture(const TPicture* value) { picture_->Assign(value); }
    bool Stretch() const { return stretch_; }
    void SetStretch(bool value);
    bool Center() const { return center_; }
    void SetCenter(bool value);
    bool Transparent() const { return transparent_; }
    void SetTransparent(bool value);
    bool AutoSize() const { return autoSize_; }
    void SetAutoSize(bool value);

protected:
    void Paint() override;

private:
    void PictureChanged(TObject* Sender);
    TRect DestRect() const;

    TPicture* picture_;
    bool stretch_ = false;
    bool center_ = false;
    bool transparent_ = false;
    bool autoSize_ = false;
};

// A box with raised or lowered bevels and a centred caption.
class TPanel : public TCustomControl {
public:
    explicit TPanel(TComponent* AOwner);

    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment value);
    TBevelCut BevelInner() const { return bevelInner_; }
    void SetBevelInner(TBevelCut value);
    TBevelCut BevelOuter() const { return bevelOuter_; }
    void SetBevelOuter(TBevelCut value);
    int BevelWidth() const { return bevelWidth_; }
    void SetBevelWidth(int value);
    int BorderWidth() const { return borderWidth_; }
    void SetBorderWidth(int value);
    TBorderStyle BorderStyle() const { return borderStyle_; }
    void SetBorderStyle(TBorderStyle value);
    void Dispatch(TMessage& Message) override;

protected:
    void Paint() override;

private:
    TAlignment alignment_ = taCenter;
    TBevelCut bevelInner_ = TBevelCut::bvNone;
    TBevelCut bevelOuter_ = TBevelCut::bvRaised;
    int bevelWidth_ = 1;
    int borderWidth_ = 0;
    TBorderStyle borderStyle_ = bsNone;
};

class TBevel : public TGraphicControl {
public:
    explicit TBevel(TComponent* AOwner);
    TBevelShape Shape() const { return shape_; }
    void SetShape(TBevelShape value);
    TBevelStyle Style() const { return style_; }
    void SetStyle(TBevelStyle value);

protected:
    void Paint() override;

private:
    TBevelShape shape_ = bsBox;
    TBevelStyle style_ = bsLowered;
};

enum TLabelPosition { lpAbove, lpBelow, lpLeft, lpRight };

// The caption of a TLabeledEdit: a label that the edit owns and keeps beside itself.
class TBoundLabel : public TLabel {
public:
    explicit TBoundLabel(TComponent* AOwner);

protected:
    // A new size moves the label to its place beside the edit again.
    void AdjustBounds() override;
};

class TLabeledEdit : public TEdit {
public:
    explicit TLabeledEdit(TComponent* AOwner);

    TBoundLabel* EditLabel() const { return label_; }
    TLabelPosition LabelPosition() const { return labelPosition_; }
    void SetLabelPosition(TLabelPosition value);
    int LabelSpacing() const { return labelSpacing_; }
    void SetLabelSpacing(int value);

    void SetParent(TWinControl* AParent) override;
    void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;
    void Dispatch(TMessage& Message) override;

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    friend class TBoundLabel;
    void PlaceLabel();

    TBoundLabel* label_ = nullptr;
    TLabelPosition labelPosition_ = lpAbove;
    int labelSpacing_ = 3;
};
