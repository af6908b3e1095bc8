// The frame of a form inside its client area: a form's window procedure may answer WM_NCHITTEST for
// a point of its client area with a part of the frame (a shaped form is dragged by its background).
#include "platform/ui/Forms.h"
#include "platform/ui/Widgets_p.h"
#include "platform/win/Messages.h"

#include <QMouseEvent>
#include <QWidget>
#include <QWindow>

bool RelayFormNonClient(TWidgetBridge* bridge, QMouseEvent* event) {
    auto* form = dynamic_cast<TCustomForm*>(bridge->Control());
    if (!form || !form->HandleAllocated()) return false;
    TWidgetBridge::NonClientPress& press = bridge->NonClient;
    const HWND wnd = form->Handle();
    const QPoint global = event->globalPosition().toPoint();
    const LPARAM at = MakeMouseLParam(global.x(), global.y());
    QWidget* frame = FormAccess::Frame(form);
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: {
        // Other buttons pressed while one is followed belong to it.
        if (press.Kind != TWidgetBridge::NonClientPress::None) return true;
        if (event->button() != Qt::LeftButton && event->button() != Qt::RightButton) return false;
        const LRESULT hit = SendMessage(wnd, WM_NCHITTEST, 0, at);
        if (bridge->Control() != form) return true;
        if (hit <= HTCLIENT) return false;
        FormAccess::UserActivated(form);
        if (bridge->Control() != form) return true;
        if (event->button() == Qt::RightButton) {
            press.Kind = TWidgetBridge::NonClientPress::RightButton;
            press.HitTest = hit;
            SendMessage(wnd, WM_NCRBUTTONDOWN, static_cast<WPARAM>(hit), at);
            return true;
        }
        if (hit != HTCAPTION || !frame) return true;
        QWindow* window = frame->windowHandle();
        if (window && window->startSystemMove()) return true;
        press.Kind = TWidgetBridge::NonClientPress::Move;
        press.Start = global;
        press.FrameStart = frame->pos();
        return true;
    }
    case QEvent::MouseMove:
        if (press.Kind == TWidgetBridge::NonClientPress::Move && frame)
            frame->move(press.FrameStart + (global - press.Start));
        return press.Kind != TWidgetBridge::NonClientPress::None;
    case QEvent::MouseButtonRelease:
        if (press.Kind == TWidgetBridge::NonClientPress::Move) {
            if (event->button() != Qt::LeftButton) return true;
            press.Kind = TWidgetBridge::NonClientPress::None;
            SendMessage(wnd, WM_CAPTURECHANGED, 0, 0);
            return true;
        }
        if (press.Kind == TWidgetBridge::NonClientPress::RightButton) {
            if (event->button() != Qt::RightButton) return true;
            press.Kind = TWidgetBridge::NonClientPress::None;
            SendMessage(wnd, WM_NCRBUTTONUP, static_cast<WPARAM>(press.HitTest), at);
            if (bridge->Control() != form) return true;
            SendMessage(wnd, WM_CAPTURECHANGED, 0, 0);
            if (bridge->Control() != form) return true;
            SendMessage(wnd, WM_CONTEXTMENU, static_cast<WPARAM>(wnd), at);
            return true;
        }
        return false;
    default:
        return false;
    }
}
