#include "UiTest.h"

#include "platform/gdi/Draw.h"
#include "platform/ui/Forms.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWidget>

#include <gtest/gtest.h>

namespace {

class UiEnvironment : public ::testing::Environment {
public:
    void SetUp() override { Application->Initialize(); }
};

const auto* environment = ::testing::AddGlobalTestEnvironment(new UiEnvironment);

} // namespace

COLORREF SurfacePixel(TWinControl* control, int x, int y) {
    control->Update();
    HDC dc = GetDC(control->Handle());
    const COLORREF c = GetPixel(dc, x, y);
    ReleaseDC(control->Handle(), dc);
    return c;
}

void SendMouse(QWidget* widget, QEvent::Type type, QPoint at, Qt::MouseButton button) {
    const Qt::MouseButtons buttons = type == QEvent::MouseButtonRelease || type == QEvent::MouseMove
                                         ? Qt::MouseButtons()
                                         : Qt::MouseButtons(button);
    QMouseEvent event(type, QPointF(at), QPointF(widget->mapToGlobal(at)),
                      type == QEvent::MouseMove ? Qt::NoButton : button, buttons, Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

void ClickAt(QWidget* widget, QPoint at, Qt::MouseButton button) {
    SendMouse(widget, QEvent::MouseButtonPress, at, button);
    SendMouse(widget, QEvent::MouseButtonRelease, at, button);
}

void SendKey(QWidget* widget, QEvent::Type type, int key, const QString& text,
             Qt::KeyboardModifiers modifiers) {
    QKeyEvent event(type, key, modifiers, text);
    QApplication::sendEvent(widget, &event);
}

void PressKey(QWidget* widget, int key, const QString& text) {
    SendKey(widget, QEvent::KeyPress, key, text);
    SendKey(widget, QEvent::KeyRelease, key, text);
}

void Pump() {
    for (int i = 0; i < 5; ++i) Application->ProcessMessages();
}

void TEventLog::Click(TObject* sender) {
    auto* c = dynamic_cast<TComponent*>(sender);
    Events.push_back("click " + (c ? c->Name() : std::string("?")));
}

void TEventLog::Change(TObject* sender) {
    auto* c = dynamic_cast<TComponent*>(sender);
    Events.push_back("change " + (c ? c->Name() : std::string("?")));
}

void TEventLog::Notify(TObject* sender) {
    auto* c = dynamic_cast<TComponent*>(sender);
    Events.push_back("notify " + (c ? c->Name() : std::string("?")));
}

std::string TEventLog::Joined() const {
    std::string out;
    for (const auto& e : Events) {
        if (!out.empty()) out += ", ";
        out += e;
    }
    return out;
}
