#include "platform/ui/Widgets_p.h"

#include "platform/ui/Forms.h"
#include "platform/ui/Win1252.h"
#include "platform/win/QtPump.h"

#include <QApplication>
#include <QBitmap>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QImage>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPointer>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <string>
#include <vector>

namespace {

thread_local bool relaying = false;
thread_local Qt::KeyboardModifiers relayedModifiers;

// Marks the modifiers of the event being relayed for KeyboardShiftState.
class RelayScope {
public:
    explicit RelayScope(Qt::KeyboardModifiers modifiers)
        : wasRelaying_(relaying), previous_(relayedModifiers) {
        relaying = true;
        relayedModifiers = modifiers;
    }
    ~RelayScope() {
        relaying = wasRelaying_;
        relayedModifiers = previous_;
    }
    RelayScope(const RelayScope&) = delete;
    RelayScope& operator=(const RelayScope&) = delete;

private:
    bool wasRelaying_;
    Qt::KeyboardModifiers previous_;
};

} // namespace

void CallGuarded(TObject* sender, const std::function<void()>& call) {
    try {
        call();
    } catch (...) {
        Application->HandleException(sender);
    }
}

void EnsureQtApplication() {
    if (!QCoreApplication::instance()) {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY") &&
            qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        static std::string name = program_invocation_short_name;
        static int argc = 1;
        static char* argv[] = {name.data(), nullptr};
        new QApplication(argc, argv);
    }
    static bool pumpInstalled = false;
    if (!pumpInstalled) {
        pumpInstalled = true;
        InstallQtPump();
        SetQtPumpExceptionHandler([](std::exception_ptr error) {
            try {
                std::rethrow_exception(error);
            } catch (...) {
                Application->HandleException(Application);
            }
        });
    }
}

void RaiseWidget(QWidget* widget) {
    // The offscreen platform cannot raise windows and says so each time.
    if (widget->isWindow() && QGuiApplication::platformName() == QLatin1String("offscreen")) return;
    widget->raise();
}

Qt::CursorShape CursorShapeOf(TCursor cursor) {
    switch (cursor) {
    case crNone:
        return Qt::BlankCursor;
    case crCross:
        return Qt::CrossCursor;
    case crIBeam:
        return Qt::IBeamCursor;
    case crSizeNESW:
        return Qt::SizeBDiagCursor;
    case crSizeNS:
        return Qt::SizeVerCursor;
    case crSizeNWSE:
        return Qt::SizeFDiagCursor;
    case crSizeWE:
        return Qt::SizeHorCursor;
    case crUpArrow:
        return Qt::UpArrowCursor;
    case crHourGlass:
    case crSQLWait:
        return Qt::WaitCursor;
    case crDrag:
    case crMultiDrag:
        return Qt::DragCopyCursor;
    case crNoDrop:
    case crNo:
        return Qt::ForbiddenCursor;
    case crHSplit:
        return Qt::SplitHCursor;
    case crVSplit:
        return Qt::SplitVCursor;
    case crAppStart:
        return Qt::BusyCursor;
    case crHelp:
        return Qt::WhatsThisCursor;
    case crHandPoint:
        return Qt::PointingHandCursor;
    case crSizeAll:
        return Qt::SizeAllCursor;
    default:
        return Qt::ArrowCursor;
    }
}

namespace {

struct CursorPlanes {
    int hotX, hotY, width, height;
    std::vector<unsigned char> andPlane, xorPlane;
};

struct CursorTable {
    std::map<HCURSOR, CursorPlanes> cursors;
    HCURSOR next = 0x50000000;
};

CursorTable& Cursors() {
    static auto* table = new CursorTable;
    return *table;
}

} // namespace

HCURSOR CreateCursor(HINSTANCE, int xHotSpot, int yHotSpot, int width, int height, const void* andPlane,
                     const void* xorPlane) {
    if (!andPlane || !xorPlane || width < 1 || height < 1 || width > 256 || height > 256) return 0;
    const std::size_t bytes = static_cast<std::size_t>((width + 15) / 16 * 2 * height);
    const auto* a = static_cast<const unsigned char*>(andPlane);
    const auto* x = static_cast<const unsigned char*>(xorPlane);
    CursorTable& t = Cursors();
    const HCURSOR h = t.next++;
    t.cursors[h] = CursorPlanes{
        std::clamp(xHotSpot, 0, width - 1),       std::clamp(yHotSpot, 0, height - 1),     width, height,
        std::vector<unsigned char>(a, a + bytes), std::vector<unsigned char>(x, x + bytes)};
    return h;
}

