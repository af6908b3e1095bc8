// The form shape: the window region it gives its form (sizes, caption strip, minimised form), the
// hit test that lets the form be dragged by its background, and the background it paints and lends
// to transparent controls.
#include "visual_controls/luxregion.h"

#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/System.h"
#include "platform/ui/ControlMessages.h"
#include "platform/ui/Filer.h"
#include "platform/ui/Forms.h"
#include "platform/ui/StdCtrls.h"
#include "platform/ui/WindowShape.h"
#include "platform/win/Messages.h"
#include "visual_controls/Luxclass.h"
#include "visual_controls/Luxcont.h"
#include "visual_controls/Luxlabel.h"
#include "visual_controls/Luxpanel.h"
#include "visual_controls/tests/support/DesignForm.h"
#include "visual_controls/tests/support/PaintedBitmap.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

constexpr TColor kRed = 0x0000FF;
constexpr TColor kBlue = 0xFF0000;
constexpr TColor kLime = 0x00FF00;

struct Rgn {
    HRGN h;
    explicit Rgn(HRGN r) : h(r) {}
    ~Rgn() { DeleteObject(h); }
    Rgn(const Rgn&) = delete;
    Rgn& operator=(const Rgn&) = delete;
    operator HRGN() const { return h; }
};

HRGN Combined(HRGN a, HRGN b, int mode) {
    CombineRgn(a, a, b, mode);
    DeleteObject(b);
    return a;
}

// A form shape of a program's own, derived from the library's.
class TOwnFormShape : public TLuxFormShape {
public:
    using TLuxFormShape::TLuxFormShape;
};

template <class Shape> TLuxFormShape* MakeShape(TComponent* Owner) {
    return new Shape(Owner);
}
using TShapeMaker = TLuxFormShape* (*)(TComponent* Owner);

// A form with a form shape, built as forms are: components, properties, then loading ends.
struct ShapedForm {
    std::unique_ptr<TForm> Form;
    TLuxFormShape* Shape;
    explicit ShapedForm(TFormBorderStyle style, TLuxRegionShape shape = rsRect,
                        TShapeMaker make = &MakeShape<TLuxFormShape>)
        : Form(new TForm(nullptr)) {
        Shape = make(Form.get());
        Form->BeginLoading();
        Form->SetBorderStyle(style);
        Form->SetBounds(50, 40, 300, 200);
        Shape->Region()->SetRegionShape(shape);
        Form->EndLoading();
    }
    HRGN WindowRgn() const {
        HRGN r = CreateRectRgn(0, 0, 0, 0);
        GetWindowRgn(Form->Handle(), r);
        return r;
    }
};

// The frame the shape counts around the client area: border width and caption height.
struct Frame {
    int F, C;
};
Frame FrameOf(TFormBorderStyle style) {
    switch (style) {
    case bsNone:
        return {0, 0};
    case bsSizeable:
        return {GetSystemMetrics(SM_CXSIZEFRAME), GetSystemMetrics(SM_CYCAPTION)};
    case bsToolWindow:
        return {GetSystemMetrics(SM_CXDLGFRAME), GetSystemMetrics(SM_CYSMCAPTION)};
    default:
        return {GetSystemMetrics(SM_CXDLGFRAME), GetSystemMetrics(SM_CYCAPTION)};
    }
}

TEST(LuxFormShape, RegionOfTheClientShapeAndTheCaptionStrip) {
    struct Case {
        TFormBorderStyle Style;
        bool ShowCaption;
        bool CaptionJoined;
    };
    // Bordered forms keep their caption strip while ShowFormCaption is on; a form without border
    // has none to keep.
    const Case cases[] = {{bsSingle, true, true},     {bsSingle, false, false}, {bsSizeable, true, true},
                          {bsToolWindow, true, true}, {bsDialog, false, false}, {bsNone, true, false}};
    for (const Case& k : cases) {
        ShapedForm f(k.Style);
        f.Shape->SetBoolean(0, k.ShowCaption);
        const Frame fr = FrameOf(k.Style);
        const int w = f.Form->Width(), h = f.Form->Height();
        EXPECT_EQ(f.Shape->ClientRectangle(), TRect(-1, -1, w - 2 * fr.F + 1, h - 2 * fr.F - fr.C + 1));
        EXPECT_EQ(f.Shape->CaptionHeight(), fr.C);
        // The rectangle grown by a pixel, placed on the client area, with the caption strip.
        Rgn body(CreateRectRgn(fr.F - 1, fr.C + fr.F - 1, w - fr.F + 1, h - fr.F + 1));
        Rgn strip(CreateRectRgn(0, 0, w, fr.C + fr.F));
        Rgn expected(CreateRectRgn(0, 0, 0, 0));
        CombineRgn(expected, body, strip, k.CaptionJoined ? RGN_OR : RGN_DIFF);
        Rgn actual(f.WindowRgn());
        EXPECT_TRUE(EqualRgn(actual, expected))
            << "border style " << k.Style << ", caption " << k.ShowCaption;
    }
}

