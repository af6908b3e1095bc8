#include "platform/win/Messages.h"

#include "platform/win/BroadcastMessages.h"
#include "platform/win/Clock.h"
#include "platform/win/Sync.h"
#include "platform/win/WinCore.h"

#include <algorithm>
#include <chrono>
#include <map>
#include <string>
#include <unistd.h>
#include <utility>

using namespace wincore;

namespace {

constexpr UINT USER_TIMER_MINIMUM = 10;
constexpr UINT USER_TIMER_MAXIMUM = 0x7FFFFFFF;

struct Window {
    HWND handle = 0;
    std::string className;
    // The procedure its messages go to (GWL_WNDPROC), and the one it was made with.
    std::uintptr_t proc = 0;
    std::uintptr_t ownProc = 0;
    std::shared_ptr<ThreadState> owner;
};

// Procedure values are tokens that are never handed out twice, so a value kept after its
// procedure was freed can never call another one. They lie above 4 GiB, as pointers do here, so
// that a value cut to 32 bits is caught as no procedure at all.
constexpr std::uintptr_t FirstProcedure = std::uintptr_t{0x7E57} << (sizeof(std::uintptr_t) > 4 ? 32 : 16);
constexpr std::uintptr_t ProcedureStep = 16;

// Guarded by the global lock; never destroyed (see WinCore).
struct Registry {
    std::map<HWND, std::shared_ptr<Window>> windows;
    std::map<std::uintptr_t, std::shared_ptr<const TWndMethod>> procedures;
    HWND nextHandle = 1;
    std::uintptr_t nextTimerId = 1;
    std::uintptr_t nextProcedure = FirstProcedure;
};

Registry& Windows() {
    static Registry* registry = new Registry;
    return *registry;
}

std::uintptr_t AddProcedure(TWndMethod method) {
    auto& registry = Windows();
    const std::uintptr_t value = registry.nextProcedure;
    registry.nextProcedure += ProcedureStep;
    registry.procedures.emplace(value, std::make_shared<const TWndMethod>(std::move(method)));
    return value;
}

std::shared_ptr<const TWndMethod> FindProcedure(std::uintptr_t value) {
    auto& procedures = Windows().procedures;
    auto it = procedures.find(value);
    return it == procedures.end() ? nullptr : it->second;
}

// What the window's messages run: its procedure, or its own one when that was freed while the
// window still held it (a subclass taken off out of order). Under the lock.
std::shared_ptr<const TWndMethod> ProcedureOf(const Window& w) {
    if (auto proc = FindProcedure(w.proc)) return proc;
    if (auto proc = FindProcedure(w.ownProc)) return proc;
    return std::make_shared<const TWndMethod>(DefWindowProc);
}

std::shared_ptr<Window> LookupWindow(HWND wnd) {
    auto& windows = Windows().windows;
    auto it = windows.find(wnd);
    return it == windows.end() ? nullptr : it->second;
}

void Finish(SendRequest& req, SendRequest::State state, LRESULT result) {
    req.state = state;
    req.result = result;
    req.sender->cv.notify_all();
}

void DestroyLocked(const std::shared_ptr<Window>& w) {
    Windows().windows.erase(w->handle);
    Windows().procedures.erase(w->ownProc);
    ThreadState& owner = *w->owner;
    std::erase(owner.windows, w->handle);
    std::erase_if(owner.posted, [&](const MSG& m) { return m.hwnd == w->handle; });
    std::erase_if(owner.timers, [&](const Timer& t) { return t.wnd == w->handle; });
    std::erase_if(owner.sends, [&](const std::shared_ptr<SendRequest>& req) {
        if (req->wnd != w->handle) return false;
        Finish(*req, SendRequest::State::Failed, 0);
        return true;
    });
}

bool Matches(HWND msgWnd, UINT message, HWND wnd, UINT filterMin, UINT filterMax) {
    if (wnd != 0 && msgWnd != wnd) return false;
    if (filterMin == 0 && filterMax == 0) return true;
    return message >= filterMin && message <= filterMax;
}

// Looks for the next message in the order posted messages, the quit, due timers. Under the lock.
bool TakeMessage(ThreadState& ts, MSG* msg, HWND wnd, UINT filterMin, UINT filterMax, bool remove,
                 bool allowQuit) {
    for (auto it = ts.posted.begin(); it != ts.posted.end(); ++it) {
        if (!Matches(it->hwnd, it->message, wnd, filterMin, filterMax)) continue;
        *msg = *it;
        if (remove) ts.posted.erase(it);
        return true;
    }
    if (allowQuit && ts.quitPending && wnd == 0) {
        *msg = MSG{0, WM_QUIT, static_cast<WPARAM>(ts.quitCode), 0, GetTickCount()};
        if (remove) ts.quitPending = false;
        return true;
    }
    const std::uint64_t now = MonotonicUs();
    Timer* due = nullptr;
    for (auto& t : ts.timers)
        if (t.dueUs <= now && Matches(t.wnd, WM_TIMER, wnd, filterMin, filterMax) &&
            (!due || t.dueUs < due->dueUs))
            due = &t;
    if (!due) return false;
    *msg = MSG{due->wnd, WM_TIMER, due->id, reinterpret_cast<LPARAM>(due->proc), GetTickCount()};
    // However late, a timer fires once and its period starts again now.
    if (remove) due->dueUs = now + due->periodUs;
    return true;
}

// Runs the window procedure for the message, directly on the window's thread, else through its
// queue. False when the window is bad or was destroyed, or the request timed out before it started.
bool SendCore(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT flags, DWORD timeoutMs,
              LRESULT* result) {
    auto ts = CurrentThreadState();
    Lock lk(GlobalLock());
    auto w = LookupWindow(wnd);
    if (!w) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return false;
    }
    if (w->owner == ts) {
        auto proc = ProcedureOf(*w);
        lk.unlock();
        *result = (*proc)(wnd, msg, wParam, lParam);
        return true;
    }

