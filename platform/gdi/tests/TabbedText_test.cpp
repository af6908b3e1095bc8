// Text with tab stops: where the stops fall for none, one and several positions, the size packed
// into one value, and the cells and glyphs TabbedTextOutA puts on the pixels.
#include "support/GdiTest.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class TabbedText : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string missing = PrepareText();
        ASSERT_EQ(missing, "") << "text tests need the DejaVu fonts (package fonts-dejavu-core): " << missing;
        font_ = MakeFont("Arial", -13);
    }
    void TearDown() override { DeleteObject(font_); }

    int Width(HDC dc, const std::string& text) {
        SIZE s{};
        EXPECT_TRUE(GetTextExtentPoint32(dc, text.c_str(), static_cast<int>(text.size()), &s));
        return s.cx;
    }
    SIZE Tabbed(HDC dc, const std::string& text, const std::vector<int>& stops) {
        SIZE s{};
        EXPECT_TRUE(GetTabbedTextExtentPoint(dc, text.c_str(), static_cast<int>(text.size()),
                                             static_cast<int>(stops.size()),
                                             stops.empty() ? nullptr : stops.data(), &s));
        return s;
    }

    HFONT font_ = nullptr;
};

TEST_F(TabbedText, StopsForNoneOneAndSeveralPositions) {
    TestDc dc(4, 4);
    SelectObject(dc, font_);
    TEXTMETRIC tm;
    ASSERT_TRUE(GetTextMetrics(dc, &tm));
    const int every8 = 8 * tm.tmAveCharWidth;
    const int b = Width(dc, "b"), c = Width(dc, "c");
    const std::string wide(4, 'm'); // between 40 and 80 pixels wide
    ASSERT_GT(Width(dc, wide), 40);
    ASSERT_LT(Width(dc, wide), 80);

    const struct {
        std::string text;
        std::vector<int> stops;
        int width;
    } cases[] = {
        {"a\tb", {}, every8 + b},
        {"", {}, 0},
        {"abc", {40}, Width(dc, "abc")},
        {"a\tb", {40}, 40 + b},
        {wide + "\tb", {40}, 80 + b},
        {"\t\tb", {40}, 80 + b},
        {"a\tb\tc", {40, 100}, 100 + c},
        {wide + "\tb", {40, 100}, 100 + b},
        // Past the last position the stops fall every 8 average characters from the origin.
        {"a\tb\tc\tb", {40, 100}, ((100 + c) / every8 + 1) * every8 + b},
        // A negative position counts as its absolute value.
        {"a\tb", {-40}, 40 + b},
        {"a\tb\tc", {40, -100}, 100 + c},
    };
    for (const auto& k : cases) {
        const SIZE s = Tabbed(dc, k.text, k.stops);
        EXPECT_EQ(s.cx, k.width) << k.text << " / " << k.stops.size();
        EXPECT_EQ(s.cy, tm.tmHeight) << k.text;
        const DWORD packed = GetTabbedTextExtentA(dc, k.text.c_str(), static_cast<int>(k.text.size()),
                                                  static_cast<int>(k.stops.size()), k.stops.data());
        EXPECT_EQ(LOWORD(packed), k.width) << k.text;
        EXPECT_EQ(HIWORD(packed), tm.tmHeight) << k.text;
    }
}

TEST_F(TabbedText, AnyNumberOfPositionsAndWidthsBeyondSixteenBits) {
    TestDc dc(4, 4);
    SelectObject(dc, font_);
    std::vector<int> stops;
    for (int i = 1; i <= 1000; ++i) stops.push_back(i * 100);
    const std::string text = std::string(999, '\t') + "b";
    const int b = Width(dc, "b");
    EXPECT_EQ(Tabbed(dc, text, stops).cx, 99900 + b);
    // The packed answer keeps the low 16 bits of the width, as the original's does.
    const DWORD packed =
        GetTabbedTextExtentA(dc, text.c_str(), -1, static_cast<int>(stops.size()), stops.data());
    EXPECT_EQ(LOWORD(packed), static_cast<WORD>(99900 + b));
    const int one = 70000;
    EXPECT_EQ(Tabbed(dc, "\tb", {one}).cx, 70000 + b);
}

