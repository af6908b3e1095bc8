#include "platform/ui/Forms.h"

#include "platform/rtl/Strings.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/ExtCtrls.h"
#include "platform/ui/HintWindow.h"
#include "platform/ui/Icons.h"
#include "platform/ui/Menus.h"
#include "platform/ui/OtherRuns_p.h"
#include "platform/ui/Widgets_p.h"
#include "platform/ui/Win1252.h"
#include "platform/ui/WindowQueries.h"
#include "platform/win/BroadcastMessages.h"
#include "platform/win/Messages.h"
#include "platform/win/RunService.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QEventLoop>
#include <QGuiApplication>
#include <QMoveEvent>
#include <QResizeEvent>
#include <QScreen>
#include <QWidget>

#include <algorithm>
#include <cctype>
#include <climits>
#include <unistd.h>

TApplication* Application = new TApplication(nullptr);
TScreen* Screen = new TScreen(nullptr);

namespace {

bool IsLoading(const TComponent* c) {
    return c->ComponentState().Contains(TComponentStateItem::csLoading);
}

// The top-level window of a form: holds the menu bar and the client widget, and turns the window
// system's close, move and resize into the form's.
class TFormFrame : public QWidget {
public:
    explicit TFormFrame(TCustomForm* form) : QWidget(nullptr, Qt::Window), form_(form) {}

    void Detach() { form_ = nullptr; }
    void Layout(QWidget* menuBar, QWidget* client, int clientWidth, int clientHeight) {
        int menuHeight = 0;
        if (menuBar) {
            menuHeight = menuBar->sizeHint().height();
            menuBar->setGeometry(0, 0, clientWidth, menuHeight);
        }
        if (client) client->setGeometry(0, menuHeight, clientWidth, clientHeight);
    }
    bool applying = false;

protected:
    void closeEvent(QCloseEvent* event) override {
        event->ignore();
        if (TCustomForm* form = form_) CallGuarded(form, [form] { form->Close(); });
    }
    void moveEvent(QMoveEvent* event) override {
        QWidget::moveEvent(event);
        if (form_ && !applying && isVisible()) {
            const QPoint p = pos();
            TCustomForm* form = form_;
            CallGuarded(form, [&] { FormAccess::FrameMoved(form, p.x(), p.y()); });
        }
    }
    void resizeEvent(QResizeEvent* event) override {
        QWidget::resizeEvent(event);
        if (form_ && !applying && isVisible()) {
            TCustomForm* form = form_;
            const QSize s = event->size();
            CallGuarded(form, [&] { FormAccess::FrameResized(form, s.width(), s.height()); });
        }
    }
    void changeEvent(QEvent* event) override {
        QWidget::changeEvent(event);
        if (form_ && event->type() == QEvent::WindowStateChange) {
            const Qt::WindowStates state = windowState();
            FormAccess::FrameStateChanged(form_, state & Qt::WindowMinimized   ? wsMinimized
                                                 : state & Qt::WindowMaximized ? wsMaximized
                                                                               : wsNormal);
        }
    }

private:
    TCustomForm* form_;
};

TFormFrame* FrameOf(QWidget* w) {
    return static_cast<TFormFrame*>(w);
}

} // namespace

// --- TCustomForm ----------------------------------------------------------------------------------

TCustomForm::TCustomForm(TComponent* AOwner) : TWinControl(AOwner), canvas_(new TControlCanvas(this)) {
    ControlStyle = {csAcceptsControls, csCaptureMouse, csClickEvents, csSetCaption, csDoubleClicks};
    visible_ = false;
    left_ = 0;
    top_ = 0;
    width_ = 320;
    height_ = 240;
    SetColor(clBtnFace);
    SetParentFont(false);
    Screen->AddForm(this);
}

TCustomForm::~TCustomForm() {
    Destroying();
    Screen->RemoveForm(this);
    if (menu_ && menu_->form_ == this) menu_->form_ = nullptr;
    DestroyHandle();
    delete canvas_;
    canvas_ = nullptr;
}

void TCustomForm::BeforeDestruction() {
    if (destroyed_) return;
    destroyed_ = true;
    Destroying();
    DoDestroy();
}

void TCustomForm::Loaded() {
    TWinControl::Loaded();
    formState_.Exclude(fsCreating);
    if (!created_) {
        created_ = true;
        DoCreate();
    }
    if (Visible()) Perform(CM_VISIBLECHANGED, 1, 0);
}

void TCustomForm::Notification(TComponent* AComponent, TOperation Operation) {
    TWinControl::Notification(AComponent, Operation);
    if (Operation != TOperation::opRemove) return;
    if (AComponent == menu_) SetMenu(nullptr);
    if (AComponent == activeControl_) activeControl_ = nullptr;
}

void TCustomForm::DoCreate() {
    if (OnCreate) OnCreate(this);
}

void TCustomForm::DoDestroy() {
    if (OnDestroy) OnDestroy(this);
}

void TCustomForm::DoShow() {
    if (OnShow) OnShow(this);
}

void TCustomForm::DoHide() {
    if (OnHide) OnHide(this);
}

void TCustomForm::Activate() {
    if (OnActivate) OnActivate(this);
}

void TCustomForm::Deactivate() {
    if (OnDeactivate) OnDeactivate(this);
}

void TCustomForm::DoClose(TCloseAction& Action) {
    if (OnClose) OnClose(this, Action);
}

