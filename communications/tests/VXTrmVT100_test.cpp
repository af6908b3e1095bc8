// The VT100 emulator end to end: bytes in, and out come cells with their attributes, colours and
// character sets, the cursor, the line attributes, the modes and LEDs; the replies and typed keys
// arrive at the far end of a pseudo-terminal pair; the character sets draw through their scripts.
#include "communications/VXTerm.h"

#include "communications/VxPort.h"
#include "communications/tests/support/PumpUntil.h"
#include "communications/tests/support/TerminalOnPty.h"
#include "platform/gdi/Draw.h"
#include "platform/ui/ControlMessages.h"
#include "platform/ui/Forms.h"
#include "platform/ui/Keyboard.h"
#include "platform/ui/SeamRecorder.h"
#include "platform/win/Clock.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace {

// Virtual-key codes the platform names no constant for.
constexpr WORD VK_NUMPAD5 = 0x65, VK_F2 = 0x71, VK_F3 = 0x72, VK_F4 = 0x73, VK_F11 = 0x7A, VK_F12 = 0x7B;

struct VT100 : ::testing::Test {
    std::unique_ptr<TVxVT100Emulator> emu{new TVxVT100Emulator(nullptr)};
    TVxTerminalBuffer* Buf() { return emu->Buffer(); }
    void Feed(const std::string& bytes) { emu->ProcessBlock(bytes.data(), static_cast<int>(bytes.size()), csPort); }
    std::string Line(int row, int from = 1, int count = 10) {
        const char* p = static_cast<const char*>(Buf()->GetLineCharPtr(row));
        return std::string(p + from - 1, static_cast<std::size_t>(count));
    }
    BYTE Set(int row, int col) { return Buf()->GetLineCharSetPtr(row)[col - 1]; }
    TVxTerminalCharAttrs Attrs(int row, int col) { return ByteToCharAttrs(Buf()->GetLineAttrPtr(row)[col - 1]); }
    TColor Fore(int row, int col) { return Buf()->GetLineForeColorPtr(row)[col - 1]; }
    TColor Back(int row, int col) { return Buf()->GetLineBackColorPtr(row)[col - 1]; }
    // The cursor counted absolutely, whatever the addressing mode.
    std::pair<int, int> Cursor() {
        const int row = Buf()->UseAbsAddress() ? Buf()->tbGetRow() : Buf()->tbGetRow() + Buf()->tbGetOriginRow() - 1;
        return {row, Buf()->tbGetCol()};
    }
};

