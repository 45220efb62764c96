// Where a capture's frames and sound go: a video file (capture_encoder.h, where FFmpeg's
// libraries are: Linux) or a folder of PNG pictures and a WAV file (capture_folder.h, on
// both systems). The capture loop (capture.cpp) fills one frame at a time.
#pragma once
#include <cstdint>
#include <functional>
#include <string>

// The sound track, made as the sink needs it: fills out with the track's next `frames`
// sample frames (interleaved 16-bit stereo at 48 kHz; the first sounds with the first
// picture). Called in order, a piece at a time, on whichever thread the sink writes from.
using CaptureSound = std::function<void(int16_t* out, int64_t frames)>;

class CaptureSink {
public:
    virtual ~CaptureSink() = default;
    // The buffer for the next frame, width * height * 4 bytes of BGRA with the bottom row
    // first (as GL reads them). Null once the sink has failed (finish then says why).
    virtual uint8_t* nextFrame() = 0;
    // Hands the buffer of nextFrame on.
    virtual void submitFrame() = 0;
    // Writes what is left (the sound up to the last frame submitted) and closes. False with
    // a message when anything failed (a full disk: "the disk is full") or no frame came.
    virtual bool finish(std::string& error) = 0;
    virtual long framesSubmitted() const = 0;
};
