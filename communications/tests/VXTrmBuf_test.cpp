#include "communications/VXTrmBuf.h"

#include "platform/win/Messages.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

namespace {

// The characters of an external absolute row, trailing blanks cut.
std::string Line(TVxTerminalBuffer& b, int row) {
    const char* p = static_cast<const char*>(b.GetLineCharPtr(row));
    std::string s(p, static_cast<std::size_t>(b.ColCount()));
    s.erase(s.find_last_not_of(' ') + 1);
    return s;
}

// Every row from first to last, as Line gives them.
std::vector<std::string> Lines(TVxTerminalBuffer& b, int first, int last) {
    std::vector<std::string> rows;
    for (int row = first; row <= last; ++row) rows.push_back(Line(b, row));
    return rows;
}

// Writes "r<n>" at the start of screen rows 1..last and homes the cursor.
void Label(TVxTerminalBuffer& b, int last = 24) {
    for (int row = 1; row <= last; ++row) {
        b.SetCursorPosition(row, 1);
        b.WriteString("r" + std::to_string(row));
    }
    b.SetCursorPosition(1, 1);
}

struct Cursor {
    int Row;
    int Col;
    bool operator==(const Cursor&) const = default;
};
Cursor At(const TVxTerminalBuffer& b) {
    return {b.tbGetRow(), b.tbGetCol()};
}
void PrintTo(const Cursor& c, std::ostream* os) {
    *os << "(" << c.Row << ", " << c.Col << ")";
}

} // namespace

// --- Coordinates ------------------------------------------------------------------------------------

TEST(TVxTerminalBuffer, ConvertsRowsBetweenGridAndScreen) {
    TVxTerminalBuffer b(false);
    ASSERT_EQ(b.SVRowCount(), 200);
    ASSERT_EQ(b.RowCount(), 24);
    struct Case {
        int Internal;
        int External;
    };
    // The screen is the bottom 24 of 200 grid rows; the history counts 0, -1, ... upwards.
    for (const Case c : {Case{176, 1}, Case{199, 24}, Case{175, 0}, Case{0, -175}}) {
        EXPECT_EQ(b.tbCvtToExternalRow(c.Internal, true), c.External) << c.Internal;
        EXPECT_EQ(b.tbCvtToInternalRow(c.External, true), c.Internal) << c.External;
    }
    EXPECT_EQ(b.tbCvtToInternalCol(1, true), 0);
    EXPECT_EQ(b.tbCvtToExternalCol(79, true), 80);
    // Without a scroll region, relative rows count from the screen too.
    EXPECT_EQ(b.tbCvtToInternalRow(1, false), 176);

    b.SetScrollRegion(5, 10);
    EXPECT_EQ(b.tbCvtToInternalRow(1, false), 180);
    EXPECT_EQ(b.tbCvtToExternalRow(180, false), 1);
    EXPECT_EQ(b.tbCvtToInternalRow(1, true), 176);
    EXPECT_EQ(b.tbGetOriginRow(), 5);
    EXPECT_EQ(b.tbGetOriginCol(), 1);
}

TEST(TVxTerminalBuffer, CursorAddressingFollowsTheMode) {
    TVxTerminalBuffer b(false);
    b.SetScrollRegion(5, 10);
    b.SetUseAbsAddress(false);
    b.SetCursorPosition(2, 3);
    EXPECT_EQ(At(b), (Cursor{2, 3}));
    b.SetUseAbsAddress(true);
    EXPECT_EQ(At(b), (Cursor{6, 3}));

    // Rows above the region reach into the history; numbers beyond the grid stop at its edges.
    b.SetCursorPosition(-3, 500);
    EXPECT_EQ(At(b), (Cursor{-3, 80}));
    b.SetCursorPosition(INT_MAX, INT_MIN);
    EXPECT_EQ(At(b), (Cursor{24, 1}));
    b.SetCursorPosition(INT_MIN, INT_MAX);
    EXPECT_EQ(At(b), (Cursor{-175, 80}));
    b.SetUseAbsAddress(false);
    b.SetCursorPosition(INT_MIN, 1);
    EXPECT_EQ(b.tbCvtToExternalRow(b.tbCvtToInternalRow(b.tbGetRow(), false), true), -175);
}

