#include "support/GdiTest.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>

namespace {

using Bytes = std::vector<std::uint8_t>;

void Put16(Bytes& b, std::size_t at, std::uint32_t v) {
    b[at] = static_cast<std::uint8_t>(v);
    b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}
void Put32(Bytes& b, std::size_t at, std::uint32_t v) {
    Put16(b, at, v & 0xFFFF);
    Put16(b, at + 2, v >> 16);
}
std::uint32_t Get32(const Bytes& b, std::size_t at) {
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<std::uint32_t>(b[at + 3]) << 24);
}

// A file with a BITMAPINFOHEADER: header fields, then `rest` (colour table and pixels).
Bytes File(int width, int height, int bpp, std::uint32_t compression, const Bytes& palette,
           const Bytes& pixels, std::uint32_t colorsUsed = 0) {
    Bytes b(54, 0);
    b[0] = 'B';
    b[1] = 'M';
    Put32(b, 2, static_cast<std::uint32_t>(54 + palette.size() + pixels.size()));
    Put32(b, 10, static_cast<std::uint32_t>(54 + palette.size()));
    Put32(b, 14, 40);
    Put32(b, 18, static_cast<std::uint32_t>(width));
    Put32(b, 22, static_cast<std::uint32_t>(height));
    Put16(b, 26, 1);
    Put16(b, 28, static_cast<std::uint32_t>(bpp));
    Put32(b, 30, compression);
    Put32(b, 34, static_cast<std::uint32_t>(pixels.size()));
    Put32(b, 46, colorsUsed);
    b.insert(b.end(), palette.begin(), palette.end());
    b.insert(b.end(), pixels.begin(), pixels.end());
    return b;
}

struct Loaded {
    explicit Loaded(const Bytes& b) { bitmap = GdiReadBmp(b.data(), b.size(), &error); }
    ~Loaded() {
        if (dc) {
            SelectObject(dc, old);
            DeleteDC(dc);
        }
        DeleteObject(bitmap);
    }
    COLORREF At(int x, int y) {
        if (!dc) {
            dc = CreateCompatibleDC(nullptr);
            old = SelectObject(dc, bitmap);
        }
        return GetPixel(dc, x, y);
    }
    int Bpp() const {
        BITMAP bm;
        GetObject(bitmap, sizeof bm, &bm);
        return bm.bmBitsPixel;
    }
    HBITMAP bitmap = nullptr;
    std::string error;
    HDC dc = nullptr;
    HGDIOBJ old = nullptr;
};

const Bytes kGreyRed = {128, 128, 128, 0, 0, 0, 255, 0}; // colour table: grey, red

TEST(GdiReadBmp, BottomUpRowsAndBgrPixels) {
    // 2 x 2, 24 bits: the first row in the file is the bottom one.
    const Bytes pixels = {255, 0, 0,   0,   255, 0,   0, 0, /* bottom: blue, green, pad */
                          0,   0, 255, 255, 255, 255, 0, 0 /* top: red, white, pad */};
    Loaded bmp(File(2, 2, 24, BI_RGB, {}, pixels));
    ASSERT_NE(bmp.bitmap, nullptr) << bmp.error;
    EXPECT_EQ(bmp.At(0, 0), kRed);
    EXPECT_EQ(bmp.At(1, 0), kWhite);
    EXPECT_EQ(bmp.At(0, 1), kBlue);
    EXPECT_EQ(bmp.At(1, 1), kGreen);
    Loaded topDown(File(2, -2, 24, BI_RGB, {}, pixels));
    ASSERT_NE(topDown.bitmap, nullptr);
    EXPECT_EQ(topDown.At(0, 0), kBlue);
}

TEST(GdiReadBmp, IndexedWithAShortColourTable) {
    // 4 bits, two colours in the table; index 5 is past the table and reads as black.
    const Bytes pixels = {0x01, 0x50, 0, 0};
    Loaded bmp(File(3, 1, 4, BI_RGB, kGreyRed, pixels, 2));
    ASSERT_NE(bmp.bitmap, nullptr) << bmp.error;
    EXPECT_EQ(bmp.Bpp(), 4);
    EXPECT_EQ(bmp.At(0, 0), kGrey);
    EXPECT_EQ(bmp.At(1, 0), kRed);
    EXPECT_EQ(bmp.At(2, 0), kBlack);
}

TEST(GdiReadBmp, Os2CoreHeader) {
    Bytes b(26, 0);
    b[0] = 'B';
    b[1] = 'M';
    Put32(b, 10, 26 + 6);
    Put32(b, 14, 12);
    Put16(b, 18, 2);
    Put16(b, 20, 1);
    Put16(b, 22, 1);
    Put16(b, 24, 1);
    const Bytes rest = {0, 0, 255, 255, 0, 0, /* red, blue as RGBTRIPLEs */ 0x40, 0, 0, 0};
    b.insert(b.end(), rest.begin(), rest.end());
    Loaded bmp(b);
    ASSERT_NE(bmp.bitmap, nullptr) << bmp.error;
    EXPECT_EQ(bmp.At(0, 0), kRed);
    EXPECT_EQ(bmp.At(1, 0), kBlue);
}

