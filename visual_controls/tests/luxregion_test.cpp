#include "visual_controls/luxregion.h"

#include "platform/gdi/DeviceContext.h"
#include "platform/ui/Filer.h"
#include "platform/ui/TypInfo.h"
#include "visual_controls/Luxclass.h"
#include "visual_controls/tests/support/PaintedBitmap.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

// Outside the anonymous namespace, so that its class name is plain.
class TRegionHolder : public TComponent {
public:
    using TComponent::TComponent;
    TLuxBorderRegion Region;
};

namespace {

const bool kRegistered = [] {
    using namespace published;
    PublishProperties<TRegionHolder, TComponent>({Property<TRegionHolder>(
        "Region", [](const TRegionHolder& h) { return const_cast<TLuxBorderRegion*>(&h.Region); }, nullptr)});
    RegisterClass<TRegionHolder>();
    return true;
}();

constexpr TColor kWhite = 0xFFFFFF;
constexpr TColor kRed = 0x0000FF;
constexpr TColor kBlue = 0xFF0000;
constexpr TColor kLime = 0x00FF00;
constexpr TColor kBlack = 0;

struct Counter {
    int n = 0;
    void Changed(TObject*) { ++n; }
};

struct Application : ::testing::Environment {
    void SetUp() override { InitLuxclass(); }
    void TearDown() override { DoneLuxclass(); }
};
const auto* const kApplication = ::testing::AddGlobalTestEnvironment(new Application);

// Owns a region handle for the length of a test.
struct Rgn {
    HRGN h;
    explicit Rgn(HRGN r) : h(r) {}
    ~Rgn() {
        if (h) DeleteObject(h);
    }
    operator HRGN() const { return h; }
};

HRGN PolygonRgn(std::vector<POINT> p) {
    return CreatePolygonRgn(p.data(), static_cast<int>(p.size()), ALTERNATE);
}

HRGN Union(HRGN a, HRGN b) {
    CombineRgn(a, a, b, RGN_OR);
    DeleteObject(b);
    return a;
}

std::unique_ptr<TBitmap> Canvas(int w, int h, TColor color = kWhite) {
    return FilledBitmap(w, h, color);
}

} // namespace

TEST(LuxRegionBuilders, Polygons) {
    Rgn diamond(LuxCreateDiamondRgn(TRect(0, 0, 100, 50)));
    Rgn expected(PolygonRgn({{50, 0}, {0, 25}, {50, 50}, {100, 25}}));
    EXPECT_TRUE(EqualRgn(diamond, expected));

    Rgn comb(LuxCreateCombRgn(TRect(0, 0, 40, 40)));
    Rgn combExpected(PolygonRgn({{20, 0}, {0, 10}, {0, 30}, {20, 40}, {40, 30}, {40, 10}}));
    EXPECT_TRUE(EqualRgn(comb, combExpected));

    Rgn octagon(LuxCreateOctagonRgn(TRect(0, 0, 30, 30)));
    Rgn octExpected(PolygonRgn({{20, 0}, {10, 0}, {0, 10}, {0, 20}, {10, 30}, {20, 30}, {30, 20}, {30, 10}}));
    EXPECT_TRUE(EqualRgn(octagon, octExpected));

    Rgn star(LuxCreateStarRgn(TRect(0, 0, 100, 100)));
    Rgn starExpected(PolygonRgn({{50, 0},
                                 {65, 38},
                                 {100, 38},
                                 {70, 60},
                                 {85, 100},
                                 {50, 75},
                                 {15, 100},
                                 {30, 60},
                                 {0, 38},
                                 {35, 38}}));
    EXPECT_TRUE(EqualRgn(star, starExpected));

    // The shields stand on (0, 0) whatever R's position, below the cut-off top scallops.
    Rgn round(LuxCreateRoundShieldRgn(TRect(50, 50, 150, 150)));
    RECT box;
    GetRgnBox(round, &box);
    EXPECT_EQ(box.bottom, 100);
    const RECT strip{0, -40, 100, 0};
    EXPECT_FALSE(RectInRegion(round, &strip));
    EXPECT_TRUE(PtInRegion(round, 50, 50));
    EXPECT_FALSE(PtInRegion(round, 1, 1));
    EXPECT_FALSE(PtInRegion(round, 50, 0));
    Rgn sharp(LuxCreateSharpShieldRgn(TRect(0, 0, 100, 100)));
    EXPECT_TRUE(PtInRegion(sharp, 50, 90));
    EXPECT_FALSE(PtInRegion(sharp, 5, 95));
    EXPECT_FALSE(PtInRegion(sharp, 95, 95));
}