TEST_F(VT100, CursorAddressingStaysOnTheScreenAndInTheMargins) {
    const struct {
        std::string in;
        int row, col;
    } cases[] = {
        {"\033[10;20H", 10, 20},
        {"\033[;5H", 1, 5},
        {"\033[0;0H", 1, 1}, // an explicit 0 is 1, not the history
        {"\033[5;5H\033[0;3f", 1, 3},
        {"\033[99;999H", 24, 80},
        {"\033[1;2;3H", 1, 1},                   // three arguments: no command
        {"\033[5;10r\033[?6h\033[0;0H", 5, 1},   // origin mode: relative to the margins
        {"\033[5;10r\033[?6h\033[20;1H", 10, 1}, // and clamped to them
        {"\033[5;10r\033[?6h\033[3;4H", 7, 4},
        {"\033[10;10H\033[2147483647A", 1, 10}, // a huge count stops at the edge at once
        {"\033[10;10H\033[2147483647B", 24, 10},
        {"\033[10;10H\033[2147483647C", 10, 80},
        {"\033[10;10H\033[2147483647D", 10, 1},
        {"\033[10;10H\033[0A", 9, 10}, // 0 counts as 1
        {"\033[10;10H\033[3D\033[2C", 10, 9},
        {"\033[5;10r\033[8;1H\033[9B", 10, 1}, // stops at the bottom margin
        {"\033[10;10H\0337\033[1;1H\0338", 10, 10},
        {"\033[10;10H\033[s\033[H\033[u", 10, 10},
        {"\033[?2l\033Y%(", 6, 9}, // VT52 addressing
        {"\033[?2l\033Y%(\033H", 1, 1},
        {"\033[?2l\033[5;5H\033Y##", 4, 4}, // ANSI sequences mean nothing in VT52 mode
        {"\033[3;3H\033E", 4, 1},
        {"\033[24;3H\033D", 24, 3},
        {"\033[1;3H\033M", 1, 3},
        {"a\tb\tc", 1, 18},
        {"\033[3g\tx", 1, 81 - 1}, // no stops: to the last column
        {"\033[1;5H\033H\033[1;1H\tx", 1, 6},
        {"\033[1;9H\033[0g\033[1;1H\t", 1, 17},
        // Setting the margins homes the cursor, to the screen's top-left or the region's in origin
        // mode; so does setting or resetting origin mode.
        {"\033[5;10r", 1, 1},
        {"\033[2;2H\033[r", 1, 1},
        {"\033[12;40H\033[5;10r", 1, 1},
        {"\033[?6h\033[5;10r", 5, 1},
        {"\033[?6h\033[5;10r\033[3;3H\033[6;12r", 6, 1},
        {"\033[?6h\033[5;10r\033[3;3H\033[r", 1, 1},
        {"\033[10;10H\033[5;5r", 10, 10}, // one row: refused, the cursor stays
        {"\033[24;80Hx\033[ry", 1, 2},    // the pending wrap goes too
        {"\033[5;10r\033[8;8H\033[?6h", 5, 1},
        {"\033[5;10r\033[?6h\033[3;3H\033[?6l", 1, 1},
        {"\033[8;8H\033[?6l", 1, 1},
        {"\033[8;8H\033[?6;7l", 8, 8}, // several modes at once change nothing
    };
    for (const auto& c : cases) {
        emu.reset(new TVxVT100Emulator(nullptr));
        Feed(c.in);
        EXPECT_EQ(Cursor(), std::make_pair(c.row, c.col)) << testing::PrintToString(c.in);
    }
}

TEST_F(VT100, RenditionAndColours) {
    Feed("\033[1;31mx");
    EXPECT_EQ(Attrs(1, 1), TVxTerminalCharAttrs{tcaBold});
    EXPECT_EQ(Fore(1, 1), TColor(0x000080));
    EXPECT_EQ(TTYRunColors(Fore(1, 1), Back(1, 1), CharAttrsToByte(Attrs(1, 1))).Text, TColor(0x8080FF));

    const struct {
        std::string sgr;
        TVxTerminalCharAttrs attrs;
        TColor fore, back;
    } cases[] = {
        {"\033[m", {}, 0xC0C0C0, 0},
        {"\033[4;5;7;8m", {tcaUnderline, tcaBlink, tcaReverse, tcaInvisible}, 0xC0C0C0, 0},
        {"\033[1;4;5;7;8;22;24;25;27;28m", {}, 0xC0C0C0, 0},
        {"\033[32;44m", {}, 0x008000, 0x800000},
        {"\033[33;45;36;47m", {}, 0x808000, 0xC0C0C0},
        {"\033[30;41m\033[0m", {}, 0xC0C0C0, 0},
        {"\033[1;;4m", {tcaUnderline}, 0xC0C0C0, 0}, // the empty argument is a 0: bold ends
        {"\033[3;9;38;48;90m", {}, 0xC0C0C0, 0},              // ignored values
    };
    for (const auto& c : cases) {
        emu.reset(new TVxVT100Emulator(nullptr));
        Feed(c.sgr + "y\033[K");
        EXPECT_EQ(Attrs(1, 1), c.attrs) << testing::PrintToString(c.sgr);
        EXPECT_EQ(Fore(1, 1), c.fore) << testing::PrintToString(c.sgr);
        EXPECT_EQ(Back(1, 1), c.back) << testing::PrintToString(c.sgr);
        // Erased cells take the rendition too.
        EXPECT_EQ(Back(1, 2), c.back) << testing::PrintToString(c.sgr);
    }
}

