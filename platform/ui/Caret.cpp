#include "platform/ui/Caret.h"

#include "platform/ui/Controls.h"
#include "platform/ui/Widgets_p.h"

#include <QImage>
#include <QPainter>
#include <QTimer>
#include <QWidget>

namespace {

struct CaretState {
    HWND wnd = 0;
    int width = 0;
    int height = 0;
    int x = 0;
    int y = 0;
    int hideCount = 1;
    bool blinkOn = true;
    UINT blinkTime = 530;
    QTimer* timer = nullptr;
};

CaretState& Caret() {
    static CaretState state;
    return state;
}

bool Showing(const CaretState& c) {
    return c.wnd != 0 && c.hideCount == 0;
}

// Repaints the window where the caret is.
void Touch(const CaretState& c) {
    if (TWinControl* control = FindControl(c.wnd); control && control->HandleAllocated())
        if (QWidget* w = control->Widget()) w->update(c.x, c.y, c.width, c.height);
}

void RestartBlink(CaretState& c) {
    c.blinkOn = true;
    if (!Showing(c)) {
        if (c.timer) c.timer->stop();
        return;
    }
    EnsureQtApplication();
    if (!c.timer) {
        c.timer = new QTimer();
        QObject::connect(c.timer, &QTimer::timeout, [] {
            CaretState& s = Caret();
            s.blinkOn = !s.blinkOn;
            Touch(s);
        });
    }
    c.timer->start(static_cast<int>(c.blinkTime));
}

} // namespace

BOOL CreateCaret(HWND wnd, HBITMAP, int width, int height) {
    if (!FindControl(wnd)) return FALSE;
    DestroyCaret();
    CaretState& c = Caret();
    c.wnd = wnd;
    c.width = width > 0 ? width : 1;
    c.height = height > 0 ? height : 1;
    c.x = c.y = 0;
    c.hideCount = 1;
    return TRUE;
}

BOOL DestroyCaret() {
    CaretState& c = Caret();
    if (!c.wnd) return FALSE;
    if (Showing(c)) Touch(c);
    c.wnd = 0;
    c.hideCount = 1;
    if (c.timer) c.timer->stop();
    return TRUE;
}

BOOL ShowCaret(HWND wnd) {
    CaretState& c = Caret();
    if (!c.wnd || (wnd != 0 && wnd != c.wnd) || c.hideCount == 0) return FALSE;
    if (--c.hideCount == 0) {
        RestartBlink(c);
        Touch(c);
    }
    return TRUE;
}

BOOL HideCaret(HWND wnd) {
    CaretState& c = Caret();
    if (!c.wnd || (wnd != 0 && wnd != c.wnd)) return FALSE;
    if (c.hideCount++ == 0) {
        Touch(c);
        RestartBlink(c);
    }
    return TRUE;
}

BOOL SetCaretPos(int x, int y) {
    CaretState& c = Caret();
    if (!c.wnd) return FALSE;
    if (x == c.x && y == c.y) return TRUE;
    if (Showing(c)) Touch(c);
    c.x = x;
    c.y = y;
    if (Showing(c)) {
        // A moved caret shows at once, as a typing user expects.
        RestartBlink(c);
        Touch(c);
    }
    return TRUE;
}

BOOL GetCaretPos(POINT* point) {
    const CaretState& c = Caret();
    if (!point || !c.wnd) return FALSE;
    point->x = c.x;
    point->y = c.y;
    return TRUE;
}

UINT GetCaretBlinkTime() {
    return Caret().blinkTime;
}

BOOL SetCaretBlinkTime(UINT milliseconds) {
    CaretState& c = Caret();
    c.blinkTime = milliseconds > 0 ? milliseconds : 1;
    if (Showing(c)) RestartBlink(c);
    return TRUE;
}

void PaintCaret(HWND wnd, QPainter& painter, const QImage& surface) {
    const CaretState& c = Caret();
    if (c.wnd != wnd || !Showing(c) || !c.blinkOn) return;
    const QRect r = QRect(c.x, c.y, c.width, c.height).intersected(surface.rect());
    if (r.isEmpty()) return;
    QImage inverted = surface.copy(r);
    inverted.invertPixels();
    painter.drawImage(r.topLeft(), inverted);
}
