// DrawText's shortened and edit-control layouts, and text recorded into paths and stroked.
#include "support/GdiTest.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>

namespace {

class TextLayout : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string missing = PrepareText();
        ASSERT_EQ(missing, "") << "text tests need the DejaVu fonts (package fonts-dejavu-core): " << missing;
    }
    void TearDown() override {
        for (HGDIOBJ o : objects_) DeleteObject(o);
    }
    void Use(HDC dc, HGDIOBJ object) {
        objects_.push_back(object);
        SelectObject(dc, object);
    }
    static int Width(HDC dc, const std::string& text) {
        SIZE s{};
        GetTextExtentPoint32(dc, text.c_str(), static_cast<int>(text.size()), &s);
        return s.cx;
    }
    static int LineHeight(HDC dc) {
        TEXTMETRIC tm;
        GetTextMetrics(dc, &tm);
        return tm.tmHeight;
    }

    std::vector<HGDIOBJ> objects_;
};

TEST_F(TextLayout, PathEllipsisKeepsTheLastPartAndShortensWhatComesBefore) {
    struct Case {
        const char* what;
        std::string text;
        std::string fitted; // its width is the rectangle's
        std::string shown;
    } cases[] = {
        {"fits", "C:\\Vexo\\Dorvex.exe", "C:\\Vexo\\Dorvex.exe", "C:\\Vexo\\Dorvex.exe"},
        {"folders shortened", "C:\\Program Files\\Vexo\\Dorvex.exe", "C:\\Pro...\\Dorvex.exe",
         "C:\\Pro...\\Dorvex.exe"},
        {"slashes too", "/home/user/vexo/settings.ini", "/home.../settings.ini", "/home.../settings.ini"},
        {"no separator: cut at the end", "abcdefghijklmnop", "abcdef...", "abcdef..."},
        {"the last part alone is too wide", "C:\\averyveryverylongname.txt", "...\\averyvery",
         "...\\averyvery"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TestDc shortened(300, 30), plain(300, 30);
        Use(shortened, MakeFont("Arial", -13));
        SelectObject(plain, objects_.back());
        const int width = Width(shortened, c.fitted);
        RECT r{0, 0, width, 30};
        DrawText(shortened, c.text.c_str(), -1, &r, DT_SINGLELINE | DT_PATH_ELLIPSIS | DT_CALCRECT);
        EXPECT_EQ(r.right, Width(shortened, c.shown));
        r = RECT{0, 0, width, 30};
        DrawText(shortened, c.text.c_str(), -1, &r, DT_SINGLELINE | DT_PATH_ELLIPSIS | DT_NOCLIP);
        r = RECT{0, 0, 300, 30};
        DrawText(plain, c.shown.c_str(), -1, &r, DT_SINGLELINE | DT_NOCLIP);
        EXPECT_EQ(shortened.Picture(BasicLegend()), plain.Picture(BasicLegend()));
    }
}

TEST_F(TextLayout, EditControlBreaksLongWordsAndLeavesOutACutOffLine) {
    TestDc dc(200, 100);
    Use(dc, MakeFont("Arial", -13));
    const int width = Width(dc, "abcd"), line = LineHeight(dc);

    RECT r{0, 0, width, 100};
    EXPECT_EQ(DrawText(dc, "abcdefghij", -1, &r, DT_WORDBREAK | DT_CALCRECT), line) << "a word keeps its line";
    r = RECT{0, 0, width, 100};
    EXPECT_EQ(DrawText(dc, "abcdefghij", -1, &r, DT_WORDBREAK | DT_EDITCONTROL | DT_CALCRECT), 3 * line);
    EXPECT_LE(r.right, width);

    // Drawn as the broken lines are, and a third line that would be cut off is left out.
    struct Case {
        const char* what;
        int bottom;
        const char* same;
    } cases[] = {
        {"room for three lines", 3 * line, "abcd\r\nefgh\r\nij"},
        {"two and a half", 2 * line + line / 2, "abcd\r\nefgh"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TestDc edit(200, 100), plain(200, 100);
        SelectObject(edit, objects_.back());
        SelectObject(plain, objects_.back());
        r = RECT{0, 0, width, c.bottom};
        DrawText(edit, "abcdefghij", -1, &r, DT_WORDBREAK | DT_EDITCONTROL);
        r = RECT{0, 0, 200, 100};
        DrawText(plain, c.same, -1, &r, 0);
        EXPECT_EQ(edit.Picture(BasicLegend()), plain.Picture(BasicLegend()));
    }
    // The first line shows even when the rectangle cuts it.
    TestDc first(200, 100);
    SelectObject(first, objects_.back());
    r = RECT{0, 0, width, line / 2};
    DrawText(first, "abcdefghij", -1, &r, DT_WORDBREAK | DT_EDITCONTROL);
    EXPECT_NE(first.InkBox(kWhite), (RECT{0, 0, 0, 0}));
}

TEST_F(TextLayout, TextInAPathIsOutlinedWhereItWouldHaveBeenDrawn) {
    struct Case {
        const char* what;
        int escapement;
        bool underline;
        bool drawText;
        int penWidth;
    } cases[] = {
        {"TextOut, thin pen", 0, false, false, 1},
        {"DrawText, thin pen", 0, false, true, 1},
        {"underlined", 0, true, false, 1},
        {"turned a quarter", 900, false, false, 1},
        {"wide pen", 0, false, false, 5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TestDc plain(220, 220), path(220, 220);
        HFONT font = MakeFont("Arial", -36, FW_BOLD, c.escapement, false, c.underline);
        Use(plain, font);
        SelectObject(path, font);
        SetBkMode(plain, TRANSPARENT);
        SetBkMode(path, OPAQUE);
        SetBkColor(path, kGreen);
        HPEN pen = CreatePen(PS_SOLID, c.penWidth, kRed);
        Use(path, pen);
        RECT r{40, 110, 200, 200};
        auto draw = [&](HDC dc) {
            if (c.drawText)
                DrawText(dc, "Hello", -1, &r, DT_SINGLELINE | DT_NOCLIP);
            else
                TextOut(dc, 40, 110, "Hello", 5);
        };
        draw(plain);
        ASSERT_TRUE(BeginPath(path));
        draw(path);
        EXPECT_EQ(path.InkBox(kWhite), (RECT{0, 0, 0, 0})) << "nothing is drawn while the path is open";
        ASSERT_TRUE(EndPath(path));
        ASSERT_TRUE(StrokePath(path));

        const RECT a = plain.InkBox(kWhite), b = path.InkBox(kWhite);
        // The outline runs along the glyphs' edges, give or take half the pen: the left and top
        // edges within a pixel, the right and bottom ones (where the outline lies on the first
        // pixel outside the glyph) within two.
        const int slack = 1 + c.penWidth / 2;
        EXPECT_LE(std::abs(a.left - b.left), slack) << a << " " << b;
        EXPECT_LE(std::abs(a.top - b.top), slack) << a << " " << b;
        EXPECT_LE(std::abs(a.right - b.right), slack + 1) << a << " " << b;
        EXPECT_LE(std::abs(a.bottom - b.bottom), slack + 1) << a << " " << b;
        // Only the pen's colour, and the insides of the strokes of the bold glyphs stay white.
        int inked = 0, plainInk = 0;
        for (int y = 0; y < 220; ++y)
            for (int x = 0; x < 220; ++x) {
                const COLORREF p = path.At(x, y);
                ASSERT_TRUE(p == kWhite || p == kRed) << x << "," << y;
                inked += p == kRed;
                plainInk += plain.At(x, y) != kWhite;
            }
        if (c.penWidth == 1) {
            EXPECT_LT(inked, plainInk);
        }
        EXPECT_FALSE(StrokePath(path)) << "the path is gone once stroked";
    }
}

TEST_F(TextLayout, AnOutlinedLetterIsHollow) {
    TestDc plain(120, 120), path(120, 120);
    HFONT font = MakeFont("Arial", -90, FW_BOLD);
    Use(plain, font);
    SelectObject(path, font);
    SetBkMode(plain, TRANSPARENT);
    SetBkMode(path, TRANSPARENT);
    TextOut(plain, 10, 5, "I", 1);
    BeginPath(path);
    TextOut(path, 10, 5, "I", 1);
    EndPath(path);
    StrokePath(path);
    const RECT box = plain.InkBox(kWhite);
    const int cx = (box.left + box.right) / 2, cy = (box.top + box.bottom) / 2;
    EXPECT_EQ(plain.At(cx, cy), kBlack);
    EXPECT_EQ(path.At(cx, cy), kWhite);
    // The sides of the bar are stroked, at most a pixel from where the plain bar ends.
    auto inkNear = [&](int x) { return path.At(x - 1, cy) == kBlack || path.At(x, cy) == kBlack || path.At(x + 1, cy) == kBlack; };
    EXPECT_TRUE(inkNear(box.left));
    EXPECT_TRUE(inkNear(box.right - 1));
    // Without an open path nothing is recorded, and StrokePath has nothing to stroke.
    EXPECT_FALSE(StrokePath(plain));
}

} // namespace
