#include "platform/ui/WindowQueries.h"

#include "platform/ui/Forms.h"
#include "platform/ui/OtherRuns_p.h"
#include "platform/ui/Widgets_p.h"
#include "platform/win/Messages.h"
#include "platform/win/Sync.h"

#include <QCursor>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <algorithm>

namespace {

bool IsApplicationWindow(HWND wnd) {
    return wnd != 0 && Application && Application->HandleAllocated() && wnd == Application->Handle();
}

// The application's window stands for its main form.
HWND ThroughApplication(HWND wnd) {
    if (IsApplicationWindow(wnd) && Application->MainForm()) return Application->MainForm()->Handle();
    return wnd;
}

TCustomForm* FormOf(HWND wnd) {
    return dynamic_cast<TCustomForm*>(FindControl(ThroughApplication(wnd)));
}

} // namespace

LONG GetWindowLong(HWND wnd, int index) {
    DWORD style = 0, exStyle = 0;
    if (IsApplicationWindow(wnd)) {
        style = WS_POPUP | WS_CAPTION | WS_CLIPSIBLINGS | WS_SYSMENU | WS_MINIMIZEBOX;
        if (Application->HandleShown()) style |= WS_VISIBLE;
        exStyle = Application->HandleExStyle();
    } else {
        TWinControl* control = FindControl(wnd);
        if (!control) return 0;
        style = control->WindowParams().Style;
        exStyle = control->WindowParams().ExStyle;
        if (auto* form = dynamic_cast<TCustomForm*>(control)) style = FormAccess::Styles(form, exStyle);
        if (control->Showing()) style |= WS_VISIBLE;
    }
    switch (index) {
    case GWL_STYLE: return static_cast<LONG>(style);
    case GWL_EXSTYLE: return static_cast<LONG>(exStyle);
    default: return 0;
    }
}

LONG SetWindowLong(HWND wnd, int index, LONG value) {
    const bool style = index == GWL_STYLE || index == GWL_EXSTYLE;
    auto* form = style ? dynamic_cast<TCustomForm*>(FindControl(wnd)) : nullptr;
    const bool application = index == GWL_EXSTYLE && IsApplicationWindow(wnd);
    if (!form && !application) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    const LONG previous = GetWindowLong(wnd, index);
    if (application)
        Application->SetHandleExStyle(static_cast<DWORD>(value));
    else
        FormAccess::SetStyle(form, index, static_cast<DWORD>(value));
    return previous;
}

LONG_PTR GetWindowLongPtr(HWND wnd, int index) {
    if (index == GWL_WNDPROC) return reinterpret_cast<LONG_PTR>(GetWindowProcedure(wnd));
    return GetWindowLong(wnd, index);
}

LONG_PTR SetWindowLongPtr(HWND wnd, int index, LONG_PTR value) {
    if (index != GWL_WNDPROC) return SetWindowLong(wnd, index, static_cast<LONG>(value));
    return reinterpret_cast<LONG_PTR>(SetWindowProcedure(wnd, reinterpret_cast<void*>(value)));
}

RECT TaskBarStrip(const RECT& screen, const RECT& work) {
    const int bottom = screen.bottom - work.bottom, top = work.top - screen.top;
    const int right = screen.right - work.right, left = work.left - screen.left;
    const int widest = std::max({bottom, top, right, left});
    if (widest <= 0) return RECT{};
    if (widest == bottom) return RECT{screen.left, work.bottom, screen.right, screen.bottom};
    if (widest == top) return RECT{screen.left, screen.top, screen.right, work.top};
    if (widest == right) return RECT{work.right, screen.top, screen.right, screen.bottom};
    return RECT{screen.left, screen.top, work.left, screen.bottom};
}

namespace {

HWND& TaskBarStandIn() {
    static HWND wnd = 0;
    return wnd;
}

RECT PrimaryTaskBarStrip() {
    RECT work{};
    SystemParametersInfo(SPI_GETWORKAREA, 0, &work, 0);
    return TaskBarStrip(RECT{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)}, work);
}

} // namespace

HWND FindTaskBarWindow() {
    const RECT strip = PrimaryTaskBarStrip();
    if (strip.right <= strip.left || strip.bottom <= strip.top) return 0;
    HWND& wnd = TaskBarStandIn();
    if (!IsWindow(wnd)) wnd = CreateMessageWindow("Shell_TrayWnd", DefWindowProc);
    return wnd;
}

BOOL GetWindowRect(HWND wnd, RECT* rect) {
    if (wnd != 0 && wnd == TaskBarStandIn() && IsWindow(wnd)) {
        if (!rect) return FALSE;
        *rect = PrimaryTaskBarStrip();
        return TRUE;
    }
    TWinControl* control = FindControl(wnd);
    if (!control || !rect) return FALSE;
    TPoint origin(control->Left(), control->Top());
    if (control->Parent()) origin = control->Parent()->ClientToScreen(origin);
    *rect = Bounds(origin.X, origin.Y, control->Width(), control->Height());
    return TRUE;
}

BOOL IsIconic(HWND wnd) {
    if (BOOL r; CallOtherRunWindow(wnd, TOtherRunCall::IsIconic, 0, &r)) return r;
    TCustomForm* form = FormOf(wnd);
    return form && form->WindowState() == wsMinimized ? TRUE : FALSE;
}

