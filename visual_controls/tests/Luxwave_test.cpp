#include "visual_controls/Luxwave.h"

#include "platform/sound/Sound.h"
#include "platform/sound/tests/WaveFixture.h"
#include "platform/ui/Filer.h"
#include "platform/ui/TypInfo.h"
#include "platform/win/Process.h"
#include "tools/testing/RealDisplay.h"
#include "visual_controls/Luxstreamutils.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>

// Outside the anonymous namespace, so that its class name is plain.
class TWaveHolder : public TComponent {
public:
    using TComponent::TComponent;
    TLuxWave Wave;
};

namespace {

const bool kRegistered = [] {
    using namespace published;
    PublishProperties<TWaveHolder, TComponent>({Property<TWaveHolder>(
        "Wave", [](const TWaveHolder& h) { return const_cast<TLuxWave*>(&h.Wave); }, nullptr)});
    RegisterClass<TWaveHolder>();
    return true;
}();

std::string Str(const Bytes& b) {
    return std::string(b.begin(), b.end());
}

std::string Le32(std::uint32_t v) {
    Bytes b;
    Put32(b, v);
    return Str(b);
}

struct Listener {
    int changes = 0;
    void Changed(TObject*) { ++changes; }
};

struct Watched {
    TLuxWave wave;
    Listener listener;
    Watched() { wave.OnChange = TNotifyEvent::Bind<&Listener::Changed>(&listener); }
    void Load(const std::string& bytes) {
        TMemoryStream s(bytes);
        wave.LoadFromStream(&s);
    }
    std::string Saved() {
        TMemoryStream s;
        wave.SaveToStream(&s);
        return s.DataString();
    }
};

struct ScratchDir {
    ScratchDir() {
        path = std::filesystem::temp_directory_path() / ("luxwave-" + std::to_string(std::random_device{}()));
        std::filesystem::create_directories(path);
    }
    ~ScratchDir() { std::filesystem::remove_all(path); }
    std::string File(const std::string& name) const { return (path / name).string(); }
    std::filesystem::path path;
};

Bytes WithFormatTag(int tag, int channels, int rate, int bits) {
    Bytes chunks;
    PutChunk(chunks, "fmt ", FmtBody(channels, rate, bits, tag));
    PutChunk(chunks, "data", Samples(64));
    return Riff(chunks);
}

TEST(LuxWave, HeaderCheckReadsTheFormatFields) {
    const Bytes stereo16 = Wave(2, 44100, 16, Samples(400));
    Bytes notWave = stereo16;
    notWave[8] = 'X'; // "XAVE"
    Bytes noFmt = stereo16;
    noFmt[12] = 'F';
    Bytes noRiff = stereo16;
    noRiff[0] = 'r';
    struct Case {
        const char* what;
        Bytes bytes;
        bool matched;
        TLuxChannelMode channels;
        TLuxWaveFormat format;
        int rate, bits;
    } cases[] = {
        {"16-bit stereo", stereo16, true, cmStereo, wfPCM, 44100, 16},
        {"8-bit mono", Wave(1, 8000, 8, Samples(10)), true, cmMono, wfPCM, 8000, 8},
        {"24-bit stereo", Wave(2, 48000, 24, Samples(60)), true, cmStereo, wfPCM, 48000, 24},
        {"4 channels", Wave(4, 22050, 32, Samples(64)), true, cmUnknown, wfPCM, 22050, 32},
        {"floating point", WithFormatTag(3, 1, 96000, 32), true, cmMono, wfUnknown, 96000, 32},
        {"not WAVE", notWave, false, cmStereo, wfPCM, 44100, 16},
        {"no fmt", noFmt, false, cmStereo, wfPCM, 44100, 16},
        {"no RIFF", noRiff, false, cmStereo, wfPCM, 44100, 16},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TMemoryStream s(Str(c.bytes));
        TLuxWaveInfo info;
        EXPECT_EQ(LuxGetWaveStreamInfo(&s, info), c.matched);
        EXPECT_EQ(s.Position(), 0);
        EXPECT_EQ(info.RiffSize, static_cast<std::int32_t>(c.bytes.size() - 8));
        EXPECT_EQ(info.ChannelMode, c.channels);
        EXPECT_EQ(info.Format, c.format);
        EXPECT_EQ(info.SampleRate, c.rate);
        EXPECT_EQ(info.Bits, c.bits);
    }

    TLuxWaveInfo info;
    EXPECT_FALSE(LuxGetWaveStreamInfo(nullptr, info));
    TMemoryStream empty;
    EXPECT_FALSE(LuxGetWaveStreamInfo(&empty, info));
    // Fewer than the 36 header bytes, counted from the stream's position.
    for (std::size_t n : {1u, 20u, 35u}) {
        SCOPED_TRACE(n);
        TMemoryStream s(Str(stereo16).substr(0, n));
        try {
            LuxGetWaveStreamInfo(&s, info);
            ADD_FAILURE() << "no exception";
        } catch (const EErrorCheckingWave& e) {
            EXPECT_EQ(e.Message, "GetWaveData: Cannot open file %s");
        }
    }
    TMemoryStream shifted(Str(stereo16));
    shifted.SetPosition(static_cast<std::int64_t>(stereo16.size()) - 30);
    EXPECT_THROW(LuxGetWaveStreamInfo(&shifted, info), EErrorCheckingWave);
}

TEST(LuxWave, LoadingKeepsTheOldSoundForWhatIsNotAWave) {
    const std::string first = Str(Wave(2, 44100, 16, Samples(400)));
    const std::string second = Str(Wave(1, 8000, 8, Samples(90)));
    std::string notWave = second;
    notWave[9] = 'B';

    Watched w;
    EXPECT_TRUE(w.wave.Empty());
    EXPECT_EQ(w.wave.Size(), 0);
    EXPECT_EQ(w.wave.Bits(), 0);
    EXPECT_EQ(w.wave.SampleRate(), 0);
    EXPECT_EQ(w.wave.ChannelMode(), cmUnknown);

    w.Load(first);
    EXPECT_EQ(w.listener.changes, 1);
    EXPECT_EQ(w.wave.Size(), static_cast<std::int64_t>(first.size()));
    EXPECT_EQ(w.wave.Bits(), 16);
    EXPECT_EQ(w.wave.ChannelMode(), cmStereo);
    EXPECT_EQ(w.wave.Format(), wfPCM);
    EXPECT_EQ(w.wave.SampleRate(), 44100);
    EXPECT_EQ(w.Saved(), first);

    // 36 bytes or more without the tags: dropped silently.
    w.Load(notWave);
    w.Load(std::string(36, 'x'));
    EXPECT_EQ(w.listener.changes, 1);
    EXPECT_EQ(w.Saved(), first);
    // Too short for a header: raises, and the sound stays.
    EXPECT_THROW(w.Load(second.substr(0, 35)), EErrorCheckingWave);
    EXPECT_EQ(w.Saved(), first);
    EXPECT_EQ(w.listener.changes, 1);

    // The bytes from the stream's position to its end.
    TMemoryStream tail("junk" + second);
    tail.SetPosition(4);
    w.wave.LoadFromStream(&tail);
    EXPECT_EQ(w.listener.changes, 2);
    EXPECT_EQ(w.Saved(), second);
    EXPECT_EQ(w.wave.Bits(), 8);
    EXPECT_EQ(w.wave.ChannelMode(), cmMono);

    // An empty source empties the wave.
    w.Load("");
    EXPECT_TRUE(w.wave.Empty());
    EXPECT_EQ(w.wave.Data(), nullptr);
}

TEST(LuxWave, SizePrefixMustLieWithinTheBytesLeft) {
    const std::string wave = Str(Wave(1, 8000, 8, Samples(50)));
    const std::string other = Str(Wave(2, 8000, 16, Samples(40)));
    struct Case {
        const char* what;
        std::string bytes;
        bool loads;
    } cases[] = {
        {"exact", Le32(static_cast<std::uint32_t>(wave.size())) + wave, true},
        {"with bytes behind", Le32(static_cast<std::uint32_t>(wave.size())) + wave + "tail", true},
        {"one byte more than left", Le32(static_cast<std::uint32_t>(wave.size() + 1)) + wave, false},
        {"negative", Le32(0xFFFFFFF0u) + wave, false},
        {"huge", Le32(0x7FFFFFFFu) + wave, false},
        {"size cut short", std::string("\x10\x00", 2), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Watched w;
        w.Load(other);
        TMemoryStream s(c.bytes);
        if (c.loads) {
            w.wave.LoadFromStreamEx(&s);
            EXPECT_EQ(w.Saved(), wave);
            EXPECT_EQ(s.Position(), static_cast<std::int64_t>(4 + wave.size()));
            EXPECT_EQ(w.listener.changes, 2);
        } else {
            EXPECT_THROW(w.wave.LoadFromStreamEx(&s), EReadError);
            EXPECT_EQ(w.Saved(), other);
            EXPECT_EQ(w.listener.changes, 1);
        }
    }
}

TEST(LuxWave, StreamFormsAreByteExact) {
    const std::string wave = Str(Wave(2, 22050, 16, Samples(1000)));
    TLuxWave empty;
    TMemoryStream emptyEx;
    empty.SaveToStreamEx(&emptyEx);
    EXPECT_EQ(emptyEx.DataString(), std::string(4, '\0'));
    TMemoryStream emptyPlain;
    empty.SaveToStream(&emptyPlain);
    EXPECT_EQ(emptyPlain.Size(), 0);

    Watched w;
    w.Load(wave);
    TMemoryStream ex;
    w.wave.SaveToStreamEx(&ex);
    EXPECT_EQ(ex.DataString(), Le32(static_cast<std::uint32_t>(wave.size())) + wave);

    // Compressed: one frame of the bytes, as the record streams store it.
    TMemoryStream packed, source(wave), expected;
    w.wave.SaveCompressedToStream(&packed);
    SaveCompressedStream(source, expected, source.Size());
    EXPECT_EQ(packed.DataString(), expected.DataString());
    Watched back;
    packed.SetPosition(0);
    back.wave.LoadCompressedFromStream(&packed);
    EXPECT_EQ(back.Saved(), wave);
    EXPECT_EQ(back.listener.changes, 1);

    // Files.
    ScratchDir dir;
    w.wave.SaveToFile(dir.File("a.wav"));
    std::ifstream in(dir.File("a.wav"), std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), wave);
    TLuxWave fromFile(dir.File("a.wav"));
    EXPECT_EQ(fromFile.Size(), static_cast<std::int64_t>(wave.size()));
    EXPECT_EQ(fromFile.SampleRate(), 22050);
    TLuxWaveInfo info;
    EXPECT_TRUE(LuxGetWaveFileInfo(dir.File("a.wav"), info));
    EXPECT_EQ(info.Bits, 16);
    EXPECT_FALSE(LuxGetWaveFileInfo(dir.File("missing.wav"), info));
    EXPECT_THROW(TLuxWave(dir.File("missing.wav")), EFOpenError);
}

// Another program decodes every wave this one saves, to its last sample.
TEST(LuxWave, SavedWavesDecodeInSox) {
    const std::string sox = testing_display::FindProgram("sox");
    if (sox.empty()) GTEST_SKIP() << "needs sox (Debian package sox)";
    struct Case {
        const char* name;
        Bytes bytes;
    } cases[] = {
        {"stereo16", Wave(2, 44100, 16, Samples(400))},
        {"mono8", Wave(1, 8000, 8, Samples(10))},
        {"stereo24", Wave(2, 48000, 24, Samples(60))},
        {"four32", Wave(4, 22050, 32, Samples(64))},
    };
    ScratchDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Watched w;
        w.Load(Str(c.bytes));
        const std::string file = dir.File(std::string(c.name) + ".wav");
        w.wave.SaveToFile(file);
        EXPECT_EQ(RunProcessAndWait(sox, {"-V1", file, "-n"}), 0);
    }
}

