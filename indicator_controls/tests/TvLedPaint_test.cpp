// The lamp's pictures: each style and colour, lit and dark, at 17 x 17 and larger. Probe pixels are
// worked out from the drawing steps and the platform's pixel rules (ellipse rows, arcs by the angle
// of the pixel centre, wide pens centred on the outline); whole sheets are kept in tests/data.
#include "indicator_controls/Std2.h"
#include "indicator_controls/Vled.h"
#include "support/LedTest.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

constexpr TColor Background = 0x604020;
constexpr LedStyleType Styles[] = {lstRound, lstSquare, lstSimpleRound};
const std::vector<LedColorType> AllColors{lctRed,  lctBlue, lctGreen, lctyellow, lctMangenta,
                                          lctGrey, lctCyan, lctWhite, lctUser};
constexpr TColor Lit[] = {0x0000FF, 0xFF0000, 0x00FF00, 0x00FFFF, 0xFF00FF,
                          0xC0C0C0, 0xFFFF00, 0xFFFFFF, 0x0000FF};
constexpr TColor Dark[] = {0x000080, 0x800000, 0x008000, 0x008080, 0x800080,
                           0x000000, 0x808000, 0x808080, 0x000080};

// One row per colour and state (lit, then dark), one column per style, each lamp size x size.
struct TSheet {
    std::unique_ptr<TForm> Form{new TForm(nullptr)};
    std::vector<LedColorType> Colors;
    int Size;

    TSheet(int size, std::vector<LedColorType> colors, bool steel = false)
        : Colors(std::move(colors)), Size(size) {
        Form->SetColor(Background);
        Form->SetClientSize(3 * size, 2 * static_cast<int>(Colors.size()) * size);
        for (std::size_t c = 0; c < Colors.size(); ++c)
            for (int lit = 0; lit < 2; ++lit)
                for (int s = 0; s < 3; ++s) {
                    auto* led = new TvLed(Form.get());
                    led->SetBounds(s * size, (2 * static_cast<int>(c) + lit) * size, size, size);
                    led->SetStyle(Styles[s]);
                    led->WriteLedColor(Colors[c]);
                    led->writeLedOn(lit == 0);
                    led->SetSteel(steel);
                    led->SetParent(Form.get());
                }
    }
};

enum TKind { Bg, Lamp, Black, Grey, Silver, White };
struct TProbe {
    int X, Y;
    TKind Kind;
};

COLORREF Expected(TKind kind, LedColorType color, bool lit) {
    switch (kind) {
    case Bg:
        return Background;
    case Lamp:
        return lit ? Lit[color] : Dark[color];
    case Black:
        return 0x000000;
    case Grey:
        return 0x808080;
    case Silver:
        return 0xC0C0C0;
    case White:
        return 0xFFFFFF;
    }
    return 0;
}

void CheckProbes(TSheet& sheet, LedStyleType style, const std::vector<TProbe>& probes) {
    std::unique_ptr<TBitmap> picture = Snapshot(sheet.Form.get());
    const int column = static_cast<int>(style == lstRound ? 0 : style == lstSquare ? 1 : 2);
    for (std::size_t c = 0; c < sheet.Colors.size(); ++c)
        for (int lit = 0; lit < 2; ++lit)
            for (const TProbe& p : probes) {
                const int x = column * sheet.Size + p.X;
                const int y = (2 * static_cast<int>(c) + lit) * sheet.Size + p.Y;
                EXPECT_EQ(PixelAt(picture.get(), x, y), Expected(p.Kind, sheet.Colors[c], lit == 0))
                    << "style " << style << " colour " << sheet.Colors[c] << (lit == 0 ? " lit" : " dark")
                    << " at (" << p.X << ", " << p.Y << ")";
            }
}

