#include "indicator_controls/VanimateColorBtn.h"

#include "platform/gdi/Icon.h"
#include "platform/ui/Filer.h"
#include "platform/ui/Forms.h"
#include "platform/ui/Icons.h"
#include "platform/ui/TypInfo.h"

#include <memory>
#include <vector>

namespace {

// Down while the pointer is inside the client rectangle; hot only in flat mode, by the control
// under the pointer; repaints at once.
const TPushRules ColorBtnRules{TDownTracking::ClientRect,
                               TPressArea::ClientRect,
                               TMouseInWhen::FlatAndEnabled,
                               false,
                               true,
                               true,
                               false,
                               true};

bool Designing(const TComponent* c) {
    return c->ComponentState().Contains(TComponentStateItem::csDesigning);
}

} // namespace

TPoint BesideCaption(int Width, int Height, int w, int h, tBitWhere Where, int Margin, bool Down) {
    const int shift = Down ? 1 : 0;
    const int x = Where == v_BWRight ? Width - 1 - w - Margin : Margin;
    return TPoint(x + shift, (Height - 1 - h) / 2 + 1 + shift);
}

// --- TvColorBtn ------------------------------------------------------------------------------------

TvColorBtn::TvColorBtn(TComponent* AOwner) : TvcPushButton(AOwner, ColorBtnRules) {
    SetTabStop(true);
    ControlStyle = {csCaptureMouse, csClickEvents, csSetCaption, csOpaque, csDoubleClicks};
    SetBounds(Left(), Top(), 89, 33);
}

void TvColorBtn::SetShowFocus(bool Value) {
    showFocus_ = Value;
    Invalidate();
}

void TvColorBtn::SetFlat(bool Value) {
    if (Value == flat_) return;
    flat_ = Value;
    SetMouseIn();
    Invalidate();
}

void TvColorBtn::SetAlignment(TAlignment Value) {
    if (Value == alignment_) return;
    alignment_ = Value;
    Invalidate();
}

void TvColorBtn::SetHighLightColor(TColor Value) {
    if (Value == highLight_) return;
    highLight_ = Value;
    Invalidate();
}

void TvColorBtn::SetShadowColor(TColor Value) {
    if (Value == shadow_) return;
    shadow_ = Value;
    Invalidate();
}

void TvColorBtn::SetMultipleLines(bool Value) {
    multipleLines_ = Value;
    Invalidate();
}

void TvColorBtn::SetWordWrap(bool Value) {
    wordWrap_ = Value;
    Invalidate();
}

void TvColorBtn::SetHorzAlign(vbHorzAlign Value) {
    horzAlign_ = Value;
    Invalidate();
}

void TvColorBtn::SetDefaultLook(TvcDefLook Value) {
    if (Value == defaultLook_) return;
    defaultLook_ = Value;
    Invalidate();
}

bool TvColorBtn::IsKin(const TControl* Control) const {
    return dynamic_cast<const TvColorBtn*>(Control) != nullptr;
}

void TvColorBtn::MouseEntered() {
    if (autoFocus_ && !Focused() && CanFocus()) SetFocus();
}

void TvColorBtn::PaintFace(TCanvas* Canvas) {
    Canvas->Brush()->SetStyle(bsSolid);
    Canvas->Brush()->SetColor(Color());
    Canvas->FillRect(Rect(0, 0, Width(), Height()));
}

void TvColorBtn::PaintContent(TCanvas* Canvas, const TRect& Caption) {
    PaintCaption(Canvas, Caption);
}

void TvColorBtn::PaintCaption(TCanvas* Canvas, const TRect& Rect, const std::function<void()>& Between) {
    DrawCaption(Canvas, Rect, Caption(), CaptionFlags(alignment_, horzAlign_, multipleLines_, wordWrap_),
                Enabled(), Between);
}