TEST(LuxFormShape, ShadowJoinsTheShapeMovedByItsDepth) {
    ShapedForm f(bsNone, rsElliptic);
    f.Shape->Region()->Shadow()->SetStyle(hssSolid);
    f.Shape->Region()->Shadow()->SetDepth(6);
    const int w = f.Form->Width(), h = f.Form->Height();
    Rgn shape(CreateEllipticRgn(-1, -1, w + 1 - 6, h + 1 - 6));
    Rgn expected(Combined(CreateEllipticRgn(-1, -1, w + 1 - 6, h + 1 - 6),
                          CreateEllipticRgn(5, 5, w + 1, h + 1), RGN_OR));
    Rgn actual(f.WindowRgn());
    EXPECT_TRUE(EqualRgn(actual, expected));
}

TEST(LuxFormShape, BitmapShapeSizesTheFormToItsBorderBitmap) {
    // A dialog frame of 3 and the caption around a 200 x 100 bitmap: 206 x 124 where the caption
    // is 18 pixels high, 206 x 125 with this system's 19.
    ShapedForm f(bsDialog);
    const Frame fr = FrameOf(bsDialog);
    ASSERT_EQ(fr.F, 3);
    TLuxRegionMask* mask = f.Shape->Region()->Mask();
    auto border = FilledBitmap(200, 100, kLime);
    mask->SetBorderBmp(0, border.get());
    Rgn shape(Combined(CreateEllipticRgn(0, 0, 200, 100), CreateRectRgn(0, 40, 200, 60), RGN_OR));
    mask->SetDataSize(GetRegionData(shape, 0, nullptr));
    mask->GetMem();
    mask->GetRegionData(shape);
    f.Shape->Region()->SetRegionShape(rsBitmap);
    EXPECT_EQ(f.Form->Width(), 206);
    EXPECT_EQ(f.Form->Height(), 100 + fr.C + 6);
    EXPECT_EQ(f.Form->ClientWidth(), 200);
    EXPECT_EQ(f.Form->ClientHeight(), 100);
    // The resize asked for the region again while it was being built: one build stands.
    Rgn expected(CreateRectRgn(0, 0, 0, 0));
    CombineRgn(expected, shape, nullptr, RGN_COPY);
    OffsetRgn(expected, 3, fr.C + 3);
    CombineRgn(expected, expected, Rgn(CreateRectRgn(0, 0, 206, fr.C + 3)), RGN_OR);
    Rgn actual(f.WindowRgn());
    EXPECT_TRUE(EqualRgn(actual, expected));

    // The region bitmap is the form's background, for the form and for transparent controls.
    EXPECT_TRUE(f.Shape->BackBitmapCheck());
    EXPECT_EQ(f.Shape->BackBitmap(), mask->BorderBmp());
    auto painted = FilledBitmap(200, 100, kBlue);
    f.Shape->PaintBorder(painted->Canvas()->Handle());
    EXPECT_EQ(PixelAt(*painted, 100, 50), kLime);
    f.Shape->SetBoolean(2, false);
    EXPECT_FALSE(f.Shape->BackBitmapCheck());
    EXPECT_EQ(f.Shape->BackBitmap(), nullptr);
}

TEST(LuxFormShape, MinimizedFormKeepsItsCaptionStripOnly) {
    ShapedForm f(bsSingle, rsElliptic);
    const Frame fr = FrameOf(bsSingle);
    f.Form->SetWindowState(wsMinimized);
    Rgn strip(CreateRectRgn(0, 0, f.Form->Width(), fr.C + fr.F));
    Rgn minimized(f.WindowRgn());
    EXPECT_TRUE(EqualRgn(minimized, strip));
    f.Form->SetWindowState(wsNormal);
    Rgn restored(f.WindowRgn());
    EXPECT_FALSE(EqualRgn(restored, strip));
    EXPECT_TRUE(PtInRegion(restored, f.Form->Width() / 2, f.Form->Height() / 2));
}

