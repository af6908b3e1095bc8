#include "support/GdiTest.h"

#include "platform/gdi/FaceChar.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

namespace {

class Text : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string missing = PrepareText();
        ASSERT_EQ(missing, "") << "text tests need the DejaVu fonts (package fonts-dejavu-core): " << missing;
    }

    // Selects a font into dc for the rest of the test (the DC's lifetime).
    void Use(HDC dc, HFONT font) {
        fonts_.push_back(font);
        SelectObject(dc, font);
    }
    void TearDown() override {
        for (HFONT f : fonts_) DeleteObject(f);
    }

    static SIZE Extent(HDC dc, const char* text) {
        SIZE size{};
        EXPECT_TRUE(GetTextExtentPoint32(dc, text, -1, &size));
        return size;
    }
    static TEXTMETRIC Metrics(HDC dc) {
        TEXTMETRIC tm;
        EXPECT_TRUE(GetTextMetrics(dc, &tm));
        return tm;
    }

    std::vector<HFONT> fonts_;
};

TEST_F(Text, FacesMapToDejaVu) {
    const struct {
        const char* face;
        const char* family;
    } cases[] = {{"MS Sans Serif", "DejaVu Sans"},    {"Arial", "DejaVu Sans"},
                 {"Tahoma", "DejaVu Sans"},           {"Verdana", "DejaVu Sans"},
                 {"System", "DejaVu Sans"},           {"Small Fonts", "DejaVu Sans"},
                 {"Courier New", "DejaVu Sans Mono"}, {"courier", "DejaVu Sans Mono"},
                 {"Terminal", "DejaVu Sans Mono"},    {"Fixedsys", "DejaVu Sans Mono"},
                 {"Times New Roman", "DejaVu Serif"}, {"MS Serif", "DejaVu Serif"},
                 {"Wingdings", "DejaVu Sans"}};
    for (const auto& c : cases) EXPECT_EQ(GdiSubstituteFace(c.face), c.family) << c.face;
    EXPECT_TRUE(GdiTextAvailable(nullptr));
}

TEST_F(Text, HeightsFollowTheOriginalsSigns) {
    TestDc dc(4, 4);
    Use(dc, MakeFont("MS Sans Serif", -11));
    const TEXTMETRIC character = Metrics(dc);
    EXPECT_EQ(character.tmHeight, character.tmAscent + character.tmDescent);
    EXPECT_EQ(character.tmHeight - character.tmInternalLeading, 11);
    Use(dc, MakeFont("Arial", 20));
    EXPECT_EQ(Metrics(dc).tmHeight, 20); // a positive height is the cell
    // Size 8 at 96 dpi is -MulDiv(8, 96, 72) = -11.
    EXPECT_EQ(-MulDiv(8, 96, 72), -11);
    Use(dc, MakeFont("Arial", -MulDiv(12, 96, 72)));
    EXPECT_GT(Metrics(dc).tmHeight, character.tmHeight);
}

TEST_F(Text, PitchAndTrueTypeBits) {
    TestDc dc(4, 4);
    Use(dc, MakeFont("MS Sans Serif", -11));
    EXPECT_EQ(Metrics(dc).tmPitchAndFamily & TMPF_TRUETYPE, 0) << "a bitmap face of the original";
    EXPECT_NE(Metrics(dc).tmPitchAndFamily & TMPF_FIXED_PITCH, 0) << "set means variable pitch";
    Use(dc, MakeFont("Arial", -11));
    EXPECT_NE(Metrics(dc).tmPitchAndFamily & TMPF_TRUETYPE, 0);
    Use(dc, MakeFont("Courier New", -12));
    EXPECT_EQ(Metrics(dc).tmPitchAndFamily & TMPF_FIXED_PITCH, 0);
    EXPECT_EQ(Extent(dc, "iiii").cx, Extent(dc, "WWWW").cx);
    EXPECT_EQ(Metrics(dc).tmAveCharWidth, Extent(dc, "i").cx);
    char face[LF_FACESIZE];
    EXPECT_EQ(GetTextFace(dc, sizeof face, face), 11);
    EXPECT_STREQ(face, "Courier New");
}

