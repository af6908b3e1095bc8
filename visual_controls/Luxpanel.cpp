#include "visual_controls/Luxpanel.h"

#include "platform/gdi/System.h"
#include "platform/ui/Filer.h"
#include "platform/ui/Forms.h"
#include "platform/ui/PublishedRows.h"
#include "platform/ui/ScrollBars.h"
#include "platform/ui/WindowQueries.h"
#include "visual_controls/LuxEffect.h"
#include "visual_controls/luxregion.h"

namespace {

bool Loading(const TComponent* c) {
    return c->ComponentState().Contains(TComponentStateItem::csLoading);
}

bool LoadingOrGone(const TComponent* c) {
    return Loading(c) || c->ComponentState().Contains(TComponentStateItem::csDestroying);
}

bool Designing(const TComponent* c) {
    return c->ComponentState().Contains(TComponentStateItem::csDesigning);
}

// The form shape that offers a form parent's background, when the parent is a form with a window.
TLuxFormShape* ParentFormShape(TControl* control) {
    auto* form = dynamic_cast<TCustomForm*>(control->Parent());
    return form && form->HandleAllocated() ? LuxFormShapeOf(control->Owner()) : nullptr;
}

// The parent's side of the back-bitmap protocol, for the parents that take part in it: a control
// of the library, a scroll box, or a form with a form shape.
bool ParentBackCheck(TControl* control, bool transparent) {
    TWinControl* parent = control->Parent();
    if (auto* lux = dynamic_cast<TLuxCustomControl*>(parent))
        return transparent && lux->HandleAllocated() && lux->BackBitmapCheck();
    if (auto* box = dynamic_cast<TLuxCustomScrollBox*>(parent))
        return transparent && box->HandleAllocated() && box->BackBitmapCheck();
    if (TLuxFormShape* shape = ParentFormShape(control)) return transparent && shape->BackBitmapCheck();
    return false;
}

TBitmap* ParentBackBitmap(TControl* control) {
    TWinControl* parent = control->Parent();
    if (auto* lux = dynamic_cast<TLuxCustomControl*>(parent)) return lux->BackBitmap();
    if (auto* box = dynamic_cast<TLuxCustomScrollBox*>(parent)) return box->BackBitmap();
    if (TLuxFormShape* shape = ParentFormShape(control)) return shape->BackBitmap();
    return nullptr;
}

// Where the control's top-left corner lies in the back bitmap.
TPoint ParentBackOrigin(TControl* control) {
    const TPoint p(control->Left(), control->Top());
    TWinControl* parent = control->Parent();
    if (auto* lux = dynamic_cast<TLuxCustomControl*>(parent)) return lux->BackMapPoint(p);
    if (auto* box = dynamic_cast<TLuxCustomScrollBox*>(parent)) return box->BackMapPoint(p);
    return p;
}

TPoint Moved(const TPoint& p, const TPoint& by) {
    return TPoint(p.X + by.X, p.Y + by.Y);
}

TRect Moved(const TRect& r, const TPoint& by) {
    return TRect(r.Left + by.X, r.Top + by.Y, r.Right + by.X, r.Bottom + by.Y);
}

void SendToChildren(TWinControl* control, UINT msg) {
    for (int i = 0; i < control->ControlCount(); ++i) control->Controls(i)->Perform(msg, 0, 0);
}

} // namespace

// --- TLuxCustomPanel ------------------------------------------------------------------------------

TLuxCustomPanel::TLuxCustomPanel(TComponent* AOwner) : TLuxCustomControl(AOwner) {
    ControlStyle = TControlStyle{csAcceptsControls, csCaptureMouse, csClickEvents,
                                 csOpaque,          csDoubleClicks, csReplicatable};
    SetColor(clBtnFace);
}

void TLuxCustomPanel::Dispatch(TMessage& Message) {
    TLuxCustomControl::Dispatch(Message);
    if (Message.Msg == WM_SIZE) BackFX()->DestroyBuffer();
}

bool TLuxCustomPanel::BackBitmapCheck() {
    return ParentBackCheck(this, Transparent());
}

TBitmap* TLuxCustomPanel::BackBitmap() {
    if (!BackBitmapCheck()) return nullptr;
    TBitmap* bitmap = ParentBackBitmap(this);
    if (bitmap && BackFX()->Enabled()) bitmap->SetPixelFormat(pf24bit);
    return bitmap;
}

