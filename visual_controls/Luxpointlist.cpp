#include "visual_controls/Luxpointlist.h"

#include <cstdint>

// A slot holds a whole point: X in the high 32 bits, Y in the low 32 bits, so that every int
// coordinate survives (a 16-bit packing would fold values outside -32768 .. 32767).
static_assert(sizeof(void*) == 8, "a list slot holds two 32-bit coordinates");

namespace {

void* PackPoint(const TPoint& P) {
    const auto x = static_cast<std::uint64_t>(static_cast<std::uint32_t>(P.X));
    const auto y = static_cast<std::uint64_t>(static_cast<std::uint32_t>(P.Y));
    return reinterpret_cast<void*>(static_cast<std::uintptr_t>(x << 32 | y));
}

TPoint UnpackPoint(void* slot) {
    const auto v = static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(slot));
    return TPoint(static_cast<std::int32_t>(static_cast<std::uint32_t>(v >> 32)),
                  static_cast<std::int32_t>(static_cast<std::uint32_t>(v)));
}

} // namespace

TPoint TLuxPointList::GetPoint(int Index) const {
    if (Index < 0 || Index >= Count()) return TPoint();
    return UnpackPoint(Items(Index));
}

void TLuxPointList::PutPoint(int Index, const TPoint& P) {
    if (Index < 0 || Index >= Count()) return;
    SetItem(Index, PackPoint(P));
    GetChange(nullptr);
}

void TLuxPointList::AddPoint(const TPoint& P) {
    PutPoint(Add(nullptr), P);
    GetChange(nullptr);
}

void TLuxPointList::DeletePoint(int Index) {
    Delete(Index);
    GetChange(nullptr);
}

void TLuxPointList::Clone(TLuxPointList* Dest) const {
    if (!Dest || Dest == this) return;
    Dest->Clear();
    for (int i = 0; i < Count(); ++i) Dest->AddPoint(GetPoint(i));
}

void TLuxPointList::EndUpdate(bool Notify) {
    if (update_ > 0) --update_;
    if (Notify) GetChange(nullptr);
}

void TLuxPointList::GetChange(TObject* Sender) {
    if (update_ < 1 && OnChange) OnChange(Sender);
}
