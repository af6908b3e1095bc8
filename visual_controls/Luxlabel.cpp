#include "visual_controls/Luxlabel.h"

#include "platform/gdi/Text.h"
#include "platform/ui/Filer.h"
#include "platform/ui/Forms.h"
#include "platform/ui/Menus.h"
#include "platform/ui/PublishedRows.h"
#include "platform/ui/TypInfo.h"
#include "visual_controls/Luxclass.h"
#include "visual_controls/Luxcont.h"
#include "visual_controls/Luxpanel.h"
#include "visual_controls/Luxtextdraw.h"

#include <algorithm>

// --- TLuxBaseLabel --------------------------------------------------------------------------------

TLuxBaseLabel::TLuxBaseLabel(TComponent* AOwner) : TLuxBaseGraphicControl(AOwner) {}

TLuxBaseLabel::~TLuxBaseLabel() {
    if (twinkleTimer_ != TwinkleNoTimer && LuxApplication) LuxApplication->RemoveTimer(twinkleTimer_);
}

bool TLuxBaseLabel::IsLoading() const {
    return ComponentState().Contains(TComponentStateItem::csLoading);
}

bool TLuxBaseLabel::IsReading() const {
    return ComponentState().Contains(TComponentStateItem::csReading);
}

void TLuxBaseLabel::SetBool(int Index, bool Value) {
    switch (Index) {
    case 0:
        if (Value == autoSize_) return;
        autoSize_ = Value;
        CorrectBounds();
        return;
    case 1:
        if (Value == multiLine_) return;
        multiLine_ = Value;
        GetChange(nullptr);
        return;
    case 2:
        if (Value == showAccelChar_) return;
        showAccelChar_ = Value;
        InvalidateControl();
        return;
    case 3:
        if (Value == twinkle_) return;
        if (Value)
            StartTwinkle();
        else
            StopTwinkle();
        return;
    default:
        return;
    }
}

void TLuxBaseLabel::StartTwinkle() {
    twinkle_ = true;
    WORD ident = 0;
    try {
        if (LuxApplication)
            ident = LuxApplication->AddTimer(static_cast<WORD>(twinkleVisible_),
                                             TNotifyEvent::Bind<&TLuxBaseLabel::OnTwinkleTimer>(this));
    } catch (...) {
        // A label that says it twinkles has a timer.
        twinkle_ = false;
        throw;
    }
    if (ident == 0) {
        twinkle_ = false;
        return;
    }
    twinkleTimer_ = ident;
    if (TLuxTimerItem* item = LuxApplication->GetTimer(ident)) item->SetEnabled(true);
}

void TLuxBaseLabel::StopTwinkle() {
    twinkle_ = false;
    if (twinkleTimer_ != TwinkleNoTimer && LuxApplication) LuxApplication->RemoveTimer(twinkleTimer_);
    phaseVisible_ = true;
    twinkleTimer_ = TwinkleNoTimer;
    InvalidateControl();
}

void TLuxBaseLabel::OnTwinkleTimer(TObject*) {
    phaseVisible_ = !phaseVisible_;
    if (TLuxTimerItem* item = LuxApplication ? LuxApplication->GetTimer(twinkleTimer_) : nullptr)
        item->SetInterval(static_cast<WORD>(phaseVisible_ ? twinkleVisible_ : twinkleInVisible_));
    InvalidateControl();
}

void TLuxBaseLabel::SetInteger(int Index, int Value) {
    if (Index == 0)
        twinkleVisible_ = Value;
    else if (Index == 1)
        twinkleInVisible_ = Value;
}

void TLuxBaseLabel::SetAlignment(TLuxAlignment Value) {
    if (Value == alignment_) return;
    alignment_ = Value;
    GetChange(nullptr);
}

void TLuxBaseLabel::SetOptions(TLuxLabelOptions Value) {
    if (Value == options_) return;
    options_ = Value;
    GetChange(nullptr);
}

void TLuxBaseLabel::SetControl(TWinControl* Value) {
    if (focusControl_ && focusControl_ != Value) focusControl_->RemoveFreeNotification(this);
    focusControl_ = Value;
    if (Value) Value->FreeNotification(this);
}

