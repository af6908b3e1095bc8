#include "platform/ui/HintWindow.h"

#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/Text.h"
#include "platform/ui/ExtCtrls.h"
#include "platform/ui/Forms.h"
#include "platform/ui/WindowQueries.h"

#include <QWidget>

#include <algorithm>

THintWindowClass HintWindowClass = MakeHintWindow<THintWindow>;

namespace {
constexpr UINT kKeyFirst = 0x0100;
constexpr UINT kKeyLast = 0x0108;
// The hint stands this far below the pointer, clear of the arrow.
constexpr int kBelowCursor = 16;
} // namespace

// --- THintWindow ----------------------------------------------------------------------------------

THintWindow::THintWindow(TComponent* AOwner) : TCustomControl(AOwner) {
    SetVisible(false);
    SetColor(clInfoBk);
    Font()->SetColor(clInfoText);
}

void THintWindow::CreateParams(TCreateParams& Params) {
    TCustomControl::CreateParams(Params);
    Params.Style = WS_POPUP;
}

QWidget* THintWindow::CreateWidget(QWidget*) {
    QWidget* w = TCustomControl::CreateWidget(nullptr);
    // Above every window, without a frame, and never the window that has the focus.
    w->setWindowFlags(Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                      Qt::WindowDoesNotAcceptFocus);
    w->setAttribute(Qt::WA_ShowWithoutActivating);
    w->setFocusPolicy(Qt::NoFocus);
    return w;
}

TRect THintWindow::CalcHintRect(int MaxWidth, const std::string& AHint) {
    RECT r{0, 0, MaxWidth, 0};
    HDC dc = GetDC(0);
    if (dc) {
        HGDIOBJ old = SelectObject(dc, Font()->Handle());
        DrawText(dc, AHint.c_str(), static_cast<int>(AHint.size()), &r,
                 DT_CALCRECT | DT_LEFT | DT_WORDBREAK | DT_NOPREFIX);
        SelectObject(dc, old);
        ReleaseDC(0, dc);
    }
    return TRect(0, 0, r.right + 6, r.bottom + 4);
}

void THintWindow::ActivateHint(const TRect& Rect, const std::string& AHint) {
    SetCaption(AHint);
    SetWindowPos(Handle(), HWND_TOPMOST, Rect.Left, Rect.Top, Rect.Width(), Rect.Height(),
                 SWP_SHOWWINDOW | SWP_NOACTIVATE);
    Invalidate();
}

bool THintWindow::IsHintMsg(const MSG& Msg) {
    const UINT m = Msg.message;
    return (m >= kKeyFirst && m <= kKeyLast) ||
           (m >= WM_MOUSEFIRST && m <= WM_MOUSELAST && m != WM_MOUSEMOVE);
}

void THintWindow::ReleaseHandle() {
    Hide();
}

void THintWindow::Paint() {
    TCanvas* canvas = Canvas();
    const TRect client = ClientRect();
    canvas->Brush()->SetColor(Color());
    canvas->Brush()->SetStyle(bsSolid);
    canvas->FillRect(client);
    canvas->Brush()->SetColor(clBlack);
    canvas->FrameRect(client);
    canvas->Brush()->SetStyle(bsClear);
    canvas->SetFont(Font());
    RECT r{client.Left + 2, client.Top + 2, client.Right - 2, client.Bottom - 2};
    const std::string text = Caption();
    DrawText(canvas->Handle(), text.c_str(), static_cast<int>(text.size()), &r,
             DT_LEFT | DT_WORDBREAK | DT_NOPREFIX);
}

// --- The application's hint logic -----------------------------------------------------------------

namespace {
// The control whose hint shows over Control: itself or the nearest parent with ShowHint, as long as
// it has a hint.
TControl* HintControlOf(TControl* Control) {
    TControl* c = Control;
    while (c && !c->ShowHint()) c = c->Parent();
    return c && !c->Hint().empty() ? c : nullptr;
}
} // namespace

