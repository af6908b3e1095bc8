#include "indicator_controls/VanimateNWBtn.h"

#include "indicator_controls/ColorBtnProperties.h"
#include "indicator_controls/ControlProperties.h"
#include "indicator_controls/Vanimate.h"
#include "platform/gdi/Icon.h"
#include "platform/ui/Filer.h"
#include "platform/ui/Forms.h"
#include "platform/ui/Icons.h"
#include "platform/ui/TypInfo.h"

#include <memory>
#include <vector>

namespace {

// Down while the pointer is inside the client rectangle; where the pointer is asked at every
// chance while enabled, flat or not, though only a flat button turns hot by it.
const TPushRules NWColorBtnRules{
    TDownTracking::ClientRect, TPressArea::ClientRect, TMouseInWhen::Enabled, false, true, true, false, true};

bool Designing(const TComponent* c) {
    return c->ComponentState().Contains(TComponentStateItem::csDesigning);
}

} // namespace

TColor Grey(TColor Color) {
    const auto c = static_cast<COLORREF>(Color);
    const int sum = GetRValue(c) + GetGValue(c) + GetBValue(c);
    const auto v = static_cast<BYTE>((sum + 1) / 3); // the mean's fraction is a third or two, never a half
    return static_cast<TColor>(0x02000000 | RGB(v, v, v));
}

// --- TvNWColorBtn ----------------------------------------------------------------------------------

TvNWColorBtn::TvNWColorBtn(TComponent* AOwner) : TvPushButton(AOwner, NWColorBtnRules) {
    ControlStyle = {csCaptureMouse, csClickEvents, csSetCaption, csOpaque};
    SetBounds(Left(), Top(), 89, 33);
}

void TvNWColorBtn::SetLeftOffSet(int Value) {
    if (Value == leftOffSet_) return;
    leftOffSet_ = Value;
    Invalidate();
}

void TvNWColorBtn::SetTopOffSet(int Value) {
    if (Value == topOffSet_) return;
    topOffSet_ = Value;
    Invalidate();
}

void TvNWColorBtn::SetGlassValue(TvGlassValue Value) {
    glass_ = Value;
    Invalidate();
}

void TvNWColorBtn::SetTransparent(bool Value) {
    if (Value == transparent_) return;
    transparent_ = Value;
    if (Value)
        ControlStyle.Exclude(csOpaque);
    else
        ControlStyle.Include(csOpaque);
    hot_ = false;
    SetMouseIn();
    Invalidate();
}

void TvNWColorBtn::SetFlat(bool Value) {
    if (Value == flat_) return;
    flat_ = Value;
    SetMouseIn();
    Invalidate();
}

void TvNWColorBtn::SetAlignment(TAlignment Value) {
    if (Value == alignment_) return;
    alignment_ = Value;
    Invalidate();
}

void TvNWColorBtn::SetHighLightColor(TColor Value) {
    if (Value == highLight_) return;
    highLight_ = Value;
    Invalidate();
}

void TvNWColorBtn::SetShadowColor(TColor Value) {
    if (Value == shadow_) return;
    shadow_ = Value;
    Invalidate();
}

void TvNWColorBtn::SetMultipleLines(bool Value) {
    multipleLines_ = Value;
    Invalidate();
}

void TvNWColorBtn::SetWordWrap(bool Value) {
    wordWrap_ = Value;
    Invalidate();
}

void TvNWColorBtn::SetHorzAlign(vbHorzAlign Value) {
    horzAlign_ = Value;
    Invalidate();
}

void TvNWColorBtn::SetMovement(bool Value) {
    if (Value == movement_) return;
    movement_ = Value;
    SetMouseIn();
    Invalidate();
}

void TvNWColorBtn::SetFrame(bool Value) {
    if (Value == frame_) return;
    frame_ = Value;
    SetMouseIn();
    Invalidate();
}

