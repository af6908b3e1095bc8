#include "communications/VxUser.h"

#include "communications/VxErrors.h"
#include "communications/VxMisc.h"
#include "communications/tests/support/MemoryDispatcher.h"
#include "platform/win/Clock.h"
#include "platform/win/Messages.h"
#include "platform/win/Sync.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <memory>
#include <string>

namespace {

struct TRecorder {
    std::function<void()> Body;
    std::atomic<DWORD> Thread{0};
    std::atomic<int> Calls{0};
    void Notify(UINT, UINT, int) {
        Thread = GetCurrentThreadId();
        ++Calls;
        if (Body) Body();
    }
    TVexNotifyEvent Event() { return TVexNotifyEvent::Bind<&TRecorder::Notify>(this); }
};

struct TOtherRecorder : TRecorder {
    void NotifyToo(UINT Msg, UINT wParam, int lParam) { Notify(Msg, wParam, lParam); }
    TVexNotifyEvent Event() { return TVexNotifyEvent::Bind<&TOtherRecorder::NotifyToo>(this); }
};

// Serves this thread's messages and synchronised calls until done() or the time runs out.
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs = 5000) {
    const std::uint64_t deadline = MonotonicMs() + timeoutMs;
    while (!done()) {
        if (MonotonicMs() >= deadline) return false;
        if (SafeYield() == 0) WaitMessageTimeout(1);
    }
    return true;
}

class WorkerTest : public ::testing::Test {
protected:
    void SetUp() override {
        MainThreadId(); // the test's own thread is the main thread
        Disp = std::make_unique<TMemoryDispatcher>(TMemoryDispatcher::TMode::Worker);
        ASSERT_EQ(Disp->Open(), ecOK);
    }

    // Has the worker deliver an avail notification of what the ring holds; returns its result.
    bool NotifyOnWorker() {
        std::atomic<int> result{-1};
        Disp->RunOnWorker([&] {
            WorkerThread = GetCurrentThreadId();
            result = Disp->SendNotify(TriggerAvailMsg, Disp->InBuffUsed(), 0) ? 1 : 0;
        });
        EXPECT_TRUE(Disp->WaitWorkerIdle());
        return result == 1;
    }

    // Bytes arrive and the worker's pass reads them into the ring.
    void Arrive(const std::string& bytes) {
        const DWORD before = Disp->InBuffUsed();
        Disp->Receive(bytes);
        ASSERT_TRUE(PumpUntil([&] { return Disp->InBuffUsed() == before + bytes.size(); }));
    }

    std::unique_ptr<TMemoryDispatcher> Disp;
    std::atomic<DWORD> WorkerThread{0};
};

TEST_F(WorkerTest, WorkerIsCountedUntilItHasGone) {
    EXPECT_EQ(Disp->RunningThreads(), 1);
    EXPECT_TRUE(Disp->DispatcherStarted());
    Disp->DonePort();
    EXPECT_EQ(Disp->RunningThreads(), 0);
    EXPECT_FALSE(Disp->DispatcherStarted());
    EXPECT_EQ(Disp->DispatchThread(), nullptr);
}

TEST_F(WorkerTest, SynchronisedHandlerRunsOnTheMainThread) {
    Arrive("hello");
    TRecorder synced;
    TOtherRecorder direct;
    std::string seen;
    synced.Body = [&] {
        seen.resize(5);
        Disp->GetBlock(seen.data(), 5);
    };
    Disp->RegisterSyncEventTriggerHandler(synced.Event());
    Disp->RegisterEventTriggerHandler(direct.Event());

    EXPECT_TRUE(NotifyOnWorker());
    EXPECT_EQ(synced.Thread, MainThreadId());
    EXPECT_EQ(direct.Thread, WorkerThread.load());
    EXPECT_NE(WorkerThread.load(), MainThreadId());
    EXPECT_EQ(seen, "hello");
    EXPECT_EQ(Disp->InBuffUsed(), 0u);
}

TEST_F(WorkerTest, SyncRunsAnyMethodOnTheMainThread) {
    std::atomic<DWORD> ranOn{0};
    Disp->RunOnWorker([&] { Disp->DispatchThread()->Sync([&] { ranOn = GetCurrentThreadId(); }); });
    EXPECT_TRUE(Disp->WaitWorkerIdle());
    EXPECT_EQ(ranOn, MainThreadId());
}

TEST_F(WorkerTest, WindowHandlerIsReachedFromTheWorker) {
    Arrive("0123456789");
    std::atomic<DWORD> ranOn{0};
    std::string seen(4, '\0');
    const HWND wnd = CreateMessageWindow("PortWindow", [&](HWND, UINT msg, WPARAM, LPARAM lParam) -> LRESULT {
        if (msg == TriggerAvailMsg) {
            ranOn = GetCurrentThreadId();
            EXPECT_EQ(static_cast<int>(lParam) >> 16, Disp->Handle());
            Disp->GetBlock(seen.data(), 4);
        }
        return 0;
    });
    Disp->RegisterWndTriggerHandler(wnd);
    Disp->UpdateHandlerFlags(fuEnablePort);

    EXPECT_FALSE(NotifyOnWorker()) << "4 of 10 announced bytes taken";
    EXPECT_EQ(ranOn, MainThreadId());
    EXPECT_EQ(seen, "0123");
    EXPECT_EQ(Disp->InBuffUsed(), 6u);
    DestroyWindow(wnd);
}

TEST_F(WorkerTest, CloseFromAHandlerIsFinishedAsTheWorkerEnds) {
    Arrive("abc");
    TRecorder closer;
    closer.Body = [&] { Disp->DonePort(); };
    Disp->RegisterEventTriggerHandler(closer.Event());

    EXPECT_FALSE(NotifyOnWorker());
    ASSERT_TRUE(PumpUntil([&] { return Disp->RunningThreads() == 0; }));
    EXPECT_TRUE(Disp->ClosePending());
    EXPECT_FALSE(Disp->DispatcherStarted());
    EXPECT_FALSE(Disp->DeviceOpen());
    EXPECT_EQ(Disp->InBuffUsed(), 0u) << "DonePortPrim ran on the worker's way out";
}

// The destructor waits for the worker, serving the synchronised call it is blocked in meanwhile.
TEST_F(WorkerTest, DestructorServesAWorkerBlockedOnTheMainThread) {
    Arrive("abc");
    TRecorder synced;
    Disp->RegisterSyncEventTriggerHandler(synced.Event());
    std::atomic<bool> notifying{false};
    TMemoryDispatcher* disp = Disp.get();
    disp->RunOnWorker([&notifying, disp] {
        notifying = true;
        disp->SendNotify(TriggerAvailMsg, 3, 0);
    });
    while (!notifying) Sleep(1);
    Sleep(20); // the worker is now waiting for the main thread

    Disp.reset();
    EXPECT_EQ(synced.Calls, 1);
    EXPECT_EQ(synced.Thread, MainThreadId());
}

} // namespace
