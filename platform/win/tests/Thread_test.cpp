#include "platform/win/Thread.h"

#include "platform/rtl/Exceptions.h"
#include "platform/win/tests/support/WinTestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <vector>

namespace {

// A thread whose Execute runs a lambda.
class LambdaThread : public TThread {
public:
    explicit LambdaThread(std::function<void(LambdaThread&)> body) : body_(std::move(body)) {}
    ~LambdaThread() override {
        // Execute uses body_, so the thread must end before it goes.
        if (!Suspended()) {
            Terminate();
            WaitFor();
        }
        if (destroyed) *destroyed = true;
    }
    using TThread::Synchronize;
    std::atomic<bool>* destroyed = nullptr;
    std::vector<std::string>* order = nullptr;

protected:
    void Execute() override { body_(*this); }
    void DoTerminate() override {
        if (order) order->push_back("DoTerminate");
    }

private:
    std::function<void(LambdaThread&)> body_;
};

TEST(TThread, IsCreatedSuspendedAndStartsOnce) {
    std::atomic<int> runs{0};
    LambdaThread t([&](LambdaThread& self) {
        ++runs;
        self.ReturnValue = 17;
    });
    EXPECT_TRUE(t.Suspended());
    EXPECT_NE(t.ThreadID(), 0u);
    EXPECT_NE(t.ThreadID(), GetCurrentThreadId());
    Sleep(20);
    EXPECT_EQ(runs, 0);
    EXPECT_EQ(WaitForSingleObject(t.Handle(), 0), WAIT_TIMEOUT);

    t.Start();
    t.Resume(); // does nothing more
    EXPECT_FALSE(t.Suspended());
    EXPECT_EQ(t.WaitFor(), 17);
    EXPECT_TRUE(t.Finished());
    EXPECT_EQ(WaitForSingleObject(t.Handle(), 0), WAIT_OBJECT_0);
    EXPECT_EQ(runs, 1);
}

TEST(TThread, RunsWithItsOwnThreadId) {
    std::atomic<DWORD> seen{0};
    LambdaThread t([&](LambdaThread& self) {
        seen = GetCurrentThreadId();
        self.ReturnValue = 8;
        self.WaitFor(); // for itself: returns at once
    });
    t.Start();
    EXPECT_EQ(t.WaitFor(), 8);
    EXPECT_EQ(seen, t.ThreadID());
}

TEST(TThread, NeverStartedThreadIsFreedWithoutWaiting) {
    std::atomic<bool> ran{false};
    auto* t = new LambdaThread([&](LambdaThread&) { ran = true; });
    delete t;
    EXPECT_FALSE(ran);
}

TEST(TThread, DestructorTerminatesAndWaits) {
    std::atomic<bool> running{false};
    std::atomic<bool> sawTerminated{false};
    auto* t = new LambdaThread([&](LambdaThread& self) {
        running = true;
        while (!self.Terminated()) Sleep(1);
        sawTerminated = true;
    });
    t->Start();
    // A thread terminated before it began never runs Execute: free it only once it is inside.
    while (!running) Sleep(1);
    delete t;
    EXPECT_TRUE(sawTerminated);
}

TEST(TThread, SynchronizeRunsOnTheMainThreadWhileItWaitsInWaitFor) {
    std::vector<DWORD> ranOn;
    LambdaThread t([&](LambdaThread& self) {
        for (int i = 0; i < 3; ++i) self.Synchronize([&] { ranOn.push_back(GetCurrentThreadId()); });
    });
    t.Start();
    t.WaitFor();
    ASSERT_EQ(ranOn.size(), 3u);
    for (DWORD id : ranOn) EXPECT_EQ(id, GetCurrentThreadId());
}

TEST(TThread, SynchronizeOnTheMainThreadRunsAtOnce) {
    bool ran = false;
    TThread::Synchronize(nullptr, [&] { ran = true; });
    EXPECT_TRUE(ran);
}

TEST(TThread, ExceptionsComeBackThroughSynchronize) {
    std::string message;
    std::atomic<bool> rightType{false};
    LambdaThread t([&](LambdaThread& self) {
        try {
            self.Synchronize([] { throw EConvertError("'x' is not a valid integer value"); });
        } catch (const EConvertError& e) {
            rightType = true;
            message = e.Message;
        }
    });
    t.Start();
    t.WaitFor();
    EXPECT_TRUE(rightType);
    EXPECT_EQ(message, "'x' is not a valid integer value");
}

TEST(TThread, WaitForServesSendsToMainThreadWindows) {
    TestWindow window([](UINT, WPARAM w, LPARAM) -> LRESULT { return static_cast<LRESULT>(w + 1); });
    std::atomic<LRESULT> got{0};
    LambdaThread t([&](LambdaThread&) { got = SendMessage(window.handle, WM_USER, 41, 0); });
    t.Start();
    t.WaitFor();
    EXPECT_EQ(got, 42);
}

TEST(TThread, CheckSynchronizeServesWaitingCalls) {
    EXPECT_FALSE(CheckSynchronize());
    std::atomic<bool> ran{false};
    LambdaThread t([&](LambdaThread& self) { self.Synchronize([&] { ran = true; }); });
    t.Start();
    const std::uint64_t limit = MonotonicMs() + 2000;
    while (!CheckSynchronize(10) && MonotonicMs() < limit) {
    }
    EXPECT_TRUE(ran);
    t.WaitFor();

    bool fromWorker = true;
    LambdaThread asker([&](LambdaThread&) { fromWorker = CheckSynchronize(); });
    asker.Start();
    asker.WaitFor();
    EXPECT_FALSE(fromWorker); // only the main thread serves them
}

TEST(TThread, FreeOnTerminateDeletesItselfAfterOnTerminate) {
    std::atomic<bool> destroyed{false};
    std::vector<std::string> order;
    DWORD onTerminateThread = 0;
    auto* t = new LambdaThread([&](LambdaThread&) { order.push_back("Execute"); });
    t->destroyed = &destroyed;
    t->order = &order;
    t->FreeOnTerminate = true;
    t->OnTerminate = [&](TThread* sender) {
        EXPECT_EQ(sender, t);
        onTerminateThread = GetCurrentThreadId();
        order.push_back("OnTerminate");
    };
    t->Start();
    const std::uint64_t limit = MonotonicMs() + 2000;
    while (!destroyed && MonotonicMs() < limit) CheckSynchronize(5);
    ASSERT_TRUE(destroyed);
    EXPECT_EQ(onTerminateThread, GetCurrentThreadId());
    EXPECT_EQ(order, (std::vector<std::string>{"Execute", "OnTerminate", "DoTerminate"}));
}

TEST(TThread, ExceptionLeavingExecuteEndsTheThread) {
    LambdaThread t([](LambdaThread& self) {
        self.ReturnValue = 3;
        throw std::runtime_error("lost");
    });
    t.Start();
    EXPECT_EQ(t.WaitFor(), 3);
    EXPECT_TRUE(t.Finished());
}

TEST(TThread, HandleCanBeWaitedOnWithOtherObjects) {
    Event go;
    LambdaThread t([&](LambdaThread&) { go.Wait(); });
    t.Start();
    HANDLE handles[] = {go.handle, t.Handle()};
    EXPECT_EQ(WaitForMultipleObjects(2, handles, false, 10), WAIT_TIMEOUT);
    go.Set();
    HANDLE threadOnly = t.Handle();
    EXPECT_EQ(WaitForSingleObject(threadOnly, 2000), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForMultipleObjects(2, handles, true, 0), WAIT_OBJECT_0);
    EXPECT_FALSE(SetEvent(threadOnly)); // not an event
}

} // namespace
