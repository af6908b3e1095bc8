// libFuzzer target for stored region data: the mask's "RegionData" reader and the region built
// from what it accepted. Anything is read or refused with EReadError; nothing is read past the
// given bytes.
#include "platform/gdi/DeviceContext.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Streams.h"
#include "visual_controls/LuxRegionMask.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    TMemoryStream stream(std::string(reinterpret_cast<const char*>(data), size));
    TLuxRegionMask mask;
    try {
        mask.ReadRegionData(&stream);
    } catch (const EReadError&) {
        if (mask.RegionDataSize() != 0 || !mask.RegionData().empty()) __builtin_trap();
        return 0;
    }
    // Accepted data builds its region.
    HRGN rgn = mask.CreateRegion();
    if (!rgn) __builtin_trap();
    DeleteObject(rgn);
    return 0;
}
