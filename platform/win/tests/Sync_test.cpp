#include "platform/win/Sync.h"

#include "platform/win/tests/support/WinTestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <set>
#include <thread>
#include <vector>

namespace {

TEST(Events, ManualResetStaysSignalledUntilReset) {
    Event e(true, false);
    EXPECT_EQ(WaitForSingleObject(e.handle, 0), WAIT_TIMEOUT);
    e.Set();
    EXPECT_EQ(WaitForSingleObject(e.handle, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(e.handle, 0), WAIT_OBJECT_0);
    ResetEvent(e.handle);
    EXPECT_EQ(WaitForSingleObject(e.handle, 10), WAIT_TIMEOUT);
}

TEST(Events, AutoResetIsClearedByTheWaitItSatisfies) {
    Event e(false, true);
    EXPECT_EQ(WaitForSingleObject(e.handle, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(e.handle, 0), WAIT_TIMEOUT);
}

TEST(Events, AutoResetReleasesOneWaiterPerSet) {
    Event e(false, false);
    std::atomic<int> released{0};
    std::vector<std::thread> waiters;
    for (int i = 0; i < 3; ++i)
        waiters.emplace_back([&] {
            if (WaitForSingleObject(e.handle, 5000) == WAIT_OBJECT_0) ++released;
        });
    for (int expected = 1; expected <= 3; ++expected) {
        e.Set();
        for (int i = 0; i < 2000 && released < expected; ++i) Sleep(1);
        Sleep(5);
        EXPECT_EQ(released, expected);
    }
    for (auto& t : waiters) t.join();
    EXPECT_EQ(WaitForSingleObject(e.handle, 0), WAIT_TIMEOUT);
}

TEST(Events, PulseReleasesWaitersAndLeavesTheEventClear) {
    Event manual(true, false);
    std::atomic<int> released{0};
    std::vector<std::thread> waiters;
    for (int i = 0; i < 2; ++i)
        waiters.emplace_back([&] {
            if (WaitForSingleObject(manual.handle, 5000) == WAIT_OBJECT_0) ++released;
        });
    for (int i = 0; i < 2000 && released < 2; ++i) {
        PulseEvent(manual.handle);
        Sleep(1);
    }
    for (auto& t : waiters) t.join();
    EXPECT_EQ(released, 2);
    EXPECT_EQ(WaitForSingleObject(manual.handle, 0), WAIT_TIMEOUT);

    // Nobody waiting: the pulse is lost.
    Event automatic(false, false);
    PulseEvent(automatic.handle);
    EXPECT_EQ(WaitForSingleObject(automatic.handle, 0), WAIT_TIMEOUT);
}

TEST(Events, WaitAnyReportsTheLowestSignalledIndex) {
    Event a(true, false), b(false, true), c(true, true);
    HANDLE handles[] = {a.handle, b.handle, c.handle};
    EXPECT_EQ(WaitForMultipleObjects(3, handles, false, 0), WAIT_OBJECT_0 + 1);
    // b was auto-reset and is now clear.
    EXPECT_EQ(WaitForMultipleObjects(3, handles, false, 0), WAIT_OBJECT_0 + 2);
    ResetEvent(c.handle);
    EXPECT_EQ(WaitForMultipleObjects(3, handles, false, 15), WAIT_TIMEOUT);
}

TEST(Events, WaitAnyWakesWhenAnotherThreadSignals) {
    Event a(true, false), b(false, false);
    HANDLE handles[] = {a.handle, b.handle};
    std::thread setter([&] {
        Sleep(10);
        b.Set();
    });
    EXPECT_EQ(WaitForMultipleObjects(2, handles, false, 2000), WAIT_OBJECT_0 + 1);
    setter.join();
    EXPECT_EQ(WaitForSingleObject(b.handle, 0), WAIT_TIMEOUT);
}

TEST(Events, WaitAllTakesAllOrNone) {
    Event a(false, true), b(false, false);
    HANDLE handles[] = {a.handle, b.handle};
    EXPECT_EQ(WaitForMultipleObjects(2, handles, true, 15), WAIT_TIMEOUT);
    // The failed wait-all did not consume a.
    EXPECT_EQ(WaitForSingleObject(a.handle, 0), WAIT_OBJECT_0);

    a.Set();
    std::thread setter([&] {
        Sleep(10);
        b.Set();
    });
    EXPECT_EQ(WaitForMultipleObjects(2, handles, true, 2000), WAIT_OBJECT_0);
    setter.join();
    // Both auto-reset events were consumed together.
    EXPECT_EQ(WaitForSingleObject(a.handle, 0), WAIT_TIMEOUT);
    EXPECT_EQ(WaitForSingleObject(b.handle, 0), WAIT_TIMEOUT);
}

TEST(Events, WaitAllDoesNotStealFromAnyWaiterWhenIncomplete) {
    Event a(false, false), b(false, false);
    HANDLE both[] = {a.handle, b.handle};
    std::atomic<DWORD> allResult{0};
    std::thread all([&] { allResult = WaitForMultipleObjects(2, both, true, 60); });
    Sleep(10);
    a.Set();
    // The waiter for all of them must leave a alone while b is clear.
    EXPECT_EQ(WaitForSingleObject(a.handle, 1000), WAIT_OBJECT_0);
    all.join();
    EXPECT_EQ(allResult, WAIT_TIMEOUT);
}

TEST(Events, BadHandlesFail) {
    Event good(true, true);
    HANDLE closed = CreateEvent(nullptr, true, true, nullptr);
    ASSERT_TRUE(CloseHandle(closed));
    EXPECT_FALSE(CloseHandle(closed));

    SetLastError(0);
    EXPECT_EQ(WaitForSingleObject(closed, 0), WAIT_FAILED);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    HANDLE mixed[] = {good.handle, closed};
    EXPECT_EQ(WaitForMultipleObjects(2, mixed, false, 0), WAIT_FAILED);
    EXPECT_EQ(WaitForSingleObject(INVALID_HANDLE_VALUE, 0), WAIT_FAILED);
    EXPECT_FALSE(SetEvent(closed));
    EXPECT_FALSE(ResetEvent(0));

    EXPECT_EQ(WaitForMultipleObjects(0, nullptr, false, 0), WAIT_FAILED);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    std::vector<HANDLE> tooMany(MAXIMUM_WAIT_OBJECTS + 1, good.handle);
    EXPECT_EQ(WaitForMultipleObjects(static_cast<DWORD>(tooMany.size()), tooMany.data(), false, 0),
              WAIT_FAILED);
}

TEST(Events, HandlesAreNotReused) {
    std::set<HANDLE> seen;
    for (int i = 0; i < 50; ++i) {
        HANDLE h = CreateEvent(nullptr, false, false, nullptr);
        ASSERT_NE(h, 0);
        ASSERT_NE(h, INVALID_HANDLE_VALUE);
        EXPECT_TRUE(seen.insert(h).second);
        CloseHandle(h);
    }
}

TEST(MsgWait, ReturnsForAnObjectOrForInput) {
    DiscardMessages();
    Event e(true, false);
    EXPECT_EQ(MsgWaitForMultipleObjects(1, &e.handle, false, 10, 0), WAIT_TIMEOUT);

    const DWORD self = GetCurrentThreadId();
    std::thread poster([&] {
        Sleep(10);
        PostThreadMessage(self, WM_USER, 1, 2);
    });
    EXPECT_EQ(MsgWaitForMultipleObjects(1, &e.handle, false, 2000, 0), WAIT_OBJECT_0 + 1);
    poster.join();
    // It does not take the message.
    MSG msg;
    ASSERT_TRUE(PeekMessage(&msg, 0, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, WM_USER);

    e.Set();
    PostThreadMessage(self, WM_USER, 0, 0);
    // A signalled object wins over waiting input.
    EXPECT_EQ(MsgWaitForMultipleObjects(1, &e.handle, false, 0, 0), WAIT_OBJECT_0);
    DiscardMessages();
}

TEST(MsgWait, ServesASendThatArrives) {
    TestWindow window([](UINT, WPARAM w, LPARAM) -> LRESULT { return static_cast<LRESULT>(w * 2); });
    Event never(true, false);
    std::atomic<LRESULT> answer{0};
    std::thread sender([&] { answer = SendMessage(window.handle, WM_USER, 21, 0); });
    bool sawInput = false;
    for (int i = 0; i < 200 && answer == 0; ++i)
        sawInput |= MsgWaitForMultipleObjects(1, &never.handle, false, 10, 0) == WAIT_OBJECT_0 + 1;
    sender.join();
    EXPECT_EQ(answer, 42);
    EXPECT_TRUE(sawInput);
}

TEST(CriticalSection, IsRecursiveForItsOwnerAndExclusiveForOthers) {
    CRITICAL_SECTION cs;
    InitializeCriticalSection(&cs);
    EnterCriticalSection(&cs);
    EnterCriticalSection(&cs);
    EXPECT_TRUE(TryEnterCriticalSection(&cs));

    std::atomic<int> otherGot{-1};
    std::thread([&] { otherGot = TryEnterCriticalSection(&cs); }).join();
    EXPECT_EQ(otherGot, 0);

    LeaveCriticalSection(&cs);
    LeaveCriticalSection(&cs);
    std::thread([&] { otherGot = TryEnterCriticalSection(&cs); }).join();
    EXPECT_EQ(otherGot, 0); // still held once

    LeaveCriticalSection(&cs);
    std::thread([&] {
        otherGot = TryEnterCriticalSection(&cs);
        if (otherGot) LeaveCriticalSection(&cs);
    }).join();
    EXPECT_EQ(otherGot, 1);
    DeleteCriticalSection(&cs);
}

TEST(CriticalSection, GuardsSharedDataUnderContention) {
    CRITICAL_SECTION cs;
    long long counter = 0;
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&] {
            for (int i = 0; i < 20000; ++i) {
                TCriticalSectionLock hold(cs);
                ++counter;
            }
        });
    for (auto& t : threads) t.join();
    EXPECT_EQ(counter, 80000);
}

TEST(Interlocked, CountersHoldUnderContention) {
    volatile LONG counter = 0;
    volatile LONG sum = 0;
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&] {
            for (int i = 0; i < 50000; ++i) {
                InterlockedIncrement(&counter);
                InterlockedExchangeAdd(&sum, 3);
                InterlockedDecrement(&counter);
                InterlockedIncrement(&counter);
            }
        });
    for (auto& t : threads) t.join();
    EXPECT_EQ(counter, 200000);
    EXPECT_EQ(sum, 600000);
}