void TvNWColorBtn::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
    TvPushButton::SetBounds(ALeft, ATop, AWidth, AHeight);
    Invalidate();
}

void TvNWColorBtn::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    const bool wasDown = down_;
    TvPushButton::MouseDown(Button, Shift, X, Y);
    // A press makes the button hot, flat or not, until SetMouseIn looks again.
    if (!wasDown && down_) hot_ = true;
}

void TvNWColorBtn::Dispatch(TMessage& Message) {
    switch (Message.Msg) {
    case CM_DIALOGCHAR:
        // A disabled button ignores its accelerator.
        if (Enabled() && IsAccel(static_cast<unsigned>(Message.WParam), Caption())) {
            Click();
            Message.Result = 1;
            return;
        }
        break;
    case CN_KEYDOWN:
        if (EnterClicks(Message, true)) return;
        break;
    case CN_COMMAND:
        if (ClickNotified(Message)) return;
        break;
    default:
        break;
    }
    TvPushButton::Dispatch(Message);
}

void TvNWColorBtn::PaintContent(TCanvas* Canvas, const TRect& Caption) {
    PaintCaption(Canvas, Caption);
}

void TvNWColorBtn::PaintCaption(TCanvas* Canvas, const TRect& Rect, const std::function<void()>& Between) {
    DrawCaption(Canvas, Rect, Caption(), CaptionFlags(alignment_, horzAlign_, multipleLines_, wordWrap_),
                Enabled(), Between);
}

void TvNWColorBtn::Paint() {
    const int w = Width(), h = Height();
    auto picture = std::make_unique<TBitmap>();
    picture->SetPixelFormat(pf24bit);
    picture->SetSize(w, h);
    TCanvas* canvas = picture->Canvas();
    const TRect all = Rect(0, 0, w, h);
    if (transparent_) canvas->CopyRect(all, Canvas(), all);

    canvas->Brush()->SetStyle(bsSolid);
    canvas->Brush()->SetColor(Color());
    canvas->Pen()->SetWidth(1);
    if (!transparent_) {
        canvas->FillRect(all);
    } else if (glass_ > 0) {
        // The background lightened: every pixel ORed with the grey level.
        TBitmap glass;
        glass.SetPixelFormat(pf24bit);
        glass.SetSize(w, h);
        glass.Canvas()->Brush()->SetColor(Grey(static_cast<TColor>(RGB(glass_, glass_, glass_))));
        glass.Canvas()->FillRect(all);
        canvas->CopyMode = cmSrcPaint;
        canvas->CopyRect(all, glass.Canvas(), all);
        canvas->CopyMode = cmSrcCopy;
    }
    if (frame_ && (!flat_ || (hot_ && Enabled()) || press_ || down_ || Designing(this)))
        DrawButtonEdge(canvas, w, h, 0, down_, highLight_, shadow_);

    canvas->SetFont(Font());
    const int shift = Moved() ? 1 : 0;
    PaintContent(canvas, TRect(leftOffSet_ + shift, topOffSet_ + shift, w - leftOffSet_ + shift,
                               h - topOffSet_ + shift));
    Canvas()->Draw(0, 0, picture.get());
    if (OnPaint) OnPaint(this);
}

// --- TvNWBitColBtn ---------------------------------------------------------------------------------

void TvNWBitColBtn::SetGlyphMargin(unsigned Value) {
    margin_ = Value;
    SplitBitmap();
}

void TvNWBitColBtn::PaintContent(TCanvas* Canvas, const TRect& Caption) {
    TBitmap* image = down_ ? downImage_ : !Enabled() ? disabled_ : hot_ && !Designing(this) ? hotImage_ : up_;
    const int m = static_cast<int>(margin_);
    PaintCaption(Canvas, BesideGlyph(Caption, m), [&] {
        if (image->Empty()) return;
        const TPoint at =
            BesideCaption(Width(), Height(), image->Width(), image->Height(), BitmapWhere(), m, Moved());
        TransparentBlt(Canvas, image, at.X, at.Y, TransparentColor());
    });
}

