#include "support/GdiTest.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

struct Info {
    BITMAPINFOHEADER header;
    RGBQUAD colors[256];
};

HBITMAP Dib(int width, int height, int bpp, void** bits, const std::vector<RGBQUAD>& palette = {}) {
    Info info{};
    info.header.biWidth = width;
    info.header.biHeight = height;
    info.header.biBitCount = static_cast<WORD>(bpp);
    for (std::size_t i = 0; i < palette.size(); ++i) info.colors[i] = palette[i];
    info.header.biClrUsed = static_cast<DWORD>(palette.size());
    return CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS, bits, 0, 0);
}

// Draws one pixel into the bitmap through a DC.
void Plot(HBITMAP bitmap, int x, int y, COLORREF color) {
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, bitmap);
    SetPixel(dc, x, y, color);
    SelectObject(dc, old);
    DeleteDC(dc);
}

TEST(CreateDIBSection, PixelsReachableInTheDibLayout) {
    void* bits = nullptr;
    // 24 bits, bottom-up: the top row is the last one in memory, pixels as blue, green, red.
    HBITMAP b24 = Dib(3, 2, 24, &bits);
    ASSERT_NE(bits, nullptr);
    Plot(b24, 1, 0, RGB(1, 2, 3));
    const auto* p = static_cast<const std::uint8_t*>(bits);
    const int stride = 12; // 9 bytes rounded up to 4
    EXPECT_EQ(p[stride + 3], 3);
    EXPECT_EQ(p[stride + 4], 2);
    EXPECT_EQ(p[stride + 5], 1);
    // And writing the memory shows through GetPixel.
    static_cast<std::uint8_t*>(bits)[0] = 0xFF; // bottom-left blue
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, b24);
    EXPECT_EQ(GetPixel(dc, 0, 1), RGB(0, 0, 255));
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(b24);

    // 32 bits, top-down: one 0x00RRGGBB word per pixel.
    HBITMAP b32 = Dib(2, -2, 32, &bits);
    Plot(b32, 1, 0, RGB(0x11, 0x22, 0x33));
    std::uint32_t word;
    std::memcpy(&word, static_cast<std::uint8_t*>(bits) + 4, 4);
    EXPECT_EQ(word, 0x00112233u);
    DeleteObject(b32);

    // 1 and 4 bits: the leftmost pixel in the high bits of the byte.
    HBITMAP b1 = Dib(9, -1, 1, &bits, {{0, 0, 0, 0}, {255, 255, 255, 0}});
    Plot(b1, 0, 0, kWhite);
    Plot(b1, 8, 0, kWhite);
    EXPECT_EQ(static_cast<std::uint8_t*>(bits)[0], 0x80);
    EXPECT_EQ(static_cast<std::uint8_t*>(bits)[1], 0x80);
    DeleteObject(b1);
    HBITMAP b4 = Dib(2, -1, 4, &bits, {{0, 0, 0, 0}, {0, 0, 255, 0}, {255, 0, 0, 0}});
    Plot(b4, 0, 0, kRed);
    Plot(b4, 1, 0, kBlue);
    EXPECT_EQ(static_cast<std::uint8_t*>(bits)[0], 0x12);
    DeleteObject(b4);
}