TEST(LuxFormShape, BackgroundHitsAreTheCaption) {
    ShapedForm f(bsNone);
    auto* button = new TButton(f.Form.get());
    button->SetParent(f.Form.get());
    button->SetBounds(100, 100, 60, 25);
    auto* label = new TLabel(f.Form.get());
    label->SetParent(f.Form.get());
    label->SetBounds(10, 100, 60, 20);
    const HWND wnd = f.Form->Handle();
    auto hit = [&](int x, int y) {
        const TPoint p = f.Form->ClientToScreen(TPoint(x, y));
        return SendMessage(wnd, WM_NCHITTEST, 0, MakeMouseLParam(p.X, p.Y));
    };
    EXPECT_EQ(hit(20, 20), HTCAPTION);
    EXPECT_EQ(hit(110, 110), HTCLIENT);
    EXPECT_EQ(hit(20, 110), HTCLIENT);
    // While the right button is down in the frame the background is client area.
    SendMessage(wnd, WM_NCRBUTTONDOWN, HTCAPTION, 0);
    EXPECT_TRUE(f.Shape->RightButtonDown());
    EXPECT_EQ(hit(20, 20), HTCLIENT);
    SendMessage(wnd, WM_NCRBUTTONUP, HTCAPTION, 0);
    EXPECT_EQ(hit(20, 20), HTCAPTION);
    SendMessage(wnd, WM_NCRBUTTONDOWN, HTCAPTION, 0);
    SendMessage(wnd, WM_CAPTURECHANGED, 0, 0);
    EXPECT_FALSE(f.Shape->RightButtonDown());
    f.Shape->SetBoolean(1, false);
    EXPECT_EQ(hit(20, 20), HTCLIENT);
}

TEST(LuxFormShape, PaintsFillThenBorder) {
    ShapedForm f(bsNone);
    f.Shape->Region()->Border()->SetColor(2, kRed);
    f.Shape->FillObject()->Brush()->SetColor(kBlue);
    f.Shape->FillObject()->SetFillStyle(sfBrush);
    EXPECT_TRUE(f.Shape->BackBitmapCheck());
    const int w = f.Form->ClientWidth(), h = f.Form->ClientHeight();
    auto painted = FilledBitmap(w, h, kLime);
    f.Shape->PaintBorder(painted->Canvas()->Handle());
    EXPECT_EQ(PixelAt(*painted, w / 2, h / 2), kBlue);
    EXPECT_EQ(PixelAt(*painted, 0, h / 2), kRed);
    EXPECT_EQ(PixelAt(*painted, w / 2, 0), kRed);

    // Transparent controls get their part of the same background.
    auto part = FilledBitmap(20, 20, kLime);
    EXPECT_TRUE(f.Shape->BackDrawArea(part->Canvas(), TRect(50, 50, 60, 60), TPoint(5, 5), 0));
    EXPECT_EQ(PixelAt(*part, 5, 5), kBlue);
    EXPECT_EQ(PixelAt(*part, 14, 14), kBlue);
    EXPECT_EQ(PixelAt(*part, 15, 15), kLime);

    // The list fill without an image list draws no bitmap, not even one an earlier list left.
    f.Shape->FillObject()->SetFillStyle(sfBitmapList);
    auto stale = FilledBitmap(w, h, kRed);
    f.Shape->FillObject()->SetListBitmap(stale.get());
    auto again = FilledBitmap(w, h, kLime);
    f.Shape->PaintBorder(again->Canvas()->Handle());
    EXPECT_NE(PixelAt(*again, w / 2, h / 2), kRed);
    EXPECT_TRUE(f.Shape->FillObject()->ListBitmap()->Empty());

    // Without a fill the form's own background stays.
    f.Shape->FillObject()->SetFillStyle(sfNone);
    EXPECT_FALSE(f.Shape->BackBitmapCheck());
    EXPECT_FALSE(f.Shape->BackDrawArea(part->Canvas(), TRect(0, 0, 5, 5), TPoint(0, 0), 0));
}

// The form's shape is found by what it is: a shape of a class derived from the library's serves too.
TEST(LuxFormShape, TransparentLabelsOnTheFormTakeItsBackground) {
    const struct {
        const char* what;
        TShapeMaker make;
    } cases[] = {{"the library's shape", &MakeShape<TLuxFormShape>},
                 {"a derived shape", &MakeShape<TOwnFormShape>}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ShapedForm f(bsNone, rsRect, c.make);
        EXPECT_EQ(LuxFormShapeOf(f.Form.get()), f.Shape);
        auto* label = new TLuxLabel(f.Form.get());
        label->SetParent(f.Form.get());
        label->SetTransparent(true);
        EXPECT_FALSE(label->CheckOptimized());
        f.Shape->FillObject()->SetFillStyle(sfGradient);
        EXPECT_TRUE(label->CheckOptimized());
        label->SetTransparent(false);
        EXPECT_FALSE(label->CheckOptimized());
    }
}

