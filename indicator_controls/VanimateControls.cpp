// Unit Vanimate: the bitmap, animation, divider and frame controls.
#include "indicator_controls/Vanimate.h"

#include "indicator_controls/ControlProperties.h"

#include "platform/ui/ExtCtrls.h"
#include "platform/ui/Filer.h"
#include "platform/ui/TypInfo.h"

#include <algorithm>
#include <memory>
#include <utility>

// --- TvcCustomBitmap ------------------------------------------------------------------------------

TvcCustomBitmap::TvcCustomBitmap(TComponent* AOwner) : TGraphicControl(AOwner), FBitMap(new TBitmap) {
    ControlStyle.Include(csOpaque);
    SetBounds(Left(), Top(), 30, 30);
}

TvcCustomBitmap::~TvcCustomBitmap() {
    delete FBitMap;
}

void TvcCustomBitmap::Redraw() {
    if (Parent() && Visible()) {
        const TRect r = BoundsRect();
        Parent()->InvalidateRect(&r, true);
    }
    Invalidate();
}

void TvcCustomBitmap::RefreshAutoColor() {
    // The bottom-left pixel of the bitmap itself, whatever the control's height.
    if (FAutoBackColor && !FBitMap->Empty())
        FTransparentColor =
            static_cast<TColor>(ColorToRGB(FBitMap->Canvas()->Pixels(0, FBitMap->Height() - 1)));
}

void TvcCustomBitmap::SetBitMap(TBitmap* Value) {
    FBitMap->Assign(Value);
    // While a form is read the stored bounds stand (an animation's width is one frame's).
    if (SizesToBitmap() && !ComponentState().Contains(TComponentStateItem::csLoading)) {
        const int w = FBitMap->Width(), h = FBitMap->Height();
        SetBounds(Left(), Top(), w == 0 ? 30 : w, h == 0 ? 30 : h);
    }
    RefreshAutoColor();
    Redraw();
}

void TvcCustomBitmap::SetTransparent(bool Value) {
    if (Value == FTransparent) return;
    FTransparent = Value;
    Redraw();
}

void TvcCustomBitmap::SetRealTransparent(bool Value) {
    if (Value == FRealTransparent) return;
    FRealTransparent = Value;
    Redraw();
}

void TvcCustomBitmap::SetAuto(bool Value) {
    if (Value == FAutoBackColor) return;
    FAutoBackColor = Value;
    RefreshAutoColor();
    Redraw();
}

void TvcCustomBitmap::SetTransparentColor(TColor Value) {
    if (Value == FTransparentColor) return;
    FTransparentColor = Value;
    FAutoBackColor = false;
    Invalidate();
}

void TvcCustomBitmap::Darken(bool UseTransparent, std::uint8_t Percent) {
    RefreshAutoColor();
    DarkenBMP(FBitMap, Percent, UseTransparent, FTransparentColor);
    Invalidate();
}

void TvcCustomBitmap::Lighten(bool UseTransparent, std::uint8_t Percent) {
    RefreshAutoColor();
    LightenBMP(FBitMap, Percent, UseTransparent, FTransparentColor);
    Invalidate();
}

void TvcCustomBitmap::GreyScale(bool UseTransparent) {
    RefreshAutoColor();
    GreyBMP(FBitMap, UseTransparent, FTransparentColor);
    Invalidate();
}

void TvcCustomBitmap::Raster(int Kind) {
    RefreshAutoColor();
    RasterBMP(FBitMap, FTransparentColor, Kind);
    // Seen through, the parent must paint the new holes again.
    if (FRealTransparent && Visible()) {
        Hide();
        Invalidate();
        Show();
    } else {
        Invalidate();
    }
}

void TvcCustomBitmap::ColorNoise(int N) {
    RefreshAutoColor();
    AddColorNoise(FBitMap, N);
    Invalidate();
}

void TvcCustomBitmap::BWNoise(int N) {
    RefreshAutoColor();
    AddBWNoise(FBitMap, N);
    Invalidate();
}

