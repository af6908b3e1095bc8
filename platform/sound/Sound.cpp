#include "platform/sound/Sound.h"

#include "platform/sound/WaveData.h"

#include <alsa/asoundlib.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

std::string DeviceName() {
    const char* name = std::getenv("VEXO_AUDIO_DEVICE");
    return name && *name ? std::string(name) : std::string("default");
}

// ALSA reports its failures through our return values, not on stderr.
void QuietAlsa(const char*, int, const char*, int, const char*, ...) {}

void InstallQuietHandler() {
    static std::once_flag once;
    std::call_once(once, [] { snd_lib_error_set_handler(QuietAlsa); });
}

snd_pcm_format_t FormatOf(int bits) {
    switch (bits) {
    case 8:
        return SND_PCM_FORMAT_U8;
    case 16:
        return SND_PCM_FORMAT_S16_LE;
    case 24:
        return SND_PCM_FORMAT_S24_3LE;
    default:
        return SND_PCM_FORMAT_S32_LE;
    }
}

constexpr unsigned kLatencyUs = 100000;
// Frames handed to the device at a time: small enough that a stop is seen quickly.
constexpr snd_pcm_uframes_t kChunkFrames = 1024;
// How far the player may run ahead of the clock: a real device blocks us long before that, a
// device that swallows samples at once is held back to the sound's own pace.
constexpr auto kLead = std::chrono::milliseconds(200);

struct Playback {
    std::vector<std::uint8_t> bytes; // our copy of the caller's sound
    TWaveData wave;
    bool loop = false;
    snd_pcm_t* pcm = nullptr;
    std::atomic<bool> stop{false};
    std::thread thread;

    std::mutex mutex;
    std::condition_variable cv;
    bool done = false;

    ~Playback() {
        if (pcm) snd_pcm_close(pcm);
    }

    // Sleeps until the clock reaches t or a stop comes.
    void WaitUntil(Clock::time_point t) {
        std::unique_lock lock(mutex);
        cv.wait_until(lock, t, [this] { return stop.load(); });
    }

    void Run() {
        const std::size_t frameBytes = static_cast<std::size_t>(wave.FrameBytes());
        const std::size_t frames = wave.Frames();
        const auto start = Clock::now();
        std::uint64_t played = 0; // frames, over every pass of a loop
        auto timeOf = [this](std::uint64_t f) {
            return std::chrono::microseconds(static_cast<std::int64_t>(f * 1000000 / static_cast<std::uint64_t>(wave.SampleRate)));
        };
        bool failed = false;
        do {
            std::size_t at = 0;
            while (at < frames && !stop && !failed) {
                const snd_pcm_uframes_t n = std::min<snd_pcm_uframes_t>(kChunkFrames, frames - at);
                const snd_pcm_sframes_t w = snd_pcm_writei(pcm, wave.Samples + at * frameBytes, n);
                if (w < 0) {
                    if (snd_pcm_recover(pcm, static_cast<int>(w), 1) < 0) failed = true;
                    continue;
                }
                at += static_cast<std::size_t>(w);
                played += static_cast<std::uint64_t>(w);
                WaitUntil(start + timeOf(played) - kLead);
            }
        } while (loop && frames > 0 && !stop && !failed);
        if (!stop && !failed) {
            snd_pcm_drain(pcm);
            WaitUntil(start + timeOf(played));
        } else {
            snd_pcm_drop(pcm);
        }
        std::lock_guard lock(mutex);
        done = true;
        cv.notify_all();
    }

    void Stop() {
        {
            std::lock_guard lock(mutex);
            stop = true;
        }
        cv.notify_all();
    }
};

// The sound playing now; control calls take turns.
class Player {
public:
    ~Player() { StopCurrent(); }

    BOOL Play(const std::uint8_t* bytes, std::size_t size, UINT flags) {
        std::unique_lock lock(control_);
        if ((flags & SND_NOSTOP) && current_) {
            std::lock_guard l(current_->mutex);
            if (!current_->done) return FALSE;
        }
        StopCurrent();
        if (!bytes) return TRUE;
        if (!(flags & SND_MEMORY)) return FALSE;
        if ((flags & SND_LOOP) && !(flags & SND_ASYNC)) return FALSE;

        auto pb = std::make_shared<Playback>();
        pb->bytes.assign(bytes, bytes + size);
        if (!ParseWaveData(pb->bytes.data(), pb->bytes.size(), pb->wave)) return FALSE;
        pb->loop = (flags & SND_LOOP) != 0;
        InstallQuietHandler();
        if (snd_pcm_open(&pb->pcm, DeviceName().c_str(), SND_PCM_STREAM_PLAYBACK, 0) < 0) {
            pb->pcm = nullptr;
            return FALSE;
        }
        if (snd_pcm_set_params(pb->pcm, FormatOf(pb->wave.BitsPerSample), SND_PCM_ACCESS_RW_INTERLEAVED,
                               static_cast<unsigned>(pb->wave.Channels),
                               static_cast<unsigned>(pb->wave.SampleRate), 1, kLatencyUs) < 0)
            return FALSE;
        pb->thread = std::thread([raw = pb.get()] { raw->Run(); });
        current_ = pb;
        if (flags & SND_ASYNC) return TRUE;

        // Synchronous: wait for the end without holding the turn, so that another thread can stop it.
        lock.unlock();
        {
            std::unique_lock l(pb->mutex);
            pb->cv.wait(l, [&] { return pb->done; });
        }
        lock.lock();
        if (current_ == pb) StopCurrent();
        return TRUE;
    }

    bool Playing() {
        std::lock_guard lock(control_);
        return current_ != nullptr;
    }

private:
    // Called with the turn held.
    void StopCurrent() {
        if (!current_) return;
        current_->Stop();
        if (current_->thread.joinable()) current_->thread.join();
        current_.reset();
    }

    std::mutex control_;
    std::shared_ptr<Playback> current_;
};

Player& ThePlayer() {
    static Player player;
    return player;
}

std::uint32_t U32(const char* p) {
    const auto* b = reinterpret_cast<const unsigned char*>(p);
    return static_cast<std::uint32_t>(b[0]) | static_cast<std::uint32_t>(b[1]) << 8 |
           static_cast<std::uint32_t>(b[2]) << 16 | static_cast<std::uint32_t>(b[3]) << 24;
}

} // namespace

BOOL sndPlaySound(const char* sound, UINT flags) {
    std::size_t size = 0;
    // The header says how far the image reaches; a header that is not RIFF gets no further look.
    if (sound && (flags & SND_MEMORY) && std::memcmp(sound, "RIFF", 4) == 0)
        size = static_cast<std::size_t>(U32(sound + 4)) + 8;
    return ThePlayer().Play(reinterpret_cast<const std::uint8_t*>(sound), size, flags);
}

BOOL sndPlaySound(const void* sound, std::size_t size, UINT flags) {
    return ThePlayer().Play(static_cast<const std::uint8_t*>(sound), size, flags);
}

UINT waveOutGetNumDevs() {
    if (ThePlayer().Playing()) return 1;
    InstallQuietHandler();
    snd_pcm_t* pcm = nullptr;
    if (snd_pcm_open(&pcm, DeviceName().c_str(), SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK) < 0) return 0;
    snd_pcm_close(pcm);
    return 1;
}