// The nose: the body shrunk away from the named corner, the triangle's tip on that corner and its
// base (offset 5, length 14 for size 10) on the side named first.
TEST(LuxRegionBuilders, Noses) {
    const TRect R(0, 0, 100, 100);
    struct Case {
        TLuxExtPos pos;
        TRect body;
        std::vector<TPoint> triangle;
    } const cases[] = {
        {epLeftTop, {10, 10, 100, 100}, {{0, 0}, {10, 15}, {10, 29}}},
        {epTopLeft, {10, 10, 100, 100}, {{0, 0}, {15, 10}, {29, 10}}},
        {epTopRight, {0, 10, 90, 100}, {{100, 0}, {85, 10}, {71, 10}}},
        {epRightTop, {0, 10, 90, 100}, {{100, 0}, {90, 15}, {90, 29}}},
        {epRightBottom, {0, 0, 90, 90}, {{100, 100}, {90, 85}, {90, 71}}},
        {epBottomRight, {0, 0, 90, 90}, {{100, 100}, {85, 90}, {71, 90}}},
        {epBottomLeft, {10, 0, 100, 90}, {{0, 100}, {15, 90}, {29, 90}}},
        {epLeftBottom, {10, 0, 100, 90}, {{0, 100}, {10, 85}, {10, 71}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.pos));
        EXPECT_EQ(LuxNoseBody(R, 10, c.pos), c.body);
        EXPECT_EQ(LuxNoseTriangle(c.body, 10, 5, c.pos), c.triangle);
        Rgn built(LuxCreateNoseRectRgn(R, 10, c.pos));
        std::vector<POINT> tri(c.triangle.begin(), c.triangle.end());
        Rgn expected(
            Union(CreateRectRgn(c.body.Left, c.body.Top, c.body.Right, c.body.Bottom), PolygonRgn(tri)));
        EXPECT_TRUE(EqualRgn(built, expected));
    }
    // The rounded body moves the base along by the rounding of its side.
    Rgn round(LuxCreateRoundNoseRectRgn(R, 10, 8, 12, epLeftTop));
    Rgn roundExpected(
        Union(CreateRoundRectRgn(10, 10, 100, 100, 8, 12), PolygonRgn({{0, 0}, {10, 22}, {10, 36}})));
    EXPECT_TRUE(EqualRgn(round, roundExpected));
}

TEST(LuxRegionBuilders, ThinkBubbles) {
    // Size 10, 4 bubbles: seven circles on a quarter circle round (10, 0), growing by about 1.
    const std::vector<TRect> bubbles = LuxThinkBubbles(TRect(10, 10, 100, 100), 10, 4, epLeftTop);
    ASSERT_EQ(bubbles.size(), 7u);
    EXPECT_EQ(bubbles[0], TRect(0, 0, 0, 0));
    EXPECT_EQ(bubbles[1], TRect(0, 3, 0, 3));
    EXPECT_EQ(bubbles[3], TRect(3, 7, 5, 9));
    EXPECT_EQ(bubbles[5], TRect(8, 8, 12, 12));
    // Every position: the first bubble (a point) near the outer end of the trail, the one at
    // g = 90 degrees (diameter 5) on the body's corner.
    struct Case {
        TLuxExtPos pos;
        TPoint first, corner;
    } const cases[] = {
        {epLeftTop, {10, 13}, {20, 20}},     {epTopLeft, {13, 10}, {20, 20}},
        {epTopRight, {87, 10}, {80, 20}},    {epRightTop, {90, 13}, {80, 20}},
        {epRightBottom, {90, 87}, {80, 80}}, {epBottomRight, {87, 90}, {80, 80}},
        {epBottomLeft, {13, 90}, {20, 80}},  {epLeftBottom, {10, 87}, {20, 80}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.pos));
        const std::vector<TRect> trail = LuxThinkBubbles(TRect(20, 20, 80, 80), 10, 4, c.pos);
        ASSERT_EQ(trail.size(), 7u);
        EXPECT_EQ(trail[1], TRect(c.first.X, c.first.Y, c.first.X, c.first.Y));
        EXPECT_EQ(trail[5], TRect(c.corner.X - 2, c.corner.Y - 2, c.corner.X + 2, c.corner.Y + 2));
    }
    // No bubbles for a count below 1, the body alone.
    EXPECT_TRUE(LuxThinkBubbles(TRect(10, 10, 100, 100), 10, 0, epLeftTop).empty());
    Rgn none(LuxCreateThinkBubbleRgn(TRect(0, 0, 100, 100), 10, 0, epLeftTop));
    Rgn body(CreateRectRgn(10, 10, 100, 100));
    EXPECT_TRUE(EqualRgn(none, body));

    Rgn built(LuxCreateEllipticThinkBubbleRgn(TRect(0, 0, 100, 100), 10, 4, epRightBottom));
    EXPECT_TRUE(PtInRegion(built, 45, 45));
    EXPECT_FALSE(PtInRegion(built, 95, 5));
    for (const TRect& b : LuxThinkBubbles(TRect(0, 0, 90, 90), 10, 4, epRightBottom)) {
        if (b.Right - b.Left > 2) {
            EXPECT_TRUE(PtInRegion(built, (b.Left + b.Right) / 2, (b.Top + b.Bottom) / 2));
        }
    }
}

