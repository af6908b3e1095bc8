// The RIFF walker on arbitrary bytes: what it accepts must lie inside the input, in whole frames.
#include "platform/sound/WaveData.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    TWaveData wave;
    if (!ParseWaveData(data, size, wave)) return 0;
    if (wave.FrameBytes() <= 0 || wave.Size % static_cast<std::size_t>(wave.FrameBytes()) != 0) std::abort();
    if (wave.Samples < data || wave.Samples > data + size ||
        wave.Size > static_cast<std::size_t>(data + size - wave.Samples))
        std::abort();
    // Touch every byte handed on, so the sanitizer sees any read outside the input.
    unsigned sum = 0;
    for (std::size_t i = 0; i < wave.Size; ++i) sum += wave.Samples[i];
    return static_cast<int>(sum & 0);
}
