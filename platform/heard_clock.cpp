// The heard-position arithmetic behind the music player.
#include "platform/heard_clock.h"

#include <algorithm>

#include "platform/tick_clock.h"

namespace platform {

namespace {

int64_t ticks_to_frames(const HeardClock& c, int64_t ticks) { return ticks * c.rate / kTicksPerSecond; }

}  // namespace

int64_t frames_to_ticks(const HeardClock& c, int64_t frames) { return frames * kTicksPerSecond / c.rate; }

void heard_on_buffer(HeardClock& c, int64_t first, int64_t frames, int64_t now) {
    // The buffer waits behind the ones queued before it: with q buffers in flight its first
    // frame plays once q - 1 buffers' worth has drained from the device.
    HeardClock::Buffer& b = c.buffers[c.count % HeardClock::kKept];
    b.first = first;
    b.frames = frames;
    b.audible = now + frames_to_ticks(c, (c.queuedBuffers - 1) * c.bufferFrames);
    b.generation = c.generation;
    c.count += 1;
}

int64_t heard_on_seek(HeardClock& c, int64_t frame, int64_t at, int64_t now) {
    c.generation += 1;
    c.promisedFrame = frame;
    c.promisedTick = at;
    // The next callback comes half a buffer from now on average, and plays behind the queue.
    const int64_t wait = (c.queuedBuffers - 1) * c.bufferFrames + c.bufferFrames / 2;
    return frame + ticks_to_frames(c, now - at) + wait;
}

int64_t heard_frame(const HeardClock& c, int64_t at) {
    // The newest buffer already playing at `at`.
    const HeardClock::Buffer* playing = nullptr;
    const HeardClock::Buffer* oldest = nullptr;
    const uint64_t kept = std::min<uint64_t>(c.count, HeardClock::kKept);
    for (uint64_t i = 0; i < kept && !playing; ++i) {
        const HeardClock::Buffer& b = c.buffers[(c.count - 1 - i) % HeardClock::kKept];
        if (b.audible <= at) playing = &b;
        oldest = &b;
    }
    if (playing && playing->generation == c.generation)
        return playing->first + std::clamp<int64_t>(ticks_to_frames(c, at - playing->audible), 0, playing->frames);
    // A moment before every buffer kept (a long frame asks about its start): the music
    // played on without a break into the oldest one, unless a seek came in between.
    if (!playing && oldest && oldest->generation == c.generation && c.promisedTick <= at)
        return oldest->first + ticks_to_frames(c, at - oldest->audible);
    // What a seek promised, until its own buffers reach the ear; held at most as long as the
    // first of them would take, so a stalled device is not mistaken for playback.
    const int64_t limit = (c.queuedBuffers + 1) * c.bufferFrames;
    return c.promisedFrame + std::clamp<int64_t>(ticks_to_frames(c, at - c.promisedTick), 0, limit);
}

}  // namespace platform