TEST(TVxTerminalBuffer, ReadsOutsideTheGridGiveNothing) {
    TVxTerminalBuffer b(false);
    EXPECT_NE(b.GetLineCharPtr(-175), nullptr);
    EXPECT_EQ(b.GetLineCharPtr(-176), nullptr);
    EXPECT_EQ(b.GetLineAttrPtr(25), nullptr);
    EXPECT_EQ(b.GetLineForeColorPtr(INT_MAX), nullptr);
    EXPECT_EQ(b.GetLineBackColorPtr(INT_MIN), nullptr);
}

// --- Writing ----------------------------------------------------------------------------------------

TEST(TVxTerminalBuffer, WrapsTheEighty_FirstCharacter) {
    struct Case {
        const char* Name;
        bool Delay;
        bool AutoWrap;
        int Count;
        char LastOfRow1;
        std::string Row2;
        Cursor After;
    };
    std::string text;
    for (int i = 0; i < 85; ++i) text += static_cast<char>('A' + i % 26);
    const Case cases[] = {
        // The 80th stays in column 80 with the wrap pending; the 81st goes to the next row.
        {"delay, 80", true, true, 80, 'B', "", {1, 80}},
        {"delay, 81", true, true, 81, 'B', "C", {2, 2}},
        // Without the delay the 80th moves the cursor on at once.
        {"no delay, 80", false, true, 80, 'B', "", {2, 1}},
        {"no delay, 81", false, true, 81, 'B', "C", {2, 2}},
        // Without wrapping the last column is overwritten by each further character.
        {"no wrap", true, false, 85, 'G', "", {1, 80}},
        {"no wrap, no delay", false, false, 85, 'G', "", {1, 80}},
    };
    for (const Case& c : cases) {
        TVxTerminalBuffer b(false);
        b.SetUseAutoWrapDelay(c.Delay);
        b.SetUseAutoWrap(c.AutoWrap);
        b.WriteString(text.substr(0, static_cast<std::size_t>(c.Count)));
        EXPECT_EQ(Line(b, 1).substr(0, 79), text.substr(0, 79)) << c.Name;
        EXPECT_EQ(Line(b, 1)[79], c.LastOfRow1) << c.Name;
        EXPECT_EQ(Line(b, 2), c.Row2) << c.Name;
        EXPECT_EQ(At(b), c.After) << c.Name;
    }
}

TEST(TVxTerminalBuffer, ControlOperationsDropThePendingWrap) {
    TVxTerminalBuffer b(false);
    b.WriteString(std::string(80, 'x'));
    ASSERT_TRUE(b.WrapPending());
    b.DoBackspace();
    EXPECT_FALSE(b.WrapPending());
    EXPECT_EQ(At(b), (Cursor{1, 79}));
    b.WriteString("yz");
    ASSERT_TRUE(b.WrapPending());
    b.DoCarriageReturn();
    b.WriteChar('a');
    EXPECT_EQ(Line(b, 1), "a" + std::string(77, 'x') + "yz");
    EXPECT_EQ(Line(b, 2), "");
}

TEST(TVxTerminalBuffer, WritesTheCurrentRenditionIntoEachCell) {
    TVxTerminalBuffer b(false);
    b.SetCharAttrs({tcaBold, tcaReverse});
    b.tbSetForeColor(0x000080);
    b.tbSetBackColor(0x008000);
    b.tbSetCharSet(2);
    b.WriteChar('q');
    EXPECT_EQ(ByteToCharAttrs(b.GetLineAttrPtr(1)[0]), (TVxTerminalCharAttrs{tcaBold, tcaReverse}));
    EXPECT_EQ(b.GetLineForeColorPtr(1)[0], 0x000080);
    EXPECT_EQ(b.GetLineBackColorPtr(1)[0], 0x008000);
    EXPECT_EQ(b.GetLineCharSetPtr(1)[0], 2);
    // Erased cells carry the current rendition too.
    b.EraseToEOL();
    EXPECT_EQ(b.GetLineBackColorPtr(1)[5], 0x008000);
    EXPECT_EQ(b.GetLineAttrPtr(1)[5], CharAttrsToByte({tcaBold, tcaReverse}));
    b.Reset();
    EXPECT_EQ(Line(b, 1), "");
    EXPECT_EQ(b.GetLineBackColorPtr(1)[0], 0);
    EXPECT_EQ(b.GetLineForeColorPtr(1)[0], 0xC0C0C0);
    EXPECT_EQ(b.GetLineAttrPtr(1)[0], 0);
    EXPECT_TRUE(b.GetCharAttrs().Empty());
}