void TLuxBaseLabel::Notification(TComponent* AComponent, TOperation Operation) {
    TLuxBaseGraphicControl::Notification(AComponent, Operation);
    if (Operation == TOperation::opRemove && AComponent == focusControl_) focusControl_ = nullptr;
}

UINT TLuxBaseLabel::GetOptionsFlag() const {
    UINT flags = 0;
    if (options_.Contains(loPathEllipsis)) flags |= DT_PATH_ELLIPSIS;
    if (options_.Contains(loEndEllipsis)) flags |= DT_END_ELLIPSIS;
    if (options_.Contains(loEditControl)) flags |= DT_EDITCONTROL;
    return flags;
}

void TLuxBaseLabel::GetChange(TObject*) {
    CorrectBounds();
    InvalidateControl();
}

bool TLuxBaseLabel::GetEmpty() {
    return Transparent() && Caption().empty();
}

void TLuxBaseLabel::FontChange(TObject* Sender) {
    if (IsLoading()) return;
    if (Sender == Font()) SetParentFont(false);
    if (!IsReading()) Canvas()->SetFont(Font());
    GetChange(nullptr);
}

void TLuxBaseLabel::Loaded() {
    TLuxBaseGraphicControl::Loaded();
    Canvas()->SetFont(Font());
    CorrectBounds();
}

void TLuxBaseLabel::Dispatch(TMessage& Message) {
    switch (Message.Msg) {
    case CM_DIALOGCHAR:
        if (showAccelChar_ && focusControl_ && Enabled() &&
            IsAccel(static_cast<unsigned>(Message.WParam), Caption()) && focusControl_->CanFocus()) {
            focusControl_->SetFocus();
            Message.Result = 1;
        }
        return;
    case CM_FONTCHANGED:
        TLuxBaseGraphicControl::Dispatch(Message);
        FontChange(Font());
        return;
    case CM_TEXTCHANGED:
        CorrectBounds();
        InvalidateControl();
        return;
    default:
        TLuxBaseGraphicControl::Dispatch(Message);
        return;
    }
}

// --- TLuxCustomLabel ------------------------------------------------------------------------------

namespace {

// The DrawText flags for right-to-left reading; text here always reads left to right.
constexpr UINT kBiDiFlags = 0;

// How far a status bar wants the text of its labels indented; 0 elsewhere.
int StatusBarGap(const TControl* label) {
    auto* bar = dynamic_cast<TLuxCustomStatusBar*>(label->Parent());
    return bar ? bar->GetControlGap() : 0;
}

// Clears the painting flag on every way out of Paint.
class PaintingFlag {
public:
    explicit PaintingFlag(bool& flag) : flag_(flag) { flag_ = true; }
    ~PaintingFlag() { flag_ = false; }
    PaintingFlag(const PaintingFlag&) = delete;
    PaintingFlag& operator=(const PaintingFlag&) = delete;

private:
    bool& flag_;
};

// The client width a multi-line caption wraps in, so that the size measured from it (which adds
// Reserved) never exceeds the present width: measuring again then gives the same size.
void WrapInside(TRect& R, int Reserved) {
    R.Right = std::max(R.Left, R.Right - Reserved);
}

} // namespace

TLuxCustomLabel::TLuxCustomLabel(TComponent* AOwner) : TLuxBaseLabel(AOwner) {
    bevel_ = new TLuxBevel;
    bevel_->OnChange = TNotifyEvent::Bind<&TLuxBaseLabel::GetChange>(static_cast<TLuxBaseLabel*>(this));
    fontFx_ = new TLuxFxCaption;
    fontFx_->OnChange = TNotifyEvent::Bind<&TLuxBaseLabel::FontChange>(static_cast<TLuxBaseLabel*>(this));
}

TLuxCustomLabel::~TLuxCustomLabel() {
    bevel_->OnChange = nullptr;
    fontFx_->OnChange = nullptr;
    delete fontFx_;
    delete bevel_;
}

