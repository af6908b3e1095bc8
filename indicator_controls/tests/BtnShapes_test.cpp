// The outline table of the shaped buttons: regions of every outline in both families at an even
// and an odd size, edge pictures worked out pixel by pixel from the line rules (end pixel left out,
// exact halves rounded down), the compass aliases, and the up/down colour swap.
#include "indicator_controls/BtnShapes.h"

#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/Draw.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

constexpr TColor Shadow = 0x102030;
constexpr TColor Highlight = 0xF0E0D0;
constexpr TColor Face = 0x405060;

struct TRectCase {
    sbType Shape;
    TShapeFamily Family;
    int Width, Height;
    std::vector<RECT> Rects;
};

std::string Show(const std::vector<RECT>& rects) {
    std::string s;
    for (const RECT& r : rects)
        s += "(" + std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) +
             "," + std::to_string(r.bottom) + ")";
    return s;
}

constexpr auto Win = TShapeFamily::Windowed;
constexpr auto Gra = TShapeFamily::Graphic;

TEST(ShapeRegion, RectilinearOutlinesAsRectangles) {
    const std::vector<TRectCase> cases = {
        {sbRectangle, Win, 90, 60, {{0, 0, 90, 60}}},
        {sbRectangle, Win, 91, 61, {{0, 0, 91, 61}}},
        {sbRectangle, Gra, 90, 60, {{0, 0, 89, 59}}},
        {sbRectangle, Gra, 91, 61, {{0, 0, 90, 60}}},
        {sbOwnerDraw, Win, 90, 60, {{0, 0, 90, 60}}},
        {sbOwnerDraw, Win, 91, 61, {{0, 0, 91, 61}}},
        {sbOwnerDraw, Gra, 90, 60, {{0, 0, 89, 59}}},
        {sbOwnerDraw, Gra, 91, 61, {{0, 0, 90, 60}}},
        {sbPlus, Win, 90, 60, {{30, 0, 60, 20}, {0, 20, 90, 40}, {30, 40, 60, 60}}},
        // Thirds round up: the arms reach beyond the control, which the window clips.
        {sbPlus, Win, 91, 61, {{31, 0, 62, 21}, {0, 21, 93, 42}, {31, 42, 62, 63}}},
        {sbPlus, Gra, 90, 60, {{29, 0, 58, 19}, {0, 19, 87, 38}, {29, 38, 58, 57}}},
        {sbPlus, Gra, 91, 61, {{30, 0, 60, 20}, {0, 20, 90, 40}, {30, 40, 60, 60}}},
        {sbMinus, Win, 90, 60, {{30, 0, 60, 15}, {0, 20, 90, 40}, {30, 44, 60, 60}}},
        {sbMinus, Win, 91, 61, {{31, 0, 62, 16}, {0, 21, 91, 42}, {31, 46, 62, 63}}},
        {sbMinus, Gra, 90, 60, {{29, 0, 58, 15}, {0, 19, 89, 38}, {29, 42, 58, 57}}},
        // The light button's lower block starts one row lower.
        {sbMinus, Gra, 91, 61, {{30, 0, 60, 15}, {0, 20, 90, 40}, {30, 45, 60, 60}}},
    };
    for (const TRectCase& c : cases) {
        const RegionValue r = ShapeRegion(c.Shape, c.Family, c.Width, c.Height);
        EXPECT_EQ(Show(r.Rects()), Show(c.Rects))
            << "shape " << int(c.Shape) << (c.Family == Win ? " windowed " : " graphic ") << c.Width << "x"
            << c.Height;
    }
}

struct TProbeCase {
    sbType Shape;
    std::vector<POINT> Inside, Outside;
};

