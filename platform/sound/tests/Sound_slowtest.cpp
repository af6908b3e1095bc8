// The player's own time: these wait as long as the sounds last.
#include "platform/sound/Sound.h"

#include "WaveFixture.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

TEST(SoundTime, ASynchronousSoundLastsItsLengthOnADeviceThatSwallowsSamples) {
    FileDevice device;
    FileDevice::Use("null");
    // 8000 frames at 16000 a second: half a second.
    const Bytes image = Wave(1, 16000, 16, Samples(16000));
    const auto start = Clock::now();
    ASSERT_TRUE(sndPlaySound(reinterpret_cast<const char*>(image.data()), SND_MEMORY | SND_NODEFAULT));
    EXPECT_GE(Clock::now() - start, milliseconds(480));
}

TEST(SoundTime, ALoopRepeatsUntilStoppedAndANewSoundReplacesIt) {
    FileDevice device;
    // A tenth of a second, looped.
    const Bytes samples = Samples(800);
    const Bytes loop = Wave(1, 8000, 8, samples);
    ASSERT_TRUE(sndPlaySound(reinterpret_cast<const char*>(loop.data()), SND_MEMORY | SND_ASYNC | SND_LOOP));
    std::this_thread::sleep_for(milliseconds(450));
    // While it plays, SND_NOSTOP refuses to interrupt it.
    EXPECT_FALSE(sndPlaySound(reinterpret_cast<const char*>(loop.data()), SND_MEMORY | SND_ASYNC | SND_NOSTOP));
    EXPECT_EQ(waveOutGetNumDevs(), 1u);
    EXPECT_TRUE(sndPlaySound(nullptr, SND_MEMORY));
    const Bytes played = device.Played();
    // Several passes, each the whole sound again.
    ASSERT_GE(played.size(), 2 * samples.size());
    for (std::size_t i = 0; i < played.size(); ++i)
        ASSERT_EQ(played[i], samples[i % samples.size()]) << "at byte " << i;
    std::this_thread::sleep_for(milliseconds(150));
    EXPECT_EQ(device.Played().size(), played.size()) << "the loop went on after the stop";

    // A new sound stops a loop too, and plays in its place.
    FileDevice second;
    ASSERT_TRUE(sndPlaySound(reinterpret_cast<const char*>(loop.data()), SND_MEMORY | SND_ASYNC | SND_LOOP));
    const Bytes once = Wave(1, 8000, 8, Samples(80));
    FileDevice third;
    ASSERT_TRUE(sndPlaySound(reinterpret_cast<const char*>(once.data()), SND_MEMORY));
    EXPECT_EQ(third.Played(), Samples(80));
}

TEST(SoundTime, AStopFromAnotherThreadEndsASynchronousSound) {
    FileDevice device;
    FileDevice::Use("null");
    // Ten seconds of sound.
    const Bytes image = Wave(1, 8000, 8, Samples(80000));
    std::thread stopper([] {
        std::this_thread::sleep_for(milliseconds(200));
        sndPlaySound(nullptr, 0);
    });
    const auto start = Clock::now();
    EXPECT_TRUE(sndPlaySound(reinterpret_cast<const char*>(image.data()), SND_MEMORY));
    stopper.join();
    EXPECT_LT(Clock::now() - start, milliseconds(5000));
}

} // namespace
