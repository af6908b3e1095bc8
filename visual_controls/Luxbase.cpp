#include "visual_controls/Luxbase.h"

#include "platform/gdi/Draw.h"
#include "platform/gdi/Region.h"
#include "platform/gdi/System.h"
#include "platform/ui/Filer.h"
#include "platform/ui/Forms.h"
#include "platform/ui/TypInfo.h"
#include "platform/win/Messages.h"
#include "visual_controls/LuxEffect.h"
#include "visual_controls/Luxcont.h"
#include "visual_controls/luxregion.h"

void TLuxObject::Change() {
    if (!update_ && OnChange) OnChange(this);
}

void TLuxObject::GetChange(TObject*) {
    Change();
}

std::string TLuxObject::GetSetStr() {
    return {};
}

void TLuxObject::EndUpdate(bool Notify) {
    update_ = false;
    if (Notify) Change();
}

void TLuxCustomComponent::Change() {
    if (!update_ && OnChange) OnChange(this);
}

void TLuxCustomComponent::GetChange(TObject*) {
    Change();
}

void TLuxCustomComponent::EndUpdate(bool Notify) {
    update_ = false;
    if (Notify) Change();
}

namespace {

// The about text is published by the subclasses that show it (list items do not), so the base
// only links them to the component's table.
const bool kPublished = [] {
    PublishProperties<TLuxCustomComponent, TComponent>({});
    return true;
}();

} // namespace

// --- Controls --------------------------------------------------------------------------------------

namespace {

bool Loading(const TComponent* c) {
    return c->ComponentState().Contains(TComponentStateItem::csLoading);
}

bool Designing(const TComponent* c) {
    return c->ComponentState().Contains(TComponentStateItem::csDesigning);
}

void DashedFrame(TCanvas* canvas, int width, int height) {
    canvas->Pen()->SetColor(clBlack);
    canvas->Pen()->SetStyle(psDash);
    canvas->Brush()->SetStyle(bsClear);
    canvas->Rectangle(0, 0, width, height);
}

} // namespace

void TLuxControl::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
    const int oldLeft = Left(), oldTop = Top(), oldWidth = Width(), oldHeight = Height();
    TGraphicControl::SetBounds(ALeft, ATop, AWidth, AHeight);
    TLuxBoundsChangeStates states;
    if (Left() != oldLeft || Top() != oldTop) states.Include(bcPos);
    if (Width() != oldWidth || Height() != oldHeight) states.Include(bcSize);
    if (!states.Empty() && !Loading(this)) BoundsChange(states);
}

void TLuxControl::Dispatch(TMessage& Message) {
    TGraphicControl::Dispatch(Message);
    if (Message.Msg == CM_MOUSEENTER)
        MouseEnter();
    else if (Message.Msg == CM_MOUSELEAVE)
        MouseExit();
}

void TLuxControl::BoundsChange(TLuxBoundsChangeStates States) {
    if (OnBoundsChange) OnBoundsChange(this, States);
}

void TLuxControl::MouseEnter() {
    if (Enabled() && OnMouseEnter) OnMouseEnter(this);
}

void TLuxControl::MouseExit() {
    if (Enabled() && OnMouseExit) OnMouseExit(this);
}

void TLuxControl::GetChange(TObject*) {
    if (!Loading(this)) Invalidate();
}

void TLuxControl::FillControl() {
    Canvas()->Brush()->SetStyle(bsSolid);
    Canvas()->Brush()->SetColor(Color());
    Canvas()->Pen()->SetStyle(psClear);
    Canvas()->FillRect(ClientRect());
}

void TLuxControl::DrawDashedFrame() {
    Canvas()->Pen()->SetWidth(1);
    Canvas()->Pen()->SetMode(pmCopy);
    DashedFrame(Canvas(), Width(), Height());
}

// --- The glyph source ------------------------------------------------------------------------------

template <class Base> TLuxImageListUser<Base>::TLuxImageListUser(TComponent* AOwner) : Base(AOwner) {
    changeLink_ = new TLuxChangeLink;
    changeLink_->OnChange = TNotifyEvent::Bind<&TLuxImageListUser::LinkChanged>(this);
}

template <class Base> TLuxImageListUser<Base>::~TLuxImageListUser() {
    changeLink_->OnChange = nullptr;
    delete changeLink_; // leaves the list it is registered with
}

