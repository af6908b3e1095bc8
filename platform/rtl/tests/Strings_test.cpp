#include "platform/rtl/Strings.h"

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/TextFile.h"
#include "platform/rtl/tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>

TEST(Strings, CopyClipsIndexAndCount) {
    struct Case {
        int index, count;
        const char* expected;
    } cases[] = {
        {1, 3, "abc"}, {0, 3, "abc"}, {-5, 2, "ab"}, {3, 2, "cd"}, {5, 100, "ef"},
        {6, 1, "f"},   {7, 1, ""},    {2, 0, ""},    {2, -1, ""},  {1, INT_MAX, "abcdef"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Copy("abcdef", c.index, c.count), c.expected) << c.index << "," << c.count;
    EXPECT_EQ(Copy("", 1, 1), "");
}

TEST(Strings, PosIsOneBasedAndZeroWhenAbsent) {
    EXPECT_EQ(Pos("cd", "abcdef"), 3);
    EXPECT_EQ(Pos("a", "abc"), 1);
    EXPECT_EQ(Pos("x", "abc"), 0);
    EXPECT_EQ(Pos("", "abc"), 0);
    EXPECT_EQ(Pos("abcd", "abc"), 0);
    EXPECT_EQ(PosEx("a", "aXa", 2), 3);
    EXPECT_EQ(PosEx("a", "aXa", 3), 3);
    EXPECT_EQ(PosEx("a", "aXa", 0), 0);
    EXPECT_EQ(PosEx("a", "aXa", 4), 0);
}

TEST(Strings, DeleteIgnoresIndexesOutsideTheString) {
    struct Case {
        int index, count;
        const char* expected;
    } cases[] = {
        {2, 2, "adef"},    {1, 1, "bcdef"},  {5, 10, "abcd"},  {0, 2, "abcdef"},
        {-1, 2, "abcdef"}, {7, 1, "abcdef"}, {3, 0, "abcdef"}, {3, -2, "abcdef"},
    };
    for (const Case& c : cases) {
        std::string s = "abcdef";
        Delete(s, c.index, c.count);
        EXPECT_EQ(s, c.expected) << c.index << "," << c.count;
    }
}

TEST(Strings, InsertClipsTheIndex) {
    struct Case {
        int index;
        const char* expected;
    } cases[] = {{1, "XYabc"}, {2, "aXYbc"}, {4, "abcXY"}, {0, "XYabc"}, {-3, "XYabc"}, {99, "abcXY"}};
    for (const Case& c : cases) {
        std::string s = "abc";
        Insert("XY", s, c.index);
        EXPECT_EQ(s, c.expected) << c.index;
    }
}

TEST(Strings, LengthSetLengthAndStringOfChar) {
    std::string s = "ab";
    SetLength(s, 4);
    EXPECT_EQ(s, std::string("ab\0\0", 4));
    SetLength(s, 1);
    EXPECT_EQ(s, "a");
    EXPECT_EQ(Length(s), 1);
    EXPECT_EQ(StringOfChar('*', 3), "***");
    EXPECT_EQ(StringOfChar('*', -1), "");
}

TEST(Strings, TrimRemovesControlCharactersButNotHighBytes) {
    EXPECT_EQ(Trim("\t x y \r\n"), "x y");
    EXPECT_EQ(TrimLeft(" \x01x "), "x ");
    EXPECT_EQ(TrimRight(" x\x1F"), " x");
    EXPECT_EQ(Trim("\xA0x\xA0"), "\xA0x\xA0");
    EXPECT_EQ(Trim("   "), "");
}

TEST(Strings, CaseMappingAsciiAndCodePage) {
    EXPECT_EQ(UpperCase("abc\xE9z"), "ABC\xE9Z");
    EXPECT_EQ(LowerCase("ABC\xC9Z"), "abc\xC9z");
    // e acute, s caron, y diaeresis, oe; sharp s and the division sign have no partner.
    EXPECT_EQ(AnsiUpperCase("\xE9\x9A\xFF\x9C\xDF\xF7"), "\xC9\x8A\x9F\x8C\xDF\xF7");
    EXPECT_EQ(AnsiLowerCase("\xC9\x8A\x9F\x8C\xD7"), "\xE9\x9A\xFF\x9C\xD7");
}

TEST(Strings, Comparisons) {
    EXPECT_LT(CompareStr("abc", "abd"), 0);
    EXPECT_GT(CompareStr("abc", "ab"), 0);
    EXPECT_LT(CompareStr("B", "a"), 0);
    // Bytes compare unsigned.
    EXPECT_GT(CompareStr("\xE9", "a"), 0);
    EXPECT_EQ(CompareText("Hello", "hELLO"), 0);
    // Letters fold to upper case, so '_' sorts after them.
    EXPECT_GT(CompareText("_", "a"), 0);
    EXPECT_TRUE(SameText("abc", "ABC"));
    EXPECT_FALSE(SameText("\xE9", "\xC9"));
    EXPECT_EQ(AnsiCompareText("\xE9t\xE9", "\xC9T\xC9"), 0);
    EXPECT_LT(AnsiCompareText("a", "B"), 0);
    EXPECT_LT(AnsiCompareStr("a", "B"), 0);
    EXPECT_LT(AnsiCompareStr("b", "B"), 0);
    EXPECT_GT(AnsiCompareStr("B", "b"), 0);
    EXPECT_EQ(AnsiCompareStr("B", "B"), 0);
}

TEST(Strings, IntToStrAndIntToHex) {
    EXPECT_EQ(IntToStr(-5), "-5");
    EXPECT_EQ(IntToStr(INT64_MIN), "-9223372036854775808");
    EXPECT_EQ(IntToStr(4000000000u), "4000000000");
    EXPECT_EQ(IntToHex(255, 4), "00FF");
    EXPECT_EQ(IntToHex(0x1234, 2), "1234");
    EXPECT_EQ(IntToHex(-1, 2), "FFFFFFFF");
    EXPECT_EQ(IntToHex(std::int64_t{-1}, 4), "FFFFFFFFFFFFFFFF");
    EXPECT_EQ(IntToHex(0xFFFFFFFFu, 0), "FFFFFFFF");
    EXPECT_EQ(IntToHex(std::uint8_t{10}, 2), "0A");
}

TEST(Strings, StrToIntAcceptsTheRunTimeSyntax) {
    struct Case {
        const char* text;
        int value;
    } cases[] = {
        {"123", 123},
        {"  -42", -42},
        {"+7", 7},
        {"$1F", 31},
        {"0x1f", 31},
        {"0X10", 16},
        {"-$10", -16},
        {"$FFFFFFFF", -1},
        {"2147483647", INT_MAX},
        {"-2147483648", INT_MIN},
        {"007", 7},
    };
    for (const Case& c : cases) EXPECT_EQ(StrToInt(c.text), c.value) << c.text;
}

TEST(Strings, StrToIntRejectsEverythingElse) {
    for (const char* text : {"", " ", "12 ", "1a", "2147483648", "-2147483649", "$100000000", "0x", "$", "-",
                             "- 5", "\t5", "1.0", "$G"}) {
        int v = 99;
        EXPECT_FALSE(TryStrToInt(text, v)) << text;
        EXPECT_EQ(StrToIntDef(text, -7), -7) << text;
    }
    try {
        StrToInt("12 ");
        FAIL();
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.Message, "'12 ' is not a valid integer value");
    }
}

