// One 64-bit monotonic clock under every tick, millisecond and counter function. The 32-bit values
// are cut from it, so elapsed-time arithmetic done in 64 bits never meets a wrap.
#pragma once

#include "platform/win/Types.h"

#include <cstdint>

// Milliseconds since an arbitrary fixed origin (process start), never decreasing.
std::uint64_t MonotonicMs();
// The same clock in microseconds.
std::uint64_t MonotonicUs();

DWORD GetTickCount(); // low 32 bits of MonotonicMs()
DWORD timeGetTime();  // the multimedia clock: the same milliseconds
std::uint64_t GetTickCount64();

// The performance counter: counts of QueryPerformanceFrequency per second (here 1 MHz, i.e.
// microseconds). Both always succeed on this platform and return nonzero.
BOOL QueryPerformanceCounter(std::int64_t* count);
BOOL QueryPerformanceFrequency(std::int64_t* frequency);

// Tests shift the clock forward to reach boundaries (32-bit wraps, long timers) without waiting.
// The offset is added to every reading of every function above.
void SetClockOffsetForTesting(std::uint64_t offsetMs);
