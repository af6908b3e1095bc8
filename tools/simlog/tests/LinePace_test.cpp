// A paced line: what it carries after idling, while busy, and that no stretch of time carries more
// than its rate (plus the short burst a receiver's buffer holds).
#include "tools/simlog/Server.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>

using simlog::LinePace;

namespace {

constexpr int64_t Ms = 1'000'000;

} // namespace

TEST(LinePace, CarriesWhatTheLineWouldHaveCarried) {
    // 11520 bytes a second: a 115200-baud line of ten bits a byte.
    struct Case {
        const char* What;
        int64_t TookAt;  // -1: never busy before
        size_t Took;
        int64_t AskAt;
        size_t Wanted;
        size_t Allowed;
    };
    for (const Case c : {
             Case{"idle: a burst's worth", -1, 0, 1000 * Ms, 100000, 230},
             Case{"idle, little wanted", -1, 0, 1000 * Ms, 3, 3},
             Case{"a burst just taken: nothing yet", 1000 * Ms, 230, 1000 * Ms, 4096, 0},
             Case{"a small part taken: the rest", 1000 * Ms, 30, 1000 * Ms, 4096, 200},
             Case{"10 ms after the burst", 1000 * Ms, 230, 1010 * Ms, 4096, 115},
             Case{"long after: the burst again", 1000 * Ms, 230, 5000 * Ms, 4096, 230},
         }) {
        LinePace pace(11520);
        if (c.TookAt >= 0) pace.Took(c.Took, c.TookAt);
        EXPECT_EQ(pace.Allowance(c.AskAt, c.Wanted), c.Allowed) << c.What;
    }
    LinePace unpaced;
    EXPECT_FALSE(unpaced.Paced());
    EXPECT_EQ(unpaced.Allowance(0, 1 << 20), 1u << 20);
}

TEST(LinePace, NeverPassesItsRateOverAnyStretch) {
    // A reader that takes all it may whenever it looks, at uneven moments, for ten seconds.
    LinePace pace(11520);
    int64_t now = 0;
    size_t total = 0;
    for (int i = 0; now < 10'000 * Ms; ++i) {
        const size_t n = pace.Allowance(now, 4096);
        pace.Took(n, now);
        total += n;
        now = std::max(now + (i % 7) * Ms / 3, pace.ReadyAt(SIZE_MAX));
    }
    EXPECT_LE(total, 11520u * 10 + 230);
    // Looking at least as often as the line fills a chunk, nothing is lost.
    EXPECT_GE(total, 11520u * 10 - 230);
}
