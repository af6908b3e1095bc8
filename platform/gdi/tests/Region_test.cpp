#include "support/GdiTest.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

using Picture = std::vector<std::string>;

// The region's rectangles as GetRegionData gives them.
std::vector<RECT> RectsOf(HRGN rgn) {
    const DWORD size = GetRegionData(rgn, 0, nullptr);
    std::vector<std::uint8_t> buffer(size);
    EXPECT_EQ(GetRegionData(rgn, size, reinterpret_cast<RGNDATA*>(buffer.data())), size);
    RGNDATAHEADER h;
    std::memcpy(&h, buffer.data(), sizeof h);
    std::vector<RECT> rects(h.nCount);
    if (h.nCount > 0) std::memcpy(rects.data(), buffer.data() + sizeof h, h.nCount * sizeof(RECT));
    return rects;
}

struct Rgn {
    explicit Rgn(HRGN h) : handle(h) {}
    ~Rgn() { DeleteObject(handle); }
    operator HRGN() const { return handle; }
    HRGN handle;
};

TEST(CombineRgn, ResultsAndKinds) {
    Rgn a(CreateRectRgn(0, 0, 10, 10)), b(CreateRectRgn(5, 5, 15, 15)), far(CreateRectRgn(20, 20, 30, 30));
    Rgn out(CreateRectRgn(0, 0, 0, 0));
    const struct {
        HRGN second;
        int mode, kind;
        std::vector<RECT> rects;
    } cases[] = {
        {b, RGN_AND, SIMPLEREGION, {{5, 5, 10, 10}}},
        {b, RGN_OR, COMPLEXREGION, {{0, 0, 10, 5}, {0, 5, 15, 10}, {5, 10, 15, 15}}},
        {b, RGN_XOR, COMPLEXREGION, {{0, 0, 10, 5}, {0, 5, 5, 10}, {10, 5, 15, 10}, {5, 10, 15, 15}}},
        {b, RGN_DIFF, COMPLEXREGION, {{0, 0, 10, 5}, {0, 5, 5, 10}}},
        {b, RGN_COPY, SIMPLEREGION, {{0, 0, 10, 10}}},
        {far, RGN_AND, NULLREGION, {}},
        {a, RGN_DIFF, NULLREGION, {}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CombineRgn(out, a, c.second, c.mode), c.kind) << "mode " << c.mode;
        EXPECT_EQ(RectsOf(out), c.rects) << "mode " << c.mode;
    }
    EXPECT_EQ(CombineRgn(out, a, b, 99), RGN_ERROR);
}

TEST(CombineRgn, DestinationMayBeASource) {
    Rgn a(CreateRectRgn(0, 0, 4, 4)), b(CreateRectRgn(4, 0, 8, 4));
    EXPECT_EQ(CombineRgn(a, a, b, RGN_OR), SIMPLEREGION); // touching rectangles merge
    RECT box;
    EXPECT_EQ(GetRgnBox(a, &box), SIMPLEREGION);
    EXPECT_EQ(box, (RECT{0, 0, 8, 4}));
}

TEST(Regions, EqualWhateverTheyWereBuiltFrom) {
    Rgn whole(CreateRectRgn(0, 0, 10, 10));
    Rgn top(CreateRectRgn(0, 0, 10, 4)), bottom(CreateRectRgn(0, 4, 10, 10)),
        joined(CreateRectRgn(0, 0, 0, 0));
    CombineRgn(joined, bottom, top, RGN_OR);
    EXPECT_TRUE(EqualRgn(whole, joined));
    Rgn other(CreateRectRgn(0, 0, 10, 11));
    EXPECT_FALSE(EqualRgn(whole, other));
}

TEST(Regions, PointsRectanglesOffsetsAndBoxes) {
    Rgn r(CreateRectRgn(2, 3, 6, 8));
    EXPECT_TRUE(PtInRegion(r, 2, 3));
    EXPECT_TRUE(PtInRegion(r, 5, 7));
    EXPECT_FALSE(PtInRegion(r, 6, 7)); // right and bottom are outside
    EXPECT_FALSE(PtInRegion(r, 5, 8));
    const RECT touching{6, 3, 9, 8}, overlapping{5, 7, 9, 9};
    EXPECT_FALSE(RectInRegion(r, &touching));
    EXPECT_TRUE(RectInRegion(r, &overlapping));
    EXPECT_EQ(OffsetRgn(r, -2, 10), SIMPLEREGION);
    RECT box;
    GetRgnBox(r, &box);
    EXPECT_EQ(box, (RECT{0, 13, 4, 18}));
    SetRectRgn(r, 5, 5, 5, 9);
    EXPECT_EQ(GetRgnBox(r, &box), NULLREGION);
    EXPECT_EQ(box, RECT{});
}

