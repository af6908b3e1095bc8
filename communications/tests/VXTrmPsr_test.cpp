#include "communications/VXTrmPsr.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace {

// Feeds bytes and writes down every result but pctPending: a run of plain characters as "text",
// an 8-bit character as 8:XX, a dropped byte or sequence as -, a command as its code with its
// arguments, e.g. 2(10,20).
std::string Feed(TVxVT100Parser& parser, const std::string& bytes) {
    std::string log;
    bool inText = false;
    auto item = [&](const std::string& s) {
        if (inText) log += '"';
        inText = false;
        if (!log.empty()) log += ' ';
        log += s;
    };
    for (char ch : bytes) {
        switch (parser.ProcessChar(ch)) {
        case pctChar:
            if (!inText) {
                item("\"");
                inText = true;
            }
            log += ch;
            break;
        case pct8bitChar: {
            char hex[8];
            std::snprintf(hex, sizeof hex, "8:%02X", static_cast<unsigned char>(ch));
            item(hex);
            break;
        }
        case pctNone:
            item("-");
            break;
        case pctComplete: {
            std::string s = std::to_string(parser.Command());
            if (parser.ArgumentCount() > 0) {
                s += '(';
                for (int i = 0; i < parser.ArgumentCount(); ++i)
                    s += (i ? "," : "") + std::to_string(parser.tpGetArgument(i));
                s += ')';
            }
            item(s);
            break;
        }
        case pctPending:
            break;
        }
    }
    if (inText) log += '"';
    return log;
}

std::string Feed(const std::string& bytes) {
    TVxVT100Parser parser;
    return Feed(parser, bytes);
}

const std::string VT52 = "\x1b[?2l"; // enters VT52 mode; logs 90(-2,2)

struct Case {
    const char* what;
    std::string bytes;
    std::string log;
};

} // namespace