void TvcCustomBitmap::Contrast(int N) {
    RefreshAutoColor();
    ::Contrast(FBitMap, N);
    Invalidate();
}

void TvcCustomBitmap::Saturation(int N) {
    RefreshAutoColor();
    ::Saturation(FBitMap, N);
    Invalidate();
}

void TvcCustomBitmap::Sharpen(int N) {
    RefreshAutoColor();
    ::Sharpen(FBitMap, N);
    Invalidate();
}

void TvcCustomBitmap::Blur(int N) {
    RefreshAutoColor();
    ::Blur(FBitMap, N);
    Invalidate();
}

void TvcCustomBitmap::GaussianBlur(int N) {
    RefreshAutoColor();
    ::GaussianBlur(FBitMap, N);
    Invalidate();
}

void TvcCustomBitmap::Flip() {
    FlipBMP(FBitMap);
    Invalidate();
}

void TvcCustomBitmap::Mirror() {
    MirrorBMP(FBitMap);
    Invalidate();
}

void TvcCustomBitmap::ReplaceColor(TColor OldColor, TColor NewColor) {
    ::ReplaceColor(FBitMap, OldColor, NewColor);
    Invalidate();
}

void TvcCustomBitmap::BW() {
    if (FBitMap->Monochrome()) return;
    FBitMap->SetMonochrome(true);
    FBitMap->SetMonochrome(false);
    Invalidate();
}

void TvcCustomBitmap::Rotate(double Angle) {
    RefreshAutoColor();
    TBitmap turned;
    turned.SetPixelFormat(FBitMap->PixelFormat());
    turned.SetSize(Width(), Height());
    turned.Canvas()->Brush()->SetColor(FTransparentColor);
    turned.Canvas()->FillRect(Rect(0, 0, Width(), Height()));
    BMPRotate(FBitMap, &turned, Angle);
    FBitMap->Assign(&turned);
    Invalidate();
}

void TvcCustomBitmap::Paint() {
    const int W = Width(), H = Height();
    TCanvas* canvas = Canvas();
    if (FBitMap->Empty()) {
        canvas->Brush()->SetStyle(bsSolid);
        canvas->Brush()->SetColor(clWhite);
        canvas->FillRect(Rect(0, 0, W, H));
    } else {
        RefreshAutoColor();
        TBitmap scratch;
        TBitmap* picture = MakePicture(scratch);
        const TRect S = Rect(W * FFrame, 0, W * FFrame + W, H);
        const TRect D = Rect(0, 0, W, H);
        if (!FTransparent || FTransparentColor < 0) {
            canvas->CopyRect(D, picture->Canvas(), S);
        } else {
            TBitmap work;
            work.SetSize(picture->Width(), picture->Height());
            if (FRealTransparent) {
                work.Canvas()->CopyRect(D, picture->Canvas(), S);
                TransparentBlt(canvas, &work, 0, 0, FTransparentColor);
            } else {
                work.Canvas()->Brush()->SetColor(Color());
                work.Canvas()->FillRect(Rect(0, 0, work.Width(), work.Height()));
                work.Canvas()->BrushCopy(D, picture, S, FTransparentColor);
                canvas->CopyRect(D, work.Canvas(), D);
            }
        }
    }
    if (ComponentState().Contains(TComponentStateItem::csDesigning)) {
        canvas->Pen()->SetStyle(psDash);
        canvas->Pen()->SetColor(clBlack);
        canvas->Brush()->SetStyle(bsClear);
        canvas->Rectangle(0, 0, W, H);
    }
    if (OnPaint) OnPaint(this);
}

void TvcCustomBitmap::Dispatch(TMessage& Message) {
    switch (Message.Msg) {
    case CM_MOUSEENTER:
        TGraphicControl::Dispatch(Message);
        if (OnMouseEnter) OnMouseEnter(this);
        return;
    case CM_MOUSELEAVE:
        TGraphicControl::Dispatch(Message);
        if (OnMouseLeave) OnMouseLeave(this);
        return;
    default:
        TGraphicControl::Dispatch(Message);
        return;
    }
}