void TApplication::SetHintControl(TControl* Control) {
    if (Control == hintControl_) return;
    if (hintControl_) hintControl_->RemoveFreeNotification(this);
    hintControl_ = Control;
    if (Control) Control->FreeNotification(this);
}

void TApplication::StartHintTimer(int Pause, bool Show) {
    if (!hintTimer_) {
        hintTimer_ = new TTimer(nullptr);
        hintTimer_->SetEnabled(false);
        hintTimer_->OnTimer = TNotifyEvent::Bind<&TApplication::HintTimerExpired>(this);
    }
    hintTimer_->SetEnabled(false);
    hintTimer_->SetInterval(static_cast<unsigned>(std::max(Pause, 1)));
    hintTimerShows_ = Show;
    hintTimer_->SetEnabled(true);
}

void TApplication::HintTimerExpired(TObject*) {
    hintTimer_->SetEnabled(false);
    if (!hintTimerShows_) {
        CancelHint();
        return;
    }
    POINT p{};
    GetCursorPos(&p);
    ActivateHint(TPoint(p.x, p.y));
}

void TApplication::HintMouseMessage(TControl* Control, const TMessage& Message) {
    if (!ShowHint) return;
    const TPoint pos = Control->ClientToScreen(TPoint(MouseX(Message.LParam), MouseY(Message.LParam)));
    TControl* target = HintControlOf(Control);
    if (!target) {
        CancelHint();
        return;
    }
    const RECT cursorRect = hintCursorRect_;
    // Once a hint shows, the user is reading hints: the next one follows quickly.
    if (target != hintControl_ || !PtInRect(&cursorRect, POINT{pos.X, pos.Y}))
        StartHintTimer(hintActive_ ? HintShortPause : HintPause, true);
    SetHintControl(target);
}

void TApplication::ActivateHint(const TPoint& CursorPos) {
    TControl* control = hintControl_;
    if (!control || !ShowHint) {
        CancelHint();
        return;
    }
    std::string text = control->Hint();
    THintInfo info;
    info.HintPos = TPoint(CursorPos.X, CursorPos.Y + kBelowCursor);
    info.HintMaxWidth = Screen->Width();
    info.CursorRect = control->ClientRect();
    info.CursorPos = control->ScreenToClient(CursorPos);
    bool canShow = control->Perform(CM_HINTSHOW, 0, reinterpret_cast<LPARAM>(&info)) == 0;
    canShow = canShow && ShowingHint(control, text, info);
    if (hintControl_ != control) return; // a handler took the control away
    const TPoint origin = control->ClientToScreen(TPoint(info.CursorRect.Left, info.CursorRect.Top));
    hintCursorRect_ =
        TRect(origin.X, origin.Y, origin.X + info.CursorRect.Width(), origin.Y + info.CursorRect.Height());
    if (!canShow) {
        if (hintWindow_) hintWindow_->ReleaseHandle();
        hintActive_ = false;
        return;
    }
    if (!hintWindow_ || hintWindowMaker_ != HintWindowClass) {
        delete hintWindow_;
        hintWindow_ = nullptr;
        hintWindowMaker_ = HintWindowClass;
        hintWindow_ = HintWindowClass(nullptr);
    }
    hintWindow_->SetColor(info.HintColor);
    TRect r = hintWindow_->CalcHintRect(info.HintMaxWidth, text);
    r = TRect(info.HintPos.X, info.HintPos.Y, info.HintPos.X + r.Width(), info.HintPos.Y + r.Height());
    hintWindow_->ActivateHint(r, text);
    hintActive_ = true;
    StartHintTimer(HintHidePause, false);
}

void TApplication::CancelHint() {
    if (hintTimer_) hintTimer_->SetEnabled(false);
    if (hintWindow_) hintWindow_->ReleaseHandle();
    hintActive_ = false;
    SetHintControl(nullptr);
}

bool TApplication::IsHintMsg(const MSG& Msg) {
    if (!hintActive_ || !hintWindow_ || !hintWindow_->IsHintMsg(Msg)) return false;
    CancelHint();
    return true;
}
