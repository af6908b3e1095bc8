#include "platform/sound/WaveData.h"

#include <cstring>

namespace {

std::uint32_t U32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

std::uint16_t U16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}

constexpr std::uint16_t kFormatPcm = 1;
constexpr std::uint16_t kFormatExtensible = 0xFFFE;

// The format chunk's body; false for anything but the PCM shapes we play.
bool ReadFormat(const std::uint8_t* body, std::size_t size, TWaveData& wave) {
    if (size < 16) return false;
    std::uint16_t tag = U16(body);
    const int channels = U16(body + 2);
    const std::uint32_t rate = U32(body + 4);
    const int bits = U16(body + 14);
    if (tag == kFormatExtensible) {
        // cbSize, valid bits, channel mask, then the sub-format GUID whose first two bytes are the tag.
        if (size < 40 || U16(body + 16) < 22) return false;
        tag = U16(body + 24);
    }
    if (tag != kFormatPcm) return false;
    if (bits != 8 && bits != 16 && bits != 24 && bits != 32) return false;
    if (channels < 1 || channels > 32) return false;
    if (rate < 1 || rate > 1000000) return false;
    wave.Channels = channels;
    wave.SampleRate = static_cast<int>(rate);
    wave.BitsPerSample = bits;
    return true;
}

} // namespace

bool ParseWaveData(const std::uint8_t* bytes, std::size_t size, TWaveData& wave) {
    wave = TWaveData();
    if (!bytes || size < 12) return false;
    if (std::memcmp(bytes, "RIFF", 4) != 0 || std::memcmp(bytes + 8, "WAVE", 4) != 0) return false;
    bool haveFormat = false, haveData = false;
    const std::uint8_t* data = nullptr;
    std::size_t dataSize = 0;
    std::size_t at = 12;
    while (size - at >= 8) {
        const std::uint8_t* id = bytes + at;
        const std::size_t length = U32(bytes + at + 4);
        const std::size_t body = at + 8;
        const std::size_t left = size - body;
        if (std::memcmp(id, "fmt ", 4) == 0 && !haveFormat) {
            if (length > left || !ReadFormat(bytes + body, length, wave)) return false;
            haveFormat = true;
        } else if (std::memcmp(id, "data", 4) == 0 && !haveData) {
            data = bytes + body;
            dataSize = length < left ? length : left;
            haveData = true;
        }
        if (haveFormat && haveData) break;
        // Chunks are padded to an even length.
        if (length > left || left - length < (length & 1)) break;
        at = body + length + (length & 1);
    }
    if (!haveFormat || !haveData) {
        wave = TWaveData();
        return false;
    }
    wave.Samples = data;
    const std::size_t frame = static_cast<std::size_t>(wave.FrameBytes());
    wave.Size = dataSize - dataSize % frame;
    return true;
}
