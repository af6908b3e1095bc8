// Scrolling windowed controls: TScrollingWinControl keeps its children inside a range that the
// window's scroll bars (TControlScrollBar) move through, the range following the children
// (AutoScroll); scrolling moves the children. TScrollBox is such a control with a frame.
#pragma once

#include "platform/ui/Controls.h"

enum TScrollBarKind { sbHorizontal, sbVertical };

class TScrollingWinControl;

class TControlScrollBar : public TPersistent {
public:
    TControlScrollBar(TScrollingWinControl* Control, TScrollBarKind Kind);

    TScrollBarKind Kind() const { return kind_; }
    // Pixels per line step.
    int Increment() const { return increment_; }
    void SetIncrement(int Value) { increment_ = Value; }
    // The scrolled extent of the contents; the bar shows while it is larger than the client size.
    int Range() const { return range_; }
    void SetRange(int Value);
    // The contents' offset, 0 .. Range - client size.
    int Position() const { return position_; }
    void SetPosition(int Value);
    bool Visible() const { return visible_; }
    void SetVisible(bool Value);
    // Thumb tracking scrolls while the thumb is dragged, not only when it is let go.
    bool Tracking = false;
    // The bar is shown.
    bool IsScrollBarVisible() const;
    // The client size along the bar.
    int ControlSize() const;
    void Assign(const TPersistent* Source) override;

private:
    friend class TScrollingWinControl;
    // Sets the window's bar from the range and position.
    void Update();
    // A WM_HSCROLL or WM_VSCROLL of the window's bar.
    void ScrollMessage(const TMessage& Message);
    // Sets the range AutoScroll computed, without marking it as set by the program.
    void SetCalcRange(int Value);

    TScrollingWinControl* control_;
    TScrollBarKind kind_;
    int increment_ = 8;
    int range_ = 0;
    int calcRange_ = 0;
    int position_ = 0;
    bool visible_ = true;
};

class TScrollingWinControl : public TWinControl {
public:
    explicit TScrollingWinControl(TComponent* AOwner);
    ~TScrollingWinControl() override;

    TControlScrollBar* HorzScrollBar() const { return horz_; }
    TControlScrollBar* VertScrollBar() const { return vert_; }
    bool AutoScroll() const { return autoScroll_; }
    void SetAutoScroll(bool Value);
    // Moves every child by (DeltaX, DeltaY) and the window's pixels with them.
    void ScrollBy(int DeltaX, int DeltaY);
    void Dispatch(TMessage& Message) override;

protected:
    void CreateParams(TCreateParams& Params) override;
    void AlignControl(TControl* AControl) override;
    void AlignControls(TControl* AControl, TRect& Rect) override;
    void CreateHandle() override;

private:
    friend class TControlScrollBar;
    // The ranges from the children, then both bars.
    void UpdateScrollBars();
    void CalcAutoRange();

    TControlScrollBar* horz_;
    TControlScrollBar* vert_;
    bool autoScroll_ = true;
    int updatingScrollBars_ = 0;
};

class TScrollBox : public TScrollingWinControl {
public:
    explicit TScrollBox(TComponent* AOwner);

    // bsSingle: a one-pixel border, or the sunken client edge with Ctl3D.
    TBorderStyle BorderStyle() const { return borderStyle_; }
    void SetBorderStyle(TBorderStyle Value);

protected:
    void CreateParams(TCreateParams& Params) override;

private:
    TBorderStyle borderStyle_ = bsSingle;
};
