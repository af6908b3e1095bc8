// libFuzzer target for the item records of the containers: the first byte chooses the item type,
// the rest is one record. A record is read or refused with EReadError and leaves the item as it
// was; a record that was read is written again and reads back.
// Run as: visual_controls_cont_items_fuzz -max_len=4096 corpus/
#include "platform/rtl/Exceptions.h"
#include "visual_controls/Luxcont.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

namespace {

std::unique_ptr<TLuxListItem> Make(unsigned kind) {
    switch (kind % 5) {
    case 0:
        return std::make_unique<TLuxBitmapListItem>(nullptr);
    case 1:
        return std::make_unique<TLuxImageListItem>(nullptr);
    case 2:
        return std::make_unique<TLuxStringListItem>(nullptr);
    case 3:
        return std::make_unique<TLuxGenericListItem>(nullptr);
    default:
        return std::make_unique<TLuxWaveListItem>(nullptr);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const unsigned kind = data[0];
    TMemoryStream in(std::string(reinterpret_cast<const char*>(data) + 1, size - 1));
    auto item = Make(kind);
    item->SetDescription("before");
    try {
        item->ReadData(&in);
    } catch (const EReadError&) {
        if (item->Description() != "before") std::abort();
        return 0;
    }
    TMemoryStream out;
    item->WriteData(&out);
    out.SetPosition(0);
    auto again = Make(kind);
    again->ReadData(&out);
    if (again->Description() != item->Description() || again->Ident() != item->Ident() ||
        again->GetEmpty() != item->GetEmpty())
        std::abort();
    return 0;
}