// --- TvBitmap -------------------------------------------------------------------------------------

void TvBitmap::SetDrawType(vcBitmapDraw Value) {
    if (Value == FDrawType) return;
    FDrawType = Value;
    Redraw();
}

TBitmap* TvBitmap::MakePicture(TBitmap& Scratch) {
    const int W = Width(), H = Height();
    switch (FDrawType) {
    case bdDrawStretch:
        Scratch.SetPixelFormat(FBitMap->PixelFormat());
        Scratch.SetSize(W, H);
        Scratch.Canvas()->StretchDraw(Rect(0, 0, W, H), FBitMap);
        return &Scratch;
    case bdDrawCenter:
        Scratch.SetPixelFormat(FBitMap->PixelFormat());
        Scratch.SetSize(W, H);
        Scratch.Canvas()->Brush()->SetColor(FTransparentColor);
        Scratch.Canvas()->FillRect(Rect(0, 0, W, H));
        Scratch.Canvas()->Draw((W - FBitMap->Width()) / 2, (H - FBitMap->Height()) / 2, FBitMap);
        return &Scratch;
    default:
        return FBitMap;
    }
}

// --- TvAnimated -----------------------------------------------------------------------------------

TvAnimated::TvAnimated(TComponent* AOwner) : TvcCustomBitmap(AOwner) {}

// The control may be freed from OnChangeFrame, inside its timer's tick.
TvAnimated::~TvAnimated() {
    StopTimer();
}

void TvAnimated::SetFrameCount(int Value) {
    Value = std::max(Value, 1);
    if (Value == FFrameCount) return;
    FFrameCount = Value;
    Invalidate();
}

void TvAnimated::SetFrame(int Value) {
    Value = Value < 0 ? FFrameCount - 1 : Value % FFrameCount;
    if (Value == FFrame) return;
    FFrame = Value;
    if (OnChangeFrame) OnChangeFrame(this);
    Invalidate();
}

void TvAnimated::StartTimer() {
    FTimer = new TTimer(this);
    FTimer->SetInterval(static_cast<unsigned>(FInterval));
    FTimer->OnTimer = TNotifyEvent::Bind<&TvAnimated::TimeHit>(this);
}

void TvAnimated::StopTimer() {
    RetireTimer(std::exchange(FTimer, nullptr));
}

void TvAnimated::SetPlay(bool Value) {
    if (Value == FPlay) return;
    FPlay = Value;
    if (!Value)
        StopTimer();
    else if (FInterval > 0 && !FTimer)
        StartTimer();
}

void TvAnimated::SetInterval(int Value) {
    if (Value == FInterval) return;
    StopTimer();
    FInterval = Value;
    if (FPlay && Value > 0) StartTimer();
}

void TvAnimated::TimeHit(TObject*) {
    if (!FReverse) {
        SetFrame(FFrame + 1);
        if (FFrame == FFrameCount - 1 && !FLoop) SetPlay(false);
    } else {
        SetFrame(FFrame - 1);
        if (FFrame == 0 && !FLoop) SetPlay(false);
    }
}

// --- TvDivider ------------------------------------------------------------------------------------

TvDivider::TvDivider(TComponent* AOwner) : TGraphicControl(AOwner) {
    ControlStyle.Exclude(csOpaque);
    SetBounds(Left(), Top(), 50, 50);
}

void TvDivider::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
    TGraphicControl::SetBounds(ALeft, ATop, std::max(AWidth, 2), std::max(AHeight, 2));
}

void TvDivider::SetOrientation(doType Value) {
    if (Value == FOrientation) return;
    FOrientation = Value;
    Invalidate();
}

void TvDivider::SetRaised(bool Value) {
    if (Value == FRaised) return;
    FRaised = Value;
    Invalidate();
}

