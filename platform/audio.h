// The music player standing in for the closed audio library: one MP3 decoded into
// memory (16-bit stereo, 48 kHz) and played through SDL. Positions are bytes of that
// decoded audio, 192000 per second. Without a sound device the calls do nothing and the
// show runs silently on its own clock.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace platform {

constexpr int kMusicRate = 48000;
constexpr int64_t kMusicBytesPerSecond = 192000;

// No bound on what is decoded.
constexpr int64_t kWholeTrack = -1;

// Decodes an MP3 file to interleaved 16-bit stereo at 48 kHz: all of it, or its first
// maxFrames sample frames. The length is what really decodes, whatever the file's header
// claims. Returns false with a message when the file is missing, is not a regular file or
// is not an MP3 stream.
bool decode_mp3(const std::string& path, std::vector<int16_t>& samples, std::string& error,
                int64_t maxFrames = kWholeTrack);

// Opens the default output. Prints one line and returns false when there is no device.
bool audio_init(bool enabled);

// Loads the file (its first maxFrames sample frames: what the caller can ever play);
// returns a handle, 0 on failure (one line naming the file).
uint32_t music_load(const std::string& path, int64_t maxFrames = kWholeTrack);
// Plays from the start.
void music_play(uint32_t handle);
constexpr int64_t kNow = -1;
// The position the listener hears at tick atTicks (now by default), in bytes: what has
// been handed to the device minus what is still queued, advanced smoothly between the
// device's callbacks. -1 when there is no such track.
int64_t music_get_position(uint32_t handle, int64_t atTicks = kNow);
// Makes bytes the position heard at tick atTicks (now by default): the device's queue and
// the wait for its next callback are skipped ahead. Refused (false, playback goes on) past
// the end.
bool music_set_position(uint32_t handle, uint64_t bytes, int64_t atTicks = kNow);
// Pauses (the device plays silence and the position stands) or resumes from where it
// stands, or from where a seek made meanwhile put it.
void music_pause(uint32_t handle, bool paused);
// Decoded length in bytes; 0 when there is no track.
uint64_t music_length(uint32_t handle);

void audio_shutdown();

}  // namespace platform
