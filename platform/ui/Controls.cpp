#include "platform/ui/Controls.h"

#include "platform/gdi/Draw.h"
#include "platform/gdi/Raster.h"
#include "platform/gdi/Region.h"
#include "platform/gdi/System.h"
#include "platform/ui/Forms.h"
#include "platform/ui/Menus.h"
#include "platform/ui/OtherRuns_p.h"
#include "platform/ui/Widgets_p.h"
#include "platform/ui/Win1252.h"
#include "platform/ui/WindowQueries.h"
#include "platform/win/Messages.h"

#include <QCoreApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPalette>
#include <QTimer>
#include <QWidget>

#include <algorithm>
#include <unordered_map>

namespace {

std::unordered_map<HWND, TWinControl*>& HandleMap() {
    static std::unordered_map<HWND, TWinControl*> map;
    return map;
}

// The control under the mouse, for CM_MOUSEENTER and CM_MOUSELEAVE.
TControl* mouseControl = nullptr;

// Control canvases holding a window surface DC; let go when the application is idle.
std::vector<TControlCanvas*>& OpenCanvases() {
    static std::vector<TControlCanvas*> list;
    return list;
}
bool canvasReleaseScheduled = false;

void ReleaseOpenCanvases() {
    canvasReleaseScheduled = false;
    auto list = OpenCanvases();
    for (auto it = list.rbegin(); it != list.rend(); ++it) (*it)->FreeHandle();
}

void ScheduleCanvasRelease() {
    if (canvasReleaseScheduled || !QCoreApplication::instance()) return;
    canvasReleaseScheduled = true;
    QTimer::singleShot(0, QCoreApplication::instance(), [] { ReleaseOpenCanvases(); });
}

bool IsLoading(const TComponent* c) {
    return c->ComponentState().Contains(TComponentStateItem::csLoading);
}
bool IsDestroying(const TComponent* c) {
    return c->ComponentState().Contains(TComponentStateItem::csDestroying);
}

TShiftState KeysToShiftState(WPARAM keys) {
    TShiftState s;
    if (keys & MK_SHIFT) s.Include(ssShift);
    if (keys & MK_CONTROL) s.Include(ssCtrl);
    if (keys & MK_LBUTTON) s.Include(ssLeft);
    if (keys & MK_RBUTTON) s.Include(ssRight);
    if (keys & MK_MBUTTON) s.Include(ssMiddle);
    if (KeyboardShiftState().Contains(ssAlt)) s.Include(ssAlt);
    return s;
}

} // namespace

// --- TControl -------------------------------------------------------------------------------------

// Ends a drag that the control takes part in (ControlExtras.cpp).
void ForgetDragControl(TControl* control);

TControl::TControl(TComponent* AOwner)
    : TComponent(AOwner), font_(new TFont), constraints_(new TSizeConstraints(this)) {
    WindowProc = TWindowProcMethod::Bind<&TControl::WndProc>(this);
    font_->OnChange = TNotifyEvent::Bind<&TControl::FontChanged>(this);
    ControlStyle = {csCaptureMouse, csClickEvents, csSetCaption, csDoubleClicks};
}

TControl::~TControl() {
    Destroying();
    ForgetDragControl(this);
    if (mouseControl == this) mouseControl = nullptr;
    if (popupMenu_) popupMenu_->RemoveFreeNotification(this);
    if (parent_) parent_->RemoveControl(this);
    delete constraints_;
    delete font_;
}

void TControl::SetParent(TWinControl* AParent) {
    if (parent_ == AParent) return;
    if (AParent == this) throw EInvalidOperation("A control cannot have itself as its parent");
    if (parent_) parent_->RemoveControl(this);
    if (AParent) AParent->InsertControl(this);
}

void TControl::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
    if (!CheckNewSize(AWidth, AHeight)) return;
    if (ALeft == left_ && ATop == top_ && AWidth == width_ && AHeight == height_) return;
    const bool sized = AWidth != width_ || AHeight != height_;
    Invalidate();
    left_ = ALeft;
    top_ = ATop;
    width_ = AWidth;
    height_ = AHeight;
    Invalidate();
    Perform(WM_WINDOWPOSCHANGED, 0, 0);
    RequestAlign();
    if (sized && !IsLoading(this)) Resize();
}

void TControl::SetClientSize(int width, int height) {
    const TRect client = ClientRect();
    SetBounds(left_, top_, width_ + width - client.Width(), height_ + height - client.Height());
}

TPoint TControl::ClientOrigin() const {
    if (!parent_) return TPoint(left_, top_);
    const TPoint p = parent_->ClientOrigin();
    return TPoint(p.X + left_, p.Y + top_);
}

TPoint TControl::ClientToScreen(const TPoint& p) const {
    const TPoint o = ClientOrigin();
    return TPoint(p.X + o.X, p.Y + o.Y);
}

TPoint TControl::ScreenToClient(const TPoint& p) const {
    const TPoint o = ClientOrigin();
    return TPoint(p.X - o.X, p.Y - o.Y);
}

void TControl::SetAlign(TAlign value) {
    if (value == align_) return;
    const TAlign old = align_;
    align_ = value;
    if (old != alNone || value != alNone) {
        if (parent_) parent_->Realign();
    }
}

void TControl::RequestAlign() {
    if (parent_) parent_->AlignControl(this);
}

void TControl::SetVisible(bool value) {
    if (value == visible_) return;
    VisibleChanging();
    visible_ = value;
    Perform(CM_VISIBLECHANGED, value ? 1 : 0, 0);
    RequestAlign();
}

void TControl::SetEnabled(bool value) {
    if (value == enabled_) return;
    enabled_ = value;
    Perform(CM_ENABLEDCHANGED, 0, 0);
}

void TControl::SetColor(TColor value) {
    if (value == color_) return;
    color_ = value;
    parentColor_ = false;
    Perform(CM_COLORCHANGED, 0, 0);
}

void TControl::SetParentColor(bool value) {
    if (value == parentColor_) return;
    parentColor_ = value;
    if (parent_ && !IsLoading(this)) Perform(CM_PARENTCOLORCHANGED, 0, 0);
}

void TControl::SetParentFont(bool value) {
    if (value == parentFont_) return;
    parentFont_ = value;
    if (parent_ && !IsLoading(this)) Perform(CM_PARENTFONTCHANGED, 0, 0);
}

void TControl::FontChanged(TObject*) {
    parentFont_ = false;
    Perform(CM_FONTCHANGED, 0, 0);
}

void TControl::ApplyParentColor(const TMessage& Message) {
    if (!parentColor_) return;
    if (Message.WParam != 0)
        SetColor(static_cast<TColor>(Message.LParam));
    else if (parent_)
        SetColor(parent_->color_);
    parentColor_ = true;
}

void TControl::ApplyParentFont(const TMessage& Message) {
    if (!parentFont_) return;
    if (Message.WParam != 0)
        SetFont(reinterpret_cast<const TFont*>(Message.LParam));
    else if (parent_)
        SetFont(parent_->font_);
    parentFont_ = true;
}

void TControl::SetText(const std::string& value) {
    if (value == RealGetText()) return;
    RealSetText(value);
    Perform(CM_TEXTCHANGED, 0, 0);
}

void TControl::SetHint(const std::string& value) {
    if (value == hint_) return;
    hint_ = value;
    Perform(CM_SHOWHINTCHANGED, 0, 0);
}

void TControl::SetShowHint(bool value) {
    if (value == showHint_ && !parentShowHint_) return;
    showHint_ = value;
    parentShowHint_ = false;
    Perform(CM_SHOWHINTCHANGED, 0, 0);
}

