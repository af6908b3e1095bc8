#include "indicator_controls/Std2Shape.h"

#include "indicator_controls/CaptionProperties.h"
#include "indicator_controls/ControlProperties.h"
#include "indicator_controls/FaceProperties.h"
#include "indicator_controls/ShapeBtnProperties.h"

#include "platform/gdi/Icon.h"
#include "platform/ui/Filer.h"
#include "platform/ui/Icons.h"
#include "platform/ui/Menus.h"
#include "platform/ui/TypInfo.h"

#include <string>
#include <utility>
#include <vector>

namespace {

// Down while this button is the control under the pointer; repaints at once.
const TPushRules ShapeRules{TDownTracking::ControlUnderCursor,
                            TPressArea::Anywhere,
                            TMouseInWhen::Never,
                            false,
                            false,
                            false,
                            false,
                            true};

// Offsets and text rectangles given whole are copied: the button keeps its own.
void CopyOffset(TvcBmpOffset* To, const TvcBmpOffset* From) {
    if (!From || From == To) return;
    To->SetLeft(From->Left());
    To->SetTop(From->Top());
}

} // namespace

// --- TvcShapeColorBtn ------------------------------------------------------------------------------

TvcShapeColorBtn::TvcShapeColorBtn(TComponent* AOwner)
    : TvCaptionOptions(AOwner, ShapeRules), textSize_(new TvcTextSize) {
    SetTabStop(true);
    ControlStyle = {csCaptureMouse, csClickEvents, csSetCaption, csOpaque, csDoubleClicks};
    textSize_->SetLeft(7);
    textSize_->SetTop(7);
    textSize_->SetWidth(36);
    textSize_->SetHeight(36);
    textSize_->OnChange = TNotifyEvent::Bind<&TvcShapeColorBtn::Changed>(this);
    SetBounds(Left(), Top(), 50, 50);
    SetColor(clBtnFace);
    UpdateRegion();
}

TvcShapeColorBtn::~TvcShapeColorBtn() {
    delete textSize_;
}

void TvcShapeColorBtn::SetTextSize(const TvcTextSize* Value) {
    if (!Value || Value == textSize_) return;
    textSize_->SetLeft(Value->Left());
    textSize_->SetTop(Value->Top());
    textSize_->SetWidth(Value->Width());
    textSize_->SetHeight(Value->Height());
}

void TvcShapeColorBtn::SetShape(sbType Value) {
    if (Value == shape_) return;
    shape_ = Value;
    ForgetGivenRegion();
    UpdateRegion();
    Invalidate();
}

void TvcShapeColorBtn::SetHighLightColor(TColor Value) {
    if (Value == highLight_) return;
    highLight_ = Value;
    Invalidate();
}

void TvcShapeColorBtn::SetShadowColor(TColor Value) {
    if (Value == shadow_) return;
    shadow_ = Value;
    Invalidate();
}

void TvcShapeColorBtn::SetShowFocus(bool Value) {
    showFocus_ = Value;
    Invalidate();
}

void TvcShapeColorBtn::SetOnGetRegion(TsbGetRegEvent Value) {
    onGetRegion_ = Value;
    ForgetGivenRegion();
    UpdateRegion();
}

RegionValue TvcShapeColorBtn::WantedRegion() {
    return ButtonRegion(this, shape_, TShapeFamily::Windowed, onGetRegion_, Width(), Height());
}

bool TvcShapeColorBtn::IsKin(const TControl* Control) const {
    return dynamic_cast<const TvcShapeColorBtn*>(Control) != nullptr;
}

void TvcShapeColorBtn::Paint() {
    TCanvas* canvas = Canvas();
    const bool down = DrawnDown();
    canvas->Brush()->SetStyle(bsSolid);
    canvas->Brush()->SetColor(Color());
    canvas->Pen()->SetWidth(1);
    if (shape_ == sbOwnerDraw && OnOwnerDraw) {
        OnOwnerDraw(this, canvas, down, Width(), Height(), shadow_, highLight_);
    } else {
        // The window's region clips all of it to the outline.
        canvas->FillRect(Rect(0, 0, Width(), Height()));
        PaintLook(canvas);
        DrawShapeEdges(canvas, shape_, TShapeFamily::Windowed, Width(), Height(), down, shadow_, highLight_);
    }
    if (OnPaint) OnPaint(this);
}

void TvcShapeColorBtn::PaintLook(TCanvas* Canvas) {
    const bool enabled = Enabled();
    const int shift = enabled && down_ ? 1 : 0;
    const TRect text(textSize_->Left(), textSize_->Top(), textSize_->Left() + textSize_->Width(),
                     textSize_->Top() + textSize_->Height());
    SetCaptionFont(Canvas, Focused() || Default());
    DrawCaption(Canvas, TRect(text.Left + shift, text.Top + shift, text.Right + shift, text.Bottom + shift),
                Caption(), CaptionFlags(), enabled);
    if (Focused() && enabled && showFocus_) {
        const int d = down_ ? 1 : 0;
        Canvas->Brush()->SetStyle(bsSolid);
        Canvas->DrawFocusRect(
            TRect(text.Left + d - 3, text.Top + d - 3, text.Right + d + 3, text.Bottom + d + 3));
    }
}

