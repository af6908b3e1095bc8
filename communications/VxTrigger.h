// Trigger records of a dispatcher: timers, data strings and status conditions, with the data
// string's slot matcher. The dispatcher (VxUser) keeps them in lists under its list lock and turns
// their firings into notifications.
#pragma once

#include "communications/VxMisc.h"
#include "platform/win/Types.h"

#include <vector>

enum TTriggerType { ttNone, ttAvail, ttTimer, ttData, ttStatus };

// Status trigger types; the type also rides in the low three bits of the trigger's handle.
inline constexpr DWORD stNotActive = 0;
inline constexpr DWORD stModem = 1;
inline constexpr DWORD stLine = 2;
inline constexpr DWORD stOutBuffFree = 3;
inline constexpr DWORD stOutBuffUsed = 4;
inline constexpr DWORD stOutSent = 5;

// RemoveTrigger's name for the length trigger.
inline constexpr DWORD LengthTriggerHandle = 1;

inline constexpr DWORD MaxTrigData = 21;

struct TTimerTrigger {
    DWORD Handle = 0;
    EventTimer Timer;
    DWORD Ticks = 0;
    bool Armed = false;
};

struct TDataTrigger {
    DWORD Handle = 0;
    DWORD Len = 0; // 0 never matches
    // Each slot follows one candidate start in the stream: the pattern position it has reached.
    DWORD Slots[MaxTrigData + 1] = {};
    bool Matched = false;
    bool IgnoreCase = false;
    char Data[MaxTrigData] = {}; // upper-cased when IgnoreCase

    // Runs one received byte through the slots; true when it completes the string.
    bool Match(char C);
    void Reset();
};

struct TStatusTrigger {
    DWORD Handle = 0; // base + type
    DWORD Type = stNotActive;
    // Modem: the watched lines' mask in the high byte, their remembered state in the low one.
    // Line: the device error bits watched. Output buffer: the threshold in bytes.
    WORD Value = 0;
    bool Armed = false;
    bool Hit = false; // fired in this dispatch pass
};

// The triggers a port carries across a close and a re-open.
struct TTriggerSave {
    DWORD LengthTrigger = 0;
    std::vector<TTimerTrigger> TimerTriggers;
    std::vector<TDataTrigger> DataTriggers;
    std::vector<TStatusTrigger> StatusTriggers;
};

// The byte as the matcher compares it when case is ignored (the 8-bit code page's upper case).
char TriggerUpCase(char C);
