#include "indicator_controls/PushBtn.h"

#include "platform/ui/Forms.h"
#include "platform/ui/Keyboard.h"
#include "platform/ui/WindowQueries.h"
#include "platform/ui/WindowShape.h"

#include <utility>

template <class Base>
TvPushButton<Base>::TvPushButton(TComponent* AOwner, const TPushRules& Rules) : Base(AOwner), rules_(Rules) {}

template <class Base> void TvPushButton<Base>::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
    const bool resized = AWidth != Base::Width() || AHeight != Base::Height();
    Base::SetBounds(ALeft, ATop, AWidth, AHeight);
    if (!resized) return;
    given_ = {};
    UpdateRegion();
}

template <class Base> void TvPushButton<Base>::UpdateRegion() {
    RegionValue wanted = given_.HasRegion() ? given_ : WantedRegion();
    if (wanted == shown_) return;
    shown_ = std::move(wanted);
    ShowRegion();
}

template <class Base> void TvPushButton<Base>::GiveRegion(HRGN Region) {
    given_ = RegionValue(Region);
    UpdateRegion();
}

template <class Base> bool TvPushButton<Base>::ClickNotified(const TMessage& Message) {
    if (HIWORD(static_cast<DWORD>(Message.WParam)) != BN_CLICKED) return false;
    Click();
    return true;
}

template <class Base> bool TvPushButton<Base>::EnterClicks(TMessage& Message, bool Able) {
    if (Message.WParam != VK_RETURN || !Able) return false;
    Message.Result = 1;
    Click();
    return true;
}

template <class Base> void TvPushButton<Base>::StateChanged() {
    UpdateRegion();
    if (rules_.RepaintNow)
        Base::Repaint();
    else
        Base::Invalidate();
}

template <class Base> bool TvPushButton<Base>::InShownRegion(int X, int Y) const {
    if (shown_.HasRegion()) return shown_.Contains(X, Y);
    return X >= 0 && Y >= 0 && X < Base::ClientWidth() && Y < Base::ClientHeight();
}

template <class Base> bool TvPushButton<Base>::UnderPointer(int X, int Y) const {
    return FindDragTarget(Base::ClientToScreen(TPoint(X, Y)), true) == this;
}

template <class Base> bool TvPushButton<Base>::DownAt(int X, int Y) const {
    switch (rules_.Tracking) {
    case TDownTracking::WindowRegion:
        return InShownRegion(X, Y);
    case TDownTracking::ControlUnderCursor:
        return UnderPointer(X, Y);
    case TDownTracking::ClientRect:
        return X >= 0 && X < Base::ClientWidth() && Y >= 0 && Y <= Base::ClientHeight();
    case TDownTracking::Outline:
        return shown_.Contains(X, Y);
    }
    return false;
}

template <class Base> bool TvPushButton<Base>::OverAt(int X, int Y) const {
    return rules_.MouseInByRegion ? InShownRegion(X, Y) : UnderPointer(X, Y);
}

template <class Base> void TvPushButton<Base>::SetMouseIn() {
    switch (rules_.MouseIn) {
    case TMouseInWhen::Never:
        return;
    case TMouseInWhen::Enabled:
        if (!Base::Enabled()) return;
        break;
    case TMouseInWhen::FlatAndEnabled:
        if (!Flat() || !Base::Enabled()) return;
        break;
    }
    POINT cursor{};
    GetCursorPos(&cursor);
    const TPoint p = Base::ScreenToClient(TPoint(cursor.x, cursor.y));
    // The flag is set the other way round so that the enter or leave handler switches it.
    hot_ = !OverAt(p.X, p.Y);
    Base::Perform(hot_ ? CM_MOUSELEAVE : CM_MOUSEENTER, 0, 0);
}

template <class Base>
void TvPushButton<Base>::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    Base::MouseDown(Button, Shift, X, Y);
    if (Button != mbLeft || !Base::Enabled()) return;
    switch (rules_.PressArea) {
    case TPressArea::Anywhere:
        break;
    case TPressArea::ClientRect:
        if (X < 0 || X >= Base::ClientWidth() || Y < 0 || Y > Base::ClientHeight()) return;
        break;
    case TPressArea::Outline:
        if (!shown_.Contains(X, Y)) return;
        break;
    }
    if (!down_) {
        TakeFocus();
        down_ = true;
        StateChanged();
    }
    press_ = true;
}

template <class Base> void TvPushButton<Base>::MouseMove(TShiftState Shift, int X, int Y) {
    if (rules_.MouseIn != TMouseInWhen::Never && !hot_) SetMouseIn();
    Base::MouseMove(Shift, X, Y);
    if (!press_) return;
    const bool down = DownAt(X, Y);
    if (down == down_) return;
    down_ = down;
    StateChanged();
}

template <class Base> void TvPushButton<Base>::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
    Base::MouseUp(Button, Shift, X, Y);
    if (Button != mbLeft) return;
    const bool changed = down_ || press_;
    down_ = false;
    press_ = false;
    if (changed) StateChanged();
    SetMouseIn();
}

template <class Base> void TvPushButton<Base>::Click() {
    if (rules_.ClickNeedsDown) {
        if (down_) Base::Click();
        return;
    }
    SetMouseIn();
    down_ = false;
    press_ = false;
    StateChanged();
    Base::Click();
}

