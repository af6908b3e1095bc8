// libFuzzer target for the containers' form data: the first byte chooses the property ("Internal"
// of an item of each list type, an image item's "Bitmap", or one of the container control's list
// properties), the rest is its binary value inside an otherwise well-formed form stream. Reading
// succeeds or stops with a read error.
// Run as: visual_controls_cont_form_fuzz -max_len=4096 corpus/
#include "platform/rtl/Exceptions.h"
#include "platform/ui/Filer.h"
#include "visual_controls/Luxcont.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace {

std::string Le32(std::uint32_t v) {
    std::string s;
    for (int i = 0; i < 4; ++i) s += static_cast<char>(v >> (8 * i) & 0xFF);
    return s;
}

std::string Str(const std::string& s) {
    return Le32(static_cast<std::uint32_t>(s.size())) + s;
}

std::string Binary(const std::string& name, const std::string& value) {
    return Str(name) + '\x07' + Str(value);
}

const bool kReady = [] {
    InitLuxcont();
    // Constructing one of each registers the item classes with the reader.
    TLuxBitmapList b(nullptr);
    TLuxImageList i(nullptr);
    TLuxStringList s(nullptr);
    TLuxGenericList g(nullptr);
    TLuxWaveList w(nullptr);
    return true;
}();

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::string value(reinterpret_cast<const char*>(data) + 1, size - 1);
    static const char* const lists[] = {"TLuxBitmapList", "TLuxImageList", "TLuxStringList",
                                        "TLuxGenericList", "TLuxWaveList"};
    static const char* const items[] = {"TLuxBitmapListItem", "TLuxImageListItem", "TLuxStringListItem",
                                        "TLuxGenericListItem", "TLuxWaveListItem"};
    static const char* const ctrlProps[] = {"BitmapList", "ImageList", "WaveList", "StringList"};
    const unsigned choice = data[0] % 10;
    std::string form = "VXF1";
    if (choice < 6) {
        const unsigned t = choice < 5 ? choice : 1;
        const std::string prop = choice < 5 ? Binary("Internal", value) : Binary("Bitmap", value);
        form += Str(lists[t]) + Str("List") + Str("") + Str(items[t]) + Str("Item") + prop + Str("") +
                Str("") + Str("");
    } else {
        form +=
            Str("TLuxContainerCtrl") + Str("Ctrl") + Binary(ctrlProps[choice - 6], value) + Str("") + Str("");
    }
    TMemoryStream in(form);
    try {
        std::unique_ptr<TComponent> root(TReader(&in).ReadRootComponent(nullptr));
    } catch (const EReadError&) {
    }
    return 0;
}