namespace {

// Half the frame the window keeps around its client area, as the back bitmap is mapped.
TPoint BorderHalf(const TControl* c) {
    return TPoint((c->Width() - c->ClientWidth()) / 2, (c->Height() - c->ClientHeight()) / 2);
}

} // namespace

TPoint TLuxCustomPanel::BackMapPoint(const TPoint& P) {
    if (!BackBitmapCheck()) return P;
    return Moved(Moved(ParentBackOrigin(this), P), BorderHalf(this));
}

bool TLuxCustomPanel::BackDrawArea(TCanvas* Canvas, const TRect& Rect, const TPoint& Offset, WORD) {
    if (LoadingOrGone(this)) return false;
    TBitmap* back = BackBitmap();
    if (!back) return false;
    const TPoint origin = Moved(ParentBackOrigin(this), BorderHalf(this));
    const TRect s(origin.X, origin.Y, origin.X + ClientWidth(), origin.Y + ClientHeight());
    TLuxBitmapEffectObject* fx = BackFX();
    if (!fx->Enabled()) {
        Canvas->CopyRect(Rect, back->Canvas(), Moved(Rect, TPoint(s.Left + Offset.X, s.Top + Offset.Y)));
        return true;
    }
    // The effects work on the part under the control alone, so the source is taken relative to it.
    const TRect source = Moved(Rect, Offset);
    if (fx->Buffered() && fx->BufferValid()) {
        Canvas->CopyRect(Rect, fx->Buffer()->Canvas(), source);
        return true;
    }
    TBitmap work;
    work.SetPixelFormat(pf24bit);
    work.SetSize(s.Width() + 2, s.Height() + 2);
    fx->DrawCutRect2(back, s, &work, TRect(0, 0, s.Width(), s.Height()));
    Canvas->CopyRect(Rect, work.Canvas(), source);
    return true;
}

// --- TLuxCustomBevelPanel -------------------------------------------------------------------------

TLuxCustomBevelPanel::TLuxCustomBevelPanel(TComponent* AOwner)
    : TLuxCustomPanel(AOwner), bevel_(new TLuxBevel) {
    bevel_->SetWindowsStyleSupport(true);
    bevel_->OnChange = TNotifyEvent::Bind<&TLuxCustomBevelPanel::GetChange>(this);
}

TLuxCustomBevelPanel::~TLuxCustomBevelPanel() {
    bevel_->OnChange = nullptr;
    delete bevel_;
}

void TLuxCustomBevelPanel::SetBevel(const TLuxBevel* Value) {
    bevel_->Assign(Value);
    Perform(CM_LuxBEVELCHANGED, 0, 0);
}

void TLuxCustomBevelPanel::GetChange(TObject* Sender) {
    if (Loading(this)) return;
    if (Sender == bevel_) {
        bevel_->SetWindowsStyleSupport(true);
        // The client edge is a window style.
        if (bevel_->GetRecreateWnd()) RecreateWnd();
        Realign();
    }
    TLuxCustomPanel::GetChange(nullptr);
}

bool TLuxCustomBevelPanel::GetEmpty() {
    return bevel_->Extent() == 0 && bevel_->Mode() != bmWindows;
}

void TLuxCustomBevelPanel::CreateParams(TCreateParams& Params) {
    TLuxCustomPanel::CreateParams(Params);
    if (bevel_->Mode() != bmWindows) return;
    if (NewStyleControls && Ctl3D)
        Params.ExStyle |= WS_EX_CLIENTEDGE;
    else
        Params.Style |= WS_BORDER;
}

void TLuxCustomBevelPanel::AlignControls(TControl* AControl, TRect& Rect) {
    Rect = bevel_->ClientRect(Rect);
    TLuxCustomPanel::AlignControls(AControl, Rect);
}

void TLuxCustomBevelPanel::DoEnter() {
    if (!Focused() && Flat()) RestoreBorderFront();
    TLuxCustomPanel::DoEnter();
}

void TLuxCustomBevelPanel::MouseEnter() {
    if (!Focused() && Flat() && !Active()) RestoreBorderFront();
    TLuxCustomPanel::MouseEnter();
}

