#include "indicator_controls/Mystd.h"

#include "indicator_controls/tests/support/CalcLines.h"
#include "platform/rtl/Math.h"
#include "platform/ui/Forms.h"

#include <gtest/gtest.h>
#include <muParser.h>

#include <cmath>
#include <cstdio>
#include <functional>
#include <numbers>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

constexpr long double kPi = std::numbers::pi_v<long double>;

// --- Math routines ----------------------------------------------------------------------------------

TEST(MystdMath, ValuesAndDomainErrors) {
    struct Case {
        const char* what;
        std::function<long double()> f;
        long double expected;
    };
    const Case cases[] = {
        {"(-2)^3 by the absolute value", [] { return Power(-2, 3); }, 8},
        {"0^0", [] { return Power(0, 0); }, 0},
        {"0^-1", [] { return Power(0, -1); }, 0},
        {"5^0", [] { return Power(5, 0); }, 1},
        {"2^10", [] { return Power(2, 10); }, 1024},
        {"cube root of 27", [] { return Root(3, 27); }, 3},
        {"log10 of 1000", [] { return Log10(1000); }, 3},
        {"arcsin 0.5", [] { return ArcSin(0.5L); }, kPi / 6},
        {"arccos 0.5", [] { return ArcCos(0.5L); }, kPi / 3},
        {"arccos 0", [] { return ArcCos(0); }, kPi / 2},
        {"arccos -0.5", [] { return ArcCos(-0.5L); }, 2 * kPi / 3},
        {"arccos -0.999", [] { return ArcCos(-0.999L); }, std::acos(-0.999L)},
        {"0!", [] { return Factorial(0); }, 1},
        {"1!", [] { return Factorial(1); }, 1},
        {"-5!", [] { return Factorial(-5); }, 1},
        {"20!", [] { return Factorial(20); }, 2432902008176640000.0L},
    };
    for (const Case& c : cases) EXPECT_NEAR(static_cast<double>(c.f()), static_cast<double>(c.expected), 1e-12) << c.what;

    EXPECT_THROW(ArcSin(1), EZeroDivide);
    EXPECT_THROW(ArcSin(2), EInvalidOp);
    EXPECT_THROW(ArcCos(1.5L), EInvalidOp);
    EXPECT_THROW(Root(0, 5), EZeroDivide);
    EXPECT_THROW(Log10(0), EZeroDivide);
    EXPECT_THROW(Log10(-1), EInvalidOp);
    EXPECT_THROW(Power(10, 100000), EOverflow);
    EXPECT_THROW(Factorial(5000), EOverflow);
}

TEST(MystdMath, Primes) {
    const std::pair<std::int32_t, bool> cases[] = {
        {-7, true}, {-4, true}, {0, true}, {1, true}, {2, true}, {3, true}, {4, false}, {9, false},
        {25, false}, {29, true}, {2147483647, true}, {2147483646, false}, {46337 * 46337, false},
    };
    for (auto [n, prime] : cases) EXPECT_EQ(IsPrime(n), prime) << n;
}

TEST(MystdUnit, ShortDateYears) {
    struct Case {
        const char* format;
        TvShortDateFormat kind;
        const char* result;
    };
    const Case cases[] = {
        {"dd.MM.yy", sdf4DigitYear, "dd.MM.yyyy"},
        {"d/M/y", sdf4DigitYear, "d/M/yyyy"},
        {"yyyy-MM-dd", sdf4DigitYear, "yyyy-MM-dd"},
        {"yyyyy/M/d", sdf4DigitYear, "yyyyy/M/d"},
        {"yy/M/d yy", sdf4DigitYear, "yyyy/M/d yy"},
        {"dd.MM.", sdf4DigitYear, "yyydd.MM."},
        {"d/M/yyyy", sdf2DigitYear, "d/M/yy"},
        {"yyyyy.yyy.y", sdf2DigitYear, "yy.yy.y"},
        {"dd.MM.yy", sdf2DigitYear, "dd.MM.yy"},
        {"d/M/yyyy", sdfDontTouch, "d/M/yyyy"},
    };
    for (const Case& c : cases) EXPECT_EQ(ShortDateWithYear(c.format, c.kind), c.result) << c.format;
}