void TLuxCustomLabel::FontChange(TObject* Sender) {
    if (IsLoading()) return;
    if (Sender == Font()) SetParentFont(false);
    Canvas()->SetFont(Font());
    // The canvas font is Font now; asked of Font itself, the answer needs no window.
    if (fontFx_->Angle() != 0 && !LuxIsTrueTypeFont(Font())) {
        if (Sender == Font()) {
            // The change comes back through FontFX.
            fontFx_->SetAngle(0);
            return;
        }
        if (Sender == fontFx_) {
            // The change comes back through CM_FONTCHANGED.
            Font()->SetName(Lux_DEFAULTFONT);
            return;
        }
    }
    GetChange(Sender);
}

bool TLuxCustomLabel::GetEmpty() {
    return Transparent() && Caption().empty() && GetBevelExtend() == 0;
}

void TLuxCustomLabel::CorrectBounds() {
    if (!AutoSize() || IsLoading()) return;
    const int extent = GetBevelExtend();
    TRect r = ClientRect();
    if (MultiLine()) WrapInside(r, (extent + 1) * 2);
    LuxDrawTextCalcExt(Canvas(), Caption(), fontFx_, r, Font(), MultiLine(), ShowAccelChar(), extent,
                       static_cast<int>(GetOptionsFlag() | kBiDiFlags));
    r.Right += StatusBarGap(this);
    SetBounds(Left(), Top(), r.Right, r.Bottom);
}

void TLuxCustomLabel::Paint() {
    if (painting_ || IsLoading()) return;
    if (GetEmpty()) {
        TLuxBaseGraphicControl::Paint();
        return;
    }
    const std::string text = GetLabelText();
    PaintingFlag flag(painting_);
    if (!Transparent()) FillControl();
    TRect r = ClientRect();
    r.Left += StatusBarGap(this);
    TLuxDrawTextStyles styles{Enabled() ? dtEnabled : dtDisabled};
    TRect clip;
    const TRect* clipRect = nullptr;
    if (GetBevelExtend() != 0) {
        r = bevel_->PaintBevel(Canvas(), r, bevel_->BorderColor() == Color() || Transparent());
        clip = TRect(r.Left + Left(), r.Top + Top(), r.Right + Left(), r.Bottom + Top());
        clipRect = &clip;
        styles.Include(dtClip);
    }
    UINT flags = kBiDiFlags;
    if (!AutoSize()) {
        if (fontFx_->Angle() > 0) {
            flags |= DT_SINGLELINE;
            if (Alignment() != agTopLeft)
                r = LuxAlignTextRect(Alignment(), text, fontFx_, r, Font(), MultiLine(), ShowAccelChar(),
                                     static_cast<int>(flags));
        } else {
            if (!MultiLine()) flags |= DT_SINGLELINE;
            // Multi-line text is placed as a block: DrawText centres and lowers single lines only.
            if (MultiLine() && Alignment() >= agCenterLeft)
                r = LuxAlignTextRect(Alignment(), text, fontFx_, r, Font(), MultiLine(), ShowAccelChar(),
                                     static_cast<int>(flags));
        }
    }
    flags |= GetOptionsFlag() | TLuxALIGNFLAGS[Alignment()] | DT_EXPANDTABS | DT_WORDBREAK;
    if (!ShowAccelChar()) flags |= DT_NOPREFIX;
    Canvas()->Brush()->SetColor(Color());
    Canvas()->Font()->SetColor(Font()->Color());
    if (TwinklePhaseVisible()) {
        LuxDrawTextExt(Canvas(), text, fontFx_, r, static_cast<int>(flags), styles, clipRect);
    } else if (TwinkleColor() != clNone) {
        Canvas()->Font()->SetColor(TwinkleColor());
        LuxDrawTextExt(Canvas(), text, fontFx_, r, static_cast<int>(flags), styles, clipRect);
    }
}

// --- TLuxCustomGlyphLabel -------------------------------------------------------------------------

TLuxCustomGlyphLabel::TLuxCustomGlyphLabel(TComponent* AOwner) : TLuxBaseLabel(AOwner) {
    const TNotifyEvent change =
        TNotifyEvent::Bind<&TLuxBaseLabel::GetChange>(static_cast<TLuxBaseLabel*>(this));
    font3D_ = new TLux3DCaption;
    font3D_->OnChange = change;
    bevel_ = new TLuxBevel;
    bevel_->OnChange = change;
    layout_ = new TLuxGlyphTextLayout;
    layout_->OnChange = change;
}

