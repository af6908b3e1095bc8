// Multimedia timers: each timer is a thread of its own that sleeps to absolute deadlines on the
// monotonic clock and calls the callback there. A periodic timer that falls behind (a callback that
// ran long, a busy machine) fires once for the deadlines it missed and keeps its phase.
#pragma once

#include "platform/win/Types.h"

#include <cstdint>

using DWORD_PTR = std::uintptr_t;
using MMRESULT = UINT;
using TIMECALLBACK = void (*)(UINT timerId, UINT message, DWORD_PTR user, DWORD_PTR reserved1, DWORD_PTR reserved2);

inline constexpr UINT TIME_ONESHOT = 0;
inline constexpr UINT TIME_PERIODIC = 1;
inline constexpr MMRESULT MMSYSERR_NOERROR = 0;
inline constexpr MMRESULT MMSYSERR_INVALPARAM = 11;
// Delays the timers accept, in milliseconds.
inline constexpr UINT TIMERR_MINPERIOD = 1;
inline constexpr UINT TIMERR_MAXPERIOD = 1000000;

inline constexpr MMRESULT TIMERR_NOERROR = 0;
inline constexpr MMRESULT TIMERR_NOCANDO = 97;

struct TIMECAPS {
    UINT wPeriodMin;
    UINT wPeriodMax;
};
// The range of delays timeSetEvent accepts. TIMERR_NOCANDO for a null pointer or a size other
// than sizeof(TIMECAPS).
MMRESULT timeGetDevCaps(TIMECAPS* caps, UINT size);
// The timers here always keep their deadlines as closely as the system allows, so asking for a
// finer resolution changes nothing. Both check the period like timeSetEvent's delay
// (TIMERR_NOCANDO outside 1..1000000 ms).
MMRESULT timeBeginPeriod(UINT period);
MMRESULT timeEndPeriod(UINT period);

// The timer's id (never 0, never reused), or 0 for a delay outside 1..1000000 ms, no callback or
// unknown flags. The resolution is accepted and not used: the deadlines are kept as closely as the
// system allows. A one-shot timer ends after its call.
MMRESULT timeSetEvent(UINT delay, UINT resolution, TIMECALLBACK callback, DWORD_PTR user, UINT flags);
// Stops the timer: once it returns no call is running or will start, except when called from the
// timer's own callback, which then finishes. MMSYSERR_INVALPARAM for an id not running.
MMRESULT timeKillEvent(UINT timerId);