template <class Base> void TLuxImageListUser<Base>::SetImageList(TLuxCustomImageList* Value) {
    // Through the link: a list being freed has already let its links go.
    if (changeLink_->Sender) changeLink_->Sender->UnRegisterChanges(changeLink_);
    if (imageList_ && imageList_ != Value) this->RemoveFreeNotification(imageList_);
    imageList_ = Value;
    if (Value) {
        Value->RegisterChanges(changeLink_);
        Value->FreeNotification(this);
    }
    GetIMLChange(nullptr);
}

template <class Base> void TLuxImageListUser<Base>::SetIndex(int Index, int Value) {
    int& index = Index == 0 ? imageIndex_ : listIndex_;
    if (Value < 0 || Value == index) return;
    index = Value;
    if (imageList_) GetIMLChange(nullptr);
}

template <class Base> bool TLuxImageListUser<Base>::IMLEmpty() const {
    return !imageList_ || !imageList_->IsValidItem(listIndex_, imageIndex_);
}

template <class Base> bool TLuxImageListUser<Base>::HasControl() const {
    return imageList_ && (!LuxContainer || imageList_->Owner() != LuxContainer);
}

template <class Base> bool TLuxImageListUser<Base>::CheckCont() const {
    return LuxIsGlobalIdent(imageList_);
}

template <class Base> void TLuxImageListUser<Base>::ReadIdent(TReader* Reader) {
    SetImageList(LuxReadGlobalIdent(Reader->ReadString()));
}

template <class Base> void TLuxImageListUser<Base>::WriteIdent(TWriter* Writer) {
    Writer->WriteString(LuxWriteGlobalIdent(imageList_));
}

template <class Base> void TLuxImageListUser<Base>::DefineProperties(TFiler* Filer) {
    Base::DefineProperties(Filer);
    Filer->DefineProperty(
        IDS_INTERNAL, [this](TReader* r) { ReadIdent(r); }, [this](TWriter* w) { WriteIdent(w); },
        CheckCont());
}

template <class Base> void TLuxImageListUser<Base>::Loaded() {
    Base::Loaded();
    if (LuxIsCollectionImageList(imageList_)) GetIMLChange(nullptr);
}

template <class Base>
void TLuxImageListUser<Base>::Notification(TComponent* AComponent, TOperation Operation) {
    Base::Notification(AComponent, Operation);
    // By address: the list is past its own destructors when it tells us.
    if (Operation == TOperation::opRemove && imageList_ && AComponent == static_cast<TComponent*>(imageList_))
        SetImageList(nullptr);
}

template class TLuxImageListUser<TLuxControl>;
template class TLuxImageListUser<TCustomControl>;

namespace {

TLuxBitmapEffectObject* NewBackFX(TNotifyEvent onChange) {
    auto* fx = new TLuxBitmapEffectObject;
    fx->OnChange = onChange;
    return fx;
}

void FreeBackFX(TLuxBitmapEffectObject* fx) {
    fx->OnChange = nullptr;
    delete fx;
}

// A removed image list that the background's alpha blend draws from is let go.
void BackFXListRemoved(TComponent* control, TLuxBitmapEffectObject* fx, TComponent* removed,
                       TOperation operation) {
    if (operation != TOperation::opRemove ||
        control->ComponentState().Contains(TComponentStateItem::csDestroying))
        return;
    TLuxAlphaObject* alpha = fx->AlphaBlend();
    if (alpha->ImageList() && static_cast<TComponent*>(alpha->ImageList()) == removed)
        alpha->SetImageList(nullptr);
}

} // namespace

TLuxBaseControl::TLuxBaseControl(TComponent* AOwner)
    : TLuxImageListUser(AOwner), backFX_(NewBackFX(TNotifyEvent::Bind<&TLuxBaseControl::GetChange>(this))) {}

TLuxBaseControl::~TLuxBaseControl() {
    FreeBackFX(backFX_);
}

void TLuxBaseControl::SetBackFX(const TLuxBitmapEffectObject* Value) {
    backFX_->Assign(Value);
}

void TLuxBaseControl::Notification(TComponent* AComponent, TOperation Operation) {
    TLuxImageListUser::Notification(AComponent, Operation);
    BackFXListRemoved(this, backFX_, AComponent, Operation);
}

