// The registry file's parser on arbitrary bytes: what it keeps must format and parse back the same.
#include "platform/registry/RegistryFile.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const TRegistryText reg = TRegistryText::Parse(std::string(reinterpret_cast<const char*>(data), size));
    const std::string once = reg.Format();
    if (TRegistryText::Parse(once).Format() != once) std::abort();
    return 0;
}
