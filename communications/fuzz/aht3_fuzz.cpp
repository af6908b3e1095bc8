// libFuzzer target for the "AHT3" loader of the key map and the character-set map: no read beyond
// the given bytes, and a blob that is refused leaves the map empty.
#include "communications/VXTrmMap.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string blob(reinterpret_cast<const char*>(data), size);
    TVxKeyboardMapping keys;
    if (!keys.LoadFromBin(blob) && keys.Count() != 0) std::abort();
    TVxCharSetMapping sets;
    if (!sets.LoadFromBin(blob) && sets.Count() != 0) std::abort();
    sets.GenerateDrawScript("VT100-linedraw", "lqk");
    std::string font, text;
    while (sets.GetNextDrawCommand(font, text)) {
    }
    return 0;
}