TLuxCustomGlyphLabel::~TLuxCustomGlyphLabel() {
    layout_->OnChange = nullptr;
    delete layout_;
    bevel_->OnChange = nullptr;
    delete bevel_;
    font3D_->OnChange = nullptr;
    delete font3D_;
}

HPALETTE TLuxCustomGlyphLabel::GetPalette() {
    return IMLEmpty() ? HPALETTE{} : ImageList()->Palette(ListIndex());
}

void TLuxCustomGlyphLabel::CorrectBounds() {
    if (!AutoSize() || IsLoading()) return;
    const int extent = GetBevelExtend();
    const TRect g = IMLEmpty() ? TRect() : ImageList()->ItemRect(ListIndex(), ImageIndex());
    const bool sideBySide = layout_->AlignText2Glyph() <= taRightTop;
    TRect r = ClientRect();
    if (MultiLine())
        WrapInside(r,
                   (extent + 1) * 2 + layout_->OffsetX() + (sideBySide ? g.Width() + layout_->Spacing() : 0));
    LuxDrawTextCalcExt(Canvas(), Caption(), font3D_, r, Font(), MultiLine(), ShowAccelChar(), extent,
                       static_cast<int>(kBiDiFlags));
    r.Right += StatusBarGap(this);
    if (sideBySide) {
        r.Right += g.Width() + layout_->Spacing();
        r.Top = std::max(r.Top, g.Top);
        r.Bottom = std::max(r.Bottom, g.Bottom);
    } else {
        r.Bottom += g.Bottom + layout_->Spacing();
        r.Right = std::max(r.Right, g.Right);
    }
    r.Right += layout_->OffsetX();
    r.Bottom += layout_->OffsetY();
    SetBounds(Left(), Top(), r.Right, r.Bottom);
}

void TLuxCustomGlyphLabel::Paint() {
    TBitmap glyph;
    const std::string text = GetLabelText();
    if (!Transparent()) FillControl();
    TRect r = ClientRect();
    r.Left += StatusBarGap(this);
    if (GetBevelExtend() != 0)
        r = bevel_->PaintBevel(Canvas(), r, bevel_->BorderColor() == Color() || Transparent());
    if (!IMLEmpty()) ImageList()->GetBitmapItem(ListIndex(), ImageIndex(), &glyph);
    Canvas()->Brush()->SetColor(Color());
    Canvas()->SetFont(Font());
    LuxDrawTextAndGlyph(Canvas(), text, font3D_, r, &glyph, nullptr, layout_, MultiLine(), ShowAccelChar(),
                        Transparent(), TLuxDrawTextStyles{Enabled() ? dtEnabled : dtDisabled},
                        static_cast<int>(kBiDiFlags));
}

// --- Published properties -------------------------------------------------------------------------