TEST(CreateDIBSection, SixteenBitPixels) {
    // 5-5-5 through BI_RGB, 5-6-5 through BI_BITFIELDS: drawing writes the pixel words.
    const struct {
        bool green6;
        std::uint16_t red, green, white;
    } formats[] = {{false, 0x7C00, 0x03E0, 0x7FFF}, {true, 0xF800, 0x07E0, 0xFFFF}};
    for (const auto& f : formats) {
        SCOPED_TRACE(f.green6 ? "5-6-5" : "5-5-5");
        Info info{};
        info.header.biWidth = 3;
        info.header.biHeight = 1;
        info.header.biBitCount = 16;
        if (f.green6) {
            info.header.biCompression = BI_BITFIELDS;
            const DWORD masks[3] = {0xF800, 0x7E0, 0x1F};
            std::memcpy(info.colors, masks, sizeof masks);
        }
        void* bits = nullptr;
        HBITMAP b =
            CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS, &bits, 0, 0);
        ASSERT_NE(b, nullptr);
        Plot(b, 0, 0, RGB(255, 0, 0));
        Plot(b, 1, 0, RGB(0, 255, 0));
        Plot(b, 2, 0, RGB(255, 255, 255));
        std::uint16_t words[3];
        std::memcpy(words, bits, sizeof words);
        EXPECT_EQ(words[0], f.red);
        EXPECT_EQ(words[1], f.green);
        EXPECT_EQ(words[2], f.white);

        DIBSECTION ds{};
        ASSERT_EQ(GetObject(b, sizeof ds, &ds), static_cast<int>(sizeof ds));
        EXPECT_EQ(ds.dsBm.bmBitsPixel, 16);
        EXPECT_EQ(ds.dsBm.bmWidthBytes, 8);
        EXPECT_EQ(ds.dsBmih.biCompression, f.green6 ? BI_BITFIELDS : BI_RGB);
        EXPECT_EQ(ds.dsBitfields[1], f.green6 ? 0x7E0u : 0x3E0u);

        HDC dc = CreateCompatibleDC(nullptr);
        HGDIOBJ old = SelectObject(dc, b);
        // Full intensity stays 255; a field widens by repeating its top bits.
        EXPECT_EQ(GetPixel(dc, 2, 0), RGB(255, 255, 255));
        SetPixel(dc, 1, 0, RGB(0x84, 0x82, 0x08));
        EXPECT_EQ(GetPixel(dc, 1, 0), RGB(0x84, f.green6 ? 0x82 : 0x84, 0x08));
        // Blits to and from other depths go through colours; between equal formats, words.
        TestDc dc32(3, 1);
        BitBlt(dc32, 0, 0, 3, 1, dc, 0, 0, SRCCOPY);
        EXPECT_EQ(dc32.At(0, 0), RGB(255, 0, 0));
        EXPECT_EQ(dc32.At(2, 0), RGB(255, 255, 255));
        dc32.Fill(RGB(0, 0, 255));
        BitBlt(dc, 0, 0, 1, 1, dc32, 0, 0, SRCCOPY);
        std::memcpy(words, bits, sizeof words);
        EXPECT_EQ(words[0], 0x001F);
        HBITMAP same = CreateCompatibleBitmap(dc, 3, 1);
        HDC copy = CreateCompatibleDC(nullptr);
        HGDIOBJ oldCopy = SelectObject(copy, same);
        BitBlt(copy, 0, 0, 3, 1, dc, 0, 0, SRCINVERT);
        EXPECT_EQ(GetPixel(copy, 2, 0), RGB(255, 255, 255));
        EXPECT_EQ(GetPixel(copy, 0, 0), RGB(0, 0, 255));
        SelectObject(copy, oldCopy);
        DeleteDC(copy);
        DeleteObject(same);

        // GetDIBits converts to 24 bits.
        Info out{};
        out.header.biWidth = 3;
        out.header.biHeight = 1;
        out.header.biBitCount = 24;
        std::uint8_t rgb[12] = {};
        EXPECT_EQ(GetDIBits(dc, b, 0, 1, rgb, reinterpret_cast<BITMAPINFO*>(&out), DIB_RGB_COLORS), 1);
        EXPECT_EQ(rgb[0], 255); // blue, red, green of the first pixel
        EXPECT_EQ(rgb[2], 0);
        SelectObject(dc, old);
        DeleteDC(dc);

        // Bitmap files keep the depth (5-6-5 with its masks), and read back.
        std::vector<std::uint8_t> file;
        ASSERT_TRUE(GdiWriteBmp(b, file));
        EXPECT_EQ(file[10], f.green6 ? 66 : 54); // bits offset
        EXPECT_EQ(file[28], 16);
        EXPECT_EQ(file[30], f.green6 ? BI_BITFIELDS : BI_RGB);
        std::string error;
        HBITMAP back = GdiReadBmp(file.data(), file.size(), &error);
        ASSERT_NE(back, nullptr) << error;
        HDC backDc = CreateCompatibleDC(nullptr);
        HGDIOBJ oldBack = SelectObject(backDc, back);
        EXPECT_EQ(GetPixel(backDc, 0, 0), RGB(0, 0, 255));
        EXPECT_EQ(GetPixel(backDc, 2, 0), RGB(255, 255, 255));
        SelectObject(backDc, oldBack);
        DeleteDC(backDc);
        DeleteObject(back);
        DeleteObject(b);
    }
}

TEST(CreateDIBSection, RefusesWhatItCannotHold) {
    void* bits = reinterpret_cast<void*>(1);
    EXPECT_EQ(Dib(0, 4, 24, &bits), nullptr);
    EXPECT_EQ(bits, nullptr);
    EXPECT_EQ(Dib(4, 4, 2, &bits), nullptr);
    EXPECT_EQ(Dib(40000, 4, 24, &bits), nullptr);
    EXPECT_EQ(Dib(30000, 30000, 32, &bits), nullptr); // beyond the memory limit
}