    const std::uint64_t deadlineUs = DeadlineAfter(timeoutMs);
    auto req = std::make_shared<SendRequest>();
    req->wnd = wnd;
    req->msg = msg;
    req->wParam = wParam;
    req->lParam = lParam;
    req->sender = ts;
    ThreadState& target = *w->owner;
    target.sends.push_back(req);
    {
        WakeList wakes;
        Wake(target, wakes);
        lk.unlock();
        wakes.Run();
        lk.lock();
    }

    const bool serve = (flags & SMTO_BLOCK) == 0;
    for (;;) {
        switch (req->state) {
        case SendRequest::State::Done:
            *result = req->result;
            return true;
        case SendRequest::State::Failed:
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return false;
        case SendRequest::State::Pending:
            if (MonotonicUs() >= deadlineUs) {
                // Not started: withdrawn, so the handler never runs after its caller gave up.
                std::erase(target.sends, req);
                SetLastError(ERROR_TIMEOUT);
                return false;
            }
            break;
        case SendRequest::State::Running:
            break;
        }
        if (serve && HasIncoming(*ts)) {
            try {
                ServeIncoming(lk, *ts);
            } catch (...) {
                if (req->state == SendRequest::State::Pending) std::erase(target.sends, req);
                throw;
            }
            continue;
        }
        const std::uint64_t now = MonotonicUs();
        if (req->state == SendRequest::State::Running || deadlineUs == Forever)
            ts->cv.wait(lk);
        else if (deadlineUs > now)
            ts->cv.wait_for(lk, std::chrono::microseconds(deadlineUs - now));
    }
}

// Dispatches the messages present now, without the quit. Under the lock; released around each dispatch.
void DispatchPresent(Lock& lk, ThreadState& ts, const std::function<void(std::exception_ptr)>* onError) {
    std::size_t budget = ts.posted.size() + ts.timers.size();
    while (budget-- > 0) {
        MSG m;
        if (!TakeMessage(ts, &m, 0, 0, 0, true, false)) break;
        lk.unlock();
        if (onError) {
            try {
                DispatchMessage(&m);
            } catch (...) {
                (*onError)(std::current_exception());
            }
        } else {
            DispatchMessage(&m);
        }
        lk.lock();
        if (onError) {
            try {
                ServeIncoming(lk, ts);
            } catch (...) {
                (*onError)(std::current_exception());
            }
        } else {
            ServeIncoming(lk, ts);
        }
    }
}

} // namespace