void TControl::SetParentShowHint(bool value) {
    if (value == parentShowHint_) return;
    parentShowHint_ = value;
    if (parent_ && !IsLoading(this)) Perform(CM_PARENTSHOWHINTCHANGED, 0, 0);
}

void TControl::SetCursor(TCursor value) {
    if (value == cursor_) return;
    cursor_ = value;
    Perform(CM_CURSORCHANGED, 0, 0);
}

void TControl::SetPopupMenu(TPopupMenu* value) {
    if (value == popupMenu_) return;
    if (popupMenu_) popupMenu_->RemoveFreeNotification(this);
    popupMenu_ = value;
    if (value) value->FreeNotification(this);
}

TPopupMenu* TControl::GetPopupMenu() const {
    return popupMenu_;
}

void TControl::Notification(TComponent* AComponent, TOperation Operation) {
    TComponent::Notification(AComponent, Operation);
    if (Operation == TOperation::opRemove && AComponent == popupMenu_) popupMenu_ = nullptr;
}

void TControl::Loaded() {
    TComponent::Loaded();
    if (parent_) {
        if (parentColor_) Perform(CM_PARENTCOLORCHANGED, 0, 0);
        if (parentFont_) Perform(CM_PARENTFONTCHANGED, 0, 0);
        if (parentShowHint_) Perform(CM_PARENTSHOWHINTCHANGED, 0, 0);
        if (parentBiDiMode_) Perform(CM_PARENTBIDIMODECHANGED, 0, 0);
    }
    RequestAlign();
}

LRESULT TControl::Perform(UINT Msg, WPARAM WParam, LPARAM LParam) {
    TMessage m{Msg, WParam, LParam, 0};
    WindowProc(m);
    return m.Result;
}

void TControl::WndProc(TMessage& Message) {
    if (Message.Msg >= WM_MOUSEFIRST && Message.Msg <= WM_MOUSELAST && DragMouseMessage(Message)) return;
    if (Message.Msg == WM_MOUSEMOVE && Application) Application->HintMouseMessage(this, Message);
    Dispatch(Message);
}

void TControl::DefaultHandler(TMessage&) {}

void TControl::SetMouseCapture(bool value) {
    if (!parent_ || dynamic_cast<TWinControl*>(this)) return;
    if (value)
        parent_->captureControl_ = this;
    else if (parent_->captureControl_ == this)
        parent_->captureControl_ = nullptr;
}

bool TControl::MouseCapture() const {
    return parent_ && parent_->captureControl_ == this;
}

void TControl::DoMouseDown(TMessage& Message, TMouseButton Button, TShiftState Shift) {
    if (!ControlStyle.Contains(csNoStdEvents))
        MouseDown(Button, KeysToShiftState(Message.WParam) + Shift, MouseX(Message.LParam),
                  MouseY(Message.LParam));
}

void TControl::DoMouseUp(TMessage& Message, TMouseButton Button) {
    if (!ControlStyle.Contains(csNoStdEvents))
        MouseUp(Button, KeysToShiftState(Message.WParam), MouseX(Message.LParam), MouseY(Message.LParam));
}

void TControl::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    if (OnMouseDown) OnMouseDown(this, Button, Shift, X, Y);
}

void TControl::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
    if (OnMouseUp) OnMouseUp(this, Button, Shift, X, Y);
}

void TControl::MouseMove(TShiftState Shift, int X, int Y) {
    if (OnMouseMove) OnMouseMove(this, Shift, X, Y);
}

void TControl::Resize() {
    if (OnResize) OnResize(this);
}

void TControl::Click() {
    if (OnClick) OnClick(this);
}

void TControl::DblClick() {
    if (OnDblClick) OnDblClick(this);
}

void TControl::Dispatch(TMessage& Message) {
    // The window's own class sees the mouse first, as the class library calls it before its own work.
    switch (Message.Msg) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_LBUTTONUP:
    case WM_MOUSEMOVE:
        DefaultHandler(Message);
        break;
    default:
        break;
    }
    switch (Message.Msg) {
    case WM_LBUTTONDOWN:
        if (ControlStyle.Contains(csCaptureMouse)) SetMouseCapture(true);
        if (ControlStyle.Contains(csClickEvents)) ControlState.Include(csClicked);
        DoMouseDown(Message, mbLeft, {});
        return;
    case WM_LBUTTONDBLCLK:
        if (ControlStyle.Contains(csCaptureMouse)) SetMouseCapture(true);
        if (ControlStyle.Contains(csClickEvents)) DblClick();
        DoMouseDown(Message, mbLeft, {ssDouble});
        return;
    case WM_LBUTTONUP: {
        if (ControlStyle.Contains(csCaptureMouse)) SetMouseCapture(false);
        if (ControlState.Contains(csClicked)) {
            ControlState.Exclude(csClicked);
            const TRect r = ClientRect();
            const int x = MouseX(Message.LParam);
            const int y = MouseY(Message.LParam);
            if (x >= r.Left && x < r.Right && y >= r.Top && y < r.Bottom) Click();
        }
        DoMouseUp(Message, mbLeft);
        return;
    }
    case WM_RBUTTONDOWN:
        DoMouseDown(Message, mbRight, {});
        return;
    case WM_RBUTTONDBLCLK:
        DoMouseDown(Message, mbRight, {ssDouble});
        return;
    case WM_RBUTTONUP:
        DoMouseUp(Message, mbRight);
        return;
    case WM_MBUTTONDOWN:
        DoMouseDown(Message, mbMiddle, {});
        return;
    case WM_MBUTTONDBLCLK:
        DoMouseDown(Message, mbMiddle, {ssDouble});
        return;
    case WM_MBUTTONUP:
        DoMouseUp(Message, mbMiddle);
        return;
    case WM_MOUSEMOVE:
        if (!ControlStyle.Contains(csNoStdEvents))
            MouseMove(KeysToShiftState(Message.WParam), MouseX(Message.LParam), MouseY(Message.LParam));
        return;
    case WM_CONTEXTMENU: {
        TPopupMenu* menu = GetPopupMenu();
        if (menu && menu->AutoPopup) {
            menu->PopupComponent = this;
            TPoint p(MouseX(Message.LParam), MouseY(Message.LParam));
            if (Message.LParam == -1) p = ClientToScreen(TPoint(0, 0));
            menu->Popup(p.X, p.Y);
            Message.Result = 1;
            return;
        }
        DefaultHandler(Message);
        return;
    }
    case CM_ENABLEDCHANGED:
    case CM_COLORCHANGED:
    case CM_FONTCHANGED:
        Invalidate();
        return;
    case CM_VISIBLECHANGED:
        if (parent_) {
            const TRect r = BoundsRect();
            parent_->InvalidateRect(&r, true);
        }
        return;
    case CM_PARENTCOLORCHANGED:
        ApplyParentColor(Message);
        return;
    case CM_PARENTFONTCHANGED:
        ApplyParentFont(Message);
        return;
    case CM_PARENTSHOWHINTCHANGED:
        if (parentShowHint_ && parent_) {
            showHint_ = parent_->showHint_;
            Perform(CM_SHOWHINTCHANGED, 0, 0);
        }
        return;
    case CM_PARENTBIDIMODECHANGED:
        if (parentBiDiMode_ && parent_) {
            biDiMode_ = parent_->biDiMode_;
            Perform(CM_BIDIMODECHANGED, 0, 0);
        }
        return;
    case CM_BIDIMODECHANGED:
        return;
    case CM_MOUSEENTER:
    case CM_MOUSELEAVE:
        if (Message.LParam == 0 && parent_) parent_->Perform(Message.Msg, 0, reinterpret_cast<LPARAM>(this));
        return;
    case CM_HITTEST:
        Message.Result = 1;
        return;
    default:
        DefaultHandler(Message);
        return;
    }
}