TEST_F(VT100, TextModesAndEditing) {
    const struct {
        std::string in;
        int row;
        std::string line; // columns 1..10 of the row
    } cases[] = {
        {"abcdef\033[1;3H\033[4hXY", 1, "abXYcdef  "},
        {"abcdef\033[1;3H\033[4h\033[4lXY", 1, "abXYef    "},
        {"abcdef\033[1;3H\033[2P", 1, "abef      "},
        {"abcdef\033[1;3H\033[2@", 1, "ab  cdef  "},
        {"abcdef\033[1;3H\033[2X", 1, "ab  ef    "},
        {"abcdef\033[1;3H\033[K", 1, "ab        "},
        {"abcdef\033[1;3H\033[1K", 1, "   def    "},
        {"abcdef\033[1;3H\033[2K", 1, "          "},
        {"a\r\nb\r\nc\033[2;1H\033[L", 3, "b         "},
        {"a\r\nb\r\nc\033[2;1H\033[M", 2, "c         "},
        {"a\r\nb\033[2;1H\033[1J", 1, "          "},
        {"a\r\nb\033[1;1H\033[J", 2, "          "},
        {"a\r\nb\033[2J", 2, "          "},
        {"ab\033[20hc\nd", 2, "d         "}, // new-line mode: LF returns too
        {"ab\nc", 2, "  c       "},
        {"ab\033Ec", 2, "c         "},
        {"\033#8", 24, "EEEEEEEEEE"},
        {"abc\033[2147483647P\033[2147483647@\033[2147483647X\033[2147483647L\033[2147483647Mx", 1, "   x      "},
        {"\033[5;6r\033[6;1Hx\033Dy", 5, "x         "}, // scrolling inside the margins
        {"\033[5;6r\033[5;1Hx\033M", 6, "x         "},
        {"\033[?7l" + std::string(80, 'a') + "bcdefg", 1, "aaaaaaaaaa"},
        {"\033c\033[5;6r\033c\033[24;1H\nq", 24, "q         "}, // reset ends the region
    };
    for (const auto& c : cases) {
        emu.reset(new TVxVT100Emulator(nullptr));
        Feed(c.in);
        EXPECT_EQ(Line(c.row), c.line) << testing::PrintToString(c.in);
    }
    // Without auto-wrap the last column takes every further character in turn.
    emu.reset(new TVxVT100Emulator(nullptr));
    Feed("\033[?7l" + std::string(79, '.') + "123456");
    EXPECT_EQ(Line(1, 75, 6), ".....6");
    EXPECT_EQ(Line(2, 1, 3), "   ");
    EXPECT_EQ(Cursor(), std::make_pair(1, 80));
}

TEST_F(VT100, CharacterSetsAndUpperHalf) {
    const struct {
        std::string in;
        std::vector<BYTE> sets; // of columns 1..n
        std::string text;
    } cases[] = {
        {"\033(0lqk", {2, 2, 2}, "lqk"},
        {"\033)0\016lqk\017m", {2, 2, 2, 0}, "lqkm"},
        {"\033(A#\033(B#", {1, 0}, "##"},
        {"\033)1\033)2\016a\033)0b", {4, 2}, "ab"},
        {"\033(1a\033(2b\033(Zc", {3, 4, 4}, "abc"},
        {"\033(0\016a", {0}, "a"}, // G1 is still US ASCII
        {"\033[?2l\033Fa\033Gb", {2, 0}, "ab"},
        {"x\xC4\x80\xB0\xDAy", {0, 2, 2, 2, 0}, "xqaly"},
        {"\033(0\xC4z", {2, 2}, "qz"}, // the set in use comes back after the line-drawing cell
        {"\033)0\016\0337\017\0338a", {2}, "a"}, // the saved cursor keeps the set
    };
    for (const auto& c : cases) {
        emu.reset(new TVxVT100Emulator(nullptr));
        Feed(c.in);
        EXPECT_EQ(Line(1, 1, static_cast<int>(c.text.size())), c.text) << testing::PrintToString(c.in);
        for (std::size_t i = 0; i < c.sets.size(); ++i)
            EXPECT_EQ(Set(1, static_cast<int>(i) + 1), c.sets[i]) << testing::PrintToString(c.in) << " column " << i + 1;
    }
    // Shown as they are with DisplayUpperASCII; DEL is dropped either way.
    emu.reset(new TVxVT100Emulator(nullptr));
    emu->SetDisplayUpperASCII(true);
    Feed("\xC4\x80\x7F" "a");
    EXPECT_EQ(Line(1, 1, 3), "\xC4\x80\x7F");
    EXPECT_EQ(Set(1, 1), 0);

    // The cells draw through the map's scripts: line drawing as the OEM glyphs in "Terminal".
    emu.reset(new TVxVT100Emulator(nullptr));
    TVxCharSetMapping* map = emu->CharSetMap();
    ASSERT_NE(map, nullptr);
    map->GenerateDrawScript(TVxVT100Emulator::CharSetName(2), "lqk");
    std::string font, text;
    ASSERT_TRUE(map->GetNextDrawCommand(font, text));
    EXPECT_EQ(font, "Terminal");
    EXPECT_EQ(text, "\xDA\xC4\xBF");
    EXPECT_FALSE(map->GetNextDrawCommand(font, text));
}

