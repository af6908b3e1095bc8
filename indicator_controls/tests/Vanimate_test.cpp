#include "indicator_controls/Vanimate.h"

#include "indicator_controls/tests/support/LedTest.h"
#include "platform/gdi/System.h"
#include "platform/rtl/Math.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <functional>
#include <memory>
#include <numbers>
#include <string>
#include <vector>

namespace {

using Pixels = std::vector<COLORREF>;

COLORREF Grey(int v) {
    return RGB(static_cast<BYTE>(v), static_cast<BYTE>(v), static_cast<BYTE>(v));
}

Pixels Greys(std::initializer_list<int> values) {
    Pixels result;
    for (int v : values) result.push_back(Grey(v));
    return result;
}

std::unique_ptr<TBitmap> Picture(int w, int h, const Pixels& pixels) {
    auto bitmap = std::make_unique<TBitmap>();
    bitmap->SetPixelFormat(pf24bit);
    bitmap->SetSize(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            bitmap->Canvas()->SetPixels(x, y,
                                        static_cast<TColor>(pixels[static_cast<std::size_t>(y * w + x)]));
    return bitmap;
}

Pixels Read(TBitmap* bitmap) {
    Pixels result;
    for (int y = 0; y < bitmap->Height(); ++y)
        for (int x = 0; x < bitmap->Width(); ++x) result.push_back(PixelAt(bitmap, x, y));
    return result;
}

// '#' where the colour is, '.' elsewhere, a row per string.
Pixels Pattern(std::initializer_list<const char*> rows, COLORREF on, COLORREF off) {
    Pixels result;
    for (const char* row : rows)
        for (const char* c = row; *c; ++c) result.push_back(*c == '#' ? on : off);
    return result;
}

// 1 .. w x h, row by row, in the red channel.
Pixels Numbered(int w, int h) {
    Pixels result;
    for (int i = 1; i <= w * h; ++i) result.push_back(RGB(static_cast<BYTE>(i), 0, 0));
    return result;
}

const Pixels kGrey3x3 = Greys({10, 20, 30, 40, 50, 60, 70, 80, 90});
const Pixels kGrey4x4 = Greys({0, 16, 32, 48, 64, 80, 96, 112, 128, 144, 160, 176, 192, 208, 224, 240});

} // namespace

TEST(TvFastBmp, RowsPixelsAndBounds) {
    TvFastBmp fast(5, 3);
    EXPECT_EQ(fast.Stride, 16);
    EXPECT_EQ(fast.Size, 48);
    EXPECT_EQ(fast.GetLine(2) - fast.GetLine(0), 32);
    EXPECT_EQ(fast.bmInfo.bmiHeader.biHeight, -3);

    fast.SetPixel(4, 2, RGB(1, 2, 3));
    const std::uint8_t* p = fast.GetLine(2) + 12;
    EXPECT_EQ(p[0], 3); // blue, green, red
    EXPECT_EQ(p[1], 2);
    EXPECT_EQ(p[2], 1);
    EXPECT_EQ(fast.GetPixel(4, 2), static_cast<TColor>(RGB(1, 2, 3)));
    // System colours go through ColorToRGB.
    fast.SetPixel(0, 0, clBtnFace);
    EXPECT_EQ(fast.GetPixel(0, 0), static_cast<TColor>(ColorToRGB(clBtnFace)));

    for (auto [x, y] : {std::pair{-1, 0}, {5, 0}, {0, -1}, {0, 3}}) {
        EXPECT_EQ(fast.GetPixel(x, y), -1) << x << "," << y;
        fast.SetPixel(x, y, clWhite);
    }
    // Nothing written outside: the padding byte of each row and the row ends stay as they were.
    EXPECT_EQ(fast.GetLine(0)[15], 0);
    EXPECT_EQ(fast.GetPixel(4, 0), 0);

    std::uint8_t row[15];
    fast.GetScanLine(2, row);
    EXPECT_EQ(std::memcmp(row + 12, p, 3), 0);
    row[0] = 9;
    fast.SetLine(1, row);
    EXPECT_EQ(fast.GetPixel(0, 1), static_cast<TColor>(RGB(0, 0, 9)));
}

TEST(TvFastBmp, CopiesABitmapAndDrawsItBack) {
    auto bitmap = Picture(3, 3, Numbered(3, 3));
    TvFastBmp fast(bitmap.get());
    EXPECT_EQ(fast.Width, 3);
    EXPECT_EQ(fast.GetPixel(2, 1), static_cast<TColor>(RGB(6, 0, 0)));
    auto target = Picture(4, 4, Pixels(16, Grey(255)));
    fast.Draw(target->Canvas(), 1, 1);
    EXPECT_EQ(PixelAt(target.get(), 1, 1), RGB(1, 0, 0));
    EXPECT_EQ(PixelAt(target.get(), 3, 3), RGB(9, 0, 0));
    EXPECT_EQ(PixelAt(target.get(), 0, 0), Grey(255));
}

// The box blur as written: for each pixel, row by row and left to right, each channel is the mean
// (shifted right by 2) of the four corner samples N away, read from the picture as blurred so far;
// a sample beyond the top or left edge is taken at the pixel's own row or column, one beyond the
// bottom or right edge at Height - i or Width - c.
void BlurByTheFormula(std::vector<std::uint8_t>& px, int w, int h, int n) {
    if (n <= 0 || n >= std::min(w, h)) return;
    auto at = [&](int row, int col, int k) -> std::uint8_t& {
        return px[static_cast<std::size_t>((row * w + col) * 3 + k)];
    };
    for (int i = 0; i < h; ++i) {
        const int top = i - n < 0 ? i : i - n, bottom = i + n >= h ? h - i : i + n;
        for (int c = 0; c < w; ++c) {
            const int left = c - n < 0 ? c : c - n, right = c + n >= w ? w - c : c + n;
            for (int k = 0; k < 3; ++k)
                at(i, c, k) = static_cast<std::uint8_t>(
                    (at(top, left, k) + at(top, right, k) + at(bottom, left, k) + at(bottom, right, k)) >> 2);
        }
    }
}

std::vector<std::uint8_t> Speckled(int w, int h) {
    std::vector<std::uint8_t> px(static_cast<std::size_t>(w * h * 3));
    for (std::size_t i = 0; i < px.size(); ++i) px[i] = static_cast<std::uint8_t>(i * 97 + i / 3 * 31 + 11);
    return px;
}

std::vector<std::uint8_t> FastPixels(TvFastBmp& fast) {
    std::vector<std::uint8_t> px(static_cast<std::size_t>(fast.Width * fast.Height * 3));
    for (int y = 0; y < fast.Height; ++y)
        fast.GetScanLine(y, px.data() + static_cast<std::size_t>(y * fast.Width * 3));
    return px;
}

Pixels AsColours(const std::vector<std::uint8_t>& px) {
    Pixels result;
    for (std::size_t i = 0; i < px.size(); i += 3) result.push_back(RGB(px[i + 2], px[i + 1], px[i]));
    return result;
}

TEST(TvFastBmp, BlurMatchesTheFormulaForEverySizeAndRadius) {
    // Every radius below both sides, the large ones too (whose right-hand samples fold back past
    // the pixel itself), and the radii around them that leave the picture alone.
    for (int w = 1; w <= 9; ++w)
        for (int h = 1; h <= 9; ++h)
            for (int n = -1; n <= std::min(w, h); ++n) {
                const std::vector<std::uint8_t> before = Speckled(w, h);
                std::vector<std::uint8_t> expected = before;
                BlurByTheFormula(expected, w, h, n);
                TvFastBmp fast(w, h);
                for (int y = 0; y < h; ++y)
                    fast.SetLine(y, before.data() + static_cast<std::size_t>(y * w * 3));
                fast.Blur(n);
                EXPECT_EQ(FastPixels(fast), expected) << w << "x" << h << " N " << n;

                // The same through a bitmap, and the repeated blur as its sequence of radii.
                auto bitmap = Picture(w, h, AsColours(before));
                GaussianBlur(bitmap.get(), n);
                std::vector<std::uint8_t> gaussian = before;
                for (int r = n; r >= 0; --r) BlurByTheFormula(gaussian, w, h, r);
                EXPECT_EQ(Read(bitmap.get()), AsColours(gaussian)) << w << "x" << h << " gaussian " << n;
            }
}

TEST(Vanimate, PercentBecomesALevelWithHalvesToEven) {
    const std::pair<int, int> cases[] = {{0, 0},    {1, 3},    {2, 5},     {10, 26},  {30, 76},
                                         {50, 128}, {70, 178}, {100, 255}, {255, 650}};
    for (auto [percent, level] : cases)
        EXPECT_EQ(PercentToLevel(static_cast<std::uint8_t>(percent)), level) << percent;
}

TEST(Vanimate, DarkenLightenAndGreyKeepTheTransparentColour) {
    const COLORREF t = RGB(1, 2, 3);
    const Pixels fixture = {RGB(100, 20, 255), RGB(0, 0, 0), RGB(255, 255, 255), t,
                            RGB(15, 0, 0),     RGB(5, 0, 0)};
    struct Case {
        const char* name;
        std::function<void(TBitmap*)> effect;
        Pixels expected;
    } cases[] = {
        {"darken 10",
         [&](TBitmap* b) { DarkenBMP(b, 10, true, static_cast<TColor>(t)); },
         {RGB(74, 0, 229), RGB(0, 0, 0), Grey(229), t, RGB(0, 0, 0), RGB(0, 0, 0)}},
        {"darken 10 all",
         [&](TBitmap* b) { DarkenBMP(b, 10, false, static_cast<TColor>(t)); },
         {RGB(74, 0, 229), RGB(0, 0, 0), Grey(229), Grey(0), RGB(0, 0, 0), RGB(0, 0, 0)}},
        {"darken 100",
         [&](TBitmap* b) { DarkenBMP(b, 100, true, static_cast<TColor>(t)); },
         {Grey(0), Grey(0), Grey(0), t, Grey(0), Grey(0)}},
        {"lighten 10",
         [&](TBitmap* b) { LightenBMP(b, 10, true, static_cast<TColor>(t)); },
         {RGB(126, 46, 255), Grey(26), Grey(255), t, RGB(41, 26, 26), RGB(31, 26, 26)}},
        {"lighten 30 all",
         [&](TBitmap* b) { LightenBMP(b, 30, false, static_cast<TColor>(t)); },
         {RGB(176, 96, 255), Grey(76), Grey(255), RGB(77, 78, 79), RGB(91, 76, 76), RGB(81, 76, 76)}},
        // 0.3 R + 0.59 G + 0.11 B: 69.85, 4.5 and 1.5 round to 70, 4 and 2.
        {"grey",
         [&](TBitmap* b) { GreyBMP(b, true, static_cast<TColor>(t)); },
         {Grey(70), Grey(0), Grey(255), t, Grey(4), Grey(2)}},
        // A system colour never equals a pixel.
        {"grey, system colour",
         [&](TBitmap* b) { GreyBMP(b, true, clBtnFace); },
         {Grey(70), Grey(0), Grey(255), Grey(2), Grey(4), Grey(2)}},
    };
    for (const Case& c : cases) {
        auto bitmap = Picture(3, 2, fixture);
        c.effect(bitmap.get());
        EXPECT_EQ(Read(bitmap.get()), c.expected) << c.name;
    }
}

TEST(Vanimate, FilterTable) {
    struct Case {
        const char* name;
        int w, h;
        Pixels before;
        std::function<void(TBitmap*)> filter;
        Pixels after;
    } cases[] = {
        // grey 110; A x (channel - grey) div 255 truncates toward zero.
        {"saturation 128",
         1,
         1,
         {RGB(200, 100, 30)},
         [](TBitmap* b) { Saturation(b, 128); },
         {RGB(155, 105, 70)}},
        {"saturation 0", 1, 1, {RGB(200, 100, 30)}, [](TBitmap* b) { Saturation(b, 0); }, {Grey(110)}},
        {"saturation 510 clamps",
         1,
         1,
         {RGB(200, 100, 30)},
         [](TBitmap* b) { Saturation(b, 510); },
         {RGB(255, 90, 0)}},
        {"contrast 255",
         3,
         1,
         {RGB(0, 200, 127), RGB(128, 100, 255), Grey(50)},
         [](TBitmap* b) { Contrast(b, 255); },
         {RGB(0, 255, 127), RGB(129, 73, 255), Grey(0)}},
        {"contrast 128", 1, 1, {RGB(200, 100, 0)}, [](TBitmap* b) { Contrast(b, 128); }, {RGB(236, 87, 0)}},
        // Weights as large as the integer goes: the products do not wrap, the channels clamp.
        {"saturation largest", 1, 1, {RGB(200, 100, 30)}, [](TBitmap* b) { Saturation(b, INT_MAX); },
         {RGB(255, 0, 0)}},
        {"saturation smallest", 1, 1, {RGB(200, 100, 30)}, [](TBitmap* b) { Saturation(b, INT_MIN); },
         {RGB(0, 255, 255)}},
        {"contrast largest", 3, 1, {RGB(0, 200, 127), RGB(128, 126, 255), Grey(50)},
         [](TBitmap* b) { Contrast(b, INT_MAX); }, {RGB(0, 255, 127), RGB(255, 0, 255), Grey(0)}},
        {"sharpen nearly largest", 2, 2, Greys({50, 50, 50, 50}), [](TBitmap* b) { Sharpen(b, INT_MAX - 10); },
         Greys({50, 50, 50, 50})},
        // Left neighbours come from the row already worked, upper ones from the row above.
        {"sharpen 4", 3, 3, kGrey3x3, [](TBitmap* b) { Sharpen(b, 4); },
         Greys({20, 28, 37, 43, 51, 58, 65, 72, 77})},
        // Divisor 1: 1020 and -255 clamp instead of wrapping.
        {"sharpen -3 clamps", 2, 2, Greys({0, 255, 255, 0}), [](TBitmap* b) { Sharpen(b, -3); },
         Greys({255, 0, 0, 0})},
        {"sharpen -4 does nothing", 3, 3, kGrey3x3, [](TBitmap* b) { Sharpen(b, -4); }, kGrey3x3},
        {"sharpen -9 does nothing", 3, 3, kGrey3x3, [](TBitmap* b) { Sharpen(b, -9); }, kGrey3x3},
        {"sharpen one row does nothing", 3, 1, Greys({10, 20, 30}), [](TBitmap* b) { Sharpen(b, 4); },
         Greys({10, 20, 30})},
        {"sharpen one column does nothing", 1, 3, Greys({10, 20, 30}), [](TBitmap* b) { Sharpen(b, 4); },
         Greys({10, 20, 30})},
        // In place: each pixel reads the ones already blurred; the far side folds back.
        {"blur 1", 4, 4, kGrey4x4, [](TBitmap* b) { Blur(b, 1); },
         Greys({40, 58, 74, 77, 92, 100, 113, 109, 148, 155, 164, 161, 123, 129, 131, 133})},
        {"gaussian 1 is blur 1", 4, 4, kGrey4x4, [](TBitmap* b) { GaussianBlur(b, 1); },
         Greys({40, 58, 74, 77, 92, 100, 113, 109, 148, 155, 164, 161, 123, 129, 131, 133})},
        {"blur 0", 4, 4, kGrey4x4, [](TBitmap* b) { Blur(b, 0); }, kGrey4x4},
        {"blur -2", 4, 4, kGrey4x4, [](TBitmap* b) { Blur(b, -2); }, kGrey4x4},
        {"blur 4 of 4", 4, 4, kGrey4x4, [](TBitmap* b) { Blur(b, 4); }, kGrey4x4},
        {"blur 3 of 3 high", 3, 3, kGrey3x3, [](TBitmap* b) { Blur(b, 3); }, kGrey3x3},
        {"gaussian -1", 4, 4, kGrey4x4, [](TBitmap* b) { GaussianBlur(b, -1); }, kGrey4x4},
        {"colour noise 0", 3, 3, kGrey3x3, [](TBitmap* b) { AddColorNoise(b, 0); }, kGrey3x3},
        {"colour noise -7", 3, 3, kGrey3x3, [](TBitmap* b) { AddColorNoise(b, -7); }, kGrey3x3},
        {"grey noise -7", 3, 3, kGrey3x3, [](TBitmap* b) { AddBWNoise(b, -7); }, kGrey3x3},
        // Random(1) is always 0.
        {"colour noise 1", 3, 3, kGrey3x3, [](TBitmap* b) { AddColorNoise(b, 1); }, kGrey3x3},
        {"raster sparse", 4, 4, Pixels(16, Grey(0)), [](TBitmap* b) { RasterBMP(b, clWhite, 0); },
         Pattern({".#..", "...#", ".#..", "...#"}, Grey(255), Grey(0))},
        {"raster checkerboard", 4, 4, Pixels(16, Grey(0)), [](TBitmap* b) { RasterBMP(b, clWhite, 1); },
         Pattern({".#.#", "#.#.", ".#.#", "#.#."}, Grey(255), Grey(0))},
        {"raster clusters", 4, 4, Pixels(16, Grey(0)), [](TBitmap* b) { RasterBMP(b, clWhite, 2); },
         Pattern({".##.", ".#..", ".##.", ".#.."}, Grey(255), Grey(0))},
        {"raster unknown kind", 4, 4, Pixels(16, Grey(0)), [](TBitmap* b) { RasterBMP(b, clWhite, 3); },
         Pixels(16, Grey(0))},
        {"flip",
         3,
         3,
         Numbered(3, 3),
         [](TBitmap* b) { FlipBMP(b); },
         {RGB(7, 0, 0), RGB(8, 0, 0), RGB(9, 0, 0), RGB(4, 0, 0), RGB(5, 0, 0), RGB(6, 0, 0), RGB(1, 0, 0),
          RGB(2, 0, 0), RGB(3, 0, 0)}},
        {"mirror",
         3,
         3,
         Numbered(3, 3),
         [](TBitmap* b) { MirrorBMP(b); },
         {RGB(3, 0, 0), RGB(2, 0, 0), RGB(1, 0, 0), RGB(6, 0, 0), RGB(5, 0, 0), RGB(4, 0, 0), RGB(9, 0, 0),
          RGB(8, 0, 0), RGB(7, 0, 0)}},
        {"flip twice", 4, 4, Numbered(4, 4),
         [](TBitmap* b) {
             FlipBMP(b);
             FlipBMP(b);
         },
         Numbered(4, 4)},
        {"mirror twice", 4, 4, Numbered(4, 4),
         [](TBitmap* b) {
             MirrorBMP(b);
             MirrorBMP(b);
         },
         Numbered(4, 4)},
    };
    for (const Case& c : cases) {
        auto bitmap = Picture(c.w, c.h, c.before);
        c.filter(bitmap.get());
        EXPECT_EQ(Read(bitmap.get()), c.after) << c.name;
    }
}

TEST(Vanimate, NoiseMovesChannelsWithinItsRange) {
    RandSeed = 1;
    auto grey = Picture(4, 4, Pixels(16, Grey(128)));
    AddBWNoise(grey.get(), 3); // -1, 0 or +1, the same on all three channels
    bool moved = false;
    for (COLORREF c : Read(grey.get())) {
        EXPECT_EQ(GetRValue(c), GetGValue(c));
        EXPECT_EQ(GetRValue(c), GetBValue(c));
        EXPECT_LE(std::abs(GetRValue(c) - 128), 1);
        moved |= GetRValue(c) != 128;
    }
    EXPECT_TRUE(moved);

    auto colour = Picture(4, 4, Pixels(16, Grey(0)));
    AddColorNoise(colour.get(), 200); // clamped at 0 from below
    bool differ = false;
    for (COLORREF c : Read(colour.get())) {
        EXPECT_LE(GetRValue(c), 99);
        differ |= GetRValue(c) != GetGValue(c) || GetGValue(c) != GetBValue(c);
    }
    EXPECT_TRUE(differ);
}

TEST(Vanimate, RotateTurnsTheCentreOfANumberedSquare) {
    const COLORREF bg = RGB(0, 0, 99);
    auto expect = [&](std::initializer_list<int> centre) {
        Pixels result(25, bg);
        auto it = centre.begin();
        for (int y = 1; y <= 3; ++y)
            for (int x = 1; x <= 3; ++x)
                result[static_cast<std::size_t>(y * 5 + x)] = RGB(static_cast<BYTE>(*it++), 0, 0);
        return result;
    };
    // Half the side, counted from 0, reaches one pixel out from the centre.
    const std::pair<double, Pixels> cases[] = {
        {0, expect({7, 8, 9, 12, 13, 14, 17, 18, 19})},
        {90, expect({9, 14, 19, 8, 13, 18, 7, 12, 17})},
        {180, expect({19, 18, 17, 14, 13, 12, 9, 8, 7})},
        {-90, expect({17, 12, 7, 18, 13, 8, 19, 14, 9})},
    };
    auto source = Picture(5, 5, Numbered(5, 5));
    for (const auto& [angle, expected] : cases) {
        auto dest = Picture(5, 5, Pixels(25, bg));
        BMPRotate(source.get(), dest.get(), angle);
        EXPECT_EQ(Read(dest.get()), expected) << angle;
    }
    EXPECT_EQ(Read(source.get()), Numbered(5, 5));
}

TEST(Vanimate, TransparentBltLeavesTheCanvasShowing) {
    const COLORREF t = RGB(255, 0, 255), a = RGB(1, 2, 3), b = RGB(4, 5, 6);
    Pixels canvasPixels;
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x)
            canvasPixels.push_back(RGB(static_cast<BYTE>(10 * x), static_cast<BYTE>(10 * y), 200));
    auto canvas = Picture(4, 3, canvasPixels);
    auto sprite = Picture(2, 2, {a, t, t, b});
    TransparentBlt(canvas->Canvas(), sprite.get(), 1, 1, static_cast<TColor>(t));

