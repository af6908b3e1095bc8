// A non-visual timer with millisecond resolution, independent of the application's timer pool. It
// fires OnTimer either from a worker thread that sleeps for the interval (UseThread, the default;
// with Synchronize the call runs on the GUI thread while the worker waits) or from a periodic
// multimedia timer whose ticks arrive as WM_TIMER messages on a hidden window of the GUI thread.
#pragma once

#include "platform/ui/Classes.h"
#include "platform/win/Thread.h"
#include "platform/win/Types.h"
#include "visual_controls/Luxbase.h"

#include <cstdint>
#include <memory>

class TLuxThreadedTimer;
struct TLuxHiTimerState;

class TLuxHiTimer : public TLuxCustomComponent {
public:
    explicit TLuxHiTimer(TComponent* AOwner);
    TLuxHiTimer(TComponent* AOwner, std::uint16_t Interval);
    ~TLuxHiTimer() override;

    bool Enabled() const { return enabled_; }
    void SetEnabled(bool Value);
    std::uint32_t Interval() const { return interval_; }
    // Limited to the multimedia timer's period range.
    void SetInterval(std::uint32_t Value);
    const TNotifyEvent& OnTimer() const { return onTimer_; }
    void SetOnTimer(const TNotifyEvent& Value);
    bool Synchronize() const { return synchronize_; }
    void SetSynchronize(bool Value);
    bool UseThread() const { return useThread_; }
    void SetUseThread(bool Value);
    TThreadPriority ThreadPriority() const { return priority_; }
    void SetThreadPriority(TThreadPriority Value);
    int MaxPeriod() const { return GetCaps(0); }
    int MinPeriod() const { return GetCaps(1); }

    // Calls OnTimer.
    virtual void Timer();

    // For tests: the running multimedia timer (0 for none) and whether a worker runs.
    std::uint32_t TimerId() const { return timerId_; }
    bool WorkerRunning() const { return worker_ != nullptr; }
    HWND HiddenWindow() const { return window_; }

private:
    int GetCaps(int Index) const;
    void UpdateTimer();
    void StopWorker();
    LRESULT WndProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam);

    bool enabled_ = false;
    std::uint32_t interval_ = 1000;
    std::uint32_t timerId_ = 0;
    int minPeriod_ = 1;
    int maxPeriod_ = 1000000;
    TNotifyEvent onTimer_;
    HWND window_ = 0;
    TLuxThreadedTimer* worker_ = nullptr;
    std::shared_ptr<TLuxHiTimerState> state_;
    bool busy_ = false;
    TThreadPriority priority_ = TThreadPriority::tpNormal;
    bool synchronize_ = true;
    bool useThread_ = true;
};