BOOL DestroyCursor(HCURSOR cursor) {
    return Cursors().cursors.erase(cursor) ? TRUE : FALSE;
}

std::map<TCursor, HCURSOR>& RegisteredCursors() {
    static auto* table = new std::map<TCursor, HCURSOR>;
    return *table;
}

QCursor QCursorOf(TCursor cursor) {
    auto registered = RegisteredCursors().find(cursor);
    if (registered != RegisteredCursors().end()) {
        auto it = Cursors().cursors.find(registered->second);
        if (it != Cursors().cursors.end()) {
            const CursorPlanes& c = it->second;
            const int stride = (c.width + 15) / 16 * 2;
            QImage shape(c.width, c.height, QImage::Format_MonoLSB);
            QImage mask(c.width, c.height, QImage::Format_MonoLSB);
            // A set bit is Qt's colour 1, black.
            shape.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
            mask.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
            shape.fill(0);
            mask.fill(0);
            for (int y = 0; y < c.height; ++y)
                for (int x = 0; x < c.width; ++x) {
                    const std::size_t byte = static_cast<std::size_t>(y * stride + x / 8);
                    const int bit = 7 - x % 8;
                    const bool a = (c.andPlane[byte] >> bit) & 1;
                    const bool o = (c.xorPlane[byte] >> bit) & 1;
                    // Qt's planes: shape 1 with mask 1 is black, 0 with 1 white, 0 with 0
                    // transparent, 1 with 0 inverts.
                    shape.setPixel(x, y, a == o ? 1 : 0);
                    mask.setPixel(x, y, a ? 0 : 1);
                }
            return QCursor(QBitmap::fromImage(shape), QBitmap::fromImage(mask), c.hotX, c.hotY);
        }
    }
    return QCursor(CursorShapeOf(cursor));
}

QColor ToQColor(TColor color) {
    const COLORREF c = ColorToRGB(color);
    return QColor(GetRValue(c), GetGValue(c), GetBValue(c));
}

WORD QtKeyToVK(int key, Qt::KeyboardModifiers modifiers) {
    if (modifiers & Qt::KeypadModifier) {
        if (key >= Qt::Key_0 && key <= Qt::Key_9) return static_cast<WORD>(VK_NUMPAD0 + (key - Qt::Key_0));
        switch (key) {
        case Qt::Key_Asterisk:
            return VK_MULTIPLY;
        case Qt::Key_Plus:
            return VK_ADD;
        case Qt::Key_Minus:
            return VK_SUBTRACT;
        case Qt::Key_Period:
        case Qt::Key_Comma:
            return VK_DECIMAL;
        case Qt::Key_Slash:
            return VK_DIVIDE;
        default:
            break;
        }
    }
    if (key >= Qt::Key_A && key <= Qt::Key_Z) return static_cast<WORD>('A' + (key - Qt::Key_A));
    if (key >= Qt::Key_0 && key <= Qt::Key_9) return static_cast<WORD>('0' + (key - Qt::Key_0));
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24) return static_cast<WORD>(VK_F1 + (key - Qt::Key_F1));
    switch (key) {
    case Qt::Key_Backspace:
        return VK_BACK;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        return VK_TAB;
    case Qt::Key_Clear:
        return VK_CLEAR;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return VK_RETURN;
    case Qt::Key_Shift:
        return VK_SHIFT;
    case Qt::Key_Control:
        return VK_CONTROL;
    case Qt::Key_Alt:
        return VK_MENU;
    case Qt::Key_Pause:
        return VK_PAUSE;
    case Qt::Key_CapsLock:
        return VK_CAPITAL;
    case Qt::Key_Escape:
        return VK_ESCAPE;
    case Qt::Key_Space:
        return VK_SPACE;
    case Qt::Key_PageUp:
        return VK_PRIOR;
    case Qt::Key_PageDown:
        return VK_NEXT;
    case Qt::Key_End:
        return VK_END;
    case Qt::Key_Home:
        return VK_HOME;
    case Qt::Key_Left:
        return VK_LEFT;
    case Qt::Key_Up:
        return VK_UP;
    case Qt::Key_Right:
        return VK_RIGHT;
    case Qt::Key_Down:
        return VK_DOWN;
    case Qt::Key_Select:
        return VK_SELECT;
    case Qt::Key_Print:
        return VK_SNAPSHOT;
    case Qt::Key_Insert:
        return VK_INSERT;
    case Qt::Key_Delete:
        return VK_DELETE;
    case Qt::Key_Help:
        return VK_HELP;
    case Qt::Key_Meta:
        return VK_LWIN;
    case Qt::Key_Menu:
        return VK_APPS;
    case Qt::Key_NumLock:
        return VK_NUMLOCK;
    case Qt::Key_ScrollLock:
        return VK_SCROLL;
    case Qt::Key_Semicolon:
    case Qt::Key_Colon:
        return 0xBA;
    case Qt::Key_Plus:
    case Qt::Key_Equal:
        return 0xBB;
    case Qt::Key_Comma:
    case Qt::Key_Less:
        return 0xBC;
    case Qt::Key_Minus:
    case Qt::Key_Underscore:
        return 0xBD;
    case Qt::Key_Period:
    case Qt::Key_Greater:
        return 0xBE;
    case Qt::Key_Slash:
    case Qt::Key_Question:
        return 0xBF;
    case Qt::Key_QuoteLeft:
    case Qt::Key_AsciiTilde:
        return 0xC0;
    case Qt::Key_BracketLeft:
    case Qt::Key_BraceLeft:
        return 0xDB;
    case Qt::Key_Backslash:
    case Qt::Key_Bar:
        return 0xDC;
    case Qt::Key_BracketRight:
    case Qt::Key_BraceRight:
        return 0xDD;
    case Qt::Key_Apostrophe:
    case Qt::Key_QuoteDbl:
        return 0xDE;
    default:
        return 0;
    }
}

