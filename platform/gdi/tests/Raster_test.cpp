#include "support/GdiTest.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

using Picture = std::vector<std::string>;

TEST(GdiRop3, IndexByteIsTheTruthTable) {
    // With P = 11110000, S = 11001100 and D = 10101010 each bit position meets one combination,
    // so the result is the operation's own index byte.
    for (DWORD index = 0; index < 256; ++index)
        ASSERT_EQ(GdiRop3(index << 16, 0xF0, 0xCC, 0xAA) & 0xFF, index) << index;
}

TEST(GdiRop3, NamedOperations) {
    using F = std::function<std::uint32_t(std::uint32_t, std::uint32_t, std::uint32_t)>;
    const struct {
        DWORD rop;
        const char* name;
        F expected;
    } ops[] = {
        {SRCCOPY, "SRCCOPY", [](auto, auto s, auto) { return s; }},
        {SRCAND, "SRCAND", [](auto, auto s, auto d) { return s & d; }},
        {SRCPAINT, "SRCPAINT", [](auto, auto s, auto d) { return s | d; }},
        {SRCINVERT, "SRCINVERT", [](auto, auto s, auto d) { return s ^ d; }},
        {SRCERASE, "SRCERASE", [](auto, auto s, auto d) { return s & ~d; }},
        {NOTSRCCOPY, "NOTSRCCOPY", [](auto, auto s, auto) { return ~s; }},
        {NOTSRCERASE, "NOTSRCERASE", [](auto, auto s, auto d) { return ~(s | d); }},
        {MERGECOPY, "MERGECOPY", [](auto p, auto s, auto) { return p & s; }},
        {MERGEPAINT, "MERGEPAINT", [](auto, auto s, auto d) { return ~s | d; }},
        {PATCOPY, "PATCOPY", [](auto p, auto, auto) { return p; }},
        {PATPAINT, "PATPAINT", [](auto p, auto s, auto d) { return p | ~s | d; }},
        {PATINVERT, "PATINVERT", [](auto p, auto, auto d) { return p ^ d; }},
        {DSTINVERT, "DSTINVERT", [](auto, auto, auto d) { return ~d; }},
        {BLACKNESS, "BLACKNESS", [](auto, auto, auto) { return 0u; }},
        {WHITENESS, "WHITENESS", [](auto, auto, auto) { return 0xFFFFFFFFu; }},
        {0x00E20746, "DSPDxax", [](auto p, auto s, auto d) { return (s & p) | (~s & d); }},
        {0x00A000C9, "DPa", [](auto p, auto, auto d) { return p & d; }},
    };
    const std::uint32_t triples[][3] = {
        {0x123456, 0x0F0F0F, 0xF0F0F0}, {0xFFFFFF, 0x000000, 0x808080}, {0xC0C0C0, 0xFF00FF, 0x00FF00}};
    for (const auto& op : ops)
        for (const auto& t : triples)
            EXPECT_EQ(GdiRop3(op.rop, t[0], t[1], t[2]) & 0xFFFFFF, op.expected(t[0], t[1], t[2]) & 0xFFFFFF)
                << op.name;
}

// One pixel through BitBlt: source S, destination D, brush P.
COLORREF Blit(DWORD rop, COLORREF p, COLORREF s, COLORREF d) {
    TestDc src(1, 1), dst(1, 1);
    src.Fill(s);
    dst.Fill(d);
    DeleteObject(SelectObject(dst, CreateSolidBrush(p)));
    BitBlt(dst, 0, 0, 1, 1, src, 0, 0, rop);
    return dst.At(0, 0);
}

TEST(BitBlt, AppliesTheOperationToColours) {
    const COLORREF p = RGB(0x12, 0x34, 0x56), s = RGB(0x0F, 0xF0, 0x3C), d = RGB(0xAA, 0x55, 0x81);
    for (DWORD rop :
         {SRCCOPY, SRCAND, SRCPAINT, SRCINVERT, SRCERASE, MERGECOPY, PATPAINT, 0x00E20746u, WHITENESS}) {
        // COLORREF and the pixel layout differ in byte order; the operation is bitwise either way.
        EXPECT_EQ(Blit(rop, p, s, d), GdiRop3(rop, p, s, d) & 0xFFFFFF) << std::hex << rop;
    }
}

