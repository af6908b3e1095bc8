#include "platform/rtl/Format.h"

#include "platform/rtl/Exceptions.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

namespace {

struct Case {
    const char* fmt;
    std::vector<TVarRec> args;
    const char* expected;
};

void Check(const std::vector<Case>& cases) {
    for (const Case& c : cases) EXPECT_EQ(Format(c.fmt, c.args), c.expected) << c.fmt;
}

} // namespace

TEST(Format, Integers) {
    Check({
        {"%d", {42}, "42"},
        {"%5d|", {42}, "   42|"},
        {"%-5d|", {42}, "42   |"},
        {"%.5d", {-12}, "-00012"},
        {"%07.7d", {12345}, "0012345"},
        {"%3d", {123456}, "123456"},
        {"%d", {INT64_MIN}, "-9223372036854775808"},
        {"%d", {4000000000u}, "4000000000"},
        {"%u", {-1}, "4294967295"},
        {"%u", {std::int64_t{-1}}, "18446744073709551615"},
        {"%x", {255}, "FF"},
        {"%.4x", {255}, "00FF"},
        {"%08.8x", {-1}, "FFFFFFFF"},
        {"%x", {std::int64_t{-1}}, "FFFFFFFFFFFFFFFF"},
        {"%X", {0xABCu}, "ABC"},
        {"%d", {std::uint8_t{200}}, "200"},
    });
}

TEST(Format, StringsCharactersAndPointers) {
    const std::string s = "hello";
    Check({
        {"%s", {"abc"}, "abc"},
        {"%.2s", {"abc"}, "ab"},
        {"%5s|%-5s|", {"ab", "cd"}, "   ab|cd   |"},
        {"%s", {s}, "hello"},
        {"%s", {'c'}, "c"},
        {"%s", {static_cast<const char*>(nullptr)}, ""},
        {"%p", {reinterpret_cast<void*>(0xBEEF)}, "0000BEEF"},
        {"%p", {nullptr}, "00000000"},
        {"100%%", {}, "100%"},
        {"%s%%%s", {"a", "b"}, "a%b"},
    });
    EXPECT_EQ(Format("[%s]", {std::string("a\0b", 3)}), std::string("[a\0b]", 5));
}

TEST(Format, Floats) {
    Check({
        {"%f", {1.5}, "1.50"},
        {"%.3f", {3.14159}, "3.142"},
        {"%.0f", {2.5}, "3"},
        {"%.2f", {0.125}, "0.13"},
        {"%.2f", {2.675}, "2.67"},
        {"%.2f", {-0.001}, "0.00"},
        {"%.1f", {-0.25}, "-0.3"},
        {"%8.2f|", {-3.14159}, "   -3.14|"},
        {"%f", {9.999}, "10.00"},
        {"%n", {1234567.891}, "1,234,567.89"},
        {"%.0n", {999.5}, "1,000"},
        {"%n", {-123.0}, "-123.00"},
        {"%m", {12.345}, "12.35"},
        {"%e", {1234.5}, "1.23450000000000E+003"},
        {"%.3e", {-0.00012345}, "-1.23E-004"},
        {"%.2e", {9.99}, "1.0E+001"},
        {"%e", {0.0}, "0.00000000000000E+000"},
        {"%g", {1234.5}, "1234.5"},
        {"%g", {0.1}, "0.1"},
        {"%g", {0.0001}, "0.0001"},
        {"%g", {0.00001}, "1E-005"},
        {"%g", {1e20}, "1E020"},
        {"%.3g", {1234.5}, "1.23E003"},
        {"%g", {100.0}, "100"},
        {"%g", {0.0}, "0"},
        {"%g", {1.0 / 3}, "0.333333333333333"},
        {"%f", {std::numeric_limits<double>::infinity()}, "INF"},
        {"%e", {-std::numeric_limits<double>::infinity()}, "-INF"},
        {"%g", {std::nan("")}, "NAN"},
    });
}

TEST(Format, IndexAndStar) {
    Check({
        {"%1:s %0:s", {"a", "b"}, "b a"},
        // After an index the arguments go on from there.
        {"%1:s %s %0:s %s", {"a", "b", "c"}, "b c a b"},
        {"%*d|", {5, 42}, "   42|"},
        {"%-*d|", {4, 7}, "7   |"},
        {"%.*f", {1, 2.25}, "2.3"},
        {"%*.*f|", {7, 3, 1.0}, "  1.000|"},
        {"%*:s", {1, "x"}, "x"},
    });
}

TEST(Format, MismatchesAndMissingArgumentsRaise) {
    struct Bad {
        const char* fmt;
        std::vector<TVarRec> args;
    };
    const std::vector<Bad> bad = {
        {"%d", {1.5}}, {"%d", {"x"}},  {"%f", {1}},       {"%e", {std::int64_t{1}}},
        {"%s", {1}},   {"%s", {true}}, {"%d", {true}},    {"%x", {'c'}},
        {"%p", {1}},   {"%d %d", {1}}, {"%d", {}},        {"%", {1}},
        {"abc%", {}},  {"%5", {1}},    {"%y", {1}},       {"%*d", {"5", 1}},
        {"%3:d", {1}}, {"%.", {1.0}},  {"%-5:d", {1, 2}},
    };
    for (const auto& [fmt, args] : bad) {
        try {
            Format(fmt, args);
            ADD_FAILURE() << fmt;
        } catch (const EConvertError& e) {
            EXPECT_EQ(e.Message, std::string("Format '") + fmt + "' invalid or incompatible with argument");
        }
    }
}

TEST(Format, FormatTextIsNeverInterpretedByPrintf) {
    // Text that printf would expand or crash on comes out as written or raises.
    EXPECT_EQ(Format("%s", {"%n%n%s"}), "%n%n%s");
    EXPECT_THROW(Format("%n", {}), EConvertError);
    EXPECT_THROW(Format("%hhn", {1}), EConvertError);
    EXPECT_EQ(Format("%99999999999d|", {1}).size(), std::size_t{1 << 20} + 1);
}