    Pixels expected = canvasPixels;
    expected[5] = a;
    expected[10] = b;
    EXPECT_EQ(Read(canvas.get()), expected);
    EXPECT_EQ(Read(sprite.get()), (Pixels{a, t, t, b}));

    // Partly outside the canvas: the part inside is drawn.
    TransparentBlt(canvas->Canvas(), sprite.get(), 3, 2, static_cast<TColor>(t));
    expected[11] = a;
    EXPECT_EQ(Read(canvas.get()), expected);
}

TEST(Vanimate, ReplaceColorSwapsOnlyThatColour) {
    const COLORREF o = RGB(9, 9, 9), n = RGB(200, 100, 50), k = RGB(1, 2, 3);
    auto bitmap = Picture(3, 2, {o, k, o, k, o, RGB(9, 9, 8)});
    ReplaceColor(bitmap.get(), static_cast<TColor>(o), static_cast<TColor>(n));
    EXPECT_EQ(Read(bitmap.get()), (Pixels{n, k, n, k, n, RGB(9, 9, 8)}));
}

namespace {

std::vector<std::string> EllipsePicture(int w, int h, int x, int y, int rx, int ry, double angle) {
    auto bitmap = Picture(w, h, Pixels(static_cast<std::size_t>(w * h), RGB(255, 255, 255)));
    TCanvas* c = bitmap->Canvas();
    c->Pen()->SetColor(clBlack);
    c->Brush()->SetColor(clRed);
    DrawEllipse(c, x, y, rx, ry, angle);
    std::vector<std::string> rows;
    for (int j = 0; j < h; ++j) {
        std::string row;
        for (int i = 0; i < w; ++i) {
            const COLORREF p = PixelAt(bitmap.get(), i, j);
            row += p == RGB(0, 0, 0) ? '#' : p == RGB(255, 0, 0) ? 'r' : p == RGB(255, 255, 255) ? '.' : '?';
        }
        rows.push_back(row);
    }
    return rows;
}

} // namespace

