#include "visual_controls/Luxwave.h"

#include "platform/sound/Sound.h"
#include "platform/ui/Filer.h"
#include "visual_controls/Luxstreamutils.h"

#include <cstring>
#include <filesystem>
#include <limits>

namespace {

// The run time's text for a file that cannot be opened; the wave check reports it as it stands.
constexpr const char* kCannotOpenFile = "Cannot open file %s";

std::int32_t ReadInt32(TStream& s) {
    std::uint8_t b[4];
    s.ReadBuffer(b, 4);
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(b[0]) | static_cast<std::uint32_t>(b[1]) << 8 |
                                     static_cast<std::uint32_t>(b[2]) << 16 |
                                     static_cast<std::uint32_t>(b[3]) << 24);
}

std::uint16_t ReadUInt16(TStream& s) {
    std::uint8_t b[2];
    s.ReadBuffer(b, 2);
    return static_cast<std::uint16_t>(b[0] | b[1] << 8);
}

bool ReadTag(TStream& s, const char* tag) {
    char b[4];
    s.ReadBuffer(b, 4);
    return std::memcmp(b, tag, 4) == 0;
}

void WriteInt32(TStream& s, std::int32_t v) {
    const auto u = static_cast<std::uint32_t>(v);
    const std::uint8_t b[4] = {static_cast<std::uint8_t>(u), static_cast<std::uint8_t>(u >> 8),
                               static_cast<std::uint8_t>(u >> 16), static_cast<std::uint8_t>(u >> 24)};
    s.WriteBuffer(b, 4);
}

} // namespace

bool LuxMMWavePossible() {
    return waveOutGetNumDevs() > 0;
}

bool LuxGetWaveFileInfo(const std::string& FileName, TLuxWaveInfo& Info) {
    std::error_code ec;
    if (!std::filesystem::exists(FileName, ec)) return false;
    TFileStream file(FileName, fmOpenRead | fmShareDenyWrite);
    return LuxGetWaveStreamInfo(&file, Info);
}

bool LuxGetWaveStreamInfo(TStream* Stream, TLuxWaveInfo& Info) {
    if (!Stream || Stream->Size() == 0) return false;
    try {
        TStream& s = *Stream;
        const bool riff = ReadTag(s, "RIFF");
        Info.RiffSize = ReadInt32(s);
        const bool wave = ReadTag(s, "WAVE");
        const bool fmt = ReadTag(s, "fmt ");
        ReadInt32(s); // chunk size
        const std::uint16_t tag = ReadUInt16(s);
        Info.Format = tag == 1 ? wfPCM : wfUnknown;
        const std::uint16_t channels = ReadUInt16(s);
        Info.ChannelMode = channels == 1 ? cmMono : channels == 2 ? cmStereo : cmUnknown;
        Info.SampleRate = ReadInt32(s);
        ReadInt32(s);  // average bytes per second
        ReadUInt16(s); // block alignment
        Info.Bits = ReadUInt16(s);
        s.SetPosition(0);
        return riff && wave && fmt;
    } catch (const std::exception&) {
        throw EErrorCheckingWave(std::string("GetWaveData: ") + kCannotOpenFile);
    }
}

// --- TLuxWave ----------------------------------------------------------------------------------------

TLuxWave::TLuxWave() = default;

TLuxWave::TLuxWave(const std::string& FileName) {
    LoadFromFile(FileName);
}

TLuxWave::~TLuxWave() {
    if (data_) Stop();
}

void TLuxWave::TakeBytes(TStream& Source, std::int64_t Count) {
    if (Source.Size() == 0) {
        FreeWave();
        return;
    }
    if (Count < 0 || Count > std::numeric_limits<std::int32_t>::max()) throw EReadError();
    auto bytes = std::make_unique<TMemoryStream>();
    // Read piece by piece: a stream that ends early raises before a buffer of the full count is made.
    if (Count > 0) bytes->CopyFrom(Source, Count);
    bytes->SetPosition(0);
    // Too few bytes for a header raise here, before anything of the old sound is touched.
    TLuxWaveInfo info;
    if (!LuxGetWaveStreamInfo(bytes.get(), info)) return;
    if (data_) Stop();
    data_ = std::move(bytes);
    Change();
}

