// The light shaped button: the mouse only inside its outline (elsewhere it reaches the control
// beneath), no click for a release outside the outline, the accelerators of the plus and the minus,
// the invisible hot spot, and streaming.
#include "indicator_controls/VanimateShape.h"

#include "platform/ui/Forms.h"
#include "support/LedTest.h"
#include "support/StreamTest.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

struct TShapeBtnForm : ::testing::Test {
    std::unique_ptr<TForm> Form{new TForm(nullptr)};
    TEventLog Log;
    TvShapeBtn* Beneath = nullptr;
    TvShapeBtn* Button = nullptr;

    TvShapeBtn* Add(int left, int top, int width, int height, const std::string& name) {
        auto* b = new TvShapeBtn(Form.get());
        b->SetName(name);
        b->SetBounds(left, top, width, height);
        b->SetParent(Form.get());
        b->OnClick = TNotifyEvent::Bind<&TEventLog::Click>(&Log);
        return b;
    }
    void SetUp() override {
        Form->SetBounds(0, 0, 200, 150);
        Form->SetColor(0x204060);
        Beneath = Add(0, 0, 150, 100, "beneath");
        Button = Add(10, 10, 91, 61, "triangle");
        Button->SetShape(sbUpTriangle);
        Form->Show();
        Pump();
    }
    // A press and release at the same point of the form.
    void ClickAt(int x, int y) {
        Form->MainWndProc(WM_LBUTTONDOWN, MK_LBUTTON, MakeMouseLParam(x, y));
        Form->MainWndProc(WM_LBUTTONUP, 0, MakeMouseLParam(x, y));
    }
};

TEST_F(TShapeBtnForm, OnlyItsOutlineTakesTheMouse) {
    ClickAt(13, 13); // the triangle's top-left corner
    EXPECT_EQ(Log.Events, "click beneath");
    Log.Events.clear();
    ClickAt(55, 60);
    EXPECT_EQ(Log.Events, "click triangle");

    // A press dragged out of the outline lets go, and its release there does not click.
    Log.Events.clear();
    Form->MainWndProc(WM_LBUTTONDOWN, MK_LBUTTON, MakeMouseLParam(55, 60));
    EXPECT_TRUE(Button->IsDown());
    Form->MainWndProc(WM_MOUSEMOVE, MK_LBUTTON, MakeMouseLParam(14, 14));
    EXPECT_FALSE(Button->IsDown());
    Form->MainWndProc(WM_MOUSEMOVE, MK_LBUTTON, MakeMouseLParam(55, 60));
    EXPECT_TRUE(Button->IsDown());
    Form->MainWndProc(WM_MOUSEMOVE, MK_LBUTTON, MakeMouseLParam(14, 14));
    Form->MainWndProc(WM_LBUTTONUP, 0, MakeMouseLParam(14, 14));
    EXPECT_FALSE(Button->IsPressing());
    EXPECT_EQ(Log.Events, "");
}

TEST_F(TShapeBtnForm, PaintsItsOutlineAndATransparentOneNothing) {
    Button->SetShape(sbRectangle);
    Button->SetColor(0x00FF00);
    auto picture = Snapshot(Form.get());
    // Region (0, 0)-(90, 60) at (10, 10): shadow corner, face inside, black far edge.
    EXPECT_EQ(PixelAt(picture.get(), 10, 10), 0x808080u);
    EXPECT_EQ(PixelAt(picture.get(), 50, 40), 0x00FF00u);
    EXPECT_EQ(PixelAt(picture.get(), 100, 40), 0x000000u);

    Button->SetTransparent(true);
    picture = Snapshot(Form.get());
    EXPECT_EQ(PixelAt(picture.get(), 50, 40), PixelAt(picture.get(), 120, 90)) << "what lies beneath shows";
    EXPECT_NE(PixelAt(picture.get(), 50, 40), 0x00FF00u);
    ClickAt(50, 40);
    EXPECT_EQ(Log.Events, "click triangle");
}

TEST_F(TShapeBtnForm, ATransparentOneShowsItsOutlineInTheDesignerOnly) {
    Beneath->SetVisible(false);
    Button->SetShape(sbRectangle); // region (0, 0)-(90, 60) at (10, 10)
    Button->SetTransparent(true);
    const COLORREF form = PixelAt(Snapshot(Form.get()).get(), 150, 120);
    struct Case {
        const char* what;
        bool designing;
        COLORREF edge;
    };
    for (const Case& c : {Case{"run time", false, form}, Case{"designer", true, 0x000000}}) {
        if (c.designing) DesignComponent(Button);
        auto picture = Snapshot(Form.get());
        // The region's own border pixels, one wide; inside and outside it the form shows.
        for (auto [x, y] :
             {std::pair{10, 10}, {99, 10}, {10, 69}, {99, 69}, {50, 10}, {50, 69}, {10, 40}, {99, 40}})
            EXPECT_EQ(PixelAt(picture.get(), x, y), c.edge) << c.what << " " << x << "," << y;
        for (auto [x, y] : {std::pair{11, 11}, {98, 68}, {50, 40}, {100, 40}, {50, 70}, {9, 9}})
            EXPECT_EQ(PixelAt(picture.get(), x, y), form) << c.what << " " << x << "," << y;
    }
}