TEST(BitBlt, OverlappingCopyWithinOneBitmap) {
    TestDc dc(5, 1);
    const COLORREF colors[] = {kRed, kGreen, kBlue, kBlack};
    for (int x = 0; x < 4; ++x) SetPixel(dc, x, 0, colors[x]);
    BitBlt(dc, 1, 0, 4, 1, dc, 0, 0, SRCCOPY);
    EXPECT_EQ(dc.Picture(BasicLegend()), (Picture{"rrgb#"}));
}

TEST(BitBlt, SourceOutsideItsBitmapLeavesTheDestination) {
    TestDc src(2, 2), dst(4, 4);
    src.Fill(kRed);
    dst.Fill(kBlue);
    BitBlt(dst, 0, 0, 4, 4, src, -1, -1, SRCCOPY);
    EXPECT_EQ(dst.Picture(BasicLegend()), (Picture{"bbbb", "brrb", "brrb", "bbbb"}));
}

TEST(BitBlt, ClippedByTheDestinationRegion) {
    TestDc src(4, 4), dst(4, 4);
    src.Fill(kRed);
    HRGN rgn = CreateRectRgn(1, 1, 3, 3);
    SelectClipRgn(dst, rgn);
    DeleteObject(rgn);
    BitBlt(dst, 0, 0, 4, 4, src, 0, 0, SRCCOPY);
    SelectClipRgn(dst, nullptr);
    EXPECT_EQ(dst.Picture(BasicLegend()), (Picture{"....", ".rr.", ".rr.", "...."}));
}

TEST(BitBlt, MonochromeSourceTakesTheDestinationsTextAndBackground) {
    const BYTE rows[4] = {0x50, 0, 0xA0, 0}; // 0101 / 1010
    HBITMAP mono = CreateBitmap(4, 2, 1, 1, rows);
    HDC src = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(src, mono);
    TestDc dst(4, 2);
    SetTextColor(dst, kRed); // 0 bits
    SetBkColor(dst, kBlue);  // 1 bits
    BitBlt(dst, 0, 0, 4, 2, src, 0, 0, SRCCOPY);
    EXPECT_EQ(dst.Picture(BasicLegend()), (Picture{"rbrb", "brbr"}));
    SelectObject(src, old);
    DeleteDC(src);
    DeleteObject(mono);
}

TEST(BitBlt, ColourToMonochromeMarksTheSourceBackground) {
    TestDc src(4, 1);
    SetPixel(src, 0, 0, kGreen);
    SetPixel(src, 1, 0, kRed);
    SetPixel(src, 2, 0, kGreen);
    SetPixel(src, 3, 0, kWhite);
    SetBkColor(src, kGreen);
    TestDc mono(4, 1, 1, true);
    BitBlt(mono, 0, 0, 4, 1, src, 0, 0, SRCCOPY);
    EXPECT_EQ(mono.Picture(BasicLegend()), (Picture{".#.#"}));
}

TEST(BitBlt, TransparentDrawingThroughAnAndMask) {
    // Image with a green background; the mask is white where the image is transparent.
    TestDc image(4, 1);
    image.Fill(kGreen);
    SetPixel(image, 1, 0, kRed);
    SetPixel(image, 2, 0, kBlue);
    SetBkColor(image, kGreen);
    TestDc mask(4, 1, 1, true);
    BitBlt(mask, 0, 0, 4, 1, image, 0, 0, SRCCOPY);
    // Transparent pixels of the image become black: image &= ~mask (mask 1 meets text colour).
    SetTextColor(image, kWhite);
    SetBkColor(image, kBlack);
    BitBlt(image, 0, 0, 4, 1, mask, 0, 0, SRCAND);
    TestDc dst(4, 1);
    dst.Fill(kGrey);
    SetTextColor(dst, kBlack);
    SetBkColor(dst, kWhite);
    BitBlt(dst, 0, 0, 4, 1, mask, 0, 0, SRCAND);
    BitBlt(dst, 0, 0, 4, 1, image, 0, 0, SRCPAINT);
    EXPECT_EQ(dst.Picture(BasicLegend()), (Picture{"xrbx"}));
}

