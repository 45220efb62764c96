// Which frame of the music the listener hears at a given moment, worked out from what the
// audio callback hands over: frames handed minus those still queued in SDL and the device,
// advanced smoothly between callbacks on the monotonic tick clock. Plain arithmetic with
// no audio device, so that it can be driven by a made-up device clock.
#pragma once
#include <cstdint>

namespace platform {

struct HeardClock {
    struct Buffer {
        int64_t first = 0;      // first frame of the buffer
        int64_t frames = 0;     // frames in it
        int64_t audible = 0;    // tick at which its first frame reaches the ear
        uint32_t generation = 0;
    };
    int rate = 48000;             // frames per second
    int64_t bufferFrames = 2048;  // frames per callback
    int64_t queuedBuffers = 1;    // buffers between a callback and the ear, its own included
    static constexpr int kKept = 8;
    Buffer buffers[kKept];        // the latest callbacks, newest at [(count - 1) % kKept]
    uint64_t count = 0;           // callbacks so far
    uint32_t generation = 0;      // bumped by every seek; buffers remember theirs
    int64_t promisedFrame = 0;    // after a seek: heard at promisedTick, until its buffers play
    int64_t promisedTick = 0;
};

// Ticks from frames and back at the clock's rate.
int64_t frames_to_ticks(const HeardClock& clock, int64_t frames);

// A callback at tick `now` handed frames [first, first + frames) to the device.
void heard_on_buffer(HeardClock& clock, int64_t first, int64_t frames, int64_t now);

// A seek at tick `now` that wants `frame` heard at tick `at`. Returns the frame the next
// callback must hand over so that it reaches the ear on time (the expected wait for the
// next callback and the queue ahead of it are skipped).
int64_t heard_on_seek(HeardClock& clock, int64_t frame, int64_t at, int64_t now);

// The frame heard at tick `at`. It never runs past what has been handed over, so a device
// that stops calling back stops the heard position too.
int64_t heard_frame(const HeardClock& clock, int64_t at);

}  // namespace platform