TEST(LuxFormShape, TransparentPanelShowsItsPartOfTheGradient) {
    ShapedForm f(bsNone);
    f.Shape->FillObject()->Gradient()->SetStyle(gstHorizontal);
    f.Shape->FillObject()->SetFillStyle(sfGradient);
    auto* panel = new TLuxCustomPanel(f.Form.get());
    panel->SetParent(f.Form.get());
    panel->SetBounds(100, 40, 60, 50);
    panel->SetColor(clRed);
    panel->HandleNeeded();
    EXPECT_EQ(SurfacePixel(panel, 5, 5), static_cast<COLORREF>(RGB(0xFF, 0, 0)));
    panel->SetTransparent(true);
    ASSERT_TRUE(panel->BackBitmapCheck());
    EXPECT_EQ(panel->BackBitmap(), f.Shape->BackBitmap());
    // The form painted its background (and so the shape's bitmap) before the panel shows it.
    const COLORREF onForm = SurfacePixel(f.Form.get(), 120, 60);
    EXPECT_EQ(onForm, static_cast<COLORREF>(PixelAt(*f.Shape->BackBitmap(), 120, 60)));
    for (const TPoint p : {TPoint(0, 0), TPoint(30, 20), TPoint(59, 49)})
        EXPECT_EQ(SurfacePixel(panel, p.X, p.Y),
                  static_cast<COLORREF>(PixelAt(*f.Shape->BackBitmap(), 100 + p.X, 40 + p.Y)))
            << p.X << "," << p.Y;
    // A gradient: the panel's left and right edges differ.
    EXPECT_NE(SurfacePixel(panel, 0, 25), SurfacePixel(panel, 59, 25));
}

TEST(LuxFormShape, RegionFollowsShapeChanges) {
    ShapedForm f(bsNone);
    f.Shape->SetPolygonShape({TPoint(0, 0), TPoint(100, 0), TPoint(0, 100)});
    f.Shape->Region()->SetRegionShape(rsPointList);
    Rgn triangle(CreatePolygonRgn(std::vector<POINT>{{0, 0}, {100, 0}, {0, 100}}.data(), 3, ALTERNATE));
    Rgn actual(f.WindowRgn());
    EXPECT_TRUE(EqualRgn(actual, triangle));

    f.Shape->Region()->SetRegionShape(rsUserRegion);
    f.Shape->SetRegionShape(Rgn(CreateRectRgn(10, 10, 30, 30)));
    Rgn square(CreateRectRgn(10, 10, 30, 30));
    Rgn user(f.WindowRgn());
    EXPECT_TRUE(EqualRgn(user, square));
}

TEST(LuxFormShape, SettingsStreamWithTheForm) {
    ShapedForm f(bsNone, rsElliptic);
    f.Shape->SetBoolean(0, false);
    f.Shape->SetBoolean(1, false);
    f.Shape->FillObject()->SetFillStyle(sfGradient);
    f.Shape->Region()->Border()->SetColor(2, kRed);
    f.Shape->SetInteger(0, 2);
    f.Shape->SetInteger(1, 3);
    TMemoryStream stream;
    TWriter(&stream).WriteRootComponent(f.Shape);
    ShapedForm back(bsNone);
    stream.SetPosition(0);
    TReader(&stream).ReadRootComponent(back.Shape);
    EXPECT_FALSE(back.Shape->ShowFormCaption());
    EXPECT_FALSE(back.Shape->FormDragable());
    EXPECT_TRUE(back.Shape->UseRgnBitmap());
    EXPECT_EQ(back.Shape->Region()->Shape(), rsElliptic);
    EXPECT_EQ(back.Shape->Region()->Border()->SingleColor(), kRed);
    EXPECT_EQ(back.Shape->FillObject()->Style(), sfGradient);
    EXPECT_EQ(back.Shape->ListIndex(), 2);
    EXPECT_EQ(back.Shape->ImageIndex(), 3);
    // Loading ends with the region built from what was read.
    Rgn ellipse(CreateEllipticRgn(-1, -1, back.Form->Width() + 1, back.Form->Height() + 1));
    Rgn actual(back.WindowRgn());
    EXPECT_TRUE(EqualRgn(actual, ellipse));
}

// A second shape is refused whatever its class, as long as it is a form shape.
TEST(LuxFormShape, OneShapePerFormAtDesignTime) {
    const struct {
        const char* what;
        TShapeMaker first, second;
    } cases[] = {
        {"two of the library's", &MakeShape<TLuxFormShape>, &MakeShape<TLuxFormShape>},
        {"a derived one after the library's", &MakeShape<TLuxFormShape>, &MakeShape<TOwnFormShape>},
        {"the library's after a derived one", &MakeShape<TOwnFormShape>, &MakeShape<TLuxFormShape>},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TDesignForm form(nullptr);
        form.Design();
        c.first(&form);
        EXPECT_THROW(c.second(&form), LuxEOneInstError);
        EXPECT_EQ(form.ComponentCount(), 1);
    }
}

} // namespace