TEST(MystdUnit, TemporaryDirectoryWithoutItsSeparator) {
    const std::pair<const char*, const char*> cases[] = {
        {"/tmp/", "/tmp"}, {"/tmp//", "/tmp"}, {"C:\\TEMP\\", "C:\\TEMP"}, {"C:\\", "C:\\"},
        {"/", "/"},        {"/ab/", "/ab"},    {"/a/", "/a/"},                 {"", ""},
    };
    for (auto [dir, result] : cases) EXPECT_EQ(WithoutTrailingSeparators(dir), result) << dir;
}

TEST(MystdUnit, FindFormHostInfoAndPrevius) {
    TForm* form = new TForm(nullptr);
    TComponent* middle = new TComponent(form);
    TComponent* inner = new TComponent(middle);
    EXPECT_EQ(FindForm(inner), form);
    EXPECT_EQ(FindForm(middle), form);
    TComponent loose(nullptr);
    try {
        FindForm(&loose);
        ADD_FAILURE() << "no form above";
    } catch (const EComponentError& e) {
        EXPECT_EQ(e.Message, "NoForm");
    }
    EXPECT_THROW(FindForm(form), EComponentError) << "a form is not its own owner";
    delete form;

    std::string name, address;
    GetHostInfo(name, address);
    char host[256] = {};
    ASSERT_EQ(::gethostname(host, sizeof host - 1), 0);
    if (name != "-none-") {
        EXPECT_EQ(name, host);
        int parts[4];
        char rest = 0;
        EXPECT_EQ(std::sscanf(address.c_str(), "%d.%d.%d.%d%c", &parts[0], &parts[1], &parts[2], &parts[3], &rest), 4)
            << address;
    } else {
        EXPECT_EQ(address, "-none-");
    }
    EXPECT_FALSE(IsPrevius("anything"));
}

// --- TvCalc ------------------------------------------------------------------------------------------

struct Events {
    std::vector<std::string> log;
    static void Error(void* self, TObject*, const std::string& line, std::uint8_t where) {
        static_cast<Events*>(self)->log.push_back("error " + line + " @" + std::to_string(where));
    }
    static void OK(void* self, TObject*) { static_cast<Events*>(self)->log.push_back("ok"); }
    static bool Find(void* self, TObject*, const std::string& name) {
        static_cast<Events*>(self)->log.push_back("find " + name);
        return name.starts_with("MY");
    }
    static long double User(void* self, TObject*, const std::string& name, long double x) {
        static_cast<Events*>(self)->log.push_back("user " + name);
        return x * 100;
    }
};

// One line: its value, result code and where the scan stopped; the line reads back as stored.
struct CalcCase {
    std::string line;
    long double value;
    TvCalcResult code;
    int where;
};

void Check(const CalcCase& c) {
    TvCalc calc;
    calc.SetCalcLine(c.line);
    EXPECT_NEAR(static_cast<double>(calc.NumberNum()), static_cast<double>(c.value), 1e-12) << c.line;
    EXPECT_EQ(calc.CalcResult(), c.code) << c.line;
    EXPECT_EQ(int{calc.WhereIsLastError()}, c.where) << c.line;
    EXPECT_EQ(calc.CalcLine(), c.line.empty() ? std::string("0") : c.line.substr(0, 254)) << c.line;
}

