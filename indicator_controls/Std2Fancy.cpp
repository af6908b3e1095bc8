#include "indicator_controls/Std2Fancy.h"

#include "indicator_controls/CaptionProperties.h"
#include "indicator_controls/ControlProperties.h"

#include "platform/gdi/Region.h"
#include "platform/ui/Filer.h"
#include "platform/ui/Forms.h"
#include "platform/ui/TypInfo.h"
#include "platform/ui/WindowShape.h"

#include <algorithm>

namespace {

bool Designing(const TComponent* c) {
    return c->ComponentState().Contains(TComponentStateItem::csDesigning);
}

} // namespace

TvcFancySet::TvcFancySet(int TextLeft, int TextTop, int TextWidth, int TextHeight) {
    TextSize.SetLeft(TextLeft);
    TextSize.SetTop(TextTop);
    TextSize.SetWidth(TextWidth);
    TextSize.SetHeight(TextHeight);
}

// --- TvFancyLook -------------------------------------------------------------------------------------

template <class Base>
template <class... Args>
TvFancyLook<Base>::TvFancyLook(Args&&... args) : TvCaptionOptions<Base>(std::forward<Args>(args)...) {}

template <class Base> void TvFancyLook<Base>::SetTransparentColor(TColor Value) {
    transparentColor_ = Value;
    this->Invalidate();
}

template <class Base>
void TvFancyLook<Base>::AddSet(int TextLeft, int TextTop, int TextWidth, int TextHeight) {
    auto set = std::make_unique<TvcFancySet>(TextLeft, TextTop, TextWidth, TextHeight);
    set->Glyph.OnChange = TNotifyEvent::Bind<&TvFancyLook<Base>::Changed>(this);
    set->OffsetGlyph.OnChange = TNotifyEvent::Bind<&TvFancyLook<Base>::Changed>(this);
    set->TextSize.OnChange = TNotifyEvent::Bind<&TvFancyLook<Base>::Changed>(this);
    set->BtnRgn.OnChange = TNotifyEvent::Bind<&TvFancyLook<Base>::RegionChanged>(this);
    sets_.push_back(std::move(set));
}

template <class Base> void TvFancyLook<Base>::CopyGlyph(int State, TBitmap* Value) {
    StateSet(State).Glyph.Assign(Value);
    this->Invalidate();
}

template <class Base> void TvFancyLook<Base>::CopyRegion(int State, const TvcRgn* Value) {
    // The region reports its change, which shapes the window anew.
    StateSet(State).BtnRgn.Assign(Value);
}

template <class Base> void TvFancyLook<Base>::CopyOffset(int State, const TvcBmpOffset* Value) {
    TvcBmpOffset& own = StateSet(State).OffsetGlyph;
    if (!Value || Value == &own) return;
    own.SetLeft(Value->Left());
    own.SetTop(Value->Top());
}

template <class Base> void TvFancyLook<Base>::CopyTextSize(int State, const TvcTextSize* Value) {
    TvcTextSize& own = StateSet(State).TextSize;
    if (!Value || Value == &own) return;
    own.SetLeft(Value->Left());
    own.SetTop(Value->Top());
    own.SetWidth(Value->Width());
    own.SetHeight(Value->Height());
}

template <class Base> int TvFancyLook<Base>::PaintState() const {
    return loaded_ || Designing(this) ? LoadedState() : PreloadState();
}

template <class Base> TBitmap* TvFancyLook<Base>::ShownGlyph() const {
    TBitmap* own = &StateSet(PaintState()).Glyph;
    if (!own->Empty()) return own;
    TBitmap* normal = &StateSet(NormalState()).Glyph;
    return normal->Empty() ? nullptr : normal;
}

template <class Base> RegionValue TvFancyLook<Base>::SkinRegion() const {
    if (!loaded_ && !Designing(this)) return {};
    const TvcRgn* region = &StateSet(PaintState()).BtnRgn;
    if (!region->ExsistData()) region = &StateSet(NormalState()).BtnRgn;
    if (!region->ExsistData()) return {};
    return RegionValue(region->Handle());
}