TEST(GetObject, DescribesBitmaps) {
    void* bits = nullptr;
    HBITMAP dib = Dib(10, 5, 24, &bits);
    DIBSECTION ds;
    ASSERT_EQ(GetObject(dib, sizeof ds, &ds), static_cast<int>(sizeof ds));
    EXPECT_EQ(ds.dsBm.bmWidth, 10);
    EXPECT_EQ(ds.dsBm.bmHeight, 5);
    EXPECT_EQ(ds.dsBm.bmWidthBytes, 32);
    EXPECT_EQ(ds.dsBm.bmBitsPixel, 24);
    EXPECT_EQ(ds.dsBm.bmBits, bits);
    EXPECT_EQ(ds.dsBmih.biHeight, 5);
    BITMAP bm;
    EXPECT_EQ(GetObject(dib, sizeof bm, &bm), static_cast<int>(sizeof bm));
    DeleteObject(dib);

    HBITMAP ddb = CreateBitmap(10, 3, 1, 1, nullptr);
    ASSERT_EQ(GetObject(ddb, sizeof ds, &ds), static_cast<int>(sizeof(BITMAP)));
    EXPECT_EQ(ds.dsBm.bmWidthBytes, 2); // rows of device bitmaps are word aligned
    EXPECT_EQ(ds.dsBm.bmBits, nullptr);
    EXPECT_EQ(GetObject(ddb, 4, &bm), 0);
    DeleteObject(ddb);
}

TEST(CreateCompatibleBitmap, TakesTheFormatOfTheDcsBitmap) {
    auto bpp = [](HBITMAP b) {
        BITMAP bm;
        GetObject(b, sizeof bm, &bm);
        DeleteObject(b);
        return bm.bmBitsPixel;
    };
    HDC memory = CreateCompatibleDC(nullptr);
    HDC display = CreateDC("DISPLAY", nullptr, nullptr, nullptr);
    // A fresh memory DC holds a 1 x 1 monochrome bitmap, so its compatible bitmaps are monochrome.
    EXPECT_EQ(bpp(CreateCompatibleBitmap(memory, 8, 8)), 1);
    EXPECT_EQ(bpp(CreateCompatibleBitmap(display, 8, 8)), 32);
    EXPECT_EQ(bpp(CreateCompatibleBitmap(nullptr, 8, 8)), 32);
    void* bits;
    HBITMAP dib = Dib(4, 4, 8, &bits);
    HGDIOBJ old = SelectObject(memory, dib);
    EXPECT_EQ(bpp(CreateCompatibleBitmap(memory, 8, 8)), 8);
    SelectObject(memory, old);
    DeleteObject(dib);
    HBITMAP empty = CreateCompatibleBitmap(display, 0, 5);
    BITMAP bm;
    GetObject(empty, sizeof bm, &bm);
    EXPECT_EQ(bm.bmWidth, 1);
    EXPECT_EQ(bm.bmBitsPixel, 1);
    DeleteObject(empty);
    DeleteDC(memory);
    DeleteDC(display);
}

TEST(SelectObject, ABitmapLivesInOneDcAtATime) {
    HBITMAP b = CreateBitmap(4, 4, 1, 32, nullptr);
    HDC one = CreateCompatibleDC(nullptr), two = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(one, b);
    EXPECT_NE(old, nullptr);
    EXPECT_EQ(SelectObject(two, b), nullptr);
    EXPECT_FALSE(DeleteObject(b)); // still selected
    SelectObject(one, old);
    EXPECT_NE(SelectObject(two, b), nullptr);
    DeleteDC(two); // releases it
    EXPECT_TRUE(DeleteObject(b));
    EXPECT_EQ(GetObjectType(b), 0u);
    DeleteDC(one);
}

TEST(BitmapBits, DeviceRowsAreWordAligned) {
    const BYTE rows[6] = {0xF0, 0x80, 0x0F, 0x40, 0xAA, 0xC0}; // 10 pixels, 2 bytes a row
    HBITMAP b = CreateBitmap(10, 3, 1, 1, rows);
    BYTE out[6] = {};
    EXPECT_EQ(GetBitmapBits(b, 0, nullptr), 6);
    EXPECT_EQ(GetBitmapBits(b, 6, out), 6);
    EXPECT_EQ(0, std::memcmp(rows, out, 6));
    const BYTE other[6] = {1, 2, 3, 4, 5, 6};
    EXPECT_EQ(SetBitmapBits(b, 6, other), 6);
    GetBitmapBits(b, 6, out);
    EXPECT_EQ(0, std::memcmp(other, out, 6));
    DeleteObject(b);
}

