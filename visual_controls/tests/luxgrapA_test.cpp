#include "visual_controls/luxgrapA.h"

#include "platform/rtl/Exceptions.h"
#include "visual_controls/LuxRgnShadow.h"
#include "visual_controls/Luxclass.h"
#include "visual_controls/tests/support/PaintedBitmap.h"

#include <gtest/gtest.h>

#include <climits>
#include <memory>
#include <set>
#include <vector>

namespace {

constexpr TColor kWhite = 0xFFFFFF;
constexpr TColor kRed = 0x0000FF;
constexpr TColor kBlue = 0xFF0000;
constexpr TColor kLime = 0x00FF00;
constexpr TColor kBlack = 0;

std::vector<TPoint> All(const TLuxPointList& l) {
    std::vector<TPoint> v;
    for (int i = 0; i < l.Count(); ++i) v.push_back(l.GetPoint(i));
    return v;
}

std::unique_ptr<TBitmap> Canvas(int w, int h, TColor color = kWhite) {
    return FilledBitmap(w, h, color);
}

struct Application : ::testing::Environment {
    void SetUp() override { InitLuxclass(); }
    void TearDown() override { DoneLuxclass(); }
};
const auto* const kApplication = ::testing::AddGlobalTestEnvironment(new Application);

} // namespace

// The outline of every shape on 100 x 60 with a 4-pixel bevel (inner outline 2 in at top and
// left, 1 in at bottom and right).
TEST(LuxShapeCalc, ShapeTable) {
    struct Case {
        TLuxShapeType shape;
        std::vector<TPoint> points;
    } const cases[] = {
        {stRectangle, {{0, 0}, {100, 60}, {2, 2}, {99, 59}}},
        {stEllipse, {{0, 0}, {100, 60}, {2, 2}, {99, 59}}},
        // Corner size 33 % of 60 = 19; the inner corner point carries the shadow depth (0 here).
        {stRoundRect, {{0, 0}, {100, 60}, {19, 19}, {2, 2}, {100, 60}, {19, 19}}},
        {stDirectUp, {{50, 0}, {100, 60}, {0, 60}, {50, 2}, {99, 59}, {4, 60}}},
        {stDirectRight, {{0, 0}, {100, 30}, {0, 60}, {2, 2}, {99, 30}, {2, 59}}},
        {stDirectDown, {{0, 0}, {100, 0}, {50, 60}, {2, 2}, {99, 2}, {50, 60}}},
        {stDirectLeft, {{100, 0}, {0, 30}, {100, 60}, {99, 2}, {2, 30}, {99, 59}}},
        {stDiamond, {{50, 0}, {100, 30}, {50, 60}, {0, 30}, {50, 2}, {99, 30}, {50, 59}, {2, 30}}},
        // a = 60 / 5 = 12
        {stComb,
         {{50, 0},
          {100, 12},
          {100, 48},
          {50, 60},
          {0, 48},
          {0, 12},
          {50, 2},
          {99, 14},
          {99, 50},
          {50, 59},
          {2, 50},
          {2, 14}}},
        // ax 29, ay 18, bx 41, by 25
        {stOctagon,
         {{29, 0},
          {70, 0},
          {100, 18},
          {100, 43},
          {70, 60},
          {29, 60},
          {0, 43},
          {0, 18},
          {31, 2},
          {72, 2},
          {99, 20},
          {99, 45},
          {72, 59},
          {31, 59},
          {2, 45},
          {2, 20}}},
        {stStar,
         {{50, 0}, {65, 23}, {100, 23}, {70, 36}, {85, 60}, {50, 45}, {15, 60}, {30, 36}, {0, 23}, {35, 23},
          {50, 2}, {65, 23}, {99, 23},  {70, 36}, {85, 59}, {50, 45}, {15, 59}, {30, 36}, {1, 23}, {35, 23}}},
    };
    TLuxSimpleBevel bevel;
    bevel.SetWidth(4);
    TLuxPointList list;
    list.AddPoint(TPoint(7, 7)); // cleared first
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.shape));
        LuxShapeCalc(TRect(30, 40, 130, 100), c.shape, nullptr, false, nullptr, 33, &bevel, nullptr, &list);
        EXPECT_EQ(All(list), c.points);
    }
}

