// libFuzzer target for the border bitmaps of a region mask ("BorderBmp" and its brothers): the
// flag byte and a plain or compressed bitmap record. Anything is read or refused with an exception
// of the library's own classes.
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
        mask.ReadBorder(0, &stream);
        // What was read writes back.
        TMemoryStream out;
        if (mask.BorderBmp() && !mask.BorderBmp()->Empty()) mask.WriteBorder(0, &out);
    } catch (const Exception&) {
    }
    return 0;
}