BOOL SetWindowPos(HWND wnd, HWND, int x, int y, int cx, int cy, UINT flags) {
    TWinControl* control = FindControl(wnd);
    if (!control) return FALSE;
    if (flags & SWP_NOMOVE) {
        x = control->Left();
        y = control->Top();
    }
    if (flags & SWP_NOSIZE) {
        cx = control->Width();
        cy = control->Height();
    }
    control->SetBounds(x, y, cx, cy);
    if (flags & SWP_SHOWWINDOW) control->Show();
    return TRUE;
}

BOOL SetForegroundWindow(HWND wnd) {
    if (BOOL r; CallOtherRunWindow(wnd, TOtherRunCall::SetForegroundWindow, 0, &r)) return r;
    TCustomForm* form = FormOf(wnd);
    if (!form) return FALSE;
    form->Show();
    if (QWidget* w = form->Widget()) {
        w->window()->raise();
        w->window()->activateWindow();
    }
    return TRUE;
}

BOOL ShowWindow(HWND wnd, int cmd) {
    if (BOOL r; CallOtherRunWindow(wnd, TOtherRunCall::ShowWindow, cmd, &r)) return r;
    if (IsApplicationWindow(wnd) && (cmd == SW_HIDE || cmd == SW_SHOW)) {
        const BOOL wasShown = Application->HandleShown() ? TRUE : FALSE;
        Application->SetHandleShown(cmd == SW_SHOW);
        return wasShown;
    }
    TWinControl* control = FindControl(ThroughApplication(wnd));
    if (!control) return FALSE;
    const BOOL wasVisible = control->Visible() ? TRUE : FALSE;
    TCustomForm* form = dynamic_cast<TCustomForm*>(control);
    switch (cmd) {
    case SW_HIDE: control->Hide(); break;
    case SW_MINIMIZE:
    case SW_SHOWMINIMIZED:
        if (form) form->SetWindowState(wsMinimized);
        control->Show();
        break;
    case SW_RESTORE:
    case SW_SHOWNORMAL:
        if (form) form->SetWindowState(wsNormal);
        control->Show();
        break;
    default: control->Show(); break;
    }
    return wasVisible;
}

BOOL SystemParametersInfo(UINT action, UINT, void* value, UINT) {
    switch (action) {
    case SPI_GETWORKAREA: {
        if (!value) return FALSE;
        RECT area{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
        if (auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance()); app && app->primaryScreen()) {
            const QRect r = app->primaryScreen()->availableGeometry();
            area = RECT{r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
        }
        *static_cast<RECT*>(value) = area;
        return TRUE;
    }
    default: return FALSE;
    }
}

BOOL SetWindowText(HWND wnd, const char* text) {
    const std::string value = text ? text : "";
    if (IsApplicationWindow(wnd)) {
        Application->SetHandleText(value);
        return TRUE;
    }
    TWinControl* control = FindControl(wnd);
    if (!control) return FALSE;
    control->SetCaption(value);
    return TRUE;
}

BOOL GetCursorPos(POINT* point) {
    if (!point) return FALSE;
    const QPoint p = QCursor::pos();
    *point = POINT{p.x(), p.y()};
    return TRUE;
}

BOOL SetCursorPos(int x, int y) {
    QCursor::setPos(x, y);
    return TRUE;
}

namespace {

bool ScreenRectHas(const TControl* control, const TRect& rect, const TPoint& pos) {
    const TPoint p = control->ScreenToClient(pos);
    return p.X >= rect.Left && p.X < rect.Right && p.Y >= rect.Top && p.Y < rect.Bottom;
}

// The form's whole window, frame included, in its client coordinates.
TRect FormWindowRect(TCustomForm* form) {
    const TPoint origin = form->ClientOrigin();
    const int left = form->Left() - origin.X;
    const int top = form->Top() - origin.Y;
    return Rect(left, top, left + form->Width(), top + form->Height());
}

TCustomForm* FormAt(const TPoint& pos) {
    if (!Screen) return nullptr;
    std::vector<TCustomForm*> order;
    for (int i = Screen->FormCount() - 1; i >= 0; --i)
        if (Screen->Forms(i)->FormStyle() == fsStayOnTop) order.push_back(Screen->Forms(i));
    if (TCustomForm* active = Screen->ActiveForm()) order.push_back(active);
    for (int i = Screen->FormCount() - 1; i >= 0; --i) order.push_back(Screen->Forms(i));
    for (TCustomForm* form : order)
        if (form->Showing() && ScreenRectHas(form, FormWindowRect(form), pos)) return form;
    return nullptr;
}

} // namespace

TControl* FindDragTarget(const TPoint& Pos, bool AllowDisabled) {
    TWinControl* window = FormAt(Pos);
    if (!window) return nullptr;
    for (;;) {
        if (!ScreenRectHas(window, window->ClientRect(), Pos)) return window;
        TControl* control = window->ControlAtPos(window->ScreenToClient(Pos), AllowDisabled, true);
        auto* inner = dynamic_cast<TWinControl*>(control);
        if (!inner) return control ? control : window;
        window = inner;
    }
}