std::string Component(const std::string& properties) {
    auto str = [](const std::string& s) { return Le32(static_cast<std::uint32_t>(s.size())) + s; };
    return "VXF1" + str("TWaveHolder") + str("") + properties + str("") + str("");
}

std::string DataProperty(const std::string& payload) {
    return Le32(9) + "Wave.Data" + '\x07' + Le32(static_cast<std::uint32_t>(payload.size())) + payload;
}

std::string SaveHolder(TWaveHolder& h) {
    TMemoryStream s;
    TWriter(&s).WriteRootComponent(&h);
    return s.DataString();
}

TEST(LuxWave, FormDataHoldsSizeAndBytes) {
    const std::string wave = Str(Wave(1, 11025, 8, Samples(77)));
    TWaveHolder holder(nullptr);
    // A wave that never held data stores nothing.
    EXPECT_EQ(SaveHolder(holder), Component(""));

    TMemoryStream source(wave);
    holder.Wave.LoadFromStream(&source);
    const std::string form = SaveHolder(holder);
    EXPECT_EQ(form, Component(DataProperty(Le32(static_cast<std::uint32_t>(wave.size())) + wave)));

    TWaveHolder back(nullptr);
    Listener l;
    back.Wave.OnChange = TNotifyEvent::Bind<&Listener::Changed>(&l);
    TMemoryStream in(form);
    TReader(&in).ReadRootComponent(&back);
    TMemoryStream out;
    back.Wave.SaveToStream(&out);
    EXPECT_EQ(out.DataString(), wave);
    EXPECT_EQ(l.changes, 1);

    // A data stream of no bytes stores its zero size.
    TWaveHolder emptied(nullptr);
    TMemoryStream scratch;
    emptied.Wave.SaveToStreamEx(&scratch);
    EXPECT_EQ(SaveHolder(emptied), Component(DataProperty(std::string(4, '\0'))));

    // A size beyond the property's bytes is refused, the wave unchanged.
    TMemoryStream bad(Component(DataProperty(Le32(static_cast<std::uint32_t>(wave.size() + 1)) + wave)));
    EXPECT_THROW(TReader(&bad).ReadRootComponent(&back), EReadError);
    TMemoryStream still;
    back.Wave.SaveToStream(&still);
    EXPECT_EQ(still.DataString(), wave);
}