void TvColorBtn::Paint() {
    const int X = Width() - 1;
    const int Y = Height() - 1;
    const bool marked = Marked();
    const int o = defaultLook_ == dlFrame && marked ? 1 : 0;
    const bool down = DrawnDown();
    auto picture = std::make_unique<TBitmap>();
    picture->SetPixelFormat(pf24bit);
    picture->SetSize(Width(), Height());
    TCanvas* canvas = picture->Canvas();

    PaintFace(canvas);
    TPen* pen = canvas->Pen();
    pen->SetWidth(1);
    pen->SetColor(shadow_);
    if (!flat_ || (hot_ && Enabled()) || press_ || down_ || Designing(this)) {
        const TColor l = down_ ? clBlack : highLight_;
        const TColor k = down_ ? highLight_ : clBlack;
        canvas->Polyline({TPoint(o, Y - o), TPoint(o, o), TPoint(X - o, o)});
        canvas->Polyline({TPoint(X - o - 1, o + 1), TPoint(X - o - 1, Y - o - 1), TPoint(o, Y - o - 1)});
        pen->SetColor(l);
        canvas->Polyline({TPoint(o + 1, Y - o), TPoint(o + 1, o + 1), TPoint(X - o, o + 1)});
        pen->SetColor(k);
        canvas->Polyline({TPoint(X - o, o), TPoint(X - o, Y - o), TPoint(o, Y - o)});
    }
    if (defaultLook_ == dlFrame && marked) {
        pen->SetColor(clBlack);
        canvas->Polyline({TPoint(0, 0), TPoint(X, 0), TPoint(X, Y), TPoint(0, Y), TPoint(0, 0)});
    }

    canvas->SetFont(Font());
    if (defaultLook_ == dlBold) canvas->Font()->SetStyle(marked ? TFontStyles{fsBold} : TFontStyles{});
    const int shift = down ? 1 : 0;
    PaintContent(canvas, TRect(5 + shift, 5 + shift, X - 4 + shift, Y - 4 + shift));

    if (Focused() && Enabled() && showFocus_) {
        canvas->Brush()->SetStyle(bsSolid);
        canvas->DrawFocusRect(TRect(o + 3, o + 3, Width() - o - 3, Height() - o - 3));
    }
    Canvas()->Draw(0, 0, picture.get());
    if (OnPaint) OnPaint(this);
}

// --- TvGradBtn -------------------------------------------------------------------------------------

void TvGradBtn::SetFillType(gradType Value) {
    fillType_ = Value;
    Invalidate();
}

void TvGradBtn::SetEndColor(TColor Value) {
    endColor_ = Value;
    Invalidate();
}

void TvGradBtn::SetBands(int Value) {
    bands_ = Value;
    Invalidate();
}

void TvGradBtn::PaintFace(TCanvas* Canvas) {
    // The bands leave the last column and row (and the first ones while down) to the face colour.
    TvColorBtn::PaintFace(Canvas);
    PaintGradientFace(Canvas, Width(), Height(), DrawnDown(), fillType_, Color(), endColor_, bands_);
}

// --- TvBitColBtn -----------------------------------------------------------------------------------

TvBitColBtn::TvBitColBtn(TComponent* AOwner)
    : TvColorBtn(AOwner), glyph_(new TBitmap), up_(new TBitmap), downImage_(new TBitmap),
      disabled_(new TBitmap), hotImage_(new TBitmap) {}

TvBitColBtn::~TvBitColBtn() {
    delete hotImage_;
    delete disabled_;
    delete downImage_;
    delete up_;
    delete glyph_;
}

void TvBitColBtn::SetGlyph(TBitmap* Value) {
    glyph_->Assign(Value);
    SplitBitmap();
}

void TvBitColBtn::SetNumGlyphs(tBitNumber Value) {
    if (Value < 1 || Value > 4) return;
    numGlyphs_ = Value;
    SplitBitmap();
}

void TvBitColBtn::SetTransparentColor(TColor Value) {
    transparentColor_ = Value;
    autoBackColor_ = false;
    SplitBitmap();
}

void TvBitColBtn::SetAutoBackColor(bool Value) {
    autoBackColor_ = Value;
    SplitBitmap();
}

void TvBitColBtn::SetBitmapWhere(tBitWhere Value) {
    bitmapWhere_ = Value;
    Invalidate();
}

void TvBitColBtn::SetTextOnTop(bool Value) {
    textOnTop_ = Value;
    SplitBitmap();
}

void TvBitColBtn::SplitBitmap() {
    ::SplitBitmap(glyph_, numGlyphs_, Color(), {up_, downImage_, disabled_, hotImage_});
    if (autoBackColor_ && !up_->Empty()) transparentColor_ = up_->Canvas()->Pixels(0, up_->Height() - 1);
    Invalidate();
}

void TvBitColBtn::Loaded() {
    TvColorBtn::Loaded();
    SplitBitmap();
}

void TvBitColBtn::Dispatch(TMessage& Message) {
    TvColorBtn::Dispatch(Message);
    // The embossed image stands on the face colour.
    if (Message.Msg == CM_COLORCHANGED) SplitBitmap();
}

void TvBitColBtn::PaintContent(TCanvas* Canvas, const TRect& Caption) {
    const bool enabled = Enabled();
    const bool down = DrawnDown();
    TBitmap* image = down ? downImage_ : !enabled ? disabled_ : hot_ ? hotImage_ : up_;
    const int w = up_->Width();
    TRect text = Caption;
    if (!textOnTop_) {
        if (bitmapWhere_ == v_BWRight)
            text.Right -= w;
        else
            text.Left += w;
    }
    PaintCaption(Canvas, text, [&] {
        if (image->Empty()) return;
        const TPoint at =
            BesideCaption(Width(), Height(), image->Width(), image->Height(), bitmapWhere_, 5, down);
        Canvas->Brush()->SetStyle(bsSolid);
        Canvas->Brush()->SetColor(Color());
        Canvas->BrushCopy(Rect(at.X, at.Y, at.X + image->Width(), at.Y + image->Height()), image,
                          Rect(0, 0, image->Width(), image->Height()), transparentColor_);
    });
}