TEST(GdiReadBmp, RunLengthEncoded) {
    // RLE8, 4 x 3: bottom row a run of three 1s then end of line; next row a delta of (1, 1) to
    // the top row; there an absolute run of 1, 0, 1 (padded) and end of bitmap.
    const Bytes rle8 = {3, 1, 0, 0, 0, 2, 1, 1, 0, 3, 1, 0, 1, 0, 0, 1};
    Loaded bmp(File(4, 3, 8, BI_RLE8, kGreyRed, rle8, 2));
    ASSERT_NE(bmp.bitmap, nullptr) << bmp.error;
    EXPECT_EQ(bmp.At(0, 2), kRed);
    EXPECT_EQ(bmp.At(2, 2), kRed);
    EXPECT_EQ(bmp.At(3, 2), kGrey); // untouched pixels keep index 0
    EXPECT_EQ(bmp.At(1, 0), kRed);
    EXPECT_EQ(bmp.At(2, 0), kGrey);
    EXPECT_EQ(bmp.At(3, 0), kRed);
    // RLE4: a run of 5 alternating 1, 0 nibbles.
    const Bytes rle4 = {5, 0x10, 0, 1};
    Loaded four(File(6, 1, 4, BI_RLE4, kGreyRed, rle4, 2));
    ASSERT_NE(four.bitmap, nullptr) << four.error;
    EXPECT_EQ(four.At(0, 0), kRed);
    EXPECT_EQ(four.At(1, 0), kGrey);
    EXPECT_EQ(four.At(4, 0), kRed);
}

TEST(GdiReadBmp, BitFieldsAndSixteenBits) {
    // 5-6-5 red, and the default 5-5-5 of BI_RGB green.
    Bytes masks(12, 0);
    Put32(masks, 0, 0xF800);
    Put32(masks, 4, 0x07E0);
    Put32(masks, 8, 0x001F);
    Loaded b565(File(1, 1, 16, BI_BITFIELDS, masks, {0x00, 0xF8, 0, 0}));
    ASSERT_NE(b565.bitmap, nullptr) << b565.error;
    EXPECT_EQ(b565.At(0, 0), kRed);
    EXPECT_EQ(b565.Bpp(), 32);
    Loaded b555(File(1, 1, 16, BI_RGB, {}, {0xE0, 0x03, 0, 0}));
    ASSERT_NE(b555.bitmap, nullptr) << b555.error;
    EXPECT_EQ(b555.At(0, 0), kGreen);
}

Bytes Written(HBITMAP b) {
    Bytes out;
    EXPECT_TRUE(GdiWriteBmp(b, out));
    return out;
}

TEST(GdiWriteBmp, RoundTripsEveryDepth) {
    for (int bpp : {1, 4, 8, 24, 32}) {
        TestDc dc(13, 5, bpp);
        const COLORREF colors[] = {kBlack, kWhite, kRed, kGreen, kBlue, kGrey, kSilver};
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 13; ++x) SetPixel(dc, x, y, colors[(x * 3 + y) % (bpp == 1 ? 2 : 7)]);
        const Bytes file = Written(dc.bitmap);
        const std::uint32_t colorsInFile = bpp <= 8 ? (1u << bpp) : 0;
        EXPECT_EQ(Get32(file, 10), 54 + colorsInFile * 4) << bpp;
        EXPECT_EQ(Get32(file, 2), file.size()) << bpp;
        EXPECT_EQ(Get32(file, 22), 5u) << "bottom-up, positive height";
        Loaded back(file);
        ASSERT_NE(back.bitmap, nullptr) << back.error;
        EXPECT_EQ(back.Bpp(), bpp);
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 13; ++x)
                ASSERT_EQ(back.At(x, y), dc.At(x, y)) << bpp << " at " << x << "," << y;
        EXPECT_EQ(Written(back.bitmap), file) << bpp;
    }
}

TEST(GdiWriteBmp, MonochromeDeviceBitmapAsBlackAndWhite) {
    TestDc mono(3, 1, 1, true);
    SetPixel(mono, 1, 0, kBlack);
    const Bytes file = Written(mono.bitmap);
    Loaded back(file);
    EXPECT_EQ(back.At(0, 0), kWhite);
    EXPECT_EQ(back.At(1, 0), kBlack);
    Bytes none;
    EXPECT_FALSE(GdiWriteBmp(nullptr, none));
}

// A valid 8-bit file to damage.
Bytes GoodFile() {
    Bytes pixels(4 * 3, 1);
    return File(3, 3, 8, BI_RGB, kGreyRed, pixels, 2);
}

TEST(GdiReadBmp, EveryTruncationFails) {
    const Bytes good = GoodFile();
    {
        Loaded whole(good);
        ASSERT_NE(whole.bitmap, nullptr) << whole.error;
    }
    for (std::size_t n = 0; n < good.size(); ++n) {
        Loaded cut(Bytes(good.begin(), good.begin() + static_cast<long>(n)));
        EXPECT_EQ(cut.bitmap, nullptr) << n;
        EXPECT_FALSE(cut.error.empty());
    }
}

