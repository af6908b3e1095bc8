// The system's button window procedure, for windows subclassed from "BUTTON" (CreateSubClass): a
// press with the mouse or the space bar, released over the button, tells the parent BN_CLICKED in
// WM_COMMAND; an owner-drawn button is drawn by its parent through WM_DRAWITEM, both reflected to
// the control as CN_COMMAND and CN_DRAWITEM.
#include "platform/ui/Controls.h"

#include "platform/win/Messages.h"

#include <map>

namespace {

struct TButtonState {
    WPARAM check = BST_UNCHECKED;
    // Drawn pushed in.
    bool pushed = false;
    bool focused = false;
    // A press with the mouse or the space bar is in progress.
    bool pressing = false;
};

std::map<HWND, TButtonState>& States() {
    static std::map<HWND, TButtonState> states;
    return states;
}

bool Inside(const TRect& r, LPARAM at) {
    const int x = MouseX(at), y = MouseY(at);
    return x >= r.Left && x < r.Right && y >= r.Top && y < r.Bottom;
}

} // namespace

struct SystemButtonAccess {
    static DWORD Type(const TWinControl* button) { return button->params_.Style & BS_TYPEMASK; }
    static void SetType(TWinControl* button, DWORD type) {
        button->params_.Style = (button->params_.Style & ~BS_TYPEMASK) | (type & BS_TYPEMASK);
    }
};

namespace {

void Notify(TWinControl* button, WORD code) {
    TWinControl* parent = button->Parent();
    if (!parent || !parent->HandleAllocated()) return;
    SendMessage(parent->Handle(), WM_COMMAND, static_cast<WPARAM>(code) << 16, static_cast<LPARAM>(button->Handle()));
}

void Draw(TWinControl* button, const TButtonState& state, HDC dc, UINT action) {
    TWinControl* parent = button->Parent();
    if (SystemButtonAccess::Type(button) != BS_OWNERDRAW || !dc || !parent || !parent->HandleAllocated()) return;
    DRAWITEMSTRUCT item{};
    item.CtlType = ODT_BUTTON;
    item.itemAction = action;
    item.itemState = (state.pushed ? ODS_SELECTED : 0) | (state.focused ? ODS_FOCUS : 0) |
                     (button->Enabled() ? 0 : ODS_DISABLED);
    item.hwndItem = button->Handle();
    item.hDC = dc;
    item.rcItem = button->ClientRect();
    SendMessage(parent->Handle(), WM_DRAWITEM, 0, reinterpret_cast<LPARAM>(&item));
}

// Draws the change at once, as the system's button does, outside a paint.
void Redraw(TWinControl* button, UINT action) {
    const HWND wnd = button->Handle();
    HDC dc = GetDC(wnd);
    if (!dc) return;
    Draw(button, States()[wnd], dc, action);
    ReleaseDC(wnd, dc);
}

void SetPushed(TWinControl* button, bool value) {
    TButtonState& state = States()[button->Handle()];
    if (state.pushed == value) return;
    state.pushed = value;
    Redraw(button, ODA_SELECT);
}

// The end of a press: a click when it ends over the button.
void Release(TWinControl* button, bool clicked) {
    TButtonState& state = States()[button->Handle()];
    if (!state.pressing) return;
    state.pressing = false;
    const bool pushed = state.pushed;
    SetPushed(button, false);
    if (pushed && clicked) Notify(button, BN_CLICKED);
}

} // namespace

void SystemButtonProc(TWinControl* button, TMessage& Message) {
    const HWND wnd = button->Handle();
    if (Message.Msg == WM_DESTROY) {
        States().erase(wnd);
        return;
    }
    TButtonState& state = States()[wnd];
    switch (Message.Msg) {
    case WM_LBUTTONDBLCLK: {
        const DWORD type = SystemButtonAccess::Type(button);
        if (type == BS_OWNERDRAW || type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON ||
            (button->WindowParams().Style & BS_NOTIFY)) {
            Notify(button, BN_DOUBLECLICKED);
            return;
        }
        [[fallthrough]];
    }
    case WM_LBUTTONDOWN:
        if (button->CanFocus() && !button->Focused()) button->SetFocus();
        States()[wnd].pressing = true;
        SetPushed(button, true);
        return;
    case WM_MOUSEMOVE:
        if (state.pressing && (Message.WParam & MK_LBUTTON))
            SetPushed(button, Inside(button->ClientRect(), Message.LParam));
        return;
    case WM_LBUTTONUP:
        Release(button, Inside(button->ClientRect(), Message.LParam));
        return;
    case WM_KEYDOWN:
        if (Message.WParam == VK_SPACE) {
            state.pressing = true;
            SetPushed(button, true);
        }
        return;
    case WM_KEYUP:
        if (Message.WParam == VK_SPACE) Release(button, true);
        return;
    case WM_SETFOCUS:
        state.focused = true;
        Redraw(button, ODA_FOCUS);
        return;
    case WM_KILLFOCUS:
        // A press in progress ends without a click.
        state.focused = false;
        state.pressing = false;
        state.pushed = false;
        Redraw(button, ODA_FOCUS);
        return;
    case WM_PAINT:
        Draw(button, state, reinterpret_cast<HDC>(Message.WParam), ODA_DRAWENTIRE);
        return;
    case BM_GETCHECK:
        Message.Result = static_cast<LRESULT>(state.check);
        return;
    case BM_SETCHECK:
        state.check = Message.WParam > BST_INDETERMINATE ? BST_INDETERMINATE : Message.WParam;
        return;
    case BM_GETSTATE:
        Message.Result = static_cast<LRESULT>(state.check | (state.pushed ? BST_PUSHED : 0) |
                                              (state.focused ? BST_FOCUS : 0));
        return;
    case BM_SETSTATE:
        SetPushed(button, Message.WParam != 0);
        return;
    case BM_SETSTYLE:
        SystemButtonAccess::SetType(button, static_cast<DWORD>(Message.WParam));
        if (Message.LParam) button->Invalidate();
        return;
    default:
        return;
    }
}