TEST(ShapeRegion, SlantedOutlinesByProbes) {
    // Points well inside or outside every variant: both families, 90 x 60 and 91 x 61.
    const std::vector<TProbeCase> cases = {
        {sbUpTriangle, {{45, 50}, {5, 58}}, {{5, 5}, {85, 5}}},
        {sbDnTriangle, {{45, 10}, {5, 1}}, {{5, 55}, {85, 55}}},
        {sbLTriangle, {{80, 30}, {88, 2}}, {{5, 5}, {5, 55}}},
        {sbRTriangle, {{10, 30}, {1, 2}}, {{85, 5}, {85, 55}}},
        {sbTLTriangle, {{5, 5}, {40, 25}}, {{85, 55}, {50, 35}}},
        {sbTRTriangle, {{85, 5}, {50, 25}}, {{5, 55}, {40, 35}}},
        {sbBLTriangle, {{5, 55}, {40, 35}}, {{85, 5}, {50, 25}}},
        {sbBRTriangle, {{85, 55}, {50, 35}}, {{5, 5}, {40, 25}}},
        {sbCircle, {{45, 30}, {3, 30}, {45, 2}}, {{2, 2}, {86, 56}, {2, 56}, {86, 2}}},
        {sbUpTrapezoid, {{45, 2}, {2, 58}}, {{5, 5}, {85, 5}}},
        {sbDnTrapezoid, {{45, 58}, {2, 1}}, {{5, 55}, {85, 55}}},
        {sbLTrapezoid, {{2, 30}, {88, 2}}, {{2, 2}, {2, 58}}},
        {sbRTrapezoid, {{88, 30}, {1, 2}}, {{88, 2}, {88, 58}}},
        {sbUpLTriangle, {{30, 20}}, {{85, 55}, {2, 55}, {85, 2}}},
        {sbUpRTriangle, {{60, 20}}, {{2, 55}, {2, 2}, {85, 55}}},
        {sbDnRTriangle, {{60, 40}}, {{2, 2}, {85, 2}, {2, 58}}},
        {sbDnLTriangle, {{30, 40}}, {{2, 2}, {85, 2}, {85, 58}}},
    };
    for (const TProbeCase& c : cases)
        for (TShapeFamily family : {Win, Gra})
            for (int grow : {0, 1}) {
                const RegionValue r = ShapeRegion(c.Shape, family, 90 + grow, 60 + grow);
                const std::string what = "shape " + std::to_string(int(c.Shape)) +
                                         (family == Win ? " windowed" : " graphic") +
                                         (grow ? " 91x61" : " 90x60");
                for (const POINT& p : c.Inside)
                    EXPECT_TRUE(r.Contains(p.x, p.y)) << what << " at " << p.x << "," << p.y;
                for (const POINT& p : c.Outside)
                    EXPECT_FALSE(r.Contains(p.x, p.y)) << what << " at " << p.x << "," << p.y;
            }
}

std::unique_ptr<TBitmap> Edges(sbType shape, TShapeFamily family, int w, int h, bool down) {
    auto b = std::make_unique<TBitmap>();
    b->SetPixelFormat(pf24bit);
    b->SetSize(w, h);
    TCanvas* c = b->Canvas();
    c->Brush()->SetColor(Face);
    c->FillRect(Rect(0, 0, w, h));
    DrawShapeEdges(c, shape, family, w, h, down, Shadow, Highlight);
    return b;
}

COLORREF Pixel(TBitmap* b, int x, int y) {
    return GetPixel(b->Canvas()->Handle(), x, y);
}

// The windowed picture as it shows through its region: S shadow, L highlight, K black, '.' face,
// blank outside the region.
std::vector<std::string> Picture(sbType shape, int w, int h) {
    const auto b = Edges(shape, Win, w, h, false);
    const RegionValue r = ShapeRegion(shape, Win, w, h);
    std::vector<std::string> rows;
    for (int y = 0; y < h; ++y) {
        std::string row;
        for (int x = 0; x < w; ++x) {
            const COLORREF c = Pixel(b.get(), x, y);
            row += !r.Contains(x, y)          ? ' '
                   : c == COLORREF(Shadow)    ? 'S'
                   : c == COLORREF(Highlight) ? 'L'
                   : c == 0                   ? 'K'
                   : c == COLORREF(Face)      ? '.'
                                              : '?';
        }
        rows.push_back(row);
    }
    return rows;
}

