// libFuzzer target for the LZRW block decoder and compressor: any block is expanded or refused with
// EReadError, never read or written out of bounds; what it expands to compresses back to a block
// that expands to the same bytes. Run as: visual_controls_lzrw_fuzz -max_len=33000 corpus/
#include "platform/rtl/Exceptions.h"
#include "visual_controls/Luxprocs.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

void RoundTrip(const std::uint8_t* data, std::size_t size) {
    std::vector<std::uint8_t> block(size + 1), back(LuxLZRWBufferSize);
    const std::uint16_t n = LuxLZRWCompress(data, block.data(), static_cast<std::uint16_t>(size));
    if (n > size + 1) std::abort();
    if (LuxLZRWDecompress(block.data(), back.data(), n) != size) std::abort();
    if (size > 0 && std::memcmp(back.data(), data, size) != 0) std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > 65535) return 0;
    // An exact-size copy, so that any read past the block is caught.
    std::vector<std::uint8_t> block(data, data + size);
    std::vector<std::uint8_t> out(LuxLZRWBufferSize);
    try {
        const std::uint16_t n = LuxLZRWDecompress(block.data(), out.data(), static_cast<std::uint16_t>(size));
        if (n > LuxLZRWMaxSource) std::abort();
        RoundTrip(out.data(), n);
    } catch (const EReadError&) {
    }
    if (size <= static_cast<std::size_t>(LuxLZRWMaxSource)) RoundTrip(block.data(), size);
    return 0;
}
