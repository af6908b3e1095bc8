// The settings-file reader on arbitrary bytes: it gives the bytes back unchanged, and a write
// touches only what it must.
#include "platform/ui/IniFiles.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    TIniText text(bytes);
    if (text.Bytes() != bytes) std::abort();
    for (const std::string& section : text.Sections())
        for (const auto& [name, value] : text.Keys(section)) {
            std::string got;
            if (!text.Get(section, name, got)) std::abort();
        }
    text.Set("S", "k", "v");
    std::string v;
    if (!text.Get("S", "k", v) || v != "v") std::abort();
    return 0;
}
