// Multimedia timers on their own threads: periods kept to absolute deadlines, one-shot timers, a
// late tick that fires once, and kills from outside and from the timer's own callback.
#include "platform/win/MMTimer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

struct Ticks {
    std::atomic<int> count{0};
    std::atomic<int> slowFirst{0}; // ms the first call sleeps
    std::atomic<UINT> killOwn{0};   // kill this id from inside the first call
    std::atomic<bool> inside{false};
    std::vector<Clock::time_point> at; // written only by the timer's thread until it is killed
};

void Tick(UINT id, UINT, DWORD_PTR user, DWORD_PTR, DWORD_PTR) {
    auto* t = reinterpret_cast<Ticks*>(user);
    t->inside = true;
    t->at.push_back(Clock::now());
    const int n = ++t->count;
    if (n == 1 && t->slowFirst) std::this_thread::sleep_for(std::chrono::milliseconds(t->slowFirst.load()));
    if (n == 1 && t->killOwn == id) {
        EXPECT_EQ(timeKillEvent(id), MMSYSERR_NOERROR);
    }
    t->inside = false;
}

TEST(MMTimer, PeriodicTicksKeepTheirPhase) {
    Ticks t;
    const Clock::time_point start = Clock::now();
    const UINT id = timeSetEvent(20, 10, Tick, reinterpret_cast<DWORD_PTR>(&t), TIME_PERIODIC);
    ASSERT_NE(id, 0u);
    std::this_thread::sleep_for(210ms);
    EXPECT_EQ(timeKillEvent(id), MMSYSERR_NOERROR);
    EXPECT_FALSE(t.inside) << "no call runs once the kill has returned";
    const int n = t.count;
    EXPECT_GE(n, 8);
    EXPECT_LE(n, 11);
    // Deadlines are absolute: the k-th call is never before k periods.
    for (std::size_t k = 0; k < t.at.size(); ++k) EXPECT_GE(t.at[k] - start, (k + 1) * 20ms) << k;
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(t.count, n) << "nothing after the kill";
    EXPECT_EQ(timeKillEvent(id), MMSYSERR_INVALPARAM);
}

TEST(MMTimer, ALateTickFiresOnce) {
    Ticks t;
    t.slowFirst = 95; // the first call overruns four deadlines
    const UINT id = timeSetEvent(20, 0, Tick, reinterpret_cast<DWORD_PTR>(&t), TIME_PERIODIC);
    ASSERT_NE(id, 0u);
    std::this_thread::sleep_for(130ms);
    timeKillEvent(id);
    // First call at 20 ms, ends at 115 ms: the deadlines 40..100 ms give no calls, 120 ms gives one.
    EXPECT_GE(t.count, 1);
    EXPECT_LE(t.count, 2);
    if (t.at.size() == 2) {
        EXPECT_GE(t.at[1] - t.at[0], 95ms);
    }
}

TEST(MMTimer, OneShotAndKills) {
    Ticks once;
    const UINT id = timeSetEvent(10, 0, Tick, reinterpret_cast<DWORD_PTR>(&once), TIME_ONESHOT);
    ASSERT_NE(id, 0u);
    std::this_thread::sleep_for(80ms);
    EXPECT_EQ(once.count, 1);
    EXPECT_EQ(timeKillEvent(id), MMSYSERR_INVALPARAM) << "a one-shot timer is gone after its call";

    // Killed from its own callback: the call finishes, nothing follows.
    Ticks own;
    const UINT ownId = timeSetEvent(10, 0, Tick, reinterpret_cast<DWORD_PTR>(&own), TIME_PERIODIC);
    own.killOwn = ownId;
    std::this_thread::sleep_for(80ms);
    EXPECT_EQ(own.count, 1);

    // Killed before its first deadline: never called.
    Ticks never;
    const UINT neverId = timeSetEvent(1000, 0, Tick, reinterpret_cast<DWORD_PTR>(&never), TIME_PERIODIC);
    EXPECT_EQ(timeKillEvent(neverId), MMSYSERR_NOERROR);
    EXPECT_EQ(never.count, 0);
    EXPECT_NE(neverId, id) << "ids are not reused";

    // Refused.
    EXPECT_EQ(timeSetEvent(0, 0, Tick, 0, TIME_PERIODIC), 0u);
    EXPECT_EQ(timeSetEvent(1000001, 0, Tick, 0, TIME_PERIODIC), 0u);
    EXPECT_EQ(timeSetEvent(10, 0, nullptr, 0, TIME_PERIODIC), 0u);
    EXPECT_EQ(timeSetEvent(10, 0, Tick, 0, 0x100), 0u);
    EXPECT_EQ(timeKillEvent(0), MMSYSERR_INVALPARAM);

    // The range the device reports is the range accepted; a finer period changes nothing.
    TIMECAPS caps{};
    ASSERT_EQ(timeGetDevCaps(&caps, sizeof caps), TIMERR_NOERROR);
    EXPECT_EQ(caps.wPeriodMin, 1u);
    EXPECT_EQ(caps.wPeriodMax, 1000000u);
    EXPECT_EQ(timeGetDevCaps(&caps, 4), TIMERR_NOCANDO);
    EXPECT_EQ(timeGetDevCaps(nullptr, sizeof caps), TIMERR_NOCANDO);
    EXPECT_EQ(timeBeginPeriod(caps.wPeriodMin), TIMERR_NOERROR);
    EXPECT_EQ(timeEndPeriod(caps.wPeriodMin), TIMERR_NOERROR);
    EXPECT_EQ(timeBeginPeriod(0), TIMERR_NOCANDO);
}

} // namespace