TEST(LuxShapeCalc, SquareShadowAndMissingBevel) {
    TLuxSimpleBevel bevel; // width 2
    TLuxPointList list;
    LuxShapeCalc(TRect(0, 0, 100, 60), stRectangle, nullptr, false, nullptr, 33, &bevel, nullptr, &list);
    EXPECT_EQ(All(list), (std::vector<TPoint>{{0, 0}, {100, 60}, {1, 1}, {100, 60}}));
    LuxShapeCalc(TRect(0, 0, 100, 60), stRectangle, nullptr, true, nullptr, 33, &bevel, nullptr, &list);
    EXPECT_EQ(list.GetPoint(0), TPoint(20, 0));
    EXPECT_EQ(list.GetPoint(1), TPoint(80, 60));
    LuxShapeCalc(TRect(0, 0, 60, 100), stRectangle, nullptr, true, nullptr, 33, &bevel, nullptr, &list);
    EXPECT_EQ(list.GetPoint(0), TPoint(0, 20));
    EXPECT_EQ(list.GetPoint(1), TPoint(60, 80));

    // RoundPercent 33 on 90 x 60: corner 19.
    LuxShapeCalc(TRect(0, 0, 90, 60), stRoundRect, nullptr, false, nullptr, 33, &bevel, nullptr, &list);
    EXPECT_EQ(list.GetPoint(2), TPoint(19, 19));

    // A shadow moves the shape's top-left in by its depth, a switched-off one does not.
    TLuxShadow shadow; // solid, 6
    LuxShapeCalc(TRect(0, 0, 100, 100), stEllipse, nullptr, false, nullptr, 33, &bevel, &shadow, &list);
    EXPECT_EQ(All(list), (std::vector<TPoint>{{6, 6}, {100, 100}, {7, 7}, {100, 100}}));
    LuxShapeCalc(TRect(0, 0, 100, 100), stRoundRect, nullptr, false, nullptr, 50, &bevel, &shadow, &list);
    EXPECT_EQ(list.GetPoint(2), TPoint(47, 47)); // 50 % of 94
    EXPECT_EQ(list.GetPoint(5), TPoint(53, 53));
    TLuxRgnShadow off;
    LuxShapeCalc(TRect(0, 0, 100, 100), stEllipse, nullptr, false, nullptr, 33, &bevel, &off, &list);
    EXPECT_EQ(list.GetPoint(0), TPoint(0, 0));

    // Without a bevel the width is 1: the inner outline is the outer one.
    LuxShapeCalc(TRect(0, 0, 100, 60), stDiamond, nullptr, false, nullptr, 33, nullptr, nullptr, &list);
    EXPECT_EQ(All(list), (std::vector<TPoint>{
                             {50, 0}, {100, 30}, {50, 60}, {0, 30}, {50, 0}, {100, 30}, {50, 60}, {0, 30}}));
}

