// What the drawn buttons paint alike: gradient faces worked out band by band, the glyph images cut
// from a strip, the embossed disabled glyph, the icon set filled from its members, the caption
// flags.
#include "indicator_controls/BtnFaces.h"

#include "platform/gdi/Bitmap.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/Draw.h"
#include "platform/gdi/Text.h"
#include "platform/ui/Icons.h"

#include "support/LedTest.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

constexpr TColor Marker = 0x123456;

std::unique_ptr<TBitmap> Face(int w, int h, bool down, gradType type, TColor from, TColor to, int bands) {
    auto b = std::make_unique<TBitmap>();
    b->SetPixelFormat(pf24bit);
    b->SetSize(w, h);
    b->Canvas()->Brush()->SetColor(Marker);
    b->Canvas()->FillRect(Rect(0, 0, w, h));
    PaintGradientFace(b->Canvas(), w, h, down, type, from, to, bands);
    return b;
}

COLORREF Pixel(TBitmap* b, int x, int y) {
    return GetPixel(b->Canvas()->Handle(), x, y);
}

// One character per pixel: the index of the pixel's colour in colours, '-' for the marker.
std::vector<std::string> Map(TBitmap* b, const std::vector<COLORREF>& colours) {
    std::vector<std::string> rows;
    for (int y = 0; y < b->Height(); ++y) {
        std::string row;
        for (int x = 0; x < b->Width(); ++x) {
            const COLORREF c = Pixel(b, x, y);
            char ch = c == COLORREF(Marker) ? '-' : '?';
            for (std::size_t i = 0; i < colours.size(); ++i)
                if (c == colours[i]) ch = static_cast<char>('0' + i);
            row += ch;
        }
        rows.push_back(row);
    }
    return rows;
}

// Red to blue in three steps: 0x0000FF, 0x5500AA, 0xAA0055, 0xFF0000.
const std::vector<COLORREF> RedToBlue{0x0000FF, 0x5500AA, 0xAA0055, 0xFF0000};

TEST(GradientFace, VerticalBands) {
    const auto up = Face(11, 9, false, gVert, 0x0000FF, 0xFF0000, 3);
    EXPECT_EQ(Map(up.get(), RedToBlue), (std::vector<std::string>{
                                            "0000000000-",
                                            "0000000000-",
                                            "1111111111-",
                                            "1111111111-",
                                            "2222222222-",
                                            "2222222222-",
                                            "3333333333-",
                                            "3333333333-",
                                            "-----------",
                                        }));
    const auto down = Face(11, 9, true, gVert, 0x0000FF, 0xFF0000, 3);
    EXPECT_EQ(Map(down.get(), RedToBlue), (std::vector<std::string>{
                                              "-----------",
                                              "-0000000000",
                                              "-0000000000",
                                              "-1111111111",
                                              "-1111111111",
                                              "-2222222222",
                                              "-2222222222",
                                              "-3333333333",
                                              "-3333333333",
                                          }));
}

TEST(GradientFace, HorizontalBands) {
    // Band edges at MulDiv(i, 10, 4): 0, 3, 5, 8, 10 (halves away from zero).
    const auto up = Face(11, 9, false, gHorz, 0x0000FF, 0xFF0000, 3);
    const std::vector<std::string> rows = Map(up.get(), RedToBlue);
    for (int y = 0; y < 8; ++y) EXPECT_EQ(rows[static_cast<std::size_t>(y)], "0001122233-") << y;
    EXPECT_EQ(rows[8], "-----------");
}

TEST(GradientFace, CentreRings) {
    // 13 x 11, Bands 9: n = min(9, 6, 5) = 5 steps of 51 in red, 1-pixel rings from (1, 1)-(12, 10);
    // the sixth rectangle is empty.
    const std::vector<COLORREF> steps{0x000000, 0x000033, 0x000066, 0x000099, 0x0000CC};
    const auto face = Face(13, 11, false, gCenter, 0x000000, 0x0000FF, 9);
    EXPECT_EQ(Map(face.get(), steps), (std::vector<std::string>{
                                          "-------------",
                                          "-00000000000-",
                                          "-01111111110-",
                                          "-01222222210-",
                                          "-01233333210-",
                                          "-01234443210-",
                                          "-01233333210-",
                                          "-01222222210-",
                                          "-01111111110-",
                                          "-00000000000-",
                                          "-------------",
                                      }));
}

