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

namespace {

TFormatSettings Comma() {
    TFormatSettings fs;
    fs.DecimalSeparator = ',';
    fs.ThousandSeparator = '.';
    return fs;
}

} // namespace

TEST(Format, FloatToStrF) {
    const TFormatSettings dot;
    struct FloatCase {
        double value;
        TFloatFormat format;
        int precision, digits;
        const char* expected;
    };
    const FloatCase cases[] = {
        {1.5, ffGeneral, 15, 0, "1.5"},
        {100, ffGeneral, 15, 0, "100"},
        {0.00001, ffGeneral, 15, 0, "1E-5"},
        {0.00001, ffGeneral, 15, 2, "1E-05"},
        {1e15, ffGeneral, 15, 0, "1E15"},
        {1e14, ffGeneral, 15, 0, "100000000000000"},
        {-2.0 / 3, ffGeneral, 4, 0, "-0.6667"},
        {1234.5, ffExponent, 4, 2, "1.235E+03"},
        {-0.000123, ffExponent, 3, 0, "-1.23E-4"},
        {1.005, ffFixed, 15, 2, "1.01"},
        {123.456, ffFixed, 4, 2, "123.50"},
        {0.0, ffFixed, 15, 3, "0.000"},
        {-0.001, ffFixed, 15, 2, "0.00"},
        {123456.0, ffFixed, 4, 2, "1.235E5"},
        {1234567.891, ffNumber, 15, 2, "1,234,567.89"},
        {-999.0, ffNumber, 15, 0, "-999"},
    };
    for (const FloatCase& c : cases)
        EXPECT_EQ(FloatToStrF(c.value, c.format, c.precision, c.digits, dot), c.expected) << c.value;
    EXPECT_EQ(FloatToStr(2.5, dot), "2.5");
    EXPECT_EQ(FloatToStr(-2.5, Comma()), "-2,5");
    EXPECT_EQ(FloatToStrF(1234567.891, ffNumber, 15, 2, Comma()), "1.234.567,89");
    TFormatSettings none;
    none.ThousandSeparator = '\0';
    EXPECT_EQ(FloatToStrF(1234.0, ffNumber, 15, 1, none), "1234.0");
}

TEST(Format, StrToFloatReadsItsSettingsSeparator) {
    const TFormatSettings dot;
    const std::pair<const char*, double> good[] = {{"1.5", 1.5},  {" -2.25 ", -2.25}, {"+3", 3},
                                                   {"1e3", 1000}, {"1.5E-2", 0.015},  {".5", 0.5},
                                                   {"5.", 5}};
    for (auto [text, value] : good) EXPECT_EQ(StrToFloat(text, dot), value) << text;
    for (const char* bad :
         {"", " ", "1,5", "1.2.3", "e5", "1e", "1e+", "--1", "1 2", "0x10", "1,000.5", "inf"}) {
        try {
            StrToFloat(bad, dot);
            ADD_FAILURE() << bad;
        } catch (const EConvertError& e) {
            EXPECT_EQ(e.Message, std::string("'") + bad + "' is not a valid floating point value");
        }
    }
    EXPECT_EQ(StrToFloat("1,5", Comma()), 1.5);
    EXPECT_THROW(StrToFloat("1.5", Comma()), EConvertError);
    double v = 7;
    EXPECT_FALSE(TryStrToFloat("x", v, dot));
    EXPECT_EQ(v, 7);
    // Every value FloatToStr writes reads back the same.
    for (double x : {0.1, -1234.5678, 1e-10, 6.02214076e23})
        EXPECT_DOUBLE_EQ(StrToFloat(FloatToStr(x, Comma()), Comma()), x);
}