TEST(Strings, StrToInt64Range) {
    EXPECT_EQ(StrToInt64("9223372036854775807"), INT64_MAX);
    EXPECT_EQ(StrToInt64("-9223372036854775808"), INT64_MIN);
    EXPECT_EQ(StrToInt64("$FFFFFFFFFFFFFFFF"), -1);
    EXPECT_EQ(StrToInt64("4294967296"), 4294967296LL);
    EXPECT_THROW(StrToInt64("9223372036854775808"), EConvertError);
    EXPECT_THROW(StrToInt64("$10000000000000000"), EConvertError);
}

TEST(Strings, StringReplace) {
    struct Case {
        const char* s;
        const char* from;
        const char* to;
        TReplaceFlags flags;
        const char* expected;
    } cases[] = {
        {"a-b-c", "-", "+", {}, "a+b-c"},
        {"a-b-c", "-", "+", {rfReplaceAll}, "a+b+c"},
        {"Hello hello", "HELLO", "x", {rfReplaceAll}, "Hello hello"},
        {"Hello hello", "HELLO", "x", {rfReplaceAll, rfIgnoreCase}, "x x"},
        {"\xE9t\xE9", "\xC9", "e", {rfReplaceAll, rfIgnoreCase}, "ete"},
        {"aaaa", "aa", "b", {rfReplaceAll}, "bb"},
        {"a", "a", "aa", {rfReplaceAll}, "aa"},
        {"abc", "", "x", {rfReplaceAll}, "abc"},
        {"", "a", "x", {rfReplaceAll}, ""},
    };
    for (const Case& c : cases) EXPECT_EQ(StringReplace(c.s, c.from, c.to, c.flags), c.expected) << c.s;
}

TEST(Strings, QuotingAndLineBreaks) {
    EXPECT_EQ(QuotedStr("it's"), "'it''s'");
    EXPECT_EQ(QuotedStr(""), "''");
    EXPECT_EQ(AdjustLineBreaks("a\rb\nc\r\nd\n\re\r\r"), "a\r\nb\r\nc\r\nd\r\ne\r\n\r\n");
}

