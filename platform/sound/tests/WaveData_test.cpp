#include "platform/sound/WaveData.h"

#include "WaveFixture.h"

#include <gtest/gtest.h>

namespace {

struct Accepted {
    const char* what;
    Bytes image;
    int channels, rate, bits;
    std::size_t offset, size; // where the samples lie in the image
};

Bytes ExtensibleFmt(int channels, int rate, int bits, std::uint16_t subTag) {
    Bytes f = FmtBody(channels, rate, bits, 0xFFFE);
    Put16(f, 22);                                      // cbSize
    Put16(f, static_cast<std::uint16_t>(bits));        // valid bits
    Put32(f, 0x33);                                    // channel mask
    Put16(f, subTag);                                  // sub-format GUID, first two bytes the tag
    f.resize(f.size() + 14, 0x11);
    return f;
}

TEST(WaveData, ReadsThePcmShapesAndFindsTheSamples) {
    std::vector<Accepted> cases;
    cases.push_back({"16-bit stereo", Wave(2, 44100, 16, Samples(40)), 2, 44100, 16, 44, 40});
    cases.push_back({"8-bit mono", Wave(1, 8000, 8, Samples(9)), 1, 8000, 8, 44, 9});
    cases.push_back({"24-bit stereo", Wave(2, 48000, 24, Samples(36)), 2, 48000, 24, 44, 36});
    cases.push_back({"32-bit, 4 channels", Wave(4, 22050, 32, Samples(64)), 4, 22050, 32, 44, 64});
    {
        // Chunks before, between and after; an odd-length one is padded.
        Bytes c;
        PutChunk(c, "LIST", Samples(5));
        PutChunk(c, "fmt ", FmtBody(1, 11025, 16));
        PutChunk(c, "fact", Samples(4));
        PutChunk(c, "data", Samples(10));
        PutChunk(c, "cue ", Samples(3));
        cases.push_back({"other chunks, odd padding", Riff(c), 1, 11025, 16, 12 + 14 + 24 + 12 + 8, 10});
    }
    {
        // The data chunk first, the format after it.
        Bytes c;
        PutChunk(c, "data", Samples(8));
        PutChunk(c, "fmt ", FmtBody(2, 8000, 16));
        cases.push_back({"data before format", Riff(c), 2, 8000, 16, 20, 8});
    }
    {
        Bytes c;
        PutChunk(c, "fmt ", ExtensibleFmt(2, 96000, 24, 1));
        PutChunk(c, "data", Samples(12));
        cases.push_back({"extensible PCM", Riff(c), 2, 96000, 24, 12 + 48 + 8, 12});
    }
    {
        // A data length beyond the bytes given is cut to them, then to whole frames.
        Bytes c;
        PutChunk(c, "fmt ", FmtBody(2, 8000, 16));
        PutChunk(c, "data", Samples(22), 0xFFFFFFF0u);
        cases.push_back({"data length past the end", Riff(c), 2, 8000, 16, 44, 20});
    }
    {
        Bytes c;
        PutChunk(c, "fmt ", FmtBody(2, 8000, 16));
        PutChunk(c, "data", Samples(7));
        cases.push_back({"partial frame dropped", Riff(c), 2, 8000, 16, 44, 4});
    }
    cases.push_back({"empty data", Wave(1, 8000, 16, {}), 1, 8000, 16, 44, 0});

    for (const Accepted& c : cases) {
        SCOPED_TRACE(c.what);
        TWaveData w;
        ASSERT_TRUE(ParseWaveData(c.image.data(), c.image.size(), w));
        EXPECT_EQ(w.Channels, c.channels);
        EXPECT_EQ(w.SampleRate, c.rate);
        EXPECT_EQ(w.BitsPerSample, c.bits);
        EXPECT_EQ(w.Samples, c.image.data() + c.offset);
        EXPECT_EQ(w.Size, c.size);
    }
}

TEST(WaveData, RefusesWhatItCannotPlayOrWhatRunsPastTheBytes) {
    std::vector<std::pair<const char*, Bytes>> cases;
    Bytes good = Wave(2, 8000, 16, Samples(8));
    {
        Bytes b = good;
        b[0] = 'X';
        cases.push_back({"not RIFF", b});
    }
    {
        Bytes b = good;
        b[8] = 'A';
        cases.push_back({"not WAVE", b});
    }
    cases.push_back({"shorter than the RIFF header", Bytes(good.begin(), good.begin() + 11)});
    cases.push_back({"format cut short", Bytes(good.begin(), good.begin() + 30)});
    {
        Bytes c;
        PutChunk(c, "data", Samples(8));
        cases.push_back({"no format", Riff(c)});
    }
    {
        Bytes c;
        PutChunk(c, "fmt ", FmtBody(2, 8000, 16));
        cases.push_back({"no data", Riff(c)});
    }
    {
        // A chunk claiming more than is left ends the walk before the data.
        Bytes c;
        PutChunk(c, "fmt ", FmtBody(2, 8000, 16));
        PutChunk(c, "LIST", Samples(6), 0x7FFFFFFF);
        PutChunk(c, "data", Samples(8));
        cases.push_back({"chunk past the end", Riff(c)});
    }
    {
        Bytes c;
        PutChunk(c, "fmt ", FmtBody(2, 8000, 16), 0xFFFFFFFF);
        cases.push_back({"format length past the end", Riff(c)});
    }
    {
        Bytes c;
        Bytes f = FmtBody(2, 8000, 16);
        f.resize(14);
        PutChunk(c, "fmt ", f);
        PutChunk(c, "data", Samples(8));
        cases.push_back({"format chunk too small", Riff(c)});
    }
    auto withFmt = [](const char* what, Bytes fmt, std::vector<std::pair<const char*, Bytes>>& out) {
        Bytes c;
        PutChunk(c, "fmt ", fmt);
        PutChunk(c, "data", Samples(8));
        out.push_back({what, Riff(c)});
    };
    withFmt("floating point", FmtBody(2, 8000, 32, 3), cases);
    withFmt("compressed", FmtBody(1, 8000, 4, 2), cases);
    withFmt("12 bits", FmtBody(1, 8000, 12), cases);
    withFmt("no channels", FmtBody(0, 8000, 16), cases);
    withFmt("33 channels", FmtBody(33, 8000, 16), cases);
    withFmt("rate 0", FmtBody(1, 0, 16), cases);
    withFmt("extensible float", ExtensibleFmt(2, 8000, 32, 3), cases);
    {
        Bytes f = ExtensibleFmt(2, 8000, 16, 1);
        f.resize(30);
        withFmt("extensible cut short", f, cases);
    }

    for (const auto& [what, image] : cases) {
        SCOPED_TRACE(what);
        TWaveData w;
        w.Channels = 99;
        EXPECT_FALSE(ParseWaveData(image.data(), image.size(), w));
        EXPECT_EQ(w.Samples, nullptr);
        EXPECT_EQ(w.Channels, 0);
    }
    TWaveData w;
    EXPECT_FALSE(ParseWaveData(nullptr, 100, w));
}

} // namespace