void TCustomForm::Paint() {
    if (OnPaint) OnPaint(this);
}

TCanvas* TCustomForm::Canvas() const {
    return canvas_;
}

void TCustomForm::PaintWindow(HDC DC) {
    PaintOnCanvas(*canvas_, DC, [this] { Paint(); });
}

void TCustomForm::Show() {
    if (!Visible()) {
        SetVisible(true);
        return;
    }
    // Bringing a shown window to the top activates it, unless a modal form holds the input.
    if (frame_) RaiseWidget(frame_);
    TCustomForm* active = Screen->ActiveForm();
    if (!active || active == this || !active->FormState().Contains(fsModal)) Screen->ActivateForm(this);
}

void TCustomForm::Hide() {
    SetVisible(false);
}

void TCustomForm::VisibleChanging() {}

void TCustomForm::Dispatch(TMessage& Message) {
    switch (Message.Msg) {
    case CM_VISIBLECHANGED:
        if (IsLoading(this)) return;
        if (Visible()) {
            DoShow();
            if (!Visible()) return;
            HandleNeeded();
            PlaceOnShow();
            EnforceSizeLimits();
            ApplyVisible();
            if (noActivate_) return;
            // Shown without an active control, the form gives the focus to its first control in tab
            // order, so the keyboard reaches the form's controls at once.
            if (!activeControl_) {
                if (TWinControl* first = FirstTabStop(this)) first->SetFocus();
            }
            Screen->ActivateForm(this);
        } else {
            DoHide();
            ApplyVisible();
            if (Screen->ActiveForm() == this) Screen->ActivateNext(this);
        }
        return;
    case CM_ACTIVATE:
        Activate();
        return;
    case CM_DEACTIVATE:
        Deactivate();
        return;
    case CM_RELEASE:
        BeforeDestruction();
        delete this;
        return;
    case WM_CLOSE:
        Close();
        return;
    case CM_DIALOGKEY:
        Broadcast(Message);
        return;
    default:
        TWinControl::Dispatch(Message);
        return;
    }
}

void TCustomForm::SetActive(bool value) {
    if (value == active_) return;
    active_ = value;
    if (value) {
        formState_.Include(fsActivated);
        if (activeControl_ && activeControl_->widget_ && activeControl_->CanFocus())
            activeControl_->widget_->setFocus(Qt::ActiveWindowFocusReason);
    }
    if (HandleAllocated())
        MainWndProc(value ? CM_ACTIVATE : CM_DEACTIVATE, 0, 0);
    else
        Perform(value ? CM_ACTIVATE : CM_DEACTIVATE, 0, 0);
}

void TCustomForm::SetActiveControl(TWinControl* control) {
    if (control == activeControl_) return;
    if (control) {
        if (GetParentForm(control) != this || !control->CanFocus())
            throw EInvalidOperation("Invalid active control");
        control->SetFocus();
    } else {
        activeControl_ = nullptr;
    }
}

TWinControl* TCustomForm::FirstTabStop(const TWinControl* parent) {
    for (TWinControl* c : parent->tabList_) {
        if (!c->CanFocus()) continue;
        if (c->TabStop()) return c;
        if (TWinControl* inner = FirstTabStop(c)) return inner;
    }
    return nullptr;
}

void TCustomForm::FocusChanged(TWinControl* control) {
    if (control == activeControl_ || control == this) return;
    TWinControl* old = activeControl_;
    activeControl_ = control;
    if (control) control->FreeNotification(this);
    // Every control on the form hears who has the focus now (default buttons give way to a
    // focused button).
    Perform(CM_FOCUSCHANGED, 0, reinterpret_cast<LPARAM>(control));
    if (old) old->Perform(CM_EXIT, 0, 0);
    if (control && activeControl_ == control) control->Perform(CM_ENTER, 0, 0);
    if (activeControl_ == control && Screen && Screen->ActiveForm() == this && Screen->OnActiveControlChange)
        Screen->OnActiveControlChange(Screen);
}

void TCustomForm::ControlRemoved(TWinControl* control) {
    if (activeControl_ == control || (activeControl_ && control->ContainsControl(activeControl_)))
        activeControl_ = nullptr;
}

void TCustomForm::Close() {
    if (formState_.Contains(fsModal)) {
        modalResult_ = mrCancel;
        return;
    }
    if (!CloseQuery()) return;
    TCloseAction action = caHide;
    DoClose(action);
    if (action == caNone) return;
    if (Application->MainForm() == this) {
        Application->Terminate();
        return;
    }
    switch (action) {
    case caHide:
        Hide();
        break;
    case caMinimize:
        SetWindowState(wsMinimized);
        break;
    case caFree:
        Release();
        break;
    default:
        break;
    }
}

bool TCustomForm::CloseQuery() {
    bool canClose = true;
    if (OnCloseQuery) OnCloseQuery(this, canClose);
    return canClose;
}

void TCustomForm::Release() {
    PostMessage(Handle(), CM_RELEASE, 0, 0);
}

int TCustomForm::ShowModal() {
    if (Visible() || !Enabled() || formState_.Contains(fsModal))
        throw EInvalidOperation("Cannot make a visible window modal");
    return UiSeam().ShowModal(this);
}