template <class Base> void TvFancyLook<Base>::SizeToRegion(const RegionValue& Region) {
    if (!Region.HasRegion()) return;
    RECT box{};
    GetRgnBox(Region.Handle(), &box);
    this->SetBounds(this->Left(), this->Top(), box.right - box.left, box.bottom - box.top);
}

template <class Base> void TvFancyLook<Base>::SetLoaded() {
    loaded_ = true;
    LookChanged();
}

template <class Base> void TvFancyLook<Base>::PaintSkin(TCanvas* Canvas) {
    const int w = this->Width();
    const int h = this->Height();
    const TvcFancySet& set = StateSet(PaintState());

    TBitmap picture;
    picture.SetPixelFormat(pf24bit);
    picture.SetSize(w, h);
    TCanvas* canvas = picture.Canvas();
    canvas->Brush()->SetStyle(bsSolid);
    canvas->Brush()->SetColor(this->Color());
    canvas->Pen()->SetWidth(1);
    canvas->FillRect(Rect(0, 0, w, h));

    // The glyph's pixels of the transparent colour take the background; the copy stops at the
    // glyph's own edges.
    if (TBitmap* glyph = ShownGlyph()) {
        const int gw = std::min(w, glyph->Width());
        const int gh = std::min(h, glyph->Height());
        const int x = set.OffsetGlyph.Left();
        const int y = set.OffsetGlyph.Top();
        canvas->BrushCopy(Rect(x, y, x + gw, y + gh), glyph, Rect(0, 0, gw, gh), transparentColor_);
    }

    const TvcTextSize& text = set.TextSize;
    this->SetCaptionFont(canvas, BoldCaption());
    DrawCaption(canvas,
                TRect(text.Left(), text.Top(), text.Left() + text.Width(), text.Top() + text.Height()),
                this->Caption(), this->CaptionFlags(), this->Enabled());

    Canvas->CopyRect(Rect(0, 0, w, h), canvas, canvas->ClipRect());
    if (Designing(this)) {
        Canvas->Pen()->SetStyle(psDash);
        Canvas->Brush()->SetStyle(bsClear);
        Canvas->Rectangle(0, 0, w, h);
    }
    if (OnPaint) OnPaint(this);
}

template class TvFancyLook<TButtonControl>;
template class TvFancyLook<TvcPushButton>;

// --- TvcFancyCustomBtn -------------------------------------------------------------------------------

TvcFancyCustomBtn::TvcFancyCustomBtn(TComponent* AOwner)
    : TvFancyLook<TButtonControl>(AOwner), canvas_(new TControlCanvas(this)) {
    // In the order of the state numbers: normal, Checked, Focused, FocusedChecked, Disabled.
    AddSet(0, 0, 89, 33);
    AddSet(1, 1, 89, 33);
    AddSet(0, 0, 89, 33);
    AddSet(1, 1, 89, 33);
    AddSet(0, 0, 89, 33);
    SetBounds(Left(), Top(), 89, 33);
}

TvcFancyCustomBtn::~TvcFancyCustomBtn() {
    delete canvas_;
}

void TvcFancyCustomBtn::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
    TvFancyLook::SetBounds(ALeft, ATop, AWidth, AHeight);
    Invalidate();
}

void TvcFancyCustomBtn::PaintWindow(HDC DC) {
    PaintOnCanvas(*canvas_, DC, [this] { Paint(); });
}

void TvcFancyCustomBtn::CreateParams(TCreateParams& Params) {
    TvFancyLook::CreateParams(Params);
    CreateSubClass(Params, "BUTTON");
    Params.Style = WS_CHILD | WS_CLIPSIBLINGS | WS_TABSTOP | BS_OWNERDRAW;
}

void TvcFancyCustomBtn::CreateHandle() {
    TvFancyLook::CreateHandle();
    Perform(BM_SETCHECK, CheckState(), 0);
    if (shown_.HasRegion()) ShowRegion();
}

void TvcFancyCustomBtn::Loaded() {
    TvFancyLook::Loaded();
    SetLoaded();
}

void TvcFancyCustomBtn::LookChanged() {
    RegionValue wanted = SkinRegion();
    if (!(wanted == shown_)) {
        shown_ = std::move(wanted);
        SizeToRegion(shown_);
        ShowRegion();
    }
    Invalidate();
}