void TControl::InvalidateControl(bool IsVisible, bool IsOpaque) {
    if (!IsVisible || !parent_) return;
    const TRect r = BoundsRect();
    parent_->InvalidateRect(&r, !(IsOpaque || parent_->ControlStyle.Contains(csOpaque)));
}

void TControl::Invalidate() {
    InvalidateControl(visible_, ControlStyle.Contains(csOpaque));
}

void TControl::Update() {
    if (parent_) parent_->Update();
}

void TControl::Repaint() {
    if (!visible_ || !parent_) return;
    Invalidate();
    parent_->Update();
}

bool TControl::IsVisibleOnScreen() const {
    for (const TControl* c = this; c; c = c->parent_)
        if (!c->visible_) return false;
    return true;
}

void TControl::BringToFront() {
    if (!parent_) return;
    auto& list = parent_->controls_;
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
    list.push_back(this);
    if (auto* w = dynamic_cast<TWinControl*>(this); w && w->widget_) RaiseWidget(w->OuterWidget());
    Invalidate();
}

void TControl::SendToBack() {
    if (!parent_) return;
    auto& list = parent_->controls_;
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
    list.insert(list.begin(), this);
    if (auto* w = dynamic_cast<TWinControl*>(this); w && w->widget_) w->OuterWidget()->lower();
    Invalidate();
}

// --- TWinControl ----------------------------------------------------------------------------------

TWinControl::TWinControl(TComponent* AOwner) : TControl(AOwner), brush_(new TBrush) {
    brush_->SetColor(Color());
}

TWinControl::~TWinControl() {
    Destroying();
    FreeCanvases();
    if (mouseControl == this) mouseControl = nullptr;
    // Child controls go with their parent, whoever owns them.
    while (!controls_.empty()) {
        TControl* c = controls_.back();
        RemoveControl(c);
        c->BeforeDestruction();
        delete c;
    }
    if (parent_) parent_->RemoveControl(this);
    DestroyHandle();
    FreeSurface();
    delete brush_;
}

void TWinControl::InsertControl(TControl* AControl) {
    if (!AControl || ContainsControl(AControl)) return;
    controls_.push_back(AControl);
    AControl->parent_ = this;
    auto* win = dynamic_cast<TWinControl*>(AControl);
    if (win) {
        tabList_.push_back(win);
        if (handle_) {
            win->CreateHandle();
            ApplyTabOrder();
        }
    }
    AControl->Perform(CM_PARENTCOLORCHANGED, 0, 0);
    AControl->Perform(CM_PARENTFONTCHANGED, 0, 0);
    AControl->Perform(CM_PARENTSHOWHINTCHANGED, 0, 0);
    AControl->Perform(CM_PARENTBIDIMODECHANGED, 0, 0);
    if (win) win->Perform(CM_PARENTCTL3DCHANGED, 0, 0);
    AlignControl(AControl);
    if (!win) AControl->Invalidate();
}

void TWinControl::RemoveControl(TControl* AControl) {
    auto it = std::find(controls_.begin(), controls_.end(), AControl);
    if (it == controls_.end()) return;
    FreeCanvases();
    if (captureControl_ == AControl) captureControl_ = nullptr;
    if (!dynamic_cast<TWinControl*>(AControl)) AControl->Invalidate();
    controls_.erase(it);
    if (auto* win = dynamic_cast<TWinControl*>(AControl)) {
        tabList_.erase(std::remove(tabList_.begin(), tabList_.end(), win), tabList_.end());
        if (TCustomForm* form = GetParentForm(this)) form->ControlRemoved(win);
        win->DestroyHandle();
    }
    AControl->parent_ = nullptr;
    if (!IsDestroying(this)) AlignControl(AControl);
}

bool TWinControl::ContainsControl(const TControl* control) const {
    return std::find(controls_.begin(), controls_.end(), control) != controls_.end();
}

HWND TWinControl::Handle() {
    HandleNeeded();
    return handle_;
}

void TWinControl::HandleNeeded() {
    if (handle_) return;
    if (parent_) parent_->HandleNeeded();
    if (!handle_) CreateHandle();
}

QWidget* TWinControl::Widget() {
    HandleNeeded();
    return widget_;
}

QWidget* TWinControl::OuterWidget() const {
    return nonClient_ ? nonClient_ : widget_;
}

void TWinControl::CreateSubClass(TCreateParams& Params, const char* ControlClassName) {
    Params.SubClassName = ControlClassName ? ControlClassName : "";
}

void TWinControl::DefaultHandler(TMessage& Message) {
    if (handle_ && params_.SubClassName == "BUTTON") SystemButtonProc(this, Message);
}

void TWinControl::CreateParams(TCreateParams& Params) {
    Params.Style = WS_CLIPSIBLINGS | (parent_ ? WS_CHILD : 0);
    if (tabStop_) Params.Style |= WS_TABSTOP;
    Params.WindowClass.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
}

QWidget* TWinControl::CreateWidget(QWidget* parentWidget) {
    return new TControlWidget(this, parentWidget);
}

void TWinControl::CreateHandle() {
    if (handle_) return;
    if (!parent_ && !IsTopLevel()) throw EInvalidOperation("Control '" + Name() + "' has no parent window");
    EnsureQtApplication();
    params_ = TCreateParams{};
    CreateParams(params_);
    params_.Style = (params_.Style | shownBars_) & ~hiddenBars_;
    QWidget* parentWidget = parent_ ? parent_->Widget() : nullptr;
    const HWND wnd = CreateMessageWindow(
        ClassName().c_str(), [this](HWND, UINT msg, WPARAM w, LPARAM l) { return OwnWndProc(msg, w, l); });
    if (!wnd) throw EOutOfResources("Error creating window");
    handle_ = wnd;
    HandleMap()[wnd] = this;
    widget_ = CreateWidget(parentWidget);
    // A window made anew (RecreateWnd) paints all of itself, as a new window does.
    if (surface_) {
        invalid_ = RECT{0, 0, surfaceWidth_, surfaceHeight_};
        eraseInvalid_ = true;
    }
    CreateNonClient(parentWidget);
    ApplyWidgetState();
    InitWidget();
    for (TControl* c : controls_)
        if (auto* w = dynamic_cast<TWinControl*>(c)) w->CreateHandle();
    ApplyTabOrder();
    Realign();
}

void TWinControl::DestroyHandle() {
    if (!handle_) return;
    ControlState.Include(csDestroyingHandle);
    FreeCanvases();
    for (TControl* c : controls_)
        if (auto* w = dynamic_cast<TWinControl*>(c)) w->DestroyHandle();
    QWidget* outer = OuterWidget();
    QWidget* inner = widget_;
    widget_ = nullptr;
    if (outer && outer != inner) DeleteWidget(inner);
    DeleteWidget(outer ? outer : inner);
    nonClient_ = nullptr;
    for (TScrollBarState& bar : scrollBars_) bar.Bar = nullptr;
    MainWndProc(WM_DESTROY, 0, 0);
    HandleMap().erase(handle_);
    ForgetWindowRgn(handle_);
    DestroyWindow(handle_);
    handle_ = 0;
    ControlState.Exclude(csDestroyingHandle);
}

void TWinControl::RecreateWnd() {
    if (!handle_) return;
    DestroyHandle();
    HandleNeeded();
}