TEST(TvCalc, GrammarAndErrors) {
    using Case = CalcCase;
    const long double e = static_cast<double>(std::exp(1.0L));
    const long double overflowing = 0; // an exception leaves the line's value at 0
    const Case cases[] = {
        // Numbers, operators and their order.
        {"-3+2", -1, TvcOK, 5},
        {"1+2*3", 7, TvcOK, 6},
        {"2*3^2", 36, TvcOK, 6},
        {"-2^2", -4, TvcOK, 5},
        {"(-2)^3", 8, TvcOK, 7},
        {"2 * ( 3 + 4 ) ", 14, TvcOK, 15},
        {"12/4/3", 1, TvcOK, 7},
        {".5", 0.5, TvcOK, 3},
        {"5,", 5, TvcOK, 3},
        {"1,5+1.25", 2.75, TvcOK, 9},
        {"1 2 3", 123, TvcOK, 6},
        {"1e3", 1, TvcOK, 2},
        {"2)", 2, TvcOK, 2},
        {"", 0, TvcOK, 2},
        // Names, case-blind, and functions.
        {"sqrt(16)", 4, TvcOK, 9},
        {"E", e, TvcOK, 2},
        {"pi", 3.141592653589793, TvcOK, 3},
        {"ABS(-3)+FRAC(-2.5)", 2.5, TvcOK, 19},
        {"ROUND(2.5)+ROUND(3.5)*10+ROUND(-2.5)*100", 2 + 40 - 200, TvcOK, 41},
        {"TRUNC(-2.7)", -2, TvcOK, 12},
        {"CEILING(2.1)*10+CEILING(-2.1)", 28, TvcOK, 30},
        {"FLOOR(2.9)*10+FLOOR(-2.1)", 17, TvcOK, 26},
        {"LOG(100)+LN(E)", 3, TvcOK, 15},
        {"ARCCOS(0)", static_cast<double>(kPi / 2), TvcOK, 10},
        {"ARCCOS(-0.5)", static_cast<double>(2 * kPi / 3), TvcOK, 13},
        {"RANDOM(1)", 0, TvcOK, 10},
        {"SQR(-3)", 9, TvcOK, 8},
        // Errors: value, code and where the scan stopped.
        {"2*-3", 0, TvcNumberMissing, 3},
        {"(1+2", 3, TvcRightPar, 5},
        {"(", 0, TvcNumberMissing, 2},
        {")", 0, TvcNumberMissing, 1},
        {"1+", 1, TvcNumberMissing, 3},
        {".", 0, TvcNumberMissing, 2},
        {"1/0", 1, TvcDivZero, 4},
        {"0/0+5", 0, TvcDivZero, 4},
        {"1/(2-2)*7", 1, TvcDivZero, 8},
        {"SIN 1", 0, TvcLeftPar, 6},
        {"SIN(1", static_cast<double>(std::sin(1.0L)), TvcRightPar, 6},
        {"ARCCOS(2)", 0, TvcDivZero, 10},
        {"ARCSIN(1)", 0, TvcDivZero, 10},
        {"LN(0)", 0, TvcDivZero, 6},
        {"LOG(-1)", 0, TvcDivZero, 8},
        {"SQRT(-4)", 0, TvcDivZero, 9},
        {"XYZ", 0, TvcFunctionMissing, 4},
        {"PI_X", 0, TvcFunctionMissing, 5},
        {"LOG10(100)", 0, TvcLeftPar, 5},
        // Overflow: in a factor, in an operator, and integers out of range.
        {"EXP(100000)", overflowing, TvcOverFlow, 12},
        {"SQR(SQR(SQR(SQR(SQR(SQR(SQR(10000)))))))", overflowing, TvcOverFlow, 41},
        {"2^100000", overflowing, TvcOverFlow, 9},
        {"TRUNC(SQR(SQR(SQR(SQR(100000)))))+1", 0, TvcOverFlow, 34},
        {"ROUND(SQR(SQR(SQR(SQR(100000)))))", 0, TvcOverFlow, 34},
        {"CEILING(SQR(SQR(SQR(SQR(100000)))))", 0, TvcOverFlow, 36},
        {"FLOOR(-SQR(SQR(SQR(SQR(100000)))))", 0, TvcOverFlow, 35},
        {"RANDOM(SQR(10^10))", 0, TvcOverFlow, 19},
    };
    for (const Case& c : cases) Check(c);
}