TEST(Regions, ShapesAsBands) {
    Rgn ellipse(CreateEllipticRgn(0, 0, 5, 5));
    EXPECT_EQ(RectsOf(ellipse), (std::vector<RECT>{{1, 0, 4, 1}, {0, 1, 5, 4}, {1, 4, 4, 5}}));
    Rgn round(CreateRoundRectRgn(0, 0, 10, 10, 4, 4));
    EXPECT_EQ(RectsOf(round), (std::vector<RECT>{{1, 0, 9, 1}, {0, 1, 10, 9}, {1, 9, 9, 10}}));
    // The diamond of the region builders: polygon (50, 0), (0, 25), (50, 50), (100, 25). A pixel
    // belongs to a polygon when its centre does, so the sharp side corners lose their tips.
    const POINT diamond[] = {{50, 0}, {0, 25}, {50, 50}, {100, 25}};
    Rgn d(CreatePolygonRgn(diamond, 4, ALTERNATE));
    RECT box;
    EXPECT_EQ(GetRgnBox(d, &box), COMPLEXREGION);
    EXPECT_EQ(box, (RECT{1, 0, 99, 50}));
    EXPECT_TRUE(PtInRegion(d, 50, 25));
    EXPECT_FALSE(PtInRegion(d, 10, 5));
    EXPECT_TRUE(PtInRegion(d, 49, 0));
    EXPECT_TRUE(PtInRegion(d, 50, 0));
    EXPECT_FALSE(PtInRegion(d, 48, 0));
    EXPECT_FALSE(PtInRegion(d, 51, 0));
}

TEST(Regions, PolygonFillModes) {
    // A five-pointed star: its centre is inside only by the winding rule.
    const POINT star[] = {{10, 0}, {16, 20}, {0, 7}, {20, 7}, {4, 20}};
    Rgn alternate(CreatePolygonRgn(star, 5, ALTERNATE)), winding(CreatePolygonRgn(star, 5, WINDING));
    EXPECT_FALSE(PtInRegion(alternate, 10, 10));
    EXPECT_TRUE(PtInRegion(winding, 10, 10));
    EXPECT_TRUE(PtInRegion(alternate, 10, 3));
    EXPECT_EQ(CreatePolygonRgn(star, 1, ALTERNATE), nullptr);
    EXPECT_EQ(CreatePolygonRgn(star, 5, 7), nullptr);
}

std::vector<std::uint8_t> DataOf(HRGN rgn) {
    std::vector<std::uint8_t> data(GetRegionData(rgn, 0, nullptr));
    GetRegionData(rgn, static_cast<DWORD>(data.size()), reinterpret_cast<RGNDATA*>(data.data()));
    return data;
}

void Put32(std::vector<std::uint8_t>& d, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) d[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
}

TEST(RegionData, LayoutOfTheHeaderAndRectangles) {
    Rgn a(CreateRectRgn(0, 0, 10, 10)), b(CreateRectRgn(5, 5, 15, 15));
    CombineRgn(a, a, b, RGN_OR);
    const std::vector<std::uint8_t> d = DataOf(a);
    const std::vector<std::uint8_t> header = {32, 0, 0, 0, 1, 0, 0, 0, 3,  0, 0, 0, 48, 0, 0, 0,
                                              0,  0, 0, 0, 0, 0, 0, 0, 15, 0, 0, 0, 15, 0, 0, 0};
    ASSERT_EQ(d.size(), 32u + 48u);
    EXPECT_EQ(std::vector<std::uint8_t>(d.begin(), d.begin() + 32), header);
    EXPECT_EQ(GetRegionData(a, 79, reinterpret_cast<RGNDATA*>(std::vector<std::uint8_t>(79).data())), 0u);
}