// The border painters on a 30 x 30 white bitmap with R = (5, 5, 25, 25) and a 1-pixel pen.
TEST(LuxRegionPainters, RectangleStyles) {
    struct Case {
        TLuxRegionBorderStyle style;
        TColor top, left, bottom, right, innerBottom, innerRight;
    } const cases[] = {
        {rbNone, kWhite, kWhite, kWhite, kWhite, kWhite, kWhite},
        {rbSingle, kBlack, kBlack, kBlack, kBlack, kWhite, kWhite},
        {rbRaised, kLime, kLime, kBlue, kBlue, kWhite, kWhite},
        {rbLowered, kBlue, kBlue, kLime, kLime, kWhite, kWhite},
        {rbSingleRaised, kBlack, kBlack, kBlack, kBlack, kBlue, kBlue},
        {rbSingleLowered, kBlack, kBlack, kBlack, kBlack, kLime, kLime},
        {rbRaisedpsb, kLime, kLime, kBlack, kBlack, kBlue, kBlue},
        {rbLoweredpsb, kBlue, kBlue, kBlack, kBlack, kLime, kLime},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.style));
        auto b = Canvas(30, 30);
        LuxFrameRectRgn(b->Canvas(), TRect(5, 5, 25, 25), kLime, kBlue, kBlack, c.style);
        EXPECT_EQ(PixelAt(*b, 12, 5), c.top);
        EXPECT_EQ(PixelAt(*b, 5, 12), c.left);
        EXPECT_EQ(PixelAt(*b, 12, 25), c.bottom);
        EXPECT_EQ(PixelAt(*b, 25, 12), c.right);
        EXPECT_EQ(PixelAt(*b, 12, 24), c.innerBottom);
        EXPECT_EQ(PixelAt(*b, 24, 12), c.innerRight);
    }
}

TEST(LuxRegionPainters, PointListAndBubbleClipping) {
    TLuxPointList square;
    for (TPoint p : {TPoint(5, 5), TPoint(25, 5), TPoint(25, 25), TPoint(5, 25)}) square.AddPoint(p);
    auto b = Canvas(30, 30);
    LuxFramePointList(b->Canvas(), &square, kLime, kBlue, kBlack, rbRaised);
    EXPECT_EQ(PixelAt(*b, 12, 5), kLime);  // to the right
    EXPECT_EQ(PixelAt(*b, 25, 12), kBlue); // down
    EXPECT_EQ(PixelAt(*b, 12, 25), kBlue); // to the left
    EXPECT_EQ(PixelAt(*b, 5, 12), kLime);  // up
    LuxFramePointList(b->Canvas(), &square, kLime, kBlue, kBlack, rbSingleLowered);
    EXPECT_EQ(PixelAt(*b, 12, 5), kBlue);
    EXPECT_EQ(PixelAt(*b, 25, 12), kLime);
    LuxFramePointList(b->Canvas(), &square, kLime, kBlue, kRed, rbSingle);
    EXPECT_EQ(PixelAt(*b, 12, 5), kRed);
    EXPECT_EQ(PixelAt(*b, 25, 12), kRed);

    // The bubbles are kept out of the body's frame while it is painted, and the caller's clipping
    // is back afterwards: none, or the one it had.
    auto c = Canvas(120, 120);
    LuxFrameThinkBubbleRgn(c->Canvas(), TRect(0, 0, 120, 120), 20, epLeftTop, 4, kLime, kBlue, kBlack,
                           rbSingle);
    HRGN probe = CreateRectRgn(0, 0, 0, 0);
    EXPECT_EQ(GetClipRgn(c->Canvas()->Handle(), probe), 0);
    c->Canvas()->Brush()->SetColor(kRed);
    c->Canvas()->FillRect(TRect(0, 0, 120, 120));
    EXPECT_EQ(PixelAt(*c, 16, 16), kRed);
    HRGN clip = CreateRectRgn(0, 0, 60, 60);
    SelectClipRgn(c->Canvas()->Handle(), clip);
    LuxFrameRoundThinkBubbleRgn(c->Canvas(), TRect(0, 0, 120, 120), 20, epLeftTop, 4, 10, 10, kLime, kBlue,
                                kBlack, rbSingle);
    ASSERT_EQ(GetClipRgn(c->Canvas()->Handle(), probe), 1);
    EXPECT_TRUE(EqualRgn(probe, clip));
    SelectClipRgn(c->Canvas()->Handle(), nullptr);
    DeleteObject(clip);
    DeleteObject(probe);
}