TEST(Interlocked, ReturnValues) {
    volatile LONG v = 5;
    EXPECT_EQ(InterlockedIncrement(&v), 6);
    EXPECT_EQ(InterlockedDecrement(&v), 5);
    EXPECT_EQ(InterlockedExchangeAdd(&v, 10), 5);
    EXPECT_EQ(v, 15);
    EXPECT_EQ(InterlockedExchange(&v, 7), 15);
    EXPECT_EQ(InterlockedCompareExchange(&v, 9, 8), 7); // no match: unchanged
    EXPECT_EQ(v, 7);
    EXPECT_EQ(InterlockedCompareExchange(&v, 9, 7), 7);
    EXPECT_EQ(v, 9);
}

TEST(ThreadIdentity, LastErrorAndIdsBelongToEachThread) {
    SetLastError(1234);
    DWORD otherError = 0;
    DWORD otherId = 0;
    std::thread([&] {
        otherError = GetLastError();
        SetLastError(99);
        otherId = GetCurrentThreadId();
    }).join();
    EXPECT_EQ(otherError, 0u);
    EXPECT_EQ(GetLastError(), 1234u);
    EXPECT_NE(otherId, 0u);
    EXPECT_NE(otherId, GetCurrentThreadId());
    EXPECT_EQ(GetCurrentThreadId(), GetCurrentThreadId());
    // The test program's main thread touched the platform first.
    EXPECT_EQ(MainThreadId(), GetCurrentThreadId());
}

} // namespace