TEST(LuxWave, AssignCopiesTheBytes) {
    const std::string wave = Str(Wave(2, 8000, 8, Samples(120)));
    TLuxWave source;
    TMemoryStream s(wave);
    source.LoadFromStream(&s);
    source.Data()->SetPosition(17);

    Watched w;
    w.wave.Assign(&source);
    EXPECT_EQ(w.Saved(), wave);
    EXPECT_EQ(w.listener.changes, 1);
    EXPECT_EQ(source.Data()->Position(), 0);
    EXPECT_NE(w.wave.Data(), source.Data());

    TLuxWave never;
    w.wave.Assign(&never);
    EXPECT_TRUE(w.wave.Empty());
    w.wave.Assign(&source);
    w.wave.Assign(nullptr);
    EXPECT_TRUE(w.wave.Empty());
    TLuxObject other;
    EXPECT_THROW(w.wave.Assign(&other), EConvertError);
}

TEST(LuxWave, PlaysItsSamplesThroughTheDevice) {
    const Bytes samples = Samples(4000);
    const std::string wave = Str(Wave(2, 44100, 16, samples));
    {
        FileDevice device;
        Watched w;
        w.Load(wave);
        EXPECT_TRUE(LuxMMWavePossible());
        ASSERT_TRUE(w.wave.PlaySound(sdSync));
        EXPECT_EQ(device.Played(), samples);
    }
    {
        FileDevice device;
        FileDevice::Use("null");
        Watched w;
        w.Load(wave);
        EXPECT_TRUE(w.wave.Play());
        w.wave.Stop();
    }
    {
        // Nothing to play, or nowhere to play it.
        FileDevice device;
        TLuxWave empty;
        EXPECT_FALSE(empty.Play());
        EXPECT_FALSE(empty.PlaySound(sdSync));
        EXPECT_TRUE(device.Played().empty());
        FileDevice::Use("no-such-device-here");
        EXPECT_FALSE(LuxMMWavePossible());
        Watched w;
        w.Load(wave);
        EXPECT_FALSE(w.wave.Play());
    }
}