TEST_F(Text, ExtentsAddUpWithCharacterExtra) {
    TestDc dc(4, 4);
    Use(dc, MakeFont("Arial", -13));
    const SIZE ab = Extent(dc, "ab"), a = Extent(dc, "a"), b = Extent(dc, "b");
    EXPECT_EQ(ab.cx, a.cx + b.cx);
    EXPECT_EQ(ab.cy, Metrics(dc).tmHeight);
    EXPECT_EQ(Extent(dc, "").cx, 0);
    EXPECT_GT(Extent(dc, "W").cx, Extent(dc, "i").cx);
    SetTextCharacterExtra(dc, 2);
    EXPECT_EQ(Extent(dc, "ab").cx, ab.cx + 4);
    EXPECT_EQ(GetTextCharacterExtra(dc), 2);
    SetTextCharacterExtra(dc, 0);
    SIZE counted{};
    GetTextExtentPoint32(dc, "Hello", 2, &counted);
    EXPECT_EQ(counted.cx, Extent(dc, "He").cx);
}

TEST_F(Text, OpaqueCellIsExactlyTheExtent) {
    TestDc dc(120, 60);
    Use(dc, MakeFont("Arial", -16));
    SetTextColor(dc, kRed);
    SetBkColor(dc, kRed);
    TextOut(dc, 10, 20, "Hello", 5);
    const SIZE s = Extent(dc, "Hello");
    EXPECT_EQ(dc.InkBox(kWhite), (RECT{10, 20, 10 + s.cx, 20 + s.cy}));
}

TEST_F(Text, GlyphsStayInsideTheCellForEachAlignment) {
    const struct {
        UINT align;
        int dx, dy; // cell origin relative to the reference point, in cell widths and heights
    } cases[] = {{TA_LEFT | TA_TOP, 0, 0},
                 {TA_RIGHT | TA_TOP, -2, 0},
                 {TA_CENTER | TA_TOP, -1, 0},
                 {TA_LEFT | TA_BOTTOM, 0, -2},
                 {TA_LEFT | TA_BASELINE, 0, -1}};
    for (const auto& c : cases) {
        TestDc dc(160, 80);
        Use(dc, MakeFont("Arial", -16));
        SetBkColor(dc, kRed);
        SetTextAlign(dc, c.align);
        TextOut(dc, 80, 40, "Hamburg", -1);
        const SIZE s = Extent(dc, "Hamburg");
        const TEXTMETRIC tm = Metrics(dc);
        const int left = 80 + (c.dx == 0 ? 0 : c.dx == -1 ? -s.cx / 2 : -s.cx);
        const int top = 40 + (c.dy == 0 ? 0 : c.dy == -1 ? -tm.tmAscent : -tm.tmHeight);
        EXPECT_EQ(dc.InkBox(kWhite), (RECT{left, top, left + s.cx, top + s.cy})) << c.align;
        // Glyph pixels are black and inside the cell.
        int ink = 0;
        for (int y = 0; y < 80; ++y)
            for (int x = 0; x < 160; ++x)
                if (dc.At(x, y) == kBlack) {
                    ++ink;
                    ASSERT_TRUE(x >= left && x < left + s.cx && y >= top && y < top + s.cy) << c.align;
                }
        EXPECT_GT(ink, 30);
    }
}

TEST_F(Text, TransparentModeLeavesTheBackground) {
    TestDc dc(100, 40);
    Use(dc, MakeFont("Arial", -16));
    SetBkMode(dc, TRANSPARENT);
    SetBkColor(dc, kRed);
    TextOut(dc, 5, 5, "Hi", 2);
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 100; ++x) ASSERT_NE(dc.At(x, y), kRed);
    EXPECT_NE(dc.InkBox(kWhite), RECT{});
}

TEST_F(Text, UpdateCurrentPositionMovesAlongTheText) {
    TestDc dc(100, 40);
    Use(dc, MakeFont("Arial", -16));
    SetTextAlign(dc, TA_UPDATECP);
    MoveToEx(dc, 3, 4, nullptr);
    TextOut(dc, 50, 50, "ab", 2);
    POINT p;
    GetCurrentPositionEx(dc, &p);
    EXPECT_EQ(p.x, 3 + Extent(dc, "ab").cx);
    EXPECT_EQ(p.y, 4);
}