// --- TvcShapeGradBtn -------------------------------------------------------------------------------

void TvcShapeGradBtn::PaintLook(TCanvas* Canvas) {
    PaintGradient(Canvas, DrawnDown());
    TvcShapeColorBtn::PaintLook(Canvas);
}

// --- TvcShapeBitColBtn -----------------------------------------------------------------------------

TvcShapeBitColBtn::TvcShapeBitColBtn(TComponent* AOwner)
    : TvcShapeColorBtn(AOwner), glyph_(new TBitmap), up_(new TBitmap), downImage_(new TBitmap),
      disabled_(new TBitmap), offset_(new TvcBmpOffset) {
    offset_->SetLeft(2);
    offset_->SetTop(2);
    offset_->OnChange = TNotifyEvent::Bind<&TvcShapeBitColBtn::Changed>(this);
}

TvcShapeBitColBtn::~TvcShapeBitColBtn() {
    delete offset_;
    delete disabled_;
    delete downImage_;
    delete up_;
    delete glyph_;
}

void TvcShapeBitColBtn::SetGlyph(TBitmap* Value) {
    glyph_->Assign(Value);
    SplitBitmap();
}

void TvcShapeBitColBtn::SetNumGlyphs(tBitNumber Value) {
    if (Value < 1 || Value > 4) return;
    numGlyphs_ = Value;
    SplitBitmap();
}

TColor TvcShapeBitColBtn::TransparentColor() const {
    return transparentColor_;
}

void TvcShapeBitColBtn::SetTransparentColor(TColor Value) {
    transparentColor_ = Value;
    autoBackColor_ = false;
    SplitBitmap();
}

void TvcShapeBitColBtn::SetAutoBackColor(bool Value) {
    autoBackColor_ = Value;
    SplitBitmap();
}

void TvcShapeBitColBtn::SetOffsetGlyph(const TvcBmpOffset* Value) {
    CopyOffset(offset_, Value);
}

void TvcShapeBitColBtn::SplitBitmap() {
    ::SplitBitmap(glyph_, numGlyphs_, Color(), {up_, downImage_, disabled_});
    if (autoBackColor_ && !up_->Empty()) transparentColor_ = up_->Canvas()->Pixels(0, up_->Height() - 1);
    Invalidate();
}

void TvcShapeBitColBtn::Loaded() {
    TvcShapeColorBtn::Loaded();
    SplitBitmap();
}

void TvcShapeBitColBtn::Dispatch(TMessage& Message) {
    TvcShapeColorBtn::Dispatch(Message);
    // The embossed image stands on the face colour.
    if (Message.Msg == CM_COLORCHANGED) SplitBitmap();
}

void TvcShapeBitColBtn::PaintLook(TCanvas* Canvas) {
    const bool down = DrawnDown();
    TBitmap* image = down ? downImage_ : Enabled() ? up_ : disabled_;
    if (!image->Empty()) {
        const int shift = down ? 1 : 0;
        const int x = offset_->Left() + shift;
        const int y = offset_->Top() + shift;
        Canvas->Brush()->SetStyle(bsSolid);
        Canvas->Brush()->SetColor(Color());
        Canvas->BrushCopy(Rect(x, y, x + image->Width(), y + image->Height()), image,
                          Rect(0, 0, image->Width(), image->Height()), transparentColor_);
    }
    TvcShapeColorBtn::PaintLook(Canvas);
}

// --- TvcShapeIconColBtn ----------------------------------------------------------------------------

TvcShapeIconColBtn::TvcShapeIconColBtn(TComponent* AOwner)
    : TvcShapeColorBtn(AOwner), enabled_(new TIcon), disabledIcon_(new TIcon), downIcon_(new TIcon),
      offset_(new TvcBmpOffset) {
    offset_->SetLeft(2);
    offset_->SetTop(2);
    offset_->OnChange = TNotifyEvent::Bind<&TvcShapeIconColBtn::Changed>(this);
    SetBounds(Left(), Top(), 140, 140);
    TvcTextSize* text = TextSize();
    text->SetLeft(36);
    text->SetTop(36);
    text->SetWidth(96);
    text->SetHeight(96);
}

TvcShapeIconColBtn::~TvcShapeIconColBtn() {
    delete offset_;
    delete downIcon_;
    delete disabledIcon_;
    delete enabled_;
}

void TvcShapeIconColBtn::SetGlyphEnabled(const TIcon* Value) {
    enabled_->Assign(Value);
    SetIcons();
}

void TvcShapeIconColBtn::SetGlyphDisabled(const TIcon* Value) {
    disabledIcon_->Assign(Value);
    SetIcons();
}

void TvcShapeIconColBtn::SetGlyphDown(const TIcon* Value) {
    downIcon_->Assign(Value);
    SetIcons();
}