void TvcFancyCustomBtn::ShowRegion() {
    if (!HandleAllocated()) return;
    HRGN region = shown_.HasRegion() ? shown_.Duplicate() : nullptr;
    if (SetWindowRgn(Handle(), region, TRUE) == 0 && region) DeleteObject(region);
}

void TvcFancyCustomBtn::Dispatch(TMessage& Message) {
    switch (Message.Msg) {
    case WM_ERASEBKGND:
        Message.Result = 1;
        return;
    case WM_PAINT:
        PaintHandler(reinterpret_cast<HDC>(Message.WParam));
        return;
    case CN_DRAWITEM:
        if (const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(Message.LParam))
            PaintWindow(item->hDC);
        Message.Result = 1;
        return;
    case CM_HITTEST:
        // Only the region the window shows takes the mouse.
        if (shown_.HasRegion()) {
            Message.Result = shown_.Contains(MouseX(Message.LParam), MouseY(Message.LParam)) ? 1 : 0;
            return;
        }
        break;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
    case CM_ENABLEDCHANGED:
        TvFancyLook::Dispatch(Message);
        LookChanged();
        return;
    default:
        break;
    }
    TvFancyLook::Dispatch(Message);
}

// --- TvcCustomFancyCheckBox ------------------------------------------------------------------------

TvcCustomFancyCheckBox::TvcCustomFancyCheckBox(TComponent* AOwner) : TvcFancyCustomBtn(AOwner) {
    // Grayed, FocusedGrayed.
    AddSet(0, 0, 89, 33);
    AddSet(0, 0, 89, 33);
    SetTabStop(true);
    ControlStyle = {csSetCaption, csDoubleClicks};
}

void TvcCustomFancyCheckBox::CreateParams(TCreateParams& Params) {
    TvcFancyCustomBtn::CreateParams(Params);
    Params.WindowClass.style &= ~(CS_VREDRAW | CS_HREDRAW);
}

WPARAM TvcCustomFancyCheckBox::CheckState() const {
    return state_ == cbChecked ? BST_CHECKED : state_ == cbGrayed ? BST_INDETERMINATE : BST_UNCHECKED;
}

int TvcCustomFancyCheckBox::LoadedState() const {
    if (!Enabled()) return fcDisabled;
    const bool focused = Focused();
    switch (state_) {
    case cbChecked:
        return focused ? fcFocusedChecked : fcChecked;
    case cbGrayed:
        return focused ? fcFocusedGrayed : fcGrayed;
    case cbUnchecked:
        break;
    }
    return focused ? fcFocused : fcNormal;
}

void TvcCustomFancyCheckBox::SetState(TCheckBoxState Value) {
    if (Value == state_) return;
    state_ = Value;
    if (HandleAllocated()) Perform(BM_SETCHECK, CheckState(), 0);
    Click();
}

void TvcCustomFancyCheckBox::Toggle() {
    switch (state_) {
    case cbUnchecked:
        SetState(allowGrayed_ ? cbGrayed : cbChecked);
        break;
    case cbChecked:
        SetState(cbUnchecked);
        break;
    case cbGrayed:
        SetState(cbChecked);
        break;
    }
}

void TvcCustomFancyCheckBox::Click() {
    TvcFancyCustomBtn::Click();
    LookChanged();
}

void TvcCustomFancyCheckBox::Dispatch(TMessage& Message) {
    switch (Message.Msg) {
    case CN_COMMAND:
        if (HIWORD(static_cast<DWORD>(Message.WParam)) == BN_CLICKED) Toggle();
        return;
    case CM_DIALOGCHAR:
        if (IsAccel(static_cast<unsigned>(Message.WParam), Caption()) && CanFocus()) {
            SetFocus();
            if (Focused()) Toggle();
            Message.Result = 1;
            return;
        }
        break;
    default:
        break;
    }
    TvcFancyCustomBtn::Dispatch(Message);
}

// --- TvcCustomFancyRadioButton ---------------------------------------------------------------------

TvcCustomFancyRadioButton::TvcCustomFancyRadioButton(TComponent* AOwner) : TvcFancyCustomBtn(AOwner) {
    ControlStyle = {csSetCaption, csDoubleClicks};
}

