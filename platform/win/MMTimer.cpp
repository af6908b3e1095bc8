#include "platform/win/MMTimer.h"

#include <chrono>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

struct Timer {
    UINT id = 0;
    std::chrono::milliseconds period{0};
    bool periodic = false;
    TIMECALLBACK callback = nullptr;
    DWORD_PTR user = 0;
    std::mutex lock;
    std::condition_variable wake;
    bool killed = false;
    std::thread thread;
};

struct Registry {
    std::mutex lock;
    std::map<UINT, std::shared_ptr<Timer>> timers;
    UINT next = 1;
};

Registry& Timers() {
    // Never destroyed: timers nobody killed still run while the program ends.
    static auto* registry = new Registry;
    return *registry;
}

void Run(std::shared_ptr<Timer> t) {
    Clock::time_point deadline = Clock::now() + t->period;
    for (;;) {
        {
            std::unique_lock<std::mutex> lk(t->lock);
            if (t->wake.wait_until(lk, deadline, [&] { return t->killed; })) return;
        }
        t->callback(t->id, 0, t->user, 0, 0);
        if (!t->periodic) break;
        // Missed deadlines are not made up: one call stands for them all.
        const Clock::time_point now = Clock::now();
        deadline += t->period;
        if (deadline <= now) deadline += ((now - deadline) / t->period + 1) * t->period;
    }
    // A one-shot timer takes itself out, unless a kill already has it and will join.
    Registry& r = Timers();
    std::lock_guard<std::mutex> lk(r.lock);
    auto it = r.timers.find(t->id);
    if (it != r.timers.end() && it->second == t) {
        r.timers.erase(it);
        t->thread.detach();
    }
}

} // namespace

MMRESULT timeSetEvent(UINT delay, UINT, TIMECALLBACK callback, DWORD_PTR user, UINT flags) {
    if (delay < TIMERR_MINPERIOD || delay > TIMERR_MAXPERIOD || !callback || (flags & ~TIME_PERIODIC) != 0)
        return 0;
    auto t = std::make_shared<Timer>();
    t->period = std::chrono::milliseconds(delay);
    t->periodic = (flags & TIME_PERIODIC) != 0;
    t->callback = callback;
    t->user = user;
    Registry& r = Timers();
    std::lock_guard<std::mutex> lk(r.lock);
    t->id = r.next++;
    r.timers[t->id] = t;
    t->thread = std::thread(Run, t);
    return t->id;
}

MMRESULT timeKillEvent(UINT timerId) {
    std::shared_ptr<Timer> t;
    {
        Registry& r = Timers();
        std::lock_guard<std::mutex> lk(r.lock);
        auto it = r.timers.find(timerId);
        if (it == r.timers.end()) return MMSYSERR_INVALPARAM;
        t = it->second;
        r.timers.erase(it);
    }
    {
        std::lock_guard<std::mutex> lk(t->lock);
        t->killed = true;
    }
    t->wake.notify_all();
    if (t->thread.get_id() == std::this_thread::get_id())
        t->thread.detach();
    else
        t->thread.join();
    return MMSYSERR_NOERROR;
}

MMRESULT timeGetDevCaps(TIMECAPS* caps, UINT size) {
    if (!caps || size != sizeof(TIMECAPS)) return TIMERR_NOCANDO;
    caps->wPeriodMin = TIMERR_MINPERIOD;
    caps->wPeriodMax = TIMERR_MAXPERIOD;
    return TIMERR_NOERROR;
}

MMRESULT timeBeginPeriod(UINT period) {
    return period < TIMERR_MINPERIOD || period > TIMERR_MAXPERIOD ? TIMERR_NOCANDO : TIMERR_NOERROR;
}

MMRESULT timeEndPeriod(UINT period) {
    return timeBeginPeriod(period);
}