TEST_F(Text, RotatedCellsByQuarterTurns) {
    const struct {
        int escapement;
        int l, t, r, b; // in multiples of: 0 none, 1 cell height H, 2 extent W
    } cases[] = {{900, 0, -2, 1, 0}, {1800, -2, -1, 0, 0}, {2700, -1, 0, 0, 2}};
    for (const auto& c : cases) {
        TestDc dc(200, 200);
        Use(dc, MakeFont("Arial", -16, FW_NORMAL, c.escapement));
        SetTextColor(dc, kRed);
        SetBkColor(dc, kRed);
        TextOut(dc, 100, 100, "Rotate", -1);
        const SIZE s = Extent(dc, "Rotate");
        auto at = [&s](int k) {
            return k == 0 ? 0 : std::abs(k) == 1 ? (k > 0 ? s.cy : -s.cy) : (k > 0 ? s.cx : -s.cx);
        };
        EXPECT_EQ(dc.InkBox(kWhite), (RECT{100 + at(c.l), 100 + at(c.t), 100 + at(c.r), 100 + at(c.b)}))
            << c.escapement;
    }
}

TEST_F(Text, GlyphsTurnWithTheEscapement) {
    TestDc flat(100, 100), turned(100, 100);
    Use(flat, MakeFont("Arial", -16));
    Use(turned, MakeFont("Arial", -16, FW_NORMAL, 900));
    SetBkMode(flat, TRANSPARENT);
    SetBkMode(turned, TRANSPARENT);
    TextOut(flat, 20, 20, "Long text", -1);
    TextOut(turned, 20, 80, "Long text", -1);
    const RECT a = flat.InkBox(kWhite), b = turned.InkBox(kWhite);
    EXPECT_EQ(a.right - a.left, b.bottom - b.top);
    EXPECT_EQ(a.bottom - a.top, b.right - b.left);
    // The bitmap faces of the original could not turn.
    TestDc raster(100, 100);
    Use(raster, MakeFont("MS Sans Serif", -16, FW_NORMAL, 900));
    SetBkColor(raster, kRed);
    TextOut(raster, 10, 10, "Flat", -1);
    const RECT c = raster.InkBox(kWhite);
    EXPECT_GT(c.right - c.left, c.bottom - c.top);
    // Asked for outline faces only, the bitmap face gives way to one that turns.
    TestDc only(100, 100);
    LOGFONT lf;
    lf.lfHeight = -16;
    lf.lfEscapement = 900;
    lf.lfOutPrecision = OUT_TT_ONLY_PRECIS;
    std::strcpy(lf.lfFaceName, "MS Sans Serif");
    Use(only, CreateFontIndirect(&lf));
    TEXTMETRIC tm;
    ASSERT_TRUE(GetTextMetrics(only, &tm));
    EXPECT_TRUE(tm.tmPitchAndFamily & TMPF_TRUETYPE);
    SetBkMode(only, TRANSPARENT);
    TextOut(only, 20, 80, "Long text", -1);
    const RECT d = only.InkBox(kWhite);
    EXPECT_EQ(d.bottom - d.top, a.right - a.left);
}

TEST_F(Text, StylesKeepTheCell) {
    TestDc dc(4, 4);
    Use(dc, MakeFont("Arial", -16));
    const SIZE plain = Extent(dc, "Styled");
    Use(dc, MakeFont("Arial", -16, FW_NORMAL, 0, true));
    EXPECT_EQ(Extent(dc, "Styled").cx, plain.cx) << "the slanted face keeps the upright advances";
    EXPECT_EQ(Metrics(dc).tmItalic, 1);
    Use(dc, MakeFont("Arial", -16, FW_BOLD));
    EXPECT_GT(Extent(dc, "Styled").cx, plain.cx);
    EXPECT_EQ(Metrics(dc).tmWeight, FW_BOLD);

    // The underline lies below the baseline, inside the cell.
    TestDc a(100, 40), b(100, 40);
    Use(a, MakeFont("Arial", -16));
    Use(b, MakeFont("Arial", -16, FW_NORMAL, 0, false, true));
    SetBkMode(a, TRANSPARENT);
    SetBkMode(b, TRANSPARENT);
    TextOut(a, 0, 0, "ace", 3);
    TextOut(b, 0, 0, "ace", 3);
    const TEXTMETRIC tm = Metrics(b);
    EXPECT_LE(a.InkBox(kWhite).bottom, tm.tmAscent);
    EXPECT_GT(b.InkBox(kWhite).bottom, tm.tmAscent);
    EXPECT_LE(b.InkBox(kWhite).bottom, tm.tmHeight);
}

