#include "indicator_controls/VanimateColorBtn.h"

#include "indicator_controls/ColorBtnProperties.h"
#include "indicator_controls/ControlProperties.h"

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

TvColorBtn::TvColorBtn(TComponent* AOwner) : TvCaptionOptions(AOwner, ColorBtnRules) {
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
    DrawCaption(Canvas, Rect, Caption(), CaptionFlags(), Enabled(), Between);
}

void TvColorBtn::Paint() {
    const int X = Width() - 1;
    const int Y = Height() - 1;
    const bool marked = Marked();
    const bool framed = DefaultLook() == dlFrame && marked;
    const int o = framed ? 1 : 0;
    const bool down = DrawnDown();
    auto picture = std::make_unique<TBitmap>();
    picture->SetPixelFormat(pf24bit);
    picture->SetSize(Width(), Height());
    TCanvas* canvas = picture->Canvas();

    PaintFace(canvas);
    if (!flat_ || (hot_ && Enabled()) || press_ || down_ || Designing(this))
        DrawButtonEdge(canvas, Width(), Height(), o, down_, highLight_, shadow_);
    if (framed) {
        canvas->Pen()->SetColor(clBlack);
        canvas->Polyline({TPoint(0, 0), TPoint(X, 0), TPoint(X, Y), TPoint(0, Y), TPoint(0, 0)});
    }

    SetCaptionFont(canvas, marked);
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

void TvGradBtn::PaintFace(TCanvas* Canvas) {
    // The bands leave the last column and row (and the first ones while down) to the face colour.
    TvColorBtn::PaintFace(Canvas);
    PaintGradient(Canvas, DrawnDown());
}

// --- TvBitColBtn -----------------------------------------------------------------------------------

void TvBitColBtn::PaintContent(TCanvas* Canvas, const TRect& Caption) {
    const bool enabled = Enabled();
    const bool down = DrawnDown();
    TBitmap* image = down ? downImage_ : !enabled ? disabled_ : hot_ ? hotImage_ : up_;
    PaintCaption(Canvas, BesideGlyph(Caption, 0), [&] {
        if (image->Empty()) return;
        const TPoint at =
            BesideCaption(Width(), Height(), image->Width(), image->Height(), BitmapWhere(), 5, down);
        Canvas->Brush()->SetStyle(bsSolid);
        Canvas->Brush()->SetColor(Color());
        Canvas->BrushCopy(Rect(at.X, at.Y, at.X + image->Width(), at.Y + image->Height()), image,
                          Rect(0, 0, image->Width(), image->Height()), TransparentColor());
    });
}

// --- TvIconColBtn ----------------------------------------------------------------------------------

void TvIconColBtn::PaintContent(TCanvas* Canvas, const TRect& Caption) {
    const bool down = DrawnDown();
    TIcon* icon = StateIcon(down);
    const int w = icon->Width();
    PaintCaption(Canvas, BesideIcon(Caption, w));
    if (w > 0) {
        const TPoint at = BesideCaption(Width(), Height(), w, icon->Height(), IconWhere(), 5, down);
        DrawIcon(Canvas->Handle(), at.X, at.Y, icon->Handle());
    }
}

// --- Published properties --------------------------------------------------------------------------

namespace {

using published::Property;

const bool kPublished = [] {
    using C = TvColorBtn;
    std::vector<TPropInfo> own = ColorBtnProperties<C>();
    for (TPropInfo& p : std::vector<TPropInfo>{
             Property<C>(
                 "TabStop", [](const C&c) { return c.TabStop(); }, [](C&c, bool v) { c.SetTabStop(v); },
                 true),
             Property<C>(
                 "ShowFocus", [](const C&c) { return c.ShowFocus(); }, [](C&c, bool v) { c.SetShowFocus(v); },
                 true),
             DefaultLookProperty<C>(),
             Property<C>(
                 "AutoFocus", [](const C&c) { return c.AutoFocus(); }, [](C&c, bool v) { c.SetAutoFocus(v); },
                 false),
             Property<C>(
                 "ModalResult", [](const C&c) { return c.ModalResult(); },
                 [](C&c, int v) { c.SetModalResult(v); }, 0),
             Property<C>(
                 "Default", [](const C&c) { return c.Default(); }, [](C&c, bool v) { c.SetDefault(v); },
                 false),
         })
        own.push_back(std::move(p));
    PublishProperties<C, TComponent>(InOrder<C>(
        std::move(own),
        "Left Top Anchors ShowFocus DefaultLook AutoFocus Flat HorzAlign MultipleLines WordWrap Alignment "
        "OnPaint Cancel ModalResult Default PopupMenu OnDragDrop OnDragOver OnEndDrag OnKeyDown OnKeyPress "
        "OnKeyUp OnMouseDown OnMouseMove OnMouseUp DragCursor DragMode Font ParentFont Caption Color "
        "ParentColor HelpContext HighLightColor ShadowColor TabStop TabOrder Width Height Enabled "
        "ParentShowHint ShowHint Visible OnEnter OnExit OnClick OnDblClick OnMouseEnter OnMouseLeave"));
    PublishProperties<TvGradBtn, C>(GradientProperties<TvGradBtn>());
    PublishProperties<TvBitColBtn, C>(GlyphStripProperties<TvBitColBtn>());
    PublishProperties<TvIconColBtn, C>(IconProperties<TvIconColBtn>());
    RegisterClass<TvColorBtn>();
    RegisterClass<TvGradBtn>();
    RegisterClass<TvBitColBtn>();
    RegisterClass<TvIconColBtn>();
    return true;
}();

} // namespace
