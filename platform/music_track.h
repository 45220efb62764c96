// The one music track both sound halves play from memory, and what they share of its
// handling: where the listener is, seeks, pause and length. Each half owns the device and
// the thread that takes frames from the track.
#pragma once
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/heard_clock.h"

namespace platform {

struct MusicTrack {
    std::vector<int16_t> samples;  // interleaved stereo; not changed while it plays
    std::mutex mutex;              // guards frame, playing, paused and heard between threads
    uint64_t frame = 0;            // next frame to hand to the device
    bool playing = false;
    bool paused = false;
    HeardClock heard;
};

// The whole of path decoded (up to maxFrames) into a track that will be heard through a
// device timed by heard; null, after one line saying why the show runs silently, when it
// cannot be decoded.
std::unique_ptr<MusicTrack> decode_track(const std::string& path, int64_t maxFrames, const HeardClock& heard);

// The track behind a handle, or null: defined by the half that owns the device.
MusicTrack* track_for(uint32_t handle);

// Starts from the first frame: nothing is skipped to make up for the device's queue.
void track_start(MusicTrack& track);

// Copies the next `frames` frames (fewer at the end) into out, which the caller has
// silenced, and tells the heard clock they were handed over at tick `now`. Nothing while
// the track is stopped or paused.
void track_take(MusicTrack& track, int16_t* out, uint64_t frames, int64_t now);

}  // namespace platform