TEST_F(Text, ExtTextOutOpaqueRectangleAndClipping) {
    TestDc dc(100, 40);
    Use(dc, MakeFont("Arial", -16));
    SetBkColor(dc, kRed);
    SetBkMode(dc, TRANSPARENT);
    const RECT r{5, 5, 30, 30};
    ExtTextOut(dc, 10, 10, ETO_OPAQUE | ETO_CLIPPED, &r, "Clipped text", 12, nullptr);
    EXPECT_EQ(dc.InkBox(kWhite), r);
    EXPECT_EQ(dc.At(29, 29), kRed);
    // Own advances.
    TestDc spaced(100, 40);
    Use(spaced, MakeFont("Arial", -16));
    SetBkColor(spaced, kRed);
    SetTextColor(spaced, kRed);
    const int dx[3] = {10, 10, 10};
    ExtTextOut(spaced, 0, 0, 0, nullptr, "abc", 3, dx);
    EXPECT_EQ(spaced.InkBox(kWhite), (RECT{0, 0, 30, Metrics(spaced).tmHeight}));
}

int CalcRect(HDC dc, const char* text, UINT format, RECT& r) {
    return DrawText(dc, text, -1, &r, format | DT_CALCRECT);
}

TEST_F(Text, DrawTextMeasuresOneLine) {
    TestDc dc(4, 4);
    Use(dc, MakeFont("MS Sans Serif", -11));
    const int h = Metrics(dc).tmHeight;
    RECT r{3, 4, 5, 5};
    EXPECT_EQ(CalcRect(dc, "Caption", DT_SINGLELINE, r), h);
    EXPECT_EQ(r, (RECT{3, 4, 3 + Extent(dc, "Caption").cx, 4 + h}));
    r = RECT{};
    EXPECT_EQ(CalcRect(dc, "", DT_SINGLELINE, r), 0);
    EXPECT_EQ(r, RECT{});
}

TEST_F(Text, DrawTextPrefixes) {
    TestDc dc(4, 4);
    Use(dc, MakeFont("MS Sans Serif", -11));
    const struct {
        const char* text;
        UINT format;
        const char* measuredAs;
    } cases[] = {{"&File", 0, "File"}, {"A&&B", 0, "A&B"},
                 {"File&", 0, "File"}, {"&File", DT_NOPREFIX, "&File"},
                 {"&&&x", 0, "&x"},    {"&File", DT_HIDEPREFIX, "File"}};
    for (const auto& c : cases) {
        RECT r{};
        CalcRect(dc, c.text, DT_SINGLELINE | c.format, r);
        EXPECT_EQ(r.right, Extent(dc, c.measuredAs).cx) << c.text;
    }
}

TEST_F(Text, PrefixUnderlinesItsCharacterBelowTheBaseline) {
    TestDc plain(80, 30), marked(80, 30), hidden(80, 30);
    for (TestDc* dc : {&plain, &marked, &hidden}) {
        Use(*dc, MakeFont("MS Sans Serif", -11));
        SetBkMode(*dc, TRANSPARENT);
    }
    RECT r{0, 0, 80, 30};
    DrawText(plain, "xab", -1, &r, DT_SINGLELINE | DT_NOPREFIX);
    DrawText(marked, "x&ab", -1, &r, DT_SINGLELINE);
    DrawText(hidden, "x&ab", -1, &r, DT_SINGLELINE | DT_HIDEPREFIX);
    EXPECT_EQ(hidden.Picture(BasicLegend()), plain.Picture(BasicLegend()));
    const int from = Extent(plain, "x").cx, to = Extent(plain, "xa").cx;
    const int ascent = Metrics(plain).tmAscent;
    int changed = 0, row = -1;
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 80; ++x)
            if (plain.At(x, y) != marked.At(x, y)) {
                ++changed;
                EXPECT_TRUE(x >= from && x < to) << x;
                EXPECT_GE(y, ascent);
                if (row < 0) row = y;
                EXPECT_EQ(y, row);
            }
    EXPECT_GT(changed, 0);
    // DT_PREFIXONLY draws the underline alone.
    TestDc only(80, 30);
    Use(only, MakeFont("MS Sans Serif", -11));
    DrawText(only, "x&ab", -1, &r, DT_SINGLELINE | DT_PREFIXONLY);
    const RECT line = only.InkBox(kWhite);
    EXPECT_EQ(line.left, from);
    EXPECT_EQ(line.right, to);
    EXPECT_EQ(line.bottom - line.top, 1);
}

