#include "visual_controls/Luxbmp.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace {

struct Rgb {
    int R, G, B;
    bool operator==(const Rgb&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Rgb& c) {
    return os << '(' << c.R << ',' << c.G << ',' << c.B << ')';
}

Rgb At(TBitmap& b, int x, int y) {
    const auto* p = static_cast<const std::uint8_t*>(b.ScanLine(y)) + x * 3;
    return Rgb{p[2], p[1], p[0]};
}

void Put(TBitmap& b, int x, int y, Rgb c) {
    auto* p = static_cast<std::uint8_t*>(b.ScanLine(y)) + x * 3;
    p[0] = static_cast<std::uint8_t>(c.B);
    p[1] = static_cast<std::uint8_t>(c.G);
    p[2] = static_cast<std::uint8_t>(c.R);
}

std::unique_ptr<TBitmap> Bitmap24(int w, int h, Rgb fill = {0, 0, 0}) {
    auto b = std::make_unique<TBitmap>();
    b->SetPixelFormat(pf24bit);
    b->SetSize(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) Put(*b, x, y, fill);
    return b;
}

// A w x h bitmap whose pixels all differ: red counts columns, green rows.
std::unique_ptr<TBitmap> Numbered(int w, int h) {
    auto b = Bitmap24(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) Put(*b, x, y, Rgb{x + 1, y + 1, 7});
    return b;
}

std::vector<Rgb> RowOf(TBitmap& b, int y) {
    std::vector<Rgb> out;
    for (int x = 0; x < b.Width(); ++x) out.push_back(At(b, x, y));
    return out;
}

std::vector<Rgb> ColumnOf(TBitmap& b, int x) {
    std::vector<Rgb> out;
    for (int y = 0; y < b.Height(); ++y) out.push_back(At(b, x, y));
    return out;
}

// The mapping of a Numbered picture: Rgb of the pixel once at (x, y).
Rgb N(int x, int y) {
    return Rgb{x + 1, y + 1, 7};
}

TEST(LuxBMPGrayScale, WeightsOfTheThreeChannels) {
    const struct {
        Rgb in;
        int grey;
    } cases[] = {
        {{255, 0, 0}, 76},      {{0, 255, 0}, 150}, {{0, 0, 255}, 28},
        {{255, 255, 255}, 254}, {{0, 0, 0}, 0},     {{5, 0, 0}, 2}, // 1.5 to the even 2
        {{15, 0, 0}, 4},                                            // 4.5 to the even 4
        {{0, 50, 0}, 30},                                           // 29.5 to the even 30
        {{100, 100, 100}, 100},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.in));
        auto b = Bitmap24(1, 1, c.in);
        LuxBMPGrayScale(b.get(), TRect(0, 0, 1, 1), b.get(), TPoint(0, 0));
        EXPECT_EQ(At(*b, 0, 0), (Rgb{c.grey, c.grey, c.grey}));
    }
}