void TWinControl::ApplyWidgetState() {
    QWidget* outer = OuterWidget();
    if (!outer) return;
    ApplyGeometry();
    widget_->setEnabled(Enabled());
    widget_->setAutoFillBackground(false);
    ApplyFont();
    ApplyPalette();
    ApplyCursor();
    if (PaintsSelf())
        widget_->setFocusPolicy(tabStop_ ? Qt::TabFocus : Qt::NoFocus);
    else if (!tabStop_)
        widget_->setFocusPolicy(Qt::ClickFocus);
    ApplyVisible();
}

void TWinControl::ApplyGeometry() {
    if (QWidget* w = OuterWidget())
        w->setGeometry(Left(), Top(), std::max(Width(), 0), std::max(Height(), 0));
    LayoutNonClient();
}

void TWinControl::ApplyVisible() {
    if (QWidget* w = OuterWidget()) w->setVisible(Visible());
}

void TWinControl::ApplyFont() {
    if (!widget_ || PaintsSelf()) return;
    QFont f(QString::fromStdString(GdiSubstituteFace(Font()->Name())));
    f.setPixelSize(std::max(1, Font()->Height() < 0 ? -Font()->Height() : Font()->Height() * 3 / 4));
    f.setBold(Font()->Style().Contains(fsBold));
    f.setItalic(Font()->Style().Contains(fsItalic));
    f.setUnderline(Font()->Style().Contains(fsUnderline));
    f.setStrikeOut(Font()->Style().Contains(fsStrikeOut));
    widget_->setFont(f);
    QPalette p = widget_->palette();
    p.setColor(QPalette::WindowText, ToQColor(Font()->Color()));
    p.setColor(QPalette::Text, ToQColor(Font()->Color()));
    p.setColor(QPalette::ButtonText, ToQColor(Font()->Color()));
    widget_->setPalette(p);
}

void TWinControl::ApplyPalette() {
    if (!widget_ || PaintsSelf()) return;
    QPalette p = widget_->palette();
    p.setColor(QPalette::Base, ToQColor(Color()));
    p.setColor(QPalette::Window, ToQColor(Color()));
    widget_->setPalette(p);
}

void TWinControl::ApplyCursor() {
    if (!widget_) return;
    if (Cursor() == crDefault)
        widget_->unsetCursor();
    else
        widget_->setCursor(QCursorOf(Cursor()));
}

void TWinControl::ApplyTabOrder() {
    QWidget* prev = nullptr;
    for (TWinControl* c : tabList_) {
        if (!c->widget_) continue;
        if (prev) QWidget::setTabOrder(prev, c->widget_);
        prev = c->widget_;
    }
}

void TWinControl::Loaded() {
    TControl::Loaded();
    if (parent_ && ParentCtl3D()) Perform(CM_PARENTCTL3DCHANGED, 0, 0);
    ApplyTabOrder();
    Realign();
}

void TWinControl::RealSetText(const std::string& value) {
    TControl::RealSetText(value);
    if (widget_) TextChanged();
}

bool TWinControl::Focused() const {
    return widget_ && widget_->hasFocus();
}

bool TWinControl::CanFocus() const {
    for (const TControl* c = this; c; c = c->Parent())
        if (!c->Visible() || !c->Enabled()) return false;
    return true;
}

void TWinControl::SetFocus() {
    if (TCustomForm* form = GetParentForm(this); form && form != this) {
        if (!CanFocus()) throw EInvalidOperation("Cannot focus a disabled or invisible window");
        HandleNeeded();
        if (widget_) widget_->setFocus(Qt::OtherFocusReason);
        form->FocusChanged(this);
        return;
    }
    HandleNeeded();
    if (widget_) widget_->setFocus(Qt::OtherFocusReason);
}

void TWinControl::SetTabStop(bool value) {
    if (value == tabStop_) return;
    tabStop_ = value;
    if (widget_) {
        if (PaintsSelf())
            widget_->setFocusPolicy(value ? Qt::TabFocus : Qt::NoFocus);
        else
            widget_->setFocusPolicy(value ? Qt::StrongFocus : Qt::ClickFocus);
    }
}

int TWinControl::TabOrder() const {
    if (!parent_) return -1;
    auto& list = parent_->tabList_;
    auto it = std::find(list.begin(), list.end(), this);
    return it == list.end() ? -1 : static_cast<int>(it - list.begin());
}

void TWinControl::SetTabOrder(int value) {
    if (!parent_) return;
    auto& list = parent_->tabList_;
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
    value = std::clamp(value, 0, static_cast<int>(list.size()));
    list.insert(list.begin() + value, this);
    parent_->ApplyTabOrder();
}

bool TWinControl::Showing() const {
    if (!widget_) return false;
    for (const TControl* c = this; c; c = c->Parent())
        if (!c->Visible()) return false;
    return true;
}

TControl* TWinControl::ControlAtPos(const TPoint& Pos, bool AllowDisabled, bool AllowWinControls) const {
    for (auto it = controls_.rbegin(); it != controls_.rend(); ++it) {
        TControl* c = *it;
        if (!AllowWinControls && dynamic_cast<TWinControl*>(c)) continue;
        if (!c->Visible() || (!AllowDisabled && !c->Enabled())) continue;
        const TRect r = c->BoundsRect();
        if (Pos.X < r.Left || Pos.X >= r.Right || Pos.Y < r.Top || Pos.Y >= r.Bottom) continue;
        if (c->Perform(CM_HITTEST, 0, MakeMouseLParam(Pos.X - r.Left, Pos.Y - r.Top)) != 0) return c;
    }
    return nullptr;
}

void TWinControl::Broadcast(TMessage& Message) {
    const auto list = controls_;
    for (TControl* c : list) {
        if (!ContainsControl(c)) continue;
        c->WindowProc(Message);
        if (Message.Result != 0) return;
    }
}

void TWinControl::NotifyControls(UINT Msg) {
    TMessage m{Msg, 0, 0, 0};
    Broadcast(m);
}

void TWinControl::EnableAlign() {
    if (alignDisabled_ > 0) --alignDisabled_;
    if (alignDisabled_ == 0 && alignPending_) Realign();
}

void TWinControl::Realign() {
    if (alignDisabled_ > 0 || IsLoading(this) || IsDestroying(this)) {
        alignPending_ = true;
        return;
    }
    alignPending_ = false;
    TRect r = ClientRect();
    ++alignDisabled_;
    AlignControls(nullptr, r);
    --alignDisabled_;
}

void TWinControl::AlignControl(TControl* AControl) {
    if (AControl->align_ != alNone) Realign();
}

void TWinControl::AlignControls(TControl*, TRect& Rect) {
    for (TAlign a : {alTop, alBottom, alLeft, alRight, alClient}) {
        for (TControl* c : controls_) {
            if (c->align_ != a || !c->Visible()) continue;
            int l = c->Left(), t = c->Top(), w = c->Width(), h = c->Height();
            switch (a) {
            case alTop:
                l = Rect.Left, t = Rect.Top, w = Rect.Width();
                Rect.Top += h;
                break;
            case alBottom:
                l = Rect.Left, t = Rect.Bottom - h, w = Rect.Width();
                Rect.Bottom -= h;
                break;
            case alLeft:
                l = Rect.Left, t = Rect.Top, h = Rect.Height();
                Rect.Left += w;
                break;
            case alRight:
                l = Rect.Right - w, t = Rect.Top, h = Rect.Height();
                Rect.Right -= w;
                break;
            default:
                l = Rect.Left, t = Rect.Top, w = Rect.Width(), h = Rect.Height();
                break;
            }
            c->SetBounds(l, t, std::max(w, 0), std::max(h, 0));
        }
    }
}

