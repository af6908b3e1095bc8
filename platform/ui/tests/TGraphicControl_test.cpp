// Windowless controls are painted by their parent into the parent's window surface, in z-order,
// each at its own origin and clipped to its bounds; pixels are probed through the parent's surface.
#include "platform/gdi/Draw.h"
#include "platform/ui/Forms.h"
#include "support/UiTest.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

// Floods far beyond its bounds and marks its own (0, 0): what lands outside shows a missing clip,
// a misplaced mark a wrong origin.
class TFlood : public TGraphicControl {
public:
    TFlood(TComponent* owner, TColor fill) : TGraphicControl(owner), fill_(fill) {}
    int Paints = 0;

protected:
    void Paint() override {
        ++Paints;
        Canvas()->Brush()->SetColor(fill_);
        Canvas()->FillRect(Rect(-100, -100, 1000, 1000));
        Canvas()->SetPixels(0, 0, clBlue);
    }

private:
    TColor fill_;
};

class TPaintedBox : public TCustomControl {
public:
    using TCustomControl::TCustomControl;

protected:
    void Paint() override {
        Canvas()->Brush()->SetColor(clYellow);
        Canvas()->FillRect(ClientRect());
    }
};

struct Fixture : ::testing::Test {
    std::unique_ptr<TForm> form{new TForm(nullptr)};
    void SetUp() override {
        form->SetColor(clGray);
        form->SetClientSize(100, 80);
    }
};

constexpr COLORREF kGray = RGB(0x80, 0x80, 0x80);
constexpr COLORREF kRed = RGB(0xFF, 0, 0);
constexpr COLORREF kGreen = RGB(0, 0x80, 0);
constexpr COLORREF kBlue = RGB(0, 0, 0xFF);

using TGraphicControlPaint = Fixture;

TEST_F(TGraphicControlPaint, DrawsAtItsOriginClippedToItsBounds) {
    auto* flood = new TFlood(form.get(), clRed);
    flood->SetBounds(10, 20, 30, 15);
    flood->SetParent(form.get());
    EXPECT_EQ(SurfacePixel(form.get(), 10, 20), kBlue); // its (0, 0)
    EXPECT_EQ(SurfacePixel(form.get(), 39, 34), kRed);  // last pixel inside
    EXPECT_EQ(SurfacePixel(form.get(), 40, 34), kGray); // right of it
    EXPECT_EQ(SurfacePixel(form.get(), 39, 35), kGray); // below it
    EXPECT_EQ(SurfacePixel(form.get(), 9, 20), kGray);
    EXPECT_EQ(SurfacePixel(form.get(), 10, 19), kGray);
}

TEST_F(TGraphicControlPaint, LaterControlsPaintOverEarlierOnesUntilReordered) {
    auto* below = new TFlood(form.get(), clRed);
    below->SetBounds(0, 0, 50, 50);
    below->SetParent(form.get());
    auto* above = new TFlood(form.get(), clGreen);
    above->SetBounds(20, 20, 50, 50);
    above->SetParent(form.get());
    EXPECT_EQ(SurfacePixel(form.get(), 30, 30), kGreen);
    EXPECT_EQ(SurfacePixel(form.get(), 10, 10), kRed);

    below->BringToFront();
    EXPECT_EQ(SurfacePixel(form.get(), 30, 30), kRed);
    EXPECT_EQ(SurfacePixel(form.get(), 60, 60), kGreen);
}

TEST_F(TGraphicControlPaint, HiddenAndMovedControlsLeaveTheParentBackground) {
    auto* flood = new TFlood(form.get(), clRed);
    flood->SetBounds(0, 0, 20, 20);
    flood->SetParent(form.get());
    ASSERT_EQ(SurfacePixel(form.get(), 5, 5), kRed);
    flood->SetLeft(50);
    EXPECT_EQ(SurfacePixel(form.get(), 5, 5), kGray);
    EXPECT_EQ(SurfacePixel(form.get(), 55, 5), kRed);
    flood->Hide();
    EXPECT_EQ(SurfacePixel(form.get(), 55, 5), kGray);
}

