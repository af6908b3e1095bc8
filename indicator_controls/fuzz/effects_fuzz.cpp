// Any picture of up to 24 x 24 pixels and any filter argument: the in-place filters stay inside the
// rows (the padding at each row's end is never written), and a blur of one flat colour keeps it.
#include "indicator_controls/Vanimate.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 7) return 0;
    const int w = data[0] % 24 + 1, h = data[1] % 24 + 1;
    const int filter = data[2] % 7;
    std::int32_t n;
    std::memcpy(&n, data + 3, sizeof n);
    data += 7;
    size -= 7;

    TvFastBmp fast(w, h);
    const std::size_t rowBytes = static_cast<std::size_t>(w) * 3;
    std::vector<std::uint8_t> row(rowBytes);
    const bool flat = size == 3;
    for (int y = 0; y < h; ++y) {
        for (std::size_t i = 0; i < rowBytes; ++i)
            row[i] = size == 0 ? 0 : data[(static_cast<std::size_t>(y) * rowBytes + i) % size];
        fast.SetLine(y, row.data());
    }
    const std::size_t padding = static_cast<std::size_t>(fast.Stride) - rowBytes;
    for (int y = 0; y < h; ++y) std::memset(fast.GetLine(y) + rowBytes, 0xA5, padding);

    switch (filter) {
    case 0: fast.ColorNoise(n); break;
    case 1: fast.BWNoise(n); break;
    case 2: fast.Saturation(n); break;
    case 3: fast.Contrast(n); break;
    case 4: fast.Sharpen(n); break;
    case 5: fast.Blur(n); break;
    default: fast.GaussianBlur(n); break;
    }

    for (int y = 0; y < h; ++y) {
        const std::uint8_t* p = fast.GetLine(y);
        for (std::size_t i = 0; i < padding; ++i)
            if (p[rowBytes + i] != 0xA5) std::abort();
        if (flat && filter >= 5)
            for (std::size_t i = 0; i < rowBytes; ++i)
                if (p[i] != data[i % 3]) std::abort();
    }
    return 0;
}