void TWinControl::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
    if (!CheckNewSize(AWidth, AHeight)) return;
    if (ALeft == Left() && ATop == Top() && AWidth == Width() && AHeight == Height()) return;
    const bool moved = ALeft != Left() || ATop != Top();
    const bool sized = AWidth != Width() || AHeight != Height();
    left_ = ALeft;
    top_ = ATop;
    width_ = AWidth;
    height_ = AHeight;
    if (handle_ && sized && PaintsSelf() && !IsTopLevel() && CalcClientArea() && !nonClient_) {
        // The frame widget is made with the window.
        RecreateWnd();
    } else if (widget_) {
        ApplyGeometry();
    }
    RequestAlign();
    if (handle_) {
        if (moved) MainWndProc(WM_MOVE, 0, MakeMouseLParam(ALeft, ATop));
        if (sized) {
            const TRect c = ClientRect();
            MainWndProc(WM_SIZE, SIZE_RESTORED, MakeMouseLParam(c.Width(), c.Height()));
        }
    } else if (sized) {
        Realign();
    }
}

LRESULT TWinControl::MainWndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    // Input reaches a window here, as it leaves the message queue: the hint window has its say first.
    if (Application &&
        ((msg >= WM_KEYDOWN && msg <= WM_SYSCHAR) || (msg >= WM_MOUSEFIRST && msg <= WM_MOUSELAST)))
        Application->IsHintMsg(MSG{handle_, msg, wParam, lParam, 0});
    if (handle_) return SendMessage(handle_, msg, wParam, lParam);
    return OwnWndProc(msg, wParam, lParam);
}

LRESULT TWinControl::OwnWndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    TMessage m{msg, wParam, lParam, 0};
    CallGuarded(this, [&] { WindowProc(m); });
    return m.Result;
}

void TWinControl::WndProc(TMessage& Message) {
    // A key goes to the control's own pre-translation first, as the message loop reflects it.
    if (Message.Msg == WM_KEYDOWN || Message.Msg == WM_SYSKEYDOWN) {
        if (Perform(CN_BASE + Message.Msg, Message.WParam, Message.LParam) != 0) {
            Message.Result = 1;
            return;
        }
    }
    if (Message.Msg >= WM_MOUSEFIRST && Message.Msg <= WM_MOUSELAST && Message.Msg != WM_MOUSEWHEEL &&
        IsControlMouseMsg(Message))
        return;
    TControl::WndProc(Message);
}

bool TWinControl::IsControlMouseMsg(TMessage& Message) {
    TControl* target = captureControl_;
    const TPoint p(MouseX(Message.LParam), MouseY(Message.LParam));
    if (!target) target = ControlAtPos(p, false);
    if (!target || !ContainsControl(target)) return false;
    Message.Result = target->Perform(Message.Msg, Message.WParam,
                                     MakeMouseLParam(p.X - target->Left(), p.Y - target->Top()));
    return true;
}

void TWinControl::TrackMouseControl(TControl* control) {
    if (control == mouseControl) return;
    TControl* old = mouseControl;
    mouseControl = control;
    if (old) old->Perform(CM_MOUSELEAVE, 0, 0);
    if (control && mouseControl == control) control->Perform(CM_MOUSEENTER, 0, 0);
    if (widget_) {
        const TCursor cursor = control && control->Cursor() != crDefault ? control->Cursor() : Cursor();
        if (cursor == crDefault)
            widget_->unsetCursor();
        else
            widget_->setCursor(QCursorOf(cursor));
    }
}

void TWinControl::Dispatch(TMessage& Message) {
    switch (Message.Msg) {
    case CM_BIDIMODECHANGED:
        NotifyControls(CM_PARENTBIDIMODECHANGED);
        return;
    case CM_CTL3DCHANGED:
        NotifyControls(CM_PARENTCTL3DCHANGED);
        return;
    case CM_PARENTCTL3DCHANGED:
        if (!ParentCtl3D()) parentCtl3D_ = false;
        if (parentCtl3D_ && parent_ && Ctl3D != parent_->Ctl3D) {
            Ctl3D = ctl3DApplied_ = parent_->Ctl3D;
            Perform(CM_CTL3DCHANGED, 0, 0);
        }
        return;
    case WM_PAINT:
        // A window of a system class without children of its own paints as its class does.
        if (!params_.SubClassName.empty() && controls_.empty() && !ControlState.Contains(csCustomPaint))
            DefaultHandler(Message);
        else
            PaintHandler(reinterpret_cast<HDC>(Message.WParam));
        return;
    case WM_COMMAND:
    case WM_DRAWITEM: {
        // Handed back to the control that sent it.
        const HWND from = Message.Msg == WM_COMMAND ? static_cast<HWND>(Message.LParam)
                          : Message.LParam ? reinterpret_cast<const DRAWITEMSTRUCT*>(Message.LParam)->hwndItem
                                           : 0;
        if (TWinControl* control = from ? FindControl(from) : nullptr; control && control != this)
            Message.Result = control->Perform(CN_BASE + Message.Msg, Message.WParam, Message.LParam);
        else
            DefaultHandler(Message);
        return;
    }
    case WM_ERASEBKGND: {
        const RECT r = ClientRect();
        ::FillRect(reinterpret_cast<HDC>(Message.WParam), &r, brush_->Handle());
        Message.Result = 1;
        return;
    }
    case WM_SIZE:
        Realign();
        if (!IsLoading(this)) Resize();
        return;
    case WM_MOVE:
        return;
    case WM_NCCALCSIZE: {
        // The frame and the scroll bars the styles ask for.
        auto* r = reinterpret_cast<RECT*>(Message.LParam);
        const int b = BorderWidth();
        InflateRect(r, -b, -b);
        if (params_.Style & WS_VSCROLL) r->right -= GetSystemMetrics(SM_CXVSCROLL);
        if (params_.Style & WS_HSCROLL) r->bottom -= GetSystemMetrics(SM_CYHSCROLL);
        r->right = std::max(r->right, r->left);
        r->bottom = std::max(r->bottom, r->top);
        return;
    }
    case WM_NCPAINT:
        PaintNonClient();
        return;
    case WM_NCHITTEST: {
        // The platform asks only for points of the client area. A child window also answers for
        // the rest of its rectangle: the size box between its two scroll bars, nowhere outside it.
        Message.Result = HTCLIENT;
        if (!parent_ || IsTopLevel()) return;
        const TPoint origin = TControl::ClientOrigin();
        const int x = MouseX(Message.LParam) - origin.X;
        const int y = MouseY(Message.LParam) - origin.Y;
        const RECT& c = clientArea_;
        if (x < 0 || y < 0 || x >= Width() || y >= Height())
            Message.Result = HTNOWHERE;
        else if (nonClient_ && (params_.Style & WS_HSCROLL) && (params_.Style & WS_VSCROLL) && x >= c.right &&
                 y >= c.bottom && x < c.right + GetSystemMetrics(SM_CXVSCROLL) &&
                 y < c.bottom + GetSystemMetrics(SM_CYHSCROLL))
            Message.Result = HTGROWBOX;
        return;
    }
    case WM_SETFOCUS:
        if (TCustomForm* form = GetParentForm(this); form && form != this) form->FocusChanged(this);
        DefaultHandler(Message);
        return;
    case WM_KILLFOCUS:
        DefaultHandler(Message);
        return;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN: {
        WORD key = static_cast<WORD>(Message.WParam);
        if (DoKeyDown(key, KeyboardShiftState()))
            Message.Result = 1;
        else
            DefaultHandler(Message);
        return;
    }
    case WM_CHAR:
    case WM_SYSCHAR: {
        char key = static_cast<char>(Message.WParam);
        if (DoKeyPress(key))
            Message.Result = 1;
        else if (static_cast<WPARAM>(static_cast<unsigned char>(key)) != Message.WParam)
            Message.WParam = static_cast<unsigned char>(key);
        return;
    }
    case WM_KEYUP:
    case WM_SYSKEYUP: {
        WORD key = static_cast<WORD>(Message.WParam);
        if (DoKeyUp(key, KeyboardShiftState()))
            Message.Result = 1;
        else
            DefaultHandler(Message);
        return;
    }
    case WM_CONTEXTMENU: {
        if (Message.LParam != -1) {
            const TPoint p = ScreenToClient(TPoint(MouseX(Message.LParam), MouseY(Message.LParam)));
            if (TControl* c = ControlAtPos(p, false)) {
                Message.Result = c->Perform(WM_CONTEXTMENU, Message.WParam, Message.LParam);
                if (Message.Result != 0) return;
            }
        }
        TControl::Dispatch(Message);
        return;
    }
    case CM_ENTER:
        DoEnter();
        return;
    case CM_EXIT:
        DoExit();
        return;
    case CM_COLORCHANGED:
        TControl::Dispatch(Message);
        brush_->SetColor(Color());
        ApplyPalette();
        NotifyControls(CM_PARENTCOLORCHANGED);
        return;
    case CM_FONTCHANGED:
        TControl::Dispatch(Message);
        ApplyFont();
        NotifyControls(CM_PARENTFONTCHANGED);
        return;
    case CM_ENABLEDCHANGED:
        if (widget_) widget_->setEnabled(Enabled());
        TControl::Dispatch(Message);
        return;
    case CM_VISIBLECHANGED:
        if (widget_) ApplyVisible();
        return;
    case CM_CURSORCHANGED:
        ApplyCursor();
        return;
    case CM_SHOWHINTCHANGED:
        NotifyControls(CM_PARENTSHOWHINTCHANGED);
        return;
    case CM_DIALOGKEY:
    case CM_DIALOGCHAR:
    case CM_FOCUSCHANGED:
        Broadcast(Message);
        return;
    case CM_MOUSEENTER:
    case CM_MOUSELEAVE:
        return;
    default:
        TControl::Dispatch(Message);
        return;
    }
}

