// VerQueryValue on arbitrary blocks: every answer must lie inside the block.
#include "platform/win/Version.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    // The block holds as many bytes as its first word says, as a loaded block does (and at least
    // that word).
    const std::size_t length = static_cast<std::size_t>(data[0] | data[1] << 8);
    if (length < 2 || length > size) return 0;
    std::vector<std::uint8_t> block(data, data + length);
    static const char* const paths[] = {"\\", "\\VarFileInfo\\Translation", "\\StringFileInfo\\040904E4\\CompanyName",
                                        "\\\\StringFileInfo\\\\040904E4\\\\Comments", "\\a\\b\\c\\d"};
    for (const char* path : paths) {
        void* value = nullptr;
        UINT len = 0;
        if (!VerQueryValue(block.data(), path, &value, &len)) continue;
        const auto* p = static_cast<const std::uint8_t*>(value);
        if (p < block.data() || p + len > block.data() + block.size()) std::abort();
    }
    return 0;
}