TEST(TVxTerminalBuffer, InsertModeShiftsTheRow) {
    TVxTerminalBuffer b(false);
    b.WriteString("ABCDEF");
    b.tbSetCol(3);
    b.SetUseInsertMode(true);
    b.WriteString("xy");
    EXPECT_EQ(Line(b, 1), "ABxyCDEF");
    b.SetCursorPosition(2, 80);
    b.WriteChar('Z');
    b.SetCursorPosition(2, 1);
    b.WriteChar('a');
    // The last cell is pushed off the row, not into the next one.
    EXPECT_EQ(Line(b, 2), "a");
    EXPECT_EQ(Line(b, 3), "");
}

TEST(TVxTerminalBuffer, WideCharactersAreTwoBytes) {
    TVxTerminalBuffer b(true);
    b.WriteString("A\xE9");
    const auto* p = static_cast<const char16_t*>(b.GetLineCharPtr(1));
    EXPECT_EQ(p[0], u'A');
    EXPECT_EQ(p[1], char16_t{0xE9});
    EXPECT_EQ(p[2], u' ');
    b.tbSetDefAnsiChar('E');
    b.EraseLine();
    EXPECT_EQ(p[0], u'E');
}

// --- Scrolling into the history ---------------------------------------------------------------------

TEST(TVxTerminalBuffer, LineFeedsAtTheBottomPushRowsIntoTheHistory) {
    TVxTerminalBuffer b(false);
    Label(b);
    std::vector<std::vector<int>> scrolls;
    struct Spy {
        std::vector<std::vector<int>>* Log;
        void Scrolled(TObject*, int count, int top, int bottom) { Log->push_back({count, top, bottom}); }
    } spy{&scrolls};
    b.OnScrollRows = TVxScrollRowsNotifyEvent::Bind<&Spy::Scrolled>(&spy);
    for (int i = 0; i < 28; ++i) b.DoLineFeed();

    EXPECT_EQ(At(b), (Cursor{24, 1}));
    EXPECT_EQ(Lines(b, -4, 0), (std::vector<std::string>{"r1", "r2", "r3", "r4", "r5"}));
    EXPECT_EQ(Line(b, -5), "");
    EXPECT_EQ(Line(b, 1), "r6");
    EXPECT_EQ(Line(b, 19), "r24");
    EXPECT_EQ(Line(b, 20), "");
    // The whole grid moved each time, reported in absolute rows.
    ASSERT_EQ(scrolls.size(), 5u);
    EXPECT_EQ(scrolls[0], (std::vector<int>{1, -175, 24}));
}

TEST(TVxTerminalBuffer, EraseScreenKeepsTheTextInTheHistoryEraseAllDoesNot) {
    TVxTerminalBuffer b(false);
    Label(b, 3);
    b.SetCursorPosition(7, 9);
    b.EraseScreen();
    EXPECT_EQ(Lines(b, 1, 24), std::vector<std::string>(24, ""));
    EXPECT_EQ(Lines(b, -23, -21), (std::vector<std::string>{"r1", "r2", "r3"}));
    EXPECT_EQ(At(b), (Cursor{7, 9}));

    b.EraseAll();
    EXPECT_EQ(Lines(b, -175, 24), std::vector<std::string>(200, ""));
    EXPECT_EQ(At(b), (Cursor{1, 1}));
}