TEST(LuxShapeCalc, Teeth) {
    struct Counter {
        int n = 0;
        void Changed(TObject*) { ++n; }
    } counter;
    TLuxTeeth teeth;
    teeth.OnChange = TNotifyEvent::Bind<&Counter::Changed>(&counter);
    TLuxSimpleBevel bevel;
    TLuxPointList list;
    // 10 teeth on the right side of a 100-pixel-high rectangle: height 5, 20 edges.
    LuxShapeCalc(TRect(0, 0, 50, 100), stRectangle, &teeth, false, nullptr, 33, &bevel, nullptr, &list);
    EXPECT_EQ(teeth.Height(), 5);
    EXPECT_EQ(counter.n, 0);
    ASSERT_EQ(list.Count(), 4 + 21 + 1);
    EXPECT_EQ(All(list)[0], TPoint(49, 99));
    EXPECT_EQ(All(list)[3], TPoint(49, 0));
    EXPECT_EQ(list.GetPoint(4), TPoint(49, 0));
    EXPECT_EQ(list.GetPoint(5), TPoint(39, 5));
    EXPECT_EQ(list.GetPoint(6), TPoint(49, 10));
    EXPECT_EQ(list.GetPoint(24), TPoint(49, 100));
    EXPECT_EQ(list.GetPoint(25), TPoint(49, 100));

    // Offset off: the base sits a tooth in, the zig-zag starts out.
    teeth.SetBoolean(0, false);
    teeth.SetDirection(tdDown);
    teeth.SetCount(2);
    LuxShapeCalc(TRect(0, 0, 40, 30), stRectangle, &teeth, false, nullptr, 33, &bevel, nullptr, &list);
    EXPECT_EQ(teeth.Width(), 10);
    EXPECT_EQ(
        All(list),
        (std::vector<TPoint>{
            {39, 25}, {39, 0}, {0, 0}, {0, 25}, {0, 25}, {10, 30}, {20, 25}, {30, 30}, {40, 25}, {40, 25}}));

    // Tooth size given, count derived: 30 / 10 = 3 -> 6 edges.
    teeth.SetBoolean(1, false);
    teeth.SetDirection(tdLeft);
    teeth.SetInteger(0, 4);
    teeth.SetInteger(1, 10);
    LuxShapeCalc(TRect(0, 0, 40, 30), stRectangle, &teeth, false, nullptr, 33, &bevel, nullptr, &list);
    EXPECT_EQ(list.Count(), 4 + 7 + 1);
    EXPECT_EQ(list.GetPoint(4), TPoint(4, 0));
    EXPECT_EQ(list.GetPoint(5), TPoint(0, 10));
}

// No teeth for a count of 0 or a tooth size of 0: a straight side, and no division by zero.
TEST(LuxShapeCalc, TeethWithoutTeeth) {
    TLuxTeeth teeth;
    TLuxSimpleBevel bevel;
    TLuxPointList list;
    teeth.SetCount(0);
    LuxShapeCalc(TRect(0, 0, 50, 100), stRectangle, &teeth, false, nullptr, 33, &bevel, nullptr, &list);
    EXPECT_EQ(All(list), (std::vector<TPoint>{{49, 99}, {0, 99}, {0, 0}, {49, 0}, {49, 0}, {49, 100}}));
    teeth.SetBoolean(1, false); // tooth height 0 as given
    for (TLuxDirection d : {tdRight, tdDown, tdLeft, tdUp}) {
        teeth.SetDirection(d);
        teeth.SetInteger(0, d == tdDown || d == tdUp ? 0 : 10);
        LuxShapeCalc(TRect(0, 0, 50, 100), stRectangle, &teeth, false, nullptr, 33, &bevel, nullptr, &list);
        EXPECT_EQ(list.Count(), 6) << d;
    }
    // Sizes at the ends of the int range stay in range.
    teeth.SetDirection(tdLeft);
    teeth.SetBoolean(0, false);
    teeth.SetInteger(0, INT_MAX);
    teeth.SetInteger(1, INT_MIN);
    LuxShapeCalc(TRect(0, 0, 50, 100), stRectangle, &teeth, false, nullptr, 33, &bevel, nullptr, &list);
    EXPECT_EQ(list.GetPoint(0), TPoint(INT_MAX, 99));
    teeth.SetBoolean(0, true);
    // Painting it draws the plain polygon.
    auto b = Canvas(50, 100);
    TBrush red;
    red.SetColor(kRed);
    teeth.SetDirection(tdRight);
    LuxShapeDraw(TRect(0, 0, 50, 100), b->Canvas(), stRectangle, &teeth, nullptr, false, &red, 33, &bevel,
                 nullptr, nullptr, clWhite, clWhite, 0);
    EXPECT_EQ(PixelAt(*b, 25, 50), kRed);
}

