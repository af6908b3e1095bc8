// The settings-file reader over arbitrary bytes.
#include "loader/LoaderSettings.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const TLoaderDefaults d = ParseLoaderDefault(std::string(reinterpret_cast<const char*>(data), size));
    if (d.Baud && d.BadBaud) __builtin_trap();
    if (d.Port && (*d.Port < 0 || *d.Port > 65535)) __builtin_trap();
    if (d.Address)
        for (int part : *d.Address)
            if (part < 0 || part > 255) __builtin_trap();
    return 0;
}