void TCustomForm::CloseModal() {
    TCloseAction action = caNone;
    if (CloseQuery()) {
        action = caHide;
        DoClose(action);
    }
    switch (action) {
    case caNone:
        modalResult_ = mrNone;
        break;
    case caFree:
        Release();
        break;
    default:
        break;
    }
}

int TCustomForm::ExecuteModal(const std::function<void(TCustomForm*)>& script) {
    if (Visible() || formState_.Contains(fsModal))
        throw EInvalidOperation("Cannot make a visible window modal");
    modalResult_ = mrNone;
    formState_.Include(fsModal);
    HandleNeeded();
    if (frame_) frame_->setWindowModality(Qt::ApplicationModal);
    auto finish = [this] {
        formState_.Exclude(fsModal);
        if (Visible()) Hide();
        if (frame_) frame_->setWindowModality(Qt::NonModal);
    };
    try {
        Show();
        if (script) {
            script(this);
            if (modalResult_ == mrNone && Visible()) modalResult_ = mrCancel;
        }
        while (!Application->Terminated()) {
            if (modalResult_ != mrNone) {
                CloseModal();
                if (modalResult_ != mrNone || script) break;
            }
            Application->HandleMessage();
        }
    } catch (...) {
        finish();
        throw;
    }
    const int result = modalResult_;
    finish();
    return result;
}

namespace {

// The window's styles (GWL_STYLE, GWL_EXSTYLE) before a change of the properties they follow.
struct TStyles {
    HWND Wnd;
    DWORD Style, ExStyle;
};

TStyles StylesOf(TWinControl* control) {
    if (!control->HandleAllocated()) return {0, 0, 0};
    const HWND wnd = control->Handle();
    return {wnd, static_cast<DWORD>(GetWindowLong(wnd, GWL_STYLE)),
            static_cast<DWORD>(GetWindowLong(wnd, GWL_EXSTYLE))};
}

// Tells the window which of its styles changed, as setting them on the window does.
void StylesChanged(const TStyles& before) {
    if (!before.Wnd) return;
    for (const auto& [index, old] :
         {std::pair{GWL_STYLE, before.Style}, std::pair{GWL_EXSTYLE, before.ExStyle}}) {
        STYLESTRUCT change{old, static_cast<DWORD>(GetWindowLong(before.Wnd, index))};
        if (change.styleNew == change.styleOld) continue;
        SendMessage(before.Wnd, WM_STYLECHANGED, static_cast<WPARAM>(index),
                    reinterpret_cast<LPARAM>(&change));
    }
}

} // namespace

void TCustomForm::SetBorderStyle(TFormBorderStyle value) {
    if (value == borderStyle_) return;
    const TStyles before = StylesOf(this);
    const TRect client = ClientRect();
    borderStyle_ = value;
    ResetStyles();
    SetClientSize(client.Width(), client.Height());
    if (frame_) ApplyWindowFlags();
    // The region keeps its window coordinates; the border and caption before the client changed.
    if (handle_) ReapplyWindowRgn(handle_);
    StylesChanged(before);
}

void TCustomForm::SetBorderIcons(TBorderIcons value) {
    if (value == borderIcons_) return;
    const TStyles before = StylesOf(this);
    borderIcons_ = value;
    ResetStyles();
    if (frame_) ApplyWindowFlags();
    StylesChanged(before);
}

void TCustomForm::SetFormStyle(TFormStyle value) {
    if (value == formStyle_) return;
    formStyle_ = value;
    ResetStyles();
    if (frame_) ApplyWindowFlags();
    SetClientWindow(formStyle_ == fsMDIForm && HandleAllocated());
}

DWORD TCustomForm::Styles(DWORD& exStyle) const {
    DWORD style = WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
    exStyle = 0;
    switch (borderStyle_) {
    case bsNone:
        style |= WS_POPUP;
        break;
    case bsSingle:
        style |= WS_CAPTION;
        break;
    case bsSizeable:
        style |= WS_CAPTION | WS_THICKFRAME;
        break;
    case bsDialog:
        style |= WS_POPUP | WS_CAPTION;
        exStyle |= WS_EX_DLGMODALFRAME;
        break;
    case bsToolWindow:
        style |= WS_CAPTION;
        exStyle |= WS_EX_TOOLWINDOW;
        break;
    case bsSizeToolWin:
        style |= WS_CAPTION | WS_THICKFRAME;
        exStyle |= WS_EX_TOOLWINDOW;
        break;
    }
    if (borderStyle_ != bsNone && borderIcons_.Contains(biSystemMenu)) {
        style |= WS_SYSMENU;
        const bool boxes = borderStyle_ == bsSingle || borderStyle_ == bsSizeable;
        if (boxes && borderIcons_.Contains(biMinimize)) style |= WS_MINIMIZEBOX;
        if (boxes && borderIcons_.Contains(biMaximize)) style |= WS_MAXIMIZEBOX;
        if (borderIcons_.Contains(biHelp) && borderStyle_ == bsDialog) exStyle |= WS_EX_CONTEXTHELP;
    }
    if (formStyle_ == fsStayOnTop) exStyle |= WS_EX_TOPMOST;
    if (styleSet_) style = style_;
    if (exStyleSet_) exStyle = exStyle_;
    if (windowState_ == wsMinimized) style |= WS_MINIMIZE;
    if (windowState_ == wsMaximized) style |= WS_MAXIMIZE;
    return style;
}