void TvcShapeIconColBtn::SetOffsetIcon(const TvcBmpOffset* Value) {
    CopyOffset(offset_, Value);
}

void TvcShapeIconColBtn::SetIcons() {
    if (autoAll_) FillIcons(enabled_, disabledIcon_, downIcon_);
    Invalidate();
}

void TvcShapeIconColBtn::PaintLook(TCanvas* Canvas) {
    const bool down = DrawnDown();
    TIcon* icon = down ? downIcon_ : Enabled() ? enabled_ : disabledIcon_;
    if (icon->Width() > 0) {
        const int shift = down ? 1 : 0;
        DrawIcon(Canvas->Handle(), offset_->Left() + shift, offset_->Top() + shift, icon->Handle());
    }
    TvcShapeColorBtn::PaintLook(Canvas);
}

// --- Published properties --------------------------------------------------------------------------

namespace {

using published::Property;

const bool kPublished = [] {
    using C = TvcShapeColorBtn;
    std::vector<TPropInfo> own = ShapeBtnProperties<C>(50, true);
    InsertRows(own, "Anchors",
               {
                   Property<C>(
                       "ShowFocus", [](const C& c) { return c.ShowFocus(); },
                       [](C& c, bool v) { c.SetShowFocus(v); }, true),
                   // The stream fills the button's own rectangle.
                   Property<C>(
                       "TextSize", [](const C& c) { return c.TextSize(); }, nullptr),
                   DefaultLookProperty<C>(),
               });
    InsertCaptionOptions<C>(own, "DefaultLook");
    InsertRows(
        own, "MultipleLines",
        {
            Property<C>(
                "ModalResult", [](const C& c) { return c.ModalResult(); },
                [](C& c, int v) { c.SetModalResult(v); }, 0),
            Property<C>(
                "Cancel", [](const C& c) { return c.Cancel(); }, [](C& c, bool v) { c.SetCancel(v); }, false),
            Property<C>(
                "Default", [](const C& c) { return c.Default(); }, [](C& c, bool v) { c.SetDefault(v); },
                false),
        });
    // Caption, font, popup menu and tab order are the standard rows.
    own.push_back(Property<C>(
        "TabStop", [](const C& c) { return c.TabStop(); }, [](C& c, bool v) { c.SetTabStop(v); }, true));
    for (TPropInfo& p : std::vector<TPropInfo>{
             EventField<C>("OnPaint", &C::OnPaint),
             Property<C>(
                 "OnGetRegion", [](const C&c) { return c.OnGetRegion(); },
                 [](C&c, TsbGetRegEvent v) { c.SetOnGetRegion(v); }),
             EventField<C>("OnOwnerDraw", &C::OnOwnerDraw),
             EventField<C>("OnMouseEnter", &C::OnMouseEnter),
             EventField<C>("OnMouseLeave", &C::OnMouseLeave),
         })
        own.push_back(std::move(p));
    PublishProperties<C, TComponent>(
        InOrder<C>(std::move(own),
                   "Left Top Anchors ShowFocus TextSize DefaultLook HorzAlign MultipleLines ModalResult "
                   "Cancel Default WordWrap Alignment Shape HighLightColor ShadowColor OnPaint OnGetRegion "
                   "OnOwnerDraw Color Caption Font ParentFont PopupMenu OnDragDrop OnDragOver OnEndDrag "
                   "DragMode DragCursor OnKeyDown OnKeyPress OnKeyUp ParentColor HelpContext Height Width "
                   "Enabled ParentShowHint ShowHint TabStop TabOrder Visible OnEnter OnExit OnClick "
                   "OnDblClick OnMouseDown OnMouseMove OnMouseUp OnMouseEnter OnMouseLeave"));

    // The variants' Color keeps its place and default.
    PublishProperties<TvcShapeGradBtn, C>(GradientProperties<TvcShapeGradBtn>());

    using B = TvcShapeBitColBtn;
    std::vector<TPropInfo> glyph = {Property<B>(
                                        "OffsetGlyph", [](const B& b) { return b.OffsetGlyph(); }, nullptr),
                                    EventField<B>("OnPaint", &B::OnPaint)};
    for (TPropInfo& p : GlyphImageProperties<B>()) glyph.push_back(std::move(p));
    PublishProperties<B, C>(std::move(glyph));

    // Square: 140 x 140.
    using I = TvcShapeIconColBtn;
    std::vector<TPropInfo> icon = {Property<I>(
        "OffsetIcon", [](const I& i) { return i.OffsetIcon(); }, nullptr)};
    for (TPropInfo& p : IconSetProperties<I>()) icon.push_back(std::move(p));
    icon.push_back(WidthProperty<I>(140));
    icon.push_back(HeightProperty<I>(140));
    PublishProperties<I, C>(std::move(icon));

    RegisterClass<TvcShapeColorBtn>();
    RegisterClass<TvcShapeGradBtn>();
    RegisterClass<TvcShapeBitColBtn>();
    RegisterClass<TvcShapeIconColBtn>();
    return true;
}();

} // namespace
