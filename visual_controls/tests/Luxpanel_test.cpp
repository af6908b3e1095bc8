#include "visual_controls/Luxpanel.h"

#include "platform/gdi/Draw.h"
#include "platform/gdi/System.h"
#include "platform/ui/Forms.h"
#include "visual_controls/LuxEffect.h"
#include "visual_controls/Luxlabel.h"
#include "visual_controls/tests/support/DesignForm.h"
#include "visual_controls/tests/support/PaintedBitmap.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

// A control of the library that offers a back bitmap whose pixel (x, y) is RGB(x, y, 0x80), and
// counts how often it is asked.
class TBackSource : public TLuxCustomControl {
public:
    explicit TBackSource(TComponent* owner) : TLuxCustomControl(owner) {
        back.SetPixelFormat(pf32bit);
        back.SetSize(256, 256);
        for (int y = 0; y < 256; ++y)
            for (int x = 0; x < 256; ++x)
                back.Canvas()->SetPixels(x, y, static_cast<TColor>(RGB(x, y, 0x80)));
    }
    bool BackBitmapCheck() override {
        ++Asked;
        return true;
    }
    TBitmap* BackBitmap() override { return &back; }
    int Asked = 0;
    TBitmap back;
};

// Counts the scroll notifications a child of a scroll box receives.
class TScrollListener : public TLuxCustomControl {
public:
    using TLuxCustomControl::TLuxCustomControl;
    int Scrolls = 0;
    void Dispatch(TMessage& Message) override {
        if (Message.Msg == CM_LuxSCROLLBOXSCROLLEVENT) ++Scrolls;
        TLuxCustomControl::Dispatch(Message);
    }
};

class TGapStatusBar : public TLuxCustomStatusBar {
public:
    using TLuxCustomStatusBar::TLuxCustomStatusBar;
    int Gap = 0;
    int GetControlGap() override { return Gap; }
};

struct LuxpanelTest : ::testing::Test {
    std::unique_ptr<TForm> form{new TForm(nullptr)};
    TBackSource* source = nullptr;
    void SetUp() override {
        form->SetClientSize(400, 300);
        source = new TBackSource(form.get());
        source->SetParent(form.get());
        source->SetBounds(0, 0, 256, 256);
        form->Show();
        source->HandleNeeded();
    }
};

TColor Back(int x, int y) {
    return static_cast<TColor>(RGB(x, y, 0x80));
}

TEST_F(LuxpanelTest, AStatusBarIndentsItsLabelsByItsGap) {
    // The library's status bar answers 0: its labels are laid out and drawn as on any panel.
    auto* plain = new TLuxCustomBevelPanel(form.get());
    auto* bar = new TGapStatusBar(form.get());
    TLuxLabel* labels[2] = {new TLuxLabel(form.get()), new TLuxLabel(form.get())};
    TLuxCustomBevelPanel* parents[2] = {plain, bar};
    for (int i = 0; i < 2; ++i) {
        parents[i]->SetParent(form.get());
        parents[i]->SetBounds(0, 100 * i, 200, 40);
        labels[i]->SetParent(parents[i]);
        labels[i]->SetBounds(4, 4, 10, 10);
        labels[i]->SetCaption("Ready");
        labels[i]->SetAutoSize(true);
    }
    EXPECT_EQ(TLuxCustomStatusBar(nullptr).GetControlGap(), 0);
    EXPECT_EQ(labels[1]->BoundsRect(), labels[0]->BoundsRect());
    auto render = [](TWinControl* c) {
        auto bitmap = std::make_unique<TBitmap>();
        bitmap->SetSize(c->Width(), c->Height());
        c->PaintTo(bitmap->Canvas()->Handle(), 0, 0);
        return bitmap;
    };
    auto inkLeft = [](TBitmap* b) {
        for (int x = 0; x < b->Width(); ++x)
            for (int y = 0; y < b->Height(); ++y)
                if (b->Canvas()->Pixels(x, y) == clBlack) return x;
        return -1;
    };
    const auto a = render(plain), b = render(bar);
    ASSERT_GT(inkLeft(a.get()), 0);
    EXPECT_EQ(inkLeft(b.get()), inkLeft(a.get()));
    // A bar with a gap widens the label by it and moves the text right by it.
    bar->Gap = 7;
    labels[1]->SetCaption("Ready ");
    labels[1]->SetCaption("Ready");
    EXPECT_EQ(labels[1]->Width(), labels[0]->Width() + 7);
    EXPECT_EQ(inkLeft(render(bar).get()), inkLeft(a.get()) + 7);
}

