#include "platform/ui/ScrollBox.h"

#include "platform/ui/ScrollBars.h"

#include <algorithm>

// --- TControlScrollBar ----------------------------------------------------------------------------

TControlScrollBar::TControlScrollBar(TScrollingWinControl* Control, TScrollBarKind Kind)
    : control_(Control), kind_(Kind) {}

int TControlScrollBar::ControlSize() const {
    return kind_ == sbHorizontal ? control_->ClientWidth() : control_->ClientHeight();
}

bool TControlScrollBar::IsScrollBarVisible() const {
    // A bar takes room across itself only, so its own showing does not change the answer.
    return visible_ && range_ > ControlSize();
}

void TControlScrollBar::SetRange(int Value) {
    control_->autoScroll_ = false;
    range_ = std::max(Value, 0);
    control_->UpdateScrollBars();
}

void TControlScrollBar::SetCalcRange(int Value) {
    calcRange_ = range_ = std::max(Value, 0);
}

void TControlScrollBar::SetVisible(bool Value) {
    visible_ = Value;
    control_->UpdateScrollBars();
}

void TControlScrollBar::SetPosition(int Value) {
    const int limit = IsScrollBarVisible() ? std::max(range_ - ControlSize(), 0) : 0;
    Value = std::clamp(Value, 0, limit);
    if (Value == position_) return;
    const int delta = position_ - Value;
    position_ = Value;
    if (kind_ == sbHorizontal)
        control_->ScrollBy(delta, 0);
    else
        control_->ScrollBy(0, delta);
    if (control_->HandleAllocated())
        SetScrollPos(control_->Handle(), kind_ == sbHorizontal ? SB_HORZ : SB_VERT, Value, TRUE);
}

void TControlScrollBar::Update() {
    if (!control_->HandleAllocated()) return;
    const HWND wnd = control_->Handle();
    const int bar = kind_ == sbHorizontal ? SB_HORZ : SB_VERT;
    const bool show = IsScrollBarVisible();
    ShowScrollBar(wnd, bar, show);
    if (!control_->HandleAllocated()) return;
    if (show) {
        SCROLLINFO si;
        si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
        si.nMin = 0;
        si.nMax = range_ - 1;
        si.nPage = static_cast<UINT>(std::max(ControlSize(), 0));
        si.nPos = position_;
        SetScrollInfo(control_->Handle(), bar, &si, TRUE);
    }
    // The contents come back into view when the range shrank or the bar went.
    SetPosition(position_);
}

void TControlScrollBar::ScrollMessage(const TMessage& Message) {
    const WORD code = static_cast<WORD>(Message.WParam & 0xFFFF);
    const int pos = static_cast<std::int16_t>(static_cast<WORD>((Message.WParam >> 16) & 0xFFFF));
    switch (code) {
    case SB_LINEUP:
        SetPosition(position_ - increment_);
        break;
    case SB_LINEDOWN:
        SetPosition(position_ + increment_);
        break;
    case SB_PAGEUP:
        SetPosition(position_ - ControlSize());
        break;
    case SB_PAGEDOWN:
        SetPosition(position_ + ControlSize());
        break;
    case SB_THUMBPOSITION:
        SetPosition(pos);
        break;
    case SB_THUMBTRACK:
        if (Tracking) SetPosition(pos);
        break;
    case SB_TOP:
        SetPosition(0);
        break;
    case SB_BOTTOM:
        SetPosition(range_);
        break;
    default:
        break;
    }
}

void TControlScrollBar::Assign(const TPersistent* Source) {
    if (const auto* other = dynamic_cast<const TControlScrollBar*>(Source)) {
        increment_ = other->increment_;
        Tracking = other->Tracking;
        visible_ = other->visible_;
        range_ = other->range_;
        SetPosition(other->position_);
        control_->UpdateScrollBars();
        return;
    }
    TPersistent::Assign(Source);
}

// --- TScrollingWinControl -------------------------------------------------------------------------

TScrollingWinControl::TScrollingWinControl(TComponent* AOwner)
    : TWinControl(AOwner), horz_(new TControlScrollBar(this, sbHorizontal)),
      vert_(new TControlScrollBar(this, sbVertical)) {}

