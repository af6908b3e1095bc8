// Private to platform/ui: the QWidgets behind windowed controls and the relay that turns Qt's input
// events into the window messages the controls handle.
#pragma once

#include "platform/ui/Controls.h"
#include "platform/ui/Forms.h"

#include <QColor>
#include <QCursor>
#include <QObject>
#include <QWidget>

#include <functional>
#include <map>

class QImage;
class QKeyEvent;
class QPainter;
class QMouseEvent;

// Runs a call that came from Qt's event delivery; an exception goes to the application.
void CallGuarded(TObject* sender, const std::function<void()>& call);

// What the widgets need of a control's private parts.
struct WidgetAccess {
    static void WidgetGone(TWinControl* control, QWidget* widget);
    // Invalidates the window alone, not its transparent children (RDW_NOCHILDREN).
    static void InvalidateOwnRect(TWinControl* control, const TRect* rect, bool erase);
    static void Paint(TWinControl* control, QPainter& painter, const QRect& rect);
    static void TrackMouse(TWinControl* control, int x, int y);
    static void MouseLeft(TWinControl* control);
    static void FocusIn(TWinControl* control);
    // The outermost widget of the window: its frame (border, scroll bars) when it has one.
    static QWidget* Outer(TWinControl* control);
};

// The DC of a window's non-client surface (GetWindowDC), nullptr for a window without a frame; the
// release shows the result and is false for a DC that is not that window's.
HDC AcquireWindowDC(TWinControl* control, int* level);
bool ReleaseWindowDC(TWinControl* control, HDC dc, int level);
// Copies the window's frame (painted first when it waits for WM_NCPAINT) to dc at (x, y).
void PaintFrameTo(TWinControl* control, HDC dc, int x, int y);

// The Windows virtual-key code of a Qt key, or 0.
WORD QtKeyToVK(int key, Qt::KeyboardModifiers modifiers);
TShiftState QtShiftState(Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons);
// Shift, Ctrl and Alt as they were for the input event being relayed (else as they are now), as
// the original reads the key state of the message being handled.
TShiftState KeyboardShiftState();
WPARAM QtMouseKeys(Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons);
// The key data of a key message for a Qt key event: repeat count 1, the extended-key flag and,
// for an automatic repeat, the previous-state flag.
LPARAM QtKeyData(const QKeyEvent* event, WORD vk);
// Keeps the toggle keys' state (Keyboard.h) in step with a key the program receives.
void NoteKeyForToggles(WORD vk, bool keypad, bool press);

// Sends the mouse event to the control as its WM_ message; right button up is followed by
// WM_CONTEXTMENU. doubleClicks: the control takes WM_xBUTTONDBLCLK (csDoubleClicks).
class TWidgetBridge;
void RelayMouse(TWidgetBridge* bridge, QMouseEvent* event);
// A mouse event on a form's own window that its window procedure places in the frame: the right
// button sends WM_NCRBUTTONDOWN and WM_NCRBUTTONUP (then WM_CAPTURECHANGED and WM_CONTEXTMENU), the
// left button on HTCAPTION moves the form (by the window manager where it can, else following the
// mouse). True when the event was taken so; it is then not relayed as a client message.
bool RelayFormNonClient(TWidgetBridge* bridge, QMouseEvent* event);
// Sends WM_KEYDOWN and WM_CHAR (press) or WM_KEYUP (release); true when a handler consumed the key.
bool RelayKey(TWidgetBridge* bridge, QKeyEvent* event);
// A key the control left alone, as the form's dialog keys: Enter and Escape for the default and
// cancel buttons (unless the control wants all keys), Alt with a character for access keys.
bool DialogKey(TWinControl* control, QKeyEvent* event);

// Relays input, focus and tool tips of a widget to its control, and tells the control when the
// widget goes away. A native widget gets one as an event filter; our own widgets use it directly.
class TWidgetBridge : public QObject {
public:
    TWidgetBridge(TWinControl* control, QWidget* widget, bool nativeInput);
    ~TWidgetBridge() override;
    TWidgetBridge(const TWidgetBridge&) = delete;
    TWidgetBridge& operator=(const TWidgetBridge&) = delete;

    TWinControl* Control() const { return control_; }
    void Detach() { control_ = nullptr; }
    // Handles the event for the control; true when it must not reach the widget.
    bool Handle(QEvent* event);

    // A press a form's window procedure placed in its frame (WM_NCHITTEST), followed until the
    // button goes up: the right button, or a move of the form that the platform does itself.
    struct NonClientPress {
        enum { None, RightButton, Move } Kind = None;
        LRESULT HitTest = 0;
        QPoint Start, FrameStart;
    } NonClient;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    TWinControl* control_;
    QWidget* widget_;
    bool native_;
};

// The widget of a control that paints itself: its paint event paints the control's invalid areas on
// the window surface and shows the surface.
class TControlWidget : public QWidget {
public:
    TControlWidget(TWinControl* control, QWidget* parent);
    ~TControlWidget() override;
    TControlWidget(const TControlWidget&) = delete;
    TControlWidget& operator=(const TControlWidget&) = delete;

    TWidgetBridge* Bridge() const { return bridge_; }

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    TWidgetBridge* bridge_;
};

// Gives a native widget its bridge.
TWidgetBridge* AttachBridge(TWinControl* control, QWidget* widget);
// Detaches the widget's bridge (so that its deletion reports nothing) and deletes it.
void DeleteWidget(QWidget* widget);
// Ensures a QApplication exists (offscreen when no display is configured) and that the platform's
// message queue runs in Qt's loop.
void EnsureQtApplication();
Qt::CursorShape CursorShapeOf(TCursor cursor);
// The cursor a control with that Cursor shows: one registered with the screen, else a predefined one.
QCursor QCursorOf(TCursor cursor);
// The screen's registered cursors by number.
std::map<TCursor, HCURSOR>& RegisteredCursors();
// Raises a widget above its siblings (a window above the others where the platform can).
void RaiseWidget(QWidget* widget);
QColor ToQColor(TColor color);

class TPopupMenu;
class TMenuItem;
// Draws the caret over the window's surface image when the caret is in that window and showing.
void PaintCaret(HWND wnd, QPainter& painter, const QImage& surface);

// Shows the popup menu with Qt and returns the item chosen.
TMenuItem* ExecPopupMenu(TPopupMenu* menu, int x, int y);

// What the widgets need of a form.
struct FormAccess {
    // The user clicked into the form's window.
    static void UserActivated(TCustomForm* form);
    // The window system moved or resized the window.
    static void FrameMoved(TCustomForm* form, int left, int top);
    static void FrameResized(TCustomForm* form, int width, int height);
    // The window system minimised, maximised or restored the window (the user, the window manager).
    static void FrameStateChanged(TCustomForm* form, TWindowState state);
    // The form's own top-level window and where it lies in the form's window coordinates (the
    // window manager's border and caption before it).
    static QWidget* Frame(TCustomForm* form);
    static TPoint FrameOrigin(TCustomForm* form);
    // The form's window styles, and SetWindowLong of one (WindowQueries.h).
    static DWORD Styles(const TCustomForm* form, DWORD& exStyle);
    static void SetStyle(TCustomForm* form, int index, DWORD value);
};

// Deletes the region the window was given (WindowShape.h) as the window goes away.
void ForgetWindowRgn(HWND wnd);
// Shapes the window again from the region it keeps, after its frame changed (a form's border).
void ReapplyWindowRgn(HWND wnd);
