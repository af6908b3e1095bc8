#include "visual_controls/LuxTimer.h"

#include "platform/rtl/Exceptions.h"
#include "platform/ui/Forms.h"
#include "platform/win/Messages.h"
#include "platform/win/Sync.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// Counts the ticks and where they ran; throws on the calls listed; runs an action on a given call.
class Recorder : public TObject {
public:
    void Tick(TObject*) {
        const int n = ++ticks;
        if (GetCurrentThreadId() != MainThreadId()) ++offMain;
        if (n == actOn && action) action();
        if (n == throwOn) throw Exception("tick failed");
    }
    void Failed(TObject*, Exception* e) { errors.push_back(e->Message); }
    TNotifyEvent Event() { return TNotifyEvent::Bind<&Recorder::Tick>(this); }

    std::atomic<int> ticks{0};
    std::atomic<int> offMain{0};
    int throwOn = 0;
    int actOn = 0;
    std::function<void()> action;
    std::vector<std::string> errors;
};

// Pumps the GUI thread until the condition holds or the time is up.
bool PumpUntil(const std::function<bool()>& done, int ms = 3000) {
    const auto end = Clock::now() + std::chrono::milliseconds(ms);
    while (!done()) {
        if (Clock::now() > end) return false;
        Application->ProcessMessages();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

// Routes the application's exceptions to the recorder for the test's duration.
class ExceptionsTo {
public:
    explicit ExceptionsTo(Recorder& rec) : saved_(Application->OnException) {
        Application->OnException = TExceptionEvent::Bind<&Recorder::Failed>(&rec);
    }
    ~ExceptionsTo() { Application->OnException = saved_; }

private:
    TExceptionEvent saved_;
};

// The three ways of ticking.
struct Mode {
    const char* name;
    bool thread, sync;
};
const Mode kModes[] = {{"synchronized thread", true, true}, {"free thread", true, false}, {"multimedia", false, true}};

} // namespace

TEST(TLuxHiTimer, StartValuesAndIntervalLimits) {
    TLuxHiTimer timer(nullptr);
    EXPECT_FALSE(timer.Enabled());
    EXPECT_EQ(timer.Interval(), 1000u);
    EXPECT_TRUE(timer.UseThread());
    EXPECT_TRUE(timer.Synchronize());
    EXPECT_EQ(timer.ThreadPriority(), TThreadPriority::tpNormal);
    EXPECT_EQ(timer.MinPeriod(), 1);
    EXPECT_EQ(timer.MaxPeriod(), 1000000);

    struct Case {
        std::uint32_t set, stored;
    } cases[] = {{0, 1}, {70000, 70000}, {2000000, 1000000}, {5, 5}};
    for (const Case& c : cases) {
        timer.SetInterval(c.set);
        EXPECT_EQ(timer.Interval(), c.stored) << "set " << c.set;
    }
    EXPECT_EQ(TLuxHiTimer(nullptr, 250).Interval(), 250u);
}

TEST(TLuxHiTimer, NothingRunsUntilEnabledWithAHandler) {
    for (bool thread : {true, false}) {
        SCOPED_TRACE(thread ? "thread mode" : "multimedia mode");
        Recorder rec;
        TLuxHiTimer timer(nullptr, 5);
        timer.SetUseThread(thread);
        timer.SetEnabled(true);
        EXPECT_FALSE(timer.WorkerRunning());
        EXPECT_EQ(timer.TimerId(), 0u);
        EXPECT_EQ(timer.HiddenWindow() != 0, !thread) << "the hidden window belongs to multimedia mode";
        timer.SetOnTimer(rec.Event());
        EXPECT_EQ(timer.WorkerRunning(), thread);
        EXPECT_EQ(timer.TimerId() != 0, !thread);
        EXPECT_TRUE(PumpUntil([&] { return rec.ticks >= 3; }));
        timer.SetEnabled(false);
        EXPECT_FALSE(timer.WorkerRunning());
        EXPECT_EQ(timer.TimerId(), 0u);
        EXPECT_EQ(rec.offMain, 0) << "ticks arrive on the GUI thread";
    }
}

TEST(TLuxHiTimer, IntervalZero) {
    Recorder rec;
    TLuxHiTimer mm(nullptr, 0);
    mm.SetUseThread(false);
    mm.SetOnTimer(rec.Event());
    mm.SetEnabled(true);
    EXPECT_EQ(mm.TimerId(), 0u) << "no multimedia timer for 0 ms";

    TLuxHiTimer worker(nullptr, 0);
    worker.SetOnTimer(rec.Event());
    worker.SetEnabled(true);
    EXPECT_TRUE(PumpUntil([&] { return rec.ticks >= 20; })) << "the worker ticks without sleeping";
}

TEST(TLuxHiTimer, UnsynchronizedTicksRunOnTheWorker) {
    Recorder rec;
    TLuxHiTimer timer(nullptr, 2);
    timer.SetSynchronize(false);
    timer.SetOnTimer(rec.Event());
    timer.SetEnabled(true);
    const auto end = Clock::now() + std::chrono::seconds(3);
    while (rec.ticks < 3 && Clock::now() < end) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    timer.SetEnabled(false);
    EXPECT_GE(rec.ticks, 3) << "no pumping needed";
    EXPECT_EQ(rec.offMain, rec.ticks);
}

TEST(TLuxHiTimer, TicksGoOnAfterAnException) {
    for (const Mode& m : kModes) {
        SCOPED_TRACE(m.name);
        Recorder rec;
        rec.throwOn = 1;
        ExceptionsTo route(rec);
        TLuxHiTimer timer(nullptr, 3);
        timer.SetUseThread(m.thread);
        timer.SetSynchronize(m.sync);
        timer.SetOnTimer(rec.Event());
        timer.SetEnabled(true);
        EXPECT_TRUE(PumpUntil([&] { return rec.ticks >= 4 && !rec.errors.empty(); }));
        timer.SetEnabled(false);
        Application->ProcessMessages();
        EXPECT_EQ(rec.errors, std::vector<std::string>{"tick failed"});
    }
}

TEST(TLuxHiTimer, MultimediaTicksAreNotReentered) {
    Recorder rec;
    TLuxHiTimer timer(nullptr, 2);
    timer.SetUseThread(false);
    int depth = 0, deepest = 0;
    rec.actOn = 1;
    rec.action = [&] {
        ++depth;
        deepest = std::max(deepest, depth);
        // Pumping inside the handler lets later ticks arrive; they must not call it again.
        const int before = rec.ticks;
        PumpUntil([] { return false; }, 30);
        EXPECT_EQ(rec.ticks, before);
        --depth;
    };
    timer.SetOnTimer(rec.Event());
    timer.SetEnabled(true);
    EXPECT_TRUE(PumpUntil([&] { return rec.ticks >= 3; }));
    EXPECT_EQ(deepest, 1);
    // A tick of another timer id goes to the default handling.
    const int before = rec.ticks;
    timer.SetEnabled(false);
    SendMessage(timer.HiddenWindow(), WM_TIMER, 12345, 0);
    EXPECT_EQ(rec.ticks, before);
}

TEST(TLuxHiTimer, DestructionIsClean) {
    // While the worker sleeps a long interval: the worker is woken, not waited out.
    {
        Recorder rec;
        auto* timer = new TLuxHiTimer(nullptr);
        timer->SetInterval(60000);
        timer->SetOnTimer(rec.Event());
        timer->SetEnabled(true);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        const auto start = Clock::now();
        delete timer;
        EXPECT_LT(Clock::now() - start, std::chrono::seconds(30));
        EXPECT_EQ(rec.ticks, 0);
    }
    // With a synchronized tick queued and not yet served: it never calls the freed component.
    {
        Recorder rec;
        auto* timer = new TLuxHiTimer(nullptr, 1);
        timer->SetOnTimer(rec.Event());
        timer->SetEnabled(true);
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        delete timer;
        PumpUntil([] { return false; }, 20);
        EXPECT_EQ(rec.ticks, 0);
    }
    // From inside its own tick, in each mode: disabled, then freed.
    for (const Mode& m : kModes) {
        SCOPED_TRACE(m.name);
        Recorder rec;
        auto* timer = new TLuxHiTimer(nullptr, 2);
        timer->SetUseThread(m.thread);
        timer->SetSynchronize(m.sync);
        rec.actOn = 1;
        rec.action = [&] { timer->SetEnabled(false); };
        timer->SetOnTimer(rec.Event());
        timer->SetEnabled(true);
        EXPECT_TRUE(PumpUntil([&] { return rec.ticks >= 1; }));
        PumpUntil([] { return false; }, 30);
        EXPECT_EQ(rec.ticks, 1) << "no tick after the handler disabled the timer";
        delete timer;
    }
    {
        Recorder rec;
        auto* timer = new TLuxHiTimer(nullptr, 2);
        rec.actOn = 1;
        rec.action = [&] { delete timer; };
        timer->SetOnTimer(rec.Event());
        timer->SetEnabled(true);
        EXPECT_TRUE(PumpUntil([&] { return rec.ticks >= 1; }));
        PumpUntil([] { return false; }, 30);
        EXPECT_EQ(rec.ticks, 1) << "a synchronized timer freed by its own handler";
    }
}
