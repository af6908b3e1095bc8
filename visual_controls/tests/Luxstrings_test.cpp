#include "visual_controls/Luxstrings.h"

#include "platform/rtl/Exceptions.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

TEST(Luxstrings, Filling) {
    EXPECT_EQ(LuxAddZeroL("7", 3), "007");
    EXPECT_EQ(LuxAddZeroL("1234", 3), "1234");
    EXPECT_EQ(LuxAddZeroR("7", 3), "700");
    EXPECT_EQ(LuxAddSpaceL("ab", 4), "  ab");
    EXPECT_EQ(LuxAddSpaceR("ab", 4), "ab  ");
    EXPECT_EQ(LuxAddCharL("x", -5, '*'), "x");
    EXPECT_EQ(LuxFillString(3, '-'), "---");
    EXPECT_EQ(LuxFillString(-1, '-'), "");
    EXPECT_EQ(LuxSpace(2), "  ");
    EXPECT_EQ(LuxReplaceChar("a.b.c", '.', '/'), "a/b/c");
}

TEST(Luxstrings, Fields) {
    const std::string s = "a,b,,d";
    const char* fields[] = {"a", "b", "", "d", ""};
    for (int i = 0; i < 5; ++i) EXPECT_EQ(LuxGetCodedString(s, ',', i), fields[i]) << i;
    EXPECT_EQ(LuxGetCodedString(s, ',', -1), "");
    EXPECT_EQ(LuxGetCodedCount(s, ','), 4);
    EXPECT_EQ(LuxGetCodedCount("", ','), 0);
    EXPECT_EQ(LuxGetCodedCount("abc", ','), 1);
    EXPECT_EQ(LuxGetCodedCount(",", ','), 2);

    std::string t = "a";
    LuxSetCodedString(t, "x", ',', 2);
    EXPECT_EQ(t, "a,,x");
    LuxSetCodedString(t, "yy", ',', 1);
    EXPECT_EQ(t, "a,yy,x");
    LuxSetCodedString(t, "", ',', 0);
    EXPECT_EQ(t, ",yy,x");

    const std::vector<std::string> words = {"one", "", "three"};
    EXPECT_EQ(LuxCodeString(words, ';'), "one;;three");
    const std::vector<int> numbers = {1, -2, 30};
    EXPECT_EQ(LuxCodeInt(numbers, ','), "1,-2,30");
    EXPECT_EQ(LuxGetCodedInt("1,-2,30", ',', 1), -2);
    EXPECT_EQ(LuxGetCodedInt("1,,30", ',', 1), -1);
    EXPECT_EQ(LuxGetCodedInt("1,,30", ',', 7), -1);
    EXPECT_THROW(LuxGetCodedInt("1,x,30", ',', 1), EConvertError);
}

TEST(Luxstrings, ScanningAndSplitting) {
    EXPECT_EQ(LuxCount("a,b,,d", ','), 3);
    EXPECT_EQ(LuxBackPos('\\', "C:\\a\\b"), 5);
    EXPECT_EQ(LuxBackPos('x', "abc"), 0);
    EXPECT_EQ(LuxBackPos('x', ""), 0);
    EXPECT_EQ(LuxScanToNumber("COM12"), 4);
    EXPECT_EQ(LuxScanToNumber("none"), 0);
    EXPECT_TRUE(LuxEmpty(""));
    EXPECT_TRUE(LuxEmpty("   "));
    EXPECT_FALSE(LuxEmpty(" \t "));
    EXPECT_EQ(LuxTrim("  a b \t"), "a b");
    EXPECT_EQ(LuxTrimL("  a "), "a ");
    EXPECT_EQ(LuxTrimR("  a "), "  a");
    EXPECT_EQ(LuxGetFirstString("key=value=x", '='), "key");
    EXPECT_EQ(LuxGetSecondString("key=value=x", '='), "value=x");
    EXPECT_EQ(LuxGetFirstString("plain", '='), "plain");
    EXPECT_EQ(LuxGetSecondString("plain", '='), "plain");
    EXPECT_EQ(LuxGetSecondString("k=" + std::string(300, 'v'), '='), std::string(255, 'v'));
}

TEST(Luxstrings, TrailingBackslash) {
    const struct {
        const char* in;
        const char* added;
        const char* removed;
    } cases[] = {
        {"", "\\", ""},
        {"  ", "  \\", "  "},
        {"C:\\", "C:\\", "C:"},
        {"C:\\Temp", "C:\\Temp\\", "C:\\Temp"},
        {"C:\\Temp\\\\", "C:\\Temp\\\\", "C:\\Temp\\"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(LuxSlashAdd(c.in), c.added) << c.in;
        EXPECT_EQ(LuxSlashRemove(c.in), c.removed) << c.in;
    }
}