TEST_F(TabbedText, OutputCellRunsFromTheStartToTheLastCharacter) {
    TestDc dc(200, 40);
    SelectObject(dc, font_);
    SetBkColor(dc, kRed);
    SetTextColor(dc, kRed);
    const int stop = 50;
    const int b = Width(dc, "b");
    TEXTMETRIC tm;
    GetTextMetrics(dc, &tm);
    // The origin at 0: the stop lies at x 50, the text starting at 10.
    const LONG size = TabbedTextOutA(dc, 10, 5, "a\tb", 3, 1, &stop, 0);
    EXPECT_EQ(LOWORD(static_cast<DWORD>(size)), 40 + b);
    EXPECT_EQ(HIWORD(static_cast<DWORD>(size)), tm.tmHeight);
    EXPECT_EQ(dc.InkBox(kWhite), (RECT{10, 5, 50 + b, 5 + tm.tmHeight}));

    // The origin at the text's start: the stop lies 50 right of it.
    TestDc moved(200, 40);
    SelectObject(moved, font_);
    SetBkColor(moved, kRed);
    SetTextColor(moved, kRed);
    TabbedTextOutA(moved, 10, 5, "a\tb", 3, 1, &stop, 10);
    EXPECT_EQ(moved.InkBox(kWhite), (RECT{10, 5, 60 + b, 5 + tm.tmHeight}));
}

TEST_F(TabbedText, GlyphsAfterATabStartAtTheStop) {
    const int stops[] = {60, 130};
    TestDc dc(240, 40);
    SelectObject(dc, font_);
    SetBkMode(dc, TRANSPARENT);
    TabbedTextOutA(dc, 0, 5, "\t\tl", -1, 2, stops, 0);
    const RECT ink = dc.InkBox(kWhite);
    EXPECT_GE(ink.left, 130);
    EXPECT_LE(ink.right, 130 + Width(dc, "l"));

    // With the current position: the text starts there and the position moves past it.
    TestDc cp(240, 40);
    SelectObject(cp, font_);
    SetTextAlign(cp, TA_UPDATECP);
    MoveToEx(cp, 20, 5, nullptr);
    TabbedTextOutA(cp, 99, 99, "a\tb", -1, 2, stops, 0);
    POINT p;
    GetCurrentPositionEx(cp, &p);
    EXPECT_EQ(p.x, 60 + Width(cp, "b"));
}

TEST_F(TabbedText, RefusesWhatItCannotMeasure) {
    TestDc dc(4, 4);
    SelectObject(dc, font_);
    const int stop = 10;
    EXPECT_EQ(GetTabbedTextExtentA(dc, nullptr, 3, 1, &stop), 0u);
    EXPECT_EQ(GetTabbedTextExtentA(dc, "a\tb", 3, -1, &stop), 0u);
    EXPECT_EQ(TabbedTextOutA(dc, 0, 0, nullptr, 2, 0, nullptr, 0), 0);
    EXPECT_EQ(GetTabbedTextExtentA(nullptr, "a", 1, 0, nullptr), 0u);
    SIZE s{};
    EXPECT_FALSE(GetTabbedTextExtentPoint(dc, "a", 1, 0, nullptr, nullptr));
    // A zero single position falls back to every 8 average characters.
    TEXTMETRIC tm;
    GetTextMetrics(dc, &tm);
    const int zero = 0;
    EXPECT_TRUE(GetTabbedTextExtentPoint(dc, "\t", 1, 1, &zero, &s));
    EXPECT_EQ(s.cx, 8 * tm.tmAveCharWidth);
}

} // namespace