TEST(ShapeEdges, SmallPictures) {
    EXPECT_EQ(Picture(sbRectangle, 6, 5), (std::vector<std::string>{
                                              "SSSSSK",
                                              "SLLLSK",
                                              "SL..SK",
                                              "SLSSSK",
                                              "SKKKKK",
                                          }));
    EXPECT_EQ(Picture(sbUpTriangle, 9, 5), (std::vector<std::string>{
                                               "         ",
                                               "   SK    ",
                                               "  SLLK   ",
                                               " SSSSSS  ",
                                               ".KKKKKKK ",
                                           }));
    EXPECT_EQ(Picture(sbPlus, 7, 7), (std::vector<std::string>{
                                         "   SK. ",
                                         "   LK. ",
                                         "   LSS ",
                                         "SSLLLLK",
                                         "KK.LKKK",
                                         "..S.K..",
                                         "   KK. ",
                                     }));
}

TEST(ShapeEdges, CircleArcsOnTheBoxBetweenTheQuarterPoints) {
    // 90 x 60: X 89, Y 59, r = 44 div 2 = 22, q = 44 + 22 = 66.
    auto expected = std::make_unique<TBitmap>();
    expected->SetPixelFormat(pf24bit);
    expected->SetSize(90, 60);
    TCanvas* c = expected->Canvas();
    c->Brush()->SetColor(Face);
    c->FillRect(Rect(0, 0, 90, 60));
    c->Pen()->SetColor(Shadow);
    c->Arc(0, 0, 89, 59, 66, 0, 22, 59);
    c->Arc(1, 1, 88, 58, 20, 57, 64, 2);
    c->Pen()->SetColor(Highlight);
    c->Arc(1, 1, 88, 58, 64, 2, 20, 57);
    c->Pen()->SetColor(clBlack);
    c->Arc(0, 0, 89, 59, 22, 59, 66, 0);
    const auto actual = Edges(sbCircle, Win, 90, 60, false);
    int differing = 0;
    for (int y = 0; y < 60; ++y)
        for (int x = 0; x < 90; ++x) differing += Pixel(actual.get(), x, y) != Pixel(expected.get(), x, y);
    EXPECT_EQ(differing, 0);
    EXPECT_EQ(Pixel(actual.get(), 45, 0), COLORREF(Shadow));
    EXPECT_EQ(Pixel(actual.get(), 45, 58), 0u); // the box's bottom edge is outside
}

TEST(ShapeEdges, CompassValuesAreTheirOutlines) {
    const std::vector<std::pair<sbType, sbType>> aliases = {
        {sb000, sbUpTriangle},  {sb045, sbUpRTriangle}, {sb090, sbRTriangle},
        {sb135, sbDnRTriangle}, {sb180, sbDnTriangle},  {sb225, sbDnLTriangle},
        {sb270, sbLTriangle},   {sb315, sbUpLTriangle}, {sb360, sbUpTriangle},
    };
    for (const auto& [alias, outline] : aliases)
        for (TShapeFamily family : {Win, Gra}) {
            EXPECT_TRUE(ShapeRegion(alias, family, 90, 60) == ShapeRegion(outline, family, 90, 60))
                << int(alias);
            const auto a = Edges(alias, family, 40, 30, false);
            const auto b = Edges(outline, family, 40, 30, false);
            for (int y = 0; y < 30; ++y)
                for (int x = 0; x < 40; ++x)
                    ASSERT_EQ(Pixel(a.get(), x, y), Pixel(b.get(), x, y))
                        << int(alias) << " at " << x << "," << y;
        }
}

TEST(ShapeEdges, PressedDiffersOnlyInTheLitAndDarkLines) {
    for (int s = 0; s < sbTypeCount; ++s)
        for (TShapeFamily family : {Win, Gra}) {
            const auto shape = static_cast<sbType>(s);
            const auto up = Edges(shape, family, 45, 31, false);
            const auto down = Edges(shape, family, 45, 31, true);
            int swapped = 0;
            for (int y = 0; y < 31; ++y)
                for (int x = 0; x < 45; ++x) {
                    const COLORREF u = Pixel(up.get(), x, y);
                    const COLORREF d = Pixel(down.get(), x, y);
                    if (u == d) continue;
                    ++swapped;
                    EXPECT_TRUE((u == COLORREF(Highlight) && d == 0) || (u == 0 && d == COLORREF(Highlight)))
                        << "shape " << s << " at " << x << "," << y;
                }
            EXPECT_GT(swapped, 0) << "shape " << s;
        }
}

} // namespace