TEST(LuxBMPBrightness, ChannelsAreKeptWithinAByte) {
    const struct {
        int value;
        Rgb in, out;
    } cases[] = {
        {20, {250, 10, 0}, {255, 30, 20}},
        {-20, {10, 250, 20}, {0, 230, 0}},
        {255, {0, 1, 128}, {255, 255, 255}},
        {-255, {255, 254, 0}, {0, 0, 0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value);
        auto b = Bitmap24(1, 1, c.in);
        LuxBMPBrightness(b.get(), TRect(0, 0, 1, 1), b.get(), TPoint(0, 0),
                         static_cast<std::int16_t>(c.value));
        EXPECT_EQ(At(*b, 0, 0), c.out);
    }
}

TEST(LuxBmpBrightnessEC, OneMatchingChannelLeavesThePixelAlone) {
    auto b = Bitmap24(4, 1);
    Put(*b, 0, 0, {10, 99, 10}); // green alone equals the excepted colour's green
    Put(*b, 1, 0, {10, 10, 10});
    Put(*b, 2, 0, {0, 0, 50}); // blue alone matches
    Put(*b, 3, 0, {1, 98, 51});
    LuxBmpBrightnessEC(b.get(), TRect(0, 0, 4, 1), b.get(), TPoint(0, 0), 20, RGB(200, 99, 50));
    EXPECT_EQ(RowOf(*b, 0), (std::vector<Rgb>{{10, 99, 10}, {30, 30, 30}, {0, 0, 50}, {21, 118, 71}}));

    // The skipped pixel is not written in another target either.
    auto src = Bitmap24(1, 1, {10, 99, 10});
    auto dst = Bitmap24(1, 1, {1, 2, 3});
    LuxBmpBrightnessEC(src.get(), TRect(0, 0, 1, 1), dst.get(), TPoint(0, 0), 20, RGB(200, 99, 50));
    EXPECT_EQ(At(*dst, 0, 0), (Rgb{1, 2, 3}));
}

TEST(LuxBMPInvert, EachChannelFromTheTop) {
    auto b = Bitmap24(2, 1);
    Put(*b, 0, 0, {0, 128, 255});
    Put(*b, 1, 0, {1, 2, 3});
    LuxBMPInvert(b.get(), TRect(0, 0, 2, 1), b.get(), TPoint(0, 0));
    EXPECT_EQ(RowOf(*b, 0), (std::vector<Rgb>{{255, 127, 0}, {254, 253, 252}}));
}

TEST(LuxBMPAlphaBlend, WeightedDifferencesRoundToEven) {
    const struct {
        float strength;
        int s1, s2, out;
    } cases[] = {
        {0.6f, 200, 100, 160},  {0.6f, 100, 200, 140}, {0.5f, 101, 100, 100}, // 0.5 to 0
        {0.5f, 103, 100, 102},                                                // 1.5 to 2
        {0.5f, 99, 100, 100},                                                 // -0.5 to 0
        {0.5f, 97, 100, 98},                                                  // -1.5 to -2
        {1.0f, 17, 230, 17},    {0.0f, 17, 230, 230},  {3.0f, 200, 100, 200}, // kept to 1
        {-1.0f, 200, 100, 100},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.strength << " of " << c.s1 << " over " << c.s2);
        auto a = Bitmap24(1, 1, {c.s1, c.s1, c.s1});
        auto b = Bitmap24(1, 1, {c.s2, c.s2, c.s2});
        auto d = Bitmap24(1, 1);
        LuxBMPAlphaBlend(a.get(), b.get(), TRect(0, 0, 1, 1), TPoint(0, 0), d.get(), c.strength,
                         TPoint(0, 0));
        EXPECT_EQ(At(*d, 0, 0), (Rgb{c.out, c.out, c.out}));
    }
}

TEST(LuxBMPAlphaBlend, ThreePlacesInThreeBitmaps) {
    auto a = Numbered(4, 3);
    auto b = Bitmap24(5, 5, {9, 9, 9});
    auto d = Bitmap24(6, 6, {1, 1, 1});
    // Strength 1 copies Src1's R to PD, as far as all three bitmaps reach.
    LuxBMPAlphaBlend(a.get(), b.get(), TRect(1, 1, 3, 3), TPoint(3, 3), d.get(), 1.0f, TPoint(4, 0));
    EXPECT_EQ(At(*d, 4, 0), N(1, 1));
    EXPECT_EQ(At(*d, 5, 1), N(2, 2));
    EXPECT_EQ(At(*d, 3, 0), (Rgb{1, 1, 1}));
    EXPECT_EQ(At(*d, 4, 2), (Rgb{1, 1, 1}));
    // Src2 ends one pixel after P2: one pixel of R reaches Dst.
    auto d2 = Bitmap24(6, 6, {1, 1, 1});
    LuxBMPAlphaBlend(a.get(), b.get(), TRect(1, 1, 3, 3), TPoint(4, 4), d2.get(), 1.0f, TPoint(4, 0));
    EXPECT_EQ(At(*d2, 4, 0), N(1, 1));
    EXPECT_EQ(At(*d2, 5, 0), (Rgb{1, 1, 1}));
    EXPECT_EQ(At(*d2, 4, 1), (Rgb{1, 1, 1}));
}

TEST(LuxBMPMirrors, FourAndFivePixelsInPlaceAndApart) {
    for (int n : {4, 5}) {
        SCOPED_TRACE(n);
        std::vector<Rgb> reversed;
        for (int x = n - 1; x >= 0; --x) reversed.push_back(N(x, 0));

        auto inPlace = Numbered(n, 1);
        LuxBMPFlipVertical(inPlace.get(), TRect(0, 0, n, 1), inPlace.get(), TPoint(0, 0));
        EXPECT_EQ(RowOf(*inPlace, 0), reversed);

        auto src = Numbered(n, 1);
        auto dst = Bitmap24(n + 2, 1);
        LuxBMPFlipVertical(src.get(), TRect(0, 0, n, 1), dst.get(), TPoint(2, 0));
        std::vector<Rgb> expected{{0, 0, 0}, {0, 0, 0}};
        expected.insert(expected.end(), reversed.begin(), reversed.end());
        EXPECT_EQ(RowOf(*dst, 0), expected);
        EXPECT_EQ(RowOf(*src, 0).front(), N(0, 0)) << "the source stays";

        std::vector<Rgb> upsideDown;
        for (int y = n - 1; y >= 0; --y) upsideDown.push_back(N(0, y));
        auto column = Numbered(1, n);
        LuxBMPFlipHorizonzal(column.get(), TRect(0, 0, 1, n), column.get(), TPoint(0, 0));
        EXPECT_EQ(ColumnOf(*column, 0), upsideDown);

        auto tall = Numbered(1, n);
        auto below = Bitmap24(1, n + 1);
        LuxBMPFlipHorizonzal(tall.get(), TRect(0, 0, 1, n), below.get(), TPoint(0, 1));
        std::vector<Rgb> shifted{{0, 0, 0}};
        shifted.insert(shifted.end(), upsideDown.begin(), upsideDown.end());
        EXPECT_EQ(ColumnOf(*below, 0), shifted);
    }
}