void TCustomForm::SetStyle(int index, DWORD value) {
    const TStyles before = StylesOf(this);
    const TRect client = ClientRect();
    if (index == GWL_STYLE) {
        styleSet_ = true;
        style_ = value & ~(WS_VISIBLE | WS_MINIMIZE | WS_MAXIMIZE);
    } else {
        exStyleSet_ = true;
        exStyle_ = value;
    }
    if (frame_) {
        ApplyWindowFlags();
        ApplyGeometry();
    }
    const TRect now = ClientRect();
    if (now.Width() != client.Width() || now.Height() != client.Height()) {
        RequestAlign();
        if (HandleAllocated())
            MainWndProc(WM_SIZE, SIZE_RESTORED, MakeMouseLParam(now.Width(), now.Height()));
    }
    StylesChanged(before);
}

void TCustomForm::ResetStyles() {
    styleSet_ = exStyleSet_ = false;
}

void TCustomForm::CreateHandle() {
    TWinControl::CreateHandle();
    SetClientWindow(formStyle_ == fsMDIForm);
}

void TCustomForm::DestroyHandle() {
    SetClientWindow(false);
    // The frame goes later (its deletion is queued) and the window system may still report on it,
    // say a change of state as it is hidden: nothing of that may reach the form, which may be gone
    // by then.
    if (frame_) FrameOf(frame_)->Detach();
    TWinControl::DestroyHandle();
    frame_ = nullptr;
}

void TCustomForm::SetClientWindow(bool wanted) {
    if (wanted && !clientHandle_) {
        clientHandle_ = CreateMessageWindow("MDICLIENT", static_cast<WNDPROC>(DefWindowProc));
    } else if (!wanted && clientHandle_) {
        SendMessage(clientHandle_, WM_DESTROY, 0, 0);
        DestroyWindow(std::exchange(clientHandle_, 0));
    }
}

void TCustomForm::SetWindowState(TWindowState value) {
    if (value == windowState_) return;
    windowState_ = value;
    if (frame_ && Visible()) {
        // Maximized, the window asks for its maximized size, as far as the window manager keeps to
        // it; restored, its tracking size holds again.
        QuerySizeLimits();
        ApplySizeLimits();
        switch (value) {
        case wsMinimized:
            frame_->showMinimized();
            break;
        case wsMaximized:
            frame_->showMaximized();
            break;
        default:
            frame_->showNormal();
            break;
        }
    }
    StateSized();
}