void TLuxCustomBevelPanel::RestoreBorderFront() {
    if (bevel_->Mode() == bmWindows) {
        TLuxCustomPanel::RestoreBorderFront();
        return;
    }
    if (HandleAllocated()) bevel_->PaintBevel(Canvas(), ClientRect(), true);
}

void TLuxCustomBevelPanel::RestoreBorderBack() {
    if (Focused() || !Flat() || MouseAbove()) return;
    if (bevel_->Mode() == bmWindows) {
        TLuxCustomPanel::RestoreBorderBack();
        return;
    }
    if (!HandleAllocated()) return;
    const int e = bevel_->Extent();
    const int f = bevel_->FarExtent();
    const int w = Width(), h = Height();
    RepBack(TRect(0, 0, w, e));
    RepBack(TRect(0, e, e, h));
    // The bottom band starts one row higher than the right one, as forms made with it show.
    RepBack(TRect(e, h - f - 1, w, h));
    RepBack(TRect(w - f, e, w, h - f));
}

void TLuxCustomBevelPanel::Paint() {
    FillControl();
    if (Designing(this) && GetEmpty()) {
        DrawDashedFrame();
    } else if (Focused() || MouseAbove() || !Flat() || Designing(this)) {
        // A flat panel stays lit while the mouse is over it, through a repaint too.
        bevel_->PaintBevel(Canvas(), ClientRect(), Transparent());
    } else {
        RestoreBorderBack();
    }
}

void TLuxCustomBevelPanel::Dispatch(TMessage& Message) {
    if (Message.Msg == CM_CTL3DCHANGED && NewStyleControls && bevel_->Mode() == bmWindows) RecreateWnd();
    TLuxCustomPanel::Dispatch(Message);
}

// --- TLuxScrollBoxBevel ---------------------------------------------------------------------------

TLuxScrollBoxBevel::TLuxScrollBoxBevel() {
    SetWindowsStyleSupport(true);
    SetMode(bmWindows);
}

// --- TLuxCustomScrollBox --------------------------------------------------------------------------

TLuxCustomScrollBox::TLuxCustomScrollBox(TComponent* AOwner)
    : TScrollBox(AOwner), bevel_(new TLuxScrollBoxBevel), canvas_(new TCanvas), ncCanvas_(new TCanvas) {
    bevel_->OnChange = TNotifyEvent::Bind<&TLuxCustomScrollBox::GetChange>(this);
    ControlStyle =
        TControlStyle{csAcceptsControls, csCaptureMouse, csClickEvents, csDoubleClicks, csReplicatable};
    SetBorderStyle(bsNone);
    SetCtl3D(true);
    SetBounds(Left(), Top(), 185, 41);
    RecreateWnd();
}

TLuxCustomScrollBox::~TLuxCustomScrollBox() {
    bevel_->OnChange = nullptr;
    delete bevel_;
    delete ncCanvas_;
    delete canvas_;
}

void TLuxCustomScrollBox::SetBevel(const TLuxBevel* Value) {
    bevel_->Assign(Value);
    Perform(CM_LuxBEVELCHANGED, 0, 0);
}

void TLuxCustomScrollBox::SetDelta(std::uint8_t Value) {
    if (Value == 0 || Value == delta_) return;
    delta_ = Value;
    scrollCounter_ = 0;
}

void TLuxCustomScrollBox::SetTransparent(bool Value) {
    if (Value == transparent_) return;
    transparent_ = Value;
    if (Value)
        ControlStyle.Exclude(csOpaque);
    else
        ControlStyle.Include(csOpaque);
    RecreateWnd();
    Invalidate();
}

bool TLuxCustomScrollBox::VertScrollBarVisible() const {
    return HandleAllocated() && (WindowParams().Style & WS_VSCROLL) != 0;
}

bool TLuxCustomScrollBox::HorzScrollBarVisible() const {
    return HandleAllocated() && (WindowParams().Style & WS_HSCROLL) != 0;
}

void TLuxCustomScrollBox::GetChange(TObject* Sender) {
    if (Sender == bevel_) {
        // The frame's width is the window's business (WM_NCCALCSIZE).
        RecreateWnd();
        bevel_->SetWindowsStyleSupport(true);
        return;
    }
    if (HandleAllocated()) Perform(WM_NCPAINT, 1, 0);
    Invalidate();
}

