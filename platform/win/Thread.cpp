#include "platform/win/Thread.h"

#include "platform/win/Sync.h"
#include "platform/win/WinCore.h"

#include <atomic>
#include <mutex>
#include <thread>

using namespace wincore;

struct TThread::Impl {
    std::thread thread;
    // Held by Resume until the std::thread is stored, so a self-freeing thread cannot run ahead.
    std::mutex startLock;
    HANDLE handle = 0;
    DWORD id = 0;
    std::atomic<bool> started{false};
    std::atomic<bool> terminated{false};
    std::atomic<bool> finished{false};
};

struct ThreadRunner {
    static void Run(TThread* t) {
        { std::lock_guard<std::mutex> gate(t->impl_->startLock); }
        AdoptThreadId(t->impl_->id);
        if (!t->Terminated()) {
            try {
                t->Execute();
            } catch (...) {
                // As in the class library, an exception that leaves Execute ends the thread quietly.
            }
        }
        const bool freeIt = t->FreeOnTerminate;
        try {
            if (t->OnTerminate) t->Synchronize([t] { t->OnTerminate(t); });
        } catch (...) {
        }
        try {
            t->DoTerminate();
        } catch (...) {
        }
        RetireCurrentThread();
        t->impl_->finished = true;
        SignalThreadObject(t->impl_->handle);
        if (freeIt) delete t;
    }
};

TThread::TThread() : impl_(std::make_unique<Impl>()) {
    impl_->handle = CreateThreadObject();
    impl_->id = AllocateThreadId();
}

TThread::~TThread() {
    if (impl_->thread.joinable()) {
        if (impl_->thread.get_id() == std::this_thread::get_id()) {
            impl_->thread.detach();
        } else {
            if (!impl_->finished) {
                Terminate();
                WaitFor();
            }
            impl_->thread.join();
        }
    }
    CloseHandle(impl_->handle);
}

void TThread::Resume() {
    bool expected = false;
    if (!impl_->started.compare_exchange_strong(expected, true)) return;
    std::lock_guard<std::mutex> gate(impl_->startLock);
    impl_->thread = std::thread(&ThreadRunner::Run, this);
}

void TThread::Terminate() {
    impl_->terminated = true;
}

int TThread::WaitFor() {
    // Waiting for itself could never end (a self-freeing thread's destructor runs on it).
    if (GetCurrentThreadId() == impl_->id) return ReturnValue;
    const HANDLE handle = impl_->handle;
    auto ts = CurrentThreadState();
    Lock lk(GlobalLock());
    if (!IsMainThread(*ts)) {
        WaitObjects(lk, *ts, &handle, 1, false, INFINITE, WakeOn::Nothing, false);
        return ReturnValue;
    }
    // A worker blocked in Synchronize or in a send to the main thread must be able to finish.
    for (;;) {
        const DWORD r = WaitObjects(lk, *ts, &handle, 1, false, INFINITE, WakeOn::Incoming, false);
        if (r != WAIT_OBJECT_0 + 1) break;
        ServeIncoming(lk, *ts);
    }
    return ReturnValue;
}

bool TThread::Terminated() const {
    return impl_->terminated;
}
bool TThread::Finished() const {
    return impl_->finished;
}
bool TThread::Suspended() const {
    return !impl_->started;
}
DWORD TThread::ThreadID() const {
    return impl_->id;
}
HANDLE TThread::Handle() const {
    return impl_->handle;
}

void TThread::Synchronize(const TThreadMethod& method) {
    Synchronize(this, method);
}

void TThread::Synchronize(TThread*, const TThreadMethod& method) {
    if (GetCurrentThreadId() == MainThreadId()) {
        method();
        return;
    }
    auto ts = CurrentThreadState();
    auto req = std::make_shared<SyncRequest>();
    req->method = method;
    req->sender = ts;
    Lock lk(GlobalLock());
    SyncQueue().push_back(req);
    {
        WakeList wakes;
        WakeMain(wakes);
        lk.unlock();
        wakes.Run();
        lk.lock();
    }
    ts->cv.wait(lk, [&] { return req->done; });
    if (req->error) std::rethrow_exception(req->error);
}

void TThread::DoTerminate() {}

bool CheckSynchronize(DWORD timeoutMs) {
    auto ts = CurrentThreadState();
    Lock lk(GlobalLock());
    if (!IsMainThread(*ts)) return false;
    if (SyncQueue().empty() && timeoutMs > 0)
        BlockUntil(lk, *ts, DeadlineAfter(timeoutMs), false, false, [] { return !SyncQueue().empty(); });
    bool ran = false;
    while (ServeOneSync(lk, *ts)) ran = true;
    return ran;
}
