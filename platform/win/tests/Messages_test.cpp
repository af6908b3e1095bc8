#include "platform/win/Messages.h"

#include "platform/win/tests/support/WinTestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <stdexcept>
#include <thread>
#include <vector>

namespace {

class Messages : public ::testing::Test {
protected:
    void SetUp() override { DiscardMessages(); }
    void TearDown() override {
        SetClockOffsetForTesting(0);
        DiscardMessages();
    }

    // Moves the clock forward so timers fall due without waiting.
    void Advance(std::uint64_t ms) {
        offset_ += ms;
        SetClockOffsetForTesting(offset_);
    }

    std::uint64_t offset_ = 0;
};

// ---- Windows and posted messages on one thread

TEST_F(Messages, WindowsHaveDistinctHandlesThatAreNotReused) {
    HWND first = CreateMessageWindow("A", static_cast<WNDPROC>(nullptr));
    ASSERT_NE(first, 0u);
    EXPECT_TRUE(IsWindow(first));
    DWORD pid = 0;
    EXPECT_EQ(GetWindowThreadProcessId(first, &pid), GetCurrentThreadId());
    EXPECT_NE(pid, 0u);
    ASSERT_TRUE(DestroyWindow(first));
    EXPECT_FALSE(IsWindow(first));
    EXPECT_FALSE(DestroyWindow(first));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_WINDOW_HANDLE);
    HWND second = CreateMessageWindow("B", static_cast<WNDPROC>(nullptr));
    EXPECT_NE(second, first);
    DestroyWindow(second);
}

TEST_F(Messages, PostedMessagesArriveInOrderWithTheirParameters) {
    TestWindow window;
    for (WPARAM i = 0; i < 5; ++i)
        ASSERT_TRUE(PostMessage(window.handle, WM_USER + static_cast<UINT>(i), i, -1));
    ASSERT_TRUE(PostMessage(0, WM_APP, 7, 8));
    MSG msg;
    for (WPARAM i = 0; i < 5; ++i) {
        ASSERT_TRUE(GetMessage(&msg, 0, 0, 0));
        EXPECT_EQ(msg.hwnd, window.handle);
        EXPECT_EQ(msg.message, WM_USER + i);
        EXPECT_EQ(msg.wParam, i);
        EXPECT_EQ(msg.lParam, -1);
        DispatchMessage(&msg);
    }
    ASSERT_TRUE(GetMessage(&msg, 0, 0, 0));
    EXPECT_EQ(msg.hwnd, 0u); // a thread message
    EXPECT_EQ(msg.message, WM_APP);
    EXPECT_EQ(DispatchMessage(&msg), 0);
    EXPECT_EQ(window.Log().size(), 5u);
}

