// Hand-built RIFF WAVE images and a sound device that writes what it is given into a file.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

using Bytes = std::vector<std::uint8_t>;

// Appended through resize: GCC 12 warns wrongly about push_back of single bytes here.
inline void PutLE(Bytes& b, std::uint32_t v, int n) {
    const std::size_t at = b.size();
    b.resize(at + static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) b[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
}
inline void Put32(Bytes& b, std::uint32_t v) {
    PutLE(b, v, 4);
}
inline void Put16(Bytes& b, std::uint16_t v) {
    PutLE(b, v, 2);
}
inline void PutId(Bytes& b, const char* id) {
    const std::size_t at = b.size();
    b.resize(at + 4);
    for (std::size_t i = 0; i < 4; ++i) b[at + i] = static_cast<std::uint8_t>(id[i]);
}

// A chunk with its length field (by default the body's true length) and its pad byte.
inline void PutChunk(Bytes& b, const char* id, const Bytes& body, std::optional<std::uint32_t> length = {}) {
    PutId(b, id);
    Put32(b, length.value_or(static_cast<std::uint32_t>(body.size())));
    const std::size_t at = b.size();
    b.resize(at + body.size() + body.size() % 2);
    std::copy(body.begin(), body.end(), b.begin() + static_cast<std::ptrdiff_t>(at));
}

inline Bytes FmtBody(int channels, int rate, int bits, int tag = 1) {
    Bytes f;
    Put16(f, static_cast<std::uint16_t>(tag));
    Put16(f, static_cast<std::uint16_t>(channels));
    Put32(f, static_cast<std::uint32_t>(rate));
    Put32(f, static_cast<std::uint32_t>(rate * channels * bits / 8));
    Put16(f, static_cast<std::uint16_t>(channels * bits / 8));
    Put16(f, static_cast<std::uint16_t>(bits));
    return f;
}

// "RIFF" size "WAVE" followed by the chunks; the RIFF size is the true one.
inline Bytes Riff(const Bytes& chunks) {
    Bytes b;
    PutId(b, "RIFF");
    Put32(b, static_cast<std::uint32_t>(chunks.size() + 4));
    PutId(b, "WAVE");
    const std::size_t at = b.size();
    b.resize(at + chunks.size());
    std::copy(chunks.begin(), chunks.end(), b.begin() + static_cast<std::ptrdiff_t>(at));
    return b;
}

// Samples that differ from frame to frame, so a lost or repeated piece shows.
inline Bytes Samples(std::size_t bytes) {
    Bytes s(bytes);
    for (std::size_t i = 0; i < bytes; ++i) s[i] = static_cast<std::uint8_t>(i * 7 + i / 251);
    return s;
}

inline Bytes Wave(int channels, int rate, int bits, const Bytes& samples) {
    Bytes chunks;
    PutChunk(chunks, "fmt ", FmtBody(channels, rate, bits));
    PutChunk(chunks, "data", samples);
    return Riff(chunks);
}

// Points VEXO_AUDIO_DEVICE at ALSA's file plugin (over the null device) writing into a fresh
// directory; the previous value comes back afterwards.
class FileDevice {
public:
    FileDevice() {
        std::string pattern = (std::filesystem::temp_directory_path() / "vexo-sound-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
        dir_ = pattern;
        file_ = dir_ + "/played.raw";
        if (const char* old = std::getenv("VEXO_AUDIO_DEVICE")) saved_ = old;
        Use("file:'" + file_ + "',raw");
    }
    ~FileDevice() {
        if (saved_)
            ::setenv("VEXO_AUDIO_DEVICE", saved_->c_str(), 1);
        else
            ::unsetenv("VEXO_AUDIO_DEVICE");
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }
    FileDevice(const FileDevice&) = delete;
    FileDevice& operator=(const FileDevice&) = delete;

    static void Use(const std::string& device) { ::setenv("VEXO_AUDIO_DEVICE", device.c_str(), 1); }
    Bytes Played() const {
        std::ifstream in(file_, std::ios::binary);
        return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

private:
    std::string dir_;
    std::string file_;
    std::optional<std::string> saved_;
};