TEST_F(Text, WordBreakLines) {
    TestDc dc(4, 4);
    Use(dc, MakeFont("Arial", -13));
    const int h = Metrics(dc).tmHeight;
    const int width = Extent(dc, "one two").cx;
    ASSERT_GT(Extent(dc, "one two three").cx, width);
    ASSERT_GT(Extent(dc, "three four").cx, width);
    RECT r{0, 0, width, 0};
    EXPECT_EQ(CalcRect(dc, "one two three four", DT_WORDBREAK, r), 3 * h); // "one two", "three", "four"
    EXPECT_EQ(r.right, width);
    EXPECT_EQ(r.bottom, 3 * h);
    // A word wider than the rectangle keeps its line and widens the measured rectangle.
    r = RECT{0, 0, 5, 0};
    EXPECT_EQ(CalcRect(dc, "Unbreakable", DT_WORDBREAK, r), h);
    EXPECT_EQ(r.right, Extent(dc, "Unbreakable").cx);
    // Line ends break lines unless single-line.
    r = RECT{0, 0, 500, 0};
    EXPECT_EQ(CalcRect(dc, "a\r\nbb\ncc\rd", 0, r), 4 * h);
    EXPECT_EQ(r.right, Extent(dc, "bb").cx);
    r = RECT{0, 0, 500, 0};
    EXPECT_EQ(CalcRect(dc, "a\r\nb", DT_SINGLELINE, r), h);
    r = RECT{0, 0, 500, 0};
    EXPECT_EQ(CalcRect(dc, "a\n", 0, r), 2 * h);
    // Blanks at a break are dropped, a lone blank is measured (labels measure " " for no text).
    r = RECT{0, 0, width, 0};
    CalcRect(dc, "one two    three", DT_WORDBREAK, r);
    EXPECT_EQ(r.right, width);
    r = RECT{0, 0, 0, 0};
    EXPECT_EQ(CalcRect(dc, " ", DT_WORDBREAK | DT_EXPANDTABS, r), h);
    EXPECT_EQ(r.right, Extent(dc, " ").cx);
}

TEST_F(Text, EndEllipsisFits) {
    TestDc dc(200, 30);
    Use(dc, MakeFont("Arial", -13));
    const int width = Extent(dc, "abcdefgh").cx;
    RECT r{0, 0, width, 30};
    CalcRect(dc, "abcdefghijklmnopqrstuvwxyz", DT_SINGLELINE | DT_END_ELLIPSIS, r);
    EXPECT_LE(r.right, width);
    EXPECT_GT(r.right, Extent(dc, "...").cx);
    r = RECT{0, 0, width, 30};
    CalcRect(dc, "abc", DT_SINGLELINE | DT_END_ELLIPSIS, r);
    EXPECT_EQ(r.right, Extent(dc, "abc").cx);
    SetBkColor(dc, kRed);
    r = RECT{0, 0, width, 30};
    DrawText(dc, "abcdefghijklmnopqrstuvwxyz", -1, &r, DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOCLIP);
    EXPECT_LE(dc.InkBox(kWhite).right, width);
}

TEST_F(Text, TabsExpandToEightAverageCharacters) {
    TestDc dc(4, 4);
    Use(dc, MakeFont("Arial", -13));
    const int stop = 8 * Metrics(dc).tmAveCharWidth;
    RECT r{};
    CalcRect(dc, "a\tb", DT_SINGLELINE | DT_EXPANDTABS, r);
    EXPECT_EQ(r.right, stop + Extent(dc, "b").cx);
    DRAWTEXTPARAMS params;
    params.iTabLength = 4;
    r = RECT{};
    DrawTextEx(dc, "a\tb", -1, &r, DT_SINGLELINE | DT_EXPANDTABS | DT_CALCRECT, &params);
    EXPECT_EQ(r.right, 4 * Metrics(dc).tmAveCharWidth + Extent(dc, "b").cx);
    // DT_TABSTOP takes its length from bits 8 to 15, which then carry no other flag: here 4 << 8
    // would otherwise read as DT_CALCRECT, so the text is drawn.
    TestDc drawn(200, 30);
    Use(drawn, MakeFont("Arial", -13));
    SetBkColor(drawn, kRed);
    SetTextColor(drawn, kRed);
    r = RECT{0, 0, 200, 30};
    DrawText(drawn, "a\tb", -1, &r, DT_SINGLELINE | DT_EXPANDTABS | DT_TABSTOP | (4 << 8));
    EXPECT_EQ(drawn.InkBox(kWhite).right, 4 * Metrics(drawn).tmAveCharWidth + Extent(drawn, "b").cx);
}