TEST(Strings, ZeroTerminatedRoutines) {
    char buf[16];
    EXPECT_EQ(StrCopy(buf, "abc"), buf);
    EXPECT_STREQ(buf, "abc");
    StrCat(buf, "de");
    EXPECT_STREQ(buf, "abcde");
    EXPECT_EQ(StrLen(buf), 5u);
    EXPECT_EQ(StrLen(nullptr), 0u);
    EXPECT_EQ(StrEnd(buf), buf + 5);
    StrLCopy(buf, "123456", 3);
    EXPECT_STREQ(buf, "123");
    StrPLCopy(buf, "xyz", 10);
    EXPECT_STREQ(buf, "xyz");
    StrPCopy(buf, "hello");
    EXPECT_STREQ(buf, "hello");
    EXPECT_EQ(StrPos(buf, "ll"), buf + 2);
    EXPECT_EQ(StrPos(buf, "lx"), nullptr);
    EXPECT_EQ(StrPos(buf, ""), nullptr);
    EXPECT_LT(StrComp("abc", "abd"), 0);
    EXPECT_GT(StrComp("abc", "ab"), 0);
    EXPECT_GT(StrComp("\xE9", "a"), 0);
    EXPECT_EQ(StrComp("", ""), 0);
    EXPECT_EQ(StrIComp("HeLLo", "hello"), 0);
    EXPECT_LT(StrIComp("a", "B"), 0);
    EXPECT_EQ(StrPas(buf), "hello");
    EXPECT_EQ(StrPas(nullptr), "");
}

TEST(Strings, FileNameParts) {
    struct Case {
        const char* fileName;
        const char* name;
        const char* path;
        const char* ext;
    } cases[] = {
        {"C:\\dir\\file.txt", "file.txt", "C:\\dir\\", ".txt"},
        {"/home/u/a.b/c", "c", "/home/u/a.b/", ""},
        {"C:file.x", "file.x", "C:", ".x"},
        {"noext", "noext", "", ""},
        {"dir/", "", "dir/", ""},
        {"archive.tar.gz", "archive.tar.gz", "", ".gz"},
        {".profile", ".profile", "", ".profile"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ExtractFileName(c.fileName), c.name) << c.fileName;
        EXPECT_EQ(ExtractFilePath(c.fileName), c.path) << c.fileName;
        EXPECT_EQ(ExtractFileExt(c.fileName), c.ext) << c.fileName;
    }
    EXPECT_EQ(ChangeFileExt("a.b/c", ".x"), "a.b/c.x");
    EXPECT_EQ(ChangeFileExt("x.tar.gz", ".bz2"), "x.tar.bz2");
    EXPECT_EQ(ChangeFileExt("C:\\f.txt", ""), "C:\\f");
}

TEST(Strings, FileExistsAndDeleteFile) {
    TempDir dir;
    const std::string name = dir.File("a.txt");
    EXPECT_FALSE(FileExists(name));
    TempDir::Write(name, "x");
    EXPECT_TRUE(FileExists(name));
    EXPECT_FALSE(FileExists(dir.Path()));
    EXPECT_TRUE(DeleteFile(name));
    EXPECT_FALSE(FileExists(name));
    EXPECT_FALSE(DeleteFile(name));
    EXPECT_FALSE(GetCurrentDir().empty());
}

TEST(Strings, FileRoutinesTakeBackslashesAndTheDrive) {
    TempDir dir;
    std::string windowsName = "C:" + dir.File("b.txt");
    std::replace(windowsName.begin(), windowsName.end(), '/', '\\');
    EXPECT_EQ(PosixFileName(windowsName), dir.File("b.txt"));
    EXPECT_EQ(PosixFileName("c:\\"), "/");
    EXPECT_EQ(PosixFileName("sub\\x.ini"), "sub/x.ini");

    {
        TFileStream f(windowsName, fmCreate);
        f.WriteBuffer("data", 4);
    }
    EXPECT_EQ(TempDir::Read(dir.File("b.txt")), "data");
    EXPECT_TRUE(FileExists(windowsName));
    EXPECT_NE(FileAge(windowsName), -1);
    TextFile t;
    AssignFile(t, windowsName);
    Reset(t);
    std::string line;
    Readln(t, line);
    CloseFile(t);
    EXPECT_EQ(IOResult(), 0);
    EXPECT_EQ(line, "data");
    EXPECT_TRUE(DeleteFile(windowsName));
    EXPECT_FALSE(FileExists(dir.File("b.txt")));
}