TEST_F(VT100, LineAttributesFollowTheAbsoluteRowAndScrollWithIt) {
    Feed("\033[3;1H\033#3\r\n\033#4\r\n\033#6\r\n\033#6\033#5");
    EXPECT_EQ(emu->LineAttr(3), ltDblHeightTop);
    EXPECT_EQ(emu->LineAttr(4), ltDblHeightBottom);
    EXPECT_EQ(emu->LineAttr(5), ltDblWidth);
    EXPECT_EQ(emu->LineAttr(6), ltNormal);
    // Origin mode: the row of the region's second line is screen row 11.
    Feed("\033[10;20r\033[?6h\033[2;1H\033#6");
    EXPECT_EQ(emu->LineAttr(11), ltDblWidth);
    EXPECT_EQ(emu->LineAttr(2), ltNormal);
    // Scrolling the region moves them; the screen's scroll takes them into the history.
    Feed("\033[2;1H\033[L");
    EXPECT_EQ(emu->LineAttr(12), ltDblWidth);
    EXPECT_EQ(emu->LineAttr(11), ltNormal);
    Feed("\033[?6l\033[r\033[24;1H\n\n");
    EXPECT_EQ(emu->LineAttr(1), ltDblHeightTop);
    EXPECT_EQ(emu->LineAttr(2), ltDblHeightBottom);
    EXPECT_EQ(emu->LineAttr(3), ltDblWidth);
    EXPECT_EQ(emu->LineAttr(10), ltDblWidth);
    // A reset leaves every row single width.
    Feed("\033c");
    for (int row = -5; row <= 24; ++row) EXPECT_EQ(emu->LineAttr(row), ltNormal) << row;
}

TEST_F(VT100, ModesLEDsAndReset) {
    Feed("\033[?1h\033[?3h\033[?4h\033[?5h\033[?6h\033[?7l\033[?8l\033[?9h\033=\033[4h\033[20h");
    EXPECT_TRUE(emu->AppCursorKeys());
    EXPECT_TRUE(emu->Col132Mode());
    EXPECT_EQ(Buf()->ColCount(), 132);
    EXPECT_TRUE(emu->SmoothScrollMode());
    EXPECT_TRUE(emu->RevScreenMode());
    EXPECT_TRUE(emu->RelOriginMode());
    EXPECT_FALSE(Buf()->UseAbsAddress());
    EXPECT_FALSE(emu->AutoWrapMode());
    EXPECT_FALSE(Buf()->UseAutoWrap());
    EXPECT_FALSE(emu->AutoRepeat());
    EXPECT_TRUE(emu->InterlaceMode());
    EXPECT_TRUE(emu->AppKeypad());
    EXPECT_TRUE(emu->InsertMode());
    EXPECT_TRUE(Buf()->UseInsertMode());
    EXPECT_TRUE(emu->NewLineMode());
    EXPECT_TRUE(Buf()->UseNewLineMode());
    // Several modes in one sequence change none.
    Feed("\033[?1;7h\033[4;20l");
    EXPECT_TRUE(emu->AppCursorKeys());
    EXPECT_FALSE(emu->AutoWrapMode());
    EXPECT_TRUE(emu->InsertMode());

    const struct {
        std::string in;
        BYTE leds;
    } leds[] = {{"\033[q", 0}, {"\033[1;3q", 5}, {"\033[4q\033[2q", 10}, {"\033[1;0;2q", 2}, {"\033[5q", 0},
                {"\033[2 q", 2}};
    for (const auto& c : leds) {
        Feed("\033[0q" + c.in);
        EXPECT_EQ(emu->LEDs(), c.leds) << testing::PrintToString(c.in);
    }

    Feed("\033)0\016\033(1\033c");
    EXPECT_TRUE(emu->AnsiMode());
    EXPECT_FALSE(emu->AppCursorKeys() || emu->Col132Mode() || emu->SmoothScrollMode() || emu->RevScreenMode() ||
                 emu->RelOriginMode() || emu->InterlaceMode() || emu->AppKeypad() || emu->InsertMode() ||
                 emu->NewLineMode() || emu->ShiftedOut());
    EXPECT_TRUE(emu->AutoWrapMode() && emu->AutoRepeat() && Buf()->UseAbsAddress() && Buf()->UseAutoWrap());
    EXPECT_EQ(Buf()->ColCount(), 80);
    EXPECT_EQ(emu->G0(), 0);
    EXPECT_EQ(emu->G1(), 0);
    EXPECT_EQ(Buf()->CharSet(), 0);

    // VT52 mode and back.
    Feed("\033[?2l");
    EXPECT_FALSE(emu->AnsiMode());
    Feed("\033<");
    EXPECT_TRUE(emu->AnsiMode());
}