namespace wincore {

bool ServeIncoming(Lock& lk, ThreadState& ts, bool includeSync) {
    bool ran = false;
    for (;;) {
        if (!ts.sends.empty()) {
            auto req = ts.sends.front();
            ts.sends.pop_front();
            auto w = LookupWindow(req->wnd);
            if (!w || w->owner.get() != &ts) {
                Finish(*req, SendRequest::State::Failed, 0);
                continue;
            }
            req->state = SendRequest::State::Running;
            auto proc = ProcedureOf(*w);
            lk.unlock();
            LRESULT r = 0;
            try {
                r = (*proc)(req->wnd, req->msg, req->wParam, req->lParam);
            } catch (...) {
                // The sender is released with 0; the exception belongs to this thread.
                lk.lock();
                Finish(*req, SendRequest::State::Done, 0);
                throw;
            }
            lk.lock();
            Finish(*req, SendRequest::State::Done, r);
            ran = true;
            continue;
        }
        if (includeSync && ServeOneSync(lk, ts)) {
            ran = true;
            continue;
        }
        return ran;
    }
}

void DestroyThreadWindows(ThreadState& ts) {
    const auto handles = ts.windows;
    for (HWND h : handles)
        if (auto w = LookupWindow(h)) DestroyLocked(w);
    while (!ts.sends.empty()) {
        Finish(*ts.sends.front(), SendRequest::State::Failed, 0);
        ts.sends.pop_front();
    }
}

void ServeIncomingFromOutside(const std::function<void(std::exception_ptr)>& onError) {
    auto ts = CurrentThreadState();
    Lock lk(GlobalLock());
    try {
        ServeIncoming(lk, *ts);
    } catch (...) {
        if (lk.owns_lock()) lk.unlock();
        onError(std::current_exception());
    }
}

void DrainFromOutside(const std::function<void(std::exception_ptr)>& onError) {
    auto ts = CurrentThreadState();
    Lock lk(GlobalLock());
    try {
        ServeIncoming(lk, *ts);
    } catch (...) {
        lk.unlock();
        onError(std::current_exception());
        lk.lock();
    }
    DispatchPresent(lk, *ts, &onError);
}

} // namespace wincore

HWND CreateMessageWindow(const char* className, TWndMethod proc) {
    auto ts = CurrentThreadState();
    auto w = std::make_shared<Window>();
    w->className = className ? className : "";
    w->owner = ts;
    Lock lk(GlobalLock());
    auto& registry = Windows();
    w->ownProc = w->proc = AddProcedure(proc ? std::move(proc) : TWndMethod(DefWindowProc));
    if (registry.nextHandle == HWND_BROADCAST) ++registry.nextHandle;
    w->handle = registry.nextHandle++;
    registry.windows.emplace(w->handle, w);
    ts->windows.push_back(w->handle);
    return w->handle;
}

HWND CreateMessageWindow(const char* className, WNDPROC proc) {
    return CreateMessageWindow(className, proc ? TWndMethod(proc) : TWndMethod(DefWindowProc));
}

BOOL DestroyWindow(HWND wnd) {
    Lock lk(GlobalLock());
    auto w = LookupWindow(wnd);
    if (!w) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    DestroyLocked(w);
    return 1;
}

BOOL IsWindow(HWND wnd) {
    Lock lk(GlobalLock());
    return LookupWindow(wnd) ? 1 : 0;
}

DWORD GetWindowThreadProcessId(HWND wnd, DWORD* processId) {
    Lock lk(GlobalLock());
    auto w = LookupWindow(wnd);
    if (!w) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    if (processId) *processId = static_cast<DWORD>(getpid());
    return w->owner->id;
}

void* GetWindowProcedure(HWND wnd) {
    Lock lk(GlobalLock());
    auto w = LookupWindow(wnd);
    if (!w) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    return reinterpret_cast<void*>(w->proc);
}

