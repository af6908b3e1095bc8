// A wave sound held as the complete image of a RIFF WAVE file in memory: streamed in form data
// (binary property "Data") and in records, loaded, saved, asked for its format and played through
// the memory-sound call.
#pragma once

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Streams.h"
#include "visual_controls/Luxbase.h"

#include <cstdint>
#include <memory>
#include <string>

enum TLuxSndPlayMode { sdSync, sdAsync, sdLoop };
enum TLuxWaveFormat : std::uint8_t { wfUnknown, wfPCM };
enum TLuxChannelMode : std::uint8_t { cmUnknown, cmMono, cmStereo };

struct TLuxWaveInfo {
    std::int32_t RiffSize = 0;   // the size field of the RIFF header
    std::int32_t SampleRate = 0; // samples per second
    TLuxChannelMode ChannelMode = cmUnknown;
    TLuxWaveFormat Format = wfUnknown;
    std::uint16_t Bits = 0; // bits per sample
};

// Raised when a wave header cannot be read.
class EErrorCheckingWave : public Exception {
public:
    using Exception::Exception;
};

// The bytes of a header: "RIFF", size, "WAVE", "fmt ", chunk size and the format fields up to the
// bits per sample.
inline constexpr std::int64_t LuxWaveHeaderSize = 36;

// The system has a wave output device.
bool LuxMMWavePossible();
// False for a missing file; else the header check of the file's bytes.
bool LuxGetWaveFileInfo(const std::string& FileName, TLuxWaveInfo& Info);
// False for a nil or empty stream. Otherwise reads the header from the stream's position and answers
// whether its "RIFF", "WAVE" and "fmt " tags matched; the stream is left at position 0. A header
// that cannot be read whole raises EErrorCheckingWave.
bool LuxGetWaveStreamInfo(TStream* Stream, TLuxWaveInfo& Info);

class TLuxWave : public TLuxObject {
public:
    TLuxWave();
    // A wave loaded from the file.
    explicit TLuxWave(const std::string& FileName);
    ~TLuxWave() override;
    TLuxWave(const TLuxWave&) = delete;
    TLuxWave& operator=(const TLuxWave&) = delete;

    // Every load takes its bytes into a new buffer first: bytes that are not a wave (36 bytes or
    // more without the tags) are dropped silently and the wave keeps its sound; fewer than 36 bytes
    // raise EErrorCheckingWave, a stream that ends early EReadError, and the sound stays too. A new
    // sound stops the old one playing and notifies once. An empty source empties the wave.
    virtual void ReadData(TStream* Stream);
    virtual void WriteData(TStream* Stream);
    virtual void LoadFromFile(const std::string& FileName);
    // The bytes from the stream's position to its end.
    virtual void LoadFromStream(TStream* Stream);
    virtual void SaveToFile(const std::string& FileName);
    virtual void SaveToStream(TStream* Stream);
    // An Int32 size, from 0 to the bytes left (else EReadError), then that many bytes.
    void LoadFromStreamEx(TStream* Stream);
    void SaveToStreamEx(TStream* Stream);
    // One compressed frame holding the bytes.
    void LoadCompressedFromStream(TStream* Stream);
    void SaveCompressedToStream(TStream* Stream);

    void DefineProperties(TFiler* Filer) override;
    void Assign(const TPersistent* Source) override;

    void FreeWave();
    // False when empty or without a device; else whether the sound started, not waiting for it.
    bool Play();
    bool PlaySound(TLuxSndPlayMode Mode);
    // Stops any sound playing.
    void Stop();

    bool Empty() const;
    std::int64_t Size() const;
    std::int32_t SampleRate() const;
    TLuxChannelMode ChannelMode() const;
    TLuxWaveFormat Format() const;
    int Bits() const;
    // The data stream; nullptr for a wave that never held data.
    TMemoryStream* Data() const { return data_.get(); }

private:
    void TakeBytes(TStream& Source, std::int64_t Count);
    void WriteBytes(TStream& Stream, bool WithSize);
    TLuxWaveInfo Info() const;

    std::unique_ptr<TMemoryStream> data_;
};