// --- TvIconColBtn ----------------------------------------------------------------------------------

TvIconColBtn::TvIconColBtn(TComponent* AOwner)
    : TvColorBtn(AOwner), enabled_(new TIcon), disabledIcon_(new TIcon), downIcon_(new TIcon) {
    SetBounds(Left(), Top(), 140, 44);
}

TvIconColBtn::~TvIconColBtn() {
    delete downIcon_;
    delete disabledIcon_;
    delete enabled_;
}

void TvIconColBtn::SetGlyphEnabled(const TIcon* Value) {
    enabled_->Assign(Value);
    SetIcons();
}

void TvIconColBtn::SetGlyphDisabled(const TIcon* Value) {
    disabledIcon_->Assign(Value);
    SetIcons();
}

void TvIconColBtn::SetGlyphDown(const TIcon* Value) {
    downIcon_->Assign(Value);
    SetIcons();
}

void TvIconColBtn::SetIconWhere(tBitWhere Value) {
    iconWhere_ = Value;
    Invalidate();
}

void TvIconColBtn::SetIcons() {
    if (autoAll_) FillIcons(enabled_, disabledIcon_, downIcon_);
    Invalidate();
}

void TvIconColBtn::PaintContent(TCanvas* Canvas, const TRect& Caption) {
    const bool down = DrawnDown();
    TIcon* icon = down ? downIcon_ : Enabled() ? enabled_ : disabledIcon_;
    const int w = icon->Width();
    TRect text = Caption;
    if (iconWhere_ == v_BWRight)
        text.Right -= w;
    else
        text.Left += w;
    PaintCaption(Canvas, text);
    if (w > 0) {
        const TPoint at = BesideCaption(Width(), Height(), w, icon->Height(), iconWhere_, 5, down);
        DrawIcon(Canvas->Handle(), at.X, at.Y, icon->Handle());
    }
}

// --- Published properties --------------------------------------------------------------------------

