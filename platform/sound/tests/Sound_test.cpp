#include "platform/sound/Sound.h"

#include "WaveFixture.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

// Short sounds: each lasts a few tens of milliseconds, as the player keeps their time.
struct Shape {
    const char* what;
    int channels, rate, bits;
    std::size_t bytes;
};

TEST(Sound, ASynchronousSoundHandsTheDeviceExactlyItsSamples) {
    const Shape shapes[] = {
        {"8-bit mono", 1, 8000, 8, 300},
        {"16-bit stereo", 2, 44100, 16, 4000},
        {"24-bit stereo", 2, 48000, 24, 3000},
        {"32-bit, 4 channels", 4, 22050, 32, 4096},
    };
    for (const Shape& s : shapes) {
        SCOPED_TRACE(s.what);
        FileDevice device;
        const Bytes samples = Samples(s.bytes);
        const Bytes image = Wave(s.channels, s.rate, s.bits, samples);
        ASSERT_TRUE(sndPlaySound(reinterpret_cast<const char*>(image.data()), SND_MEMORY | SND_NODEFAULT));
        EXPECT_EQ(device.Played(), samples);
    }
}

TEST(Sound, NothingIsReadBeyondTheImageWhateverTheDataChunkClaims) {
    FileDevice device;
    // The data chunk claims far more than the image holds; behind the image lie bytes that must not
    // be played.
    Bytes chunks;
    PutChunk(chunks, "fmt ", FmtBody(1, 8000, 8));
    PutChunk(chunks, "data", Samples(100), 100000);
    Bytes image = Riff(chunks);
    const std::size_t extent = image.size();
    image.insert(image.end(), 500, 0xEE);

    ASSERT_TRUE(sndPlaySound(image.data(), extent, SND_MEMORY | SND_NODEFAULT));
    EXPECT_EQ(device.Played(), Samples(100));

    // Without a size, the RIFF header's size bounds the image.
    FileDevice again;
    ASSERT_TRUE(sndPlaySound(reinterpret_cast<const char*>(image.data()), SND_MEMORY | SND_NODEFAULT));
    EXPECT_EQ(again.Played(), Samples(100));
}

TEST(Sound, AnAsynchronousSoundPlaysFromItsOwnCopy) {
    FileDevice device;
    const Bytes samples = Samples(800);
    {
        auto image = std::make_unique<Bytes>(Wave(1, 8000, 8, samples));
        ASSERT_TRUE(sndPlaySound(reinterpret_cast<const char*>(image->data()), SND_MEMORY | SND_ASYNC));
        // The caller's memory is overwritten and freed while the sound plays.
        std::fill(image->begin(), image->end(), 0);
        image.reset();
    }
    // A synchronous empty sound waits for its turn: the first sound is stopped by it.
    EXPECT_TRUE(sndPlaySound(nullptr, 0));
    const Bytes played = device.Played();
    ASSERT_LE(played.size(), samples.size());
    EXPECT_TRUE(std::equal(played.begin(), played.end(), samples.begin()));
}

TEST(Sound, WhatCannotBePlayedAnswersFalse) {
    FileDevice device;
    const Bytes good = Wave(1, 8000, 8, Samples(16));
    Bytes notWave = good;
    notWave[8] = 'X';
    Bytes floating;
    {
        Bytes c;
        PutChunk(c, "fmt ", FmtBody(1, 8000, 32, 3));
        PutChunk(c, "data", Samples(16));
        floating = Riff(c);
    }
    const char* g = reinterpret_cast<const char*>(good.data());
    struct Case {
        const char* what;
        const char* sound;
        UINT flags;
    } cases[] = {
        {"not a wave", reinterpret_cast<const char*>(notWave.data()), SND_MEMORY | SND_NODEFAULT},
        {"not PCM", reinterpret_cast<const char*>(floating.data()), SND_MEMORY},
        {"a sound by name", "SystemStart", SND_NODEFAULT},
        {"a name without SND_NODEFAULT", "SystemStart", 0},
        {"a loop that would never return", g, SND_MEMORY | SND_LOOP},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_FALSE(sndPlaySound(c.sound, c.flags));
    }
    EXPECT_TRUE(device.Played().empty());

    FileDevice::Use("vexo_no_such_device");
    EXPECT_FALSE(sndPlaySound(g, SND_MEMORY | SND_NODEFAULT));
    EXPECT_FALSE(sndPlaySound(g, SND_MEMORY | SND_ASYNC));
}

TEST(Sound, TheDeviceIsPresentWhenItOpens) {
    FileDevice device;
    FileDevice::Use("null");
    EXPECT_EQ(waveOutGetNumDevs(), 1u);
    const Bytes image = Wave(2, 8000, 16, Samples(64));
    EXPECT_TRUE(sndPlaySound(reinterpret_cast<const char*>(image.data()), SND_MEMORY | SND_NODEFAULT));
    FileDevice::Use("vexo_no_such_device");
    EXPECT_EQ(waveOutGetNumDevs(), 0u);
}

} // namespace
