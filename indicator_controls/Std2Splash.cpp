// Unit Std2: the splash picture shown while the program's form comes up.
#include "indicator_controls/ControlProperties.h"
#include "indicator_controls/Std2.h"

#include "indicator_controls/Mystd.h"
#include "indicator_controls/Vanimate.h"
#include "platform/gdi/Region.h"
#include "platform/ui/Filer.h"
#include "platform/ui/Forms.h"
#include "platform/ui/TypInfo.h"
#include "platform/ui/WindowQueries.h"
#include "platform/ui/WindowShape.h"
#include "platform/win/Messages.h"

#include <algorithm>

TvSplashGeometry SplashGeometry(int bw, int bh, int CX, int CY, vSplashStyleType Shape, int AddWidth,
                                int AddHeight, bool AdjustforFrame, bool DrawFrame, int FrameThickness,
                                int FrameMargin) {
    TvSplashGeometry g;
    if (bw < CX && bh < CY) {
        g.W = bw + AddWidth + 4;
        g.H = bh + AddHeight + 4;
        if (Shape == ssCircle) g.W = g.H = std::max(g.W, g.H);
        if (AdjustforFrame && DrawFrame) {
            g.W += 2 * (FrameThickness + FrameMargin);
            g.H += 2 * (FrameThickness + FrameMargin);
        }
        if (Shape == ssCircle) g.W = g.H = std::max(g.W, g.H);
        if (g.W < CX && g.H < CY) {
            g.dx = (g.W - bw) / 2;
            g.dy = (g.H - bh) / 2;
        } else {
            g.W = std::min(g.W, CX);
            g.H = std::min(g.H, CY);
        }
    } else {
        g.W = std::min(bw, CX);
        g.H = std::min(bh, CY);
    }
    g.X = (CX - g.W) / 2;
    g.Y = (CY - g.H) / 2;
    return g;
}

namespace {

// The picture is published but never stored: the bitmap it was drawn into is what stays.
const bool kPublished = [] {
    using S = TvSplashForm;
    using published::Field;
    using published::Property;
    PublishProperties<S, TComponent>({
        NotStored(Property<S>(
            "Picture", [](const S& s) { return s.Picture(); }, [](S& s, TPicture* v) { s.SetPicture(v); })),
        Property<S>(
            "BitMap", [](const S& s) { return s.BitMap(); }, [](S& s, TBitmap* v) { s.SetBitMap(v); }),
        Field<S>("MoveSplashUp", &S::MoveSplashUp, true),
        Field<S>("MainFormDelay", &S::MainFormDelay, 500),
        Field<S>("Shape", &S::Shape, ssVRectangle),
        Field<S>("Color", &S::Color, static_cast<TColor>(0x8000000F)),
        Field<S>("HighligtColor", &S::HighligtColor, static_cast<TColor>(0x80000014)),
        Field<S>("ShadowColor", &S::ShadowColor, static_cast<TColor>(0x80000010)),
        Field<S>("FrameColor", &S::FrameColor, 0xFF00FF),
        Field<S>("DrawFrame", &S::DrawFrame, true),
        Field<S>("FrameThickness", &S::FrameThickness, 4),
        Field<S>("FrameMargin", &S::FrameMargin, 8),
        Field<S>("Use3D", &S::Use3D, true),
        Property<S>(
            "AutoBackColor", [](const S& s) { return s.AutoBackColor(); },
            [](S& s, bool v) { s.SetAutoBackColor(v); }, false),
        Property<S>(
            "TransparentColor", [](const S& s) { return s.TransparentColor(); },
            [](S& s, TColor v) { s.SetTransparentColor(v); }, 0xFFFFFF),
        Field<S>("RealTransparent", &S::RealTransparent, false),
        Field<S>("AddWidth", &S::AddWidth, 0),
        Field<S>("AddHeight", &S::AddHeight, 0),
        Field<S>("AdjustforFrame", &S::AdjustforFrame, true),
        Field<S>("Fill", &S::Fill, true),
        Field<S>("OnBeforeShow", &S::OnBeforeShow),
        Field<S>("OnBeforeClose", &S::OnBeforeClose),
        Field<S>("OnAfterClose", &S::OnAfterClose),
        Field<S>("OnShow", &S::OnShow),
        Field<S>("OnBeforeDelay", &S::OnBeforeDelay),
        Field<S>("OnCreate", &S::OnCreate),
    });
    RegisterClass<TvSplashForm>();
    return true;
}();

bool Designing(const TComponent* c) {
    return c->ComponentState().Contains(TComponentStateItem::csDesigning);
}

} // namespace

