// libFuzzer target for the BMP reader: every input must be read or refused without a fault, and
// whatever is read must write back. Built with -DVX_FUZZ=ON under clang (see ../CMakeLists.txt);
// run as: gdi_bmp_fuzz -max_len=65536 corpus/
#include "platform/gdi/BmpFile.h"
#include "platform/gdi/DeviceContext.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string error;
    HBITMAP bitmap = GdiReadBmp(data, size, &error);
    if (bitmap) {
        std::vector<std::uint8_t> out;
        GdiWriteBmp(bitmap, out);
        DeleteObject(bitmap);
    }
    return 0;
}