TEST_F(Text, DrawTextAlignment) {
    const struct {
        UINT format;
        int hx, vy; // 0 start, 1 centre, 2 end
        bool offsetResult;
    } cases[] = {{DT_SINGLELINE, 0, 0, false},
                 {DT_SINGLELINE | DT_CENTER, 1, 0, false},
                 {DT_SINGLELINE | DT_RIGHT, 2, 0, false},
                 {DT_SINGLELINE | DT_VCENTER, 0, 1, true},
                 {DT_SINGLELINE | DT_BOTTOM | DT_RIGHT, 2, 2, true},
                 {DT_VCENTER, 0, 0, false}}; // vertical placement needs single-line
    for (const auto& c : cases) {
        TestDc dc(120, 50);
        Use(dc, MakeFont("Arial", -13));
        SetBkColor(dc, kRed);
        SetTextColor(dc, kRed);
        RECT r{10, 5, 110, 45};
        const int result = DrawText(dc, "Label", -1, &r, c.format);
        const SIZE s = Extent(dc, "Label");
        const int left = c.hx == 0 ? 10 : c.hx == 1 ? 10 + (100 - s.cx) / 2 : 110 - s.cx;
        const int top = c.vy == 0 ? 5 : c.vy == 1 ? 5 + (40 - s.cy) / 2 : 45 - s.cy;
        EXPECT_EQ(dc.InkBox(kWhite), (RECT{left, top, left + s.cx, top + s.cy})) << c.format;
        EXPECT_EQ(result, c.offsetResult ? top + s.cy - 5 : s.cy) << c.format;
    }
}

TEST_F(Text, DrawTextClipsToItsRectangleUnlessTold) {
    TestDc clipped(100, 30), free(100, 30);
    for (TestDc* dc : {&clipped, &free}) {
        Use(*dc, MakeFont("Arial", -13));
        SetBkColor(*dc, kRed);
    }
    RECT r{0, 0, 20, 30};
    DrawText(clipped, "A long caption", -1, &r, DT_SINGLELINE);
    DrawText(free, "A long caption", -1, &r, DT_SINGLELINE | DT_NOCLIP);
    EXPECT_EQ(clipped.InkBox(kWhite).right, 20);
    EXPECT_EQ(free.InkBox(kWhite).right, Extent(free, "A long caption").cx);
}

TEST_F(Text, MarginsOfDrawTextEx) {
    TestDc dc(4, 4);
    Use(dc, MakeFont("Arial", -13));
    DRAWTEXTPARAMS params;
    params.iLeftMargin = 3;
    params.iRightMargin = 4;
    RECT r{10, 0, 10, 0};
    DrawTextEx(dc, "abc", 3, &r, DT_SINGLELINE | DT_CALCRECT, &params);
    EXPECT_EQ(r.right, 10 + 3 + Extent(dc, "abc").cx + 4);
    EXPECT_EQ(params.uiLengthDrawn, 3u);
}

TEST_F(Text, RefusesWhatItCannotDraw) {
    TestDc dc(4, 4);
    SIZE s;
    EXPECT_FALSE(GetTextExtentPoint32(dc, nullptr, 3, &s));
    EXPECT_FALSE(TextOut(nullptr, 0, 0, "x", 1));
    RECT r{};
    EXPECT_EQ(DrawText(dc, "x", 1, nullptr, 0), 0);
    EXPECT_EQ(DrawText(dc, nullptr, 1, &r, 0), 0);
}

} // namespace

