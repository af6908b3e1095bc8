// The JPEG reader on arbitrary bytes: every input is decoded or refused with EInvalidGraphic,
// without a fault, a leak or a picture beyond the bitmap limits; what is decoded converts to a
// bitmap of its own size.
// Built with -DVX_FUZZ=ON under clang (see the top CMakeLists.txt); run as:
//   ui_jpeg_fuzz -max_len=65536 corpus/
#include "platform/gdi/Bitmap.h"
#include "platform/rtl/Streams.h"
#include "platform/ui/Jpeg.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    TMemoryStream stream(std::string(reinterpret_cast<const char*>(data), size));
    TJPEGImage image;
    try {
        image.LoadFromStream(stream);
    } catch (const EInvalidGraphic&) {
        if (!image.Empty()) std::abort();
        return 0;
    }
    if (image.Width() <= 0 || image.Height() <= 0 || image.Width() > GdiMaxBitmapSide ||
        image.Height() > GdiMaxBitmapSide)
        std::abort();
    TBitmap bitmap;
    bitmap.Assign(&image);
    if (bitmap.Width() != image.Width() || bitmap.Height() != image.Height()) std::abort();
    return 0;
}