// Whether a sound is playing: a sound that must not stop another fails while one plays.
bool SomethingPlays() {
    const Bytes probe = Wave(1, 8000, 8, Samples(8));
    if (sndPlaySound(probe.data(), probe.size(), SND_MEMORY | SND_ASYNC | SND_NOSTOP)) {
        sndPlaySound(nullptr, SND_MEMORY);
        return false;
    }
    return true;
}

TEST(LuxWave, StopEndsALoopAndANewSoundOrTheDestructorStopsTheOld) {
    const Bytes samples = Samples(800); // a tenth of a second at 8000 bytes a second
    const std::string wave = Str(Wave(1, 8000, 8, samples));
    FileDevice device;
    auto w = std::make_unique<Watched>();
    w->Load(wave);
    ASSERT_TRUE(w->wave.PlaySound(sdLoop));
    EXPECT_TRUE(SomethingPlays());
    w->wave.Stop();
    EXPECT_FALSE(SomethingPlays());
    const Bytes played = device.Played();
    for (std::size_t i = 0; i < played.size(); ++i) ASSERT_EQ(played[i], samples[i % samples.size()]) << i;

    ASSERT_TRUE(w->wave.PlaySound(sdLoop));
    w->Load(Str(Wave(1, 8000, 8, Samples(100))));
    EXPECT_FALSE(SomethingPlays());

    ASSERT_TRUE(w->wave.PlaySound(sdLoop));
    w.reset();
    EXPECT_FALSE(SomethingPlays());
}

} // namespace
