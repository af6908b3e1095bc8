#include "communications/VxByteQueue.h"

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Strings.h"

#include <cstring>

TaaByteQueue::TaaByteQueue() : FData(64) {}

void TaaByteQueue::Grow(DWORD Needed) {
    std::size_t capacity = FData.size();
    while (static_cast<std::size_t>(FCount) + Needed > capacity) capacity *= 2;
    if (capacity != FData.size()) FData.resize(capacity);
}

void TaaByteQueue::Put(const void* Data, DWORD Count) {
    std::memcpy(Reserve(Count), Data, Count);
    Advance(Count);
}

char* TaaByteQueue::Reserve(DWORD Count) {
    Grow(Count);
    return FData.data() + FCount;
}

void TaaByteQueue::Advance(DWORD Count) {
    Grow(Count);
    FCount += Count;
}

void TaaByteQueue::CheckHeld(DWORD Count) const {
    if (Count > FCount)
        throw Exception("Not enough data in queue (" + IntToStr(FCount) + " bytes) to satisfy read request (" +
                        IntToStr(Count) + " bytes)");
}

const char* TaaByteQueue::Peek(DWORD Count) const {
    CheckHeld(Count);
    return FData.data();
}

void TaaByteQueue::Remove(DWORD Count) {
    CheckHeld(Count);
    std::memmove(FData.data(), FData.data() + Count, FCount - Count);
    FCount -= Count;
}