TEST(GdiReadBmp, CorruptHeadersFail) {
    const struct {
        std::size_t at;
        int width; // 2 or 4 bytes
        std::uint32_t value;
        const char* what;
    } cases[] = {
        {0, 2, 0x4D43, "signature"},
        {14, 4, 0, "header size 0"},
        {14, 4, 41, "header size 41"},
        {14, 4, 0xFFFFFFF0, "huge header size"},
        {18, 4, 0, "width 0"},
        {18, 4, 0xFFFFFFFD, "negative width"},
        {22, 4, 0, "height 0"},
        {22, 4, 0x80000000, "most negative height"},
        {18, 4, 40000, "width beyond the limit"},
        {22, 4, 0xFFFF0000, "height beyond the limit"},
        {28, 2, 7, "depth 7"},
        {28, 2, 0, "depth 0"},
        {30, 4, 9, "compression 9"},
        {30, 4, BI_RLE4, "RLE4 on 8 bits"},
        {30, 4, BI_BITFIELDS, "bit fields on 8 bits"},
        {10, 4, 0xFFFFFFFF, "pixel offset beyond the file"},
        {10, 4, 20, "pixel offset inside the header"},
        {18, 4, 30000, "pixels beyond the data"},
    };
    for (const auto& c : cases) {
        Bytes b = GoodFile();
        if (c.width == 2)
            Put16(b, c.at, c.value);
        else
            Put32(b, c.at, c.value);
        Loaded bmp(b);
        EXPECT_EQ(bmp.bitmap, nullptr) << c.what;
        EXPECT_FALSE(bmp.error.empty()) << c.what;
    }
}

TEST(GdiReadBmp, SizesAreNeverTrusted) {
    // A huge colour count is capped at the depth's table; the file size field is ignored.
    Bytes b = GoodFile();
    Put32(b, 46, 0xFFFFFFFF);
    Put32(b, 2, 7);
    Loaded capped(b);
    EXPECT_EQ(capped.bitmap, nullptr) << "a full table of 256 entries is not in the file";
    Put32(b, 46, 2);
    Loaded fine(b);
    EXPECT_NE(fine.bitmap, nullptr) << fine.error;

    // Large dimensions whose pixels would exceed the memory limit are refused before allocating.
    Bytes big = File(30000, 30000, 32, BI_RGB, {}, {});
    Loaded huge(big);
    EXPECT_EQ(huge.bitmap, nullptr);

    // Compressed data must not be top-down, and a run cut short fails.
    Loaded topDown(File(4, -1, 8, BI_RLE8, kGreyRed, {0, 1}, 2));
    EXPECT_EQ(topDown.bitmap, nullptr);
    Loaded shortRun(File(4, 1, 8, BI_RLE8, kGreyRed, {0, 4, 1, 1}, 2));
    EXPECT_EQ(shortRun.bitmap, nullptr);
    // Bit masks must be contiguous and inside the pixel.
    Bytes masks(12, 0);
    Put32(masks, 0, 0xF00F);
    Put32(masks, 4, 0x0FF0);
    Put32(masks, 8, 0x0001);
    Loaded gappy(File(1, 1, 16, BI_BITFIELDS, masks, {0, 0, 0, 0}));
    EXPECT_EQ(gappy.bitmap, nullptr);
    Put32(masks, 0, 0xFF0000);
    Loaded outside(File(1, 1, 16, BI_BITFIELDS, masks, {0, 0, 0, 0}));
    EXPECT_EQ(outside.bitmap, nullptr);
    EXPECT_EQ(GdiReadBmp(nullptr, 10, nullptr), nullptr);
}

TEST(GdiReadBmp, RandomDamageNeverCrashes) {
    // A small deterministic fuzz: flip bytes of valid files; every read either succeeds or fails
    // cleanly (the sanitizer build checks the memory side).
    std::mt19937 rng(12345);
    TestDc dc(7, 4, 8);
    SetPixel(dc, 1, 1, kRed);
    const Bytes sources[] = {
        GoodFile(), Written(dc.bitmap),
        File(4, 3, 8, BI_RLE8, kGreyRed, {3, 1, 0, 0, 0, 2, 1, 1, 0, 3, 1, 0, 1, 0, 0, 1}, 2)};
    for (const Bytes& source : sources)
        for (int round = 0; round < 700; ++round) {
            Bytes b = source;
            const int flips = 1 + static_cast<int>(rng() % 4);
            for (int i = 0; i < flips; ++i) b[rng() % b.size()] = static_cast<std::uint8_t>(rng());
            if (rng() % 4 == 0) b.resize(rng() % b.size());
            std::string error;
            HBITMAP h = GdiReadBmp(b.data(), b.size(), &error);
            if (h) {
                Bytes out;
                EXPECT_TRUE(GdiWriteBmp(h, out));
                DeleteObject(h);
            } else {
                EXPECT_FALSE(error.empty());
            }
        }
}

} // namespace