TEST(LuxShapeCalc, LightColorsAndOffsets) {
    struct Case {
        int value;
        TColor light, dark;
    } const cases[] = {
        {0, clBtnFace, clBtnFace},
        {1, 0xFF0000, 0x800000},
        {129, 0xFF0000, 0x800000},
        {2, 0xFF, 0x80},
        {3, 0xFF00, 0x8000},
        {4, 0xFFFF, 0x8080},
        {5, 0xFFFF00, 0x808000},
        {6, 0xFF00FF, 0x800080},
        {7, 1, 2},
        {127, 1, 2},
    };
    for (const Case& c : cases) {
        TColor light = 1, dark = 2;
        LuxGetLightColors(static_cast<TLuxLightColor>(c.value), light, dark);
        EXPECT_EQ(light, c.light) << c.value;
        EXPECT_EQ(dark, c.dark) << c.value;
    }
    TPoint pts[3] = {{1, 1}, {2, 2}, {3, 3}};
    LuxOffsetPointArray(pts, 2, 10, -1);
    EXPECT_EQ(pts[0], TPoint(11, 0));
    EXPECT_EQ(pts[1], TPoint(12, 1));
    EXPECT_EQ(pts[2], TPoint(3, 3));
    LuxOffsetPointList(nullptr, 1, 1);
    TLuxPointList l;
    l.AddPoint(TPoint(-1, 5));
    LuxOffsetPointList(&l, 1, -5);
    EXPECT_EQ(l.GetPoint(0), TPoint(0, 0));
}

TEST(LuxShapeSettings, ChangesAndSummaries) {
    struct Counter {
        int n = 0;
        void Changed(TObject*) { ++n; }
    } counter;
    TLuxShape shape;
    shape.OnChange = TNotifyEvent::Bind<&Counter::Changed>(&counter);
    EXPECT_EQ(shape.Bevel()->Width(), 2);
    EXPECT_EQ(shape.RoundPercent(), 33);
    EXPECT_EQ(shape.Shape(), stRectangle);
    shape.SetShape(stStar);
    shape.SetShape(stStar);
    shape.SetSquare(true);
    shape.SetRoundPercent(40);
    shape.Shadow()->SetDepth(8);
    shape.Bevel()->SetStyle(sbInset);
    shape.Brush()->SetColor(kRed);
    EXPECT_EQ(counter.n, 6);
    TLuxShape other;
    EXPECT_THROW(other.Assign(&shape), EConvertError);

    TLuxShadow shadow;
    EXPECT_EQ(shadow.GetSetStr(), "{solid, 6}");
    shadow.SetStyle(hssTracing);
    shadow.SetDepth(99);
    EXPECT_EQ(shadow.GetSetStr(), "{tracing, 40}");
    TLuxRgnShadow rgn;
    EXPECT_EQ(rgn.GetSetStr(), "{Disabled}");
    rgn.Assign(&shadow);
    EXPECT_EQ(rgn.Style(), hssTracing);
    EXPECT_EQ(rgn.Depth(), 40);

    TLuxTeeth a, b;
    a.SetCount(3);
    a.SetDirection(tdUp);
    a.SetBoolean(0, false);
    a.SetBoolean(1, false);
    a.SetInteger(0, 7);
    a.SetInteger(1, 9);
    b.OnChange = TNotifyEvent::Bind<&Counter::Changed>(&counter);
    counter.n = 0;
    b.Assign(&a);
    EXPECT_EQ(counter.n, 1);
    EXPECT_EQ(b.Count(), 3);
    EXPECT_EQ(b.Direction(), tdUp);
    EXPECT_FALSE(b.Offset());
    EXPECT_FALSE(b.SetPerCount());
    EXPECT_EQ(b.Width(), 7);
    EXPECT_EQ(b.Height(), 9);
    b.SetInteger(5, 1); // another index only notifies
    b.SetBoolean(5, true);
    EXPECT_EQ(counter.n, 3);
}