TEST(TVxTerminalBuffer, EraseWithinTheScreenAndBelow) {
    struct Case {
        const char* Name;
        void (TVxTerminalBuffer::*Op)();
        std::vector<std::string> Rows2To4;
    };
    const Case cases[] = {
        {"EraseToEOL", &TVxTerminalBuffer::EraseToEOL, {"abcdef", "ab", "abcdef"}},
        {"EraseFromBOL", &TVxTerminalBuffer::EraseFromBOL, {"abcdef", "   def", "abcdef"}},
        {"EraseLine", &TVxTerminalBuffer::EraseLine, {"abcdef", "", "abcdef"}},
        {"EraseToEOW", &TVxTerminalBuffer::EraseToEOW, {"abcdef", "ab", ""}},
        {"EraseFromBOW", &TVxTerminalBuffer::EraseFromBOW, {"", "   def", "abcdef"}},
    };
    for (const Case& c : cases) {
        TVxTerminalBuffer b(false);
        // One row in the history: EraseFromBOW leaves it, EraseToEOW clears to the grid's end.
        b.WriteString("hist");
        b.SetCursorPosition(24, 1);
        b.DoLineFeed();
        for (int row = 1; row <= 24; ++row) {
            b.SetCursorPosition(row, 1);
            b.WriteString("abcdef");
        }
        b.SetCursorPosition(3, 3);
        (b.*c.Op)();
        EXPECT_EQ(Lines(b, 2, 4), c.Rows2To4) << c.Name;
        EXPECT_EQ(Line(b, 0), "hist") << c.Name;
        EXPECT_EQ(Line(b, 24), c.Op == &TVxTerminalBuffer::EraseToEOW ? "" : "abcdef") << c.Name;
    }
}

// Erasing characters runs on into the rows below and stops at the region's bottom.
TEST(TVxTerminalBuffer, EraseCharsRunsOnPastTheEndOfTheLine) {
    TVxTerminalBuffer b(false);
    for (int row = 1; row <= 24; ++row) {
        b.SetCursorPosition(row, 1);
        b.WriteString(std::string(80, 'x'));
    }
    b.SetCursorPosition(1, 79);
    b.EraseChars(4);
    EXPECT_EQ(Line(b, 1), std::string(78, 'x'));
    EXPECT_EQ(Line(b, 2), "  " + std::string(78, 'x'));

    b.SetCursorPosition(23, 79);
    b.EraseChars(INT_MAX);
    EXPECT_EQ(Line(b, 23), std::string(78, 'x'));
    EXPECT_EQ(Line(b, 24), "");
    EXPECT_EQ(Line(b, 0), "");
    EXPECT_EQ(At(b), (Cursor{23, 79}));

    b.SetScrollRegion(5, 10);
    b.SetCursorPosition(10, 80);
    b.EraseChars(100);
    EXPECT_EQ(Line(b, 10), std::string(79, 'x'));
    EXPECT_EQ(Line(b, 11), std::string(80, 'x'));
}

// --- Sizes ------------------------------------------------------------------------------------------

TEST(TVxTerminalBuffer, RowCountMovesTheScreenWithinTheGrid) {
    TVxTerminalBuffer b(false);
    Label(b);
    b.SetCursorPosition(24, 1);
    b.DoLineFeed(); // r1 into history row 0
    b.tbSetRowCount(25);
    EXPECT_EQ(b.RowCount(), 25);
    EXPECT_EQ(b.SVRowCount(), 200);
    EXPECT_EQ(Line(b, 1), "r1");
    EXPECT_EQ(Line(b, 25), "");
    EXPECT_EQ(Line(b, 24), "r24");

    b.tbSetRowCount(250);
    EXPECT_EQ(b.RowCount(), 25);
    try {
        b.tbSetRowCount(1);
        FAIL() << "no exception";
    } catch (const Exception& e) {
        EXPECT_STREQ(e.what(), "TVxTerminalBuffer.tbSetRowCount: new count too small");
    }
    EXPECT_EQ(b.RowCount(), 25);
}

TEST(TVxTerminalBuffer, SizeSettersRefuseCountsBelowTwo) {
    TVxTerminalBuffer b(false);
    struct Case {
        void (TVxTerminalBuffer::*Set)(int);
        const char* Text;
    };
    for (const Case c :
         {Case{&TVxTerminalBuffer::tbSetColCount, "TVxTerminalBuffer.tbSetColCount: new count too small"},
          Case{&TVxTerminalBuffer::tbSetRowCount, "TVxTerminalBuffer.tbSetRowCount: new count too small"},
          Case{&TVxTerminalBuffer::tbSetSVRowCount,
               "TVxTerminalBuffer.tbSetSVRowCount: new count too small"}}) {
        for (const int n : {1, 0, -5}) {
            try {
                (b.*c.Set)(n);
                ADD_FAILURE() << c.Text << " accepted " << n;
            } catch (const Exception& e) {
                EXPECT_STREQ(e.what(), c.Text);
            }
        }
    }
    EXPECT_EQ(b.ColCount(), 80);
    EXPECT_EQ(b.RowCount(), 24);
    EXPECT_EQ(b.SVRowCount(), 200);
}