TEST(TvCalc, IntegerFunctionsAtThe64BitEdges) {
    // 2^63 and 2^63 - 1024 (the largest double below it) as numbers; sums and differences taken in
    // the extended reach 2^63 - 1 and 2^63 - 0.5. A function's value is then held as a double.
    const long double two63 = 9223372036854775808.0L, below = 9223372036854774784.0L;
    const CalcCase cases[] = {
        // TRUNC, CEILING and FLOOR answer a whole part beyond 64 bits with an overflow and 0 and
        // the line stops at the next operator; only the whole part they take has to fit.
        {"TRUNC(9223372036854775808)", 0, TvcOverFlow, 27},
        {"TRUNC(-9223372036854775808)", -two63, TvcOK, 28},
        {"TRUNC(-9223372036854775808-1)", 0, TvcOverFlow, 30},
        {"TRUNC(9223372036854774784)", below, TvcOK, 27},
        {"TRUNC(-9223372036854774784)", -below, TvcOK, 28},
        {"TRUNC(9223372036854774784+1023.5)", two63, TvcOK, 34},
        {"TRUNC(-9223372036854774784-1023.5)", -two63, TvcOK, 35},
        {"5-TRUNC(10^30)", 5, TvcOverFlow, 15},
        {"2*TRUNC(9223372036854775808)+1", 0, TvcOverFlow, 29},
        {"CEILING(9223372036854775808)", 0, TvcOverFlow, 29},
        {"CEILING(-9223372036854775808)", -two63, TvcOK, 30},
        {"CEILING(-9223372036854775808-1)", 0, TvcOverFlow, 32},
        {"CEILING(9223372036854774784)", below, TvcOK, 29},
        {"CEILING(9223372036854774784+1023)", two63, TvcOK, 34},
        {"CEILING(9223372036854774784+1023.5)", two63, TvcOK, 36},
        {"CEILING(-9223372036854774784-1023.5)", -two63, TvcOK, 37},
        {"CEILING(9223372036854774784+1023.5", two63, TvcRightPar, 35},
        {"FLOOR(0-9223372036854775808)", -two63, TvcOK, 29},
        {"FLOOR(9223372036854775808)", 0, TvcOverFlow, 27},
        {"FLOOR(-9223372036854775808-1)", 0, TvcOverFlow, 30},
        {"FLOOR(-9223372036854774784)", -below, TvcOK, 28},
        {"FLOOR(9223372036854774784+1023.5)", two63, TvcOK, 34},
        {"FLOOR(-9223372036854774784-1023.5)", -two63, TvcOK, 35},
        // ROUND and RANDOM have no such answer: the round raises and the whole line overflows
        // with the value 0, stopped where the round was taken. Halves go to the even neighbour.
        {"ROUND(9223372036854775808)", 0, TvcOverFlow, 27},
        {"ROUND(-9223372036854775808)", -two63, TvcOK, 28},
        {"ROUND(-9223372036854775808-1)", 0, TvcOverFlow, 30},
        {"ROUND(9223372036854774784)", below, TvcOK, 27},
        {"ROUND(-9223372036854774784)", -below, TvcOK, 28},
        {"ROUND(9223372036854774784+1022.5)", two63, TvcOK, 34},
        {"ROUND(9223372036854774784+1023.5)", 0, TvcOverFlow, 34},
        {"ROUND(-9223372036854774784-1023.5)", -two63, TvcOK, 35},
        {"5-ROUND(10^30)", 0, TvcOverFlow, 15},
        {"RANDOM(9223372036854775808)", 0, TvcOverFlow, 28},
        {"RANDOM(9223372036854774784+1023.5)", 0, TvcOverFlow, 35},
        {"RANDOM(-9223372036854775808)", 0, TvcOK, 29},
        {"RANDOM(-9223372036854774784)", 0, TvcOK, 29},
    };
    for (const CalcCase& c : cases) {
        TvCalc calc;
        calc.SetCalcLine(c.line);
        EXPECT_EQ(calc.NumberNum(), c.value) << c.line;
        EXPECT_EQ(calc.CalcResult(), c.code) << c.line;
        EXPECT_EQ(int{calc.WhereIsLastError()}, c.where) << c.line;
    }
}

