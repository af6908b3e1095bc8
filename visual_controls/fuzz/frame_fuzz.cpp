// libFuzzer target for the compressed frame reader: any input is read or refused with EReadError.
// Run as: visual_controls_frame_fuzz -max_len=70000 corpus/
#include "platform/rtl/Exceptions.h"
#include "visual_controls/Luxstreamutils.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    TMemoryStream source(std::string(reinterpret_cast<const char*>(data), size)), dest;
    try {
        LoadCompressedStream(source, dest);
    } catch (const EReadError&) {
    }
    return 0;
}