TEST_F(TGraphicControlPaint, OnlyTheInvalidatedAreaIsPaintedAgain) {
    auto* a = new TFlood(form.get(), clRed);
    a->SetBounds(0, 0, 20, 20);
    a->SetParent(form.get());
    auto* b = new TFlood(form.get(), clGreen);
    b->SetBounds(50, 50, 20, 20);
    b->SetParent(form.get());
    form->Repaint();
    const int aPaints = a->Paints;
    const int bPaints = b->Paints;
    a->Invalidate();
    form->Update();
    EXPECT_EQ(a->Paints, aPaints + 1);
    EXPECT_EQ(b->Paints, bPaints);
}

TEST_F(TGraphicControlPaint, CanvasOutsidePaintDrawsOntoTheParentSurfaceAtTheOrigin) {
    auto* flood = new TFlood(form.get(), clRed);
    flood->SetBounds(30, 30, 10, 10);
    flood->SetParent(form.get());
    form->Repaint();
    flood->Canvas()->Brush()->SetColor(clLime);
    flood->Canvas()->FillRect(Rect(-5, -5, 5, 5));
    static_cast<TControlCanvas*>(flood->Canvas())->FreeHandle();
    HDC dc = GetDC(form->Handle());
    EXPECT_EQ(GetPixel(dc, 30, 30), RGB(0, 0xFF, 0));
    EXPECT_EQ(GetPixel(dc, 34, 34), RGB(0, 0xFF, 0));
    EXPECT_EQ(GetPixel(dc, 35, 35), kRed);
    EXPECT_EQ(GetPixel(dc, 29, 29), kGray);
    ReleaseDC(form->Handle(), dc);
}

TEST_F(TGraphicControlPaint, CustomControlPaintsItselfThenItsGraphicChildren) {
    auto* box = new TPaintedBox(form.get());
    box->SetBounds(10, 10, 60, 40);
    box->SetParent(form.get());
    auto* flood = new TFlood(form.get(), clRed);
    flood->SetBounds(5, 5, 10, 10);
    flood->SetParent(box);
    EXPECT_EQ(SurfacePixel(box, 0, 0), RGB(0xFF, 0xFF, 0));
    EXPECT_EQ(SurfacePixel(box, 5, 5), kBlue);
    EXPECT_EQ(SurfacePixel(box, 14, 14), kRed);
    EXPECT_EQ(SurfacePixel(box, 15, 15), RGB(0xFF, 0xFF, 0));
}

TEST_F(TGraphicControlPaint, OpaqueWindowSkipsTheBackgroundErase) {
    auto* box = new TPaintedBox(form.get());
    box->SetBounds(0, 0, 40, 40);
    box->SetParent(form.get());
    box->Repaint(); // a new window's first paint erases whatever its style
    box->ControlStyle.Include(csOpaque);
    int erases = 0;
    struct Counter {
        int* count;
        TWindowProcMethod previous;
        void Proc(TMessage& m) {
            if (m.Msg == WM_ERASEBKGND) ++*count;
            previous(m);
        }
    } counter{&erases, box->WindowProc};
    box->WindowProc = TWindowProcMethod::Bind<&Counter::Proc>(&counter);
    box->Repaint();
    box->ControlStyle.Exclude(csOpaque);
    box->Repaint();
    EXPECT_EQ(erases, 1);
    box->WindowProc = counter.previous;
}

TEST_F(TGraphicControlPaint, PaintToDrawsTheWindowAndItsChildrenIntoAnotherDC) {
    auto* flood = new TFlood(form.get(), clRed);
    flood->SetBounds(10, 10, 10, 10);
    flood->SetParent(form.get());
    TBitmap bitmap;
    bitmap.SetSize(120, 100);
    bitmap.Canvas()->Brush()->SetColor(clWhite);
    bitmap.Canvas()->FillRect(Rect(0, 0, 120, 100));
    form->PaintTo(bitmap.Canvas()->Handle(), 5, 5);
    EXPECT_EQ(GetPixel(bitmap.Canvas()->Handle(), 0, 0), RGB(0xFF, 0xFF, 0xFF));
    EXPECT_EQ(GetPixel(bitmap.Canvas()->Handle(), 5, 5), kGray);
    EXPECT_EQ(GetPixel(bitmap.Canvas()->Handle(), 15, 15), kBlue);
}

} // namespace

namespace {

class TCountingBox : public TCustomControl {
public:
    using TCustomControl::TCustomControl;
    int Paints = 0;

protected:
    void Paint() override { ++Paints; }
};

} // namespace

