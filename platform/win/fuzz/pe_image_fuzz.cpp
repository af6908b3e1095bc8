// The PE walker on arbitrary files: it reads nothing outside the file, and a block it returns
// answers VerQueryValue inside itself.
#include "platform/win/Version.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string block;
    if (!VersionBlockFromImage(std::string_view(reinterpret_cast<const char*>(data), size), block)) return 0;
    if (block.size() < 6 || block.size() > 65535) std::abort();
    for (const char* path : {"\\", "\\VarFileInfo\\Translation", "\\StringFileInfo\\040904E4\\CompanyName"}) {
        void* value = nullptr;
        UINT len = 0;
        if (!VerQueryValue(block.data(), path, &value, &len)) continue;
        const char* p = static_cast<const char*>(value);
        if (p < block.data() || p + len > block.data() + block.size()) std::abort();
    }
    return 0;
}