TEST(VXTrmPsr, BytesToResults) {
    const Case cases[] = {
        // Text.
        {"plain text", "ab~", "\"ab~\""},
        {"DEL and above are 8-bit", "a\x7f\x80\xff", "\"a\" 8:7F 8:80 8:FF"},
        // Control characters.
        {"ENQ BEL BS LF CR", "\x05\x07\x08\x0a\x0d", "114 115 116 117 118"},
        {"HT VT FF", "\x09\x0b\x0c", "34(1) 40(1) 50(2)"},
        {"SO SI", "\x0e\x0f", "119 120"},
        {"other controls dropped", std::string("\x00\x01\x18\x1a", 4), "- - - -"},
        {"text around a CR", "a\rb", "\"a\" 118 \"b\""},
        // A control character inside a sequence is carried out and the sequence resumed.
        {"CR inside a sequence", "\x1b[2\rJ", "118 50(2)"},
        {"LF after ESC", "\x1b\n7", "117 17"},
        {"NUL and CAN inside a sequence", std::string("\x1b[1\x00;\x18" "2H", 8), "- - 2(1,2)"},
        {"ESC restarts a sequence", "\x1b[12\x1b[3A", "3(3)"},
        // Cursor position: exactly two arguments after defaults, default 1.
        {"CUP", "\x1b[10;20H", "2(10,20)"},
        {"CUP f", "\x1b[10;20f", "2(10,20)"},
        {"CUP no arguments", "\x1b[H", "2(1,1)"},
        {"CUP one argument", "\x1b[5H", "2(5,1)"},
        {"CUP empty row", "\x1b[;5H", "2(1,5)"},
        {"CUP explicit zeros kept", "\x1b[0;0H", "2(0,0)"},
        {"CUP three arguments", "\x1b[1;2;3H", "-"},
        {"leading zeros", "\x1b[007;0010H", "2(7,10)"},
        // Cursor moves: one argument, default 1.
        {"CUU CUD CUF CUB", "\x1b[A\x1b[2B\x1b[0C\x1b[D", "3(1) 4(2) 5(0) 6(1)"},
        {"CUU two arguments", "\x1b[1;2A", "-"},
        {"largest count", "\x1b[2147483647A", "3(2147483647)"},
        {"count that does not convert", "\x1b[2147483648A", "-"},
        // Modes: arguments as read.
        {"SM", "\x1b[4h", "13(4)"},
        {"SM several", "\x1b[4;20h", "13(4,20)"},
        {"SM private", "\x1b[?7h", "13(-2,7)"},
        {"SM nothing", "\x1b[h", "13(-1)"},
        {"RM private empty", "\x1b[?l", "90(-2,-1)"},
        {"DECKPAM DECKPNM", "\x1b=\x1b>", "13(-2,999) 90(-2,999)"},
        // Renditions and LEDs: any number of arguments, default 0.
        {"SGR", "\x1b[m", "16(0)"},
        {"SGR empty middle", "\x1b[1;;4m", "16(1,0,4)"},
        {"SGR colours", "\x1b[0;1;31;44m", "16(0,1,31,44)"},
        {"DECLL", "\x1b[;1;4q", "125(0,1,4)"},
        // Single-argument commands and their defaults.
        {"save restore", "\x1b" "7\x1b" "8\x1b[s\x1b[u", "17 18 17(-1) 18(-1)"},
        {"DSR", "\x1b[6n\x1b[n", "19(6) 19(-1)"},
        {"DA", "\x1b[c\x1b[0c\x1bZ", "41(0) 41(0) 41(0)"},
        {"DCH DL ECH", "\x1b[P\x1b[3M\x1b[X", "43(1) 45(3) 49(1)"},
        {"ICH IL", "\x1b[@\x1b[2L", "66(1) 67(2)"},
        {"ED EL", "\x1b[J\x1b[2J\x1b[K\x1b[1K", "50(0) 50(2) 52(0) 52(1)"},
        {"TBC", "\x1b[g\x1b[3g", "106(0) 106(3)"},
        {"DECSTBM as sent", "\x1b[r\x1b[5;10r\x1b[;r", "113(-1) 113(5,10) 113(-1,-1)"},
        {"DECREQTPARM", "\x1b[x\x1b[1x", "126(-1) 126(1)"},
        {"DECTST", "\x1b[2;1y", "128(2,1)"},
        // Escapes.
        {"HTS NEL RI IND", "\x1bH\x1b" "E\x1bM\x1b" "D", "65 76 88 121"},
        {"RIS", "\x1b" "c", "89"},
        {"RIS by conformance level", "\x1b[61\"p", "89"},
        {"other conformance level", "\x1b[62\"p", "-"},
        {"ESC 1 and ESC 2", "\x1b" "1\x1b" "2", "0 0"},
        {"ESC < in ANSI mode", "\x1b<", "-"},
        {"unknown escape", "\x1bQx", "- \"x\""},
        {"unknown final", "\x1b[5i", "-"},
        {"line attributes", "\x1b#3\x1b#4\x1b#5\x1b#6", "123(0) 123(1) 127 124"},
        {"DECALN", "\x1b#8", "122"},
        {"unknown hash", "\x1b#9", "-"},
        // Character-set selection.
        {"G0 line drawing", "\x1b(0", "129(0,0)"},
        {"G1 ASCII", "\x1b)B", "129(1,66)"},
        {"all sets", "\x1b(1\x1b(2\x1b)A", "129(0,1) 129(0,2) 129(1,65)"},
        {"unknown set", "\x1b(C", "-"},
        {"intermediate before the set", "\x1b( 0", "-"},
        {"other designators ignored", "\x1b*0\x1b+ B\x1b-A", "- - -"},
        // Malformed parameters and intermediates.
        {"colon", "\x1b[1:2m", "-"},
        {"second question mark", "\x1b[??1h", "-"},
        {"secondary DA", "\x1b[>c", "-"},
        {"intermediate ends the arguments", "\x1b[1 q", "125(1)"},
        {"idle again after a rejection", "\x1b[1:2mx", "- \"x\""},
        // VT52 mode.
        {"VT52 cursor moves", VT52 + "\x1b" "A\x1b" "B\x1b" "C\x1b" "D", "90(-2,2) 3(1) 4(1) 5(1) 6(1)"},
        {"VT52 cursor address", VT52 + "\x1bY%(", "90(-2,2) 2(6,9)"},
        {"VT52 cursor address with a CR inside", VT52 + "\x1bY%\r(", "90(-2,2) 118 2(6,9)"},
        {"VT52 home erase", VT52 + "\x1bH\x1bJ\x1bK", "90(-2,2) 2(1,1) 50(0) 52(0)"},
        {"VT52 graphics reverse line feed", VT52 + "\x1b" "F\x1bG\x1bI", "90(-2,2) 119 120 88"},
        {"VT52 identify", VT52 + "\x1bZ", "90(-2,2) 41(52)"},
        {"VT52 keypad", VT52 + "\x1b=\x1b>", "90(-2,2) 13(-2,999) 90(-2,999)"},
        {"VT52 ANSI sequence not known", VT52 + "\x1b[A", "90(-2,2) - \"A\""},
        {"VT52 back to ANSI", VT52 + "\x1b<\x1b[A", "90(-2,2) 13(-2,2) 3(1)"},
        {"VT52 only for exactly ?2", "\x1b[?2;3l\x1b" "A", "90(-2,2,3) -"},
    };
    for (const auto& c : cases) EXPECT_EQ(Feed(c.bytes), c.log) << c.what;
}