TEST_F(TGraphicControlPaint, RedrawWindowTakesTheChildrenAlongOnlyWhenAskedTo) {
    auto* outer = new TCountingBox(form.get());
    outer->SetBounds(0, 0, 60, 60);
    outer->SetParent(form.get());
    auto* inner = new TCountingBox(form.get());
    inner->SetBounds(5, 5, 20, 20);
    inner->SetParent(outer);
    outer->Update();
    inner->Update();
    const struct {
        UINT flags;
        int outerPaints, innerPaints;
    } cases[] = {
        {RDW_INVALIDATE | RDW_UPDATENOW, 1, 0},
        {RDW_INVALIDATE | RDW_UPDATENOW | RDW_NOCHILDREN, 1, 0},
        {RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN, 1, 1},
        {RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN | RDW_NOCHILDREN, 1, 0},
        {RDW_INVALIDATE, 0, 0},
    };
    for (const auto& c : cases) {
        outer->Paints = inner->Paints = 0;
        EXPECT_TRUE(RedrawWindow(outer->Handle(), nullptr, 0, c.flags));
        EXPECT_EQ(outer->Paints, c.outerPaints) << c.flags;
        EXPECT_EQ(inner->Paints, c.innerPaints) << c.flags;
        outer->Update();
        inner->Update();
    }
    EXPECT_FALSE(RedrawWindow(0x7FFFFFFF, nullptr, 0, RDW_INVALIDATE));
}

namespace {

// Paints only its top-left 5x5 corner and erases nothing, so what the rest shows is what the
// window had before it painted.
class TCornerBox : public TCustomControl {
public:
    TCornerBox(TComponent* owner, bool transparent) : TCustomControl(owner), transparent_(transparent) {}

protected:
    void CreateParams(TCreateParams& Params) override {
        TCustomControl::CreateParams(Params);
        if (transparent_) Params.ExStyle |= WS_EX_TRANSPARENT;
    }
    void Dispatch(TMessage& Message) override {
        if (Message.Msg == WM_ERASEBKGND) {
            Message.Result = 1;
            return;
        }
        TCustomControl::Dispatch(Message);
    }
    void Paint() override {
        Canvas()->Brush()->SetColor(clYellow);
        Canvas()->FillRect(Rect(0, 0, 5, 5));
    }

private:
    bool transparent_;
};

} // namespace

TEST_F(TGraphicControlPaint, TransparentWindowStartsFromItsParentsPixelsAndFollowsThem) {
    auto* flood = new TFlood(form.get(), clRed);
    flood->SetBounds(20, 20, 30, 30);
    flood->SetParent(form.get());
    const struct {
        bool transparent;
        COLORREF under;  // what the box shows where it paints nothing, over the red control
        COLORREF beside; // and over the form's own background
    } cases[] = {{true, kRed, kGray}, {false, RGB(0, 0, 0), RGB(0, 0, 0)}};
    for (const auto& c : cases) {
        auto* box = new TCornerBox(form.get(), c.transparent);
        box->SetBounds(10, 10, 40, 40);
        box->SetParent(form.get());
        box->HandleNeeded(); // the styles come with the window
        EXPECT_EQ(SurfacePixel(box, 2, 2), RGB(0xFF, 0xFF, 0)) << c.transparent;
        EXPECT_EQ(SurfacePixel(box, 15, 15), c.under) << c.transparent;
        EXPECT_EQ(SurfacePixel(box, 5, 5), c.beside) << c.transparent;
        delete box;
    }

    // A parent that paints again under the transparent window shows through at its next paint.
    auto* box = new TCornerBox(form.get(), true);
    box->SetBounds(10, 10, 40, 40);
    box->SetParent(form.get());
    box->HandleNeeded();
    ASSERT_EQ(SurfacePixel(box, 15, 15), kRed);
    auto* cover = new TFlood(form.get(), clGreen);
    cover->SetBounds(20, 20, 30, 30);
    cover->SetParent(form.get());
    form->Update();
    EXPECT_EQ(SurfacePixel(box, 15, 15), kGreen);
    EXPECT_EQ(SurfacePixel(box, 2, 2), RGB(0xFF, 0xFF, 0));
}