// The painting, by pixel: a 1-pixel black outline round a red fill, on white.
TEST(LuxShapeDraw, FillOutlineAndShadow) {
    TLuxSimpleBevel bevel;
    bevel.SetWidth(1);
    TBrush red;
    red.SetColor(kRed);
    {
        auto b = Canvas(40, 30);
        LuxShapeDraw(TRect(0, 0, 40, 30), b->Canvas(), stRectangle, nullptr, nullptr, false, &red, 33, &bevel,
                     nullptr, nullptr, clWhite, clWhite, 0);
        EXPECT_EQ(PixelAt(*b, 0, 0), kBlack);
        EXPECT_EQ(PixelAt(*b, 39, 29), kBlack);
        EXPECT_EQ(PixelAt(*b, 20, 15), kRed);
    }
    // Shadow of depth 6 on a 100 x 100 ellipse: shadow through (6, 6)-(100, 100), the shape
    // through (0, 0)-(94, 94).
    TLuxShadow shadow;
    shadow.SetColor(kBlue);
    auto b = Canvas(100, 100);
    LuxShapeDraw(TRect(0, 0, 100, 100), b->Canvas(), stEllipse, nullptr, nullptr, false, &red, 33, &bevel,
                 &shadow, nullptr, clWhite, clWhite, 0);
    EXPECT_EQ(PixelAt(*b, 47, 47), kRed);
    EXPECT_EQ(PixelAt(*b, 47, 0), kBlack);
    EXPECT_EQ(PixelAt(*b, 96, 53), kBlue);
    EXPECT_EQ(PixelAt(*b, 53, 96), kBlue);
    EXPECT_EQ(PixelAt(*b, 2, 2), kWhite);
    EXPECT_EQ(PixelAt(*b, 98, 98), kWhite);
}

// The tracing shadow masks its pattern into what is there: the pattern's white pixels keep the
// background.
TEST(LuxShapeDraw, TracingShadowKeepsWhite) {
    TLuxSimpleBevel bevel;
    bevel.SetWidth(1);
    TBrush red;
    red.SetColor(kRed);
    TLuxShadow shadow;
    shadow.SetColor(kBlue);
    shadow.SetStyle(hssTracing);
    shadow.SetDepth(6);
    auto b = Canvas(60, 60);
    LuxShapeDraw(TRect(0, 0, 60, 60), b->Canvas(), stRectangle, nullptr, nullptr, false, &red, 33, &bevel,
                 &shadow, nullptr, clWhite, clWhite, 0);
    std::set<TColor> seen;
    // Without a pen the rectangle leaves out its last row and column.
    for (int y = 56; y < 59; ++y)
        for (int x = 10; x < 50; ++x) {
            const TColor c = PixelAt(*b, x, y);
            seen.insert(c);
            EXPECT_EQ(c, (x % 2 != y % 2) ? kBlue : kWhite) << x << "," << y;
        }
    EXPECT_EQ(seen, (std::set<TColor>{kBlue, kWhite}));
    // Over a coloured background the white pattern pixels leave it as it was.
    auto lime = Canvas(60, 60, kLime);
    shadow.SetColor(0x00FFFF);
    LuxShapeDraw(TRect(0, 0, 60, 60), lime->Canvas(), stRectangle, nullptr, nullptr, false, &red, 33, &bevel,
                 &shadow, nullptr, clWhite, clWhite, 0);
    EXPECT_EQ(PixelAt(*lime, 20, 58), kLime);
    EXPECT_EQ(PixelAt(*lime, 21, 58), kLime & 0x00FFFF);
}

