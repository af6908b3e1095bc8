// The push-button core of the library's self-drawn buttons: the down, press and hot flags and how
// mouse, keys and dialog keys move them, for windowed buttons (on TCustomControl, with focus,
// default and cancel keys and a modal result) and light ones (on TGraphicControl). The buttons
// differ in a few rules, given as one TPushRules value each. The core also keeps the region a
// button shows: worked out when state, size or a property changes and handed to the window only
// when it differs from what the window shows, never while painting.
#pragma once

#include "platform/gdi/RegionValue.h"
#include "platform/ui/Controls.h"

// How a press follows the pointer: down while the point is inside the window region, while this
// button is the control under the pointer, while it is inside the client rectangle, or inside
// the button's own outline.
enum class TDownTracking { WindowRegion, ControlUnderCursor, ClientRect, Outline };
// Where a left press starts one: anywhere, inside the client rectangle (the bottom row below it
// counts), or inside the outline.
enum class TPressArea { Anywhere, ClientRect, Outline };
// When SetMouseIn asks where the pointer is: never, while enabled, while flat and enabled.
enum class TMouseInWhen { Never, Enabled, FlatAndEnabled };

struct TPushRules {
    TDownTracking Tracking;
    TPressArea PressArea;
    TMouseInWhen MouseIn;
    // SetMouseIn's test: inside the window region, or this button is the control under the pointer.
    bool MouseInByRegion;
    // CM_MOUSEENTER/LEAVE switch the hot flag (only in flat mode when HotNeedsFlat).
    bool TracksHot;
    bool HotNeedsFlat;
    // The class library's click passes only while the button is down (a release outside the
    // outline does not click).
    bool ClickNeedsDown;
    // State changes paint at once rather than at the next paint.
    bool RepaintNow;
};

template <class Base> class TvPushButton : public Base {
public:
    TvPushButton(TComponent* AOwner, const TPushRules& Rules);

    bool IsDown() const { return down_; }
    bool IsPressing() const { return press_; }
    bool IsHot() const { return hot_; }
    // The region the button shows (its window region, or the outline of a light button).
    const RegionValue& ShownRegion() const { return shown_; }

    void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;
    void Click() override;
    void Dispatch(TMessage& Message) override;

    TNotifyEvent OnMouseEnter;
    TNotifyEvent OnMouseLeave;

protected:
    // The region the button should show now; no region: the whole control.
    virtual RegionValue WantedRegion() { return {}; }
    // Shows the wanted region (or the one given) when it differs from the shown one.
    void UpdateRegion();
    // A region given from outside (the shaped buttons' SetRgn), owned from then on: shown instead of
    // the wanted one until the outline is worked out anew (a new size, ForgetGivenRegion).
    void GiveRegion(HRGN Region);
    void ForgetGivenRegion() { given_ = {}; }
    // The look changed: paints now or at the next paint, as the rules say.
    void StateChanged();
    virtual bool Flat() const { return false; }
    // The pointer entered: after the hot flag, before OnMouseEnter.
    virtual void MouseEntered() {}
    // Whether the point (client coordinates) keeps a press down.
    bool DownAt(int X, int Y) const;
    // Whether the pointer is over the button, by the rules' test.
    bool OverAt(int X, int Y) const;
    // Inside the region the button shows (the client rectangle while it shows none).
    bool InShownRegion(int X, int Y) const;
    // This button is the control under the point, disabled controls counted.
    bool UnderPointer(int X, int Y) const;
    void SetMouseIn();
    // CN_COMMAND: the button control's click notification clicks the button (true), others do not.
    bool ClickNotified(const TMessage& Message);
    // CN_KEYDOWN: Enter, when the button may take it, is answered 1 and clicks (true).
    bool EnterClicks(TMessage& Message, bool Able);
    // Window-only parts: focus on a press; the window's region changed.
    virtual void TakeFocus() {}
    virtual void ShowRegion() { Base::Invalidate(); }

    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;

    const TPushRules& rules_;
    bool down_ = false;
    bool press_ = false;
    bool hot_ = false;
    RegionValue shown_;
    RegionValue given_;
};

// A windowed push button: takes the focus when pressed, clicks on space, on Enter while focused, on
// Enter as the form's active default button, on Escape as its cancel button and on its caption's
// accelerator; a click sets the parent form's ModalResult.
class TvcPushButton : public TvPushButton<TCustomControl> {
public:
    TvcPushButton(TComponent* AOwner, const TPushRules& Rules);

    bool Default() const { return default_; }
    void SetDefault(bool Value);
    bool Cancel() const { return cancel_; }
    void SetCancel(bool Value) { cancel_ = Value; }
    int ModalResult() const { return modalResult_; }
    void SetModalResult(int Value) { modalResult_ = Value; }
    // Acts as the form's default button now: Default while no other button of its kind has the
    // focus, or itself focused.
    bool Active() const { return active_; }

    void Click() override;
    void Dispatch(TMessage& Message) override;

protected:
    // Whether a control taking the focus is a button of this kind (whose focus takes the default
    // role away from the others).
    virtual bool IsKin(const TControl* Control) const = 0;
    // The platform's windows have no button styles to switch; kept as the hook it is.
    virtual void SetButtonStyle(bool) {}
    void CreateParams(TCreateParams& Params) override;
    void CreateHandle() override;
    void TakeFocus() override;
    void ShowRegion() override;

private:
    bool default_ = false;
    bool active_ = false;
    bool cancel_ = false;
    int modalResult_ = 0;
};

extern template class TvPushButton<TCustomControl>;
extern template class TvPushButton<TGraphicControl>;
