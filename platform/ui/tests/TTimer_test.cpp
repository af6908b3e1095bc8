// TTimer on the platform's window timers: it fires in the platform's pumps and in Qt's loop, setting
// Enabled or Interval starts the period again, and a handler may free its own timer.
#include "platform/ui/ExtCtrls.h"
#include "platform/ui/Forms.h"
#include "platform/ui/SeamRecorder.h"
#include "platform/win/Clock.h"
#include "platform/win/Messages.h"

#include <QEventLoop>
#include <QTimer>

#include <gtest/gtest.h>

#include <memory>

namespace {

struct TTicks : TObject {
    int count = 0;
    QEventLoop* loop = nullptr;
    int quitAt = 0;
    TTimer* toFree = nullptr;
    void Tick(TObject*) {
        ++count;
        if (loop && count == quitAt) loop->quit();
    }
    void Raise(TObject*) { throw Exception("tick failed"); }
    void FreeSelf(TObject*) {
        ++count;
        delete toFree;
        toFree = nullptr;
    }
};

// Pumps the platform's queue until the condition holds or about a second has passed.
template <class F> bool PumpUntil(F done) {
    const std::uint64_t end = MonotonicMs() + 1000;
    while (!done() && MonotonicMs() < end) {
        WaitMessageTimeout(20);
        ProcessMessages();
    }
    return done();
}

// Runs the due timers with the clock moved forward, without waiting.
void AdvanceAndPump(std::uint64_t& offset, std::uint64_t ms) {
    offset += ms;
    SetClockOffsetForTesting(offset);
    ProcessMessages();
}

TEST(TTimerBehaviour, FiresInThePlatformPump) {
    TTicks ticks;
    TTimer timer(nullptr);
    timer.SetInterval(5);
    timer.OnTimer = TNotifyEvent::Bind<&TTicks::Tick>(&ticks);
    EXPECT_TRUE(PumpUntil([&] { return ticks.count >= 3; }));
}

TEST(TTimerBehaviour, FiresInQtsEventLoop) {
    TTicks ticks;
    QEventLoop loop;
    ticks.loop = &loop;
    ticks.quitAt = 2;
    TTimer timer(nullptr);
    timer.SetInterval(5);
    timer.OnTimer = TNotifyEvent::Bind<&TTicks::Tick>(&ticks);
    QTimer::singleShot(1000, &loop, &QEventLoop::quit);
    loop.exec();
    EXPECT_GE(ticks.count, 2);
}

TEST(TTimerBehaviour, SettingIntervalOrEnabledStartsThePeriodAgain) {
    std::uint64_t offset = 0;
    SetClockOffsetForTesting(0);
    TTicks ticks;
    TTimer timer(nullptr);
    timer.OnTimer = TNotifyEvent::Bind<&TTicks::Tick>(&ticks);
    timer.SetInterval(100000);
    AdvanceAndPump(offset, 60000);
    timer.SetInterval(90000); // due 90 s from now, not 30 s
    AdvanceAndPump(offset, 50000);
    EXPECT_EQ(ticks.count, 0);
    AdvanceAndPump(offset, 41000);
    EXPECT_EQ(ticks.count, 1);

    AdvanceAndPump(offset, 60000);
    timer.SetEnabled(false);
    timer.SetEnabled(true);
    AdvanceAndPump(offset, 60000);
    EXPECT_EQ(ticks.count, 1);
    AdvanceAndPump(offset, 31000);
    EXPECT_EQ(ticks.count, 2);
    SetClockOffsetForTesting(0);
}

TEST(TTimerBehaviour, ADisabledTimerOrAZeroIntervalNeverFires) {
    std::uint64_t offset = 0;
    SetClockOffsetForTesting(0);
    TTicks ticks;
    TTimer off(nullptr);
    off.SetInterval(10);
    off.SetEnabled(false);
    off.OnTimer = TNotifyEvent::Bind<&TTicks::Tick>(&ticks);
    TTimer zero(nullptr);
    zero.SetInterval(0);
    zero.OnTimer = TNotifyEvent::Bind<&TTicks::Tick>(&ticks);
    AdvanceAndPump(offset, 5000);
    AdvanceAndPump(offset, 5000);
    EXPECT_EQ(ticks.count, 0);
    SetClockOffsetForTesting(0);
}

TEST(TTimerBehaviour, AHandlerMayFreeItsOwnTimer) {
    TTicks ticks;
    ticks.toFree = new TTimer(nullptr);
    ticks.toFree->SetInterval(5);
    ticks.toFree->OnTimer = TNotifyEvent::Bind<&TTicks::FreeSelf>(&ticks);
    EXPECT_TRUE(PumpUntil([&] { return ticks.toFree == nullptr; }));
    EXPECT_EQ(ticks.count, 1);
}

// Retired from its own tick: it leaves its owner and stops at once, and is freed by a later pump.
TEST(TTimerBehaviour, ARetiredTimerStopsAtOnceAndIsFreedAfterItsTick) {
    struct TRetiring : TObject {
        TTimer* timer = nullptr;
        int ticks = 0;
        void Tick(TObject*) {
            ++ticks;
            RetireTimer(timer);
            // Still whole inside its tick.
            EXPECT_FALSE(timer->Enabled());
            EXPECT_FALSE(timer->OnTimer);
        }
    } retiring;
    struct TWatch : TComponent {
        using TComponent::TComponent;
        bool freed = false;
        void Notification(TComponent*, TOperation operation) override {
            if (operation == TOperation::opRemove) freed = true;
        }
    } watch(nullptr);
    TComponent owner(nullptr);
    std::uint64_t offset = 0;
    retiring.timer = new TTimer(&owner);
    retiring.timer->SetInterval(10);
    retiring.timer->OnTimer = TNotifyEvent::Bind<&TRetiring::Tick>(&retiring);
    retiring.timer->FreeNotification(&watch);
    AdvanceAndPump(offset, 10);
    EXPECT_EQ(retiring.ticks, 1);
    EXPECT_EQ(owner.ComponentCount(), 0);
    EXPECT_FALSE(watch.freed);
    for (int i = 0; i < 5 && !watch.freed; ++i) ProcessMessages();
    EXPECT_TRUE(watch.freed);
    AdvanceAndPump(offset, 100);
    EXPECT_EQ(retiring.ticks, 1);
    RetireTimer(nullptr);
    SetClockOffsetForTesting(0);
}

TEST(TTimerBehaviour, AnExceptionInOnTimerReachesTheErrorBox) {
    Application->SetTitle("Test");
    TSeamRecorder seam;
    TTicks ticks;
    std::unique_ptr<TTimer> timer(new TTimer(nullptr));
    timer->SetInterval(5);
    timer->OnTimer = TNotifyEvent::Bind<&TTicks::Raise>(&ticks);
    EXPECT_TRUE(PumpUntil([&] { return !seam.Entries.empty(); }));
    timer.reset();
    EXPECT_EQ(seam.BoxTexts().at(0), "tick failed.");
    Application->SetTitle("");
}

} // namespace