TScrollingWinControl::~TScrollingWinControl() {
    // The children go in TWinControl's destructor, which calls nothing of this class.
    ++updatingScrollBars_;
    delete horz_;
    delete vert_;
}

void TScrollingWinControl::SetAutoScroll(bool Value) {
    if (Value == autoScroll_) return;
    autoScroll_ = Value;
    if (!Value) {
        horz_->range_ = 0;
        vert_->range_ = 0;
    }
    UpdateScrollBars();
}

void TScrollingWinControl::CreateParams(TCreateParams& Params) {
    TWinControl::CreateParams(Params);
}

void TScrollingWinControl::CreateHandle() {
    TWinControl::CreateHandle();
    UpdateScrollBars();
}

void TScrollingWinControl::ScrollBy(int DeltaX, int DeltaY) {
    if (DeltaX == 0 && DeltaY == 0) return;
    // The range stays what it is while the children move together.
    ++updatingScrollBars_;
    DisableAlign();
    for (int i = 0; i < ControlCount(); ++i) {
        TControl* c = Controls(i);
        c->SetBounds(c->Left() + DeltaX, c->Top() + DeltaY, c->Width(), c->Height());
    }
    EnableAlign();
    --updatingScrollBars_;
    Invalidate();
}

void TScrollingWinControl::AlignControls(TControl* AControl, TRect& Rect) {
    // Aligned children keep their place in the scrolled contents.
    Rect.Left -= horz_->position_;
    Rect.Right -= horz_->position_;
    Rect.Top -= vert_->position_;
    Rect.Bottom -= vert_->position_;
    TWinControl::AlignControls(AControl, Rect);
    UpdateScrollBars();
}

void TScrollingWinControl::AlignControl(TControl* AControl) {
    TWinControl::AlignControl(AControl);
    // The range follows every child, aligned or not.
    UpdateScrollBars();
}

void TScrollingWinControl::CalcAutoRange() {
    int right = 0, bottom = 0;
    for (int i = 0; i < ControlCount(); ++i) {
        TControl* c = Controls(i);
        if (!c->Visible()) continue;
        if (c->Align() == alNone || c->Align() == alLeft)
            right = std::max(right, c->Left() + c->Width() + horz_->position_);
        if (c->Align() == alNone || c->Align() == alTop)
            bottom = std::max(bottom, c->Top() + c->Height() + vert_->position_);
    }
    horz_->SetCalcRange(right);
    vert_->SetCalcRange(bottom);
}

void TScrollingWinControl::UpdateScrollBars() {
    if (updatingScrollBars_ > 0 || !HandleAllocated()) return;
    ++updatingScrollBars_;
    if (autoScroll_) CalcAutoRange();
    // Twice: the second bar may take the room that decides about the first.
    horz_->Update();
    vert_->Update();
    horz_->Update();
    --updatingScrollBars_;
}

void TScrollingWinControl::Dispatch(TMessage& Message) {
    switch (Message.Msg) {
    case WM_HSCROLL:
        if (Message.LParam == 0) horz_->ScrollMessage(Message);
        return;
    case WM_VSCROLL:
        if (Message.LParam == 0) vert_->ScrollMessage(Message);
        return;
    case WM_SIZE:
        TWinControl::Dispatch(Message);
        UpdateScrollBars();
        return;
    default:
        TWinControl::Dispatch(Message);
        return;
    }
}

// --- TScrollBox -----------------------------------------------------------------------------------

TScrollBox::TScrollBox(TComponent* AOwner) : TScrollingWinControl(AOwner) {
    ControlStyle =
        TControlStyle{csAcceptsControls, csCaptureMouse, csClickEvents, csSetCaption, csDoubleClicks};
    SetBounds(Left(), Top(), 185, 41);
}

void TScrollBox::SetBorderStyle(TBorderStyle Value) {
    if (Value == borderStyle_) return;
    borderStyle_ = Value;
    RecreateWnd();
}

void TScrollBox::CreateParams(TCreateParams& Params) {
    TScrollingWinControl::CreateParams(Params);
    if (borderStyle_ != bsSingle) return;
    if (Ctl3D)
        Params.ExStyle |= WS_EX_CLIENTEDGE;
    else
        Params.Style |= WS_BORDER;
}
