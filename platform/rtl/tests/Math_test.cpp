#include "platform/rtl/Math.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <limits>
#include <set>

TEST(RtlMath, RoundTiesToEvenAndTruncTowardZero) {
    struct Case {
        long double x;
        std::int64_t round, trunc;
    } cases[] = {
        {0.0L, 0, 0},
        {0.5L, 0, 0},
        {1.5L, 2, 1},
        {2.5L, 2, 2},
        {3.5L, 4, 3},
        {-0.5L, 0, 0},
        {-1.5L, -2, -1},
        {-2.5L, -2, -2},
        {2.4999L, 2, 2},
        {2.5001L, 3, 2},
        {-2.5001L, -3, -2},
        {25.5L, 26, 25},
        {0.49999999999999994L, 0, 0},
        {9007199254740993.0L, 9007199254740993LL, 9007199254740993LL},
        {-9223372036854775808.0L, INT64_MIN, INT64_MIN},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Round(c.x), c.round) << static_cast<double>(c.x);
        EXPECT_EQ(Trunc(c.x), c.trunc) << static_cast<double>(c.x);
    }
}

TEST(RtlMath, RoundAndTruncRaiseOutsideTheIntegerRange) {
    const long double bad[] = {std::numeric_limits<long double>::quiet_NaN(),
                               std::numeric_limits<long double>::infinity(),
                               -std::numeric_limits<long double>::infinity(),
                               9223372036854775808.0L,
                               -9223372036854775809.0L,
                               1e30L};
    for (long double x : bad) {
        EXPECT_THROW(Round(x), EInvalidOp) << static_cast<double>(x);
        EXPECT_THROW(Trunc(x), EInvalidOp) << static_cast<double>(x);
    }
}

TEST(RtlMath, CheckFloatRaisesWhatTheResultMeans) {
    const double zero = 0.0;
    EXPECT_EQ(CheckFloat(1.0 / 4.0, true), 0.25);
    EXPECT_EQ(CheckFloat(-DBL_MAX), -DBL_MAX);
    EXPECT_THROW(CheckFloat(1.0 / zero, true), EZeroDivide);
    EXPECT_THROW(CheckFloat(-1.0 / zero, true), EZeroDivide);
    EXPECT_THROW(CheckFloat(zero / zero, true), EInvalidOp);
    EXPECT_THROW(CheckFloat(std::sqrt(-1.0 + zero)), EInvalidOp);
    EXPECT_THROW(CheckFloat(DBL_MAX * 2), EOverflow);
    EXPECT_THROW(CheckFloat(std::exp(100000.0L)), EOverflow);
    // All three are math errors with the processor's texts.
    try {
        CheckFloat(1.0 / zero, true);
    } catch (const EMathError& e) {
        EXPECT_STREQ(e.what(), "Floating point division by zero");
    }
    EXPECT_STREQ(EOverflow().what(), "Floating point overflow");
    EXPECT_STREQ(EInvalidOp().what(), "Invalid floating point operation");
    EXPECT_STREQ(ERangeError().what(), "Range check error");
}

TEST(RtlMath, RandomRepeatsFromASeedAndStaysInRange) {
    RandSeed = 12345;
    int first[8];
    for (int& v : first) v = Random(1000);
    RandSeed = 12345;
    for (int v : first) EXPECT_EQ(Random(1000), v);

    std::set<int> seen;
    for (int i = 0; i < 2000; ++i) {
        const int v = Random(10);
        ASSERT_GE(v, 0);
        ASSERT_LT(v, 10);
        seen.insert(v);
        const double d = Random();
        ASSERT_GE(d, 0.0);
        ASSERT_LT(d, 1.0);
    }
    EXPECT_EQ(seen.size(), 10u);
    EXPECT_EQ(Random(0), 0);
    EXPECT_EQ(Random(-5), 0);
    EXPECT_EQ(Random(1), 0);

    // A seed of 0 still moves, and Randomize changes the seed.
    RandSeed = 0;
    Random(2);
    EXPECT_NE(RandSeed, 0);
    RandSeed = 7;
    Randomize();
    const std::int32_t seeded = RandSeed;
    Randomize();
    EXPECT_NE(RandSeed, seeded);
}