TEST(RegionData, RoundTripsThroughExtCreateRegion) {
    Rgn star(CreateEllipticRgn(3, 4, 40, 27));
    const std::vector<std::uint8_t> d = DataOf(star);
    Rgn copy(
        ExtCreateRegion(nullptr, static_cast<DWORD>(d.size()), reinterpret_cast<const RGNDATA*>(d.data())));
    ASSERT_NE(copy.handle, nullptr);
    EXPECT_TRUE(EqualRgn(star, copy));
    XFORM move;
    move.eDx = 5;
    move.eDy = -3;
    Rgn moved(
        ExtCreateRegion(&move, static_cast<DWORD>(d.size()), reinterpret_cast<const RGNDATA*>(d.data())));
    OffsetRgn(star, 5, -3);
    EXPECT_TRUE(EqualRgn(star, moved));
    XFORM scale;
    scale.eM11 = 2;
    EXPECT_EQ(
        ExtCreateRegion(&scale, static_cast<DWORD>(d.size()), reinterpret_cast<const RGNDATA*>(d.data())),
        nullptr);
}

TEST(RegionData, UnorderedAndOverlappingRectanglesAreJoined) {
    std::vector<std::uint8_t> d(32 + 3 * 16, 0);
    Put32(d, 0, 32);
    Put32(d, 4, 1);
    Put32(d, 8, 3);
    const std::int32_t rects[3][4] = {{5, 5, 15, 15}, {0, 0, 10, 10}, {2, 2, 3, 3}};
    for (int i = 0; i < 3; ++i)
        for (int k = 0; k < 4; ++k)
            Put32(d, 32 + 16 * static_cast<std::size_t>(i) + 4 * static_cast<std::size_t>(k),
                  static_cast<std::uint32_t>(rects[i][k]));
    Rgn r(ExtCreateRegion(nullptr, static_cast<DWORD>(d.size()), reinterpret_cast<const RGNDATA*>(d.data())));
    ASSERT_NE(r.handle, nullptr);
    EXPECT_EQ(RectsOf(r), (std::vector<RECT>{{0, 0, 10, 5}, {0, 5, 15, 10}, {5, 10, 15, 15}}));
}

TEST(RegionData, RejectsDataThatDoesNotHoldWhatItClaims) {
    Rgn a(CreateRectRgn(0, 0, 10, 10)), b(CreateRectRgn(5, 5, 15, 15));
    CombineRgn(a, a, b, RGN_XOR);
    const std::vector<std::uint8_t> good = DataOf(a);
    auto create = [](const std::vector<std::uint8_t>& d, std::size_t size) {
        HRGN r =
            ExtCreateRegion(nullptr, static_cast<DWORD>(size), reinterpret_cast<const RGNDATA*>(d.data()));
        const bool ok = r != nullptr;
        DeleteObject(r);
        // The check on its own agrees.
        EXPECT_EQ(RegionDataBytes(reinterpret_cast<const RGNDATA*>(d.data()), static_cast<DWORD>(size)) != 0,
                  ok);
        return ok;
    };
    EXPECT_TRUE(create(good, good.size()));
    // The block's size comes from its count, whatever follows it.
    std::vector<std::uint8_t> longer = good;
    longer.resize(good.size() + 7, 0xAA);
    EXPECT_EQ(
        RegionDataBytes(reinterpret_cast<const RGNDATA*>(longer.data()), static_cast<DWORD>(longer.size())),
        good.size());
    EXPECT_EQ(RegionDataBytes(nullptr, 100), 0u);
    // Every shorter length: the header or a rectangle is cut off.
    for (std::size_t n = 0; n < good.size(); ++n) EXPECT_FALSE(create(good, n)) << n;
    const struct {
        std::size_t at;
        std::uint32_t value;
        const char* what;
    } corruptions[] = {
        {0, 16, "header size"},
        {4, 2, "type"},
        {8, 5, "count beyond the data"},
        {8, 0xFFFFFFFF, "huge count"},
        {8, 0x10000001, "count that wraps when multiplied"},
        {32, 20, "left beyond right"},
        {36, 0x7FFFFFFF, "top beyond bottom"},
    };
    for (const auto& c : corruptions) {
        std::vector<std::uint8_t> d = good;
        Put32(d, c.at, c.value);
        EXPECT_FALSE(create(d, d.size())) << c.what;
    }
    // The byte count of the rectangles is not relied on, and fewer rectangles than fit is fine.
    std::vector<std::uint8_t> d = good;
    Put32(d, 12, 0xFFFFFFFF);
    EXPECT_TRUE(create(d, d.size()));
    Put32(d, 8, 1);
    EXPECT_TRUE(create(d, d.size()));
    EXPECT_EQ(ExtCreateRegion(nullptr, 100, nullptr), nullptr);
}