TEST_F(LuxpanelTest, OnlyATransparentPanelAsksItsParentForTheBackground) {
    auto* panel = new TLuxCustomPanel(form.get());
    panel->SetParent(source);
    panel->SetBounds(20, 10, 60, 40);
    panel->SetColor(clRed);
    panel->HandleNeeded();
    source->Asked = 0;
    EXPECT_FALSE(panel->BackBitmapCheck());
    EXPECT_EQ(panel->BackBitmap(), nullptr);
    EXPECT_EQ(panel->BackMapPoint(TPoint(3, 4)), TPoint(3, 4));
    EXPECT_EQ(SurfacePixel(panel, 5, 5), static_cast<COLORREF>(RGB(0xFF, 0, 0)));
    EXPECT_EQ(source->Asked, 0) << "an opaque panel never asks";

    panel->SetTransparent(true);
    EXPECT_TRUE(panel->BackBitmapCheck());
    EXPECT_GT(source->Asked, 0);
    EXPECT_EQ(panel->BackBitmap(), &source->back);
    // Its part of the parent's bitmap shows through it.
    EXPECT_EQ(SurfacePixel(panel, 5, 5), static_cast<COLORREF>(Back(25, 15)));
    EXPECT_EQ(SurfacePixel(panel, 59, 39), static_cast<COLORREF>(Back(79, 49)));
}

TEST_F(LuxpanelTest, BackgroundEffectsWorkOnThePanelsPartAndKeepItInTheirBuffer) {
    auto* panel = new TLuxCustomPanel(form.get());
    panel->SetParent(source);
    panel->SetBounds(20, 10, 60, 40);
    panel->SetTransparent(true);
    panel->BackFX()->SetBoolean(3, true); // invert
    panel->HandleNeeded();
    auto inverted = [](int x, int y) { return static_cast<COLORREF>(RGB(255 - x, 255 - y, 0x7F)); };
    EXPECT_EQ(SurfacePixel(panel, 5, 5), inverted(25, 15));
    EXPECT_EQ(SurfacePixel(panel, 59, 39), inverted(79, 49));

    // Buffered: what was worked out once is shown again until the background is said to change.
    panel->BackFX()->SetBoolean(4, true);
    panel->Repaint();
    EXPECT_EQ(SurfacePixel(panel, 5, 5), inverted(25, 15));
    source->back.Canvas()->SetPixels(25, 15, clBlack);
    panel->Repaint();
    EXPECT_EQ(SurfacePixel(panel, 5, 5), inverted(25, 15));
    panel->Perform(CM_LuxBACKCHANGED, 0, 0);
    EXPECT_EQ(SurfacePixel(panel, 5, 5), static_cast<COLORREF>(RGB(0xFF, 0xFF, 0xFF)));
    EXPECT_EQ(SurfacePixel(panel, 6, 5), inverted(26, 15));
}

TEST_F(LuxpanelTest, BackgroundMapsThroughFramesAndNestedContainers) {
    // A bevel panel with the client edge (2 pixels) in a transparent scroll box with a custom
    // bevel of 3, both on the source.
    auto* box = new TLuxCustomScrollBox(form.get());
    box->SetParent(source);
    box->SetBounds(30, 40, 150, 120);
    TLuxBevel bevel;
    bevel.SetBorderWidth(3);
    box->SetBevel(&bevel);
    box->SetTransparent(true);
    box->HandleNeeded();
    EXPECT_EQ(box->ClientRect(), Rect(0, 0, 144, 114));
    EXPECT_EQ(box->BackMapPoint(TPoint(1, 2)), TPoint(30 + 3 + 1, 40 + 3 + 2));
    EXPECT_EQ(SurfacePixel(box, 0, 0), static_cast<COLORREF>(Back(33, 43)));

    auto* panel = new TLuxCustomBevelPanel(form.get());
    panel->SetParent(box);
    panel->SetBounds(10, 5, 50, 40);
    panel->Bevel()->SetMode(bmWindows);
    panel->SetTransparent(true);
    panel->HandleNeeded();
    EXPECT_EQ(panel->ClientRect(), Rect(0, 0, 46, 36));
    EXPECT_EQ(SurfacePixel(panel, 0, 0), static_cast<COLORREF>(Back(33 + 10 + 2, 43 + 5 + 2)));
    EXPECT_EQ(SurfacePixel(panel, 45, 35), static_cast<COLORREF>(Back(33 + 10 + 2 + 45, 43 + 5 + 2 + 35)));
}