int TvcCustomFancyRadioButton::LoadedState() const {
    if (!Enabled()) return fcDisabled;
    if (Focused()) return checked_ ? fcFocusedChecked : fcFocused;
    return checked_ ? fcChecked : fcNormal;
}

void TvcCustomFancyRadioButton::SetChecked(bool Value) {
    if (Value == checked_) return;
    checked_ = Value;
    SetTabStop(Value);
    if (HandleAllocated()) Perform(BM_SETCHECK, CheckState(), 0);
    LookChanged();
    if (!Value) return;
    if (TWinControl* parent = Parent()) {
        for (int i = 0; i < parent->ControlCount(); ++i) {
            auto* other = dynamic_cast<TvcFancyRadioButton*>(parent->Controls(i));
            if (other && other != this && other->GroupIndex() == groupIndex_) other->SetChecked(false);
        }
    }
    Click();
}

void TvcCustomFancyRadioButton::Dispatch(TMessage& Message) {
    switch (Message.Msg) {
    case WM_SETFOCUS:
        SetChecked(true);
        break;
    case CN_COMMAND: {
        const WORD code = HIWORD(static_cast<DWORD>(Message.WParam));
        if (code == BN_CLICKED)
            SetChecked(true);
        else if (code == BN_DOUBLECLICKED)
            DblClick();
        return;
    }
    case CM_DIALOGCHAR:
        if (IsAccel(static_cast<unsigned>(Message.WParam), Caption()) && CanFocus()) {
            SetFocus();
            Message.Result = 1;
            return;
        }
        break;
    default:
        break;
    }
    TvcFancyCustomBtn::Dispatch(Message);
}

// --- TvcFancyButton --------------------------------------------------------------------------------

namespace {

// Down while the press stays inside the window's region; starts inside the client rectangle; the
// pointer over the region makes it hot while enabled.
const TPushRules FancyRules{TDownTracking::WindowRegion,
                            TPressArea::ClientRect,
                            TMouseInWhen::Enabled,
                            true,
                            true,
                            false,
                            false,
                            false};

} // namespace

TvcFancyButton::TvcFancyButton(TComponent* AOwner) : TvFancyLook<TvcPushButton>(AOwner, FancyRules) {
    // In the order of the state numbers: Up, Down, Focused, Disabled.
    AddSet(2, 2, 84, 28);
    AddSet(3, 3, 84, 28);
    AddSet(2, 2, 84, 28);
    AddSet(2, 2, 84, 28);
    SetTabStop(true);
    ControlStyle = {csCaptureMouse, csClickEvents, csSetCaption, csOpaque, csDoubleClicks};
    SetBounds(Left(), Top(), 89, 33);
}

bool TvcFancyButton::IsKin(const TControl* Control) const {
    return dynamic_cast<const TvcFancyButton*>(Control) != nullptr;
}

int TvcFancyButton::LoadedState() const {
    if (!Enabled()) return fbDisabled;
    if (down_) return fbDown;
    return Focused() ? fbFocused : fbUp;
}

void TvcFancyButton::Loaded() {
    hot_ = false;
    SetMouseIn();
    TvFancyLook::Loaded();
    SetLoaded();
}

void TvcFancyButton::ShowRegion() {
    SizeToRegion(shown_);
    TvFancyLook::ShowRegion();
}

void TvcFancyButton::LookChanged() {
    UpdateRegion();
    Invalidate();
}

void TvcFancyButton::Dispatch(TMessage& Message) {
    switch (Message.Msg) {
    case CM_MOUSEENTER:
        TvFancyLook::Dispatch(Message);
        // Not hot before loading.
        if (!IsLoaded()) hot_ = false;
        return;
    case CM_FOCUSCHANGED:
    case CM_ENABLEDCHANGED:
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        // The state, and so perhaps the outline, follows focus and enabled.
        TvFancyLook::Dispatch(Message);
        UpdateRegion();
        return;
    default:
        break;
    }
    TvFancyLook::Dispatch(Message);
}

// --- Published properties -------------------------------------------------------------------------