TvSplashForm::TvSplashForm(TComponent* AOwner)
    : TComponent(AOwner), bitmap_(new TBitmap), picture_(new TPicture) {}

TvSplashForm::~TvSplashForm() {
    hook_.Remove();
    // A splash whose form never painted goes with the component.
    if (!done_) DoRemove();
    delete bitmap_;
    delete picture_;
}

void TvSplashForm::RefreshAutoColor() {
    // An empty bitmap has no pixel to take the colour from.
    if (!autoBackColor_ || bitmap_->Width() <= 0 || bitmap_->Height() <= 0) return;
    transparentColor_ = bitmap_->Canvas()->Pixels(0, bitmap_->Height() - 1);
}

void TvSplashForm::SetBitMap(TBitmap* Value) {
    bitmap_->Assign(Value);
    picture_->Assign(Value);
    RefreshAutoColor();
}

void TvSplashForm::SetPicture(TPicture* Value) {
    if (!Value || !Value->Graphic() || Value->Graphic()->Empty()) return;
    TBitmap drawn;
    drawn.SetWidth(Value->Graphic()->Width());
    drawn.SetHeight(Value->Graphic()->Height());
    drawn.Canvas()->Draw(0, 0, Value->Graphic());
    SetBitMap(&drawn);
}

void TvSplashForm::SetAutoBackColor(bool Value) {
    autoBackColor_ = Value;
    RefreshAutoColor();
}

void TvSplashForm::SetTransparentColor(TColor Value) {
    if (Value == transparentColor_) return;
    transparentColor_ = Value;
    autoBackColor_ = false;
}

void TvSplashForm::Loaded() {
    TComponent::Loaded();
    if (Designing(this)) return;
    if (auto* form = dynamic_cast<TCustomForm*>(Owner()))
        hook_.Install(form->Handle(), TWindowProcMethod::Bind<&TvSplashForm::WndProc>(this));
    if (OnCreate) OnCreate(this);
    MakeSplash();
    DoSplash();
}

void TvSplashForm::MakeSplash() {
    if (OnBeforeShow) OnBeforeShow(this);
    geometry_ = SplashGeometry(bitmap_->Width(), bitmap_->Height(), GetSystemMetrics(SM_CXSCREEN),
                               GetSystemMetrics(SM_CYSCREEN), Shape, AddWidth, AddHeight, AdjustforFrame,
                               DrawFrame, FrameThickness, FrameMargin);
    const auto& g = geometry_;
    if (region_) DeleteObject(region_);
    region_ = Shape == ssVRectangle ? CreateRectRgn(g.X, g.Y, g.X + g.W, g.Y + g.H)
                                    : CreateEllipticRgn(g.X, g.Y, g.X + g.W, g.Y + g.H);
    // The splash's own window: frameless, on top, shaped by the region.
    delete window_;
    window_ = new TForm(nullptr);
    window_->SetBorderStyle(bsNone);
    window_->SetFormStyle(fsStayOnTop);
    window_->SetNoActivate(true);
    window_->SetBounds(g.X, g.Y, g.W, g.H);
    // Its own first paint (the form's background) would cover what DoSplash drew before it.
    window_->OnPaint = TNotifyEvent::Bind<&TvSplashForm::WindowPaint>(this);
    HRGN shape = CreateRectRgn(0, 0, 0, 0);
    CombineRgn(shape, region_, nullptr, RGN_COPY);
    OffsetRgn(shape, -g.X, -g.Y);
    SetWindowRgn(window_->Handle(), shape, FALSE);
    window_->Show();
    done_ = false;
    if (OnShow) OnShow(this);
}

