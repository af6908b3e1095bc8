// Unit Std2: window size limits and the canvas lent on a control's window.
#include "indicator_controls/Std2.h"

#include "indicator_controls/Mystd.h"
#include "platform/ui/Forms.h"
#include "platform/ui/WindowQueries.h"
#include "platform/win/Messages.h"

#include <algorithm>

// --- TvMinMax --------------------------------------------------------------------------------------

void NormaliseMinMax(TvMinMaxSizes& s) {
    s.MaxWidth = std::max(s.MaxWidth, s.MinDragWidth);
    s.MaxHeight = std::max(s.MaxHeight, s.MinDragHeight);
    s.MaxDragWidth = std::max(s.MaxDragWidth, s.MaxWidth);
    s.MaxDragHeight = std::max(s.MaxDragHeight, s.MaxHeight);
}

void FitToTaskBar(TvMinMaxSizes& s, int CX, int CY, const RECT& Bar) {
    s.MaxLeft = 0;
    s.MaxTop = 0;
    s.MaxDragWidth = CX;
    s.MaxDragHeight = CY;
    if (Bar.left >= 2) {
        s.MaxDragWidth = CX + 1 - (Bar.right - Bar.left - 1);
    } else if (Bar.top >= 2) {
        s.MaxDragHeight = CY + 1 - (Bar.bottom - Bar.top - 1);
    } else if (Bar.right < CX - 1) {
        s.MaxLeft = Bar.right;
        s.MaxDragWidth = CX + 1 - Bar.right;
    } else {
        s.MaxTop = Bar.bottom;
        s.MaxDragHeight = CY + 1 - Bar.bottom;
    }
}

namespace {

bool Designing(const TComponent* c) {
    return c->ComponentState().Contains(TComponentStateItem::csDesigning);
}

} // namespace

TvMinMax::TvMinMax(TComponent* AOwner) : TComponent(AOwner) {
    SetSize();
}

TvMinMax::~TvMinMax() = default;

void TvMinMax::Store(int& field, int Value) {
    field = Value;
    SetSize();
}

void TvMinMax::SetUseDefaultSize(bool Value) {
    useDefaultSize_ = Value;
    SetSize();
}

void TvMinMax::SetAutoTaskBarAjust(bool Value) {
    autoTaskBar_ = Value;
    TCustomForm* form = OwnerForm(this);
    if (form && form->WindowState() == wsMaximized) {
        form->SetWindowState(wsNormal);
        form->SetWindowState(wsMaximized);
    }
}

void TvMinMax::SetShowOnStatusBar(bool Value) {
    showOnStatusBar_ = Value;
    if (Designing(this) || ComponentState().Contains(TComponentStateItem::csLoading)) return;
    ApplyShowOnStatusBar();
}

void TvMinMax::ApplyShowOnStatusBar() {
    TCustomForm* form = OwnerForm(this);
    if (!form) return;
    const HWND wnd = form->Handle();
    const DWORD exStyle = static_cast<DWORD>(GetWindowLong(wnd, GWL_EXSTYLE));
    SetWindowLong(
        wnd, GWL_EXSTYLE,
        static_cast<LONG>(showOnStatusBar_ ? exStyle | WS_EX_APPWINDOW : exStyle & ~WS_EX_APPWINDOW));
}

void TvMinMax::SetSize() {
    if (useDefaultSize_) return;
    NormaliseMinMax(sizes_);
    TCustomForm* form = OwnerForm(this);
    if (!form) return;
    int w = form->Width(), h = form->Height();
    if (form->WindowState() == wsMaximized) {
        form->SetLeft(sizes_.MaxLeft);
        form->SetTop(sizes_.MaxTop);
        w = std::min(w, sizes_.MaxWidth);
        h = std::min(h, sizes_.MaxHeight);
    } else {
        w = std::min(w, sizes_.MaxDragWidth);
        h = std::min(h, sizes_.MaxDragHeight);
    }
    w = std::max(w, sizes_.MinDragWidth);
    h = std::max(h, sizes_.MinDragHeight);
    if (w != form->Width()) form->SetWidth(w);
    if (h != form->Height()) form->SetHeight(h);
}