TShiftState QtShiftState(Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons) {
    TShiftState s;
    if (modifiers & Qt::ShiftModifier) s.Include(ssShift);
    if (modifiers & Qt::ControlModifier) s.Include(ssCtrl);
    if (modifiers & Qt::AltModifier) s.Include(ssAlt);
    if (buttons & Qt::LeftButton) s.Include(ssLeft);
    if (buttons & Qt::RightButton) s.Include(ssRight);
    if (buttons & Qt::MiddleButton) s.Include(ssMiddle);
    return s;
}

TShiftState KeyboardShiftState() {
    Qt::KeyboardModifiers modifiers;
    if (relaying)
        modifiers = relayedModifiers;
    else if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        modifiers = QGuiApplication::queryKeyboardModifiers();
    return QtShiftState(modifiers, Qt::MouseButtons());
}

WPARAM QtMouseKeys(Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons) {
    WPARAM keys = 0;
    if (modifiers & Qt::ShiftModifier) keys |= MK_SHIFT;
    if (modifiers & Qt::ControlModifier) keys |= MK_CONTROL;
    if (buttons & Qt::LeftButton) keys |= MK_LBUTTON;
    if (buttons & Qt::RightButton) keys |= MK_RBUTTON;
    if (buttons & Qt::MiddleButton) keys |= MK_MBUTTON;
    return keys;
}

LPARAM QtKeyData(const QKeyEvent* event, WORD vk) {
    LPARAM data = 1;
    const bool keypad = (event->modifiers() & Qt::KeypadModifier) != 0;
    // The navigation block beside the keypad, and the keypad's Enter and Divide, are extended keys.
    const bool navigation = vk == VK_PRIOR || vk == VK_NEXT || vk == VK_END || vk == VK_HOME ||
                            (vk >= VK_LEFT && vk <= VK_DOWN) || vk == VK_INSERT || vk == VK_DELETE;
    if ((navigation && !keypad) || (keypad && (vk == VK_RETURN || vk == VK_DIVIDE))) data |= KF_EXTENDED_BIT;
    if (event->isAutoRepeat()) data |= KF_REPEAT_BIT;
    return data;
}

namespace {

UINT ButtonMessage(Qt::MouseButton button, UINT left, UINT right, UINT middle) {
    switch (button) {
    case Qt::LeftButton:
        return left;
    case Qt::RightButton:
        return right;
    case Qt::MiddleButton:
        return middle;
    default:
        return 0;
    }
}

} // namespace