TEST(TVxTerminalBuffer, ColumnCountKeepsTheLeftOfEachRowAndHomes) {
    TVxTerminalBuffer b(false);
    b.SetCursorPosition(3, 1);
    b.WriteString(std::string(79, '.') + "Z");
    b.SetCursorPosition(5, 5);
    b.tbSetColCount(132);
    EXPECT_EQ(Line(b, 3), std::string(79, '.') + "Z");
    EXPECT_EQ(At(b), (Cursor{1, 1}));
    b.SetCursorPosition(3, 132);
    b.WriteString("!");
    EXPECT_EQ(Line(b, 3).size(), 132u);
    // Tab stops of the new columns start clear; the old ones stay.
    b.SetCursorPosition(1, 121);
    b.DoHorzTab();
    EXPECT_EQ(b.tbGetCol(), 132);
    b.tbSetColCount(3);
    EXPECT_EQ(Line(b, 3), "...");
    b.SetCursorPosition(1, 80);
    EXPECT_EQ(b.tbGetCol(), 3);
}

TEST(TVxTerminalBuffer, HistorySizeKeepsTheRecentRowsAndTheCursorsScreenRow) {
    TVxTerminalBuffer b(false);
    Label(b);
    b.SetCursorPosition(24, 1);
    for (int i = 0; i < 3; ++i) b.DoLineFeed(); // r1..r3 at history rows -2..0
    b.SetCursorPosition(7, 4);
    b.tbSetSVRowCount(30);
    EXPECT_EQ(b.SVRowCount(), 30);
    EXPECT_EQ(Lines(b, -2, 1), (std::vector<std::string>{"r1", "r2", "r3", "r4"}));
    EXPECT_EQ(b.GetLineCharPtr(-6), nullptr);
    EXPECT_EQ(At(b), (Cursor{7, 4}));

    // A grid smaller than the screen shrinks the screen with it.
    b.tbSetSVRowCount(10);
    EXPECT_EQ(b.RowCount(), 10);
    EXPECT_EQ(Line(b, 1), "r18");
    EXPECT_EQ(Line(b, 7), "r24");
    b.SetCursorPosition(10, 1);
    b.DoLineFeed();
    EXPECT_EQ(Line(b, 1), "r19");
}

// --- Scroll region ----------------------------------------------------------------------------------

TEST(TVxTerminalBuffer, ScrollRegionIsOrderedAndNeedsTwoRows) {
    TVxTerminalBuffer b(false);
    b.SetCursorPosition(12, 7);
    b.SetScrollRegion(5, 5);
    EXPECT_FALSE(b.UseScrollRegion());
    EXPECT_EQ(At(b), (Cursor{12, 7}));

    b.SetScrollRegion(20, 3);
    EXPECT_TRUE(b.UseScrollRegion());
    EXPECT_EQ(b.tbGetOriginRow(), 3);
    EXPECT_EQ(At(b), (Cursor{3, 1}));

    // The whole screen is no region at all.
    b.SetScrollRegion(1, 24);
    EXPECT_FALSE(b.UseScrollRegion());
    EXPECT_EQ(At(b), (Cursor{1, 1}));
    // Limited to the screen.
    b.SetScrollRegion(-10, 30);
    EXPECT_FALSE(b.UseScrollRegion());
}

