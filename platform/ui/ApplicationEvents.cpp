// The application's settings and events as a whole: its icon, hints, minimising, the hooks on its
// window, the end of the session, and what Qt reports of the application's state.
#include "platform/ui/Forms.h"
#include "platform/ui/Icons.h"
#include "platform/ui/WindowQueries.h"

#include "platform/win/Messages.h"

#include <QAbstractEventDispatcher>
#include <QGuiApplication>
#include <QSessionManager>
#include <QTimer>

#include <algorithm>

void TApplication::SetHint(const std::string& value) {
    if (value == Hint) return;
    Hint = value;
    if (OnHint) OnHint(this);
}

TIcon* TApplication::Icon() {
    if (!icon_) icon_ = new TIcon;
    return icon_;
}

void TApplication::SetIcon(TIcon* value) {
    Icon()->Assign(value);
}

void TApplication::Minimize() {
    if (minimized_) return;
    minimized_ = true;
    if (Screen)
        for (int i = 0; i < Screen->FormCount(); ++i)
            if (TCustomForm* f = Screen->Forms(i); f->Visible()) f->SetWindowState(wsMinimized);
    if (OnMinimize) OnMinimize(this);
}

void TApplication::Restore() {
    if (!minimized_) return;
    minimized_ = false;
    if (Screen)
        for (int i = 0; i < Screen->FormCount(); ++i)
            if (TCustomForm* f = Screen->Forms(i); f->WindowState() == wsMinimized)
                f->SetWindowState(wsNormal);
    if (OnRestore) OnRestore(this);
}

void TApplication::HookMainWindow(TWindowHook Hook) {
    if (std::find(hooks_.begin(), hooks_.end(), Hook) == hooks_.end()) hooks_.push_back(Hook);
}

void TApplication::UnhookMainWindow(TWindowHook Hook) {
    hooks_.erase(std::remove(hooks_.begin(), hooks_.end(), Hook), hooks_.end());
}

LRESULT TApplication::WndProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    TMessage message{msg, wParam, lParam, 0};
    try {
        // A hook may take itself or another off while it runs.
        const std::vector<TWindowHook> hooks = hooks_;
        for (const TWindowHook& hook : hooks)
            if (std::find(hooks_.begin(), hooks_.end(), hook) != hooks_.end() && hook(message))
                return message.Result;
    } catch (...) {
        HandleException(this);
        return 0;
    }
    switch (msg) {
    case WM_QUERYENDSESSION:
        return 1;
    default:
        return DefWindowProc(wnd, msg, wParam, lParam);
    }
}

bool TApplication::QueryEndSession() {
    const HWND wnd = Handle();
    const bool mayEnd = SendMessage(wnd, WM_QUERYENDSESSION, 0, 0) != 0;
    SendMessage(wnd, WM_ENDSESSION, mayEnd ? 1 : 0, 0);
    return mayEnd;
}

bool TApplication::ShowingHint(TControl* control, std::string& text, THintInfo& info) {
    bool canShow = ShowHint && !text.empty();
    info.HintControl = control;
    info.HintColor = HintColor;
    if (canShow && OnShowHint) OnShowHint(text, canShow, info);
    return canShow && !text.empty();
}

void TApplication::ConnectQt() {
    auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    if (qtConnected_ || !app) return;
    qtConnected_ = true;
    QObject::connect(app, &QGuiApplication::applicationStateChanged, app, [this](Qt::ApplicationState state) {
        if (state == Qt::ApplicationActive) {
            if (OnActivate) OnActivate(this);
        } else if (state == Qt::ApplicationInactive) {
            if (OnDeactivate) OnDeactivate(this);
        }
    });
    QObject::connect(
        app, &QGuiApplication::commitDataRequest, app,
        [this](QSessionManager& manager) {
            if (!QueryEndSession() && manager.allowsInteraction()) manager.cancel();
        },
        Qt::DirectConnection);
    // Idle: the loop has nothing left to do. A handler that is not done is called again at once.
    if (QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance(app->thread()))
        QObject::connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, app, [this, app] {
            if (!running_ || !OnIdle) return;
            bool done = true;
            try {
                OnIdle(this, done);
            } catch (...) {
                HandleException(this);
            }
            if (!done) QTimer::singleShot(0, app, [] {});
        });
}

bool TApplication::TaskBarButton() const {
    return handleShown_ && !(handleExStyle_ & WS_EX_TOOLWINDOW);
}

bool TApplication::TaskBarToolOnTop() const {
    return !TaskBarButton() && (handleExStyle_ & WS_EX_TOPMOST);
}

void TApplication::SetHandleShown(bool value) {
    handleShown_ = value;
    if (mainForm_ && mainForm_->frame_) mainForm_->ApplyWindowFlags();
}

void TApplication::SetHandleExStyle(DWORD value) {
    handleExStyle_ = value;
    if (mainForm_ && mainForm_->frame_) mainForm_->ApplyWindowFlags();
}