bool TWinControl::DoKeyDown(WORD& key, TShiftState shift) {
    if (TCustomForm* form = GetParentForm(this); form && form != this && form->KeyPreview) {
        if (form->DoKeyDown(key, shift)) return true;
    }
    if (!ControlStyle.Contains(csNoStdEvents)) {
        KeyDown(key, shift);
        if (key == 0) return true;
    }
    return false;
}

bool TWinControl::DoKeyPress(char& key) {
    if (TCustomForm* form = GetParentForm(this); form && form != this && form->KeyPreview) {
        if (form->DoKeyPress(key)) return true;
    }
    if (!ControlStyle.Contains(csNoStdEvents)) {
        KeyPress(key);
        if (key == 0) return true;
    }
    return false;
}

bool TWinControl::DoKeyUp(WORD& key, TShiftState shift) {
    if (TCustomForm* form = GetParentForm(this); form && form != this && form->KeyPreview) {
        if (form->DoKeyUp(key, shift)) return true;
    }
    if (!ControlStyle.Contains(csNoStdEvents)) {
        KeyUp(key, shift);
        if (key == 0) return true;
    }
    return false;
}

void TWinControl::KeyDown(WORD& Key, TShiftState Shift) {
    if (OnKeyDown) OnKeyDown(this, Key, Shift);
}

void TWinControl::KeyUp(WORD& Key, TShiftState Shift) {
    if (OnKeyUp) OnKeyUp(this, Key, Shift);
}

void TWinControl::KeyPress(char& Key) {
    if (OnKeyPress) OnKeyPress(this, Key);
}

void TWinControl::DoEnter() {
    if (OnEnter) OnEnter(this);
}

void TWinControl::DoExit() {
    if (OnExit) OnExit(this);
}

// --- Painting -------------------------------------------------------------------------------------

void TWinControl::PaintWindow(HDC) {}

void TWinControl::PaintHandler(HDC DC) {
    PaintWindow(DC);
    PaintControls(DC, nullptr);
}

void TWinControl::PaintControls(HDC DC, TControl* First) {
    auto it = controls_.begin();
    if (First) it = std::find(controls_.begin(), controls_.end(), First);
    const auto list = std::vector<TControl*>(it, controls_.end());
    for (TControl* c : list) {
        if (!ContainsControl(c) || dynamic_cast<TWinControl*>(c) || !c->Visible()) continue;
        const RECT r = c->BoundsRect();
        if (!RectVisible(DC, &r)) continue;
        const int saved = SaveDC(DC);
        OffsetViewportOrgEx(DC, c->Left(), c->Top(), nullptr);
        IntersectClipRect(DC, 0, 0, c->Width(), c->Height());
        c->Perform(WM_PAINT, reinterpret_cast<WPARAM>(DC), 0);
        RestoreDC(DC, saved);
    }
}

void TWinControl::PaintTo(HDC DC, int X, int Y) {
    PaintFrameTo(this, DC, X, Y);
    const int saved = SaveDC(DC);
    const TPoint o = ClientOffset();
    OffsetViewportOrgEx(DC, X + o.X, Y + o.Y, nullptr);
    const TRect client = ClientRect();
    IntersectClipRect(DC, client.Left, client.Top, client.Right, client.Bottom);
    Perform(WM_ERASEBKGND, reinterpret_cast<WPARAM>(DC), 0);
    Perform(WM_PAINT, reinterpret_cast<WPARAM>(DC), 0);
    for (TControl* c : controls_) {
        auto* w = dynamic_cast<TWinControl*>(c);
        if (w && w->Visible()) w->PaintTo(DC, w->Left(), w->Top());
    }
    RestoreDC(DC, saved);
}

void TWinControl::EnsureSurface() {
    const TRect client = ClientRect();
    const int w = std::max(client.Width(), 1);
    const int h = std::max(client.Height(), 1);
    if (surface_ && w == surfaceWidth_ && h == surfaceHeight_) return;
    FreeCanvases();
    BITMAPINFO bi;
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -h;
    bi.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP fresh = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, 0, 0);
    if (!fresh) throw EOutOfResources("Out of system resources");
    if (!surfaceDC_) surfaceDC_ = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(surfaceDC_, fresh);
    if (surface_) {
        DeleteObject(surface_);
    } else {
        surfaceOld_ = old;
    }
    surface_ = fresh;
    surfaceBits_ = bits;
    surfaceWidth_ = w;
    surfaceHeight_ = h;
    invalid_ = RECT{0, 0, w, h};
    eraseInvalid_ = true;
}

void TWinControl::FreeSurface() {
    FreeCanvases();
    if (surfaceDC_) {
        SelectObject(surfaceDC_, surfaceOld_);
        DeleteDC(surfaceDC_);
    }
    if (surface_) DeleteObject(surface_);
    surfaceDC_ = nullptr;
    surface_ = nullptr;
    surfaceBits_ = nullptr;
    surfaceWidth_ = surfaceHeight_ = 0;
}

HDC TWinControl::AcquireSurfaceDC(int* savedLevel) {
    if (!PaintsSelf()) return nullptr;
    EnsureSurface();
    *savedLevel = SaveDC(surfaceDC_);
    return surfaceDC_;
}