void TLuxCustomScrollBox::CreateParams(TCreateParams& Params) {
    TScrollBox::CreateParams(Params);
    Params.WindowClass.style &= ~(CS_HREDRAW | CS_VREDRAW);
    Params.Style |= WS_CLIPCHILDREN;
    if (bevel_->Mode() != bmWindows) return;
    if (NewStyleControls && Ctl3D)
        Params.ExStyle |= WS_EX_CLIENTEDGE;
    else
        Params.Style |= WS_BORDER;
}

bool TLuxCustomScrollBox::BackBitmapCheck() {
    return ParentBackCheck(this, transparent_);
}

TBitmap* TLuxCustomScrollBox::BackBitmap() {
    return BackBitmapCheck() ? ParentBackBitmap(this) : nullptr;
}

TPoint TLuxCustomScrollBox::BorderOffset() const {
    // The frame less the scroll bars, halved, is the border; the bevel lies inside it. (Counting the
    // bevel into the halved frame as well would move the background by the bevel's width.)
    const int bars = bevel_->Extent() + bevel_->FarExtent();
    const int vs = VertScrollBarVisible() ? GetSystemMetrics(SM_CXVSCROLL) : 0;
    const int hs = HorzScrollBarVisible() ? GetSystemMetrics(SM_CYHSCROLL) : 0;
    return TPoint((Width() - ClientWidth() - vs - bars) / 2 + bevel_->Extent(),
                  (Height() - ClientHeight() - hs - bars) / 2 + bevel_->Extent());
}

TPoint TLuxCustomScrollBox::BackMapPoint(const TPoint& P) {
    if (!BackBitmapCheck()) return P;
    return Moved(Moved(ParentBackOrigin(this), P), BorderOffset());
}

bool TLuxCustomScrollBox::BackDrawArea(TCanvas* Canvas, const TRect& Rect, const TPoint& Offset, WORD) {
    if (LoadingOrGone(this)) return false;
    TBitmap* back = BackBitmap();
    if (!back) return false;
    const TPoint s = Moved(ParentBackOrigin(this), BorderOffset());
    Canvas->CopyRect(Rect, back->Canvas(), Moved(Rect, TPoint(s.X + Offset.X, s.Y + Offset.Y)));
    return true;
}

void TLuxCustomScrollBox::PaintWindow(HDC DC) {
    if (Loading(this) || !DC) return;
    PaintOnCanvas(*canvas_, DC, [this] { Paint(); });
}

void TLuxCustomScrollBox::Paint() {
    BackDrawArea(canvas_, ClientRect(), TPoint(0, 0), 0);
    if (OnPaint) OnPaint(this);
}

void TLuxCustomScrollBox::PaintBevel() {
    if (Loading(this)) return;
    TRect inner = bevel_->PaintBevel(ncCanvas_, TRect(0, 0, Width(), Height()), false);
    if (!ScrollBarsVisible()) return;
    if (bevel_->Mode() == bmWindows) {
        const int border = Ctl3D ? 2 : 1;
        inner.Right -= border;
        inner.Bottom -= border;
    }
    const TRect corner(inner.Right - GetSystemMetrics(SM_CXVSCROLL),
                       inner.Bottom - GetSystemMetrics(SM_CYHSCROLL), inner.Right, inner.Bottom);
    // The corner is in window coordinates; the back bitmap is mapped from the client's.
    const TPoint client = BorderOffset();
    if (CheckOptimized() && BackDrawArea(ncCanvas_, corner, TPoint(-client.X, -client.Y), 0)) return;
    ncCanvas_->Brush()->SetStyle(bsSolid);
    ncCanvas_->Brush()->SetColor(Color());
    ncCanvas_->FillRect(corner);
}

void TLuxCustomScrollBox::ScrollNotify() {
    scrollCounter_ = 0;
    ::InvalidateRect(Handle(), nullptr, FALSE);
    SendToChildren(this, CM_LuxSCROLLBOXSCROLLEVENT);
}

void TLuxCustomScrollBox::BroadcastBackChanged() {
    SendToChildren(this, CM_LuxBACKCHANGED);
}

