#include "support/GdiTest.h"

#include <gtest/gtest.h>

#include <functional>
#include <set>

namespace {

using Picture = std::vector<std::string>;

// Pen and brush for one test, selected for the DC's lifetime.
void UsePen(HDC dc, int style, int width, COLORREF color) {
    DeleteObject(SelectObject(dc, CreatePen(style, width, color)));
}
void UseBrush(HDC dc, COLORREF color) {
    DeleteObject(SelectObject(dc, CreateSolidBrush(color)));
}

std::set<std::pair<int, int>> LinePixels(POINT from, POINT to) {
    TestDc dc(12, 12);
    MoveToEx(dc, from.x, from.y, nullptr);
    LineTo(dc, to.x, to.y);
    std::set<std::pair<int, int>> pixels;
    for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 12; ++x)
            if (dc.At(x, y) == kBlack) pixels.insert({x, y});
    return pixels;
}

TEST(LineTo, LeavesOutTheEndPixelInEveryDirection) {
    struct Case {
        POINT from, to;
        std::set<std::pair<int, int>> pixels;
    };
    const Case cases[] = {
        {{1, 1}, {5, 1}, {{1, 1}, {2, 1}, {3, 1}, {4, 1}}},
        {{5, 1}, {1, 1}, {{5, 1}, {4, 1}, {3, 1}, {2, 1}}},
        {{2, 1}, {2, 4}, {{2, 1}, {2, 2}, {2, 3}}},
        {{2, 4}, {2, 1}, {{2, 4}, {2, 3}, {2, 2}}},
        {{1, 1}, {4, 4}, {{1, 1}, {2, 2}, {3, 3}}},
        {{4, 4}, {1, 1}, {{4, 4}, {3, 3}, {2, 2}}},
        {{1, 4}, {4, 1}, {{1, 4}, {2, 3}, {3, 2}}},
        // Exact halves go to the smaller coordinate, whichever way the line runs.
        {{0, 0}, {4, 1}, {{0, 0}, {1, 0}, {2, 0}, {3, 1}}},
        {{4, 1}, {0, 0}, {{4, 1}, {3, 1}, {2, 0}, {1, 0}}},
        {{0, 0}, {1, 4}, {{0, 0}, {0, 1}, {0, 2}, {1, 3}}},
        {{3, 3}, {3, 3}, {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(LinePixels(c.from, c.to), c.pixels)
            << "(" << c.from.x << "," << c.from.y << ") to (" << c.to.x << "," << c.to.y << ")";
}

TEST(LineTo, MovesThePenAndPolylineDrawsEachVertexOnce) {
    TestDc dc(8, 4);
    SetROP2(dc, R2_NOT);
    // An inverting pen shows a pixel drawn twice as white again.
    const POINT pts[] = {{0, 1}, {3, 1}, {3, 3}, {6, 3}};
    Polyline(dc, pts, 4);
    EXPECT_EQ(dc.Picture(BasicLegend()), (Picture{"........", "####....", "...#....", "...###.."}));
    POINT pos;
    MoveToEx(dc, 0, 0, nullptr);
    LineTo(dc, 2, 0);
    GetCurrentPositionEx(dc, &pos);
    EXPECT_EQ(pos.x, 2);
    EXPECT_EQ(pos.y, 0);
}

TEST(LineTo, StyledPenDashesWithTheBackgroundInTheGaps) {
    TestDc dc(12, 2);
    UsePen(dc, PS_DOT, 1, kBlack);
    SetBkColor(dc, kRed);
    MoveToEx(dc, 0, 0, nullptr);
    LineTo(dc, 11, 0);
    SetBkMode(dc, TRANSPARENT);
    MoveToEx(dc, 0, 1, nullptr);
    LineTo(dc, 11, 1);
    EXPECT_EQ(dc.Picture(BasicLegend()), (Picture{"###rrr###rr.", "###...###..."}));
    // The dash pattern runs on across the corners of a polyline.
    TestDc corner(3, 5);
    UsePen(corner, PS_DOT, 1, kBlack);
    SetBkColor(corner, kRed);
    const POINT pts[] = {{0, 0}, {2, 0}, {2, 5}};
    Polyline(corner, pts, 3);
    EXPECT_EQ(corner.Picture(BasicLegend()), (Picture{"###", "..r", "..r", "..r", "..#"}));
}

TEST(LineTo, HugeCoordinatesDrawOnlyWhatIsVisible) {
    TestDc dc(10, 10);
    UsePen(dc, PS_DASH, 1, kBlack);
    MoveToEx(dc, -2000000000, -2000000000, nullptr);
    LineTo(dc, 2000000000, 2000000000);
    EXPECT_EQ(dc.InkBox(kWhite), (RECT{0, 0, 10, 10}));
    EXPECT_EQ(dc.At(3, 3), dc.At(4, 4)); // dashes 18 long, the gaps elsewhere
    TestDc wide(10, 10);
    UsePen(wide, PS_SOLID, 3, kBlack);
    MoveToEx(wide, -2000000000, 5, nullptr);
    LineTo(wide, 2000000000, 5);
    EXPECT_EQ(wide.InkBox(kWhite), (RECT{0, 4, 10, 7}));
    TestDc shapes(10, 10);
    UseBrush(shapes, kRed);
    Ellipse(shapes, -1000000000, -1000000000, 1000000000, 1000000000);
    const POINT tri[] = {{-2000000000, -2000000000}, {2000000000, -2000000000}, {0, 2000000000}};
    Polygon(shapes, tri, 3);
    EXPECT_EQ(shapes.At(5, 5), kRed);
}

TEST(LineTo, XorPenDrawnTwiceRestores) {
    TestDc dc(6, 6);
    dc.Fill(kRed);
    UsePen(dc, PS_SOLID, 1, kWhite);
    SetROP2(dc, R2_XORPEN);
    for (int i = 0; i < 2; ++i) {
        MoveToEx(dc, 0, 0, nullptr);
        LineTo(dc, 5, 5);
    }
    EXPECT_EQ(dc.InkBox(kRed), RECT{});
}

TEST(LineTo, WidePenIsCentredWithRoundEnds) {
    TestDc dc(14, 10);
    UsePen(dc, PS_SOLID, 3, kBlack);
    MoveToEx(dc, 2, 5, nullptr);
    LineTo(dc, 10, 5);
    EXPECT_EQ(dc.InkBox(kWhite), (RECT{1, 4, 12, 7}));
    EXPECT_EQ(dc.At(1, 5), kBlack);  // cap reaches one pixel past each end
    EXPECT_EQ(dc.At(11, 5), kBlack); // and the end point is drawn
    TestDc round(16, 12);
    UsePen(round, PS_SOLID, 5, kBlack);
    MoveToEx(round, 2, 5, nullptr);
    LineTo(round, 10, 5);
    EXPECT_EQ(round.InkBox(kWhite), (RECT{0, 3, 13, 8}));
    EXPECT_EQ(round.At(0, 3), kWhite); // the corner of the box is cut
    EXPECT_EQ(round.At(0, 4), kBlack);
    EXPECT_EQ(round.At(2, 3), kBlack);
    TestDc even(14, 10);
    UsePen(even, PS_SOLID, 2, kBlack);
    MoveToEx(even, 2, 5, nullptr);
    LineTo(even, 10, 5);
    EXPECT_EQ(even.InkBox(kWhite).bottom - even.InkBox(kWhite).top, 2);
}

TEST(Rectangle, PenInsideTheBoxBrushWithin) {
    TestDc dc(8, 7);
    UseBrush(dc, kRed);
    Rectangle(dc, 1, 1, 6, 5);
    EXPECT_EQ(dc.Picture(BasicLegend()),
              (Picture{"........", ".#####..", ".#rrr#..", ".#rrr#..", ".#####..", "........", "........"}));
}

TEST(Rectangle, NullPenLosesTheRightColumnAndBottomRow) {
    TestDc dc(8, 6);
    UseBrush(dc, kRed);
    SelectObject(dc, GetStockObject(NULL_PEN));
    Rectangle(dc, 1, 1, 6, 5);
    EXPECT_EQ(dc.InkBox(kWhite), (RECT{1, 1, 5, 4}));
    // A hollow brush leaves the inside alone.
    TestDc frame(8, 6);
    SelectObject(frame, GetStockObject(NULL_BRUSH));
    Rectangle(frame, 1, 1, 6, 5);
    EXPECT_EQ(frame.At(3, 3), kWhite);
    EXPECT_EQ(frame.At(1, 1), kBlack);
}

TEST(Rectangle, WidePensCentredOrInsideTheFrame) {
    TestDc centred(12, 12);
    UseBrush(centred, kRed);
    UsePen(centred, PS_SOLID, 3, kBlack);
    Rectangle(centred, 2, 2, 8, 8);
    EXPECT_EQ(centred.InkBox(kWhite), (RECT{1, 1, 9, 9}));
    EXPECT_EQ(centred.At(4, 4), kRed);
    EXPECT_EQ(centred.At(3, 3), kBlack);

    TestDc inside(12, 12);
    UseBrush(inside, kRed);
    UsePen(inside, PS_INSIDEFRAME, 2, kBlack);
    Rectangle(inside, 2, 2, 8, 8);
    EXPECT_EQ(inside.InkBox(kWhite), (RECT{2, 2, 8, 8}));
    EXPECT_EQ(inside.Picture(RECT{2, 2, 8, 8}, BasicLegend()),
              (Picture{"######", "######", "##rr##", "##rr##", "######", "######"}));
}

TEST(Rectangle, ReversedCornersAreNormalised) {
    TestDc a(8, 8), b(8, 8);
    Rectangle(a, 1, 2, 6, 7);
    Rectangle(b, 6, 7, 1, 2);
    EXPECT_EQ(a.Picture(BasicLegend()), b.Picture(BasicLegend()));
}

TEST(Ellipse, SmallCircleByHand) {
    TestDc dc(5, 5);
    UseBrush(dc, kRed);
    Ellipse(dc, 0, 0, 5, 5);
    EXPECT_EQ(dc.Picture(BasicLegend()), (Picture{".###.", "#rrr#", "#rrr#", "#rrr#", ".###."}));
}

TEST(Ellipse, TouchesEveryEdgeOfItsBoxAndNoMore) {
    struct Box {
        int l, t, r, b;
    };
    for (const Box& box : {Box{0, 0, 17, 17}, Box{2, 3, 12, 9}, Box{1, 1, 30, 6}, Box{3, 2, 7, 19}}) {
        TestDc dc(32, 24);
        UseBrush(dc, kRed);
        Ellipse(dc, box.l, box.t, box.r, box.b);
        EXPECT_EQ(dc.InkBox(kWhite), (RECT{box.l, box.t, box.r, box.b}));
        // Symmetric about both axes of the box.
        for (int y = box.t; y < box.b; ++y)
            for (int x = box.l; x < box.r; ++x) {
                ASSERT_EQ(dc.At(x, y), dc.At(box.l + box.r - 1 - x, y));
                ASSERT_EQ(dc.At(x, y), dc.At(x, box.t + box.b - 1 - y));
            }
    }
    TestDc nullPen(20, 20);
    SelectObject(nullPen, GetStockObject(NULL_PEN));
    UseBrush(nullPen, kRed);
    Ellipse(nullPen, 2, 3, 12, 9);
    EXPECT_EQ(nullPen.InkBox(kWhite), (RECT{2, 3, 11, 8}));
}

TEST(Ellipse, SeventeenPixelLampOutline) {
    // The lamp of the indicator control: 17 x 17, black pen, silver ring one pixel inside.
    TestDc dc(17, 17);
    UseBrush(dc, kRed);
    Ellipse(dc, 0, 0, 17, 17);
    UsePen(dc, PS_SOLID, 1, kSilver);
    Ellipse(dc, 1, 1, 16, 16);
    const Picture p = dc.Picture(BasicLegend());
    EXPECT_EQ(p[0], "......#####......");
    EXPECT_EQ(p[8], "#srrrrrrrrrrrrrs#");
    EXPECT_EQ(p[1], "....##sssss##....");
}

TEST(Arc, CounterClockwiseFromStartRayToEndRay) {
    TestDc ccw(5, 5);
    Arc(ccw, 0, 0, 5, 5, 5, 2, 0, 2);
    EXPECT_EQ(ccw.Picture(BasicLegend()), (Picture{".###.", "#...#", ".....", ".....", "....."}));

    TestDc cw(5, 5);
    SetArcDirection(cw, AD_CLOCKWISE);
    Arc(cw, 0, 0, 5, 5, 5, 2, 0, 2);
    EXPECT_EQ(cw.Picture(BasicLegend()), (Picture{".....", ".....", "#...#", "#...#", ".###."}));

    TestDc full(5, 5);
    Arc(full, 0, 0, 5, 5, 4, 0, 4, 0);
    EXPECT_EQ(full.Picture(BasicLegend()), (Picture{".###.", "#...#", "#...#", "#...#", ".###."}));
}

TEST(Polygon, OutlineIncludesTheRightAndBottomEdges) {
    TestDc dc(7, 6);
    UseBrush(dc, kRed);
    const POINT square[] = {{1, 1}, {5, 1}, {5, 4}, {1, 4}};
    Polygon(dc, square, 4);
    EXPECT_EQ(dc.Picture(BasicLegend()),
              (Picture{".......", ".#####.", ".#rrr#.", ".#rrr#.", ".#####.", "......."}));

    TestDc fillOnly(7, 6);
    UseBrush(fillOnly, kRed);
    SelectObject(fillOnly, GetStockObject(NULL_PEN));
    Polygon(fillOnly, square, 4);
    EXPECT_EQ(fillOnly.InkBox(kWhite), (RECT{1, 1, 5, 4}));
}

TEST(Polygon, FillModeDecidesOverlaps) {
    // The square walked round twice: alternate leaves it empty, winding fills it.
    const POINT twice[] = {{0, 0}, {4, 0}, {4, 4}, {0, 4}, {0, 0}, {4, 0}, {4, 4}, {0, 4}};
    for (int mode : {ALTERNATE, WINDING}) {
        TestDc dc(6, 6);
        SelectObject(dc, GetStockObject(NULL_PEN));
        UseBrush(dc, kRed);
        SetPolyFillMode(dc, mode);
        Polygon(dc, twice, 8);
        EXPECT_EQ(dc.At(2, 2), mode == WINDING ? kRed : kWhite);
    }
}

TEST(RoundRect, CornersCutByTheCornerEllipse) {
    TestDc dc(10, 10);
    UseBrush(dc, kRed);
    RoundRect(dc, 0, 0, 10, 10, 4, 4);
    EXPECT_EQ(dc.InkBox(kWhite), (RECT{0, 0, 10, 10}));
    EXPECT_EQ(dc.At(0, 0), kWhite);
    EXPECT_EQ(dc.At(9, 9), kWhite);
    EXPECT_EQ(dc.At(1, 0), kBlack);
    EXPECT_EQ(dc.At(5, 5), kRed);
}

TEST(FillRect, ReversedRectangleFillsItsMirror) {
    // The lamp's shadow squares are given right-to-left and bottom-to-top.
    TestDc dc(17, 17);
    HBRUSH grey = CreateSolidBrush(kGrey);
    const RECT reversed{13, 13, 11, 12};
    FillRect(dc, &reversed, grey);
    DeleteObject(grey);
    EXPECT_EQ(dc.InkBox(kWhite), (RECT{11, 12, 13, 13}));
}

TEST(FillRect, PatternBrushAlignsToTheBrushOrigin) {
    // The steel pattern: silver with white where x and y are both odd.
    TestDc steel(8, 8);
    steel.Fill(kSilver);
    for (int y = 1; y < 8; y += 2)
        for (int x = 1; x < 8; x += 2) SetPixel(steel, x, y, kWhite);
    HBRUSH brush = CreatePatternBrush(steel.bitmap);

    TestDc dc(16, 16);
    const RECT part{3, 3, 12, 12};
    FillRect(dc, &part, brush);
    EXPECT_EQ(dc.At(3, 3), kWhite); // not restarted at the rectangle's corner
    EXPECT_EQ(dc.At(4, 3), kSilver);
    EXPECT_EQ(dc.At(11, 11), kWhite);
    EXPECT_EQ(dc.At(2, 2), kWhite); // outside: untouched background

    SetBrushOrgEx(dc, 1, 0, nullptr);
    const RECT all{0, 0, 16, 16};
    FillRect(dc, &all, brush);
    EXPECT_EQ(dc.At(1, 1), kSilver);
    EXPECT_EQ(dc.At(2, 1), kWhite);
    EXPECT_EQ(dc.At(9, 15), kSilver);
    EXPECT_EQ(dc.At(10, 15), kWhite);
    DeleteObject(brush);
}

TEST(FillRect, MonochromePatternTakesTextAndBackgroundColours) {
    // Device-dependent rows are two bytes wide.
    const BYTE rows[16] = {0x55, 0, 0xAA, 0, 0x55, 0, 0xAA, 0, 0x55, 0, 0xAA, 0, 0x55, 0, 0xAA, 0};
    HBITMAP checker = CreateBitmap(8, 8, 1, 1, rows);
    HBRUSH brush = CreatePatternBrush(checker);
    DeleteObject(checker); // the brush keeps its own copy
    TestDc dc(4, 2);
    SetTextColor(dc, kRed);
    SetBkColor(dc, kBlue);
    const RECT r{0, 0, 4, 2};
    FillRect(dc, &r, brush);
    DeleteObject(brush);
    EXPECT_EQ(dc.Picture(BasicLegend()), (Picture{"rbrb", "brbr"}));
}

TEST(FillRect, HatchBrushBackgroundFollowsTheMode) {
    HBRUSH cross = CreateHatchBrush(HS_CROSS, kBlack);
    TestDc opaque(3, 3), clear(3, 3);
    SetBkColor(opaque, kRed);
    SetBkMode(clear, TRANSPARENT);
    const RECT r{0, 0, 3, 3};
    FillRect(opaque, &r, cross);
    FillRect(clear, &r, cross);
    DeleteObject(cross);
    EXPECT_EQ(opaque.Picture(BasicLegend()), (Picture{"###", "#rr", "#rr"}));
    EXPECT_EQ(clear.Picture(BasicLegend()), (Picture{"###", "#..", "#.."}));
}

TEST(FillRect, SystemColourIndexAsBrush) {
    TestDc dc(2, 2);
    const RECT r{0, 0, 2, 2};
    FillRect(dc, &r, reinterpret_cast<HBRUSH>(static_cast<std::uintptr_t>(COLOR_BTNSHADOW + 1)));
    EXPECT_EQ(dc.At(1, 1), kGrey);
}

TEST(FrameRect, OnePixelFrameWithTheBrush) {
    TestDc dc(6, 5);
    HBRUSH red = CreateSolidBrush(kRed);
    const RECT r{1, 1, 5, 4};
    FrameRect(dc, &r, red);
    const RECT empty{3, 3, 3, 5};
    FrameRect(dc, &empty, red);
    DeleteObject(red);
    EXPECT_EQ(dc.Picture(BasicLegend()), (Picture{"......", ".rrrr.", ".r..r.", ".rrrr.", "......"}));
}

TEST(DrawFocusRect, InvertsEveryOtherPixelAndUndoes) {
    TestDc dc(5, 4);
    const RECT r{0, 0, 5, 4};
    DrawFocusRect(dc, &r);
    EXPECT_EQ(dc.Picture(BasicLegend()), (Picture{"#.#.#", ".....", "#...#", ".#.#."}));
    DrawFocusRect(dc, &r);
    EXPECT_EQ(dc.InkBox(kWhite), RECT{});
}

TEST(DrawEdge, EveryKindOfEdge) {
    struct Case {
        UINT edge, flags;
        Picture expected;
    };
    // 's' 3-D light and button face, '#' dark shadow, 'x' shadow, '.' highlight, 'r' untouched.
    const Case cases[] = {
        {EDGE_RAISED, BF_RECT, {"sssss#", "s...x#", "s.rrx#", "s.rrx#", "sxxxx#", "######"}},
        {EDGE_SUNKEN, BF_RECT, {"xxxxx.", "x###s.", "x#rrs.", "x#rrs.", "xssss.", "......"}},
        {EDGE_ETCHED, BF_RECT, {"xxxxx.", "x...x.", "x.rrx.", "x.rrx.", "xxxxx.", "......"}},
        {EDGE_BUMP, BF_RECT, {"sssss#", "s###s#", "s#rrs#", "s#rrs#", "sssss#", "######"}},
        {BDR_RAISEDINNER, BF_RECT, {".....x", ".rrrrx", ".rrrrx", ".rrrrx", ".rrrrx", "xxxxxx"}},
        {BDR_SUNKENOUTER, BF_RECT, {"xxxxx.", "xrrrr.", "xrrrr.", "xrrrr.", "xrrrr.", "......"}},
        {BDR_RAISEDOUTER, BF_RECT, {"sssss#", "srrrr#", "srrrr#", "srrrr#", "srrrr#", "######"}},
        {BDR_SUNKENINNER, BF_RECT, {"#####s", "#rrrrs", "#rrrrs", "#rrrrs", "#rrrrs", "ssssss"}},
        {EDGE_RAISED, BF_RECT | BF_SOFT, {".....#", ".sssx#", ".srrx#", ".srrx#", ".xxxx#", "######"}},
        {EDGE_RAISED, BF_RECT | BF_MIDDLE, {"sssss#", "s...x#", "s.ssx#", "s.ssx#", "sxxxx#", "######"}},
        {EDGE_SUNKEN, BF_RECT | BF_FLAT, {"xxxxxx", "xssssx", "xsrrsx", "xsrrsx", "xssssx", "xxxxxx"}},
        {EDGE_SUNKEN, BF_RECT | BF_MONO, {"######", "#....#", "#.rr.#", "#.rr.#", "#....#", "######"}},
        {BDR_RAISEDOUTER, BF_LEFT | BF_TOP, {"ssssss", "srrrrr", "srrrrr", "srrrrr", "srrrrr", "srrrrr"}},
        {EDGE_RAISED, BF_BOTTOMRIGHT, {"rrrrx#", "rrrrx#", "rrrrx#", "rrrrx#", "xxxxx#", "######"}},
    };
    for (const Case& c : cases) {
        TestDc dc(6, 6);
        dc.Fill(kRed);
        RECT r{0, 0, 6, 6};
        DrawEdge(dc, &r, c.edge, c.flags);
        EXPECT_EQ(dc.Picture(BasicLegend()), c.expected) << "edge " << c.edge << " flags " << c.flags;
        EXPECT_EQ(r.left, 0) << "without BF_ADJUST the rectangle stays";
    }
}

TEST(DrawEdge, AdjustShrinksTheDrawnSidesOnly) {
    TestDc dc(10, 10);
    RECT r{0, 0, 10, 10};
    DrawEdge(dc, &r, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
    EXPECT_EQ(r, (RECT{2, 2, 8, 8}));
    r = RECT{0, 0, 10, 10};
    DrawEdge(dc, &r, BDR_SUNKENOUTER, BF_LEFT | BF_TOP | BF_ADJUST);
    EXPECT_EQ(r, (RECT{1, 1, 10, 10}));
}

TEST(Pixels, SetAndGetRespectBoundsAndClip) {
    TestDc dc(4, 4);
    EXPECT_EQ(SetPixel(dc, 1, 2, kRed), kRed);
    EXPECT_EQ(GetPixel(dc, 1, 2), kRed);
    EXPECT_EQ(SetPixel(dc, 4, 0, kRed), CLR_INVALID);
    EXPECT_EQ(GetPixel(dc, -1, 0), CLR_INVALID);
    IntersectClipRect(dc, 0, 0, 2, 2);
    EXPECT_EQ(SetPixel(dc, 3, 3, kRed), CLR_INVALID);
    EXPECT_EQ(GetPixel(dc, 3, 3), CLR_INVALID);
    EXPECT_FALSE(SetPixelV(dc, 3, 3, kRed));
    EXPECT_TRUE(SetPixelV(dc, 1, 1, kRed));
}

TEST(Pixels, IndexedSurfacesKeepTheNearestPaletteColour) {
    TestDc dc(2, 1, 8);
    EXPECT_EQ(SetPixel(dc, 0, 0, RGB(250, 10, 5)), kRed);
    EXPECT_EQ(GetPixel(dc, 0, 0), kRed);
    TestDc mono(2, 1, 1, true);
    EXPECT_EQ(SetPixel(mono, 0, 0, RGB(200, 200, 200)), kWhite);
    EXPECT_EQ(SetPixel(mono, 1, 0, RGB(60, 60, 60)), kBlack);
}

TEST(Origins, ViewportAndWindowOriginsMoveDrawing) {
    TestDc dc(10, 10);
    SetViewportOrgEx(dc, 3, 2, nullptr);
    SetPixel(dc, 0, 0, kRed);
    SetWindowOrgEx(dc, 1, 1, nullptr);
    SetPixel(dc, 2, 1, kBlue);
    EXPECT_EQ(GetPixel(dc, 1, 1), kRed);
    POINT p{0, 0};
    LPtoDP(dc, &p, 1);
    EXPECT_EQ(p.x, 2);
    EXPECT_EQ(p.y, 1);
    DPtoLP(dc, &p, 1);
    EXPECT_EQ(p.x, 0);
    SetViewportOrgEx(dc, 0, 0, nullptr);
    SetWindowOrgEx(dc, 0, 0, nullptr);
    EXPECT_EQ(dc.At(3, 2), kRed);
    EXPECT_EQ(dc.At(4, 2), kBlue);
}

} // namespace

TEST(Path, StraightBeziersFillAndStrokeAsThePolygon) {
    // Each side of the square as a curve whose control points lie on it: the path must come out
    // exactly as the polygon of the same corners, in both fill modes and with a dashed pen.
    const POINT square[] = {{1, 1}, {7, 1}, {7, 5}, {1, 5}};
    std::vector<POINT> curves{square[0]};
    for (int i = 0; i < 4; ++i) {
        const POINT a = square[i], b = square[(i + 1) % 4];
        curves.push_back({a.x + (b.x - a.x) / 3, a.y + (b.y - a.y) / 3});
        curves.push_back({a.x + 2 * (b.x - a.x) / 3, a.y + 2 * (b.y - a.y) / 3});
        curves.push_back(b);
    }
    for (int style : {PS_SOLID, PS_NULL}) {
        TestDc byPath(9, 7), byPolygon(9, 7);
        for (HDC dc : {HDC(byPath), HDC(byPolygon)}) {
            UsePen(dc, style, 1, kBlack);
            UseBrush(dc, kRed);
        }
        ASSERT_TRUE(BeginPath(byPath));
        ASSERT_TRUE(PolyBezier(byPath, curves.data(), static_cast<DWORD>(curves.size())));
        EXPECT_EQ(byPath.InkBox(kWhite), (RECT{0, 0, 0, 0})) << "nothing drawn while the path is open";
        ASSERT_TRUE(EndPath(byPath));
        ASSERT_TRUE(StrokeAndFillPath(byPath));
        Polygon(byPolygon, square, 4);
        EXPECT_EQ(byPath.Picture(BasicLegend()), byPolygon.Picture(BasicLegend())) << style;
        EXPECT_FALSE(StrokeAndFillPath(byPath)) << "the path is gone once drawn";
    }
}

TEST(Path, CurvesOutsideAPathAndRefusals) {
    // Outside a path the curve is a line of the pen: a quarter circle stays inside its box and
    // reaches both ends' neighbourhood, curving through the middle.
    TestDc dc(12, 12);
    const POINT quarter[] = {{10, 1}, {10, 6}, {6, 10}, {1, 10}};
    ASSERT_TRUE(PolyBezier(dc, quarter, 4));
    EXPECT_EQ(dc.At(10, 1), kBlack);
    EXPECT_EQ(dc.At(7, 7), kBlack) << "the middle of the curve, at (7.375, 7.375)";
    EXPECT_EQ(dc.At(10, 10), kWhite) << "the corner itself is only a control point";
    const RECT box = dc.InkBox(kWhite);
    EXPECT_GE(box.left, 1);
    EXPECT_LE(box.right, 11);

    // Wrong counts, paths not closed, a foreign handle.
    struct Case {
        const char* what;
        std::function<BOOL(HDC)> call;
    };
    const POINT five[] = {{0, 0}, {1, 1}, {2, 2}, {3, 3}, {4, 4}};
    const Case refused[] = {
        {"five points", [&](HDC d) { return PolyBezier(d, five, 5); }},
        {"one point", [&](HDC d) { return PolyBezier(d, five, 1); }},
        {"no path", [](HDC d) { return StrokeAndFillPath(d); }},
        {"path still open", [](HDC d) { return BeginPath(d) && StrokeAndFillPath(d); }},
        {"aborted path", [](HDC d) { return BeginPath(d) && AbortPath(d) && StrokeAndFillPath(d); }},
        {"end without begin", [](HDC d) { return EndPath(d); }},
    };
    for (const Case& c : refused) {
        TestDc fresh(4, 4);
        EXPECT_FALSE(c.call(fresh)) << c.what;
    }
    EXPECT_FALSE(BeginPath(reinterpret_cast<HDC>(0x1234)));
}