void TLuxBaseControl::Dispatch(TMessage& Message) {
    if (Message.Msg == CM_LuxBACKCHANGED) {
        if (!Loading(this) && CheckOptimized()) GetChange(nullptr);
        backFX_->DestroyBuffer();
        return;
    }
    TLuxControl::Dispatch(Message);
}

TPoint TLuxBaseControl::BackMapPoint(int X, int Y) const {
    TPoint p(X, Y);
    TWinControl* parent = Parent();
    if (!parent) return p;
    if (!dynamic_cast<TCustomForm*>(parent)) {
        p.X += parent->Left();
        p.Y += parent->Top();
    }
    if (parent->Width() != parent->ClientWidth()) p.X += (parent->Width() - parent->ClientWidth()) / 2;
    if (parent->Height() != parent->ClientHeight()) p.Y += (parent->Height() - parent->ClientHeight()) / 2;
    return p;
}

TRect TLuxBaseControl::GetScreenRect(const TRect& R) const {
    const TPoint a = ClientToScreen(TPoint(R.Left, R.Top));
    const TPoint b = ClientToScreen(TPoint(R.Right, R.Bottom));
    return TRect(a.X, a.Y, b.X, b.Y);
}

TLuxBaseGraphicControl::TLuxBaseGraphicControl(TComponent* AOwner) : TLuxBaseControl(AOwner) {
    ControlStyle.Exclude(csOpaque);
    ControlStyle.Include(csReplicatable);
    SetBounds(Left(), Top(), 30, 30);
}

void TLuxBaseGraphicControl::Dispatch(TMessage& Message) {
    if (Message.Msg == CM_TRANSPARENTCHANGED) {
        InvalidateControl();
        return;
    }
    TLuxBaseControl::Dispatch(Message);
}

void TLuxBaseGraphicControl::SetTransparent(bool Value) {
    if (Value == transparent_) return;
    if (Value)
        ControlStyle.Exclude(csOpaque);
    else
        ControlStyle.Include(csOpaque);
    transparent_ = Value;
    Perform(CM_TRANSPARENTCHANGED, 0, 0);
}

void TLuxBaseGraphicControl::DisableTransMode() {
    transparent_ = false;
    ControlStyle.Include(csOpaque);
}

void TLuxBaseGraphicControl::InvalidateControl() {
    if (transparent_ || Designing(this)) {
        Invalidate();
        return;
    }
    // Opaque: nothing of the parent shows, so the control paints over itself at once.
    if (!Parent() || !Parent()->HandleAllocated() || !IsVisibleOnScreen()) return;
    Paint();
    static_cast<TControlCanvas*>(Canvas())->FreeHandle();
}

void TLuxBaseGraphicControl::GetChange(TObject*) {
    InvalidateControl();
}

void TLuxBaseGraphicControl::Paint() {
    if (Designing(this)) DrawDashedFrame();
}

bool TLuxBaseGraphicControl::CheckOptimized() {
    bool result = false;
    auto* parent = dynamic_cast<TLuxCustomControl*>(Parent());
    if (transparent_ && parent && parent->HandleAllocated()) result = parent->BackBitmapCheck();
    // A transparent control straight on a form takes its background from the form's shape, where
    // the form has one.
    auto* form = dynamic_cast<TCustomForm*>(Parent());
    TLuxFormShape* shape = LuxFormShapeOf(Owner());
    if (!transparent_ || !form || !shape) return result;
    return form->HandleAllocated() && shape->BackBitmapCheck();
}

// --- TLuxCustomControl ----------------------------------------------------------------------------

TLuxCustomControl::TLuxCustomControl(TComponent* AOwner) : TLuxImageListUser(AOwner) {
    SetBounds(Left(), Top(), 100, 40);
    SetTabStop(false);
    backFX_ = NewBackFX(TNotifyEvent::Bind<&TLuxCustomControl::GetChange>(this));
}

TLuxCustomControl::~TLuxCustomControl() {
    FreeBackFX(backFX_);
}

void TLuxCustomControl::SetBackFXObject(const TLuxBitmapEffectObject* Value) {
    backFX_->Assign(Value);
}

void TLuxCustomControl::Notification(TComponent* AComponent, TOperation Operation) {
    TLuxImageListUser::Notification(AComponent, Operation);
    BackFXListRemoved(this, backFX_, AComponent, Operation);
}

