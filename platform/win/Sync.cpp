#include "platform/win/Sync.h"

#include "platform/win/WinCore.h"

#include <algorithm>
#include <chrono>
#include <map>
#include <thread>
#include <vector>

using namespace wincore;

// ---- Critical sections

struct TRTLCriticalSection::Impl {
    std::recursive_mutex mutex;
};

TRTLCriticalSection::TRTLCriticalSection() : impl(std::make_unique<Impl>()) {}
TRTLCriticalSection::~TRTLCriticalSection() = default;

void InitializeCriticalSection(TRTLCriticalSection* cs) {
    if (!cs->impl) cs->impl = std::make_unique<TRTLCriticalSection::Impl>();
}

// The lock lives as long as its object, so a section used after Delete still works.
void DeleteCriticalSection(TRTLCriticalSection*) {}

void EnterCriticalSection(TRTLCriticalSection* cs) {
    cs->impl->mutex.lock();
}
void LeaveCriticalSection(TRTLCriticalSection* cs) {
    cs->impl->mutex.unlock();
}
BOOL TryEnterCriticalSection(TRTLCriticalSection* cs) {
    return cs->impl->mutex.try_lock() ? 1 : 0;
}

// ---- Kernel objects

namespace {

struct Waiter;

struct KernelObject {
    bool isThread = false;
    bool manualReset = true;
    bool signalled = false;
    std::vector<Waiter*> waiters; // in arrival order
};

struct Waiter {
    ThreadState* ts = nullptr;
    std::vector<KernelObject*> objects;
    bool waitAll = false;
    int satisfied = -1;
};

struct HandleTable {
    std::map<HANDLE, std::shared_ptr<KernelObject>> objects;
    HANDLE next = 4;
};

HandleTable& Handles() {
    static HandleTable* table = new HandleTable;
    return *table;
}

HANDLE AddObject(std::shared_ptr<KernelObject> object) {
    auto& table = Handles();
    const HANDLE handle = table.next;
    table.next += 4;
    table.objects.emplace(handle, std::move(object));
    return handle;
}

std::shared_ptr<KernelObject> FindObject(HANDLE handle) {
    auto& objects = Handles().objects;
    auto it = objects.find(handle);
    return it == objects.end() ? nullptr : it->second;
}

// Takes what the waiter asked for, all or nothing; an auto-reset event is reset by the wait it satisfies.
bool TrySatisfy(Waiter& w) {
    if (w.waitAll) {
        for (auto* o : w.objects)
            if (!o->signalled) return false;
        for (auto* o : w.objects)
            if (!o->manualReset) o->signalled = false;
        w.satisfied = 0;
        return true;
    }
    for (std::size_t i = 0; i < w.objects.size(); ++i) {
        auto* o = w.objects[i];
        if (o->signalled) {
            if (!o->manualReset) o->signalled = false;
            w.satisfied = static_cast<int>(i);
            return true;
        }
    }
    return false;
}

// Hands the signalled object to the waiters in arrival order.
void OfferToWaiters(KernelObject& object) {
    const auto waiters = object.waiters;
    for (auto* w : waiters) {
        if (!object.signalled) break;
        if (w->satisfied < 0 && TrySatisfy(*w)) w->ts->cv.notify_all();
    }
}

std::shared_ptr<KernelObject> FindEvent(HANDLE handle) {
    auto object = FindObject(handle);
    if (!object || object->isThread) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    return object;
}

thread_local DWORD lastError = 0;

} // namespace

namespace wincore {

HANDLE CreateThreadObject() {
    auto object = std::make_shared<KernelObject>();
    object->isThread = true;
    Lock lk(GlobalLock());
    return AddObject(std::move(object));
}

void SignalThreadObject(HANDLE handle) {
    Lock lk(GlobalLock());
    if (auto object = FindObject(handle)) {
        object->signalled = true;
        OfferToWaiters(*object);
    }
}

DWORD WaitObjects(Lock& lk, ThreadState& ts, const HANDLE* handles, DWORD count, bool waitAll, DWORD ms,
                  WakeOn wake, bool pumpForeign) {
    if (count > MAXIMUM_WAIT_OBJECTS || (count == 0 && wake == WakeOn::Nothing) || (count > 0 && !handles)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return WAIT_FAILED;
    }
    std::vector<std::shared_ptr<KernelObject>> held;
    Waiter w;
    w.ts = &ts;
    w.waitAll = waitAll;
    for (DWORD i = 0; i < count; ++i) {
        auto object = FindObject(handles[i]);
        if (!object) {
            SetLastError(ERROR_INVALID_HANDLE);
            return WAIT_FAILED;
        }
        if (waitAll && std::find(w.objects.begin(), w.objects.end(), object.get()) != w.objects.end()) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return WAIT_FAILED;
        }
        w.objects.push_back(object.get());
        held.push_back(std::move(object));
    }
    const auto wanted = [&] {
        switch (wake) {
        case WakeOn::Incoming:
            return HasIncoming(ts);
        case WakeOn::Input:
            return HasInput(ts);
        case WakeOn::Nothing:
            break;
        }
        return false;
    };