namespace {

// What the system proposes for a window with a frame of nc: maximized it covers the work area
// with its border outside, the user may drag it down to the smallest tracking size and up to the
// screen with the border outside.
MINMAXINFO DefaultSizeLimits(const TRect& nc) {
    RECT work{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    SystemParametersInfo(SPI_GETWORKAREA, 0, &work, 0);
    const int bx = nc.Left, by = nc.Bottom;
    MINMAXINFO info{};
    info.ptMaxSize = POINT{work.right - work.left + 2 * bx, work.bottom - work.top + 2 * by};
    info.ptMaxPosition = POINT{work.left - bx, work.top - by};
    info.ptMinTrackSize = POINT{GetSystemMetrics(SM_CXMINTRACK), GetSystemMetrics(SM_CYMINTRACK)};
    info.ptMaxTrackSize =
        POINT{GetSystemMetrics(SM_CXSCREEN) + 2 * bx, GetSystemMetrics(SM_CYSCREEN) + 2 * by};
    return info;
}

bool SamePoint(const POINT& a, const POINT& b) {
    return a.x == b.x && a.y == b.y;
}

} // namespace

void TCustomForm::QuerySizeLimits() {
    if (!HandleAllocated() || queryingLimits_) return;
    const MINMAXINFO proposal = DefaultSizeLimits(NonClient());
    MINMAXINFO info = proposal;
    // A handler that sizes the form meanwhile is not asked again.
    queryingLimits_ = true;
    SendMessage(Handle(), WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
    queryingLimits_ = false;
    minTrack_ = TPoint(info.ptMinTrackSize.x, info.ptMinTrackSize.y);
    maxTrack_ = TPoint(info.ptMaxTrackSize.x, info.ptMaxTrackSize.y);
    maxSize_ = TPoint(info.ptMaxSize.x, info.ptMaxSize.y);
    ownSizeLimits_ = !SamePoint(info.ptMinTrackSize, proposal.ptMinTrackSize) ||
                     !SamePoint(info.ptMaxTrackSize, proposal.ptMaxTrackSize);
}

void TCustomForm::KeepToSizeLimits(int& width, int& height) const {
    // The system's own proposal limits only the user: the program may give a window any size, as a
    // Linux window may have. Popups keep any size, as on the original.
    if (!ownSizeLimits_ || borderStyle_ == bsNone || borderStyle_ == bsDialog) return;
    width = std::max(std::min(width, maxTrack_.X), minTrack_.X);
    height = std::max(std::min(height, maxTrack_.Y), minTrack_.Y);
}

void TCustomForm::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
    if (AWidth != Width() || AHeight != Height()) {
        QuerySizeLimits();
        KeepToSizeLimits(AWidth, AHeight);
    }
    TWinControl::SetBounds(ALeft, ATop, AWidth, AHeight);
}

void TCustomForm::EnforceSizeLimits() {
    QuerySizeLimits();
    int w = Width(), h = Height();
    KeepToSizeLimits(w, h);
    if (w != Width() || h != Height())
        TWinControl::SetBounds(Left(), Top(), w, h);
    else
        ApplySizeLimits();
}

void TCustomForm::ApplySizeLimits() {
    if (!frame_ || (borderStyle_ != bsSizeable && borderStyle_ != bsSizeToolWin)) return;
    // The frame holds the client area and the menu bar; the border and caption are the window
    // manager's.
    const TRect nc = NonClient();
    const int dx = nc.Left + nc.Right, dy = nc.Top + nc.Bottom;
    const QSize now = frame_->size();
    auto inner = [](int outer, int border) {
        return outer >= QWIDGETSIZE_MAX ? QWIDGETSIZE_MAX : std::clamp(outer - border, 0, QWIDGETSIZE_MAX);
    };
    int minW = inner(minTrack_.X, dx), minH = inner(minTrack_.Y, dy);
    int maxW = inner(maxTrack_.X, dx), maxH = inner(maxTrack_.Y, dy);
    if (windowState_ == wsMaximized) {
        maxW = std::min(maxW, inner(maxSize_.X, dx));
        maxH = std::min(maxH, inner(maxSize_.Y, dy));
    }
    // Qt would resize a window outside its limits: a size the program gave stays reachable.
    minW = std::min(minW, now.width());
    minH = std::min(minH, now.height());
    maxW = std::max({maxW, now.width(), minW});
    maxH = std::max({maxH, now.height(), minH});
    frame_->setMinimumSize(minW, minH);
    frame_->setMaximumSize(maxW, maxH);
}

void TCustomForm::StateSized() {
    // The window hears of its new state as of a new size.
    if (!HandleAllocated()) return;
    const TRect client = ClientRect();
    const WPARAM kind = windowState_ == wsMinimized   ? SIZE_MINIMIZED
                        : windowState_ == wsMaximized ? SIZE_MAXIMIZED
                                                      : SIZE_RESTORED;
    MainWndProc(WM_SIZE, kind, MakeMouseLParam(client.Width(), client.Height()));
}

void TCustomForm::SetMenu(TMainMenu* value) {
    if (value == menu_) return;
    const TRect client = ClientRect();
    if (menu_) {
        menu_->RemoveFreeNotification(this);
        if (menu_->form_ == this) menu_->form_ = nullptr;
    }
    menu_ = value;
    if (value) {
        value->form_ = this;
        value->FreeNotification(this);
    }
    MenuChanged();
    SetClientSize(client.Width(), client.Height());
}

void TCustomForm::MenuChanged() {
    if (!frame_ || ComponentState().Contains(TComponentStateItem::csDestroying)) return;
    // The client area keeps its size; the window grows or shrinks with the bar.
    const TRect client = ClientRect();
    if (menuBar_) DeleteWidget(menuBar_);
    menuBar_ = menu_ ? menu_->CreateMenuBar(frame_) : nullptr;
    if (menuBar_) menuBar_->show();
    SetClientSize(client.Width(), client.Height());
    ApplyGeometry();
}

int TCustomForm::MenuHeight() const {
    if (!menu_) return 0;
    if (menuBar_) return menuBar_->sizeHint().height();
    return GetSystemMetrics(SM_CYMENU);
}

TRect TCustomForm::NonClient() const {
    int border = 0;
    int caption = SM_CYCAPTION;
    switch (borderStyle_) {
    case bsNone:
        break;
    case bsSingle:
    case bsDialog:
        border = GetSystemMetrics(SM_CXFIXEDFRAME);
        break;
    case bsSizeable:
        border = GetSystemMetrics(SM_CXSIZEFRAME);
        break;
    case bsToolWindow:
        border = GetSystemMetrics(SM_CXFIXEDFRAME);
        caption = SM_CYSMCAPTION;
        break;
    case bsSizeToolWin:
        border = GetSystemMetrics(SM_CXSIZEFRAME);
        caption = SM_CYSMCAPTION;
        break;
    }
    DWORD exStyle = 0;
    const int captionHeight = (Styles(exStyle) & WS_CAPTION) == WS_CAPTION ? GetSystemMetrics(caption) : 0;
    return TRect(border, border + captionHeight, border, border);
}

TRect TCustomForm::ClientRect() const {
    const TRect nc = NonClient();
    return Rect(0, 0, std::max(Width() - nc.Left - nc.Right, 0),
                std::max(Height() - nc.Top - nc.Bottom - MenuHeight(), 0));
}

void TCustomForm::SetClientSize(int width, int height) {
    const TRect nc = NonClient();
    SetBounds(Left(), Top(), width + nc.Left + nc.Right, height + nc.Top + nc.Bottom + MenuHeight());
}

TPoint TCustomForm::ClientOrigin() const {
    if (widget_) {
        const QPoint p = widget_->mapToGlobal(QPoint(0, 0));
        return TPoint(p.x(), p.y());
    }
    const TRect nc = NonClient();
    return TPoint(Left() + nc.Left, Top() + nc.Top + MenuHeight());
}

QWidget* TCustomForm::CreateWidget(QWidget*) {
    frame_ = new TFormFrame(this);
    // Before anything shows the frame: changing the kind of a shown window hides and shows it again,
    // and a window manager can miss a window mapped again that quickly (it stays unmapped).
    frame_->setWindowFlags(Qt::WindowFlags::fromInt(static_cast<int>(WantedWindowFlags())));
    return new TControlWidget(this, frame_);
}

QWidget* TCustomForm::OuterWidget() const {
    return frame_;
}

void TCustomForm::InitWidget() {
    ApplyWindowFlags();
    TextChanged();
    MenuChanged();
}

void TCustomForm::TextChanged() {
    if (frame_) frame_->setWindowTitle(Win1252ToQString(Caption()));
}

void TCustomForm::SetNoActivate(bool value) {
    noActivate_ = value;
    if (frame_) ApplyWindowFlags();
}

void TCustomForm::ApplyWindowFlags() {
    const auto flags = Qt::WindowFlags::fromInt(static_cast<int>(WantedWindowFlags()));
    if (frame_->windowFlags() == flags) return;
    const bool wasVisible = frame_->isVisible();
    frame_->setWindowFlags(flags);
    ApplyGeometry();
    if (wasVisible) frame_->show();
}

unsigned TCustomForm::WantedWindowFlags() const {
    Qt::WindowFlags flags = Qt::Window;
    DWORD exStyle = 0;
    const DWORD style = Styles(exStyle);
    const bool tool = exStyle & WS_EX_TOOLWINDOW;
    if (tool) flags = Qt::Tool;
    if (borderStyle_ == bsDialog) flags = Qt::Dialog;
    if ((style & WS_CAPTION) != WS_CAPTION) {
        flags |= Qt::FramelessWindowHint;
    } else {
        flags |= Qt::CustomizeWindowHint | Qt::WindowTitleHint;
        if (borderIcons_.Contains(biSystemMenu)) {
            flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
            if (!tool && borderStyle_ != bsDialog) {
                if (borderIcons_.Contains(biMinimize)) flags |= Qt::WindowMinimizeButtonHint;
                if (borderIcons_.Contains(biMaximize) && borderStyle_ == bsSizeable)
                    flags |= Qt::WindowMaximizeButtonHint;
            }
        }
    }
    if (exStyle & WS_EX_TOPMOST) flags |= Qt::WindowStaysOnTopHint;
    if (noActivate_) flags |= Qt::WindowDoesNotAcceptFocus;
    if (Application && Application->MainForm() == this && !(exStyle & WS_EX_APPWINDOW)) {
        if (!Application->TaskBarButton()) flags = (flags & ~Qt::WindowType_Mask) | Qt::Tool;
        if (Application->TaskBarToolOnTop()) flags |= Qt::WindowStaysOnTopHint;
    }
    // A tool window that asks for a task bar button is an ordinary window for the window manager.
    if ((exStyle & WS_EX_APPWINDOW) && (flags & Qt::WindowType_Mask) == Qt::Tool)
        flags = (flags & ~Qt::WindowType_Mask) | Qt::Window;
    return static_cast<unsigned>(flags.toInt());
}

void TCustomForm::ApplyGeometry() {
    if (!frame_) return;
    auto* frame = FrameOf(frame_);
    const TRect client = ClientRect();
    frame->applying = true;
    const int h = client.Height() + (menuBar_ ? menuBar_->sizeHint().height() : 0);
    const bool fixed = borderStyle_ != bsSizeable && borderStyle_ != bsSizeToolWin;
    if (fixed) {
        frame->setFixedSize(client.Width(), h);
    } else {
        frame->setMinimumSize(0, 0);
        frame->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
        frame->resize(client.Width(), h);
    }
    frame->move(Left(), Top());
    frame->Layout(menuBar_, widget_, client.Width(), client.Height());
    if (!fixed) ApplySizeLimits();
    frame->applying = false;
}

void TCustomForm::ApplyVisible() {
    if (!frame_) return;
    if (frame_->isVisible() != Visible()) {
        SendMessage(Handle(), WM_SHOWWINDOW, Visible() ? TRUE : FALSE, 0);
        if (!frame_) return;
    }
    if (Visible()) {
        frame_->setAttribute(Qt::WA_ShowWithoutActivating, noActivate_);
        frame_->show();
        RaiseWidget(frame_);
        if (noActivate_) return;
        frame_->activateWindow();
        // Without a focused control the form itself takes the keys.
        if (!frame_->focusWidget() && widget_) widget_->setFocus(Qt::ActiveWindowFocusReason);
    } else {
        frame_->hide();
    }
}

void TCustomForm::PlaceOnShow() {
    int x = Left(), y = Top();
    const TCustomForm* over = nullptr;
    switch (position_) {
    case poScreenCenter:
    case poDesktopCenter:
        break;
    case poMainFormCenter:
        over = Application->MainForm();
        break;
    case poOwnerFormCenter:
        over = dynamic_cast<TCustomForm*>(Owner());
        if (!over) over = Application->MainForm();
        break;
    default:
        return;
    }
    if (over == this) over = nullptr;
    if (over) {
        x = over->Left() + (over->Width() - Width()) / 2;
        y = over->Top() + (over->Height() - Height()) / 2;
    } else {
        x = (Screen->Width() - Width()) / 2;
        y = (Screen->Height() - Height()) / 2;
    }
    SetBounds(std::max(x, 0), std::max(y, 0), Width(), Height());
}

// --- FormAccess -----------------------------------------------------------------------------------

void FormAccess::UserActivated(TCustomForm* form) {
    if (!form || Screen->ActiveForm() == form || !form->Visible()) return;
    if (TCustomForm* active = Screen->ActiveForm(); active && active->FormState().Contains(fsModal)) return;
    Screen->ActivateForm(form);
}

void FormAccess::FrameMoved(TCustomForm* form, int left, int top) {
    if (left == form->Left() && top == form->Top()) return;
    form->left_ = left;
    form->top_ = top;
    form->MainWndProc(WM_MOVE, 0, MakeMouseLParam(left, top));
}

void FormAccess::FrameStateChanged(TCustomForm* form, TWindowState state) {
    if (state == form->windowState_) return;
    form->windowState_ = state;
    form->QuerySizeLimits();
    form->ApplySizeLimits();
    form->StateSized();
}

void FormAccess::FrameResized(TCustomForm* form, int width, int height) {
    const TRect nc = form->NonClient();
    const int clientHeight = height - (form->menuBar_ ? form->menuBar_->sizeHint().height() : 0);
    const int w = width + nc.Left + nc.Right;
    const int h = clientHeight + nc.Top + nc.Bottom + form->MenuHeight();
    if (w == form->Width() && h == form->Height()) return;
    form->width_ = w;
    form->height_ = h;
    FrameOf(form->frame_)->Layout(form->menuBar_, form->widget_, width, clientHeight);
    form->MainWndProc(WM_SIZE, SIZE_RESTORED, MakeMouseLParam(width, clientHeight));
    // The limits for the next drag, as the window answers now.
    if (form->frame_) form->EnforceSizeLimits();
}

QWidget* FormAccess::Frame(TCustomForm* form) {
    return form->frame_;
}

DWORD FormAccess::Styles(const TCustomForm* form, DWORD& exStyle) {
    return form->Styles(exStyle);
}

void FormAccess::SetStyle(TCustomForm* form, int index, DWORD value) {
    form->SetStyle(index, value);
}

TPoint FormAccess::FrameOrigin(TCustomForm* form) {
    const TRect nc = form->NonClient();
    return TPoint(nc.Left, nc.Top);
}

// --- TApplication ---------------------------------------------------------------------------------

TApplication::TApplication(TComponent* AOwner) : TComponent(AOwner) {}

TApplication::~TApplication() {
    SetHintControl(nullptr);
    delete hintWindow_;
    delete hintTimer_;
    delete icon_;
}

void TApplication::Initialize() {
    EnsureQtApplication();
    ConnectQt();
    Handle();
}

HWND TApplication::Handle() {
    if (handle_ == 0) {
        handle_ =
            CreateMessageWindow("TApplication", [this](HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
                return WndProc(wnd, msg, wParam, lParam);
            });
        SetBroadcastReceiver(handle_, true);
        ServeOtherRuns();
        SetHandleText(Title());
    }
    return handle_;
}

void TApplication::SetTitle(const std::string& value) {
    title_ = value;
    if (handle_) SetHandleText(Title());
}

void TApplication::SetHandleText(const std::string& value) {
    handleText_ = value;
    if (handle_) AnnounceRunWindow(handle_, "TApplication", handleText_);
}

void TApplication::SetMainFormOnCreate(TCustomForm* form) {
    mainForm_ = form;
    form->FreeNotification(this);
}

void TApplication::Notification(TComponent* AComponent, TOperation Operation) {
    TComponent::Notification(AComponent, Operation);
    if (Operation == TOperation::opRemove && AComponent == mainForm_) mainForm_ = nullptr;
    if (Operation == TOperation::opRemove && AComponent == hintControl_) hintControl_ = nullptr;
}

void TApplication::Run() {
    EnsureQtApplication();
    ConnectQt();
    if (mainForm_ && ShowMainForm && !mainForm_->Visible()) {
        try {
            mainForm_->Show();
        } catch (...) {
            HandleException(this);
        }
    }
    if (terminated_) return;
    QEventLoop loop;
    runLoop_ = &loop;
    running_ = true;
    loop.exec();
    running_ = false;
    runLoop_ = nullptr;
}

void TApplication::ProcessMessages() {
    if (QCoreApplication::instance()) EnsureQtApplication();
    ::ProcessMessages();
}

void TApplication::HandleMessage() {
    if (QCoreApplication::instance()) {
        EnsureQtApplication();
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
        return;
    }
    WaitMessageTimeout(INFINITE);
    ::ProcessMessages();
}

void TApplication::Terminate() {
    terminated_ = true;
    PostQuitMessage(0);
    if (runLoop_) static_cast<QEventLoop*>(runLoop_)->exit(0);
}

void TApplication::ResetTerminated() {
    terminated_ = false;
    MSG m;
    PeekMessage(&m, 0, WM_QUIT, WM_QUIT, PM_REMOVE);
}

void TApplication::HandleException(TObject* Sender) {
    std::exception_ptr error = std::current_exception();
    if (!error) return;
    auto report = [&](Exception& e) {
        if (OnException)
            OnException(Sender, &e);
        else
            ShowException(&e);
    };
    try {
        std::rethrow_exception(error);
    } catch (Exception& e) {
        report(e);
    } catch (const std::exception& e) {
        Exception wrapped(e.what());
        report(wrapped);
    } catch (...) {
        Exception wrapped("");
        report(wrapped);
    }
}

void TApplication::ShowException(const Exception* E) {
    std::string message = E ? E->Message : std::string();
    if (!message.empty() && static_cast<unsigned char>(message.back()) > '.') message += '.';
    TMessageBoxRequest request;
    request.Kind = TMessageBoxRequest::ErrorBox;
    request.Caption = Title();
    request.Text = message;
    request.DlgType = mtError;
    request.Buttons = {mbOK};
    request.DefaultButton = mbOK;
    request.CancelButton = mbOK;
    UiSeam().MessageBox(request);
}

int TApplication::MessageBox(const std::string& Text, const std::string& Caption, int Flags) {
    return ::MessageBox(0, Text.c_str(), Caption.c_str(), static_cast<UINT>(Flags));
}

std::string TApplication::ExeName() const {
    char path[4096];
    const ssize_t n = readlink("/proc/self/exe", path, sizeof(path) - 1);
    if (n <= 0) return std::string();
    return std::string(path, static_cast<std::size_t>(n));
}

std::string TApplication::Title() const {
    if (!title_.empty()) return title_;
    const std::string name = ExtractFileName(ExeName());
    const std::string ext = ExtractFileExt(name);
    return name.substr(0, name.size() - ext.size());
}

void TApplication::DestroyForms() {
    for (int i = ComponentCount() - 1; i >= 0; i = std::min(i - 1, ComponentCount() - 1)) {
        TComponent* c = Components(i);
        RemoveComponent(c);
        c->BeforeDestruction();
        delete c;
    }
}

// --- TScreen --------------------------------------------------------------------------------------

int TScreen::Width() const {
    return GetSystemMetrics(SM_CXSCREEN);
}

int TScreen::Height() const {
    return GetSystemMetrics(SM_CYSCREEN);
}

void TScreen::SetCursor(TCursor value) {
    if (value == cursor_) return;
    const bool app = qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr;
    if (cursor_ != crDefault && app) QGuiApplication::restoreOverrideCursor();
    cursor_ = value;
    if (value != crDefault && app) QGuiApplication::setOverrideCursor(QCursorOf(value));
}

HCURSOR TScreen::Cursors(TCursor index) const {
    auto& table = RegisteredCursors();
    auto it = table.find(index);
    if (it != table.end()) return it->second;
    // The predefined cursors have fixed handles of their own.
    constexpr HCURSOR kStockCursors = 0x7F00;
    return index <= crDefault && index >= crSizeAll ? kStockCursors + static_cast<HCURSOR>(-index)
                                                    : kStockCursors;
}

void TScreen::SetCursors(TCursor index, HCURSOR cursor) {
    if (cursor)
        RegisteredCursors()[index] = cursor;
    else
        RegisteredCursors().erase(index);
}

void TScreen::AddForm(TCustomForm* form) {
    forms_.push_back(form);
}

void TScreen::RemoveForm(TCustomForm* form) {
    forms_.erase(std::remove(forms_.begin(), forms_.end(), form), forms_.end());
    activation_.erase(std::remove(activation_.begin(), activation_.end(), form), activation_.end());
    if (activeForm_ == form) {
        activeForm_ = nullptr;
        if (!Application->Terminated()) ActivateNext(form);
    }
}

void TScreen::ActivateForm(TCustomForm* form) {
    if (form == activeForm_) return;
    TCustomForm* old = activeForm_;
    activeForm_ = form;
    if (form) {
        activation_.erase(std::remove(activation_.begin(), activation_.end(), form), activation_.end());
        activation_.insert(activation_.begin(), form);
    }
    if (old) old->SetActive(false);
    if (form && activeForm_ == form) form->SetActive(true);
    if (activeForm_ == form) {
        if (OnActiveFormChange) OnActiveFormChange(this);
        if (OnActiveControlChange) OnActiveControlChange(this);
    }
}

void TScreen::ActivateNext(TCustomForm* leaving) {
    for (TCustomForm* f : activation_) {
        if (f == leaving || !f->Visible() || f->ComponentState().Contains(TComponentStateItem::csDestroying))
            continue;
        ActivateForm(f);
        return;
    }
    ActivateForm(nullptr);
}

bool IsAccel(unsigned VK, const std::string& Str) {
    for (std::size_t i = 0; i + 1 < Str.size(); ++i) {
        if (Str[i] != '&') continue;
        if (Str[i + 1] == '&') {
            ++i;
            continue;
        }
        return std::toupper(static_cast<unsigned char>(Str[i + 1])) ==
               std::toupper(static_cast<int>(VK & 0xFF));
    }
    return false;
}

// --- Streaming ------------------------------------------------------------------------------------

namespace {

// The components a root writes besides its controls: those that sit on no parent (controls are
// written by their parents, menu items belong to their menus).
void WriteOwnedComponents(TComponent* owner, const TGetChildProc& Proc) {
    for (int i = 0; i < owner->ComponentCount(); ++i) {
        TComponent* c = owner->Components(i);
        if (!dynamic_cast<TControl*>(c) && !dynamic_cast<TMenuItem*>(c)) Proc(c);
    }
}

} // namespace

void TCustomForm::GetChildren(TGetChildProc Proc, TComponent* Root) {
    for (int i = 0; i < ControlCount(); ++i)
        if (Controls(i)->Owner() == Root) Proc(Controls(i));
    if (Root == this) WriteOwnedComponents(this, Proc);
}

void TDataModule::GetChildren(TGetChildProc Proc, TComponent*) {
    WriteOwnedComponents(this, Proc);
}
