// Shared by the ui tests: a Qt application for every test program, input sent to widgets as Qt
// events, pixels read back from a window surface, and an object whose methods record events.
#pragma once

#include "platform/ui/Controls.h"

#include <QEvent>
#include <QPoint>
#include <QString>

#include <string>
#include <vector>

class QWidget;

// Paints what is invalid and reads a pixel of the control's window surface (client coordinates).
COLORREF SurfacePixel(TWinControl* control, int x, int y);

void SendMouse(QWidget* widget, QEvent::Type type, QPoint at, Qt::MouseButton button = Qt::LeftButton);
void ClickAt(QWidget* widget, QPoint at, Qt::MouseButton button = Qt::LeftButton);
void SendKey(QWidget* widget, QEvent::Type type, int key, const QString& text = QString(),
             Qt::KeyboardModifiers modifiers = Qt::NoModifier);
void PressKey(QWidget* widget, int key, const QString& text = QString());

// Handles the events and messages waiting now, a few times over.
void Pump();

// Methods to bind events to; each appends "<what> <sender name>".
class TEventLog : public TObject {
public:
    std::vector<std::string> Events;
    void Click(TObject* sender);
    void Change(TObject* sender);
    void Notify(TObject* sender);
    std::string Joined() const;
};