TEST_F(VT100, BlinkRunsEndAtTheRowsEnd) {
    Feed("\033[3;70H\033[5m" + std::string(16, '*') + "\033[m\033[10;1H\033[5mab\033[mc\033[5md");
    const std::vector<TVxBlinkRun>& runs = emu->BlinkRuns();
    ASSERT_EQ(runs.size(), 4u);
    const int expected[4][3] = {{3, 70, 80}, {4, 1, 5}, {10, 1, 2}, {10, 4, 4}};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(runs[static_cast<std::size_t>(i)].Row, expected[i][0]);
        EXPECT_EQ(runs[static_cast<std::size_t>(i)].FirstCol, expected[i][1]);
        EXPECT_EQ(runs[static_cast<std::size_t>(i)].LastCol, expected[i][2]);
    }
    EXPECT_TRUE(emu->HasBlinkingText());
    Feed("\033[m\033[2J");
    EXPECT_FALSE(emu->HasBlinkingText());
}

TEST_F(VT100, RepliesWithoutAPortAreDroppedAndBellBeeps) {
    TSeamRecorder seam;
    Feed("\033[6n\033[5n\033[c\033Z\005\033[x\a");
    EXPECT_EQ(seam.Of(TSeamRecorder::kBeep).size(), 1u);
    EXPECT_EQ(Line(1), "          ");
}

// A terminal with the VT100 emulator on the near end of a pseudo-terminal pair.
struct VT100OnPty : ::testing::Test {
    TVT100OnPty near{51, 660, 330};
    TPty& pty = near.Pty;
    TVexComPort* port = near.Port;
    TVxTerminal* term = near.Term;
    TVxVT100Emulator* emu = near.Emu;

    void SetUp() override { ASSERT_TRUE(near.Attach()); }
    // What the far end receives after the near end was sent Bytes.
    std::string Answer(const std::string& bytes, std::size_t atLeast) {
        pty.Drain();
        pty.Send(bytes + "\033[6n");
        std::string got;
        PumpUntil([&] {
            got += pty.Drain();
            // The closing report is at least ESC [ 1 ; 1 R: a reply that itself ends in R must
            // not be taken for it.
            return got.size() >= atLeast + 6 && got.back() == 'R';
        });
        // The closing position report only marks the end.
        return got.substr(0, got.rfind("\033["));
    }
    // Sends Bytes to the near end and waits until the terminal has taken all of them: the
    // answerback to a closing ENQ comes back in either mode, ANSI or VT52.
    void Setup(const std::string& bytes) {
        emu->SetAnswerback("<sync>");
        pty.Drain();
        pty.Send(bytes + "\005");
        std::string got;
        ASSERT_TRUE(PumpUntil([&] {
            got += pty.Drain();
            return got.find("<sync>") != std::string::npos;
        })) << testing::PrintToString(got);
    }
    // What the far end receives for the keys, once at least Expected bytes came (or the wait ends).
    std::string Keys(const std::vector<WORD>& keys, std::size_t expected, TShiftState shift = {}) {
        pty.Drain();
        for (WORD k : keys) {
            WORD key = k;
            emu->KeyDown(key, shift);
            EXPECT_EQ(key, 0) << k;
        }
        std::string got;
        PumpUntil([&] {
            got += pty.Drain();
            return got.size() >= expected;
        });
        PumpFor(20);
        got += pty.Drain();
        return got;
    }
};