TEST(RegionData, EmptyRegion) {
    Rgn empty(CreateRectRgn(0, 0, 0, 0));
    const std::vector<std::uint8_t> d = DataOf(empty);
    ASSERT_EQ(d.size(), 32u);
    Rgn back(ExtCreateRegion(nullptr, 32, reinterpret_cast<const RGNDATA*>(d.data())));
    RECT box;
    EXPECT_EQ(GetRgnBox(back, &box), NULLREGION);
}

TEST(Clipping, RegionLimitsDrawingInDeviceCoordinates) {
    TestDc dc(6, 6);
    Rgn ellipse(CreateEllipticRgn(0, 0, 5, 5));
    EXPECT_EQ(SelectClipRgn(dc, ellipse), COMPLEXREGION);
    OffsetRgn(ellipse, 1, 1); // the DC keeps its own copy
    SetViewportOrgEx(dc, 3, 3, nullptr);
    HBRUSH red = CreateSolidBrush(kRed);
    const RECT all{-3, -3, 3, 3};
    FillRect(dc, &all, red);
    DeleteObject(red);
    RECT box;
    EXPECT_EQ(GetClipBox(dc, &box), COMPLEXREGION);
    EXPECT_EQ(box, (RECT{-3, -3, 2, 2})); // logical
    SetViewportOrgEx(dc, 0, 0, nullptr);
    SelectClipRgn(dc, nullptr);
    EXPECT_EQ(dc.Picture(BasicLegend()),
              (Picture{".rrr..", "rrrrr.", "rrrrr.", "rrrrr.", ".rrr..", "......"}));
}

TEST(Clipping, IntersectAndExcludeRectangles) {
    TestDc dc(6, 4);
    SetWindowOrgEx(dc, 1, 0, nullptr); // rectangles are logical
    EXPECT_EQ(IntersectClipRect(dc, 1, 0, 6, 3), SIMPLEREGION);
    EXPECT_EQ(ExcludeClipRect(dc, 3, 1, 4, 2), COMPLEXREGION);
    HBRUSH red = CreateSolidBrush(kRed);
    const RECT all{0, 0, 10, 10};
    FillRect(dc, &all, red);
    DeleteObject(red);
    EXPECT_TRUE(PtVisible(dc, 2, 0));
    EXPECT_FALSE(PtVisible(dc, 3, 1));
    const RECT hole{3, 1, 4, 2};
    EXPECT_FALSE(RectVisible(dc, &hole));
    SetWindowOrgEx(dc, 0, 0, nullptr);
    HRGN current = CreateRectRgn(0, 0, 0, 0);
    EXPECT_EQ(GetClipRgn(dc, current), 1);
    SelectClipRgn(dc, nullptr);
    EXPECT_EQ(GetClipRgn(dc, current), 0);
    DeleteObject(current);
    EXPECT_EQ(dc.Picture(BasicLegend()), (Picture{"rrrrr.", "rr.rr.", "rrrrr.", "......"}));
}

TEST(Clipping, SaveAndRestoreKeepTheClip) {
    TestDc dc(4, 4);
    const int level = SaveDC(dc);
    IntersectClipRect(dc, 0, 0, 1, 1);
    EXPECT_FALSE(PtVisible(dc, 2, 2));
    EXPECT_TRUE(RestoreDC(dc, level));
    EXPECT_TRUE(PtVisible(dc, 2, 2));
    EXPECT_FALSE(RestoreDC(dc, level)); // already gone
}

TEST(RegionPainting, FillFrameAndInvert) {
    TestDc dc(7, 6);
    Rgn r(CreateRectRgn(1, 1, 6, 5));
    HBRUSH red = CreateSolidBrush(kRed), black = CreateSolidBrush(kBlack);
    FillRgn(dc, r, red);
    FrameRgn(dc, r, black, 1, 1);
    EXPECT_EQ(dc.Picture(BasicLegend()),
              (Picture{".......", ".#####.", ".#rrr#.", ".#rrr#.", ".#####.", "......."}));
    FrameRgn(dc, r, red, 2, 1); // two columns wide, one row high
    EXPECT_EQ(dc.Picture(BasicLegend())[2], ".rrrrr.");
    InvertRgn(dc, r);
    EXPECT_EQ(dc.At(1, 1), RGB(0, 255, 255));
    DeleteObject(red);
    DeleteObject(black);
}

} // namespace