void TvMinMax::Loaded() {
    TComponent::Loaded();
    if (Designing(this)) return;
    // A setting read with the form takes effect once the form is loaded.
    if (showOnStatusBar_) ApplyShowOnStatusBar();
    Hook();
}

void TvMinMax::Hook() {
    TCustomForm* form = OwnerForm(this);
    if (form) hook_.Install(form->Handle(), TWindowProcMethod::Bind<&TvMinMax::WndProc>(this));
}

void TvMinMax::WndProc(TMessage& Message) {
    hook_.CallPrevious(Message);
    if (Message.Msg != WM_GETMINMAXINFO || !Message.LParam) return;
    auto* info = reinterpret_cast<MINMAXINFO*>(Message.LParam);
    if (useDefaultSize_) {
        sizes_.MinDragWidth = info->ptMinTrackSize.x;
        sizes_.MinDragHeight = info->ptMinTrackSize.y;
        sizes_.MaxWidth = info->ptMaxSize.x;
        sizes_.MaxHeight = info->ptMaxSize.y;
        sizes_.MaxDragWidth = info->ptMaxTrackSize.x;
        sizes_.MaxDragHeight = info->ptMaxTrackSize.y;
        sizes_.MaxLeft = info->ptMaxPosition.x;
        sizes_.MaxTop = info->ptMaxPosition.y;
    }
    TvMinMaxSizes s = sizes_;
    if (autoTaskBar_) {
        RECT bar{};
        const HWND tray = FindWindow("Shell_TrayWnd", nullptr);
        if (tray && GetWindowRect(tray, &bar))
            FitToTaskBar(s, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), bar);
    }
    if (OnSizeChange)
        OnSizeChange(this, s.MinDragWidth, s.MinDragHeight, s.MaxWidth, s.MaxHeight, s.MaxDragWidth,
                     s.MaxDragHeight, s.MaxLeft, s.MaxTop);
    info->ptMaxSize = POINT{s.MaxWidth, s.MaxHeight};
    info->ptMaxPosition = POINT{s.MaxLeft, s.MaxTop};
    info->ptMaxTrackSize = POINT{s.MaxDragWidth, s.MaxDragHeight};
    info->ptMinTrackSize = POINT{s.MinDragWidth, s.MinDragHeight};
}

// --- TvCompCanvas ----------------------------------------------------------------------------------

TvCompCanvas::TvCompCanvas(TComponent* AOwner) : TComponent(AOwner), canvas_(new TCanvas) {}

TvCompCanvas::~TvCompCanvas() {
    StopDrawing();
    if (control_) control_->RemoveFreeNotification(this);
    delete canvas_;
}

void TvCompCanvas::SetControlComponent(TWinControl* Value) {
    StopDrawing();
    if (control_) control_->RemoveFreeNotification(this);
    control_ = Value;
    if (control_) control_->FreeNotification(this);
}

void TvCompCanvas::StartPaint() {
    if (drawing_) throw EvCompCanvasException("We are allready drawing");
    if (!control_) throw EvCompCanvasException("No component to draw on");
    dcWnd_ = control_->Handle();
    dc_ = GetDC(dcWnd_);
    canvas_->SetHandle(dc_);
    drawing_ = true;
}

void TvCompCanvas::EndPaint() {
    if (!drawing_) throw EvCompCanvasException("We are not drawing");
    StopDrawing();
}

void TvCompCanvas::StopDrawing() {
    if (!drawing_) return;
    canvas_->SetHandle(nullptr);
    ReleaseDC(dcWnd_, dc_);
    dc_ = nullptr;
    dcWnd_ = 0;
    delete canvas_;
    canvas_ = new TCanvas;
    drawing_ = false;
}

void TvCompCanvas::Notification(TComponent* AComponent, TOperation Operation) {
    TComponent::Notification(AComponent, Operation);
    if (Operation == TOperation::opRemove && AComponent == control_) {
        StopDrawing();
        control_ = nullptr;
    }
}