TEST(BitBlt, BrushWhereTheMonochromeCopyIsBlack) {
    // The disabled look: 0xE20746 takes the brush where the source is 1 and keeps the destination
    // elsewhere; with white text the monochrome copy's black pixels become 1.
    const BYTE rows[2] = {0x90, 0}; // 1001
    HBITMAP mono = CreateBitmap(4, 1, 1, 1, rows);
    HDC src = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(src, mono);
    TestDc dst(4, 1);
    dst.Fill(kSilver);
    SetTextColor(dst, kWhite);
    SetBkColor(dst, kBlack);
    DeleteObject(SelectObject(dst, CreateSolidBrush(kGrey)));
    BitBlt(dst, 0, 0, 4, 1, src, 0, 0, 0x00E20746);
    EXPECT_EQ(dst.Picture(BasicLegend()), (Picture{"sxxs"}));
    SelectObject(src, old);
    DeleteDC(src);
    DeleteObject(mono);
}

TEST(MaskBlt, ForegroundWhereTheMaskIsSet) {
    const BYTE rows[2] = {0x60, 0}; // 0110
    HBITMAP mask = CreateBitmap(4, 1, 1, 1, rows);
    TestDc src(4, 1), dst(4, 1);
    src.Fill(kRed);
    dst.Fill(kBlue);
    MaskBlt(dst, 0, 0, 4, 1, src, 0, 0, mask, 0, 0, MAKEROP4(SRCCOPY, 0x00AA0029));
    EXPECT_EQ(dst.Picture(BasicLegend()), (Picture{"brrb"}));
    DeleteObject(mask);
}

TEST(StretchBlt, NearestNeighbourScalingAndMirroring) {
    TestDc src(4, 1);
    const COLORREF colors[] = {kRed, kGreen, kBlue, kBlack};
    for (int x = 0; x < 4; ++x) SetPixel(src, x, 0, colors[x]);

    TestDc grow(8, 2);
    StretchBlt(grow, 0, 0, 8, 2, src, 0, 0, 4, 1, SRCCOPY);
    EXPECT_EQ(grow.Picture(BasicLegend()), (Picture{"rrggbb##", "rrggbb##"}));

    TestDc shrink(2, 1);
    StretchBlt(shrink, 0, 0, 2, 1, src, 0, 0, 4, 1, SRCCOPY);
    EXPECT_EQ(shrink.Picture(BasicLegend()), (Picture{"g#"}));

    TestDc mirror(4, 1);
    StretchBlt(mirror, 4, 0, -4, 1, src, 0, 0, 4, 1, SRCCOPY);
    EXPECT_EQ(mirror.Picture(BasicLegend()), (Picture{"#bgr"}));
    TestDc both(4, 1);
    StretchBlt(both, 4, 0, -4, 1, src, 4, 0, -4, 1, SRCCOPY);
    EXPECT_EQ(both.Picture(BasicLegend()), (Picture{"rgb#"}));
}

TEST(PatBlt, NegativeExtentsReachBackFromTheOrigin) {
    TestDc dc(6, 6);
    DeleteObject(SelectObject(dc, CreateSolidBrush(kRed)));
    PatBlt(dc, 5, 5, -2, -1, PATCOPY);
    EXPECT_EQ(dc.InkBox(kWhite), (RECT{3, 4, 5, 5}));
    PatBlt(dc, 0, 0, 6, 6, DSTINVERT);
    EXPECT_EQ(dc.At(0, 0), kBlack);
    EXPECT_EQ(dc.At(3, 4), RGB(0, 255, 255));
    EXPECT_FALSE(PatBlt(dc, 0, 0, 1, 1, SRCCOPY)); // needs a source
}

TEST(PatBlt, OnIndexedBitmapsCombinesPaletteIndices) {
    // Palette: 0 black, 1 white, 2 red, 3 green ... index 1 XOR 3 = 2.
    TestDc dc(1, 1, 8);
    DeleteObject(SelectObject(dc, CreateSolidBrush(kGreen)));
    PatBlt(dc, 0, 0, 1, 1, PATINVERT);
    EXPECT_EQ(dc.At(0, 0), kRed);
}

TEST(BitBlt, FromColourIntoIndexedKeepsNearestColours) {
    TestDc src(3, 1), dst(3, 1, 4);
    SetPixel(src, 0, 0, RGB(250, 5, 5));
    SetPixel(src, 1, 0, RGB(130, 125, 128));
    SetPixel(src, 2, 0, kBlue);
    BitBlt(dst, 0, 0, 3, 1, src, 0, 0, SRCCOPY);
    EXPECT_EQ(dst.Picture(BasicLegend()), (Picture{"rxb"}));
}

} // namespace
