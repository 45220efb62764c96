// The public music calls that do not touch the device, the same on every system.
#include "platform/music_track.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "platform/audio.h"
#include "platform/tick_clock.h"

namespace platform {

std::unique_ptr<MusicTrack> decode_track(const std::string& path, int64_t maxFrames, const HeardClock& heard) {
    auto track = std::make_unique<MusicTrack>();
    track->heard = heard;
    std::string error;
    if (!decode_mp3(path, track->samples, error, maxFrames)) {
        printf("Audio: cannot play \"%s\" (%s); the show runs silently.\n", path.c_str(), error.c_str());
        return nullptr;
    }
    return track;
}

void track_start(MusicTrack& track) {
    std::lock_guard<std::mutex> lock(track.mutex);
    const int64_t now = tick_count();
    heard_on_seek(track.heard, 0, now, now);
    track.frame = 0;
    track.playing = true;
}

void track_take(MusicTrack& track, int16_t* out, uint64_t frames, int64_t now) {
    const uint64_t total = track.samples.size() / 2;
    uint64_t at = 0;
    {
        std::lock_guard<std::mutex> lock(track.mutex);
        if (!track.playing || track.paused) return;
        at = track.frame;
        track.frame = at + frames;
        heard_on_buffer(track.heard, static_cast<int64_t>(at), static_cast<int64_t>(frames), now);
    }
    const uint64_t n = at < total ? std::min(frames, total - at) : 0;
    if (n) std::memcpy(out, track.samples.data() + at * 2, n * 4);
}

int64_t music_get_position(uint32_t handle, int64_t atTicks) {
    MusicTrack* track = track_for(handle);
    if (!track) return -1;
    const int64_t frames = static_cast<int64_t>(track->samples.size() / 2);
    int64_t heard = 0;
    {
        std::lock_guard<std::mutex> lock(track->mutex);
        heard = heard_frame(track->heard, atTicks == kNow ? tick_count() : atTicks);
    }
    return std::clamp<int64_t>(heard, 0, frames) * 4;
}

bool music_set_position(uint32_t handle, uint64_t bytes, int64_t atTicks) {
    MusicTrack* track = track_for(handle);
    // A negative clock arrives as a huge unsigned value: refused like any seek past the end.
    if (!track || bytes >= track->samples.size() * 2) return false;
    std::lock_guard<std::mutex> lock(track->mutex);
    const int64_t now = tick_count();
    const int64_t next = heard_on_seek(track->heard, static_cast<int64_t>(bytes / 4), atTicks == kNow ? now : atTicks, now);
    track->frame = static_cast<uint64_t>(std::max<int64_t>(next, 0));
    return true;
}

void music_pause(uint32_t handle, bool paused) {
    MusicTrack* track = track_for(handle);
    if (!track) return;
    std::lock_guard<std::mutex> lock(track->mutex);
    track->paused = paused;
}

uint64_t music_length(uint32_t handle) {
    MusicTrack* track = track_for(handle);
    return track ? track->samples.size() * 2 : 0;
}

}  // namespace platform