namespace {

// The ink of one byte drawn at the top-left of a fresh DC.
RECT InkOf(const char* face, unsigned char byte, TEXTMETRIC* tm = nullptr) {
    TestDc dc(40, 40);
    HFONT font = MakeFont(face, -12);
    HGDIOBJ old = SelectObject(dc, font);
    const char text[2] = {static_cast<char>(byte), 0};
    TextOut(dc, 0, 0, text, 1);
    if (tm) GetTextMetrics(dc, tm);
    SelectObject(dc, old);
    DeleteObject(font);
    return dc.InkBox(kWhite);
}

} // namespace

TEST_F(Text, TerminalFaceDrawsTheUpperBytesAsTheOemSetDoes) {
    TEXTMETRIC tm;
    const RECT horizontal = InkOf("Terminal", 0xC4, &tm);
    const RECT vertical = InkOf("Terminal", 0xB3);
    const RECT block = InkOf("Terminal", 0xDB);
    EXPECT_EQ(tm.tmCharSet, OEM_CHARSET);
    // A line across the whole cell, a line down the whole cell, a block over it.
    EXPECT_EQ(horizontal.left, 0);
    EXPECT_EQ(horizontal.right, tm.tmAveCharWidth);
    EXPECT_LE(horizontal.bottom - horizontal.top, 2);
    EXPECT_LE(vertical.right - vertical.left, 2);
    EXPECT_GE(vertical.bottom - vertical.top, tm.tmHeight - 1);
    EXPECT_EQ(block.right - block.left, tm.tmAveCharWidth);
    EXPECT_GE(block.bottom - block.top, tm.tmHeight - 1);
    // Other faces keep Windows-1252: 0xC4 is a capital A with diaeresis there, not a line.
    const RECT letter = InkOf("Courier New", 0xC4);
    EXPECT_GT(letter.bottom - letter.top, 4);
}

namespace {

// One byte drawn in a fresh DC, as rows of pixels.
std::vector<std::string> GlyphOf(const char* face, unsigned char byte) {
    TestDc dc(20, 24);
    HFONT font = MakeFont(face, -12);
    HGDIOBJ old = SelectObject(dc, font);
    const char text[2] = {static_cast<char>(byte), 0};
    TextOut(dc, 0, 0, text, 1);
    SelectObject(dc, old);
    DeleteObject(font);
    return dc.Picture(BasicLegend());
}

int Ink(const std::vector<std::string>& picture) {
    int n = 0;
    for (const std::string& row : picture) n += static_cast<int>(std::count(row.begin(), row.end(), '#'));
    return n;
}

} // namespace

TEST_F(Text, TerminalFaceDrawsTheOemPictographsForControlBytes) {
    const struct {
        const char* face;
        unsigned char byte;
        char16_t shown;
    } cases[] = {{"Terminal", 0x01, u'☺'}, {"Terminal", 0x04, u'♦'},    {"Terminal", 0x10, u'►'},
                 {"Terminal", 0x17, u'↨'}, {"Terminal", 0x1B, u'←'},    {"Terminal", 0x1F, u'▼'},
                 {"terminal", 0x7F, u'⌂'}, {"Terminal", 0x9C, u'£'},    {"Terminal", 0xA3, u'ú'},
                 {"Terminal", 'A', u'A'},  {"Courier New", 0x04, 0x04}, {"Courier New", 0x80, u'€'},
                 {"Arial", 0xA3, u'£'},    {"Courier New", 0x7F, 0x7F}};
    for (const auto& c : cases)
        EXPECT_EQ(static_cast<int>(GdiFaceChar(c.face, c.byte)), static_cast<int>(c.shown))
            << c.face << " " << static_cast<int>(c.byte);

    // A control byte in a face without pictographs draws the missing-glyph box; the "Terminal"
    // face draws something else for every one of them, and each of its own.
    const std::vector<std::string> missing = GlyphOf("Courier New", 0x01);
    ASSERT_NE(Ink(missing), 0);
    std::vector<std::vector<std::string>> seen;
    for (int byte = 0x01; byte <= 0x7F; byte = byte == 0x1F ? 0x7F : byte + 1) {
        const std::vector<std::string> glyph = GlyphOf("Terminal", static_cast<unsigned char>(byte));
        EXPECT_NE(glyph, missing) << "byte " << byte << " draws the missing-glyph box";
        EXPECT_NE(Ink(glyph), 0) << "byte " << byte;
        for (const auto& other : seen) EXPECT_NE(glyph, other) << "byte " << byte << " looks like another";
        seen.push_back(glyph);
    }
}
