// The two timers: TvcTimer's ticks on the GUI thread, idle while it cannot fire, and freed while a
// tick waits for the GUI thread; TvcMMTimer on its own thread, silenced by Enabled, refused periods.
#include "indicator_controls/Std2.h"

#include "platform/win/Clock.h"
#include "platform/win/Sync.h"
#include "platform/win/Thread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace {

using namespace std::chrono_literals;

struct Counter : TObject {
    std::atomic<int> count{0};
    std::atomic<int> offMain{0};
    void Tick(TObject*) {
        ++count;
        if (GetCurrentThreadId() != MainThreadId()) ++offMain;
    }
};

// Serves the GUI thread's synchronized calls for ms milliseconds.
void Pump(int ms) {
    const std::uint64_t end = MonotonicMs() + static_cast<std::uint64_t>(ms);
    while (MonotonicMs() < end) CheckSynchronize(5);
}

TEST(TvcTimer, TicksOnTheGuiThreadOnlyWhileItCanFire) {
    Counter c;
    TvcTimer timer;
    EXPECT_TRUE(timer.Enabled());
    EXPECT_EQ(timer.Interval(), 1000u);
    timer.SetInterval(20);
    timer.SetOnTimer(TNotifyEvent::Bind<&Counter::Tick>(&c));
    Pump(230);
    EXPECT_GE(c.count, 7);
    EXPECT_LE(c.count, 12);
    EXPECT_EQ(c.offMain, 0);

    struct Case {
        const char* what;
        std::uint32_t interval;
        bool enabled;
        bool handler;
    };
    for (const Case& k : {Case{"interval 0", 0, true, true}, Case{"disabled", 20, false, true},
                          Case{"no handler", 20, true, false}}) {
        timer.SetInterval(k.interval);
        timer.SetEnabled(k.enabled);
        timer.SetOnTimer(k.handler ? TNotifyEvent::Bind<&Counter::Tick>(&c) : TNotifyEvent());
        Pump(30); // a tick already queued may still land
        const int before = c.count;
        Pump(120);
        EXPECT_EQ(c.count, before) << k.what;
        timer.SetInterval(20);
        timer.SetEnabled(true);
        timer.SetOnTimer(TNotifyEvent::Bind<&Counter::Tick>(&c));
        Pump(100);
        EXPECT_GT(c.count, before) << k.what << ": fires again once it can";
    }
}

TEST(TvcTimer, FreedWhileATickWaitsForTheGuiThread) {
    Counter c;
    auto* timer = new TvcTimer;
    timer->SetInterval(5);
    timer->SetOnTimer(TNotifyEvent::Bind<&Counter::Tick>(&c));
    // The GUI thread does not pump: the worker's tick stands queued when the timer goes.
    std::this_thread::sleep_for(60ms);
    delete timer;
    EXPECT_EQ(c.count, 0) << "a tick queued before the timer was freed is dropped";
    Pump(30);
    EXPECT_EQ(c.count, 0);
}

TEST(TvcMMTimer, TicksOnItsOwnThreadAndEnabledOnlySilencesIt) {
    Counter c;
    {
        TvcMMTimer timer;
        EXPECT_EQ(timer.Interval(), 1000u);
        EXPECT_EQ(timer.Resolution(), 10u);
        timer.SetInterval(10);
        timer.SetOnTimer(TNotifyEvent::Bind<&Counter::Tick>(&c));
        std::this_thread::sleep_for(120ms);
        EXPECT_GE(c.count, 6);
        EXPECT_EQ(c.offMain, c.count);

        timer.SetEnabled(false);
        std::this_thread::sleep_for(20ms);
        const int silenced = c.count;
        std::this_thread::sleep_for(60ms);
        EXPECT_EQ(c.count, silenced);
        timer.SetEnabled(true);
        std::this_thread::sleep_for(60ms);
        EXPECT_GT(c.count, silenced) << "the timer kept running";

        try {
            timer.SetInterval(0);
            ADD_FAILURE() << "a period of 0 is refused";
        } catch (const ERangeError& e) {
            EXPECT_EQ(e.Message, "10 is not within the valid range");
        }
        timer.SetInterval(10);
    }
    const int atEnd = c.count;
    std::this_thread::sleep_for(40ms);
    EXPECT_EQ(c.count, atEnd) << "freed, it calls nothing more";
}

} // namespace