// --- TvNWIconColBtn --------------------------------------------------------------------------------

void TvNWIconColBtn::SetGlyphMargin(unsigned Value) {
    margin_ = Value;
    Invalidate();
}

void TvNWIconColBtn::PaintContent(TCanvas* Canvas, const TRect& Caption) {
    TIcon* icon = StateIcon(down_);
    const int w = icon->Width();
    PaintCaption(Canvas, BesideIcon(Caption, w));
    if (w > 0) {
        const TPoint at = BesideCaption(Width(), Height(), w, icon->Height(), IconWhere(),
                                        static_cast<int>(margin_), Moved());
        DrawIcon(Canvas->Handle(), at.X, at.Y, icon->Handle());
    }
}

// --- Published properties --------------------------------------------------------------------------

namespace {

using published::Property;

const bool kPublished = [] {
    using N = TvNWColorBtn;
    std::vector<TPropInfo> own = ColorBtnProperties<N>();
    for (TPropInfo& p : std::vector<TPropInfo>{
             Property<N>(
                 "LeftOffSet", [](const N&n) { return n.LeftOffSet(); },
                 [](N&n, int v) { n.SetLeftOffSet(v); }, 5),
             Property<N>(
                 "TopOffSet", [](const N&n) { return n.TopOffSet(); }, [](N&n, int v) { n.SetTopOffSet(v); },
                 5),
             Property<N>(
                 "Frame", [](const N&n) { return n.Frame(); }, [](N&n, bool v) { n.SetFrame(v); }, true),
             Property<N>(
                 "Movement", [](const N&n) { return n.Movement(); }, [](N&n, bool v) { n.SetMovement(v); },
                 true),
             // No declared default: always stored.
             Property<N>(
                 "Transparent", [](const N&n) { return n.Transparent(); },
                 [](N&n, bool v) { n.SetTransparent(v); }),
             Property<N>(
                 "GlassValue", [](const N&n) { return n.GlassValue(); },
                 [](N&n, int v) { n.SetGlassValue(static_cast<TvGlassValue>(v)); }, 0),
         })
        own.push_back(std::move(p));
    PublishProperties<N, TComponent>(InOrder<N>(
        std::move(own), "Left Top Anchors LeftOffSet TopOffSet Frame Movement Flat HorzAlign MultipleLines "
                        "WordWrap Alignment OnPaint Cancel PopupMenu OnDragDrop OnDragOver OnEndDrag "
                        "OnMouseDown OnMouseMove OnMouseUp DragCursor DragMode Font ParentFont Caption Color "
                        "ParentColor HighLightColor ShadowColor Width Height Enabled ParentShowHint ShowHint "
                        "Visible OnClick OnMouseEnter OnMouseLeave Transparent GlassValue"));

    using B = TvNWBitColBtn;
    std::vector<TPropInfo> glyph = GlyphStripProperties<B>();
    glyph.push_back(Property<B>(
        "GlyphMargin", [](const B& b) { return static_cast<int>(b.GlyphMargin()); },
        [](B& b, int v) { b.SetGlyphMargin(static_cast<unsigned>(v)); }, 5));
    PublishProperties<B, N>(std::move(glyph));

    using I = TvNWIconColBtn;
    std::vector<TPropInfo> icon = IconProperties<I>();
    icon.insert(icon.begin(), Property<I>(
                                  "GlyphMargin", [](const I& i) { return static_cast<int>(i.GlyphMargin()); },
                                  [](I& i, int v) { i.SetGlyphMargin(static_cast<unsigned>(v)); }, 5));
    PublishProperties<I, N>(std::move(icon));

    RegisterClass<TvNWColorBtn>();
    RegisterClass<TvNWBitColBtn>();
    RegisterClass<TvNWIconColBtn>();
    return true;
}();

} // namespace
