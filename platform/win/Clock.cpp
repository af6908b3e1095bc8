#include "platform/win/Clock.h"

#include <atomic>
#include <chrono>

namespace {

using SteadyClock = std::chrono::steady_clock;

SteadyClock::time_point Origin() {
    static const SteadyClock::time_point origin = SteadyClock::now();
    return origin;
}

// Pins the origin at program start rather than at the first reading.
[[maybe_unused]] const SteadyClock::time_point originAtStart = Origin();

std::atomic<std::uint64_t> offsetUs{0};

} // namespace

std::uint64_t MonotonicUs() {
    const auto elapsed = std::chrono::duration_cast<std::chrono::microseconds>(SteadyClock::now() - Origin());
    return static_cast<std::uint64_t>(elapsed.count()) + offsetUs.load(std::memory_order_relaxed);
}

std::uint64_t MonotonicMs() {
    return MonotonicUs() / 1000;
}

DWORD GetTickCount() {
    return static_cast<DWORD>(MonotonicMs());
}

DWORD timeGetTime() {
    return static_cast<DWORD>(MonotonicMs());
}

std::uint64_t GetTickCount64() {
    return MonotonicMs();
}

BOOL QueryPerformanceCounter(std::int64_t* count) {
    if (count) *count = static_cast<std::int64_t>(MonotonicUs());
    return 1;
}

BOOL QueryPerformanceFrequency(std::int64_t* frequency) {
    if (frequency) *frequency = 1000000;
    return 1;
}

void SetClockOffsetForTesting(std::uint64_t offsetMs) {
    offsetUs.store(offsetMs * 1000, std::memory_order_relaxed);
}