TEST_F(VT100OnPty, RepliesReachTheFarEnd) {
    emu->SetAnswerback("hello");
    const struct {
        std::string in, reply;
    } cases[] = {
        {"\033[5;2H\033[6n", "\033[5;2R"},
        {"\033[5n", "\033[0n"},
        {"\033[c", "\033[?1;0c"},
        {"\033[0c", "\033[?1;0c"},
        {"\033Z", "\033[?1;0c"},
        {"\033[>c", ""}, // secondary device attributes: no answer
        {"\033[x", "\033[2;1;1;112;112;1;0x"},
        {"\033[1x", "\033[3;1;1;112;112;1;0x"},
        {"\033[7x", "\033[3;1;1;112;112;1;0x"},
        {"\005", "hello"},
        {"\033[?2l\033Z\033<", "\033/Z"},
        {"\033[?6h\033[5;20r\033[2;3H\033[6n\033[?6l\033[r", "\033[2;3R"}, // origin mode counts from the margin
    };
    for (const auto& c : cases) EXPECT_EQ(Answer(c.in, c.reply.size()), c.reply) << testing::PrintToString(c.in);

    port->SetParity(pEven);
    port->SetBaud(2400);
    EXPECT_EQ(Answer("\033[0x", 1), "\033[2;5;1;88;88;1;0x");
}

TEST_F(VT100OnPty, KeysGoThroughTheThreeLayers) {
    const struct {
        std::string setup;
        std::vector<WORD> keys;
        std::string sent;
    } cases[] = {
        {"", {VK_UP}, "\033[A"},
        {"\033[?1h", {VK_UP, VK_LEFT}, "\033OA\033OD"},
        {"\033[?2l", {VK_DOWN}, "\033B"},
        {"", {VK_NUMPAD5, VK_DECIMAL, VK_SUBTRACT}, "5.\033OS"},
        {"\033=", {VK_NUMPAD5, VK_ADD, 0x2B}, "\033Ou\033Om\033OM"},
        {"", {VK_F1, VK_F4}, "\033OP\033OS"},
        {"\033[?2l\033=", {VK_NUMPAD5, VK_F2}, "\033?u\033Q"},
        {"\033[?2l", {VK_F3, 0x2B}, "\033R\r"},
        {"", {VK_BACK, VK_F11, VK_F12}, "\x7F\b\n"},
        {"\033[20h", {0x2B}, "\r\n"},
        {"", {static_cast<WORD>(VK_UP | 0x8000)}, "\033[A"}, // repeated, with auto-repeat on
    };
    for (const auto& c : cases) {
        Setup("\033<\033c" + c.setup);
        EXPECT_EQ(Keys(c.keys, c.sent.size()), c.sent) << testing::PrintToString(c.setup);
    }
    // Modifiers, unmapped keys, and a repeat with auto-repeat off.
    Setup("\033<\033c");
    EXPECT_EQ(Keys({VK_DECIMAL}, 1, TShiftState{ssCtrl}), ",");
    EXPECT_EQ(Keys({VK_BACK}, 1, TShiftState{ssShift}), "\b");
    Setup("\033<\033c\033[?8l");
    WORD key = static_cast<WORD>(VK_UP | 0x8000);
    emu->KeyDown(key, {});
    EXPECT_EQ(key, 0);
    for (WORD k : {VK_DELETE, WORD('A'), VK_RETURN}) {
        key = k;
        emu->KeyDown(key, {});
        EXPECT_EQ(key, k) << "left to the key-character path";
    }
    PumpFor(100);
    EXPECT_EQ(pty.Drain(), "");
}