template <class Base> void TvPushButton<Base>::Dispatch(TMessage& Message) {
    const bool hotRule = rules_.TracksHot && (!rules_.HotNeedsFlat || Flat());
    switch (Message.Msg) {
    case CM_MOUSEENTER:
        Base::Dispatch(Message);
        if (hotRule && !hot_ && Base::Enabled()) {
            hot_ = true;
            StateChanged();
        }
        MouseEntered();
        if (OnMouseEnter) OnMouseEnter(this);
        return;
    case CM_MOUSELEAVE:
        if (hotRule && hot_ && !press_) {
            hot_ = false;
            StateChanged();
        }
        Base::Dispatch(Message);
        if (OnMouseLeave) OnMouseLeave(this);
        return;
    case CM_HITTEST:
        // Only the region the button shows takes the mouse; elsewhere it goes to what lies beneath.
        if (shown_.HasRegion())
            Message.Result = shown_.Contains(MouseX(Message.LParam), MouseY(Message.LParam)) ? 1 : 0;
        else
            Base::Dispatch(Message);
        return;
    case CM_ENABLEDCHANGED:
        Base::Dispatch(Message);
        if (!Base::Enabled()) {
            down_ = false;
            press_ = false;
        }
        SetMouseIn();
        Base::Invalidate();
        return;
    case CM_FONTCHANGED:
    case CM_TEXTCHANGED:
    case CM_SYSCOLORCHANGE:
        Base::Dispatch(Message);
        Base::Invalidate();
        return;
    case WM_RBUTTONUP:
        // The popup menu takes the pointer away.
        if (hotRule && Base::PopupMenu()) {
            hot_ = false;
            Base::Invalidate();
            Base::Dispatch(Message);
            SetMouseIn();
            return;
        }
        Base::Dispatch(Message);
        return;
    case WM_ERASEBKGND:
        Message.Result = 1;
        return;
    default:
        Base::Dispatch(Message);
        return;
    }
}

template class TvPushButton<TCustomControl>;
template class TvPushButton<TGraphicControl>;

// --- TvcPushButton ---------------------------------------------------------------------------------

TvcPushButton::TvcPushButton(TComponent* AOwner, const TPushRules& Rules) : TvPushButton(AOwner, Rules) {}

void TvcPushButton::SetDefault(bool Value) {
    default_ = Value;
    if (!HandleAllocated()) return;
    if (TCustomForm* form = GetParentForm(this))
        form->Perform(CM_FOCUSCHANGED, 0, reinterpret_cast<LPARAM>(form->ActiveControl()));
}

void TvcPushButton::CreateParams(TCreateParams& Params) {
    TvPushButton::CreateParams(Params);
    if (default_) Params.Style |= 1;
}

void TvcPushButton::CreateHandle() {
    TvPushButton::CreateHandle();
    active_ = default_;
    if (shown_.HasRegion()) ShowRegion();
}

void TvcPushButton::TakeFocus() {
    if (CanFocus()) SetFocus();
}

void TvcPushButton::ShowRegion() {
    if (!HandleAllocated()) return;
    HRGN region = shown_.HasRegion() ? shown_.Duplicate() : nullptr;
    if (SetWindowRgn(Handle(), region, TRUE) == 0 && region) DeleteObject(region);
}

void TvcPushButton::Click() {
    if (rules_.TracksHot) hot_ = false;
    SetMouseIn();
    down_ = false;
    press_ = false;
    StateChanged();
    if (TCustomForm* form = GetParentForm(this)) form->SetModalResult(modalResult_);
    TCustomControl::Click();
}

namespace {

bool NoShiftKey(LPARAM keyData) {
    const bool alt = (keyData & 0x20000000) != 0;
    return !alt && GetKeyState(VK_SHIFT) >= 0 && GetKeyState(VK_CONTROL) >= 0;
}

} // namespace

void TvcPushButton::Dispatch(TMessage& Message) {
    switch (Message.Msg) {
    case WM_KEYDOWN:
        if (Message.WParam != VK_SPACE) break;
        if (!down_) {
            TakeFocus();
            SetMouseIn();
            press_ = false;
            down_ = true;
            StateChanged();
        }
        return;
    case WM_KEYUP:
        if (Message.WParam != VK_SPACE) break;
        if (down_ && !press_) {
            Click();
            down_ = false;
            SetMouseIn();
            StateChanged();
        }
        return;
    case CN_KEYDOWN:
        if (EnterClicks(Message, Focused() && CanFocus())) return;
        break;
    case CN_COMMAND:
        if (ClickNotified(Message)) return;
        break;
    case CM_DIALOGKEY:
        if (((Message.WParam == VK_RETURN && active_) || (Message.WParam == VK_ESCAPE && cancel_)) &&
            NoShiftKey(Message.LParam) && CanFocus()) {
            Click();
            Message.Result = 1;
            return;
        }
        break;
    case CM_DIALOGCHAR:
        if (IsAccel(static_cast<unsigned>(Message.WParam), Caption()) && CanFocus()) {
            Click();
            Message.Result = 1;
            return;
        }
        break;
    case CM_FOCUSCHANGED: {
        const auto* sender = reinterpret_cast<const TControl*>(Message.LParam);
        active_ = sender && IsKin(sender) ? sender == this : default_;
        SetButtonStyle(active_);
        if (!Focused()) {
            down_ = false;
            press_ = false;
        }
        SetMouseIn();
        TvPushButton::Dispatch(Message);
        Invalidate();
        return;
    }
    default:
        break;
    }
    TvPushButton::Dispatch(Message);
}