TEST(TvCalc, RandomReachesRangesBeyond32Bits) {
    RandSeed = 77;
    for (const auto& [line, range] : {std::pair{"RANDOM(9223372036854774784)", 9223372036854774784.0L},
                                      std::pair{"RANDOM(SQR(100000))", 1e10L}}) {
        TvCalc calc;
        bool beyond32 = false;
        for (int i = 0; i < 20; ++i) {
            calc.SetCalcLine(line);
            ASSERT_EQ(calc.CalcResult(), TvcOK) << line;
            const long double v = calc.NumberNum();
            EXPECT_GE(v, 0) << line;
            EXPECT_LT(v, range) << line;
            EXPECT_EQ(v, std::trunc(v)) << line;
            beyond32 |= v > 4294967296.0L;
        }
        EXPECT_TRUE(beyond32) << line;
    }
}

TEST(TvCalc, ResultsBeyondTheDoubleStayInTheExtended) {
    // Factors are doubles, but what operators make of them is extended.
    TvCalc calc;
    calc.SetCalcLine("SQR(SQR(SQR(SQR(SQR(SQR(10000))))))*SQR(SQR(SQR(SQR(SQR(SQR(10000))))))");
    EXPECT_EQ(calc.CalcResult(), TvcOK);
    EXPECT_NEAR(static_cast<double>(calc.NumberNum() / 1e512L), 1.0, 1e-12);
    // Used as a factor again, it no longer fits.
    calc.SetCalcLine("(A)");
    EXPECT_EQ(calc.CalcResult(), TvcOverFlow);
}

TEST(TvCalc, LongLinesAreCutAndThePositionFitsItsByte) {
    using Case = CalcCase;
    std::string sums;
    for (int i = 0; i < 150; ++i) sums += "1+";
    const Case cases[] = {
        // Cut to 254 characters: 127 ones and a plus with nothing after it.
        {sums, 127, TvcNumberMissing, 255},
        {std::string(300, '('), 0, TvcNumberMissing, 255},
        {std::string(253, ' ') + "7", 7, TvcOK, 255},
        {std::string(254, ' ') + "7", 0, TvcNumberMissing, 255},
    };
    for (const Case& c : cases) Check(c);
}

TEST(TvCalc, RegistersTakeEveryResultNewestFirst) {
    TvCalc calc;
    for (const char* line : {"1", "2", "3"}) calc.SetCalcLine(line);
    EXPECT_EQ(calc.RegisterANum(), 3);
    EXPECT_EQ(calc.RegisterBNum(), 2);
    EXPECT_EQ(calc.RegisterCNum(), 1);
    EXPECT_EQ(calc.RegisterDNum(), 0);

    // Named in later lines; an error's value goes in as well.
    calc.SetCalcLine("a*10+b");
    EXPECT_EQ(calc.NumberNum(), 32);
    calc.SetCalcLine("1/0");
    EXPECT_EQ(calc.RegisterANum(), 1);
    EXPECT_EQ(calc.RegisterBNum(), 32);
    for (int i = 0; i < 9; ++i) calc.SetCalcLine(std::to_string(i + 10));
    const long double expected[9] = {18, 17, 16, 15, 14, 13, 12, 11, 10};
    for (int r = 1; r <= 9; ++r) EXPECT_EQ(calc.RegisterNum(r), expected[r - 1]) << r;
    EXPECT_EQ(calc.RegisterJNum(), 10);
    calc.SetCalcLine("J+I");
    EXPECT_EQ(calc.NumberNum(), 21);

    // Written directly; without PushResult they stay.
    calc.SetRegisterFNum(2.5L);
    calc.SetPushResult(false);
    calc.SetCalcLine("F*4");
    EXPECT_EQ(calc.NumberNum(), 10);
    EXPECT_EQ(calc.RegisterANum(), 21);
    EXPECT_EQ(calc.RegisterFNum(), 2.5L);
}