// A sequence or argument list past the bound is dropped, and what follows is read afresh.
TEST(VXTrmPsr, BoundedSequence) {
    const int room = TVxVT100Parser::MaxSequenceLength - 2; // after ESC [
    EXPECT_EQ(Feed("\x1b[" + std::string(room, '1') + "m"), "-");
    EXPECT_EQ(Feed("\x1b[" + std::string(room + 1, '1') + "mx"), "- \"mx\"");
    EXPECT_EQ(Feed("\x1b[" + std::string(room - 2, '0') + "1m"), "16(1)");
    // Bytes past the bound never reach the sequence.
    EXPECT_EQ(Feed("\x1b[" + std::string(5000, ';') + "1H"),
              "- \"" + std::string(5000 - room - 1, ';') + "1H\"");

    std::string args;
    for (int i = 0; i < TVxVT100Parser::MaxArguments; ++i) args += "1;";
    EXPECT_EQ(Feed("\x1b[" + args + "m"), "-");
    args.pop_back();
    TVxVT100Parser parser;
    EXPECT_EQ(parser.ProcessChar('\x1b'), pctPending);
    for (char ch : "[" + args) EXPECT_EQ(parser.ProcessChar(ch), pctPending);
    EXPECT_EQ(parser.ProcessChar('m'), pctComplete);
    EXPECT_EQ(parser.ArgumentCount(), TVxVT100Parser::MaxArguments);
    EXPECT_EQ(Feed(parser, "a"), "\"a\"");
}

TEST(VXTrmPsr, SequenceTextAndArgumentsOutside) {
    TVxVT100Parser parser;
    Feed(parser, "\x1b[2");
    EXPECT_EQ(parser.tpGetSequence(), "");
    EXPECT_EQ(parser.ProcessChar('\r'), pctComplete);
    EXPECT_EQ(parser.tpGetSequence(), "\r");
    EXPECT_EQ(parser.ProcessChar('J'), pctComplete);
    EXPECT_EQ(parser.tpGetSequence(), "\x1b[2J");
    EXPECT_EQ(parser.tpGetArgument(0), 2);
    EXPECT_EQ(parser.tpGetArgument(1), 0);
    EXPECT_EQ(parser.tpGetArgument(-1), 0);

    parser.ForceCommand(89);
    EXPECT_EQ(parser.Command(), 89u);
    EXPECT_EQ(parser.ArgumentCount(), 0);
    EXPECT_EQ(Feed(parser, "x"), "\"x\"");
    EXPECT_EQ(parser.ProcessWideChar(u'x'), pctNone);
}

// Clear in the middle of a sequence starts afresh rather than reading the rest as its tail.
TEST(VXTrmPsr, ClearInsideASequence) {
    TVxVT100Parser parser;
    Feed(parser, "\x1b[?2l\x1bY");
    parser.Clear();
    EXPECT_EQ(Feed(parser, "%(\x1b" "A"), "\"%(\" 3(1)");
}