void RelayMouse(TWidgetBridge* bridge, QMouseEvent* event) {
    if (RelayFormNonClient(bridge, event)) return;
    TWinControl* control = bridge->Control();
    // A handler may free the control: its bridge lets go of it then.
    auto alive = [bridge, control] { return bridge->Control() == control; };
    const RelayScope scope(event->modifiers());
    const QPointF pos = event->position();
    const int x = static_cast<int>(std::floor(pos.x()));
    const int y = static_cast<int>(std::floor(pos.y()));
    const WPARAM keys = QtMouseKeys(event->modifiers(), event->buttons());
    const LPARAM at = MakeMouseLParam(x, y);
    UINT msg = 0;
    switch (event->type()) {
    case QEvent::MouseButtonPress:
        if (TCustomForm* form = GetParentForm(control)) FormAccess::UserActivated(form);
        if (!alive()) return;
        WidgetAccess::TrackMouse(control, x, y);
        if (!alive()) return;
        msg = ButtonMessage(event->button(), WM_LBUTTONDOWN, WM_RBUTTONDOWN, WM_MBUTTONDOWN);
        break;
    case QEvent::MouseButtonDblClick:
        WidgetAccess::TrackMouse(control, x, y);
        if (!alive()) return;
        if (control->ControlStyle.Contains(csDoubleClicks))
            msg = ButtonMessage(event->button(), WM_LBUTTONDBLCLK, WM_RBUTTONDBLCLK, WM_MBUTTONDBLCLK);
        else
            msg = ButtonMessage(event->button(), WM_LBUTTONDOWN, WM_RBUTTONDOWN, WM_MBUTTONDOWN);
        break;
    case QEvent::MouseButtonRelease:
        msg = ButtonMessage(event->button(), WM_LBUTTONUP, WM_RBUTTONUP, WM_MBUTTONUP);
        break;
    case QEvent::MouseMove:
        WidgetAccess::TrackMouse(control, x, y);
        if (!alive()) return;
        msg = WM_MOUSEMOVE;
        break;
    default:
        return;
    }
    if (msg == 0) return;
    control->MainWndProc(msg, keys, at);
    if (msg == WM_RBUTTONUP && alive()) {
        const QPoint global = event->globalPosition().toPoint();
        control->MainWndProc(WM_CONTEXTMENU, control->Handle(), MakeMouseLParam(global.x(), global.y()));
    }
}

bool RelayKey(TWidgetBridge* bridge, QKeyEvent* event) {
    TWinControl* control = bridge->Control();
    auto alive = [bridge, control] { return bridge->Control() == control; };
    const RelayScope scope(event->modifiers());
    const bool press = event->type() == QEvent::KeyPress;
    const bool alt = event->modifiers() & Qt::AltModifier;
    const WORD vk = QtKeyToVK(event->key(), event->modifiers());
    const LPARAM keyData = QtKeyData(event, vk);
    NoteKeyForToggles(vk, (event->modifiers() & Qt::KeypadModifier) != 0, press && !event->isAutoRepeat());
    if (!press) {
        if (event->isAutoRepeat() || vk == 0) return false;
        return control->MainWndProc(alt ? WM_SYSKEYUP : WM_KEYUP, vk, keyData) != 0;
    }
    if (vk != 0 && control->MainWndProc(alt ? WM_SYSKEYDOWN : WM_KEYDOWN, vk, keyData) != 0) return true;
    if (!alive()) return true;
    const std::string text = QStringToWin1252(event->text());
    bool consumed = false;
    for (const char c : text) {
        if (c == '\x7f' || !alive()) continue;
        if (control->MainWndProc(alt ? WM_SYSCHAR : WM_CHAR, static_cast<unsigned char>(c), 0) != 0)
            consumed = true;
    }
    return consumed;
}

bool DialogKey(TWinControl* control, QKeyEvent* event) {
    TCustomForm* form = GetParentForm(control);
    if (!form) return false;
    const int k = event->key();
    WORD vk = 0;
    if (k == Qt::Key_Return || k == Qt::Key_Enter) vk = VK_RETURN;
    if (k == Qt::Key_Escape) vk = VK_ESCAPE;
    if (vk && (control->Perform(WM_GETDLGCODE, 0, 0) & DLGC_WANTALLKEYS) == 0)
        return form->Perform(CM_DIALOGKEY, vk, 0) != 0;
    if ((event->modifiers() & Qt::AltModifier) && !event->text().isEmpty()) {
        const std::string text = QStringToWin1252(event->text());
        return form->Perform(CM_DIALOGCHAR, static_cast<unsigned char>(text[0]), 0) != 0;
    }
    return false;
}

