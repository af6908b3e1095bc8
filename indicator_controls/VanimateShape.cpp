#include "indicator_controls/VanimateShape.h"

#include "indicator_controls/ControlProperties.h"
#include "indicator_controls/ShapeBtnProperties.h"

#include "platform/gdi/DeviceContext.h"
#include "platform/ui/Filer.h"
#include "platform/ui/Forms.h"
#include "platform/ui/TypInfo.h"

#include <utility>
#include <vector>

namespace {

// Down only inside the outline, pressed only there, and a release outside it does not click.
const TPushRules ShapeBtnRules{
    TDownTracking::Outline, TPressArea::Outline, TMouseInWhen::Never, false, false, false, true, true};

} // namespace

TvShapeBtn::TvShapeBtn(TComponent* AOwner) : TvPushButton(AOwner, ShapeBtnRules) {
    ControlStyle = {csCaptureMouse, csClickEvents};
    SetBounds(Left(), Top(), 25, 25);
    SetColor(clBtnFace);
    UpdateRegion();
}

void TvShapeBtn::SetShape(sbType Value) {
    if (Value == shape_) return;
    shape_ = Value;
    accel_ = Value == sbPlus ? "&+" : Value == sbMinus ? "&-" : "";
    ForgetGivenRegion();
    UpdateRegion();
    Invalidate();
}

void TvShapeBtn::SetHighLightColor(TColor Value) {
    if (Value == highLight_) return;
    highLight_ = Value;
    Invalidate();
}

void TvShapeBtn::SetShadowColor(TColor Value) {
    if (Value == shadow_) return;
    shadow_ = Value;
    Invalidate();
}

void TvShapeBtn::SetTransparent(bool Value) {
    if (Value == transparent_) return;
    transparent_ = Value;
    Invalidate();
}

char TvShapeBtn::AcceleratorKey() const {
    return accel_.size() == 2 && accel_[0] == '&' ? accel_[1] : ' ';
}

void TvShapeBtn::SetAcceleratorKey(char Value) {
    accel_ = Value == ' ' ? std::string() : std::string("&") + Value;
}

void TvShapeBtn::SetOnGetRegion(TsbGetRegEvent Value) {
    onGetRegion_ = Value;
    ForgetGivenRegion();
    UpdateRegion();
}

RegionValue TvShapeBtn::WantedRegion() {
    return ButtonRegion(this, shape_, TShapeFamily::Graphic, onGetRegion_, Width(), Height());
}

void TvShapeBtn::Paint() {
    TCanvas* canvas = Canvas();
    const bool down = down_ && Enabled();
    canvas->Brush()->SetStyle(bsSolid);
    canvas->Brush()->SetColor(Color());
    canvas->Pen()->SetWidth(1);
    if (!transparent_) {
        if (shape_ == sbOwnerDraw && OnOwnerDraw) {
            OnOwnerDraw(this, canvas, down, Width(), Height(), shown_.Handle(), shadow_, highLight_);
        } else {
            HDC dc = canvas->Handle();
            if (IsTriangleShape(shape_)) {
                HBRUSH frame = CreateSolidBrush(ColorToRGB(shadow_));
                FrameRgn(dc, shown_.Handle(), frame, 1, 1);
                DeleteObject(frame);
            }
            PaintRgn(dc, shown_.Handle());
            DrawShapeEdges(canvas, shape_, TShapeFamily::Graphic, Width(), Height(), down, shadow_,
                           highLight_);
        }
    } else if (ComponentState().Contains(TComponentStateItem::csDesigning) && shown_.HasRegion()) {
        // Invisible at run time; the designer shows where the hot spot is.
        HBRUSH black = CreateSolidBrush(0);
        FrameRgn(canvas->Handle(), shown_.Handle(), black, 1, 1);
        DeleteObject(black);
    }
    if (OnPaint) OnPaint(this);
}

void TvShapeBtn::Dispatch(TMessage& Message) {
    if (Message.Msg == CM_DIALOGCHAR) {
        // A disabled button ignores its accelerator.
        if (Enabled() && IsAccel(static_cast<unsigned>(Message.WParam), accel_)) {
            TGraphicControl::Click();
            Message.Result = 1;
            return;
        }
    }
    TvPushButton::Dispatch(Message);
}

// --- Published properties --------------------------------------------------------------------------

namespace {

using published::Property;

const bool kPublished = [] {
    using S = TvShapeBtn;
    // The edge colours have no declared default.
    std::vector<TPropInfo> own = ShapeBtnProperties<S>(25, false);
    for (TPropInfo& p : std::vector<TPropInfo>{
             Property<S>(
                 "Transparent", [](const S&s) { return s.Transparent(); },
                 [](S&s, bool v) { s.SetTransparent(v); }, false),
             Property<S>(
                 "AcceleratorKey", [](const S&s) { return s.AcceleratorKey(); },
                 [](S&s, char v) { s.SetAcceleratorKey(v); }, ' '),
             EventField<S>("OnPaint", &S::OnPaint),
             Property<S>(
                 "OnGetRegion", [](const S&s) { return s.OnGetRegion(); },
                 [](S&s, TsbGetRegEvent v) { s.SetOnGetRegion(v); }),
             EventField<S>("OnOwnerDraw", &S::OnOwnerDraw),
             EventField<S>("OnMouseEnter", &S::OnMouseEnter),
             EventField<S>("OnMouseLeave", &S::OnMouseLeave),
         })
        own.push_back(std::move(p));
    // The shape is read after the key, and the plus and the minus set their own.
    PublishProperties<S, TComponent>(InOrder<S>(
        std::move(own), "Left Top Anchors DragCursor DragMode Transparent AcceleratorKey Shape "
                        "HighLightColor ShadowColor OnPaint OnGetRegion OnOwnerDraw Color ParentColor Height "
                        "Width Enabled ParentShowHint ShowHint Visible OnClick OnMouseDown OnMouseMove "
                        "OnMouseUp OnDragDrop OnDragOver OnEndDrag OnMouseEnter OnMouseLeave"));
    RegisterClass<TvShapeBtn>();
    return true;
}();

} // namespace