void TLuxCustomControl::SetTransparent(bool Value) {
    if (Value == transparent_) return;
    transparent_ = Value;
    if (Value)
        ControlStyle.Exclude(csOpaque);
    else
        ControlStyle.Include(csOpaque);
    RecreateWnd();
}

void TLuxCustomControl::SetTransparencyMode(TLuxTransparencyMode Value) {
    if (Value == transparencyMode_) return;
    transparencyMode_ = Value;
    if (transparent_) RecreateWnd();
}

void TLuxCustomControl::SetFlat(bool Value) {
    if (Value == flat_) return;
    flat_ = Value;
    DoFlatChanged();
    if (flat_)
        RestoreBorderBack();
    else
        RestoreBorderFront();
}

void TLuxCustomControl::SetBoolean(bool Value) {
    const bool changed = Value != active_;
    active_ = Value;
    if (changed && !Value && flat_) RestoreBorderBack();
}

void TLuxCustomControl::GetChange(TObject*) {
    if (RepaintOnChange) Invalidate();
}

void TLuxCustomControl::MouseEnter() {
    if (OnMouseEnter) OnMouseEnter(this);
    mouseAbove_ = true;
}

void TLuxCustomControl::MouseExit() {
    mouseAbove_ = false;
    if (!active_) RestoreBorderBack();
    if (OnMouseExit) OnMouseExit(this);
}

bool TLuxCustomControl::BackDrawArea(TCanvas*, const TRect&, const TPoint&, WORD) {
    return false;
}

HPALETTE TLuxCustomControl::BackBitmapPalette() {
    // Surfaces here are 32-bit: no back bitmap carries a palette.
    return nullptr;
}

void TLuxCustomControl::FillControl() {
    if (RealTransparent()) {
        // The parent paints the part under the clip box now, children left alone; the window's
        // surface already starts from the parent's pixels (WS_EX_TRANSPARENT).
        RECT box{};
        GetClipBox(Canvas()->Handle(), &box);
        OffsetRect(&box, Left(), Top());
        if (Parent() && Parent()->HandleAllocated())
            RedrawWindow(Parent()->Handle(), &box, 0, RDW_INVALIDATE | RDW_UPDATENOW | RDW_NOCHILDREN);
        return;
    }
    RepBack(ClientRect());
}

void TLuxCustomControl::RepBack(const TRect& Rect) {
    if (CheckOptimized() && BackDrawArea(Canvas(), Rect, TPoint(0, 0), 0)) return;
    Canvas()->Brush()->SetStyle(bsSolid);
    Canvas()->Brush()->SetColor(Color());
    Canvas()->FillRect(Rect);
}

void TLuxCustomControl::CreateParams(TCreateParams& Params) {
    TCustomControl::CreateParams(Params);
    Params.Style |= WS_CLIPCHILDREN;
    if (RealTransparent()) Params.ExStyle |= WS_EX_TRANSPARENT;
    Params.WindowClass.style &= ~(CS_HREDRAW | CS_VREDRAW);
}

void TLuxCustomControl::Paint() {
    if (Loading(this)) return;
    FillControl();
    if (!Designing(this))
        RestoreBorderBack();
    else if (GetEmpty())
        DrawDashedFrame();
}

void TLuxCustomControl::DoEnter() {
    TCustomControl::DoEnter();
    active_ = true;
    if (flat_) RestoreBorderFront();
}

void TLuxCustomControl::DoExit() {
    active_ = false;
    RestoreBorderBack();
    TCustomControl::DoExit();
}

void TLuxCustomControl::InvalidateFrame() {
    if (!Parent() || !Parent()->HandleAllocated()) return;
    const RECT r = BoundsRect();
    ::InvalidateRect(Parent()->Handle(), &r, TRUE);
}

void TLuxCustomControl::DrawDashedFrame() {
    DashedFrame(Canvas(), Width(), Height());
}

namespace {

void Frame(HDC dc, RECT r, int colorIndex) {
    HBRUSH brush = CreateSolidBrush(GetSysColor(colorIndex));
    FrameRect(dc, &r, brush);
    DeleteObject(brush);
}

} // namespace

