// The terminal's receive queue: bytes appended at the back and taken from the front. The capacity
// starts at 64 and doubles while what is held and what is added would not fit. Not locked: its
// owner guards it.
#pragma once

#include "platform/win/Types.h"

#include <vector>

class TaaByteQueue {
public:
    TaaByteQueue();

    void Put(const void* Data, DWORD Count);
    // Room for Count more bytes; returns where to write them, then Advance(Count) counts them.
    char* Reserve(DWORD Count);
    void Advance(DWORD Count);
    DWORD Count() const { return FCount; }
    DWORD Capacity() const { return static_cast<DWORD>(FData.size()); }
    // The oldest Count bytes; raises Exception when fewer are held.
    const char* Peek(DWORD Count) const;
    // Drops the oldest Count bytes; raises Exception when fewer are held.
    void Remove(DWORD Count);
    void Clear() { FCount = 0; }

private:
    void Grow(DWORD Needed);
    void CheckHeld(DWORD Count) const;

    std::vector<char> FData;
    DWORD FCount = 0;
};