// --- TWidgetBridge --------------------------------------------------------------------------------

TWidgetBridge::TWidgetBridge(TWinControl* control, QWidget* widget, bool nativeInput)
    : QObject(widget), control_(control), widget_(widget), native_(nativeInput) {
    if (native_) widget->installEventFilter(this);
    widget->setMouseTracking(true);
}

TWidgetBridge::~TWidgetBridge() {
    if (control_) WidgetAccess::WidgetGone(control_, widget_);
}

bool TWidgetBridge::eventFilter(QObject* watched, QEvent* event) {
    if (watched != widget_) return false;
    return Handle(event);
}

bool TWidgetBridge::Handle(QEvent* event) {
    TWinControl* control = control_;
    if (!control) return false;
    bool consumed = false;
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
        CallGuarded(control, [&] { RelayMouse(this, static_cast<QMouseEvent*>(event)); });
        return !native_;
    case QEvent::Enter:
        CallGuarded(control, [&] { WidgetAccess::TrackMouse(control, -1, -1); });
        return false;
    case QEvent::Leave:
        CallGuarded(control, [&] { WidgetAccess::MouseLeft(control); });
        return false;
    case QEvent::KeyPress:
    case QEvent::KeyRelease: {
        auto* key = static_cast<QKeyEvent*>(event);
        // A key the focused child did not take travels up to its parents; only the widget that has the
        // focus in its window takes it as its own.
        if (!native_ && widget_->window()->focusWidget() != widget_) return false;
        CallGuarded(control, [&] { consumed = RelayKey(this, key); });
        if (!consumed && event->type() == QEvent::KeyPress && control_ == control)
            CallGuarded(control, [&] { consumed = DialogKey(control, key); });
        if (consumed) event->accept();
        return consumed;
    }
    case QEvent::FocusIn:
        CallGuarded(control, [&] { WidgetAccess::FocusIn(control); });
        return false;
    case QEvent::FocusOut:
        CallGuarded(control, [&] { control->MainWndProc(WM_KILLFOCUS, 0, 0); });
        return false;
    case QEvent::ContextMenu:
        // Right button up sends WM_CONTEXTMENU; a native widget keeps its own menu unless the
        // control has one.
        return !native_ || control->PopupMenu() != nullptr;
    case QEvent::ToolTip:
        // Hints are the application's own (HintWindow.h), never Qt's tool tips.
        return true;
    default:
        return false;
    }
}

TWidgetBridge* AttachBridge(TWinControl* control, QWidget* widget) {
    return new TWidgetBridge(control, widget, true);
}

void DeleteWidget(QWidget* widget) {
    if (!widget) return;
    for (QObject* child : widget->children())
        if (auto* bridge = dynamic_cast<TWidgetBridge*>(child)) bridge->Detach();
    // Nothing reaches the control from a widget on its way out.
    widget->blockSignals(true);
    for (QObject* o : widget->findChildren<QObject*>()) o->blockSignals(true);
    widget->hide();
    widget->deleteLater();
}

// --- TControlWidget -------------------------------------------------------------------------------

TControlWidget::TControlWidget(TWinControl* control, QWidget* parent)
    : QWidget(parent), bridge_(new TWidgetBridge(control, this, false)) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
}

TControlWidget::~TControlWidget() = default;

bool TControlWidget::event(QEvent* event) {
    switch (event->type()) {
    case QEvent::KeyPress:
        if (auto* key = static_cast<QKeyEvent*>(event);
            key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) {
            if (bridge_->Handle(event)) return true;
            return QWidget::event(event);
        }
        [[fallthrough]];
    case QEvent::KeyRelease:
        if (bridge_->Handle(event)) return true;
        event->ignore();
        return false;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::ContextMenu:
    case QEvent::ToolTip:
        bridge_->Handle(event);
        return true;
    case QEvent::Enter:
    case QEvent::Leave:
    case QEvent::FocusIn:
    case QEvent::FocusOut:
        bridge_->Handle(event);
        return QWidget::event(event);
    default:
        return QWidget::event(event);
    }
}

void TControlWidget::paintEvent(QPaintEvent* event) {
    TWinControl* control = bridge_->Control();
    if (!control) return;
    QPainter painter(this);
    CallGuarded(control, [&] { WidgetAccess::Paint(control, painter, event->rect()); });
}