TEST(LuxBMPMirrors, InnerAreaAndRowsWiderThanAnyFixedBuffer) {
    // Only R turns: the columns around it stay.
    auto b = Numbered(6, 2);
    LuxBMPFlipVertical(b.get(), TRect(1, 1, 5, 2), b.get(), TPoint(1, 1));
    EXPECT_EQ(RowOf(*b, 1), (std::vector<Rgb>{N(0, 1), N(4, 1), N(3, 1), N(2, 1), N(1, 1), N(5, 1)}));
    EXPECT_EQ(RowOf(*b, 0)[1], N(1, 0));

    // 12,000 pixels make rows of 36,000 bytes.
    const int wide = 12000;
    auto w = Numbered(wide, 3);
    Put(*w, wide - 1, 0, {1, 2, 3});
    LuxBMPFlipHorizonzal(w.get(), TRect(0, 0, wide, 3), w.get(), TPoint(0, 0));
    EXPECT_EQ(At(*w, wide - 1, 2), (Rgb{1, 2, 3}));
    EXPECT_EQ(At(*w, 0, 0), N(0, 2));
    EXPECT_EQ(At(*w, 0, 1), N(0, 1));
}

TEST(LuxbmpClipping, OnlyPixelsInsideBothBitmapsAreTouched) {
    const struct {
        const char* what;
        TRect r;
        TPoint p;
        // Changed target pixels (x, y) with the source pixel they show; every other stays.
        std::vector<std::pair<TPoint, TPoint>> changed;
    } cases[] = {
        {"R beyond the source's left and top",
         TRect(-2, -1, 2, 1),
         TPoint(0, 0),
         {{{2, 1}, {0, 0}}, {{3, 1}, {1, 0}}}},
        {"R beyond the source's right", TRect(3, 2, 9, 3), TPoint(0, 0), {{{0, 0}, {3, 2}}}},
        {"P beyond the target's right and bottom", TRect(0, 0, 3, 3), TPoint(3, 2), {{{3, 2}, {0, 0}}}},
        {"P before the target", TRect(0, 0, 2, 2), TPoint(-1, -1), {{{0, 0}, {1, 1}}}},
        {"wholly outside the source", TRect(4, 0, 8, 3), TPoint(0, 0), {}},
        {"wholly outside the target", TRect(0, 0, 2, 2), TPoint(4, 0), {}},
        {"far out on every side",
         TRect(INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX),
         TPoint(INT32_MAX, 0),
         {}},
        {"the wrong way round", TRect(3, 0, 1, 2), TPoint(0, 0), {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        auto src = Numbered(4, 3);
        auto dst = Bitmap24(4, 3, {200, 200, 200});
        LuxBMPBrightness(src.get(), c.r, dst.get(), c.p, 10);
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 4; ++x) {
                Rgb expected{200, 200, 200};
                for (const auto& [to, from] : c.changed)
                    if (to == TPoint(x, y)) expected = Rgb{from.X + 11, from.Y + 11, 17};
                EXPECT_EQ(At(*dst, x, y), expected) << x << "," << y;
            }
    }

    // Mirrors and the blend clip the same way.
    auto src = Numbered(3, 2);
    auto dst = Bitmap24(2, 2, {200, 200, 200});
    LuxBMPFlipVertical(src.get(), TRect(0, 0, 3, 1), dst.get(), TPoint(-1, 1));
    EXPECT_EQ(RowOf(*dst, 1), (std::vector<Rgb>{N(1, 0), N(0, 0)}));
    // Rows 1, 0, -1 of R to rows -1, 0, 1: only source row 0 lands, on target row 0.
    LuxBMPFlipHorizonzal(src.get(), TRect(0, -1, 1, 2), dst.get(), TPoint(0, -1));
    EXPECT_EQ(ColumnOf(*dst, 0), (std::vector<Rgb>{N(0, 0), N(1, 0)}));
    LuxBMPAlphaBlend(src.get(), dst.get(), TRect(-100, -100, 100, 100), TPoint(-100, -100), dst.get(), 1.0f,
                     TPoint(-100, -100));
    EXPECT_EQ(RowOf(*dst, 0), (std::vector<Rgb>{N(0, 0), N(1, 0)}));
}

TEST(LuxbmpClipping, AShiftedAreaOfTheSameBitmapReadsTheOriginalPixels) {
    auto b = Numbered(5, 1);
    LuxBMPInvert(b.get(), TRect(0, 0, 4, 1), b.get(), TPoint(1, 0));
    EXPECT_EQ(
        RowOf(*b, 0),
        (std::vector<Rgb>{N(0, 0), {254, 254, 248}, {253, 254, 248}, {252, 254, 248}, {251, 254, 248}}));

    auto m = Numbered(5, 1);
    LuxBMPFlipVertical(m.get(), TRect(0, 0, 4, 1), m.get(), TPoint(1, 0));
    EXPECT_EQ(RowOf(*m, 0), (std::vector<Rgb>{N(0, 0), N(3, 0), N(2, 0), N(1, 0), N(0, 0)}));

    auto v = Numbered(1, 4);
    LuxBMPFlipHorizonzal(v.get(), TRect(0, 1, 1, 4), v.get(), TPoint(0, 0));
    EXPECT_EQ(ColumnOf(*v, 0), (std::vector<Rgb>{N(0, 3), N(0, 2), N(0, 1), N(0, 3)}));

    auto a = Numbered(4, 1);
    auto fill = Bitmap24(4, 1, {0, 0, 0});
    LuxBMPAlphaBlend(a.get(), fill.get(), TRect(1, 0, 4, 1), TPoint(0, 0), a.get(), 1.0f, TPoint(0, 0));
    EXPECT_EQ(RowOf(*a, 0), (std::vector<Rgb>{N(1, 0), N(2, 0), N(3, 0), N(3, 0)}));
}

TEST(LuxbmpFormats, OtherFormatsAreRefusedBeforeAnyPixelChanges) {
    auto good = Bitmap24(2, 2, {50, 50, 50});
    TBitmap wide;
    wide.SetPixelFormat(pf32bit);
    wide.SetSize(2, 2);
    TBitmap mono;
    mono.SetPixelFormat(pf1bit);
    mono.SetSize(2, 2);
    const TRect r(0, 0, 2, 2);
    const TPoint p(0, 0);
    auto message = [](auto call) -> std::string {
        try {
            call();
        } catch (const ELuxWrongPixelFormat& e) {
            return e.Message;
        }
        return "nothing raised";
    };
    EXPECT_EQ(message([&] { LuxBMPAlphaBlend(&wide, good.get(), r, p, good.get(), 0.5f, p); }),
              "Wrong PixelFormat in Source 1 bitmap!");
    EXPECT_EQ(message([&] { LuxBMPAlphaBlend(good.get(), &mono, r, p, good.get(), 0.5f, p); }),
              "Wrong PixelFormat in Source 2 bitmap!");
    EXPECT_EQ(message([&] { LuxBMPAlphaBlend(good.get(), good.get(), r, p, &wide, 0.5f, p); }),
              "Wrong PixelFormat in Target bitmap!");
    EXPECT_EQ(message([&] { LuxBMPAlphaBlend(&mono, &wide, r, p, &wide, 0.5f, p); }),
              "Wrong PixelFormat in Source 1 bitmap!")
        << "checked in order";
    // An empty area is refused all the same.
    EXPECT_EQ(message([&] { LuxBMPAlphaBlend(good.get(), good.get(), TRect(), p, &mono, 0.5f, p); }),
              "Wrong PixelFormat in Target bitmap!");

    EXPECT_EQ(message([&] { LuxBMPGrayScale(&wide, r, good.get(), p); }),
              "Wrong PixelFormat in Source bitmap!");
    EXPECT_EQ(message([&] { LuxBMPInvert(good.get(), r, &mono, p); }), "Wrong PixelFormat in Target bitmap!");
    EXPECT_EQ(message([&] { LuxBMPBrightness(&mono, r, &mono, p, 5); }),
              "Wrong PixelFormat in Source bitmap!");
    EXPECT_EQ(message([&] { LuxBmpBrightnessEC(good.get(), r, &wide, p, 5, clRed); }),
              "Wrong PixelFormat in Target bitmap!");
    EXPECT_EQ(message([&] { LuxBMPFlipVertical(&wide, r, &wide, p); }),
              "Wrong PixelFormat in Source bitmap!");
    EXPECT_EQ(message([&] { LuxBMPFlipHorizonzal(good.get(), r, &wide, p); }),
              "Wrong PixelFormat in Target bitmap!");
    EXPECT_EQ(RowOf(*good, 0), (std::vector<Rgb>{{50, 50, 50}, {50, 50, 50}}));
}

} // namespace