TEST(TVxTerminalBuffer, ScrollRegionScrollsOnlyItsRows) {
    TVxTerminalBuffer b(false);
    Label(b);
    b.SetScrollRegion(3, 20);
    b.SetCursorPosition(20, 1);
    b.DoLineFeed();
    b.DoLineFeed();
    EXPECT_EQ(Lines(b, 1, 4), (std::vector<std::string>{"r1", "r2", "r5", "r6"}));
    EXPECT_EQ(Lines(b, 18, 21), (std::vector<std::string>{"r20", "", "", "r21"}));
    EXPECT_EQ(Line(b, 0), "");
    // Reverse index at the top scrolls the region down.
    b.SetCursorPosition(3, 1);
    b.MoveCursorUp(true);
    EXPECT_EQ(Lines(b, 2, 4), (std::vector<std::string>{"r2", "", "r5"}));
    EXPECT_EQ(Line(b, 20), "");
    EXPECT_EQ(Line(b, 21), "r21");
    // Wrapping at the region's bottom right scrolls it up as well.
    b.SetCursorPosition(20, 80);
    b.WriteString("xy");
    EXPECT_EQ(Line(b, 19).back(), 'x');
    EXPECT_EQ(Line(b, 20), "y");
    EXPECT_EQ(Line(b, 3), "r5");
}

TEST(TVxTerminalBuffer, LinesAreInsertedAndDeletedInsideTheRegion) {
    struct Case {
        const char* Name;
        int CursorRow;
        bool Insert;
        int Count;
        std::vector<std::string> Rows4To11;
    };
    const std::vector<std::string> untouched{"r4", "r5", "r6", "r7", "r8", "r9", "r10", "r11"};
    const Case cases[] = {
        {"insert 2 at 7", 7, true, 2, {"r4", "r5", "r6", "", "", "r7", "r8", "r11"}},
        {"delete 2 at 7", 7, false, 2, {"r4", "r5", "r6", "r9", "r10", "", "", "r11"}},
        {"insert many", 6, true, 1000, {"r4", "r5", "", "", "", "", "", "r11"}},
        {"delete at top", 5, false, 1, {"r4", "r6", "r7", "r8", "r9", "r10", "", "r11"}},
        // Outside the region nothing changes.
        {"insert above", 4, true, 2, untouched},
        {"delete below", 11, false, 2, untouched},
        {"insert zero", 7, true, 0, untouched},
        {"delete negative", 7, false, -3, untouched},
    };
    for (const Case& c : cases) {
        TVxTerminalBuffer b(false);
        Label(b);
        b.SetScrollRegion(5, 10);
        b.SetCursorPosition(c.CursorRow, 4);
        if (c.Insert)
            b.InsertLines(c.Count);
        else
            b.DeleteLines(c.Count);
        EXPECT_EQ(Lines(b, 4, 11), c.Rows4To11) << c.Name;
        EXPECT_EQ(Line(b, 24), "r24") << c.Name;
    }
}

TEST(TVxTerminalBuffer, LinesDoNotMoveWithTheCursorInTheHistory) {
    TVxTerminalBuffer b(false);
    Label(b);
    b.SetCursorPosition(24, 1);
    b.DoLineFeed();
    b.SetCursorPosition(0, 1);
    b.DeleteLines(1);
    b.InsertLines(1);
    EXPECT_EQ(Line(b, 0), "r1");
    EXPECT_EQ(Line(b, 1), "r2");
    // On the screen without a region, lines scroll down to the screen's bottom only.
    b.SetCursorPosition(23, 1);
    b.InsertLines(1);
    EXPECT_EQ(Lines(b, 22, 24), (std::vector<std::string>{"r23", "", "r24"}));
    EXPECT_EQ(Line(b, 0), "r1");
}

TEST(TVxTerminalBuffer, CharactersAreInsertedAndDeletedInTheCursorRow) {
    struct Case {
        const char* Name;
        bool Insert;
        int Count;
        std::string Row;
    };
    const Case cases[] = {
        {"insert 2", true, 2, "AB  CDEFGH"},        {"delete 3", false, 3, "ABFGH"},
        {"delete past the end", false, 1000, "AB"}, {"insert zero", true, 0, "ABCDEFGH"},
        {"delete negative", false, -1, "ABCDEFGH"},
    };
    for (const Case& c : cases) {
        TVxTerminalBuffer b(false);
        b.SetScrollRegion(1, 5);
        b.SetCursorPosition(2, 1);
        b.tbSetForeColor(0x0000FF);
        b.WriteString("ABCDEFGH");
        b.tbSetForeColor(0x00FF00);
        b.tbSetCol(3);
        if (c.Insert)
            b.InsertChars(c.Count);
        else
            b.DeleteChars(c.Count);
        EXPECT_EQ(Line(b, 2), c.Row) << c.Name;
        EXPECT_EQ(Line(b, 3), "") << c.Name;
        // The cells' colours move with their characters; new cells take the current colour.
        const TColor* fore = b.GetLineForeColorPtr(2);
        for (std::size_t i = 0; i < c.Row.size(); ++i)
            EXPECT_EQ(fore[i], c.Row[i] == ' ' ? 0x00FF00 : 0x0000FF) << c.Name << " column " << i + 1;
    }
    TVxTerminalBuffer b(false);
    b.WriteString(std::string(79, '-') + "Z");
    b.tbSetCol(1);
    b.InsertChars(1);
    EXPECT_EQ(Line(b, 1), " " + std::string(79, '-'));
    EXPECT_EQ(Line(b, 2), "");
}