void TvDivider::Paint() {
    const int W = std::max(Width(), 2), H = std::max(Height(), 2);
    const TColor first = FRaised ? clBtnHighlight : clBtnShadow;
    const TColor second = FRaised ? clBtnShadow : clBtnHighlight;
    TCanvas* c = Canvas();
    c->Pen()->SetStyle(psSolid);
    c->Pen()->SetWidth(1);
    c->Pen()->SetColor(first);
    if (FOrientation == doHorz) {
        c->MoveTo(0, 0);
        c->LineTo(W, 0);
        c->Pen()->SetColor(second);
        c->MoveTo(0, 1);
        c->LineTo(W, 1);
    } else {
        c->MoveTo(0, 0);
        c->LineTo(0, H);
        c->Pen()->SetColor(second);
        c->MoveTo(1, 0);
        c->LineTo(1, H);
    }
    if (OnPaint) OnPaint(this);
}

// --- TvFrame --------------------------------------------------------------------------------------

TvFrame::TvFrame(TComponent* AOwner) : TGraphicControl(AOwner) {
    ControlStyle = {};
    SetBounds(Left(), Top(), 50, 50);
    SetEnabled(false);
}

void TvFrame::SetFilled(bool Value) {
    FFilled = Value;
    Invalidate();
}

void TvFrame::SetBevelInner(TBevelCut Value) {
    FBevelInner = Value;
    Invalidate();
}

void TvFrame::SetBevelOuter(TBevelCut Value) {
    FBevelOuter = Value;
    Invalidate();
}

void TvFrame::SetBevelWidth(int Value) {
    FBevelWidth = Value;
    Invalidate();
}

void TvFrame::SetBorderWidth(int Value) {
    FBorderWidth = Value;
    Invalidate();
}

void TvFrame::Paint() {
    TRect R = ClientRect();
    TCanvas* c = Canvas();
    c->Brush()->SetColor(Color());
    if (FFilled) {
        c->Brush()->SetStyle(bsSolid);
        c->FillRect(R);
    } else {
        c->Brush()->SetStyle(bsClear);
    }
    auto bevel = [&](TBevelCut cut) {
        if (cut == TBevelCut::bvNone) return;
        const bool lowered = cut == TBevelCut::bvLowered;
        Frame3D(c, R, lowered ? clBtnShadow : clBtnHighlight, lowered ? clBtnHighlight : clBtnShadow,
                FBevelWidth);
    };
    bevel(FBevelOuter);
    Frame3D(c, R, Color(), Color(), FBorderWidth);
    bevel(FBevelInner);
    if (OnPaint) OnPaint(this);
}

// --- Published properties -------------------------------------------------------------------------

