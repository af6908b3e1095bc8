// The sound in a RIFF WAVE image: its PCM format and where its samples lie.
//
// The walker believes no length field: every chunk is checked against the bytes it was given, a
// data chunk longer than what is left is cut to what is left (then to whole frames), and a chunk
// running past the end ends the walk.
#pragma once

#include <cstddef>
#include <cstdint>

struct TWaveData {
    int Channels = 0;
    int SampleRate = 0;
    int BitsPerSample = 0; // 8, 16, 24 or 32
    const std::uint8_t* Samples = nullptr;
    std::size_t Size = 0; // bytes, whole frames only

    int FrameBytes() const { return Channels * (BitsPerSample / 8); }
    std::size_t Frames() const { return FrameBytes() > 0 ? Size / static_cast<std::size_t>(FrameBytes()) : 0; }
};

// False unless the bytes are a RIFF WAVE image with a PCM format chunk (format tag 1, or the
// extensible tag with the PCM sub-format) of 8, 16, 24 or 32 bits, 1 to 32 channels, a rate of 1 to
// 1 000 000 samples a second, and a data chunk. A data chunk of no whole frame is accepted (a
// silence of no length). Samples points into the bytes given.
bool ParseWaveData(const std::uint8_t* bytes, std::size_t size, TWaveData& wave);