namespace {

using published::Property;

// The control rows both labels publish, in the labels' order.
template <class C> std::vector<TPropInfo> LabelControlProperties() {
    std::vector<TPropInfo> rows = published::Standard<C>({"Left", "Top", "Width", "Height"});
    rows.push_back(LuxAboutProperty<C>());
    for (TPropInfo& p :
         published::Standard<C>({"Align",     "Anchors",    "BiDiMode",   "ParentBiDiMode", "Constraints",
                                 "Cursor",    "DragCursor", "DragKind",   "DragMode",       "Enabled",
                                 "Font",      "Hint",       "ParentFont", "ParentColor",    "ParentShowHint",
                                 "PopupMenu", "ShowHint",   "Visible",    "Caption",        "Color"}))
        rows.push_back(std::move(p));
    return rows;
}

template <class C>
TPropInfo BoolProperty(const char* name, bool (C::*get)() const, void (C::*set)(bool), bool def) {
    return Property<C>(
        name, [get](const C& c) { return (c.*get)(); }, [set](C& c, bool v) { (c.*set)(v); }, def);
}

void Append(std::vector<TPropInfo>& rows, std::vector<TPropInfo> more) {
    for (TPropInfo& p : more) rows.push_back(std::move(p));
}

template <class C> std::vector<TPropInfo> LabelEvents() {
    std::vector<TPropInfo> rows = published::Standard<C>(
        {"OnClick", "OnDblClick", "OnDragDrop", "OnDragOver", "OnEndDrag", "OnMouseDown", "OnMouseMove",
         "OnMouseUp", "OnStartDrag", "OnEndDock", "OnStartDock"});
    rows.push_back(published::Field<C>("OnMouseEnter", &C::OnMouseEnter));
    rows.push_back(published::Field<C>("OnMouseExit", &C::OnMouseExit));
    return rows;
}

template <class C> TPropInfo FocusControlProperty() {
    return Property<C>(
        "FocusControl", [](const C& c) { return c.FocusControl(); },
        [](C& c, TWinControl* v) { c.SetControl(v); });
}

const bool kPublished = [] {
    using L = TLuxLabel;
    std::vector<TPropInfo> label = LabelControlProperties<L>();
    Append(label, {
                      Property<L>(
                          "Alignment", [](const L& l) { return l.Alignment(); },
                          [](L& l, TLuxAlignment v) { l.SetAlignment(v); }, agTopLeft),
                      BoolProperty<L>("AutoSize", &L::AutoSize, &L::SetAutoSize, true),
                      Property<L>(
                          "Bevel", [](const L& l) { return l.Bevel(); }, nullptr),
                      FocusControlProperty<L>(),
                      Property<L>(
                          "FontFX", [](const L& l) { return l.FontFX(); }, nullptr),
                      BoolProperty<L>("MultiLine", &L::MultiLine, &L::SetMultiLine, false),
                      // No declared default: always stored.
                      Property<L>(
                          "Options", [](const L& l) { return l.Options(); },
                          [](L& l, TLuxLabelOptions v) { l.SetOptions(v); }),
                      BoolProperty<L>("ShowAccelChar", &L::ShowAccelChar, &L::SetShowAccelChar, true),
                      BoolProperty<L>("Transparent", &L::Transparent, &L::SetTransparent, true),
                      BoolProperty<L>("Twinkle", &L::Twinkle, &L::SetTwinkle, false),
                      Property<L>(
                          "TwinkleVisible", [](const L& l) { return l.TwinkleVisible(); },
                          [](L& l, int v) { l.SetTwinkleVisible(v); }, 700),
                      Property<L>(
                          "TwinkleInVisible", [](const L& l) { return l.TwinkleInVisible(); },
                          [](L& l, int v) { l.SetTwinkleInVisible(v); }, 700),
                      Property<L>(
                          "TwinkleColor", [](const L& l) { return l.TwinkleColor(); },
                          [](L& l, TColor v) { l.SetTwinkleColor(v); }, clNone),
                  });
    Append(label, LabelEvents<L>());
    PublishProperties<TLuxLabel, TComponent>(std::move(label));

    using G = TLuxGlyphLabel;
    std::vector<TPropInfo> glyph = LabelControlProperties<G>();
    Append(glyph, {
                      Property<G>(
                          "Alignment", [](const G& g) { return g.Alignment(); }, nullptr),
                      BoolProperty<G>("AutoSize", &G::AutoSize, &G::SetAutoSize, true),
                      Property<G>(
                          "Bevel", [](const G& g) { return g.Bevel(); }, nullptr),
                      FocusControlProperty<G>(),
                      Property<G>(
                          "Font3D", [](const G& g) { return g.Font3D(); }, nullptr),
                  });
    Append(glyph, LuxImageListProperties<G>());
    Append(glyph, {
                      BoolProperty<G>("MultiLine", &G::MultiLine, &G::SetMultiLine, false),
                      BoolProperty<G>("ShowAccelChar", &G::ShowAccelChar, &G::SetShowAccelChar, true),
                      BoolProperty<G>("Transparent", &G::Transparent, &G::SetTransparent, true),
                  });
    Append(glyph, LabelEvents<G>());
    PublishProperties<TLuxGlyphLabel, TComponent>(std::move(glyph));

    RegisterClass<TLuxLabel>();
    RegisterClass<TLuxGlyphLabel>();
    return true;
}();

} // namespace