void TLuxWave::WriteBytes(TStream& Stream, bool WithSize) {
    if (!data_) data_ = std::make_unique<TMemoryStream>();
    const auto size = static_cast<std::int32_t>(data_->Size());
    if (WithSize) WriteInt32(Stream, size);
    if (size > 0) Stream.WriteBuffer(data_->Memory(), size);
}

void TLuxWave::ReadData(TStream* Stream) {
    LoadFromStreamEx(Stream);
}

void TLuxWave::WriteData(TStream* Stream) {
    SaveToStreamEx(Stream);
}

void TLuxWave::LoadFromFile(const std::string& FileName) {
    TFileStream file(FileName, fmOpenRead | fmShareDenyWrite);
    LoadFromStream(&file);
}

void TLuxWave::LoadFromStream(TStream* Stream) {
    const std::int64_t left = Stream->Size() - Stream->Position();
    TakeBytes(*Stream, left > 0 ? left : 0);
}

void TLuxWave::LoadFromStreamEx(TStream* Stream) {
    const std::int32_t size = ReadInt32(*Stream);
    // The size must lie within what the stream still holds.
    if (size < 0 || size > Stream->Size() - Stream->Position()) throw EReadError();
    TakeBytes(*Stream, size);
}

void TLuxWave::LoadCompressedFromStream(TStream* Stream) {
    TMemoryStream bytes;
    LoadCompressedStream(*Stream, bytes);
    bytes.SetPosition(0);
    LoadFromStream(&bytes);
}

void TLuxWave::SaveToFile(const std::string& FileName) {
    TFileStream file(FileName, fmCreate);
    SaveToStream(&file);
}

void TLuxWave::SaveToStream(TStream* Stream) {
    WriteBytes(*Stream, false);
}

void TLuxWave::SaveToStreamEx(TStream* Stream) {
    WriteBytes(*Stream, true);
}

void TLuxWave::SaveCompressedToStream(TStream* Stream) {
    TMemoryStream bytes;
    SaveToStream(&bytes);
    bytes.SetPosition(0);
    SaveCompressedStream(bytes, *Stream, bytes.Size());
}

void TLuxWave::DefineProperties(TFiler* Filer) {
    Filer->DefineBinaryProperty(
        "Data", [this](TStream* s) { ReadData(s); }, [this](TStream* s) { WriteData(s); }, data_ != nullptr);
}

void TLuxWave::Assign(const TPersistent* Source) {
    if (!Source) {
        FreeWave();
        return;
    }
    if (const auto* wave = dynamic_cast<const TLuxWave*>(Source)) {
        if (wave == this) return;
        if (!wave->data_) {
            FreeWave();
            return;
        }
        TMemoryStream& from = *wave->data_;
        from.SetPosition(0);
        try {
            TakeBytes(from, from.Size());
        } catch (...) {
            from.SetPosition(0);
            throw;
        }
        from.SetPosition(0);
        return;
    }
    TLuxObject::Assign(Source);
}

void TLuxWave::FreeWave() {
    if (data_) Stop();
    data_.reset();
}

bool TLuxWave::Play() {
    return PlaySound(sdAsync);
}

bool TLuxWave::PlaySound(TLuxSndPlayMode Mode) {
    if (Empty() || !LuxMMWavePossible()) return false;
    UINT flags = SND_MEMORY | SND_NODEFAULT;
    if (Mode == sdAsync) flags |= SND_ASYNC;
    if (Mode == sdLoop) flags |= SND_ASYNC | SND_LOOP;
    return sndPlaySound(data_->Memory(), static_cast<std::size_t>(data_->Size()), flags) != 0;
}

void TLuxWave::Stop() {
    sndPlaySound(static_cast<const char*>(nullptr), SND_MEMORY);
}

bool TLuxWave::Empty() const {
    return !data_ || data_->Size() == 0;
}

std::int64_t TLuxWave::Size() const {
    return Empty() ? 0 : data_->Size();
}

TLuxWaveInfo TLuxWave::Info() const {
    TLuxWaveInfo info;
    if (!Empty()) {
        data_->SetPosition(0);
        LuxGetWaveStreamInfo(data_.get(), info);
    }
    return info;
}

std::int32_t TLuxWave::SampleRate() const {
    return Info().SampleRate;
}

TLuxChannelMode TLuxWave::ChannelMode() const {
    return Info().ChannelMode;
}

TLuxWaveFormat TLuxWave::Format() const {
    return Info().Format;
}

int TLuxWave::Bits() const {
    return Info().Bits;
}