namespace {

using published::Property;

// The four resources of each state, named by the state's suffix; the button keeps its own objects,
// which the stream fills.
template <class C>
void AddSetProperties(std::vector<TPropInfo>& props, const std::vector<std::pair<const char*, int>>& states) {
    for (const char* kind : {"TextSize", "BtnRgn", "OffsetGlyph", "Glyph"}) {
        for (const auto& [suffix, state] : states) {
            const std::string name = std::string(kind) + suffix;
            const int s = state;
            switch (kind[0]) {
            case 'T':
                props.push_back(Property<C>(
                    name, [s](const C& c) { return &c.StateSet(s).TextSize; }, nullptr));
                break;
            case 'B':
                props.push_back(Property<C>(
                    name, [s](const C& c) { return &c.StateSet(s).BtnRgn; }, nullptr));
                break;
            case 'O':
                props.push_back(Property<C>(
                    name, [s](const C& c) { return &c.StateSet(s).OffsetGlyph; }, nullptr));
                break;
            default:
                props.push_back(Property<C>(
                    name, [s](const C& c) { return &c.StateSet(s).Glyph; }, nullptr));
                break;
            }
        }
    }
}

// What every skinned button publishes of its own: size, the transparent colour of its glyphs, the
// look and the caption options, and the paint event.
template <class C> std::vector<TPropInfo> LookProperties() {
    std::vector<TPropInfo> rows = {
        WidthProperty<C>(89),
        HeightProperty<C>(33),
        // No declared default: always stored.
        Property<C>(
            "TransparentColor", [](const C& c) { return c.TransparentColor(); },
            [](C& c, TColor v) { c.SetTransparentColor(v); }),
        DefaultLookProperty<C>(),
        EventField<C>("OnPaint", &C::OnPaint),
    };
    InsertCaptionOptions<C>(rows, "DefaultLook");
    return rows;
}

const bool kPublished = [] {
    using B = TvcFancyCustomBtn;
    std::vector<TPropInfo> base = LookProperties<B>();
    AddSetProperties<B>(base, {{"Disabled", fcDisabled},
                               {"FocusedChecked", fcFocusedChecked},
                               {"Focused", fcFocused},
                               {"Checked", fcChecked},
                               {"", fcNormal}});
    PublishProperties<B, TComponent>(InOrder<B>(
        std::move(base),
        "Left Top Anchors TransparentColor Width Height DefaultLook HorzAlign MultipleLines WordWrap "
        "Alignment OnPaint TextSizeDisabled TextSizeFocusedChecked TextSizeFocused TextSizeChecked TextSize "
        "BtnRgnDisabled BtnRgnFocusedChecked BtnRgnFocused BtnRgnChecked BtnRgn OffsetGlyphDisabled "
        "OffsetGlyphFocusedChecked OffsetGlyphFocused OffsetGlyphChecked OffsetGlyph GlyphDisabled "
        "GlyphFocusedChecked GlyphFocused GlyphChecked Glyph"));

    using K = TvcCustomFancyCheckBox;
    std::vector<TPropInfo> check;
    AddSetProperties<K>(check, {{"FocusedGrayed", fcFocusedGrayed}, {"Grayed", fcGrayed}});
    check.push_back(Property<K>(
        "TabStop", [](const K& k) { return k.TabStop(); }, [](K& k, bool v) { k.SetTabStop(v); }, true));
    PublishProperties<K, B>(InOrder<K>(
        std::move(check), "GlyphFocusedGrayed GlyphGrayed OffsetGlyphFocusedGrayed OffsetGlyphGrayed "
                          "TextSizeFocusedGrayed TextSizeGrayed BtnRgnFocusedGrayed BtnRgnGrayed TabStop"));
    using FK = TvcFancyCheckBox;
    PublishProperties<FK, K>(InOrder<FK>(
        {
            Property<FK>(
                "AllowGrayed", [](const FK& k) { return k.AllowGrayed(); },
                [](FK& k, bool v) { k.SetAllowGrayed(v); }, false),
            // State holds it.
            NotStored(Property<FK>(
                "Checked", [](const FK& k) { return k.Checked(); }, [](FK& k, bool v) { k.SetChecked(v); })),
            Property<FK>(
                "State", [](const FK& k) { return k.State(); },
                [](FK& k, TCheckBoxState v) { k.SetState(v); }, cbUnchecked),
            Property<FK>(
                "TabStop", [](const FK& k) { return k.TabStop(); }, [](FK& k, bool v) { k.SetTabStop(v); },
                true),
        },
        "AllowGrayed Caption Checked Color DragCursor DragMode Enabled Font ParentColor ParentFont "
        "ParentShowHint PopupMenu ShowHint State TabOrder TabStop Visible OnClick OnDragDrop OnDragOver "
        "OnEndDrag OnEnter OnExit OnKeyDown OnKeyPress OnKeyUp OnMouseDown OnMouseMove OnMouseUp "
        "OnStartDrag"));

    using R = TvcCustomFancyRadioButton;
    PublishProperties<R, B>({});
    using FR = TvcFancyRadioButton;
    PublishProperties<FR, R>(InOrder<FR>(
        {
            Property<FR>(
                "Checked", [](const FR& r) { return r.Checked(); }, [](FR& r, bool v) { r.SetChecked(v); },
                false),
            Property<FR>(
                "GroupIndex", [](const FR& r) { return r.GroupIndex(); },
                [](FR& r, int v) { r.SetGroupIndex(v); }, 0),
        },
        "Checked GroupIndex Caption Color DragCursor DragMode Enabled Font ParentColor ParentFont "
        "ParentShowHint PopupMenu ShowHint TabOrder TabStop Visible OnClick OnDblClick OnDragDrop OnDragOver "
        "OnEndDrag OnEnter OnExit OnKeyDown OnKeyPress OnKeyUp OnMouseDown OnMouseMove OnMouseUp "
        "OnStartDrag"));

    using F = TvcFancyButton;
    std::vector<TPropInfo> button = LookProperties<F>();
    AddSetProperties<F>(button,
                        {{"Focused", fbFocused}, {"Disabled", fbDisabled}, {"Up", fbUp}, {"Down", fbDown}});
    for (TPropInfo& p : std::vector<TPropInfo>{
             Property<F>(
                 "Cancel", [](const F&f) { return f.Cancel(); }, [](F&f, bool v) { f.SetCancel(v); }, false),
             Property<F>(
                 "ModalResult", [](const F&f) { return f.ModalResult(); },
                 [](F&f, int v) { f.SetModalResult(v); }, 0),
             Property<F>(
                 "Default", [](const F&f) { return f.Default(); }, [](F&f, bool v) { f.SetDefault(v); },
                 false),
             Property<F>(
                 "TabStop", [](const F&f) { return f.TabStop(); }, [](F&f, bool v) { f.SetTabStop(v); },
                 true),
             EventField<F>("OnMouseEnter", &F::OnMouseEnter),
             EventField<F>("OnMouseLeave", &F::OnMouseLeave),
         })
        button.push_back(std::move(p));
    PublishProperties<F, TComponent>(InOrder<F>(
        std::move(button),
        "Left Top Anchors TransparentColor TextSizeFocused TextSizeDisabled TextSizeUp TextSizeDown "
        "OffsetGlyphFocused OffsetGlyphDisabled OffsetGlyphUp OffsetGlyphDown GlyphFocused GlyphDisabled "
        "GlyphUp GlyphDown BtnRgnFocused BtnRgnDisabled BtnRgnUp BtnRgnDown DefaultLook HorzAlign "
        "MultipleLines WordWrap Alignment OnPaint Cancel ModalResult Default PopupMenu OnDragDrop OnDragOver "
        "OnEndDrag OnStartDrag OnKeyDown OnKeyPress OnKeyUp OnMouseDown OnMouseMove OnMouseUp DragCursor "
        "DragMode Font ParentFont Caption Color ParentColor HelpContext TabStop TabOrder Width Height "
        "Enabled ParentShowHint ShowHint Visible OnEnter OnExit OnClick OnDblClick OnMouseEnter "
        "OnMouseLeave"));

    RegisterClass<TvcFancyCheckBox>();
    RegisterClass<TvcFancyRadioButton>();
    RegisterClass<TvcFancyButton>();
    return true;
}();

} // namespace
