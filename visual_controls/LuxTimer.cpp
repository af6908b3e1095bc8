#include "visual_controls/LuxTimer.h"

#include "platform/ui/Filer.h"
#include "platform/ui/Forms.h"
#include "platform/ui/Graphics.h"
#include "platform/ui/TypInfo.h"
#include "platform/win/MMTimer.h"
#include "platform/win/Messages.h"
#include "platform/win/Sync.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <mutex>

// What the component and its worker thread share. The worker holds it as long as it runs, so a
// worker the component has let go never reads a freed component: it stops at the cancel flag, which
// the component sets (under the lock) before it goes.
struct TLuxHiTimerState {
    std::mutex lock;
    std::condition_variable wake;
    bool cancel = false;
    TLuxHiTimer* owner = nullptr;
    std::uint32_t interval = 1000;
    std::atomic<bool> enabled{false};
    std::atomic<bool> synchronize{true};
    // Set on the GUI thread while a synchronized tick runs the handler.
    bool inSyncTick = false;
};

class TLuxThreadedTimer : public TThread {
public:
    explicit TLuxThreadedTimer(std::shared_ptr<TLuxHiTimerState> state) : state_(std::move(state)) {}

protected:
    void Execute() override {
        const std::shared_ptr<TLuxHiTimerState> s = state_;
        for (;;) {
            {
                std::unique_lock<std::mutex> lk(s->lock);
                if (s->cancel || Terminated()) return;
                if (Application && Application->Terminated()) {
                    // No more ticks while the program ends; the component lets the worker go.
                    s->wake.wait(lk, [&] { return s->cancel; });
                    return;
                }
                if (s->wake.wait_for(lk, std::chrono::milliseconds(s->interval), [&] { return s->cancel; }))
                    return;
            }
            if (!s->enabled) continue;
            if (s->synchronize)
                TThread::Synchronize(this, [s] { SynchronizedTick(*s); });
            else
                FreeTick(*s);
        }
    }

private:
    // On the GUI thread while the worker waits. A tick queued before the component let the worker go
    // finds the cancel flag set and calls nothing.
    static void SynchronizedTick(TLuxHiTimerState& s) {
        if (s.cancel) return;
        s.inSyncTick = true;
        try {
            s.owner->Timer();
        } catch (...) {
            // The handler may have freed the component before it raised.
            if (Application) Application->HandleException(s.cancel ? nullptr : s.owner);
        }
        s.inSyncTick = false;
    }

    // On the worker thread; an exception is shown on the GUI thread and the ticks go on.
    void FreeTick(TLuxHiTimerState& s) {
        try {
            s.owner->Timer();
        } catch (...) {
            std::exception_ptr error = std::current_exception();
            try {
                TThread::Synchronize(this, [error] {
                    try {
                        std::rethrow_exception(error);
                    } catch (...) {
                        if (Application) Application->HandleException(nullptr);
                    }
                });
            } catch (...) {
            }
        }
    }

    std::shared_ptr<TLuxHiTimerState> state_;
};

namespace {

void MultimediaTick(UINT timerId, UINT, DWORD_PTR user, DWORD_PTR, DWORD_PTR) {
    PostMessage(static_cast<HWND>(user), WM_TIMER, timerId, 0);
}

bool Designing(const TComponent* c) {
    return c->ComponentState().Contains(TComponentStateItem::csDesigning);
}

} // namespace

TLuxHiTimer::TLuxHiTimer(TComponent* AOwner) : TLuxHiTimer(AOwner, 1000) {}

TLuxHiTimer::TLuxHiTimer(TComponent* AOwner, std::uint16_t Interval) : TLuxCustomComponent(AOwner) {
    TIMECAPS caps{};
    if (timeGetDevCaps(&caps, sizeof caps) == TIMERR_NOERROR) {
        minPeriod_ = static_cast<int>(caps.wPeriodMin);
        maxPeriod_ = static_cast<int>(caps.wPeriodMax);
    }
    timeBeginPeriod(static_cast<UINT>(minPeriod_));
    interval_ = Interval;
}

TLuxHiTimer::~TLuxHiTimer() {
    Destroying();
    onTimer_ = nullptr;
    StopWorker();
    if (timerId_ != 0) timeKillEvent(timerId_);
    timerId_ = 0;
    timeEndPeriod(static_cast<UINT>(minPeriod_));
    enabled_ = false;
    if (window_ != 0) DestroyWindow(window_);
    window_ = 0;
}

int TLuxHiTimer::GetCaps(int Index) const {
    return Index == 0 ? maxPeriod_ : minPeriod_;
}

void TLuxHiTimer::Timer() {
    if (onTimer_) onTimer_(this);
}

void TLuxHiTimer::SetEnabled(bool Value) {
    if (Value == enabled_) return;
    enabled_ = Value;
    UpdateTimer();
}

void TLuxHiTimer::SetUseThread(bool Value) {
    if (Value == useThread_) return;
    useThread_ = Value;
    UpdateTimer();
}