    if (count > 0 && TrySatisfy(w)) return WAIT_OBJECT_0 + static_cast<DWORD>(w.satisfied);
    if (wanted()) return WAIT_OBJECT_0 + count;
    if (ms == 0) return WAIT_TIMEOUT;

    for (auto* o : w.objects)
        if (std::find(o->waiters.begin(), o->waiters.end(), &w) == o->waiters.end()) o->waiters.push_back(&w);
    struct Unregister {
        Waiter& w;
        ~Unregister() {
            for (auto* o : w.objects) std::erase(o->waiters, &w);
        }
    } unregister{w};

    BlockUntil(lk, ts, DeadlineAfter(ms), wake == WakeOn::Input, pumpForeign,
               [&] { return w.satisfied >= 0 || wanted(); });
    if (w.satisfied >= 0) return WAIT_OBJECT_0 + static_cast<DWORD>(w.satisfied);
    if (wanted()) return WAIT_OBJECT_0 + count;
    return WAIT_TIMEOUT;
}

} // namespace wincore

HANDLE CreateEvent(void*, BOOL manualReset, BOOL initialState, const char*) {
    auto object = std::make_shared<KernelObject>();
    object->manualReset = manualReset != 0;
    object->signalled = initialState != 0;
    Lock lk(GlobalLock());
    return AddObject(std::move(object));
}

BOOL SetEvent(HANDLE event) {
    Lock lk(GlobalLock());
    auto object = FindEvent(event);
    if (!object) return 0;
    object->signalled = true;
    OfferToWaiters(*object);
    return 1;
}

BOOL ResetEvent(HANDLE event) {
    Lock lk(GlobalLock());
    auto object = FindEvent(event);
    if (!object) return 0;
    object->signalled = false;
    return 1;
}

BOOL PulseEvent(HANDLE event) {
    Lock lk(GlobalLock());
    auto object = FindEvent(event);
    if (!object) return 0;
    object->signalled = true;
    OfferToWaiters(*object);
    object->signalled = false;
    return 1;
}

namespace {
struct HandleCloser {
    HANDLE first;
    THandleCloser closer;
};
std::vector<HandleCloser>& HandleClosers() {
    // Never destroyed: self-freeing workers may still close handles after main returns.
    static auto* closers = new std::vector<HandleCloser>;
    return *closers;
}
} // namespace

void RegisterHandleCloser(HANDLE first, THandleCloser closer) {
    Lock lk(GlobalLock());
    HandleClosers().push_back({first, closer});
}

BOOL CloseHandle(HANDLE object) {
    THandleCloser foreign = nullptr;
    HANDLE best = 0;
    {
        Lock lk(GlobalLock());
        for (const HandleCloser& c : HandleClosers())
            if (object >= c.first && c.first > best) {
                best = c.first;
                foreign = c.closer;
            }
    }
    // The service's own close runs without our lock: it may wait for its workers.
    if (foreign) return foreign(object);
    Lock lk(GlobalLock());
    if (Handles().objects.erase(object) == 0) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    return 1;
}

DWORD WaitForSingleObject(HANDLE object, DWORD milliseconds) {
    return WaitForMultipleObjects(1, &object, 0, milliseconds);
}

DWORD WaitForMultipleObjects(DWORD count, const HANDLE* objects, BOOL waitAll, DWORD milliseconds) {
    auto ts = CurrentThreadState();
    Lock lk(GlobalLock());
    return WaitObjects(lk, *ts, objects, count, waitAll != 0, milliseconds, WakeOn::Nothing, false);
}

DWORD MsgWaitForMultipleObjects(DWORD count, const HANDLE* objects, BOOL waitAll, DWORD milliseconds, DWORD) {
    PumpScope pump;
    auto& ts = pump.ts;
    auto& lk = pump.lk;
    const DWORD result =
        WaitObjects(lk, *ts, objects, count, waitAll != 0, milliseconds, WakeOn::Input, true);
    if (result == WAIT_OBJECT_0 + count) ServeIncoming(lk, *ts);
    return result;
}

// ---- Interlocked counters

LONG InterlockedIncrement(volatile LONG* addend) {
    return __atomic_add_fetch(addend, 1, __ATOMIC_SEQ_CST);
}

LONG InterlockedDecrement(volatile LONG* addend) {
    return __atomic_sub_fetch(addend, 1, __ATOMIC_SEQ_CST);
}

LONG InterlockedExchange(volatile LONG* target, LONG value) {
    return __atomic_exchange_n(target, value, __ATOMIC_SEQ_CST);
}

LONG InterlockedExchangeAdd(volatile LONG* addend, LONG value) {
    return __atomic_fetch_add(addend, value, __ATOMIC_SEQ_CST);
}

LONG InterlockedCompareExchange(volatile LONG* destination, LONG exchange, LONG comparand) {
    __atomic_compare_exchange_n(destination, &comparand, exchange, false, __ATOMIC_SEQ_CST, __ATOMIC_SEQ_CST);
    return comparand;
}

// ---- Misc

void Sleep(DWORD milliseconds) {
    if (milliseconds == 0)
        std::this_thread::yield();
    else
        std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

DWORD GetLastError() {
    return lastError;
}
void SetLastError(DWORD error) {
    lastError = error;
}