TEST(LuxRegion, SettersNotify) {
    Counter counter;
    TLuxRegion r;
    r.OnChange = TNotifyEvent::Bind<&Counter::Changed>(&counter);
    EXPECT_EQ(r.Shape(), rsRoundRect);
    EXPECT_EQ(r.RoundX(), 20);
    EXPECT_EQ(r.Shadow()->Style(), hssNone);
    EXPECT_EQ(r.Border()->Style(), rbSingle);
    r.SetRegionShape(rsRect);
    EXPECT_EQ(counter.n, 1);
    // Rounding only notifies for the shapes that use it.
    r.SetInteger(0, 30);
    EXPECT_EQ(r.RoundX(), 30);
    EXPECT_EQ(counter.n, 1);
    for (TLuxRegionShape s : {rsRoundRect, rsRoundNoseRect, rsRoundThinkBubble}) {
        r.SetRegionShape(s);
        const int before = counter.n;
        r.SetInteger(1, r.RoundY() + 1);
        EXPECT_EQ(counter.n, before + 1) << s;
    }
    r.SetInteger(7, 5);
    const int before = counter.n;
    r.SetNosePos(epBottomLeft);
    r.SetNosePos(epBottomLeft);
    r.Border()->SetColor(2, kRed);
    r.Shadow()->SetDepth(3);
    EXPECT_EQ(counter.n, before + 3);
}

// Building by shape, with the offset, the shadow's shrink and the applied region.
TEST(LuxRegion, BuildsAndApplies) {
    TLuxRegion r;
    r.SetRegionShape(rsNoseRect);
    r.CreateRegion(TRect(0, 0, 200, 100));
    Rgn nose(LuxCreateNoseRectRgn(TRect(0, 0, 200, 100), 20, epLeftTop));
    EXPECT_TRUE(EqualRgn(r.BuiltRegion(), nose));
    r.SetRegionShape(rsThinkBubble);
    r.CreateRegion(TRect(0, 0, 200, 100));
    Rgn bubble(LuxCreateThinkBubbleRgn(TRect(0, 0, 200, 100), 33, 4, epLeftTop));
    EXPECT_TRUE(EqualRgn(r.BuiltRegion(), bubble));
    r.SetRegionShape(rsHalfRound);
    r.CreateRegion(TRect(0, 10, 40, 30));
    Rgn half(CreateEllipticRgn(0, -10, 40, 30));
    EXPECT_TRUE(EqualRgn(r.BuiltRegion(), half));

    // A shadow of depth 6 shrinks the shape; the applied region adds its copy moved by (6, 6).
    r.SetRegionShape(rsRect);
    r.Shadow()->SetStyle(hssSolid);
    r.SetOffset(TPoint(2, 3));
    r.CreateRegion(TRect(0, 0, 50, 40));
    Rgn shrunk(CreateRectRgn(2, 3, 44, 34));
    EXPECT_TRUE(EqualRgn(r.BuiltRegion(), shrunk));
    r.SetRegion();
    Rgn applied(Union(CreateRectRgn(2, 3, 44, 34), CreateRectRgn(8, 9, 50, 40)));
    EXPECT_TRUE(EqualRgn(r.AppliedRegion(), applied));
    r.SetShadowSuppressed(true);
    r.SetRegion();
    EXPECT_TRUE(EqualRgn(r.AppliedRegion(), shrunk));
    r.FreeRegion();
    EXPECT_EQ(r.AppliedRegion(), nullptr);

    // Special rectangle, and shapes without data: no region, an empty one applied.
    r.CreateSpecialRectRgn(TRect(0, 0, 5, 5));
    Rgn special(CreateRectRgn(0, 0, 5, 5));
    EXPECT_TRUE(EqualRgn(r.BuiltRegion(), special));
    for (TLuxRegionShape s : {rsBitmap, rsUserRegion, rsPointList}) {
        r.SetRegionShape(s);
        r.CreateRegion(TRect(0, 0, 50, 40));
        EXPECT_EQ(r.BuiltRegion(), nullptr) << s;
    }
    r.SetShadowSuppressed(false);
    r.SetRegion();
    RECT box;
    EXPECT_EQ(GetRgnBox(r.AppliedRegion(), &box), NULLREGION);
}