TEST(GradientFace, PlainFaces) {
    struct TCase {
        const char* What;
        gradType Type;
        TColor From, To;
        int Bands;
        COLORREF Expected;
        TRect Covered;
    };
    const std::vector<TCase> cases = {
        {"equal colours", gVert, 0x00FF00, 0x00FF00, 5, 0x00FF00, Rect(0, 0, 11, 9)},
        {"system colours resolved", gVert, clBtnFace, clBtnFace, 5, 0xC0C0C0, Rect(0, 0, 11, 9)},
        {"no bands", gVert, 0x0000FF, 0xFF0000, 0, 0x0000FF, Rect(0, 0, 10, 8)},
        {"no rings", gCenter, 0x0000FF, 0xFF0000, 0, 0x0000FF, Rect(1, 1, 10, 8)},
        {"diagonal", gDiagLeft, 0x0000FF, 0xFF0000, 5, 0x0000FF, Rect(0, 0, 11, 9)},
        {"corner", gTopRightBottomLeft, 0x0000FF, 0xFF0000, 5, 0x0000FF, Rect(0, 0, 11, 9)},
    };
    for (const TCase& c : cases) {
        const auto face = Face(11, 9, false, c.Type, c.From, c.To, c.Bands);
        for (int y = 0; y < 9; ++y)
            for (int x = 0; x < 11; ++x) {
                const bool covered =
                    x >= c.Covered.Left && x < c.Covered.Right && y >= c.Covered.Top && y < c.Covered.Bottom;
                ASSERT_EQ(Pixel(face.get(), x, y), covered ? c.Expected : COLORREF(Marker))
                    << c.What << " at " << x << "," << y;
            }
    }
    // The system face colour starts a real gradient, not one from near black.
    const auto face = Face(11, 9, false, gVert, clBtnFace, clWhite, 1);
    EXPECT_EQ(Pixel(face.get(), 0, 0), 0xC0C0C0u);
    EXPECT_EQ(Pixel(face.get(), 0, 7), 0xFFFFFFu);
}

std::unique_ptr<TBitmap> Strip(int slots, int w, int h) {
    const TColor colours[] = {0x0000FF, 0x00FF00, 0xFF0000, 0x00FFFF};
    auto b = std::make_unique<TBitmap>();
    b->SetPixelFormat(pf24bit);
    b->SetSize(slots * w, h);
    for (int s = 0; s < slots; ++s) {
        b->Canvas()->Brush()->SetColor(colours[s]);
        b->Canvas()->FillRect(Rect(s * w, 0, (s + 1) * w, h));
    }
    return b;
}

TEST(SplitBitmap, SlotsByNumberOfGlyphs) {
    // Expected slot (1-based) of up, down, disabled, hot; 0: embossed.
    struct TCase {
        int NumGlyphs;
        int Up, Down, Disabled, Hot;
    };
    const TColor colours[] = {0x0000FF, 0x00FF00, 0xFF0000, 0x00FFFF};
    for (const TCase& c :
         std::vector<TCase>{{1, 1, 1, 0, 1}, {2, 1, 1, 2, 1}, {3, 1, 3, 2, 1}, {4, 1, 3, 2, 4}}) {
        const auto strip = Strip(c.NumGlyphs, 5, 3);
        TBitmap up, down, disabled, hot;
        SplitBitmap(strip.get(), c.NumGlyphs, 0x808000, {&up, &down, &disabled, &hot});
        const std::pair<TBitmap*, int> expect[] = {
            {&up, c.Up}, {&down, c.Down}, {&disabled, c.Disabled}, {&hot, c.Hot}};
        for (const auto& [image, slot] : expect) {
            ASSERT_EQ(image->Width(), 5) << c.NumGlyphs;
            ASSERT_EQ(image->Height(), 3);
            if (slot == 0) continue;
            for (int y = 0; y < 3; ++y)
                for (int x = 0; x < 5; ++x)
                    EXPECT_EQ(Pixel(image, x, y), COLORREF(colours[slot - 1]))
                        << c.NumGlyphs << " slot " << slot;
        }
    }
    TBitmap empty, up, down, disabled;
    up.SetSize(3, 3);
    SplitBitmap(&empty, 2, 0, {&up, &down, &disabled});
    EXPECT_TRUE(up.Empty());
}