// q = 1: outline rows of Ellipse(0, 0, 17, 17) start at x 6 (row 0) and 2 (rows 2, 3); the
// silver ring (1, 1, 16, 16) has (3, 3) at 135 degrees, outside every black arc, and (13, 13) at 315
// degrees under the grey shadow; the top black arc (71.6 to 115 degrees) covers (8, 1). The glint
// ellipse (4, 4, 13, 13) has (4, 8) at 180 degrees (white only), (5, 5) at 135 (silver over white)
// and (12, 8) at 0 (grey).
TEST(TvLedPicture, Probes17) {
    TSheet sheet(17, AllColors);
    CheckProbes(sheet, lstRound,
                {{0, 0, Bg},
                 {16, 16, Bg},
                 {8, 8, Lamp},
                 {8, 0, Black},
                 {0, 8, Black},
                 {3, 3, Silver},
                 {13, 13, Grey},
                 {8, 1, Black},
                 {4, 8, White},
                 {5, 5, Silver},
                 {12, 8, Grey}});
    CheckProbes(sheet, lstSimpleRound,
                {{0, 0, Bg},
                 {8, 8, Lamp},
                 {8, 0, Black},
                 {2, 3, Black},
                 {3, 3, Lamp},
                 {1, 8, Lamp},
                 {4, 8, White},
                 {5, 5, Silver},
                 {12, 8, Grey}});
    // Square: frame lines at 0 and 2, silver at 1 (x and y, the bottom-left (1, 15) included), grey
    // at 15, the mirrored grey fills at (8..9, 12) and (11..12, 12), white (4..5, 4), silver (7..8, 4).
    CheckProbes(sheet, lstSquare,
                {{0, 0, Black},  {16, 16, Black}, {8, 0, Black},   {0, 8, Black},  {16, 1, Black},
                 {2, 8, Black},  {14, 8, Black},  {8, 2, Black},   {8, 14, Black}, {1, 8, Silver},
                 {8, 1, Silver}, {15, 1, Silver}, {1, 15, Silver}, {15, 8, Grey},  {8, 15, Grey},
                 {15, 15, Grey}, {8, 12, Grey},   {9, 12, Grey},   {11, 12, Grey}, {12, 12, Grey},
                 {10, 12, Lamp}, {4, 4, White},   {5, 4, White},   {6, 4, Lamp},   {7, 4, Silver},
                 {8, 4, Silver}, {8, 8, Lamp},    {3, 3, Lamp}});
}

// q = 2, pens two pixels wide centred on pixel corners: a line at 1 covers rows 0 and 1.
TEST(TvLedPicture, Probes34) {
    TSheet sheet(34, AllColors);
    CheckProbes(sheet, lstRound,
                {{0, 0, Bg},
                 {17, 17, Lamp},
                 {17, 0, Black},
                 {17, 1, Black},
                 {17, 2, Black},
                 {6, 6, Silver},
                 {27, 27, Grey},
                 {8, 17, White},
                 {10, 11, Silver},
                 {25, 17, Grey}});
    CheckProbes(sheet, lstSimpleRound, {{0, 0, Bg}, {17, 17, Lamp}, {17, 0, Black}, {8, 17, White}});
    CheckProbes(sheet, lstSquare,
                {{0, 0, Black},   {1, 1, Black},   {17, 0, Black},  {17, 1, Black},  {32, 17, Black},
                 {33, 17, Black}, {17, 33, Black}, {17, 4, Black},  {17, 5, Black},  {4, 17, Black},
                 {29, 17, Black}, {2, 17, Silver}, {3, 17, Silver}, {17, 2, Silver}, {17, 3, Silver},
                 {30, 17, Grey},  {31, 17, Grey},  {17, 30, Grey},  {17, 24, Grey},  {22, 25, Grey},
                 {21, 24, Lamp},  {8, 8, White},   {11, 9, White},  {12, 8, Lamp},   {14, 8, Silver},
                 {17, 9, Silver}, {17, 17, Lamp}});
}

// q = 6: the square's outer frame lies on rows and columns 2 to 7, so its edge keeps the lamp colour.
TEST(TvLedPicture, Probes102) {
    TSheet sheet(102, {lctRed, lctGreen});
    CheckProbes(sheet, lstRound, {{0, 0, Bg}, {51, 51, Lamp}});
    CheckProbes(sheet, lstSimpleRound, {{0, 0, Bg}, {51, 51, Lamp}});
    CheckProbes(sheet, lstSquare,
                {{0, 0, Lamp},
                 {1, 51, Lamp},
                 {2, 51, Black},
                 {7, 51, Black},
                 {51, 51, Lamp},
                 {24, 24, White},
                 {35, 29, White},
                 {36, 24, Lamp}});
}

