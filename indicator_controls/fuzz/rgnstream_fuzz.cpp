// Any bytes as a stored region: loading either raises the read error and leaves the region as it
// was, or takes a block that makes a region and saves back to the same bytes.
#include "indicator_controls/Std2.h"

#include "platform/gdi/DeviceContext.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Streams.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::uint8_t kEmpty[4] = {0, 0, 0, 0};
    TvcRgn rgn;
    TMemoryStream in;
    if (size > 0) in.WriteBuffer(data, static_cast<std::int32_t>(size));
    in.SetPosition(0);
    try {
        rgn.LoadFromStream(&in);
    } catch (const EReadError&) {
        if (rgn.ExsistData()) std::abort();
        return 0;
    }
    TMemoryStream out;
    rgn.SaveToStream(&out);
    const std::size_t used = static_cast<std::size_t>(in.Position());
    if (static_cast<std::size_t>(out.Size()) != used || std::memcmp(out.Memory(), data, used) != 0) std::abort();
    if (rgn.ExsistData()) {
        HRGN h = rgn.Handle();
        if (!h) std::abort();
        DeleteObject(h);
    } else if (used != 4 || std::memcmp(data, kEmpty, 4) != 0) {
        std::abort();
    }
    return 0;
}