void TWinControl::ReleaseSurfaceDC(int savedLevel) {
    if (!surfaceDC_) return;
    RestoreDC(surfaceDC_, savedLevel);
    if (widget_) widget_->update();
}

void TWinControl::FreeCanvases() {
    const auto list = openCanvases_;
    for (auto it = list.rbegin(); it != list.rend(); ++it) (*it)->FreeHandle();
}

void TWinControl::InvalidateRect(const TRect* rect, bool erase) {
    InvalidateOwnRect(rect, erase);
    const TRect client = ClientRect();
    InvalidateTransparentChildren(rect ? RECT(*rect) : RECT(client));
}

void TWinControl::InvalidateOwnRect(const TRect* rect, bool erase) {
    if (!PaintsSelf()) {
        if (widget_) widget_->update();
        return;
    }
    const TRect client = ClientRect();
    RECT r = rect ? RECT(*rect) : RECT(client);
    const RECT c = client;
    if (!IntersectRect(&r, &r, &c)) return;
    if (IsRectEmpty(&invalid_))
        invalid_ = r;
    else
        UnionRect(&invalid_, &invalid_, &r);
    eraseInvalid_ = eraseInvalid_ || erase;
    if (widget_) widget_->update(QRect(r.left, r.top, r.right - r.left, r.bottom - r.top));
}

void TWinControl::Invalidate() {
    if (!PaintsSelf()) {
        if (widget_) widget_->update();
        return;
    }
    InvalidateRect(nullptr, !ControlStyle.Contains(csOpaque));
}

void TWinControl::ValidateWindow() {
    if (!PaintsSelf()) return;
    EnsureSurface();
    if (IsRectEmpty(&invalid_)) return;
    const RECT r = invalid_;
    const bool erase = eraseInvalid_;
    invalid_ = RECT{};
    eraseInvalid_ = false;
    FreeCanvases();
    if (params_.ExStyle & WS_EX_TRANSPARENT) CopyParentPixels(r);
    const int saved = SaveDC(surfaceDC_);
    IntersectClipRect(surfaceDC_, r.left, r.top, r.right, r.bottom);
    if (erase) MainWndProc(WM_ERASEBKGND, reinterpret_cast<WPARAM>(surfaceDC_), 0);
    MainWndProc(WM_PAINT, reinterpret_cast<WPARAM>(surfaceDC_), 0);
    if (surfaceDC_) RestoreDC(surfaceDC_, saved);
}

// A window with WS_EX_TRANSPARENT shows its parent through whatever it leaves unpainted: the
// parent's pixels under rect go into the surface before the window paints.
void TWinControl::CopyParentPixels(const RECT& rect) {
    TWinControl* parent = parent_;
    if (!parent || !parent->PaintsSelf() || !parent->handle_) return;
    parent->ValidateWindow();
    if (!parent->surfaceDC_ || !surfaceDC_) return;
    const TPoint o = ClientOffset();
    BitBlt(surfaceDC_, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
           parent->surfaceDC_, Left() + o.X + rect.left, Top() + o.Y + rect.top, SRCCOPY);
}

// A transparent child shows what lies under it: it paints again with the part of this window.
void TWinControl::InvalidateTransparentChildren(const RECT& rect) {
    for (TControl* c : controls_) {
        auto* w = dynamic_cast<TWinControl*>(c);
        if (!w || !w->handle_ || !(w->params_.ExStyle & WS_EX_TRANSPARENT)) continue;
        const TPoint o = w->ClientOffset();
        RECT part{rect.left - w->Left() - o.X, rect.top - w->Top() - o.Y, rect.right - w->Left() - o.X,
                  rect.bottom - w->Top() - o.Y};
        const RECT client = w->ClientRect();
        if (!IntersectRect(&part, &part, &client)) continue;
        const TRect t = part;
        w->InvalidateRect(&t, true);
    }
}

void TWinControl::Update() {
    if (!PaintsSelf()) {
        if (widget_) widget_->repaint();
        return;
    }
    const RECT r = invalid_;
    ValidateWindow();
    if (widget_ && !IsRectEmpty(&r))
        widget_->update(QRect(r.left, r.top, r.right - r.left, r.bottom - r.top));
}

void TWinControl::Repaint() {
    Invalidate();
    Update();
}

// --- TGraphicControl and TCustomControl -----------------------------------------------------------

TGraphicControl::TGraphicControl(TComponent* AOwner) : TControl(AOwner), canvas_(new TControlCanvas(this)) {}

TGraphicControl::~TGraphicControl() {
    delete canvas_;
}

TCanvas* TGraphicControl::Canvas() const {
    return canvas_;
}

void TGraphicControl::Dispatch(TMessage& Message) {
    if (Message.Msg == WM_PAINT) {
        const auto dc = reinterpret_cast<HDC>(Message.WParam);
        if (!dc) return;
        PaintOnCanvas(*canvas_, dc, [this] { Paint(); });
        return;
    }
    TControl::Dispatch(Message);
}

TCustomControl::TCustomControl(TComponent* AOwner) : TWinControl(AOwner), canvas_(new TControlCanvas(this)) {}

TCustomControl::~TCustomControl() {
    delete canvas_;
    canvas_ = nullptr;
}

TCanvas* TCustomControl::Canvas() const {
    return canvas_;
}

void TCustomControl::PaintWindow(HDC DC) {
    PaintOnCanvas(*canvas_, DC, [this] { Paint(); });
}

// --- TControlCanvas -------------------------------------------------------------------------------

TControlCanvas::~TControlCanvas() {
    FreeHandle();
}

void TControlCanvas::CreateHandle() {
    auto* win = dynamic_cast<TWinControl*>(control_);
    int dx = 0, dy = 0;
    if (!win) {
        win = control_->Parent();
        if (!win) return;
        dx = control_->Left();
        dy = control_->Top();
    }
    int level = 0;
    HDC dc = win->AcquireSurfaceDC(&level);
    if (!dc) return;
    if (win != control_) {
        OffsetViewportOrgEx(dc, dx, dy, nullptr);
        IntersectClipRect(dc, 0, 0, control_->Width(), control_->Height());
    }
    window_ = win;
    savedLevel_ = level;
    win->openCanvases_.push_back(this);
    OpenCanvases().push_back(this);
    SetHandle(dc);
    ScheduleCanvasRelease();
}

void TControlCanvas::FreeHandle() {
    if (!window_) return;
    TWinControl* win = window_;
    window_ = nullptr;
    SetHandle(nullptr);
    auto& list = win->openCanvases_;
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
    auto& all = OpenCanvases();
    all.erase(std::remove(all.begin(), all.end(), this), all.end());
    win->ReleaseSurfaceDC(savedLevel_);
}

// --- Free routines --------------------------------------------------------------------------------

TCustomForm* GetParentForm(TControl* control) {
    while (control && control->Parent()) control = control->Parent();
    return dynamic_cast<TCustomForm*>(control);
}

TWinControl* FindControl(HWND handle) {
    auto it = HandleMap().find(handle);
    return it == HandleMap().end() ? nullptr : it->second;
}

void* MakeObjectInstance(TWindowProcMethod Method) {
    return MakeObjectInstance([Method](HWND, UINT msg, WPARAM wParam, LPARAM lParam) {
        TMessage m{msg, wParam, lParam, 0};
        CallGuarded(nullptr, [&] { Method(m); });
        return m.Result;
    });
}