// --- Rendition defaults -----------------------------------------------------------------------------

TEST(TVxTerminalBuffer, DefaultBackgroundIsRecolouredInTheHistoryToo) {
    TVxTerminalBuffer b(false);
    b.WriteString("old");
    b.tbSetBackColor(0x000080);
    b.WriteChar('r');
    b.tbSetBackColor(0);
    b.SetCursorPosition(24, 1);
    for (int i = 0; i < 30; ++i) b.DoLineFeed();
    b.tbSetDefBackColor(0x800000);
    EXPECT_EQ(b.DefBackColor(), 0x800000);
    for (const int row : {-175, -29, 1, 24}) {
        const TColor* back = b.GetLineBackColorPtr(row);
        for (int col = 0; col < 80; ++col) {
            if (row == -29 && col == 3)
                EXPECT_EQ(back[col], 0x000080);
            else
                EXPECT_EQ(back[col], 0x800000) << row << ", " << col + 1;
        }
    }
    EXPECT_EQ(Line(b, -29), "oldr");
}

// --- Invalid rectangles and the cursor notification -------------------------------------------------

TEST(TVxTerminalBuffer, InvalidRectanglesMergeAndThenClear) {
    TVxTerminalBuffer b(false);
    TRect r;
    ASSERT_TRUE(b.HasDisplayChanged()); // the new screen
    ASSERT_TRUE(b.GetInvalidRect(r));
    EXPECT_EQ(r, TRect(1, 1, 80, 24));
    EXPECT_FALSE(b.HasDisplayChanged());
    EXPECT_FALSE(b.GetInvalidRect(r));

    b.SetCursorPosition(2, 3);
    b.WriteChar('a');
    b.SetCursorPosition(5, 10);
    b.WriteChar('b');
    EXPECT_TRUE(b.HasDisplayChanged());
    EXPECT_TRUE(b.HasDisplayChanged());
    ASSERT_TRUE(b.GetInvalidRect(r));
    EXPECT_EQ(r, TRect(3, 2, 10, 5));
    EXPECT_FALSE(b.GetInvalidRect(r));
    EXPECT_FALSE(b.HasDisplayChanged());

    // Rows in the history are counted absolutely.
    b.SetCursorPosition(-3, 1);
    b.EraseLine();
    ASSERT_TRUE(b.GetInvalidRect(r));
    EXPECT_EQ(r, TRect(1, -3, 80, -3));
}

TEST(TVxTerminalBuffer, TheRegisteredWindowHearsOfPendingRectangles) {
    int heard = 0;
    HWND wnd = CreateMessageWindow("TrmBufTest", [&](HWND w, UINT msg, WPARAM wp, LPARAM lp) -> LRESULT {
        if (msg == TermNeedsUpdateMsg) ++heard;
        return DefWindowProc(w, msg, wp, lp);
    });
    TVxTerminalBuffer b(false);
    TRect r;
    // The new screen is pending before any window is known: registering announces it.
    b.RegisterTerminalHandle(wnd);
    ProcessMessages();
    EXPECT_EQ(heard, 1);
    ASSERT_TRUE(b.GetInvalidRect(r));

    // One message covers everything recorded until the rectangles are taken.
    b.WriteString("abc");
    b.EraseLine();
    ProcessMessages();
    EXPECT_EQ(heard, 2);
    ASSERT_TRUE(b.GetInvalidRect(r));
    b.WriteChar('d');
    ProcessMessages();
    EXPECT_EQ(heard, 3);
    ASSERT_TRUE(b.GetInvalidRect(r));

    b.DeregisterTerminalHandle();
    b.WriteChar('e');
    ProcessMessages();
    EXPECT_EQ(heard, 3);
    DestroyWindow(wnd);
}