TEST(SplitBitmap, OneSlotEmbossesTheDisabledImage) {
    // A 4 x 4 white glyph with a black 2 x 2 block: the block in shadow, the highlight one pixel
    // down and right where the shadow leaves it, the face elsewhere.
    TBitmap glyph;
    glyph.SetPixelFormat(pf24bit);
    glyph.SetSize(4, 4);
    glyph.Canvas()->Brush()->SetColor(clWhite);
    glyph.Canvas()->FillRect(Rect(0, 0, 4, 4));
    glyph.Canvas()->Brush()->SetColor(clBlack);
    glyph.Canvas()->FillRect(Rect(1, 1, 3, 3));
    TBitmap up, down, disabled;
    SplitBitmap(&glyph, 1, 0x808000, {&up, &down, &disabled});
    const std::vector<COLORREF> colours{0x808000, 0x808080, 0xFFFFFF};
    EXPECT_EQ(Map(&disabled, colours), (std::vector<std::string>{
                                           "0000",
                                           "0110",
                                           "0112",
                                           "0022",
                                       }));
}

TEST(FillIcons, EmptyIconsTakeTheOthers) {
    // Which icons are given (E, D, W for enabled, disabled, down) and where each one then comes
    // from.
    struct TCase {
        const char* Given;
        const char* Result; // source of enabled, disabled, down
    };
    const std::vector<TCase> cases = {
        {"E", "EEE"},  {"D", "DDD"},  {"W", "WWW"},   {"ED", "EDE"},
        {"EW", "EEW"}, {"DW", "DDW"}, {"EDW", "EDW"}, {"", "   "},
    };
    for (const TCase& c : cases) {
        TIcon icons[3];
        const std::string names = "EDW";
        for (int i = 0; i < 3; ++i)
            if (std::string(c.Given).find(names[i]) != std::string::npos) {
                HICON h = SolidIcon(4, 4, static_cast<COLORREF>(0x10 * (i + 1)));
                icons[i].SetHandle(h);
            }
        FillIcons(&icons[0], &icons[1], &icons[2]);
        for (int i = 0; i < 3; ++i) {
            const char from = c.Result[i];
            if (from == ' ') {
                EXPECT_TRUE(icons[i].Empty()) << c.Given;
                continue;
            }
            ASSERT_FALSE(icons[i].Empty()) << c.Given << " " << i;
            TBitmap b;
            b.SetPixelFormat(pf24bit);
            b.SetSize(4, 4);
            DrawIcon(b.Canvas()->Handle(), 0, 0, icons[i].Handle());
            EXPECT_EQ(Pixel(&b, 1, 1), static_cast<COLORREF>(0x10 * (names.find(from) + 1)))
                << c.Given << " " << i;
        }
    }
}

TEST(CaptionFlags, OneMapping) {
    EXPECT_EQ(CaptionFlags(taCenter, vbha_Center, false, false), DT_VCENTER | DT_SINGLELINE | DT_CENTER);
    EXPECT_EQ(CaptionFlags(taLeftJustify, vbha_Top, true, false), DT_TOP | DT_LEFT);
    EXPECT_EQ(CaptionFlags(taRightJustify, vbha_Bottom, true, true), DT_BOTTOM | DT_WORDBREAK | DT_RIGHT);
}

} // namespace
