#include "platform/win/Clock.h"

#include "platform/win/Messages.h"
#include "platform/win/Sync.h"
#include "platform/win/tests/support/WinTestSupport.h"

#include <gtest/gtest.h>

namespace {

class Clock : public ::testing::Test {
protected:
    void TearDown() override { SetClockOffsetForTesting(0); }

    // Puts the 32-bit millisecond count msBeforeWrap milliseconds below its wrap.
    static void SitBelowWrap(std::uint64_t msBeforeWrap) {
        SetClockOffsetForTesting(0);
        SetClockOffsetForTesting((std::uint64_t{1} << 32) - msBeforeWrap - MonotonicMs());
    }
};

TEST_F(Clock, AllReadingsComeFromOneClock) {
    std::int64_t frequency = 0;
    ASSERT_TRUE(QueryPerformanceFrequency(&frequency));
    EXPECT_EQ(frequency, 1000000);

    std::int64_t count = 0;
    const std::uint64_t before = MonotonicMs();
    ASSERT_TRUE(QueryPerformanceCounter(&count));
    const std::uint64_t ticks64 = GetTickCount64();
    const DWORD ticks = GetTickCount();
    const DWORD mm = timeGetTime();
    const std::uint64_t after = MonotonicMs();

    EXPECT_GE(static_cast<std::uint64_t>(count) / 1000, before);
    EXPECT_LE(static_cast<std::uint64_t>(count) / 1000, after);
    EXPECT_GE(ticks64, before);
    EXPECT_LE(ticks64, after);
    EXPECT_GE(ticks, static_cast<DWORD>(before));
    EXPECT_LE(ticks, static_cast<DWORD>(after));
    EXPECT_LE(mm - static_cast<DWORD>(before), after - before);
}

TEST_F(Clock, NeverGoesBackwards) {
    std::uint64_t last = MonotonicUs();
    for (int i = 0; i < 10000; ++i) {
        const std::uint64_t now = MonotonicUs();
        ASSERT_GE(now, last);
        last = now;
    }
}

TEST_F(Clock, OffsetShiftsEveryReading) {
    const std::uint64_t base = MonotonicMs();
    SetClockOffsetForTesting(1000000);
    std::int64_t count = 0;
    QueryPerformanceCounter(&count);
    EXPECT_GE(MonotonicMs(), base + 1000000);
    EXPECT_GE(GetTickCount64(), base + 1000000);
    EXPECT_GE(static_cast<std::uint64_t>(count), (base + 1000000) * 1000);
    EXPECT_GE(timeGetTime(), static_cast<DWORD>(base + 1000000));
}

TEST_F(Clock, ThirtyTwoBitCountWrapsWhileSixtyFourBitCountGoesOn) {
    SitBelowWrap(20);
    const DWORD before = GetTickCount();
    const std::uint64_t before64 = GetTickCount64();
    EXPECT_GT(before, 0xFFFFFF00u);
    Sleep(40);
    const DWORD after = GetTickCount();
    const std::uint64_t after64 = GetTickCount64();
    EXPECT_LT(after, 1000u);
    EXPECT_GE(after64, std::uint64_t{1} << 32);
    // Unsigned 32-bit differences still give the elapsed time across the wrap.
    EXPECT_GE(static_cast<DWORD>(after - before), 40u);
    EXPECT_LE(static_cast<DWORD>(after - before), after64 - before64);
}

TEST_F(Clock, WaitsAndTimersSpanTheWrap) {
    SitBelowWrap(15);
    TestWindow window;
    SetTimer(window.handle, 1, 30, nullptr);
    Event never;
    // The time-out ends although the 32-bit count wrapped during it.
    EXPECT_EQ(WaitForSingleObject(never.handle, 30), WAIT_TIMEOUT);
    MSG msg;
    ASSERT_TRUE(GetMessage(&msg, 0, 0, 0));
    EXPECT_EQ(msg.message, WM_TIMER);
    EXPECT_EQ(msg.hwnd, window.handle);
    EXPECT_LT(GetTickCount(), 1000u);
}

} // namespace