// The two-colour bevel: inset puts the shadow colour on the top and left, the light colour on the
// bottom and right; offset the other way round. Over teeth there is none.
TEST(LuxShapeDraw, BevelColours) {
    TLuxSimpleBevel bevel;
    bevel.SetColor(0, kLime); // light
    bevel.SetColor(1, kBlue); // shadow
    TBrush red;
    red.SetColor(kRed);
    struct Case {
        TLuxSimpleBevelStyle style;
        TColor topLeft, bottomRight;
    } const cases[] = {{sbInset, kBlue, kLime}, {sbOffset, kLime, kBlue}};
    for (const Case& c : cases) {
        bevel.SetStyle(c.style);
        auto b = Canvas(40, 30);
        LuxShapeDraw(TRect(0, 0, 40, 30), b->Canvas(), stRectangle, nullptr, nullptr, false, &red, 33, &bevel,
                     nullptr, nullptr, clWhite, clWhite, 0);
        EXPECT_EQ(PixelAt(*b, 1, 15), c.topLeft) << c.style;
        EXPECT_EQ(PixelAt(*b, 20, 1), c.topLeft) << c.style;
        EXPECT_EQ(PixelAt(*b, 39, 15), c.bottomRight) << c.style;
        EXPECT_EQ(PixelAt(*b, 20, 29), c.bottomRight) << c.style;
        EXPECT_EQ(PixelAt(*b, 20, 15), kRed) << c.style;

        TLuxTeeth teeth;
        auto t = Canvas(40, 30);
        LuxShapeDraw(TRect(0, 0, 40, 30), t->Canvas(), stRectangle, &teeth, nullptr, false, &red, 33, &bevel,
                     nullptr, nullptr, clWhite, clWhite, 0);
        for (int y = 0; y < 30; ++y)
            for (int x = 0; x < 40; ++x) {
                const TColor px = PixelAt(*t, x, y);
                ASSERT_TRUE(px != kLime && px != kBlue) << x << "," << y;
            }
        EXPECT_EQ(PixelAt(*t, 5, 15), kRed);
    }
}

// A given list is used as it is and left as it was, wherever the shape is painted.
TEST(LuxShapeDraw, GivenListIsRestored) {
    TLuxSimpleBevel bevel;
    TLuxShadow shadow;
    TBrush red;
    red.SetColor(kRed);
    TLuxPointList list;
    LuxShapeCalc(TRect(0, 0, 40, 30), stRoundRect, nullptr, false, &red, 50, &bevel, &shadow, &list);
    const std::vector<TPoint> before = All(list);
    auto b = Canvas(60, 50);
    LuxShapeDraw(TRect(10, 10, 50, 40), b->Canvas(), stRoundRect, nullptr, &list, false, &red, 50, &bevel,
                 &shadow, nullptr, clWhite, clWhite, 0);
    EXPECT_EQ(All(list), before);
    // The shape's body moved by (10, 10); its corner stays the size it was computed with.
    EXPECT_EQ(PixelAt(*b, 25, 22), kRed);
    EXPECT_EQ(PixelAt(*b, 11, 11), kWhite);
    EXPECT_NE(PixelAt(*b, 13, 12), kWhite);
    EXPECT_EQ(PixelAt(*b, 44, 38), static_cast<TColor>(ColorToRGB(clBtnShadow)));
}

// With a bitmap the shape is cut out of it: the bitmap shows around the shape's mask, the canvas
// inside it, and the outline is drawn over both.
TEST(LuxShapeDraw, BitmapAroundTheMask) {
    TLuxSimpleBevel bevel;
    bevel.SetWidth(1);
    TBrush red;
    red.SetColor(kRed);
    auto bitmap = Canvas(40, 40, kLime);
    auto b = Canvas(40, 40);
    LuxShapeDraw(TRect(0, 0, 40, 40), b->Canvas(), stEllipse, nullptr, nullptr, false, &red, 33, &bevel, nullptr,
                 bitmap.get(), 0xFF00FF, kBlue, 0);
    EXPECT_EQ(PixelAt(*b, 1, 1), kLime);
    EXPECT_EQ(PixelAt(*b, 20, 20), kWhite);
    EXPECT_EQ(PixelAt(*b, 20, 0), kBlack);
    EXPECT_EQ(PixelAt(*bitmap, 20, 20), kLime); // the caller's bitmap is left as it was
}
