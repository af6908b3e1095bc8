// Helpers for the platform/win tests: a window that records what reaches it, and queue clean-up.
#pragma once

#include "platform/win/Clock.h"
#include "platform/win/Messages.h"
#include "platform/win/Sync.h"

#include <atomic>
#include <functional>
#include <mutex>
#include <vector>

struct Received {
    HWND wnd;
    UINT msg;
    WPARAM wParam;
    LPARAM lParam;
    DWORD thread;
};

// A message window on the creating thread. Every message is recorded; handler (if any) answers it.
class TestWindow {
public:
    using Handler = std::function<LRESULT(UINT msg, WPARAM, LPARAM)>;

    explicit TestWindow(Handler handler = nullptr) : handler_(std::move(handler)) {
        handle = CreateMessageWindow("TestWindow", [this](HWND wnd, UINT msg, WPARAM w, LPARAM l) -> LRESULT {
            {
                std::lock_guard<std::mutex> g(lock_);
                log_.push_back({wnd, msg, w, l, GetCurrentThreadId()});
            }
            return handler_ ? handler_(msg, w, l) : 0;
        });
    }
    ~TestWindow() { DestroyWindow(handle); }
    TestWindow(const TestWindow&) = delete;
    TestWindow& operator=(const TestWindow&) = delete;

    std::vector<Received> Log() const {
        std::lock_guard<std::mutex> g(lock_);
        return log_;
    }
    std::size_t Count(UINT msg) const {
        std::size_t n = 0;
        for (const auto& r : Log()) n += r.msg == msg ? 1 : 0;
        return n;
    }

    HWND handle = 0;

private:
    Handler handler_;
    mutable std::mutex lock_;
    std::vector<Received> log_;
};

// Takes every message (and a pending quit) off the calling thread's queue without dispatching.
inline void DiscardMessages() {
    MSG msg;
    while (PeekMessage(&msg, 0, 0, 0, PM_REMOVE)) {
    }
}

// Pumps the calling thread until done() or about two seconds have passed.
inline bool PumpUntil(const std::function<bool()>& done) {
    const std::uint64_t limit = MonotonicMs() + 2000;
    while (!done()) {
        if (MonotonicMs() > limit) return false;
        WaitMessageTimeout(5);
        ProcessMessages();
    }
    return true;
}

// An event closed with its scope.
class Event {
public:
    explicit Event(bool manualReset = true, bool initial = false)
        : handle(CreateEvent(nullptr, manualReset, initial, nullptr)) {}
    ~Event() { CloseHandle(handle); }
    Event(const Event&) = delete;
    Event& operator=(const Event&) = delete;
    void Set() { SetEvent(handle); }
    bool Wait(DWORD ms = 2000) { return WaitForSingleObject(handle, ms) == WAIT_OBJECT_0; }
    HANDLE handle;
};
