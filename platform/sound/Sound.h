// Playing a wave sound held in memory, and asking whether the machine can play one.
//
// Sounds go to the ALSA device named by the environment variable VEXO_AUDIO_DEVICE, else to
// "default"; a device is present when it opens. One sound plays at a time, on a player thread of
// its own: a new sound, or a call with no sound, stops it and waits for its thread to end. The
// player keeps time itself, so a sound lasts its length even on a device that swallows samples at
// once (ALSA's null device); a synchronous sound returns when it has played.
//
// The player works on its own copy of the sound: the caller's memory may change or go away as soon
// as sndPlaySound returns, for asynchronous sounds too.
#pragma once

#include "platform/win/Types.h"

#include <cstddef>

inline constexpr UINT SND_SYNC = 0x0000;
inline constexpr UINT SND_ASYNC = 0x0001;
inline constexpr UINT SND_NODEFAULT = 0x0002;
inline constexpr UINT SND_MEMORY = 0x0004;
inline constexpr UINT SND_LOOP = 0x0008;   // with SND_ASYNC only: repeats until stopped
inline constexpr UINT SND_NOSTOP = 0x0010; // fails instead of stopping a sound that is playing

// With SND_MEMORY, sound points at a RIFF WAVE image whose extent is its RIFF header's size plus 8
// bytes; the caller vouches for that many bytes. A null sound stops the sound playing and answers
// TRUE. Sounds by name (files, system sounds) are not supported, and there is no default sound to
// fall back on: whatever cannot be played answers FALSE, with SND_NODEFAULT or without.
BOOL sndPlaySound(const char* sound, UINT flags);
// The same for a RIFF WAVE image of exactly `size` bytes: no chunk is read beyond them, whatever
// its header says.
BOOL sndPlaySound(const void* sound, std::size_t size, UINT flags);

// 1 when the sound device opens (or is playing), else 0.
UINT waveOutGetNumDevs();