TEST(Vanimate, DrawEllipseOutlinesAndFillsTheTurnedEllipse) {
    // Radii 5 and 3 about (6, 4): the curves' points round to a 24-gon, filled under the drawing
    // layer's polygon rules (left and top edges in) and outlined with the pen.
    const std::vector<std::string> flat = EllipsePicture(13, 9, 6, 4, 5, 3, 0);
    EXPECT_EQ(flat, (std::vector<std::string>{
                        ".............",
                        "..r#######...",
                        ".r#rrrrrrr#..",
                        ".#rrrrrrrrr#.",
                        ".#rrrrrrrrr#.",
                        ".#rrrrrrrr.#.",
                        "..#rrrrrr.#..",
                        "...#######...",
                        ".............",
                    }));
    // Turned a quarter, the upright ellipse lies as the flat one; turned half, it is itself.
    EXPECT_EQ(EllipsePicture(13, 9, 6, 4, 3, 5, std::numbers::pi / 2), flat);
    EXPECT_EQ(EllipsePicture(13, 9, 6, 4, 5, 3, std::numbers::pi), flat);
    // Turned by 45 degrees it lies along the diagonal.
    const std::vector<std::string> turned = EllipsePicture(11, 11, 5, 5, 5, 2, std::numbers::pi / 4);
    EXPECT_EQ(turned[1][1], '#');
    EXPECT_EQ(turned[9][9], '#');
    EXPECT_EQ(turned[5][5], 'r');
    EXPECT_EQ(turned[1][9], '.');
    EXPECT_EQ(turned[9][1], '.');
}

TEST(Vanimate, DesktopIsTheScreen) {
    TvDesktop desktop;
    EXPECT_EQ(desktop.gWidth(), GetSystemMetrics(SM_CXSCREEN));
    EXPECT_EQ(desktop.gHeight(), GetSystemMetrics(SM_CYSCREEN));
    EXPECT_GT(desktop.gWidth(), 0);
}

TEST(Vanimate, ResourceBitmapsByNameWithoutRegardToCase) {
    TvResBitmap bitmap("vanimate_sample");
    ASSERT_EQ(bitmap.Width(), 2);
    ASSERT_EQ(bitmap.Height(), 2);
    EXPECT_EQ(Read(&bitmap), (Pixels{RGB(255, 0, 0), RGB(0, 255, 0), RGB(0, 0, 255), RGB(255, 255, 255)}));
    EXPECT_THROW(TvResBitmap("NoSuchBitmap"), EInvalidGraphic);
}
