#include "loader/ScriptText.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> CommandLines(const std::string& bytes) {
    TScriptLineReader reader;
    std::vector<std::string> lines;
    for (char c : bytes)
        if (reader.Feed(c)) lines.push_back(reader.Line());
    if (reader.Finish()) lines.push_back(reader.Line());
    return lines;
}

} // namespace

TEST(ScriptText, SplitsAScriptIntoCommandLines) {
    struct Case {
        const char* Name;
        std::string Bytes;
        std::vector<std::string> Lines;
    };
    const Case cases[] = {
        {"CR LF and LF", "_SC \"a\"\r\n_FI\n", {"_SC \"a\"", "_FI"}},
        {"comments and other lines ignored", "; _SC \"x\"\r\nhello\r\n_FI\r\n", {"_FI"}},
        {"leading blanks and other characters before _", "   \t_DY 5\r\nxx_DY 6\n", {"_DY 5", "_DY 6"}},
        {"last line without a line feed", "_SC \"a\"\r\n_FI", {"_SC \"a\"", "_FI"}},
        {"a CR inside a line stays", "_DM \"a\rb\"\n", {"_DM \"a\rb\""}},
        {"199 characters at most",
         "_DM \"" + std::string(300, 'x') + "\"\n",
         {"_DM \"" + std::string(194, 'x')}},
        {"empty file", "", {}},
    };
    for (const Case& c : cases) EXPECT_EQ(CommandLines(c.Bytes), c.Lines) << c.Name;
}

TEST(ScriptText, SlicesOperands) {
    using S = std::optional<std::string>;
    struct Case {
        std::string Line;
        S Quoted;
        S Word;
    };
    const Case cases[] = {
        {"_SC \"abc\"", "abc", "\"abc\""},
        {"_SC \"a^Mb\"", "a^Mb", "\"a^Mb\""},
        {"_SC \"", "", "\""},
        {"_LF    /tmp/file name.bin", std::nullopt, "/tmp/file name.bin"},
        {"_FI", std::nullopt, std::nullopt},
        {"_LT ", std::nullopt, ""},
        {"_SC abc", std::nullopt, "abc"},
        {"_DM \"no closing", "no closin", "\"no closing"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(QuotedOperand(c.Line), c.Quoted) << c.Line;
        EXPECT_EQ(WordOperand(c.Line), c.Word) << c.Line;
    }
    const auto tr = TestOperands("_CS \"2.\\r\\n\"   _DM \"yes\"");
    ASSERT_TRUE(tr);
    EXPECT_EQ(tr->first, "2.\\r\\n");
    EXPECT_EQ(tr->second, "_DM \"yes\"");
    EXPECT_FALSE(TestOperands("_CS \"only one"));
    EXPECT_EQ(TestOperands("_CE \"x\"")->second, "");

    EXPECT_EQ(ReplaceCaretM("a^Mb^M", "\r\n"), "a\r\nb\r\n");
    EXPECT_EQ(ReplaceCaretM("^^M^", " "), "^ ^");
    EXPECT_EQ(ReplaceEscapes("a\\rb\\nc\\x", true), "a\rb\nc\\x");
    EXPECT_EQ(ReplaceEscapes("a\\rb\\nc", false), "a\rb\\nc");
}

TEST(ScriptText, VersionsHeaderChecksumAndDate) {
    EXPECT_EQ(ParseVersion("2.18"), std::make_pair(2, 18));
    EXPECT_EQ(ParseVersion(" 3.0 beta"), std::make_pair(3, 0));
    EXPECT_FALSE(ParseVersion("Version 2.18"));
    EXPECT_FALSE(ParseVersion("3"));

    EXPECT_EQ(UploadHeader("LF", "10000", 5000, 0x1F2E, "2.18"), "LF 10000 5000 1f2e 2.18\r");
    EXPECT_EQ(UploadHeader("LF", "0", 0, 0, "DATE"), "LF 0 0 0 DATE\r");
    EXPECT_EQ(FileChecksum16(std::string(300, '\xFF')), 0x2AD4);
    EXPECT_EQ(FileChecksum16(""), 0);

    // 9 March 2004, 7:05:08 and 14:00:04 in the packed form.
    const auto packed = [](int y, int mo, int d, int h, int mi, int s) {
        return static_cast<std::int32_t>((((y - 1980) << 9 | mo << 5 | d) << 16) |
                                         (h << 11 | mi << 5 | s / 2));
    };
    EXPECT_EQ(FileDateText(packed(2004, 3, 9, 7, 5, 8)), "3/9/2004_7:05:08");
    EXPECT_EQ(FileDateText(packed(2026, 12, 10, 14, 0, 4)), "12/10/2026_14:00:04");
}