TEST_F(Messages, PeekMessageLeavesOrTakesAndFilters) {
    TestWindow a, b;
    PostMessage(a.handle, WM_USER + 1, 0, 0);
    PostMessage(b.handle, WM_USER + 2, 0, 0);
    PostMessage(a.handle, WM_USER + 3, 0, 0);
    MSG msg;
    ASSERT_TRUE(PeekMessage(&msg, 0, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(msg.message, WM_USER + 1);
    ASSERT_TRUE(PeekMessage(&msg, b.handle, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, WM_USER + 2);
    ASSERT_TRUE(PeekMessage(&msg, 0, WM_USER + 3, WM_USER + 9, PM_REMOVE));
    EXPECT_EQ(msg.message, WM_USER + 3);
    EXPECT_FALSE(PeekMessage(&msg, b.handle, 0, 0, PM_REMOVE));
    ASSERT_TRUE(PeekMessage(&msg, 0, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, WM_USER + 1);
    EXPECT_FALSE(PeekMessage(&msg, 0, 0, 0, PM_REMOVE));
}

TEST_F(Messages, PostOnceAddsNothingWhileTheSameMessageWaits) {
    TestWindow a, b;
    const struct {
        HWND wnd;
        UINT msg;
        WPARAM wParam;
        LPARAM lParam;
        bool queued; // a message of its own, or the waiting one stands for it
    } posts[] = {
        {a.handle, WM_USER, 1, 2, true},      {a.handle, WM_USER, 1, 2, false},
        {a.handle, WM_USER + 1, 1, 2, true},  {a.handle, WM_USER, 9, 2, true},
        {a.handle, WM_USER, 1, 9, true},      {b.handle, WM_USER, 1, 2, true},
        {a.handle, WM_USER + 1, 1, 2, false},
    };
    std::size_t expected = 0;
    for (const auto& p : posts) {
        ASSERT_TRUE(PostMessageOnce(p.wnd, p.msg, p.wParam, p.lParam));
        expected += p.queued ? 1 : 0;
    }
    EXPECT_EQ(ProcessMessages(), true);
    EXPECT_EQ(a.Log().size() + b.Log().size(), expected);
    // Taken off the queue, it no longer stands for a new one.
    ASSERT_TRUE(PostMessageOnce(a.handle, WM_USER, 1, 2));
    ProcessMessages();
    EXPECT_EQ(a.Count(WM_USER), 4u);
    EXPECT_FALSE(PostMessageOnce(0x7FFFFFF0, WM_USER, 0, 0));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_WINDOW_HANDLE);
}

TEST_F(Messages, DestroyedWindowLosesItsMessages) {
    TestWindow keep;
    HWND gone = CreateMessageWindow("gone", [](HWND, UINT, WPARAM, LPARAM) -> LRESULT {
        ADD_FAILURE() << "a destroyed window's procedure ran";
        return 0;
    });
    PostMessage(gone, WM_USER, 0, 0);
    PostMessage(keep.handle, WM_USER + 1, 0, 0);
    MSG early;
    PostMessage(gone, WM_USER + 2, 0, 0);
    ASSERT_TRUE(PeekMessage(&early, gone, 0, 0, PM_NOREMOVE));
    SetTimer(gone, 1, 10, nullptr);
    DestroyWindow(gone);

    EXPECT_FALSE(PostMessage(gone, WM_USER, 0, 0));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_WINDOW_HANDLE);
    EXPECT_EQ(SendMessage(gone, WM_USER, 0, 0), 0);
    EXPECT_EQ(DispatchMessage(&early), 0); // taken before the window went: dropped
    Advance(100);
    EXPECT_TRUE(ProcessMessages());
    EXPECT_EQ(keep.Log().size(), 1u);
    MSG msg;
    EXPECT_FALSE(PeekMessage(&msg, 0, 0, 0, PM_REMOVE)); // nor its timer
    EXPECT_FALSE(KillTimer(gone, 1));
}

TEST_F(Messages, SameThreadSendCallsTheProcedureDirectly) {
    TestWindow window([](UINT msg, WPARAM w, LPARAM l) -> LRESULT { return msg == WM_USER ? w + l : 0; });
    EXPECT_EQ(SendMessage(window.handle, WM_USER, 40, 2), 42);
    DWORD result = 0;
    EXPECT_TRUE(SendMessageTimeout(window.handle, WM_USER, 1, 2, SMTO_BLOCK, 0, &result));
    EXPECT_EQ(result, 3u);
    EXPECT_EQ(SendMessageTimeout(999999, WM_USER, 0, 0, SMTO_BLOCK, 10, &result), 0);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_WINDOW_HANDLE);
}

// ---- Window procedures (subclassing)

TEST_F(Messages, SubclassedWindowRunsTheNewProcedureWhichChainsToThePrevious) {
    TestWindow window([](UINT msg, WPARAM w, LPARAM) -> LRESULT { return msg == WM_USER ? 1 + w : 0; });
    void* own = GetWindowProcedure(window.handle);
    ASSERT_NE(own, nullptr);
    // A full pointer: the value does not fit 32 bits.
    EXPECT_GT(reinterpret_cast<std::uintptr_t>(own), std::uintptr_t{0xFFFFFFFF});
    void* previous = nullptr;
    void* instance = MakeObjectInstance([&previous](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
        return 100 + CallWindowProc(previous, h, m, w, l);
    });
    previous = SetWindowProcedure(window.handle, instance);
    EXPECT_EQ(previous, own);
    EXPECT_EQ(GetWindowProcedure(window.handle), instance);
    // Sent, posted and dispatched messages all run the new procedure.
    EXPECT_EQ(SendMessage(window.handle, WM_USER, 1, 0), 102);
    ASSERT_TRUE(PostMessage(window.handle, WM_USER, 2, 0));
    MSG msg;
    ASSERT_TRUE(PeekMessage(&msg, 0, 0, 0, PM_REMOVE));
    EXPECT_EQ(DispatchMessage(&msg), 103);
    std::atomic<LRESULT> fromOther{0};
    std::thread other([&] { fromOther = SendMessage(window.handle, WM_USER, 3, 0); });
    while (fromOther == 0) PeekMessage(&msg, 0, 0, 0, PM_NOREMOVE); // serves the send
    other.join();
    EXPECT_EQ(fromOther, 104);

    EXPECT_EQ(SetWindowProcedure(window.handle, previous), instance);
    EXPECT_EQ(SendMessage(window.handle, WM_USER, 1, 0), 2);
    FreeObjectInstance(instance);
    FreeObjectInstance(own); // a window's own procedure stays with its window
    EXPECT_EQ(SendMessage(window.handle, WM_USER, 1, 0), 2);
}

TEST_F(Messages, ValuesThatAreNoProcedureAreRefusedAndFreedOnesFallBackToTheWindowsOwn) {
    TestWindow window([](UINT msg, WPARAM, LPARAM) -> LRESULT { return msg == WM_USER ? 7 : 0; });
    void* own = GetWindowProcedure(window.handle);
    // A value cut to 32 bits, a made-up one, a bad handle.
    void* cut = reinterpret_cast<void*>(reinterpret_cast<std::uintptr_t>(own) & 0xFFFFFFFF);
    EXPECT_EQ(SetWindowProcedure(window.handle, cut), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(SetWindowProcedure(window.handle, nullptr), nullptr);
    EXPECT_EQ(GetWindowProcedure(window.handle), own);
    EXPECT_EQ(SetWindowProcedure(999999, own), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_WINDOW_HANDLE);
    EXPECT_EQ(GetWindowProcedure(999999), nullptr);

    // A procedure freed while installed: the window's own handles its messages; installing the
    // freed value again is refused.
    int calls = 0;
    void* instance =
        MakeObjectInstance([&calls](HWND, UINT, WPARAM, LPARAM) -> LRESULT { return ++calls, 50; });
    ASSERT_EQ(SetWindowProcedure(window.handle, instance), own);
    EXPECT_EQ(SendMessage(window.handle, WM_USER, 0, 0), 50);
    FreeObjectInstance(instance);
    EXPECT_EQ(SendMessage(window.handle, WM_USER, 0, 0), 7);
    EXPECT_EQ(CallWindowProc(instance, window.handle, WM_USER, 0, 0), 7);
    EXPECT_EQ(SetWindowProcedure(window.handle, instance), nullptr);
    EXPECT_EQ(calls, 1);
    // A new procedure never gets a freed one's value.
    void* next = MakeObjectInstance(nullptr);
    EXPECT_NE(next, instance);
    FreeObjectInstance(next);
}

TEST_F(Messages, ProceduresOfADestroyedWindowAnswerZero) {
    int calls = 0;
    HWND wnd =
        CreateMessageWindow("Gone", [&calls](HWND, UINT, WPARAM, LPARAM) -> LRESULT { return ++calls; });
    void* own = GetWindowProcedure(wnd);
    ASSERT_TRUE(DestroyWindow(wnd));
    EXPECT_EQ(CallWindowProc(own, wnd, WM_USER, 0, 0), 0);
    EXPECT_EQ(GetWindowProcedure(wnd), nullptr);
    EXPECT_EQ(calls, 0);
}

// ---- The quit

TEST_F(Messages, QuitIsReportedAfterPostedMessagesAndOnlyOnce) {
    TestWindow window;
    PostMessage(window.handle, WM_USER + 1, 0, 0);
    PostQuitMessage(3);
    PostMessage(window.handle, WM_USER + 2, 0, 0);
    MSG msg;
    ASSERT_TRUE(GetMessage(&msg, 0, 0, 0));
    EXPECT_EQ(msg.message, WM_USER + 1);
    ASSERT_TRUE(GetMessage(&msg, 0, 0, 0));
    EXPECT_EQ(msg.message, WM_USER + 2);
    ASSERT_TRUE(PeekMessage(&msg, 0, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(msg.message, WM_QUIT);
    EXPECT_EQ(msg.wParam, 3u);
    EXPECT_FALSE(GetMessage(&msg, 0, 0, 0));
    EXPECT_EQ(msg.wParam, 3u);
    EXPECT_FALSE(PeekMessage(&msg, 0, 0, 0, PM_REMOVE));
}

TEST_F(Messages, QuitStaysPendingThroughATakeAndRepostCycle) {
    PostQuitMessage(5);
    for (int round = 0; round < 3; ++round) {
        // What a yielding wait does: take the quit, put it back for the main loop.
        MSG msg;
        ASSERT_TRUE(PeekMessage(&msg, 0, 0, 0, PM_REMOVE));
        ASSERT_EQ(msg.message, WM_QUIT);
        PostQuitMessage(static_cast<int>(msg.wParam));
    }
    EXPECT_FALSE(ProcessMessages()); // leaves it pending
    EXPECT_EQ(RunMessageLoop(), 5);
    MSG msg;
    EXPECT_FALSE(PeekMessage(&msg, 0, 0, 0, PM_REMOVE));
}

TEST_F(Messages, ProcessMessagesDispatchesWhatWaitsAndReturns) {
    int reposts = 0;
    HWND handle = 0;
    TestWindow window([&](UINT msg, WPARAM, LPARAM) -> LRESULT {
        // A handler that always queues more must not keep ProcessMessages busy forever.
        if (msg == WM_USER) {
            ++reposts;
            PostMessage(handle, WM_USER, 0, 0);
        }
        return 0;
    });
    handle = window.handle;
    PostMessage(handle, WM_USER, 0, 0);
    PostMessage(handle, WM_USER + 1, 0, 0);
    EXPECT_TRUE(ProcessMessages());
    EXPECT_EQ(window.Count(WM_USER + 1), 1u);
    EXPECT_EQ(reposts, 1);
    EXPECT_TRUE(ProcessMessages());
    EXPECT_EQ(reposts, 2);
    PostQuitMessage(0);
    EXPECT_FALSE(ProcessMessages());
    EXPECT_FALSE(ProcessMessages());
}

// ---- Timers

TEST_F(Messages, TimerFiresWhenDueAndIsRestartedAndKilled) {
    TestWindow window;
    EXPECT_EQ(NextTimerDueMs(), INFINITE);
    ASSERT_NE(SetTimer(window.handle, 7, 1000, nullptr), 0u);
    EXPECT_LE(NextTimerDueMs(), 1000u);
    EXPECT_GT(NextTimerDueMs(), 900u);
    MSG msg;
    EXPECT_FALSE(PeekMessage(&msg, 0, 0, 0, PM_REMOVE));

    Advance(600);
    SetTimer(window.handle, 7, 1000, nullptr); // restarts
    Advance(600);
    EXPECT_FALSE(PeekMessage(&msg, 0, 0, 0, PM_REMOVE));
    Advance(500);
    EXPECT_EQ(NextTimerDueMs(), 0u);
    ASSERT_TRUE(PeekMessage(&msg, 0, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.hwnd, window.handle);
    EXPECT_EQ(msg.message, WM_TIMER);
    EXPECT_EQ(msg.wParam, 7u);
    DispatchMessage(&msg);
    EXPECT_EQ(window.Count(WM_TIMER), 1u);

    Advance(1000);
    ASSERT_TRUE(KillTimer(window.handle, 7));
    EXPECT_FALSE(PeekMessage(&msg, 0, 0, 0, PM_REMOVE));
    EXPECT_FALSE(KillTimer(window.handle, 7));
    EXPECT_EQ(NextTimerDueMs(), INFINITE);
}

TEST_F(Messages, LateTimerFiresOnce) {
    TestWindow window;
    SetTimer(window.handle, 1, 50, nullptr);
    Advance(1000); // twenty periods missed
    MSG msg;
    ASSERT_TRUE(PeekMessage(&msg, 0, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(msg.message, WM_TIMER);
    ASSERT_TRUE(PeekMessage(&msg, 0, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, WM_TIMER);
    EXPECT_FALSE(PeekMessage(&msg, 0, 0, 0, PM_REMOVE));
    Advance(50);
    EXPECT_TRUE(PeekMessage(&msg, 0, 0, 0, PM_REMOVE));
}

TEST_F(Messages, PostedMessagesAndQuitComeBeforeTimers) {
    TestWindow window;
    SetTimer(window.handle, 1, 10, nullptr);
    Advance(20);
    PostMessage(window.handle, WM_USER, 0, 0);
    PostQuitMessage(1);
    MSG msg;
    ASSERT_TRUE(PeekMessage(&msg, 0, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, WM_USER);
    ASSERT_TRUE(PeekMessage(&msg, 0, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, WM_QUIT);
    ASSERT_TRUE(PeekMessage(&msg, 0, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, WM_TIMER);
}

std::vector<std::pair<HWND, std::uintptr_t>> threadTimerCalls;
void OnThreadTimer(HWND wnd, UINT msg, std::uintptr_t id, DWORD) {
    EXPECT_EQ(msg, WM_TIMER);
    threadTimerCalls.emplace_back(wnd, id);
}

TEST_F(Messages, ThreadTimerCallsItsCallback) {
    threadTimerCalls.clear();
    const std::uintptr_t id = SetTimer(0, 0, 100, OnThreadTimer);
    ASSERT_NE(id, 0u);
    const std::uintptr_t other = SetTimer(0, 0, 100, OnThreadTimer);
    EXPECT_NE(other, id);
    KillTimer(0, other);
    EXPECT_EQ(SetTimer(0, id, 200, OnThreadTimer), id); // names an existing one: restarted
    Advance(250);
    MSG msg;
    ASSERT_TRUE(PeekMessage(&msg, 0, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.hwnd, 0u);
    DispatchMessage(&msg);
    ASSERT_EQ(threadTimerCalls.size(), 1u);
    EXPECT_EQ(threadTimerCalls[0], std::make_pair(HWND{0}, id));
    KillTimer(0, id);
}

TEST_F(Messages, GetMessageWakesForATimerInRealTime) {
    TestWindow window;
    SetTimer(window.handle, 3, 20, nullptr);
    MSG msg;
    ASSERT_TRUE(GetMessage(&msg, 0, 0, 0));
    EXPECT_EQ(msg.message, WM_TIMER);
    EXPECT_EQ(msg.wParam, 3u);
    EXPECT_FALSE(WaitMessageTimeout(5));
}

// ---- Across threads

TEST_F(Messages, PostOrderIsKeptAcrossThreads) {
    std::map<WPARAM, LPARAM> last;
    bool inOrder = true;
    int received = 0;
    TestWindow window([&](UINT, WPARAM sender, LPARAM seq) -> LRESULT {
        auto it = last.find(sender);
        if (it != last.end() && seq != it->second + 1) inOrder = false;
        last[sender] = seq;
        ++received;
        return 0;
    });
    constexpr int perThread = 2000;
    std::vector<std::thread> posters;
    for (WPARAM t = 0; t < 3; ++t)
        posters.emplace_back([&, t] {
            for (LPARAM i = 0; i < perThread; ++i) PostMessage(window.handle, WM_USER, t, i);
        });
    EXPECT_TRUE(PumpUntil([&] { return received == 3 * perThread; }));
    for (auto& p : posters) p.join();
    EXPECT_TRUE(inOrder);
    for (const auto& [sender, seq] : last) EXPECT_EQ(seq, perThread - 1) << sender;
}

TEST_F(Messages, WorkerThreadQueueAndWindowsEndWithTheThread) {
    HWND workerWindow = 0;
    DWORD workerId = 0;
    Event created, release;
    std::atomic<LRESULT> sendResult{-1};
    std::thread worker([&] {
        workerWindow = CreateMessageWindow("worker", [](HWND, UINT, WPARAM, LPARAM) -> LRESULT {
            ADD_FAILURE() << "the worker never pumps";
            return 0;
        });
        workerId = GetCurrentThreadId();
        PostMessage(workerWindow, WM_USER, 0, 0);
        created.Set();
        release.Wait();
    });
    ASSERT_TRUE(created.Wait());
    std::thread sender([&] { sendResult = SendMessage(workerWindow, WM_USER, 0, 0); });
    Sleep(20);
    EXPECT_EQ(GetWindowThreadProcessId(workerWindow, nullptr), workerId);
    release.Set();
    worker.join();
    sender.join();
    EXPECT_EQ(sendResult, 0); // the pending send failed with the thread
    EXPECT_FALSE(IsWindow(workerWindow));
    EXPECT_FALSE(PostMessage(workerWindow, WM_USER, 0, 0));
    EXPECT_FALSE(PostThreadMessage(workerId, WM_USER, 0, 0));
}

TEST_F(Messages, PostThreadMessageReachesTheThreadQueue) {
    Event ready;
    DWORD workerId = 0;
    std::atomic<UINT> got{0};
    std::thread worker([&] {
        workerId = GetCurrentThreadId();
        MSG msg;
        PeekMessage(&msg, 0, 0, 0, PM_NOREMOVE); // makes the queue
        ready.Set();
        if (GetMessage(&msg, 0, 0, 0)) got = msg.message;
    });
    ASSERT_TRUE(ready.Wait());
    EXPECT_TRUE(PostThreadMessage(workerId, WM_APP + 1, 0, 0));
    worker.join();
    EXPECT_EQ(got, WM_APP + 1);
}

TEST_F(Messages, SendThatTimesOutBeforeItStartsNeverRuns) {
    std::atomic<int> handled{0};
    HWND target = 0;
    Event created, startPumping, pumped;
    std::thread worker([&] {
        target = CreateMessageWindow("busy", [&](HWND, UINT msg, WPARAM, LPARAM) -> LRESULT {
            if (msg == WM_USER) ++handled;
            return 1;
        });
        created.Set();
        startPumping.Wait(); // busy: not pumping
        for (int i = 0; i < 5; ++i) ProcessMessages();
        WaitMessageTimeout(10);
        ProcessMessages();
        pumped.Set();
        DestroyWindow(target);
    });
    ASSERT_TRUE(created.Wait());
    DWORD result = 77;
    SetLastError(0);
    EXPECT_EQ(SendMessageTimeout(target, WM_USER, 0, 0, SMTO_BLOCK, 20, &result), 0);
    EXPECT_EQ(GetLastError(), ERROR_TIMEOUT);
    EXPECT_EQ(result, 77u);
    startPumping.Set();
    ASSERT_TRUE(pumped.Wait());
    worker.join();
    EXPECT_EQ(handled, 0);
}

TEST_F(Messages, SendThatStartedIsWaitedOut) {
    std::atomic<bool> finished{false};
    HWND target = 0;
    Event created;
    std::atomic<bool> stop{false};
    std::thread worker([&] {
        target = CreateMessageWindow("slow", [&](HWND, UINT, WPARAM, LPARAM) -> LRESULT {
            Sleep(60);
            finished = true;
            return 1234;
        });
        created.Set();
        while (!stop) WaitMessageTimeout(5);
        DestroyWindow(target);
    });
    ASSERT_TRUE(created.Wait());
    DWORD result = 0;
    EXPECT_NE(SendMessageTimeout(target, WM_USER, 0, 0, SMTO_BLOCK, 10, &result), 0);
    EXPECT_TRUE(finished);
    EXPECT_EQ(result, 1234u);
    stop = true;
    worker.join();
}

TEST_F(Messages, PumpInsideAHandlerServesASendFromAWorker) {
    std::atomic<bool> sendServed{false};
    int depth = 0;
    int depthAtSend = 0;
    std::thread worker;
    HWND handle = 0;
    TestWindow window([&](UINT msg, WPARAM, LPARAM) -> LRESULT {
        ++depth;
        if (msg == WM_USER) {
            worker = std::thread([&] { SendMessage(handle, WM_USER + 1, 0, 0); });
            while (!sendServed) WaitMessageTimeout(50);
        } else if (msg == WM_USER + 1) {
            depthAtSend = depth;
            sendServed = true;
        }
        --depth;
        return 0;
    });
    handle = window.handle;
    PostMessage(handle, WM_USER, 0, 0);
    MSG msg;
    ASSERT_TRUE(GetMessage(&msg, 0, 0, 0));
    DispatchMessage(&msg);
    worker.join();
    EXPECT_TRUE(sendServed);
    EXPECT_EQ(depthAtSend, 2);
}

TEST_F(Messages, ThreadsSendingToEachOtherDoNotDeadlock) {
    std::atomic<int> mainHandled{0};
    TestWindow mine([&](UINT, WPARAM w, LPARAM) -> LRESULT {
        ++mainHandled;
        return static_cast<LRESULT>(w + 1);
    });
    HWND theirs = 0;
    Event created, go;
    std::atomic<LRESULT> workerGot{0};
    std::thread worker([&] {
        theirs = CreateMessageWindow("peer", [&](HWND, UINT msg, WPARAM w, LPARAM) -> LRESULT {
            // Sends back while the main thread is still blocked in its own send.
            if (msg == WM_USER + 1) return SendMessage(mine.handle, WM_USER, w * 10, 0);
            return static_cast<LRESULT>(w + 100);
        });
        created.Set();
        go.Wait();
        // Both threads send at the same moment.
        workerGot = SendMessage(mine.handle, WM_USER, 5, 0);
        MSG msg;
        while (GetMessage(&msg, 0, 0, 0)) DispatchMessage(&msg);
        DestroyWindow(theirs);
    });
    ASSERT_TRUE(created.Wait());
    go.Set();
    EXPECT_EQ(SendMessage(theirs, WM_USER, 1, 0), 101);
    EXPECT_EQ(SendMessage(theirs, WM_USER + 1, 2, 0), 21); // a send answered by a nested send back
    PumpUntil([&] { return workerGot != 0; });
    EXPECT_EQ(workerGot, 6);
    EXPECT_EQ(mainHandled, 2);
    PostThreadMessage(GetWindowThreadProcessId(theirs, nullptr), WM_QUIT, 0, 0);
    worker.join();
}

TEST_F(Messages, BlockingSenderServesNothingWhileItWaits) {
    std::atomic<int> mainHandled{0};
    TestWindow mine([&](UINT, WPARAM, LPARAM) -> LRESULT {
        ++mainHandled;
        return 1;
    });
    HWND theirs = 0;
    Event created;
    std::atomic<bool> stop{false};
    std::atomic<LRESULT> innerOk{-1};
    std::atomic<DWORD> innerError{0};
    std::thread worker([&] {
        theirs = CreateMessageWindow("peer", [&](HWND, UINT, WPARAM w, LPARAM) -> LRESULT {
            DWORD r = 0;
            innerOk = SendMessageTimeout(mine.handle, WM_USER, 0, 0, static_cast<UINT>(w), 500, &r);
            innerError = GetLastError();
            return 1;
        });
        created.Set();
        while (!stop) WaitMessageTimeout(5);
        DestroyWindow(theirs);
    });
    ASSERT_TRUE(created.Wait());
    DWORD r = 0;
    // The main thread blocks: the worker's send back times out, never having run.
    EXPECT_NE(SendMessageTimeout(theirs, WM_USER, SMTO_BLOCK, 0, SMTO_BLOCK, 2000, &r), 0);
    EXPECT_EQ(innerOk, 0);
    EXPECT_EQ(innerError, ERROR_TIMEOUT);
    EXPECT_TRUE(ProcessMessages());
    EXPECT_EQ(mainHandled, 0);
    // Without SMTO_BLOCK the main thread serves it.
    EXPECT_NE(SendMessageTimeout(theirs, WM_USER, SMTO_NORMAL, 0, SMTO_NORMAL, 2000, &r), 0);
    EXPECT_NE(innerOk, 0);
    EXPECT_EQ(mainHandled, 1);
    stop = true;
    worker.join();
}

TEST_F(Messages, DestroyingAWindowFailsItsPendingSendsAtOnce) {
    std::atomic<int> handled{0};
    HWND target = 0;
    Event created, release;
    std::thread owner([&] {
        target = CreateMessageWindow("owner", [&](HWND, UINT, WPARAM, LPARAM) -> LRESULT {
            ++handled;
            return 1;
        });
        created.Set();
        release.Wait(); // not pumping
        for (int i = 0; i < 3; ++i) ProcessMessages();
    });
    ASSERT_TRUE(created.Wait());
    std::atomic<LRESULT> result{-1};
    std::atomic<DWORD> error{0};
    Event sent;
    std::thread sender([&] {
        DWORD r = 0;
        result = SendMessageTimeout(target, WM_USER, 0, 0, SMTO_BLOCK, 60000, &r);
        error = GetLastError();
        sent.Set();
    });
    Sleep(20);
    ASSERT_TRUE(DestroyWindow(target)); // from a third thread
    EXPECT_TRUE(sent.Wait(1000));
    EXPECT_EQ(result, 0);
    EXPECT_EQ(error, ERROR_INVALID_WINDOW_HANDLE);
    release.Set();
    owner.join();
    sender.join();
    EXPECT_EQ(handled, 0);
}

TEST_F(Messages, ExceptionInACrossThreadSendReleasesTheSender) {
    HWND target = 0;
    Event created;
    std::atomic<bool> caught{false};
    std::atomic<bool> stop{false};
    std::thread owner([&] {
        target = CreateMessageWindow("thrower", [](HWND, UINT, WPARAM, LPARAM) -> LRESULT {
            throw std::runtime_error("handler failed");
        });
        created.Set();
        while (!stop) {
            try {
                WaitMessageTimeout(5);
            } catch (const std::runtime_error&) {
                caught = true; // the exception stays on the window's thread
            }
        }
        DestroyWindow(target);
    });
    ASSERT_TRUE(created.Wait());
    DWORD r = 99;
    EXPECT_NE(SendMessageTimeout(target, WM_USER, 0, 0, SMTO_BLOCK, 60000, &r), 0);
    EXPECT_EQ(r, 0u);
    EXPECT_EQ(SendMessage(target, WM_USER, 0, 0), 0);
    stop = true;
    owner.join();
    EXPECT_TRUE(caught);
}

TEST_F(Messages, WaitMessageTimeoutWakesForAPostFromAnotherThread) {
    TestWindow window;
    EXPECT_FALSE(WaitMessageTimeout(10));
    std::thread poster([&] {
        Sleep(10);
        PostMessage(window.handle, WM_USER, 0, 0);
    });
    EXPECT_TRUE(WaitMessageTimeout(2000));
    poster.join();
    MSG msg;
    EXPECT_TRUE(PeekMessage(&msg, 0, 0, 0, PM_REMOVE));
}

} // namespace