void* SetWindowProcedure(HWND wnd, void* proc) {
    Lock lk(GlobalLock());
    auto w = LookupWindow(wnd);
    if (!w) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    const auto value = reinterpret_cast<std::uintptr_t>(proc);
    if (!FindProcedure(value)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return reinterpret_cast<void*>(std::exchange(w->proc, value));
}

void* MakeObjectInstance(TWndMethod method) {
    Lock lk(GlobalLock());
    return reinterpret_cast<void*>(AddProcedure(method ? std::move(method) : TWndMethod(DefWindowProc)));
}

void FreeObjectInstance(void* instance) {
    std::shared_ptr<const TWndMethod> method;
    {
        Lock lk(GlobalLock());
        auto& procedures = Windows().procedures;
        auto it = procedures.find(reinterpret_cast<std::uintptr_t>(instance));
        if (it == procedures.end()) return;
        // A window's own procedure goes with its window.
        for (const auto& [handle, w] : Windows().windows)
            if (w->ownProc == it->first) return;
        method = std::move(it->second);
        procedures.erase(it);
    }
    // The callable (and what it holds) is let go outside the lock.
}

LRESULT CallWindowProc(void* proc, HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    std::shared_ptr<const TWndMethod> method;
    {
        Lock lk(GlobalLock());
        method = FindProcedure(reinterpret_cast<std::uintptr_t>(proc));
        if (!method) {
            auto w = LookupWindow(wnd);
            if (!w) return DefWindowProc(wnd, msg, wParam, lParam);
            // A freed procedure stands for the window's own, never for what replaced it.
            method = FindProcedure(w->ownProc);
            if (!method) return DefWindowProc(wnd, msg, wParam, lParam);
        }
    }
    return (*method)(wnd, msg, wParam, lParam);
}

LRESULT DefWindowProc(HWND, UINT, WPARAM, LPARAM) {
    return 0;
}

namespace {

// PostMessage; with Once, nothing is added while the same message waits in the queue.
BOOL Post(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam, bool Once) {
    std::shared_ptr<ThreadState> target = wnd == 0 ? CurrentThreadState() : nullptr;
    WakeList wakes;
    Lock lk(GlobalLock());
    if (wnd != 0) {
        auto w = LookupWindow(wnd);
        if (!w) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return 0;
        }
        target = w->owner;
    }
    auto& posted = target->posted;
    // The newest first: a message still waiting is usually near the end.
    if (Once)
        for (auto it = posted.rbegin(); it != posted.rend(); ++it)
            if (it->hwnd == wnd && it->message == msg && it->wParam == wParam && it->lParam == lParam)
                return 1;
    posted.push_back(MSG{wnd, msg, wParam, lParam, GetTickCount()});
    Wake(*target, wakes);
    return 1;
}

} // namespace

BOOL PostMessage(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (wnd == HWND_BROADCAST) return BroadcastMessage(msg, wParam, lParam);
    return Post(wnd, msg, wParam, lParam, false);
}

BOOL PostMessageOnce(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    return Post(wnd, msg, wParam, lParam, true);
}

BOOL PostThreadMessage(DWORD threadId, UINT msg, WPARAM wParam, LPARAM lParam) {
    WakeList wakes;
    Lock lk(GlobalLock());
    auto target = FindThreadState(threadId);
    if (!target) {
        SetLastError(ERROR_INVALID_THREAD_ID);
        return 0;
    }
    target->posted.push_back(MSG{0, msg, wParam, lParam, GetTickCount()});
    Wake(*target, wakes);
    return 1;
}

void PostQuitMessage(int exitCode) {
    auto ts = CurrentThreadState();
    WakeList wakes;
    Lock lk(GlobalLock());
    ts->quitPending = true;
    ts->quitCode = exitCode;
    Wake(*ts, wakes);
}

LRESULT SendMessage(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    return SendCore(wnd, msg, wParam, lParam, SMTO_NORMAL, INFINITE, &result) ? result : 0;
}

LRESULT SendMessageTimeout(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT flags, UINT timeoutMs,
                           DWORD* result) {
    LRESULT r = 0;
    if (!SendCore(wnd, msg, wParam, lParam, flags, timeoutMs, &r)) return 0;
    if (result) *result = static_cast<DWORD>(r);
    return 1;
}

std::uintptr_t SetTimer(HWND wnd, std::uintptr_t id, UINT elapseMs, TIMERPROC proc) {
    auto ts = wnd == 0 ? CurrentThreadState() : nullptr;
    const UINT elapse = std::clamp(elapseMs, USER_TIMER_MINIMUM, USER_TIMER_MAXIMUM);
    WakeList wakes;
    Lock lk(GlobalLock());
    if (wnd != 0) {
        auto w = LookupWindow(wnd);
        if (!w) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return 0;
        }
        ts = w->owner;
    }
    auto it = std::find_if(ts->timers.begin(), ts->timers.end(),
                           [&](const Timer& t) { return t.wnd == wnd && t.id == id; });
    if (it == ts->timers.end()) {
        // A thread timer gets a fresh id unless it names one of the thread's timers.
        if (wnd == 0) id = Windows().nextTimerId++;
        it = ts->timers.insert(ts->timers.end(), Timer{wnd, id, 0, 0, nullptr});
    }
    it->periodUs = std::uint64_t{elapse} * 1000;
    it->dueUs = MonotonicUs() + it->periodUs;
    it->proc = proc;
    Wake(*ts, wakes);
    return wnd != 0 && id == 0 ? 1 : id;
}