TEST_F(TShapeBtnForm, AGivenRegionStandsUntilTheOutlineIsWorkedOutAnew) {
    // A diamond of the button's own coordinates, taken over by the button.
    const POINT diamond[] = {{45, 0}, {90, 30}, {45, 60}, {0, 30}};
    Button->SetRgn(CreatePolygonRgn(diamond, 4, WINDING));
    EXPECT_TRUE(Button->ShownRegion() == RegionValue(CreatePolygonRgn(diamond, 4, WINDING)));
    ClickAt(13, 13); // inside the triangle, outside the diamond
    EXPECT_EQ(Log.Events, "click beneath");
    Log.Events.clear();
    ClickAt(55, 15); // the diamond's top, outside the triangle
    EXPECT_EQ(Log.Events, "click triangle");

    // Pressing and releasing keep it; a new shape brings the shape's own back.
    EXPECT_TRUE(Button->ShownRegion() == RegionValue(CreatePolygonRgn(diamond, 4, WINDING)));
    Button->SetShape(sbRectangle);
    EXPECT_TRUE(Button->ShownRegion() == ShapeRegion(sbRectangle, TShapeFamily::Graphic, 91, 61));
    // So does a new size.
    Button->SetRgn(CreatePolygonRgn(diamond, 4, WINDING));
    Button->SetBounds(10, 10, 81, 51);
    EXPECT_TRUE(Button->ShownRegion() == ShapeRegion(sbRectangle, TShapeFamily::Graphic, 81, 51));
}

TEST_F(TShapeBtnForm, PlusAndMinusAnswerTheirCharacters) {
    EXPECT_EQ(Button->AcceleratorText(), "");
    Button->SetShape(sbPlus);
    EXPECT_EQ(Button->AcceleratorText(), "&+");
    EXPECT_EQ(Button->AcceleratorKey(), '+');
    EXPECT_EQ(Form->Perform(CM_DIALOGCHAR, '+', 0), 1);
    EXPECT_EQ(Log.Events, "click triangle");
    Button->SetEnabled(false);
    EXPECT_EQ(Form->Perform(CM_DIALOGCHAR, '+', 0), 0) << "disabled";
    Button->SetEnabled(true);
    Button->SetShape(sbMinus);
    EXPECT_EQ(Button->AcceleratorKey(), '-');
    Button->SetShape(sbCircle);
    EXPECT_EQ(Button->AcceleratorKey(), ' ');
    EXPECT_EQ(Form->Perform(CM_DIALOGCHAR, '+', 0), 0);
    Button->SetAcceleratorKey('k');
    EXPECT_EQ(Button->AcceleratorText(), "&k");
    EXPECT_EQ(Form->Perform(CM_DIALOGCHAR, 'k', 0), 1);
    EXPECT_EQ(Log.Events, "click triangle, click triangle");
}

TEST(TvShapeBtn, Defaults) {
    TvShapeBtn b(nullptr);
    EXPECT_EQ(b.Width(), 25);
    EXPECT_EQ(b.Height(), 25);
    EXPECT_EQ(b.Color(), clBtnFace);
    EXPECT_EQ(b.AcceleratorText(), " ");
    EXPECT_EQ(b.AcceleratorKey(), ' ');
    EXPECT_TRUE(b.ShownRegion() == ShapeRegion(sbRectangle, TShapeFamily::Graphic, 25, 25));
}

// Written and read back as its class: a fresh button writes its place, its edge colours (they have
// no declared default) and the parent colour its own colour turned off; every property set away
// from its default comes back.
TEST(VanimateShapeStreaming, ReadBackWithItsProperties) {
    TvShapeBtn fresh(nullptr);
    std::string written;
    const std::unique_ptr<TComponent> freshBack = RoundTrip(fresh, &written);
    EXPECT_EQ(WrittenProperties(&fresh, written), "Left Top HighLightColor ShadowColor ParentColor ");
    auto* plain = dynamic_cast<TvShapeBtn*>(freshBack.get());
    ASSERT_NE(plain, nullptr);
    EXPECT_EQ(plain->Width(), 25);
    EXPECT_EQ(plain->AcceleratorKey(), ' ');

    TvShapeBtn b(nullptr);
    b.SetBounds(5, 6, 30, 20);
    b.Anchors = TAnchors{akRight, akBottom};
    b.SetTransparent(true);
    // The plus brings its own key, and the shape is read after the key.
    b.SetShape(sbPlus);
    b.SetHighLightColor(clYellow);
    b.SetShadowColor(clNavy);
    b.SetColor(clAqua);
    b.SetEnabled(false);
    b.SetParentShowHint(false);
    b.SetShowHint(true);
    b.SetVisible(false);
    b.SetDragMode(dmAutomatic);
    b.SetDragCursor(crHandPoint);
    const std::unique_ptr<TComponent> read = RoundTrip(b);
    auto* back = dynamic_cast<TvShapeBtn*>(read.get());
    ASSERT_NE(back, nullptr);
    ExpectOrdinalsReadBack(back, &b);
    EXPECT_EQ(back->AcceleratorText(), "&+");
    EXPECT_EQ(back->HighLightColor(), clYellow);
    EXPECT_EQ(back->ShadowColor(), clNavy);
    EXPECT_TRUE(back->ShownRegion() == ShapeRegion(sbPlus, TShapeFamily::Graphic, 30, 20));

    // A key of its own on a rectangle.
    TvShapeBtn keyed(nullptr);
    keyed.SetAcceleratorKey('k');
    const std::unique_ptr<TComponent> keyedRead = RoundTrip(keyed);
    EXPECT_EQ(static_cast<TvShapeBtn*>(keyedRead.get())->AcceleratorText(), "&k");
}

} // namespace