void TLuxCustomControl::RestoreBorderFront() {
    if (!HandleAllocated()) return;
    HDC dc = GetWindowDC(Handle());
    RECT r{0, 0, Width(), Height()};
    if (Ctl3D) {
        Frame(dc, RECT{r.left + 1, r.top + 1, r.right, r.bottom}, COLOR_WINDOWFRAME);
        Frame(dc, RECT{r.left, r.top, r.right - 1, r.bottom - 1}, COLOR_BTNFACE);
        DrawEdge(dc, &r, BDR_SUNKENOUTER, BF_RECT | BF_ADJUST);
    } else {
        Frame(dc, r, COLOR_WINDOWFRAME);
    }
    ReleaseDC(Handle(), dc);
}

void TLuxCustomControl::RestoreBorderBack() {
    if (!HandleAllocated() || Focused() || !flat_ || mouseAbove_) return;
    HDC dc = GetWindowDC(Handle());
    RECT r{0, 0, Width(), Height()};
    Frame(dc, r, COLOR_BTNFACE);
    if (Ctl3D) {
        InflateRect(&r, -1, -1);
        Frame(dc, r, COLOR_BTNFACE);
    }
    ReleaseDC(Handle(), dc);
}

void TLuxCustomControl::BroadcastBackChanged() {
    for (int i = 0; i < ControlCount(); ++i) Controls(i)->Perform(CM_LuxBACKCHANGED, 0, 0);
}

void TLuxCustomControl::Dispatch(TMessage& Message) {
    const bool loadingOrGone = Loading(this) || ComponentState().Contains(TComponentStateItem::csDestroying);
    switch (Message.Msg) {
    case WM_ERASEBKGND:
        if (RealTransparent() || CheckOptimized()) {
            Message.Result = 1;
            return;
        }
        break;
    case WM_SIZE:
        TCustomControl::Dispatch(Message);
        backFX_->DestroyBuffer();
        if (RealTransparent() || CheckOptimized()) {
            Repaint();
            BroadcastBackChanged();
        } else {
            Invalidate();
        }
        return;
    case WM_MOVE:
        TCustomControl::Dispatch(Message);
        // The background under a transparent window changed with the move.
        if (CheckOptimized()) backFX_->DestroyBuffer();
        if (CheckOptimized() || RealTransparent()) Repaint();
        return;
    case CM_LuxBACKCHANGED:
        if (loadingOrGone) return;
        backFX_->DestroyBuffer();
        if (CheckOptimized()) {
            Repaint();
            BroadcastBackChanged();
        } else {
            Invalidate();
        }
        return;
    case CM_LuxSCROLLBOXSCROLLEVENT:
        if (CheckOptimized()) BroadcastBackChanged();
        return;
    case CM_SYSCOLORCHANGE:
        TCustomControl::Dispatch(Message);
        if (!transparent_) Invalidate();
        return;
    case WM_SETFOCUS:
        TCustomControl::Dispatch(Message);
        if (HandleAllocated()) PostMessage(Handle(), CM_LuxAFTERENTER, 0, 0);
        return;
    case WM_KILLFOCUS:
        TCustomControl::Dispatch(Message);
        if (HandleAllocated()) PostMessage(Handle(), CM_LuxAFTEREXIT, 0, 0);
        return;
    case CM_LuxAFTERENTER:
        if (OnAfterEnter) OnAfterEnter(this);
        return;
    case CM_LuxAFTEREXIT:
        if (OnAfterExit) OnAfterExit(this);
        return;
    case CM_MOUSEENTER:
        TCustomControl::Dispatch(Message);
        MouseEnter();
        return;
    case CM_MOUSELEAVE:
        TCustomControl::Dispatch(Message);
        MouseExit();
        return;
    default:
        break;
    }
    TCustomControl::Dispatch(Message);
}

// --- Free routines --------------------------------------------------------------------------------

int LuxCheckForFormComponent(TComponent* AComponent, TLuxClass AClass) {
    if (!dynamic_cast<TCustomForm*>(AComponent) || !AClass) return -1;
    for (int i = 0; i < AComponent->ComponentCount(); ++i)
        if (AClass(AComponent->Components(i))) return i;
    return -1;
}

void LuxRaiseDockError(TComponent* AComponent, TComponent* AOther) {
    throw Exception("Component " + AComponent->Name() +
                    ":\rA TLuxDockLabel- or Button component was already attached to the component: " +
                    AOther->Name() + "\rOnly one LuxDockXXXX per control is allowed.");
}