TEST(LuxRegion, PointsAndUserRegion) {
    TLuxRegion r;
    for (TPoint p : {TPoint(0, 0), TPoint(40, 0), TPoint(0, 40)}) r.Points()->AddPoint(p);
    // Not the point-list shape yet: no user region.
    EXPECT_TRUE(r.UserRegionData().empty());
    r.SetRegionShape(rsPointList);
    ASSERT_FALSE(r.UserRegionData().empty());
    r.CreateRegion(TRect(0, 0, 100, 100));
    Rgn triangle(PolygonRgn({{0, 0}, {40, 0}, {0, 40}}));
    EXPECT_TRUE(EqualRgn(r.BuiltRegion(), triangle));
    // A point added keeps the user region in step.
    r.Points()->AddPoint(TPoint(-10, 20));
    r.CreateRegion(TRect(0, 0, 100, 100));
    Rgn four(PolygonRgn({{0, 0}, {40, 0}, {0, 40}, {-10, 20}}));
    EXPECT_TRUE(EqualRgn(r.BuiltRegion(), four));

    r.SetUserPolygonRgn({{5, 5}, {30, 5}, {30, 30}});
    EXPECT_EQ(r.Points()->Count(), 3);
    r.SetRegionShape(rsUserRegion);
    r.CreateRegion(TRect(0, 0, 100, 100));
    Rgn user(PolygonRgn({{5, 5}, {30, 5}, {30, 30}}));
    EXPECT_TRUE(EqualRgn(r.BuiltRegion(), user));
    Rgn ellipse(CreateEllipticRgn(0, 0, 20, 10));
    r.SetUserRgn(ellipse);
    r.CreateRegion(TRect(0, 0, 100, 100));
    EXPECT_TRUE(EqualRgn(r.BuiltRegion(), ellipse));
}