void TLuxCustomScrollBox::Dispatch(TMessage& Message) {
    switch (Message.Msg) {
    case WM_NCCALCSIZE: {
        TScrollBox::Dispatch(Message);
        auto* r = reinterpret_cast<RECT*>(Message.LParam);
        r->left += bevel_->Extent();
        r->top += bevel_->Extent();
        r->right -= bevel_->FarExtent();
        r->bottom -= bevel_->FarExtent();
        return;
    }
    case WM_NCPAINT: {
        if (Loading(this) || !Visible()) return;
        TScrollBox::Dispatch(Message);
        HDC dc = GetWindowDC(Handle());
        struct TRelease {
            HWND Wnd;
            HDC DC;
            ~TRelease() { ReleaseDC(Wnd, DC); }
        } release{Handle(), dc};
        PaintOnCanvas(*ncCanvas_, dc, [this] { PaintBevel(); });
        return;
    }
    case WM_SIZE:
        TScrollBox::Dispatch(Message);
        GetChange(nullptr);
        return;
    case WM_MOVE:
        TScrollBox::Dispatch(Message);
        if (CheckOptimized()) {
            Repaint();
            BroadcastBackChanged();
        }
        return;
    case WM_ERASEBKGND:
        if (CheckOptimized()) {
            Message.Result = 1;
            // Children paint over most of the box: only a box with at most one child paints now.
            if (ControlCount() < 2) PaintWindow(reinterpret_cast<HDC>(Message.WParam));
            return;
        }
        TScrollBox::Dispatch(Message);
        return;
    case CM_COLORCHANGED:
    case CM_PARENTCOLORCHANGED:
        TScrollBox::Dispatch(Message);
        if (!transparent_ && !Loading(this)) {
            Invalidate();
            if (ScrollBarsVisible()) Perform(WM_NCPAINT, 1, 0);
        }
        return;
    case CM_CTL3DCHANGED:
        if (bevel_->Mode() == bmWindows && NewStyleControls) RecreateWnd();
        TScrollBox::Dispatch(Message);
        return;
    case CM_LuxBACKCHANGED:
        Invalidate();
        if (CheckOptimized()) BroadcastBackChanged();
        return;
    case WM_NCHITTEST:
        // In the designer the whole box, size box and all, takes the mouse.
        TScrollBox::Dispatch(Message);
        if (Designing(this) && (Message.Result == HTNOWHERE || Message.Result == HTGROWBOX))
            Message.Result = HTCLIENT;
        return;
    case CM_DESIGNHITTEST:
        Message.Result = 0;
        return;
    case WM_HSCROLL:
    case WM_VSCROLL:
        TScrollBox::Dispatch(Message);
        if (!CheckOptimized()) return;
        if (scrollCounting_) {
            if (++scrollCounter_ >= delta_) ScrollNotify();
        } else if ((Message.WParam & 0xFFFF) == SB_ENDSCROLL) {
            ScrollNotify();
        }
        return;
    default:
        TScrollBox::Dispatch(Message);
        return;
    }
}

// --- Published properties -------------------------------------------------------------------------

namespace {

const bool kPublished = [] {
    using published::Property;
    using B = TLuxScrollBoxBevel;
    PublishProperties<TLuxScrollBoxBevel, TLuxBevel>({Property<B>(
        "Mode", [](const B& b) { return b.Mode(); }, [](B& b, TLuxBevelMode v) { b.SetMode(v); },
        bmWindows)});

    using S = TLuxCustomScrollBox;
    TPropInfo ctl3D = published::Standard<S>("Ctl3D");
    ctl3D.Default = true;
    TPropInfo parentCtl3D = published::Standard<S>("ParentCtl3D");
    parentCtl3D.Default = false;
    PublishProperties<TLuxCustomScrollBox, TComponent>({
        LuxAboutProperty<S>(),
        // The frame is the bevel's: the box has no border of its own.
        Property<S>(
            "BorderStyle", [](const S& s) { return s.BorderStyle(); }, nullptr),
        ctl3D,
        parentCtl3D,
    });

    // The panels publish nothing of their own.
    RegisterClass<TLuxCustomPanel>();
    RegisterClass<TLuxCustomBevelPanel>();
    RegisterClass<TLuxCustomStatusBar>();
    RegisterClass<TLuxCustomScrollBox>();
    return true;
}();

} // namespace