bool TWindowSubclass::Install(HWND Wnd, TWindowProcMethod Method) {
    if (instance_) return false;
    void* previous = GetWindowProcedure(Wnd);
    if (!previous) return false;
    void* instance = MakeObjectInstance(Method);
    if (!SetWindowProcedure(Wnd, instance)) {
        FreeObjectInstance(instance);
        return false;
    }
    wnd_ = Wnd;
    instance_ = instance;
    previous_ = previous;
    return true;
}

void TWindowSubclass::Remove() {
    if (!instance_) return;
    if (IsWindow(wnd_) && GetWindowProcedure(wnd_) == instance_) SetWindowProcedure(wnd_, previous_);
    FreeObjectInstance(instance_);
    instance_ = previous_ = nullptr;
    wnd_ = 0;
}

void TWindowSubclass::CallPrevious(TMessage& Message) const {
    Message.Result = CallWindowProc(previous_, wnd_, Message.Msg, Message.WParam, Message.LParam);
}

BOOL InvalidateRect(HWND wnd, const RECT* rect, BOOL erase) {
    TWinControl* c = FindControl(wnd);
    if (!c) return FALSE;
    if (rect) {
        const TRect r = *rect;
        c->InvalidateRect(&r, erase != FALSE);
    } else {
        c->InvalidateRect(nullptr, erase != FALSE);
    }
    return TRUE;
}

BOOL UpdateWindow(HWND wnd) {
    TWinControl* c = FindControl(wnd);
    if (!c) return FALSE;
    c->Update();
    return TRUE;
}

namespace {
struct GotDC {
    HWND wnd;
    HDC dc;
    int level;
    bool window = false; // a window DC (GetWindowDC) over the frame
};
std::vector<GotDC>& GotDCs() {
    static std::vector<GotDC> list;
    return list;
}
} // namespace

HDC GetDC(HWND wnd) {
    if (wnd == 0) return CreateDC("DISPLAY", nullptr, nullptr, nullptr);
    TWinControl* c = FindControl(wnd);
    if (!c) return nullptr;
    int level = 0;
    HDC dc = c->AcquireSurfaceDC(&level);
    if (dc) GotDCs().push_back(GotDC{wnd, dc, level});
    return dc;
}

HDC GetWindowDC(HWND wnd) {
    TWinControl* c = FindControl(wnd);
    int level = 0;
    HDC dc = c ? AcquireWindowDC(c, &level) : nullptr;
    if (!dc) return GetDC(wnd);
    GotDCs().push_back(GotDC{wnd, dc, level, true});
    return dc;
}

int ReleaseDC(HWND wnd, HDC dc) {
    if (wnd == 0) return DeleteDC(dc) ? 1 : 0;
    auto& list = GotDCs();
    for (auto it = list.rbegin(); it != list.rend(); ++it) {
        if (it->wnd != wnd || it->dc != dc) continue;
        const int level = it->level;
        const bool window = it->window;
        list.erase(std::next(it).base());
        TWinControl* c = FindControl(wnd);
        if (!c) return 1;
        // A window DC whose frame went with the window (RecreateWnd) has nothing to restore.
        if (window)
            ReleaseWindowDC(c, dc, level);
        else
            c->ReleaseSurfaceDC(level);
        return 1;
    }
    return 0;
}

namespace {

// RDW_ALLCHILDREN takes the windowed children along; otherwise (RDW_NOCHILDREN too) they keep
// what they painted.
void RedrawControl(TWinControl* c, const RECT* rect, UINT flags) {
    if (flags & RDW_INVALIDATE) {
        const bool erase = (flags & RDW_ERASE) != 0;
        const TRect r = rect ? TRect(*rect) : TRect();
        // RDW_NOCHILDREN leaves even the transparent children alone.
        if (flags & RDW_NOCHILDREN)
            WidgetAccess::InvalidateOwnRect(c, rect ? &r : nullptr, erase);
        else
            c->InvalidateRect(rect ? &r : nullptr, erase);
    }
    if ((flags & RDW_ALLCHILDREN) && !(flags & RDW_NOCHILDREN)) {
        for (int i = 0; i < c->ControlCount(); ++i)
            if (auto* child = dynamic_cast<TWinControl*>(c->Controls(i)))
                RedrawControl(child, nullptr, flags);
    }
    if (flags & (RDW_UPDATENOW | RDW_ERASENOW)) c->Update();
}

} // namespace

BOOL RedrawWindow(HWND wnd, const RECT* rect, HRGN, UINT flags) {
    TWinControl* c = FindControl(wnd);
    if (!c) return FALSE;
    RedrawControl(c, rect, flags);
    return TRUE;
}

HWND FindWindow(const char* className, const char* windowName) {
    if (className && std::string(className) == "Shell_TrayWnd" && !windowName) return FindTaskBarWindow();
    for (const auto& [handle, control] : HandleMap()) {
        if (className && control->ClassName() != className) continue;
        if (windowName && control->Caption() != windowName) continue;
        return handle;
    }
    if (Application && Application->HandleAllocated() &&
        (!className || std::string(className) == "TApplication") &&
        (!windowName || Application->HandleText() == windowName))
        return Application->Handle();
    return FindOtherRunWindow(className, windowName);
}

BOOL IsWindowVisible(HWND wnd) {
    TWinControl* c = FindControl(wnd);
    return c && c->Showing() ? TRUE : FALSE;
}

BOOL EnableWindow(HWND wnd, BOOL enable) {
    TWinControl* c = FindControl(wnd);
    if (!c) return FALSE;
    const bool wasDisabled = !c->Enabled();
    c->SetEnabled(enable != FALSE);
    return wasDisabled ? TRUE : FALSE;
}

BOOL IsWindowEnabled(HWND wnd) {
    TWinControl* c = FindControl(wnd);
    return c && c->Enabled() ? TRUE : FALSE;
}

BOOL GetClientRect(HWND wnd, RECT* rect) {
    TWinControl* c = FindControl(wnd);
    if (!c || !rect) return FALSE;
    *rect = c->ClientRect();
    return TRUE;
}

// --- What the widgets reach -----------------------------------------------------------------------

void WidgetAccess::InvalidateOwnRect(TWinControl* control, const TRect* rect, bool erase) {
    control->InvalidateOwnRect(rect, erase);
}

QWidget* WidgetAccess::Outer(TWinControl* control) {
    return control->OuterWidget();
}

void WidgetAccess::WidgetGone(TWinControl* control, QWidget* widget) {
    if (control->widget_ == widget) control->widget_ = nullptr;
}

void WidgetAccess::Paint(TWinControl* control, QPainter& painter, const QRect& rect) {
    control->ValidateWindow();
    if (!control->surfaceBits_) return;
    const QImage image(static_cast<const uchar*>(control->surfaceBits_), control->surfaceWidth_,
                       control->surfaceHeight_, control->surfaceWidth_ * 4, QImage::Format_RGB32);
    painter.drawImage(rect, image, rect);
    PaintCaret(control->handle_, painter, image);
}

void WidgetAccess::TrackMouse(TWinControl* control, int x, int y) {
    TControl* target = control->captureControl_;
    if (!target) target = control->ControlAtPos(TPoint(x, y), false);
    control->TrackMouseControl(target ? target : control);
}

void WidgetAccess::MouseLeft(TWinControl* control) {
    if (mouseControl == control ||
        (mouseControl && mouseControl->Parent() == control && !dynamic_cast<TWinControl*>(mouseControl)))
        control->TrackMouseControl(nullptr);
}

void WidgetAccess::FocusIn(TWinControl* control) {
    control->MainWndProc(WM_SETFOCUS, 0, 0);
}