// Only the width picks q: the white highlight of a square lamp spans (4q, 4q) to (6q, 5q).
TEST(TvLedPicture, WidthAloneSetsTheScale) {
    struct {
        int Width, Q;
    } const cases[] = {{10, 1}, {17, 1}, {33, 1}, {34, 2}, {101, 5}, {102, 6}, {200, 6}};
    for (const auto& c : cases) {
        std::unique_ptr<TForm> form(new TForm(nullptr));
        form->SetClientSize(220, 60);
        auto* led = new TvLed(form.get());
        led->SetStyle(lstSquare);
        led->SetBounds(0, 0, c.Width, 40);
        led->SetParent(form.get());
        std::unique_ptr<TBitmap> picture = Snapshot(form.get());
        const int q = c.Q;
        EXPECT_EQ(PixelAt(picture.get(), 4 * q, 4 * q), 0xFFFFFFu) << "width " << c.Width;
        EXPECT_EQ(PixelAt(picture.get(), 6 * q - 1, 5 * q - 1), 0xFFFFFFu) << "width " << c.Width;
        EXPECT_NE(PixelAt(picture.get(), 6 * q, 4 * q), 0xFFFFFFu) << "width " << c.Width;
        EXPECT_NE(PixelAt(picture.get(), 4 * q, 5 * q), 0xFFFFFFu) << "width " << c.Width;
    }
}

TEST(TvLedPicture, SteelLookShowsThePatternThatASquareCovers) {
    TSheet plain(17, {lctGreen});
    TSheet steel(17, {lctGreen}, true);
    std::unique_ptr<TBitmap> a = Snapshot(plain.Form.get());
    std::unique_ptr<TBitmap> b = Snapshot(steel.Form.get());
    for (int row = 0; row < 2; ++row) {
        const int top = row * 17;
        // Round lamps: the corners show the pattern, white where x and y are both odd.
        EXPECT_EQ(PixelAt(b.get(), 0, top + 0), 0xC0C0C0u);
        EXPECT_EQ(PixelAt(b.get(), 1, top + 1), 0xFFFFFFu);
        EXPECT_EQ(PixelAt(b.get(), 1, top + 2), 0xC0C0C0u);
        EXPECT_EQ(PixelAt(b.get(), 2, top + 1), 0xC0C0C0u);
        EXPECT_EQ(PixelAt(b.get(), 3, top + 1), 0xFFFFFFu);
        EXPECT_EQ(PixelAt(b.get(), 35, top + 15), 0xFFFFFFu); // simple round, (1, 15)
        // The square covers everything.
        for (int y = 0; y < 17; ++y)
            for (int x = 17; x < 34; ++x)
                ASSERT_EQ(PixelAt(a.get(), x, top + y), PixelAt(b.get(), x, top + y)) << x << ", " << y;
    }
}

TEST(TvLedPicture, SheetsMatchTheKeptPictures) {
    struct {
        int Size;
        std::vector<LedColorType> Colors;
        bool Steel;
        const char* File;
    } const sheets[] = {{17, AllColors, false, "TvLed17.bmp"},
                        {34, AllColors, false, "TvLed34.bmp"},
                        {102, {lctRed}, false, "TvLed102.bmp"},
                        {17, {lctGreen, lctWhite}, true, "TvLedSteel17.bmp"}};
    for (const auto& s : sheets) {
        TSheet sheet(s.Size, s.Colors, s.Steel);
        std::unique_ptr<TBitmap> picture = Snapshot(sheet.Form.get());
        EXPECT_EQ(CompareWithFile(picture.get(), s.File), "");
    }
}

// Not square: q from the width, the shapes squeezed to the height.
TEST(TvLedPicture, OblongLampsMatchTheKeptPicture) {
    std::unique_ptr<TForm> form(new TForm(nullptr));
    form->SetColor(Background);
    form->SetClientSize(3 * 40, 24 + 17);
    for (int s = 0; s < 3; ++s) {
        auto* wide = new TvLed(form.get());
        wide->SetBounds(s * 40, 0, 40, 24);
        wide->SetStyle(Styles[s]);
        wide->WriteLedColor(lctyellow);
        wide->writeLedOn(true);
        wide->SetParent(form.get());
        auto* small = new TvLed(form.get());
        small->SetBounds(s * 40, 24, 12, 17);
        small->SetStyle(Styles[s]);
        small->SetParent(form.get());
    }
    std::unique_ptr<TBitmap> picture = Snapshot(form.get());
    EXPECT_EQ(CompareWithFile(picture.get(), "TvLedOblong.bmp"), "");
}

} // namespace