TEST_F(VT100OnPty, TypedCharactersEchoOnlyBeforeEscape) {
    Setup("\033[20h");
    term->SetHalfDuplex(true);
    char c = 'a';
    emu->CharTyped(c);
    c = '\r';
    emu->CharTyped(c);
    WORD key = VK_UP;
    emu->KeyDown(key, {});
    PumpFor(100);
    EXPECT_EQ(pty.Drain(), "a\r\n\033[A");
    // The local echo showed "a" and the new line, but nothing of the cursor key's sequence.
    EXPECT_EQ(term->tmGetLine(1).substr(0, 2), "a ");
    EXPECT_EQ(emu->Buffer()->tbGetRow(), 2);
    EXPECT_EQ(emu->Buffer()->tbGetCol(), 1);
}

TEST_F(VT100OnPty, PaintsDoubleWidthRowsAndLineDrawing) {
    auto inkIn = [this](int row, int col) {
        term->Update();
        HDC dc = GetDC(term->Handle());
        const int w = term->GetTotalCharWidth(), h = term->GetTotalCharHeight();
        int ink = 0;
        for (int y = (row - 1) * h; y < row * h; ++y)
            for (int x = (col - 1) * w; x < col * w; ++x) ink += GetPixel(dc, x, y) != RGB(0, 0, 0);
        ReleaseDC(term->Handle(), dc);
        return ink;
    };
    pty.Send("\033[1;1H\033#6MM\033[5;1H\033#3M\033[6;1H\033#4M\033[2;1HM\033[3;1H\033(0q\033(B\033[4;1H\033[7m \033[m\033[?5h");
    ASSERT_TRUE(PumpUntil([this] { return emu->RevScreenMode(); }));
    PumpFor(100);
    term->Repaint();
    // Reverse screen: the background is the foreground colour now; ink counts what is not black.
    const int cells = term->GetTotalCharWidth() * term->GetTotalCharHeight();
    EXPECT_LT(inkIn(4, 1), cells) << "the reverse cell shows black on the light screen";
    EXPECT_EQ(inkIn(2, 3), cells);
    pty.Send("\033[?5l");
    ASSERT_TRUE(PumpUntil([this] { return !emu->RevScreenMode(); }));
    PumpFor(100);
    term->Repaint();
    // Characters of a double-width row advance two cells; double-height ones are drawn twice as
    // large, the top half on one row and the bottom half on the next.
    EXPECT_GT(inkIn(1, 1), 0);
    EXPECT_EQ(inkIn(1, 2), 0);
    EXPECT_GT(inkIn(1, 3), 0);
    EXPECT_EQ(inkIn(1, 4), 0);
    EXPECT_GT(inkIn(2, 1), 0);
    EXPECT_EQ(inkIn(2, 2), 0);
    EXPECT_GT(inkIn(5, 2), 0);
    EXPECT_GT(inkIn(6, 2), 0);
    EXPECT_EQ(inkIn(5, 3), 0);
    // The line-drawing q is a horizontal line through the cell, edge to edge.
    EXPECT_GT(inkIn(3, 1), 0);
    EXPECT_EQ(inkIn(4, 1), term->GetTotalCharWidth() * term->GetTotalCharHeight());
}

TEST_F(VT100OnPty, ColumnModeResizesTheTerminal) {
    pty.Send("\033[?3h");
    ASSERT_TRUE(PumpUntil([this] { return term->Columns() == 132; }));
    pty.Send("\033[?3l");
    ASSERT_TRUE(PumpUntil([this] { return term->Columns() == 80; }));
}

} // namespace

namespace {

using TPixels = std::vector<std::string>;

// Pixels of a cell-sized area at (x, y) of a DC: '#' where something is drawn on the black ground.
TPixels PictureOf(HDC dc, int x, int y, int w, int h) {
    TPixels rows;
    for (int row = 0; row < h; ++row) {
        std::string line;
        for (int col = 0; col < w; ++col) line += GetPixel(dc, x + col, y + row) != RGB(0, 0, 0) ? '#' : '.';
        rows.push_back(line);
    }
    return rows;
}

int InkOf(const TPixels& p) {
    int n = 0;
    for (const std::string& row : p) n += static_cast<int>(std::count(row.begin(), row.end(), '#'));
    return n;
}

} // namespace