namespace {

using published::Property;

template <class C> std::vector<TPropInfo> ControlProperties() {
    TPropInfo font = Property<C>(
        "Font", [](const C& c) { return c.Font(); }, nullptr);
    font.Stored = [](const TObject* o) { return !static_cast<const C*>(o)->ParentFont(); };
    return {
        Property<C>(
            "Left", [](const C& c) { return c.Left(); }, [](C& c, int v) { c.SetLeft(v); }),
        Property<C>(
            "Top", [](const C& c) { return c.Top(); }, [](C& c, int v) { c.SetTop(v); }),
        Property<C>(
            "Width", [](const C& c) { return c.Width(); }, [](C& c, int v) { c.SetWidth(v); }, 89),
        Property<C>(
            "Height", [](const C& c) { return c.Height(); }, [](C& c, int v) { c.SetHeight(v); }, 33),
        Property<C>(
            "Caption", [](const C& c) { return c.Caption(); },
            [](C& c, const std::string& v) { c.SetCaption(v); }),
        Property<C>(
            "Color", [](const C& c) { return c.Color(); }, [](C& c, TColor v) { c.SetColor(v); }, clWindow),
        font,
        Property<C>(
            "ParentFont", [](const C& c) { return c.ParentFont(); }, [](C& c, bool v) { c.SetParentFont(v); },
            true),
        Property<C>(
            "Enabled", [](const C& c) { return c.Enabled(); }, [](C& c, bool v) { c.SetEnabled(v); }, true),
        Property<C>(
            "Visible", [](const C& c) { return c.Visible(); }, [](C& c, bool v) { c.SetVisible(v); }, true),
        Property<C>(
            "TabStop", [](const C& c) { return c.TabStop(); }, [](C& c, bool v) { c.SetTabStop(v); }, true),
        Property<C>(
            "ShowFocus", [](const C& c) { return c.ShowFocus(); }, [](C& c, bool v) { c.SetShowFocus(v); },
            true),
        Property<C>(
            "DefaultLook", [](const C& c) { return c.DefaultLook(); },
            [](C& c, TvcDefLook v) { c.SetDefaultLook(v); }, dlBold),
        Property<C>(
            "AutoFocus", [](const C& c) { return c.AutoFocus(); }, [](C& c, bool v) { c.SetAutoFocus(v); },
            false),
        Property<C>(
            "Flat", [](const C& c) { return c.IsFlat(); }, [](C& c, bool v) { c.SetFlat(v); }, false),
        Property<C>(
            "HorzAlign", [](const C& c) { return c.HorzAlign(); },
            [](C& c, vbHorzAlign v) { c.SetHorzAlign(v); }, vbha_Center),
        Property<C>(
            "MultipleLines", [](const C& c) { return c.MultipleLines(); },
            [](C& c, bool v) { c.SetMultipleLines(v); }, false),
        Property<C>(
            "WordWrap", [](const C& c) { return c.WordWrap(); }, [](C& c, bool v) { c.SetWordWrap(v); },
            false),
        Property<C>(
            "Alignment", [](const C& c) { return c.Alignment(); },
            [](C& c, TAlignment v) { c.SetAlignment(v); }, taCenter),
        Property<C>(
            "Cancel", [](const C& c) { return c.Cancel(); }, [](C& c, bool v) { c.SetCancel(v); }, false),
        Property<C>(
            "ModalResult", [](const C& c) { return c.ModalResult(); },
            [](C& c, int v) { c.SetModalResult(v); }, 0),
        Property<C>(
            "Default", [](const C& c) { return c.Default(); }, [](C& c, bool v) { c.SetDefault(v); }, false),
        Property<C>(
            "HighLightColor", [](const C& c) { return c.HighLightColor(); },
            [](C& c, TColor v) { c.SetHighLightColor(v); }, clBtnHighlight),
        Property<C>(
            "ShadowColor", [](const C& c) { return c.ShadowColor(); },
            [](C& c, TColor v) { c.SetShadowColor(v); }, clBtnShadow),
    };
}

const bool kPublished = [] {
    PublishProperties<TvColorBtn, TComponent>(ControlProperties<TvColorBtn>());
    using G = TvGradBtn;
    PublishProperties<G, TvColorBtn>({
        Property<G>(
            "FillType", [](const G& g) { return g.FillType(); }, [](G& g, gradType v) { g.SetFillType(v); },
            gVert),
        Property<G>(
            "EndColor", [](const G& g) { return g.EndColor(); }, [](G& g, TColor v) { g.SetEndColor(v); },
            clBtnFace),
        Property<G>(
            "Bands", [](const G& g) { return g.Bands(); }, [](G& g, int v) { g.SetBands(v); }, 75),
    });
    using B = TvBitColBtn;
    PublishProperties<B, TvColorBtn>({
        Property<B>(
            "TextOnTop", [](const B& b) { return b.TextOnTop(); }, [](B& b, bool v) { b.SetTextOnTop(v); },
            false),
        Property<B>(
            "Glyph", [](const B& b) { return b.Glyph(); }, [](B& b, TBitmap* v) { b.SetGlyph(v); }),
        Property<B>(
            "NumGlyphs", [](const B& b) { return b.NumGlyphs(); }, [](B& b, int v) { b.SetNumGlyphs(v); }, 1),
        // No declared default: always stored.
        Property<B>(
            "TransparentColor", [](const B& b) { return b.TransparentColor(); },
            [](B& b, TColor v) { b.SetTransparentColor(v); }),
        Property<B>(
            "BitmapWhere", [](const B& b) { return b.BitmapWhere(); },
            [](B& b, tBitWhere v) { b.SetBitmapWhere(v); }, v_BWLeft),
        Property<B>(
            "AutoBackColor", [](const B& b) { return b.AutoBackColor(); },
            [](B& b, bool v) { b.SetAutoBackColor(v); }, false),
    });
    using I = TvIconColBtn;
    PublishProperties<I, TvColorBtn>({
        Property<I>(
            "Width", [](const I& i) { return i.Width(); }, [](I& i, int v) { i.SetWidth(v); }, 140),
        Property<I>(
            "Height", [](const I& i) { return i.Height(); }, [](I& i, int v) { i.SetHeight(v); }, 44),
        Property<I>(
            "AutoAllIcons", [](const I& i) { return i.AutoAllIcons(); },
            [](I& i, bool v) { i.SetAutoAllIcons(v); }, true),
        Property<I>(
            "GlyphEnabled", [](const I& i) { return i.GlyphEnabled(); },
            [](I& i, TIcon* v) { i.SetGlyphEnabled(v); }),
        Property<I>(
            "GlyphDown", [](const I& i) { return i.GlyphDown(); }, [](I& i, TIcon* v) { i.SetGlyphDown(v); }),
        Property<I>(
            "GlyphDisabled", [](const I& i) { return i.GlyphDisabled(); },
            [](I& i, TIcon* v) { i.SetGlyphDisabled(v); }),
        Property<I>(
            "IconWhere", [](const I& i) { return i.IconWhere(); },
            [](I& i, tBitWhere v) { i.SetIconWhere(v); }, v_BWLeft),
    });
    RegisterClass<TvColorBtn>();
    RegisterClass<TvGradBtn>();
    RegisterClass<TvBitColBtn>();
    RegisterClass<TvIconColBtn>();
    return true;
}();

} // namespace