void TvSplashForm::DoSplash() {
    if (!window_ || !region_) return;
    const auto& g = geometry_;
    const int X = g.X, Y = g.Y, W = g.W, H = g.H;
    TvDesktop desk(window_->Handle(), X, Y);
    HRGN clip = CreateRectRgn(0, 0, 0, 0);
    CombineRgn(clip, region_, nullptr, RGN_COPY);
    OffsetRgn(clip, -X, -Y);
    SelectClipRgn(desk.Handle(), clip);
    DeleteObject(clip);
    if (Fill) {
        desk.Brush()->SetColor(Color);
        desk.FillRect(TRect(X, Y, X + W, Y + H));
    }
    desk.Brush()->SetStyle(bsClear);
    desk.Pen()->SetWidth(1);
    if (Shape == ssVRectangle) {
        if (Use3D) {
            desk.Pen()->SetColor(HighligtColor);
            desk.MoveTo(X + 1, Y + H - 1);
            desk.LineTo(X + 1, Y + 1);
            desk.LineTo(X + W, Y + 1);
            desk.Pen()->SetColor(ShadowColor);
            desk.MoveTo(X + W - 2, Y + 1);
            desk.LineTo(X + W - 2, Y + H - 2);
            desk.LineTo(X, Y + H - 2);
            desk.Pen()->SetColor(clBlack);
            desk.MoveTo(X + 1, Y + H - 1);
            desk.LineTo(X + W - 1, Y + H - 1);
            desk.LineTo(X + W - 1, Y);
        }
    } else {
        const int k = H / 3 + H / 2;
        if (Use3D) {
            desk.Pen()->SetColor(HighligtColor);
            desk.Arc(X + 1, Y + 1, X + W - 2, Y + H - 2, X + W - 1, Y + 1, X + 1, Y + k);
        }
        desk.Pen()->SetColor(ShadowColor);
        desk.Arc(X + 1, Y + 1, X + W - 2, Y + H - 2, X + 1, Y + k, X + W - 1, Y + 1);
        desk.Pen()->SetColor(clBlack);
        desk.Arc(X, Y, X + W - 1, Y + H - 1, X, Y + k, X + W - 1, Y + 1);
    }
    if (DrawFrame) {
        desk.Pen()->SetColor(FrameColor);
        desk.Pen()->SetWidth(FrameThickness);
        const int t = FrameThickness / 2, m = FrameMargin;
        const TRect r(X + t + m, Y + t + m, X + W - t - m, Y + H - t - m);
        if (Shape == ssVRectangle)
            desk.Rectangle(r);
        else
            desk.Ellipse(r);
    }
    if (bitmap_->Width() <= 0 || bitmap_->Height() <= 0) return;
    RefreshAutoColor();
    const int px = X + g.dx, py = Y + g.dy;
    if (static_cast<std::uint32_t>(transparentColor_) & 0x80000000u) {
        desk.Draw(px, py, bitmap_);
    } else if (RealTransparent) {
        TransparentBlt(&desk, bitmap_, px, py, transparentColor_);
    } else {
        TBitmap copy;
        copy.SetWidth(bitmap_->Width());
        copy.SetHeight(bitmap_->Height());
        const TRect all(0, 0, bitmap_->Width(), bitmap_->Height());
        copy.Canvas()->Brush()->SetColor(Color);
        copy.Canvas()->FillRect(all);
        copy.Canvas()->BrushCopy(all, bitmap_, all, transparentColor_);
        desk.Draw(px, py, &copy);
    }
}

void TvSplashForm::WindowPaint(TObject*) {
    DoSplash();
}

void TvSplashForm::DoRemove() {
    delete window_;
    window_ = nullptr;
    if (region_) DeleteObject(region_);
    region_ = nullptr;
}

void TvSplashForm::WndProc(TMessage& Message) {
    hook_.CallPrevious(Message);
    if (Message.Msg != WM_PAINT || done_) return;
    done_ = true;
    if (Application) Application->ProcessMessages();
    if (MoveSplashUp) DoSplash();
    if (Application) Application->ProcessMessages();
    if (OnBeforeDelay) OnBeforeDelay(this);
    Wait(MainFormDelay);
    if (OnBeforeClose) OnBeforeClose(this);
    DoRemove();
    if (OnAfterClose) OnAfterClose(this);
}