namespace {

using published::Property;

// Where the control stands, its size with the declared default, and whether it shows.
template <class C> std::vector<TPropInfo> BoundsProperties(int size) {
    return Rows(PlaceProperties<C>(), WidthProperty<C>(size), HeightProperty<C>(size),
                published::Standard<C>("Visible"));
}

// The usual mouse and drag events of a graphic control.
template <class C> std::vector<TPropInfo> MouseAndDragEvents() {
    return StandardRows<C>(
        "OnClick OnDblClick OnMouseDown OnMouseMove OnMouseUp OnDragDrop OnDragOver OnEndDrag OnStartDrag");
}

const bool kPublished = [] {
    using B = TvcCustomBitmap;
    using published::Standard;
    PublishProperties<B, TComponent>(
        Rows(BoundsProperties<B>(30), Standard<B>("Enabled"),
             Property<B>(
                 "AutoBackColor", [](const B& b) { return b.AutoBackColor(); },
                 [](B& b, bool v) { b.SetAuto(v); }, false),
             Property<B>(
                 "RealTransparent", [](const B& b) { return b.RealTransparent(); },
                 [](B& b, bool v) { b.SetRealTransparent(v); }, false),
             Property<B>(
                 "BitMap", [](const B& b) { return b.BitMap(); }, [](B& b, TBitmap* v) { b.SetBitMap(v); }),
             Property<B>(
                 "Transparent", [](const B& b) { return b.Transparent(); },
                 [](B& b, bool v) { b.SetTransparent(v); }, true),
             Property<B>(
                 "TransparentColor", [](const B& b) { return b.TransparentColor(); },
                 [](B& b, TColor v) { b.SetTransparentColor(v); }, 0xFFFFFF),
             EventField<B>("OnPaint", &B::OnPaint), EventField<B>("OnMouseEnter", &B::OnMouseEnter),
             EventField<B>("OnMouseLeave", &B::OnMouseLeave), MouseAndDragEvents<B>()));
    using V = TvBitmap;
    PublishProperties<V, B>({Property<V>(
        "DrawType", [](const V& v) { return v.DrawType(); }, [](V& v, vcBitmapDraw d) { v.SetDrawType(d); },
        bdDrawNormal)});
    using A = TvAnimated;
    PublishProperties<A, B>({
        Property<A>(
            "Interval", [](const A& a) { return a.Interval(); }, [](A& a, int v) { a.SetInterval(v); }, 0),
        Property<A>(
            "FrameCount", [](const A& a) { return a.FrameCount(); }, [](A& a, int v) { a.SetFrameCount(v); },
            1),
        Property<A>(
            "Frame", [](const A& a) { return a.Frame(); }, [](A& a, int v) { a.SetFrame(v); }, 0),
        Property<A>(
            "Play", [](const A& a) { return a.Play(); }, [](A& a, bool v) { a.SetPlay(v); }, false),
        Property<A>(
            "Reverse", [](const A& a) { return a.Reverse(); }, [](A& a, bool v) { a.SetReverse(v); }, false),
        Property<A>(
            "Loop", [](const A& a) { return a.Loop(); }, [](A& a, bool v) { a.SetLoop(v); }, true),
        EventField<A>("OnChangeFrame", &A::OnChangeFrame),
    });
    using D = TvDivider;
    PublishProperties<D, TComponent>(Rows(
        BoundsProperties<D>(50),
        Property<D>(
            "Orientation", [](const D& d) { return d.Orientation(); },
            [](D& d, doType v) { d.SetOrientation(v); }, doHorz),
        Property<D>(
            "Raised", [](const D& d) { return d.Raised(); }, [](D& d, bool v) { d.SetRaised(v); }, false),
        EventField<D>("OnPaint", &D::OnPaint)));
    using F = TvFrame;
    PublishProperties<F, TComponent>(Rows(
        BoundsProperties<F>(50),
        Property<F>(
            "PassMouseOn", [](const F& f) { return f.PassMouseOn(); },
            [](F& f, bool v) { f.SetPassMouseOn(v); }, true),
        Property<F>(
            "Color", [](const F& f) { return f.Color(); }, [](F& f, TColor v) { f.SetColor(v); }, clWindow),
        Property<F>(
            "BevelInner", [](const F& f) { return f.BevelInner(); },
            [](F& f, TBevelCut v) { f.SetBevelInner(v); }, static_cast<std::int64_t>(TBevelCut::bvNone)),
        Property<F>(
            "BevelOuter", [](const F& f) { return f.BevelOuter(); },
            [](F& f, TBevelCut v) { f.SetBevelOuter(v); }, static_cast<std::int64_t>(TBevelCut::bvRaised)),
        Property<F>(
            "BevelWidth", [](const F& f) { return f.BevelWidth(); }, [](F& f, int v) { f.SetBevelWidth(v); },
            1),
        Property<F>(
            "BorderWidth", [](const F& f) { return f.BorderWidth(); },
            [](F& f, int v) { f.SetBorderWidth(v); }, 0),
        Property<F>(
            "Filled", [](const F& f) { return f.Filled(); }, [](F& f, bool v) { f.SetFilled(v); }, false),
        EventField<F>("OnPaint", &F::OnPaint)));
    RegisterClass<TvBitmap>();
    RegisterClass<TvAnimated>();
    RegisterClass<TvDivider>();
    RegisterClass<TvFrame>();
    return true;
}();

} // namespace