TEST_F(VT100OnPty, DrawsTheOemPictographsThePoundSignAndStrikethrough) {
    const std::string graphics = "`abcdefghijklmnopqrstuvwxyz{|}~";
    pty.Send("\033[1;1H\033(0" + graphics + "\033(B\033[2;1H\033(A#\033(B#\033[3;1H\033#3x\033[4;1H\033#4x");
    ASSERT_TRUE(PumpUntil([this] { return term->tmGetLine(4).substr(0, 1) == "x"; }));
    const int w = term->GetTotalCharWidth(), h = term->GetTotalCharHeight();
    // Strikethrough has no rendition of its own: set on a blank cell, a plain row and a tall pair.
    TVxTerminalCharAttrs struck = term->tmGetAttributes(2, 5);
    struck.Include(tcaStrikethrough);
    for (const auto& at : {std::make_pair(2, 5), std::make_pair(3, 1), std::make_pair(4, 1)})
        term->tmSetAttributes(at.first, at.second, struck);
    term->Repaint();
    term->Update();
    HDC dc = GetDC(term->Handle());
    auto cell = [&](int row, int col) { return PictureOf(dc, (col - 1) * w, (row - 1) * h, w, h); };

    // The same glyphs drawn straight into a bitmap in the terminal's font, and the missing-glyph box
    // of the same face (a control byte in a font without the OEM pictographs).
    HDC mem = CreateCompatibleDC(dc);
    HBITMAP bitmap = CreateCompatibleBitmap(dc, 4 * w, h);
    HGDIOBJ oldBitmap = SelectObject(mem, bitmap);
    TFont plain;
    plain.Assign(term->Font());
    plain.SetName("Courier New");
    auto direct = [&](HFONT font, char byte) {
        const RECT all{0, 0, 4 * w, h};
        HBRUSH black = CreateSolidBrush(RGB(0, 0, 0));
        FillRect(mem, &all, black);
        DeleteObject(black);
        SelectObject(mem, font);
        SetTextColor(mem, ColorToRGB(term->Font()->Color()));
        SetBkMode(mem, TRANSPARENT);
        TextOut(mem, 0, 0, &byte, 1);
        return PictureOf(mem, 0, 0, w, h);
    };
    const TPixels box = direct(plain.Handle(), '\x01');
    const TPixels pound = direct(term->Font()->Handle(), '\x9C');
    const TPixels uAcute = direct(term->Font()->Handle(), '\xA3');
    SelectObject(mem, oldBitmap);
    DeleteObject(bitmap);
    DeleteDC(mem);
    ASSERT_GT(InkOf(box), 0);
    ASSERT_NE(pound, uAcute);

    for (std::size_t i = 0; i < graphics.size(); ++i) {
        const TPixels glyph = cell(1, static_cast<int>(i) + 1);
        EXPECT_GT(InkOf(glyph), 0) << graphics[i];
        EXPECT_NE(glyph, box) << graphics[i] << " draws the missing-glyph box";
    }
    EXPECT_EQ(cell(2, 1), pound) << "the United Kingdom set's # is the pound sign";
    EXPECT_NE(cell(2, 2), pound) << "the US set's # stays #";

    // The struck blank cell shows one line through its middle, edge to edge.
    const TPixels strike = cell(2, 5);
    EXPECT_EQ(strike[static_cast<std::size_t>(h / 2)], std::string(static_cast<std::size_t>(w), '#'));
    EXPECT_EQ(InkOf(strike), w);
    EXPECT_EQ(InkOf(cell(2, 6)), 0);
    // A double-height pair: one line where its halves meet, on the bottom half's first row; the
    // first two cells, since every character advances two.
    std::string doubled;
    for (int x = 0; x < 2 * w; ++x) doubled += GetPixel(dc, x, 3 * h) != RGB(0, 0, 0) ? '#' : '.';
    EXPECT_EQ(doubled, std::string(static_cast<std::size_t>(2 * w), '#'));
    int topMiddle = 0;
    for (int x = 0; x < 2 * w; ++x) topMiddle += GetPixel(dc, x, 2 * h + h / 2) != RGB(0, 0, 0);
    EXPECT_LT(topMiddle, 2 * w) << "no line through the middle of the top half";
    ReleaseDC(term->Handle(), dc);
}
