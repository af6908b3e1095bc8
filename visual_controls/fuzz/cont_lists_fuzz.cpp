// libFuzzer target for list files and list streams: the first byte chooses the list type and
// whether the input is a whole list file (signature, count, offsets, records) or a stream without
// offsets. Bad data raises EReadError or the "Cannot open file" error and leaves the list as it was.
// Run as: visual_controls_cont_lists_fuzz -max_len=8192 corpus/
#include "platform/rtl/Exceptions.h"
#include "visual_controls/Luxcont.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <unistd.h>

namespace {

std::unique_ptr<TLuxCustomContainer> Make(unsigned kind) {
    switch (kind % 5) {
    case 0:
        return std::make_unique<TLuxBitmapList>(nullptr);
    case 1:
        return std::make_unique<TLuxImageList>(nullptr);
    case 2:
        return std::make_unique<TLuxStringList>(nullptr);
    case 3:
        return std::make_unique<TLuxGenericList>(nullptr);
    default:
        return std::make_unique<TLuxWaveList>(nullptr);
    }
}

const std::string& ScratchFile() {
    static const std::string name = "/tmp/cont_lists_fuzz." + std::to_string(getpid()) + ".lst";
    return name;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const unsigned mode = data[0];
    const std::string bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
    auto list = Make(mode);
    list->Add(nullptr);
    list->GetItem(0)->SetDescription("keep");
    try {
        if (mode & 0x80) {
            std::ofstream(ScratchFile(), std::ios::binary | std::ios::trunc) << bytes;
            if (mode & 0x40) {
                int count = 0;
                std::vector<std::int32_t> offsets;
                if (LuxListGetFileType(ScratchFile(), count, &offsets) != icInvalid && count > 0) {
                    auto item = list->NewItem(nullptr);
                    std::unique_ptr<TLuxListItem> owned(item);
                    LuxListGetItemFromFile(ScratchFile(), list->ListType(), nullptr, item,
                                           static_cast<int>(mode % static_cast<unsigned>(count)));
                }
            } else {
                list->LoadFromFile(ScratchFile());
            }
        } else {
            TMemoryStream in(bytes);
            list->ReadData(&in, (mode & 0x40) != 0);
        }
    } catch (const EReadError&) {
        if (list->GetCount() != 1 || list->GetItem(0)->Description() != "keep") std::abort();
        return 0;
    } catch (const Exception& e) {
        // Another type's file, or a record of another type.
        if (e.Message.rfind("Cannot open file %s: ", 0) != 0) std::abort();
        return 0;
    }
    TMemoryStream out;
    list->WriteData(&out, true);
    return 0;
}