TEST(DIBits, ConvertBetweenDepths) {
    TestDc dc(3, 2);
    SetPixel(dc, 0, 0, kRed);
    SetPixel(dc, 2, 1, kBlue);
    Info info{};
    info.header.biSize = sizeof(BITMAPINFOHEADER);
    EXPECT_EQ(GetDIBits(dc, dc.bitmap, 0, 2, nullptr, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS),
              1);
    EXPECT_EQ(info.header.biBitCount, 32);
    EXPECT_EQ(info.header.biWidth, 3);
    // 24-bit bottom-up copy: line 0 is the bottom row.
    info.header.biBitCount = 24;
    info.header.biHeight = 2;
    std::uint8_t bits[24] = {};
    EXPECT_EQ(GetDIBits(dc, dc.bitmap, 0, 2, bits, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS), 2);
    EXPECT_EQ(bits[6], 255); // bottom row, x = 2: blue first
    EXPECT_EQ(bits[8], 0);
    EXPECT_EQ(bits[12 + 2], 255); // top row, x = 0: red last
    // Back in at 1 bit per pixel with a two-colour table.
    Info mono{};
    mono.header.biWidth = 3;
    mono.header.biHeight = -2;
    mono.header.biBitCount = 1;
    mono.header.biClrUsed = 2;
    mono.colors[0] = RGBQUAD{0, 255, 0, 0};
    mono.colors[1] = RGBQUAD{0, 0, 0, 0};
    const std::uint8_t monoBits[8] = {0x40, 0, 0, 0, 0x00, 0, 0, 0};
    EXPECT_EQ(SetDIBits(dc, dc.bitmap, 0, 2, monoBits, reinterpret_cast<BITMAPINFO*>(&mono), DIB_RGB_COLORS),
              2);
    EXPECT_EQ(dc.Picture(BasicLegend()), (std::vector<std::string>{"g#g", "ggg"}));
}

TEST(StretchDIBits, SourceOriginOfABottomUpDibIsItsLowerLeftCorner) {
    // A 1 x 3 column, bottom-up: memory rows bottom to top are red, green, blue.
    Info info{};
    info.header.biWidth = 1;
    info.header.biHeight = 3;
    info.header.biBitCount = 32;
    const std::uint32_t bits[3] = {0xFF0000, 0x00FF00, 0x0000FF};
    TestDc dc(1, 2);
    // Two rows from y = 0 counted from the bottom: green over red.
    StretchDIBits(dc, 0, 0, 1, 2, 0, 0, 1, 2, bits, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS,
                  SRCCOPY);
    EXPECT_EQ(dc.Picture(BasicLegend()), (std::vector<std::string>{"g", "r"}));
}

TEST(DIBColorTable, ReadAndChangedThroughTheDc) {
    TestDc dc(2, 1, 8);
    SetPixel(dc, 0, 0, kRed); // index 2
    RGBQUAD q[3];
    EXPECT_EQ(GetDIBColorTable(dc, 0, 3, q), 3u);
    EXPECT_EQ(q[2].rgbRed, 255);
    const RGBQUAD green{0, 255, 0, 0};
    EXPECT_EQ(SetDIBColorTable(dc, 2, 1, &green), 1u);
    EXPECT_EQ(dc.At(0, 0), kGreen);
    EXPECT_EQ(GetDIBColorTable(dc, 300, 1, q), 0u);
}

TEST(Palettes, KeptAndSelectable) {
    struct {
        LOGPALETTE header;
        PALETTEENTRY more[1];
    } lp{};
    lp.header.palNumEntries = 2;
    lp.header.palPalEntry[0] = PALETTEENTRY{255, 0, 0, 0};
    lp.more[0] = PALETTEENTRY{0, 0, 255, 0};
    HPALETTE pal = CreatePalette(&lp.header);
    PALETTEENTRY e[2];
    EXPECT_EQ(GetPaletteEntries(pal, 0, 2, e), 2u);
    EXPECT_EQ(e[1].peBlue, 255);
    WORD count = 0;
    EXPECT_EQ(GetObject(pal, sizeof count, &count), 2);
    EXPECT_EQ(count, 2);
    TestDc dc(1, 1);
    HPALETTE old = SelectPalette(dc, pal, FALSE);
    EXPECT_NE(old, nullptr);
    EXPECT_EQ(RealizePalette(dc), 0u);
    SelectPalette(dc, old, FALSE);
    DeleteObject(pal);
}

} // namespace
