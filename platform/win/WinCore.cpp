#include "platform/win/WinCore.h"

#include "platform/win/Clock.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <map>

namespace wincore {

namespace {

// Never destroyed: threads may still use it while static objects are torn down at exit.
struct Core {
    std::mutex lock;
    std::map<DWORD, std::shared_ptr<ThreadState>> threads;
    std::map<DWORD, std::shared_ptr<TQueueWakeHook>> hooks;
    std::deque<std::shared_ptr<SyncRequest>> sync;
};

Core& TheCore() {
    static Core* core = new Core;
    return *core;
}

std::atomic<DWORD> nextThreadId{1};
std::atomic<DWORD> mainThreadId{0};
thread_local DWORD currentThreadId = 0;

void Retire(const std::shared_ptr<ThreadState>& ts) {
    Lock lk(GlobalLock());
    if (!ts->alive) return;
    ts->alive = false;
    TheCore().threads.erase(ts->id);
    TheCore().hooks.erase(ts->id);
    DestroyThreadWindows(*ts);
    ts->posted.clear();
    ts->timers.clear();
    ts->quitPending = false;
}

struct ThreadHolder {
    std::shared_ptr<ThreadState> ts;
    ThreadHolder() = default;
    ThreadHolder(const ThreadHolder&) = delete;
    ThreadHolder& operator=(const ThreadHolder&) = delete;
    ~ThreadHolder() {
        if (ts) Retire(ts);
    }
};
thread_local ThreadHolder holder;

// The thread that runs static initialisation is the first to touch the platform.
[[maybe_unused]] const DWORD firstThread = GetCurrentThreadId();

constexpr std::uint64_t ForeignPumpSliceUs = 10000;

} // namespace

std::mutex& GlobalLock() {
    return TheCore().lock;
}

std::uint64_t DeadlineAfter(DWORD ms) {
    if (ms == INFINITE) return Forever;
    return MonotonicUs() + std::uint64_t{ms} * 1000;
}

DWORD AllocateThreadId() {
    return nextThreadId.fetch_add(1);
}

void AdoptThreadId(DWORD id) {
    currentThreadId = id;
}

void SetMainThread(DWORD id) {
    mainThreadId.store(id);
}

std::shared_ptr<ThreadState> CurrentThreadState() {
    if (holder.ts) return holder.ts;
    auto ts = std::make_shared<ThreadState>();
    ts->id = GetCurrentThreadId();
    {
        Lock lk(GlobalLock());
        TheCore().threads[ts->id] = ts;
    }
    holder.ts = ts;
    return ts;
}

std::shared_ptr<ThreadState> FindThreadState(DWORD id) {
    auto& threads = TheCore().threads;
    auto it = threads.find(id);
    return it == threads.end() ? nullptr : it->second;
}

void RetireCurrentThread() {
    if (!holder.ts) return;
    Retire(holder.ts);
    holder.ts.reset();
}

void WakeList::Run() {
    auto hooks = std::move(hooks_);
    hooks_.clear();
    for (auto& hook : hooks)
        if (hook && *hook) (*hook)();
}

void Wake(ThreadState& ts, WakeList& wakes) {
    ts.cv.notify_all();
    auto it = TheCore().hooks.find(ts.id);
    if (it != TheCore().hooks.end()) wakes.Add(it->second);
}

void WakeMain(WakeList& wakes) {
    const DWORD id = MainThreadId();
    if (auto ts = FindThreadState(id)) {
        Wake(*ts, wakes);
        return;
    }
    auto it = TheCore().hooks.find(id);
    if (it != TheCore().hooks.end()) wakes.Add(it->second);
}

PumpScope::PumpScope() : ts(CurrentThreadState()), lk(GlobalLock()) {}

PumpScope::~PumpScope() {
    if (!lk.owns_lock()) lk.lock(); // left by an exception from a handler
    if (ts->foreignPump && (!ts->posted.empty() || HasIncoming(*ts))) Wake(*ts, wakes_);
}

std::deque<std::shared_ptr<SyncRequest>>& SyncQueue() {
    return TheCore().sync;
}

bool IsMainThread(const ThreadState& ts) {
    return ts.id == MainThreadId();
}

std::uint64_t NextTimerDueUs(const ThreadState& ts) {
    std::uint64_t next = Forever;
    for (const auto& t : ts.timers) next = std::min(next, t.dueUs);
    return next;
}

bool HasIncoming(const ThreadState& ts) {
    return !ts.sends.empty() || (IsMainThread(ts) && !SyncQueue().empty());
}

bool HasInput(const ThreadState& ts) {
    return HasIncoming(ts) || !ts.posted.empty() || ts.quitPending ||
           (!ts.timers.empty() && NextTimerDueUs(ts) <= MonotonicUs());
}

void RunForeignPump(Lock& lk, ThreadState& ts) {
    if (!ts.foreignPump || ts.inForeignPump) return;
    TForeignPump pump = ts.foreignPump;
    ts.inForeignPump = true;
    lk.unlock();
    try {
        pump();
    } catch (...) {
        lk.lock();
        ts.inForeignPump = false;
        throw;
    }
    lk.lock();
    ts.inForeignPump = false;
}

bool BlockUntil(Lock& lk, ThreadState& ts, std::uint64_t deadlineUs, bool considerTimers, bool pumpForeign,
                const std::function<bool()>& ready) {
    for (;;) {
        if (ready()) return true;
        const std::uint64_t now = MonotonicUs();
        if (now >= deadlineUs) return false;
        std::uint64_t wakeAt = deadlineUs;
        if (considerTimers) {
            // Timers already due but not wanted by ready() must not make this spin.
            for (const auto& t : ts.timers)
                if (t.dueUs > now) wakeAt = std::min(wakeAt, t.dueUs);
        }
        const bool foreign = pumpForeign && ts.foreignPump && !ts.inForeignPump;
        if (foreign) wakeAt = std::min(wakeAt, now + ForeignPumpSliceUs);
        if (wakeAt == Forever)
            ts.cv.wait(lk);
        else
            ts.cv.wait_for(lk, std::chrono::microseconds(wakeAt - now));
        if (foreign) RunForeignPump(lk, ts);
    }
}

bool ServeOneSync(Lock& lk, ThreadState& ts) {
    auto& queue = SyncQueue();
    if (queue.empty() || !IsMainThread(ts)) return false;
    auto req = queue.front();
    queue.pop_front();
    lk.unlock();
    std::exception_ptr error;
    try {
        req->method();
    } catch (...) {
        // Raised again on the thread that asked for the call.
        error = std::current_exception();
    }
    lk.lock();
    req->error = error;
    req->done = true;
    req->sender->cv.notify_all();
    return true;
}

} // namespace wincore

using namespace wincore;

DWORD GetCurrentThreadId() {
    if (currentThreadId == 0) {
        currentThreadId = AllocateThreadId();
        DWORD none = 0;
        mainThreadId.compare_exchange_strong(none, currentThreadId);
    }
    return currentThreadId;
}

DWORD MainThreadId() {
    if (mainThreadId.load() == 0) GetCurrentThreadId();
    return mainThreadId.load();
}

void SetForeignPump(TForeignPump pump) {
    auto ts = CurrentThreadState();
    Lock lk(GlobalLock());
    ts->foreignPump = std::move(pump);
}

void wincore::ClearForeignPump(DWORD threadId) {
    Lock lk(GlobalLock());
    if (auto ts = FindThreadState(threadId)) ts->foreignPump = nullptr;
}

void SetQueueWakeHook(DWORD threadId, TQueueWakeHook hook) {
    Lock lk(GlobalLock());
    if (hook)
        TheCore().hooks[threadId] = std::make_shared<TQueueWakeHook>(std::move(hook));
    else
        TheCore().hooks.erase(threadId);
}