TEST(TVxTerminalBuffer, CursorMovesAreReportedInExternalCoordinates) {
    TVxTerminalBuffer b(false);
    EXPECT_TRUE(b.HasCursorMoved());
    EXPECT_FALSE(b.HasCursorMoved());
    std::vector<Cursor> moves;
    struct Spy {
        std::vector<Cursor>* Log;
        void Moved(TObject*, int row, int col) { Log->push_back({row, col}); }
    } spy{&moves};
    b.OnCursorMoved = TVxOnCursorMovedEvent::Bind<&Spy::Moved>(&spy);
    b.SetCursorPosition(4, 6);
    b.SetCursorPosition(4, 6); // unchanged: nothing
    b.SetScrollRegion(3, 9);   // homes to the region
    b.SetUseAbsAddress(false);
    b.DoLineFeed();
    EXPECT_EQ(moves, (std::vector<Cursor>{{4, 1}, {4, 6}, {3, 1}, {2, 1}}));
    EXPECT_TRUE(b.HasCursorMoved());
    EXPECT_FALSE(b.HasCursorMoved());
}

// --- Tab stops --------------------------------------------------------------------------------------

TEST(TVxTerminalBuffer, TabsStopAtEveryEighthColumnAndAtTheEdges) {
    TVxTerminalBuffer b(false);
    b.DoHorzTab();
    EXPECT_EQ(b.tbGetCol(), 9);
    b.tbSetCol(75);
    b.DoHorzTab();
    EXPECT_EQ(b.tbGetCol(), 80);
    b.DoBackHorzTab();
    EXPECT_EQ(b.tbGetCol(), 73);
    b.tbSetCol(30);
    b.SetHorzTabStop();
    b.tbSetCol(20);
    b.DoHorzTab();
    EXPECT_EQ(b.tbGetCol(), 25);
    b.DoHorzTab();
    EXPECT_EQ(b.tbGetCol(), 30);
    b.ClearHorzTabStop();
    b.tbSetCol(26);
    b.DoHorzTab();
    EXPECT_EQ(b.tbGetCol(), 33);
    b.ClearAllHorzTabStops();
    b.DoBackHorzTab();
    EXPECT_EQ(b.tbGetCol(), 1);

    b.SetScrollRegion(5, 15);
    b.SetCursorPosition(10, 1);
    b.SetVertTabStop();
    b.SetCursorPosition(6, 1);
    b.DoVertTab();
    EXPECT_EQ(b.tbGetRow(), 10);
    b.DoVertTab();
    EXPECT_EQ(b.tbGetRow(), 15);
    b.DoBackVertTab();
    EXPECT_EQ(b.tbGetRow(), 10);
    b.ClearAllVertTabStops();
    b.DoBackVertTab();
    EXPECT_EQ(b.tbGetRow(), 5);
}

TEST(TVxTerminalBuffer, ResetRestoresModesStopsAndCursor) {
    TVxTerminalBuffer b(false);
    b.SetUseAbsAddress(false);
    b.SetUseAutoWrap(false);
    b.SetUseInsertMode(true);
    b.SetUseNewLineMode(true);
    b.SetScrollRegion(4, 8);
    b.ClearAllHorzTabStops();
    b.WriteString("text");
    b.Reset();
    EXPECT_TRUE(b.UseAbsAddress());
    EXPECT_TRUE(b.UseAutoWrap());
    EXPECT_TRUE(b.UseAutoWrapDelay());
    EXPECT_FALSE(b.UseInsertMode());
    EXPECT_FALSE(b.UseNewLineMode());
    EXPECT_FALSE(b.UseScrollRegion());
    EXPECT_EQ(At(b), (Cursor{1, 1}));
    EXPECT_EQ(Line(b, 4), "");
    b.DoHorzTab();
    EXPECT_EQ(b.tbGetCol(), 9);
}