void TLuxHiTimer::SetOnTimer(const TNotifyEvent& Value) {
    // The worker calls the handler without a lock: it goes before the handler changes.
    StopWorker();
    onTimer_ = Value;
    UpdateTimer();
}

void TLuxHiTimer::SetThreadPriority(TThreadPriority Value) {
    if (Value == priority_) return;
    priority_ = Value;
    if (useThread_) UpdateTimer();
}

void TLuxHiTimer::SetSynchronize(bool Value) {
    synchronize_ = Value;
    if (state_) state_->synchronize = Value;
}

void TLuxHiTimer::SetInterval(std::uint32_t Value) {
    if (Value == interval_) return;
    // The whole 32 bits are kept, also for the worker's sleep.
    interval_ = std::clamp<std::uint32_t>(Value, static_cast<std::uint32_t>(minPeriod_),
                                          static_cast<std::uint32_t>(maxPeriod_));
    UpdateTimer();
}

void TLuxHiTimer::StopWorker() {
    if (!worker_) return;
    const std::shared_ptr<TLuxHiTimerState> s = std::move(state_);
    TLuxThreadedTimer* w = worker_;
    worker_ = nullptr;
    {
        std::lock_guard<std::mutex> lk(s->lock);
        s->cancel = true;
    }
    s->wake.notify_all();
    if (s->inSyncTick || GetCurrentThreadId() == w->ThreadID()) {
        // Called from the tick itself: the worker waits for this very call (or is this thread), so it
        // cannot be joined here. It ends as soon as the tick returns and frees itself; it reads
        // FreeOnTerminate only after that.
        w->FreeOnTerminate = true;
        return;
    }
    // Waiting on the GUI thread serves the worker's synchronized call, which then calls nothing.
    w->WaitFor();
    delete w;
}

void TLuxHiTimer::UpdateTimer() {
    if (Designing(this)) return;
    StopWorker();
    if (timerId_ != 0) {
        timeKillEvent(timerId_);
        timerId_ = 0;
    }
    if (ComponentState().Contains(TComponentStateItem::csDestroying)) return;
    if (useThread_) {
        if (window_ != 0) {
            DestroyWindow(window_);
            window_ = 0;
        }
        if (enabled_ && onTimer_) {
            state_ = std::make_shared<TLuxHiTimerState>();
            state_->owner = this;
            state_->interval = interval_;
            state_->enabled = enabled_;
            state_->synchronize = synchronize_;
            worker_ = new TLuxThreadedTimer(state_);
            worker_->Priority = priority_;
            worker_->Resume();
        }
        return;
    }
    if (window_ == 0)
        window_ =
            CreateMessageWindow("TLuxHiTimer", [this](HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
                return WndProc(wnd, msg, wParam, lParam);
            });
    if (interval_ > 0 && enabled_ && onTimer_) {
        timerId_ = timeSetEvent(interval_, interval_, MultimediaTick, static_cast<DWORD_PTR>(window_),
                                TIME_PERIODIC);
        busy_ = false;
        if (timerId_ == 0) throw EOutOfResources("Not enough timers available");
    }
}

LRESULT TLuxHiTimer::WndProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg != WM_TIMER || timerId_ == 0 || wParam != timerId_)
        return DefWindowProc(wnd, msg, wParam, lParam);
    if (!busy_) {
        busy_ = true;
        // The flag clears on every path, so a handler that raised does not stop the ticks.
        try {
            Timer();
        } catch (...) {
            busy_ = false;
            if (Application) Application->HandleException(this);
            return 0;
        }
        busy_ = false;
    }
    return 0;
}

// --- Published properties -------------------------------------------------------------------------

namespace {

using published::Property;

const bool kPublished = [] {
    using T = TLuxHiTimer;
    PublishProperties<T, TLuxCustomComponent>({
        LuxAboutProperty<T>(),
        Property<T>(
            "Enabled", [](const T& t) { return t.Enabled(); }, [](T& t, bool v) { t.SetEnabled(v); }, false),
        Property<T>(
            "Interval", [](const T& t) { return t.Interval(); },
            [](T& t, std::uint32_t v) { t.SetInterval(v); }, 1000),
        Property<T>(
            "OnTimer", [](const T& t) { return t.OnTimer(); },
            [](T& t, const TNotifyEvent& v) { t.SetOnTimer(v); }),
        Property<T>(
            "Synchronize", [](const T& t) { return t.Synchronize(); },
            [](T& t, bool v) { t.SetSynchronize(v); }, true),
        Property<T>(
            "UseThread", [](const T& t) { return t.UseThread(); }, [](T& t, bool v) { t.SetUseThread(v); },
            true),
        Property<T>(
            "ThreadPriority", [](const T& t) { return t.ThreadPriority(); },
            [](T& t, TThreadPriority v) { t.SetThreadPriority(v); },
            static_cast<std::int64_t>(TThreadPriority::tpNormal)),
    });
    RegisterClass<TLuxHiTimer>();
    return true;
}();

} // namespace