BOOL KillTimer(HWND wnd, std::uintptr_t id) {
    auto ts = wnd == 0 ? CurrentThreadState() : nullptr;
    Lock lk(GlobalLock());
    if (wnd != 0) {
        auto w = LookupWindow(wnd);
        if (!w) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return 0;
        }
        ts = w->owner;
    }
    const auto removed =
        std::erase_if(ts->timers, [&](const Timer& t) { return t.wnd == wnd && t.id == id; });
    return removed > 0 ? 1 : 0;
}

BOOL GetMessage(MSG* msg, HWND wnd, UINT filterMin, UINT filterMax) {
    PumpScope pump;
    auto& ts = pump.ts;
    auto& lk = pump.lk;
    MSG probe;
    for (;;) {
        ServeIncoming(lk, *ts);
        if (TakeMessage(*ts, msg, wnd, filterMin, filterMax, true, true)) return msg->message != WM_QUIT;
        BlockUntil(lk, *ts, Forever, true, true, [&] {
            return HasIncoming(*ts) || TakeMessage(*ts, &probe, wnd, filterMin, filterMax, false, true);
        });
    }
}

BOOL PeekMessage(MSG* msg, HWND wnd, UINT filterMin, UINT filterMax, UINT removeFlags) {
    PumpScope pump;
    auto& ts = pump.ts;
    auto& lk = pump.lk;
    RunForeignPump(lk, *ts);
    ServeIncoming(lk, *ts);
    return TakeMessage(*ts, msg, wnd, filterMin, filterMax, (removeFlags & PM_REMOVE) != 0, true) ? 1 : 0;
}

BOOL TranslateMessage(const MSG*) {
    return 0;
}

LRESULT DispatchMessage(const MSG* msg) {
    if (!msg) return 0;
    if (msg->message == WM_TIMER && msg->lParam != 0) {
        const auto proc = reinterpret_cast<TIMERPROC>(msg->lParam);
        proc(msg->hwnd, WM_TIMER, msg->wParam, GetTickCount());
        return 0;
    }
    if (msg->hwnd == 0) return 0;
    std::shared_ptr<const TWndMethod> proc;
    {
        Lock lk(GlobalLock());
        auto w = LookupWindow(msg->hwnd);
        if (!w) return 0;
        proc = ProcedureOf(*w);
    }
    return (*proc)(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

BOOL WaitMessageTimeout(DWORD milliseconds) {
    PumpScope pump;
    auto& ts = pump.ts;
    auto& lk = pump.lk;
    RunForeignPump(lk, *ts);
    if (ServeIncoming(lk, *ts)) return 1;
    const bool got =
        BlockUntil(lk, *ts, DeadlineAfter(milliseconds), true, true, [&] { return HasInput(*ts); });
    if (got) ServeIncoming(lk, *ts);
    return got ? 1 : 0;
}

int RunMessageLoop() {
    MSG msg;
    while (GetMessage(&msg, 0, 0, 0)) {
        TranslateMessage(&msg);
        DispatchMessage(&msg);
    }
    return static_cast<int>(msg.wParam);
}

bool ProcessMessages() {
    PumpScope pump;
    auto& ts = pump.ts;
    auto& lk = pump.lk;
    RunForeignPump(lk, *ts);
    ServeIncoming(lk, *ts);
    DispatchPresent(lk, *ts, nullptr);
    return !ts->quitPending;
}

DWORD NextTimerDueMs() {
    auto ts = CurrentThreadState();
    Lock lk(GlobalLock());
    const std::uint64_t next = NextTimerDueUs(*ts);
    if (next == Forever) return INFINITE;
    const std::uint64_t now = MonotonicUs();
    if (next <= now) return 0;
    return static_cast<DWORD>(std::min<std::uint64_t>((next - now + 999) / 1000, INFINITE - 1));
}
