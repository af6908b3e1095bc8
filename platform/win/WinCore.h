// Private to platform/win: the state that kernel objects, message queues and threads share.
//
// One lock guards all of it. Every blocking wait of a thread sleeps on that thread's own condition
// variable, and whoever changes something a thread may be waiting for wakes that thread. The lock is
// never held while a window procedure, a synchronized method, a wake hook or a foreign pump runs.
#pragma once

#include "platform/win/Messages.h"
#include "platform/win/Sync.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

namespace wincore {

using Lock = std::unique_lock<std::mutex>;
std::mutex& GlobalLock();

inline constexpr std::uint64_t Forever = UINT64_MAX;
// The deadline in MonotonicUs terms for a wait of ms milliseconds (INFINITE: never).
std::uint64_t DeadlineAfter(DWORD ms);

struct ThreadState;

struct SendRequest {
    enum class State { Pending, Running, Done, Failed };
    HWND wnd = 0;
    UINT msg = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
    State state = State::Pending;
    LRESULT result = 0;
    std::shared_ptr<ThreadState> sender;
};

struct SyncRequest {
    std::function<void()> method;
    bool done = false;
    std::exception_ptr error;
    std::shared_ptr<ThreadState> sender;
};

struct Timer {
    HWND wnd = 0;
    std::uintptr_t id = 0;
    std::uint64_t periodUs = 0;
    std::uint64_t dueUs = 0;
    TIMERPROC proc = nullptr;
};

struct ThreadState {
    DWORD id = 0;
    bool alive = true;
    std::condition_variable cv;
    std::deque<MSG> posted;
    std::deque<std::shared_ptr<SendRequest>> sends;
    std::vector<Timer> timers;
    std::vector<HWND> windows;
    bool quitPending = false;
    int quitCode = 0;
    // Touched only by the owning thread.
    TForeignPump foreignPump;
    bool inForeignPump = false;
};

// Thread ids: small numbers, never reused. A TThread reserves one before its thread exists.
DWORD AllocateThreadId();
void AdoptThreadId(DWORD id);
void SetMainThread(DWORD id);

// The calling thread's state, created on first use. Call without holding the lock.
std::shared_ptr<ThreadState> CurrentThreadState();
// Under the lock; null when the thread has no queue.
std::shared_ptr<ThreadState> FindThreadState(DWORD id);
// Frees the calling thread's queue and windows now rather than at thread exit.
void RetireCurrentThread();

// Wake hooks collected under the lock and called once it is released: declare one before the lock,
// or call Run after unlocking.
class WakeList {
public:
    WakeList() = default;
    ~WakeList() { Run(); }
    WakeList(const WakeList&) = delete;
    WakeList& operator=(const WakeList&) = delete;
    void Add(std::shared_ptr<TQueueWakeHook> hook) { hooks_.push_back(std::move(hook)); }
    void Run();

private:
    std::vector<std::shared_ptr<TQueueWakeHook>> hooks_;
};

// Wakes the thread's blocking wait and its outside event loop (under the lock).
void Wake(ThreadState& ts, WakeList& wakes);
void WakeMain(WakeList& wakes);

// Held by each of our pumps on the calling thread: holds the lock and, on leaving, wakes the
// thread's outside event loop again when work is still queued. A pump nested in that loop serves
// only incoming calls when the loop's wake arrives, so what it leaves behind would otherwise wait
// for the next post.
class PumpScope {
public:
    PumpScope();
    ~PumpScope();
    PumpScope(const PumpScope&) = delete;
    PumpScope& operator=(const PumpScope&) = delete;

    std::shared_ptr<ThreadState> ts;

private:
    WakeList wakes_; // runs after lk is released

public:
    Lock lk;
};

// Synchronized calls waiting for the main thread (under the lock).
std::deque<std::shared_ptr<SyncRequest>>& SyncQueue();
bool IsMainThread(const ThreadState& ts);

// Under the lock. Incoming: a send or (main thread) a synchronized call. Input: incoming, a posted
// message, the quit or a due timer.
bool HasIncoming(const ThreadState& ts);
bool HasInput(const ThreadState& ts);
// The earliest timer due time, or Forever.
std::uint64_t NextTimerDueUs(const ThreadState& ts);

// Sleeps on the thread's condition variable until ready() or the deadline. With considerTimers the
// thread also wakes when a timer falls due; with pumpForeign it runs the thread's foreign pump
// every few milliseconds. Returns ready().
bool BlockUntil(Lock& lk, ThreadState& ts, std::uint64_t deadlineUs, bool considerTimers, bool pumpForeign,
                const std::function<bool()>& ready);
// For teardown late in a thread's life, when its thread-local state may be gone already.
void ClearForeignPump(DWORD threadId);
// Runs the thread's foreign pump unless it is already running on this thread; lk is released meanwhile.
void RunForeignPump(Lock& lk, ThreadState& ts);

// Serves sends queued for the thread and, with includeSync on the main thread, synchronized calls,
// until none is left. Called with lk held; releases it around each call. True when something ran.
bool ServeIncoming(Lock& lk, ThreadState& ts, bool includeSync = true);
bool ServeOneSync(Lock& lk, ThreadState& ts);

// Under the lock: destroys every window of the thread and fails the sends queued for it.
void DestroyThreadWindows(ThreadState& ts);

// Kernel objects.
HANDLE CreateThreadObject();
void SignalThreadObject(HANDLE handle);
enum class WakeOn { Nothing, Incoming, Input };
// Waits on the objects (count may be 0 when wake is not Nothing). Besides WAIT_OBJECT_0 + index,
// WAIT_TIMEOUT and WAIT_FAILED it returns WAIT_OBJECT_0 + count when the thread has incoming work or
// input, as wake asks. A satisfied object wins over input.
DWORD WaitObjects(Lock& lk, ThreadState& ts, const HANDLE* handles, DWORD count, bool waitAll, DWORD ms,
                  WakeOn wake, bool pumpForeign);

// For the Qt pump object: serves sends and synchronized calls, or also dispatches the messages and
// due timers present now (never the quit). Exceptions from handlers go to onError, one per message.
void ServeIncomingFromOutside(const std::function<void(std::exception_ptr)>& onError);
void DrainFromOutside(const std::function<void(std::exception_ptr)>& onError);

} // namespace wincore