TEST_F(LuxpanelTest, AlignedChildrenStayInsideTheBevel) {
    auto* panel = new TLuxCustomBevelPanel(form.get());
    panel->SetParent(form.get());
    panel->SetBounds(0, 0, 120, 80);
    auto* child = new TLuxCustomPanel(form.get());
    child->SetParent(panel);
    child->SetAlign(alClient);
    TLuxBevel bevel;
    bevel.SetBorderWidth(3);
    panel->SetBevel(&bevel);
    EXPECT_EQ(panel->BevelExt(), 3);
    EXPECT_EQ(child->BoundsRect(), Rect(3, 3, 117, 77));
    panel->SetBounds(0, 0, 100, 50);
    EXPECT_EQ(child->BoundsRect(), Rect(3, 3, 97, 47));
}

TEST_F(LuxpanelTest, WindowsModeFramesThePanelWithTheWindowsEdge) {
    auto* panel = new TLuxCustomBevelPanel(form.get());
    panel->SetParent(form.get());
    panel->SetBounds(0, 0, 100, 40);
    panel->HandleNeeded();
    EXPECT_EQ(panel->ClientRect(), Rect(0, 0, 100, 40));
    panel->Bevel()->SetMode(bmWindows);
    EXPECT_EQ(panel->WindowParams().ExStyle & WS_EX_CLIENTEDGE, static_cast<DWORD>(WS_EX_CLIENTEDGE));
    EXPECT_EQ(panel->ClientRect(), Rect(0, 0, 96, 36));
    panel->Ctl3D = false;
    panel->Perform(CM_CTL3DCHANGED, 0, 0);
    EXPECT_EQ(panel->WindowParams().Style & WS_BORDER, static_cast<DWORD>(WS_BORDER));
    EXPECT_EQ(panel->ClientRect(), Rect(0, 0, 98, 38));
}

TEST_F(LuxpanelTest, TheFlatFramesBandsTakeTheBackgroundAgain) {
    auto* panel = new TLuxCustomBevelPanel(form.get());
    panel->SetParent(form.get());
    panel->SetBounds(0, 0, 40, 30);
    panel->SetColor(clLime);
    TLuxBevel bevel;
    bevel.SetBevelStyleOuter(bvRaised);
    bevel.SetWidthOuter(2);
    panel->SetBevel(&bevel);
    ASSERT_EQ(panel->BevelExt(), 2);
    panel->HandleNeeded();
    // Lit while the mouse is over it; then something else draws over the whole window.
    panel->Perform(CM_MOUSEENTER, 0, 0);
    panel->SetFlat(true);
    panel->Update();
    HDC dc = GetDC(panel->Handle());
    const RECT all{0, 0, 40, 30};
    HBRUSH yellow = CreateSolidBrush(RGB(0xFF, 0xFF, 0));
    FillRect(dc, &all, yellow);
    DeleteObject(yellow);
    ReleaseDC(panel->Handle(), dc);
    // The mouse leaves: the four bands are painted with the background.
    panel->Perform(CM_MOUSELEAVE, 0, 0);
    const COLORREF lime = RGB(0, 0xFF, 0), kept = RGB(0xFF, 0xFF, 0);
    EXPECT_EQ(SurfacePixel(panel, 20, 0), lime);
    EXPECT_EQ(SurfacePixel(panel, 20, 1), lime);
    EXPECT_EQ(SurfacePixel(panel, 20, 2), kept);
    EXPECT_EQ(SurfacePixel(panel, 1, 15), lime);
    EXPECT_EQ(SurfacePixel(panel, 2, 15), kept);
    EXPECT_EQ(SurfacePixel(panel, 38, 15), lime);
    EXPECT_EQ(SurfacePixel(panel, 37, 15), kept);
    // The bottom band is one row higher than the right band is wide.
    EXPECT_EQ(SurfacePixel(panel, 20, 29), lime);
    EXPECT_EQ(SurfacePixel(panel, 20, 27), lime);
    EXPECT_EQ(SurfacePixel(panel, 20, 26), kept);
}