TEST(TvCalc, EventsAndUserFunctions) {
    Events ev;
    TvCalc calc;
    calc.OnError = TCalcErrorEvent(&Events::Error, &ev);
    calc.OnOK = TNotifyEvent(&Events::OK, &ev);
    calc.SetCalcLine("1+1");
    calc.SetCalcLine("(1+2");
    calc.SetCalcLine("MYF(2)");
    EXPECT_EQ(ev.log, (std::vector<std::string>{"ok", "error (1+2 @5", "error MYF(2) @4"}));

    ev.log.clear();
    calc.OnFindUserFunc = TFindUserFunc(&Events::Find, &ev);
    calc.SetCalcLine("MYF(2)+1");
    EXPECT_EQ(calc.NumberNum(), 3) << "without OnUserFunc the argument itself";
    calc.OnUserFunc = TUserFunc(&Events::User, &ev);
    calc.SetCalcLine("myfunctionwithalongname(0.5)+1");
    EXPECT_EQ(calc.NumberNum(), 51);
    calc.SetCalcLine("OTHER(1)");
    EXPECT_EQ(calc.CalcResult(), TvcFunctionMissing);
    EXPECT_EQ(ev.log, (std::vector<std::string>{"find MYF", "ok", "find MYFUNCTION", "user MYFUNCTION", "ok",
                                                "find OTHER", "error OTHER(1) @6"}));
}

TEST(TvCalc, RenderingWithTheFormatLine) {
    Events ev;
    TvCalc calc;
    calc.OnError = TCalcErrorEvent(&Events::Error, &ev);
    calc.SetCalcLine("1/8");
    EXPECT_EQ(calc.Number(), "1.25000000000000E-001");
    calc.SetFormatLine("%.3f");
    EXPECT_EQ(calc.Number(), "0.125");
    EXPECT_EQ(calc.RegisterA(), "0.125");
    EXPECT_EQ(calc.RegisterB(), "0.000");

    // A format the number does not fit: nothing rendered, the error reported, the result kept.
    calc.SetCalcLine("1/0");
    for (const char* bad : {"%d", "%s", "%e %e", "%x", "%"}) {
        ev.log.clear();
        calc.SetFormatLine(bad);
        EXPECT_EQ(calc.Number(), "") << bad;
        EXPECT_EQ(calc.CalcResult(), TvcDivZero) << bad;
        EXPECT_EQ(ev.log, (std::vector<std::string>{std::string("error ") + bad + " @0"})) << bad;
    }
}

TEST(TvCalc, AgreesWithAnotherParserOnLinesBothRead) {
    mu::Parser other;
    int compared = 0;
    for (const std::string& line : GenerateCalcLines(1234, 3000)) {
        TvCalc calc;
        calc.SetCalcLine(line);
        if (calc.CalcResult() != TvcOK) {
            // Only division by zero and roots of negatives stop a generated line.
            EXPECT_TRUE(calc.CalcResult() == TvcDivZero) << line;
            continue;
        }
        EXPECT_EQ(std::size_t{calc.WhereIsLastError()}, line.size() + 1) << "the whole line is read: " << line;
        other.SetExpr(line);
        const double theirs = other.Eval();
        const double ours = static_cast<double>(calc.NumberNum());
        EXPECT_NEAR(ours, theirs, 1e-9 * std::max(1.0, std::fabs(theirs))) << line;
        ++compared;
    }
    EXPECT_GT(compared, 2000) << "the generator should give mostly lines without errors";
}

} // namespace