// Switching to the point list rebuilds the user region from the points, also from none: a region
// set before does not stay behind.
TEST(LuxRegion, ThePointListShapeBuildsFromThePointsOnly) {
    struct Case {
        const char* what;
        std::vector<TPoint> points;
        bool built;
    };
    const Case cases[] = {
        {"no points", {}, false},
        {"a triangle", {{0, 0}, {40, 0}, {0, 40}}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TLuxRegion r;
        for (const TPoint& p : c.points) r.Points()->AddPoint(p);
        Rgn old(CreateRectRgn(0, 0, 50, 50));
        r.SetUserRgn(old);
        r.SetRegionShape(rsPointList);
        EXPECT_EQ(r.UserRegionData().empty(), !c.built);
        r.CreateRegion(TRect(0, 0, 100, 100));
        if (!c.built) {
            EXPECT_EQ(r.BuiltRegion(), nullptr);
            continue;
        }
        Rgn triangle(PolygonRgn({{0, 0}, {40, 0}, {0, 40}}));
        EXPECT_TRUE(EqualRgn(r.BuiltRegion(), triangle));
    }
}

TEST(LuxRegion, AssignCopiesSettings) {
    TLuxRegion a, b;
    a.SetRegionShape(rsStar);
    a.SetInteger(0, 7);
    a.SetInteger(1, 9);
    a.SetNosePos(epRightTop);
    a.Shadow()->SetStyle(hssTracing);
    a.Border()->SetBorderStyle(rbRaisedpsb);
    a.Mask()->SetDataSize(48);
    a.Mask()->GetMem();
    Counter counter;
    b.OnChange = TNotifyEvent::Bind<&Counter::Changed>(&counter);
    b.Assign(&a);
    EXPECT_GE(counter.n, 1);
    EXPECT_EQ(b.Shape(), rsStar);
    EXPECT_EQ(b.RoundX(), 7);
    EXPECT_EQ(b.RoundY(), 9);
    EXPECT_EQ(b.ExtPos(), epRightTop);
    EXPECT_EQ(b.Shadow()->Style(), hssTracing);
    EXPECT_EQ(b.Border()->Style(), rbRaisedpsb);
    EXPECT_EQ(b.Mask()->RegionDataSize(), 48u);
    TLuxObject other;
    EXPECT_THROW(b.Assign(&other), EConvertError);
}

// The shadow painted between the built region and its copy moved by the depth; R loses the depth.
TEST(LuxRegion, PaintsShadowAndBorder) {
    TLuxRegion r;
    r.SetRegionShape(rsRect);
    r.Shadow()->SetStyle(hssSolid);
    r.Shadow()->SetColor(kBlue);
    r.Border()->SetColor(2, kRed);
    r.CreateRegion(TRect(0, 0, 40, 30));
    auto b = Canvas(40, 30);
    r.PaintRegionShape(b->Canvas(), TRect(0, 0, 40, 30));
    EXPECT_EQ(PixelAt(*b, 37, 20), kBlue);
    EXPECT_EQ(PixelAt(*b, 20, 27), kBlue);
    EXPECT_EQ(PixelAt(*b, 2, 27), kWhite);
    EXPECT_EQ(PixelAt(*b, 0, 10), kRed);
    EXPECT_EQ(PixelAt(*b, 10, 0), kRed);
    EXPECT_EQ(PixelAt(*b, 15, 15), kWhite);
    EXPECT_EQ(b->Canvas()->Brush()->Style(), bsClear);

    TRect R(0, 0, 40, 30);
    r.Shadow()->SetStyle(hssTracing);
    auto t = Canvas(40, 30);
    r.DrawShadow(t->Canvas(), R);
    EXPECT_EQ(R, TRect(0, 0, 34, 24));
    // The pattern: the shadow colour where exactly one of x and y is odd.
    EXPECT_EQ(PixelAt(*t, 36, 20), kWhite);
    EXPECT_EQ(PixelAt(*t, 37, 20), kBlue);
    r.SetShadowSuppressed(true);
    auto s = Canvas(40, 30);
    r.DrawShadow(s->Canvas(), R);
    EXPECT_EQ(R, TRect(0, 0, 28, 18));
    EXPECT_EQ(PixelAt(*s, 37, 20), kWhite);
}

// "PointList": a list of integers, X then Y for each point, in the filer's own value form.
TEST(LuxRegion, PointListStream) {
    TLuxRegion r;
    r.Points()->AddPoint(TPoint(10, 20));
    r.Points()->AddPoint(TPoint(30, 40));
    TMemoryStream stream;
    {
        TWriter w(&stream);
        r.DefineProperties(&w);
    }
    const std::string expected = std::string("\x09\x00\x00\x00PointList", 13) + "\x01" +
                                 std::string("\x02\x0A\x00\x00\x00\x00\x00\x00\x00", 9) +
                                 std::string("\x02\x14\x00\x00\x00\x00\x00\x00\x00", 9) +
                                 std::string("\x02\x1E\x00\x00\x00\x00\x00\x00\x00", 9) +
                                 std::string("\x02\x28\x00\x00\x00\x00\x00\x00\x00", 9) +
                                 std::string("\x00", 1);
    EXPECT_EQ(stream.DataString(), expected);

    // Through a whole component: read back appended to the points already there, every int whole.
    TRegionHolder holder(nullptr);
    holder.Region.Points()->AddPoint(TPoint(-5, -1));
    holder.Region.Points()->AddPoint(TPoint(70000, -40000));
    TMemoryStream whole;
    TWriter(&whole).WriteRootComponent(&holder);
    TRegionHolder back(nullptr);
    back.Region.Points()->AddPoint(TPoint(1, 1));
    whole.SetPosition(0);
    TReader(&whole).ReadRootComponent(&back);
    ASSERT_EQ(back.Region.Points()->Count(), 3);
    EXPECT_EQ(back.Region.Points()->GetPoint(1), TPoint(-5, -1));
    EXPECT_EQ(back.Region.Points()->GetPoint(2), TPoint(70000, -40000));

    // An empty list writes nothing.
    TLuxRegion empty;
    TMemoryStream none;
    {
        TWriter w(&none);
        empty.DefineProperties(&w);
    }
    EXPECT_EQ(none.Size(), 0);
}
