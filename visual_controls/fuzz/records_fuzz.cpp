// libFuzzer target for the record readers: the first byte chooses a sequence of readers, the rest is
// the stream. Every input is read or refused with an exception of the run time or the class library.
// Run as: visual_controls_records_fuzz -max_len=70000 corpus/
#include "platform/rtl/Exceptions.h"
#include "visual_controls/Luxstreamutils.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    TMemoryStream stream(std::string(reinterpret_cast<const char*>(data) + 1, size - 1));
    unsigned plan = data[0];
    try {
        for (int step = 0; step < 4 && stream.Position() < stream.Size(); ++step, plan >>= 2) {
            switch (plan & 3) {
            case 0:
                stReadInteger(stream);
                stReadWord(stream);
                stReadByte(stream);
                stReadString(stream);
                break;
            case 1: {
                TStringList list;
                stReadStringList(stream, list, (plan & 4) != 0);
                break;
            }
            default: {
                TBitmap bitmap;
                stReadBitmap(stream, bitmap, (plan & 3) == 3);
                break;
            }
            }
        }
    } catch (const Exception&) {
    }
    return 0;
}
