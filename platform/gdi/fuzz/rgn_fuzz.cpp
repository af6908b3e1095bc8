// libFuzzer target for region data (ExtCreateRegion): no read beyond the given bytes, and a region
// that is accepted gives its data back.
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/Region.h"

#include <cstddef>
#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > 0xFFFFFFFF) return 0;
    // A copy of exactly `size` bytes, so that the sanitizer sees any read past the end.
    std::vector<std::uint8_t> copy(data, data + size);
    HRGN rgn =
        ExtCreateRegion(nullptr, static_cast<DWORD>(size), reinterpret_cast<const RGNDATA*>(copy.data()));
    if (rgn) {
        std::vector<std::uint8_t> back(GetRegionData(rgn, 0, nullptr));
        GetRegionData(rgn, static_cast<DWORD>(back.size()), reinterpret_cast<RGNDATA*>(back.data()));
        DeleteObject(rgn);
    }
    return 0;
}