TEST_F(LuxpanelTest, ATransparentScrollBoxTellsItsChildrenOfScrolling) {
    auto* box = new TLuxCustomScrollBox(form.get());
    box->SetParent(source);
    box->SetBounds(0, 0, 100, 80);
    auto* child = new TScrollListener(form.get());
    child->SetParent(box);
    child->SetBounds(0, 0, 300, 300);
    box->HandleNeeded();
    auto scroll = [box](WORD code) { box->Perform(WM_VSCROLL, code, 0); };

    for (int i = 0; i < 6; ++i) scroll(SB_LINEDOWN);
    EXPECT_EQ(child->Scrolls, 0) << "an opaque box tells nobody";

    box->SetTransparent(true);
    box->SetDelta(3);
    box->SetDelta(0);
    EXPECT_EQ(box->Delta(), 3);
    for (int i = 0; i < 7; ++i) scroll(SB_LINEDOWN);
    EXPECT_EQ(child->Scrolls, 2) << "every third message";
    box->SetDelta(2); // starts counting again
    scroll(SB_LINEUP);
    EXPECT_EQ(child->Scrolls, 2);
    scroll(SB_LINEUP);
    EXPECT_EQ(child->Scrolls, 3);

    box->SetScrollCounting(false);
    for (int i = 0; i < 5; ++i) scroll(SB_LINEDOWN);
    EXPECT_EQ(child->Scrolls, 3);
    scroll(SB_ENDSCROLL);
    EXPECT_EQ(child->Scrolls, 4) << "only the end of a scroll";
}

TEST_F(LuxpanelTest, TheScrollBoxBevelLiesInTheNonClientArea) {
    auto* box = new TLuxCustomScrollBox(form.get());
    box->SetParent(form.get());
    box->SetBounds(0, 0, 100, 60);
    box->HandleNeeded();
    // By default the window's client edge, which the platform draws.
    EXPECT_EQ(box->Bevel()->Mode(), bmWindows);
    EXPECT_EQ(box->BorderStyle(), bsNone);
    EXPECT_EQ(box->ClientRect(), Rect(0, 0, 96, 56));

    // A shadow bevel: 1 at left and top, 4 at right and bottom, painted on WM_NCPAINT.
    TLuxBevel bevel;
    bevel.SetBevelStyleOuter(bvShadow);
    bevel.SetWidthInner(1);
    bevel.SetWidthOuter(3);
    bevel.SetColor(1, clRed);  // light
    bevel.SetColor(2, clBlue); // shadow
    box->SetBevel(&bevel);
    EXPECT_EQ(box->Bevel()->Mode(), bmCustom);
    EXPECT_EQ(box->ClientRect(), Rect(0, 0, 95, 55));
    box->SetColor(clWhite);
    TBitmap shot;
    shot.SetSize(100, 60);
    box->PaintTo(shot.Canvas()->Handle(), 0, 0);
    EXPECT_EQ(shot.Canvas()->Pixels(0, 30), clRed);
    EXPECT_EQ(shot.Canvas()->Pixels(50, 0), clRed);
    EXPECT_EQ(shot.Canvas()->Pixels(98, 30), clBlue);
    EXPECT_EQ(shot.Canvas()->Pixels(50, 58), clBlue);
    EXPECT_EQ(shot.Canvas()->Pixels(1, 30), clWhite) << "the client from here";
    EXPECT_EQ(shot.Canvas()->Pixels(96, 30), clRed) << "the light frame's right side";
    EXPECT_EQ(shot.Canvas()->Pixels(95, 30), clWhite);
}

// In the designer the scroll box takes the mouse everywhere in its window: the window's answers
// "nowhere" and "size box" become its client area; the designer's own hit test gets 0.
TEST(LuxScrollBox, TheDesignerHitsTheWholeBox) {
    for (bool designing : {false, true}) {
        SCOPED_TRACE(designing);
        TDesignForm form(nullptr);
        form.SetClientSize(300, 200);
        if (designing) form.Design();
        auto* box = new TLuxCustomScrollBox(&form);
        box->SetParent(&form);
        box->SetBounds(10, 10, 100, 80);
        auto* child = new TLuxCustomControl(&form);
        child->SetParent(box);
        child->SetBounds(0, 0, 300, 300);
        form.Show();
        box->HandleNeeded();
        EXPECT_EQ(box->ComponentState().Contains(TComponentStateItem::csDesigning), designing);
        ASSERT_TRUE(box->ScrollBarsVisible());

        const int w = box->ClientWidth(), h = box->ClientHeight();
        const struct {
            const char* what;
            TPoint at; // in the box's client coordinates
            LRESULT runTime;
        } cases[] = {
            {"the client area", TPoint(w / 2, h / 2), HTCLIENT},
            {"the size box", TPoint(w + 2, h + 2), HTGROWBOX},
            {"outside the window", TPoint(-20, h / 2), HTNOWHERE},
        };
        for (const auto& c : cases) {
            const TPoint p = box->ClientToScreen(c.at);
            EXPECT_EQ(box->Perform(WM_NCHITTEST, 0, MakeMouseLParam(p.X, p.Y)),
                      designing ? HTCLIENT : c.runTime)
                << c.what;
        }
        EXPECT_EQ(box->Perform(CM_DESIGNHITTEST, 0, MakeMouseLParam(w / 2, h / 2)), 0);
    }
}

} // namespace
