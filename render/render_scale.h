// The render scale: the share of the window's width and height at which the show draws its
// off-screen pictures (the final pass scales the result to the window). Fixed, or chosen
// from the frame rate ("auto"): the pictures shrink while frames stay slower than a target
// and grow back when there is room, in rare steps, so that a machine without a GPU shows a
// softer picture that moves rather than a sharp one that stutters. No GL here.
#pragma once
#include <cstdint>
#include <deque>

constexpr float kMinRenderScale = 0.25f;
// auto never draws fewer pixels than this (640 x 360): below it a frame's time is in the
// scene's own work, the enlarging copy and the window, and shrinking only blurs.
constexpr double kMinAutoPixels = 640.0 * 360.0;

class RenderScale {
public:
    // adaptive: choose the scale from the frame rate, starting at 1, never below what keeps
    // kMinAutoPixels of a window of windowPixels (0: no such floor); otherwise keep scale
    // (clamped to kMinRenderScale .. 1). targetFps is the rate auto holds (clamped to 1 .. 1000).
    void configure(bool adaptive, float scale, float targetFps, double windowPixels = 0.0);

    // Before the first frame, auto may start below 1: seconds is what a frame at scale 1
    // took (measured while loading, without the window's swap). The scale starts where
    // the pixels leave room for the target (never below auto's lowest), so a slow machine
    // does not begin the show with a second of stutter; the frames then correct it.
    void startFrom(double seconds);
    // The scale auto started at, and the frame at 1 it started from (0: none measured).
    float startScale() const { return start_; }
    double startSeconds() const { return startSeconds_; }

    // After each shown frame, with its whole duration (the same durations give the same
    // steps). Returns true when the scale changed; the caller resizes its pictures before
    // drawing the next frame.
    bool frameDone(double seconds);

    float scale() const { return scale_; }
    // auto's lowest scale for this window: at 1 it has no room to shrink.
    float lowestAllowed() const { return minimum_; }
    bool adaptive() const { return adaptive_; }
    float targetFps() const { return targetFps_; }

    // For the timing report: the mean scale over the frames seen, the lowest, the steps.
    double meanScale() const { return frames_ ? scaleSum_ / static_cast<double>(frames_) : scale_; }
    float lowestScale() const { return lowest_; }
    int steps() const { return steps_; }

    // The off-screen size for a window side at a scale: rounded, never below one pixel.
    static int32_t scaledSide(int32_t side, float scale);

private:
    void step(float to);

    bool adaptive_ = false;
    float scale_ = 1.0f;
    float targetFps_ = 30.0f;
    double sinceStep_ = 0.0;       // seconds since the last step (or the first frame)
    std::deque<double> recent_;    // durations of the frames measured since then, oldest first
    double recentSum_ = 0.0;
    double roomFor_ = 0.0;         // seconds for which the frames have left room to grow
    double roomWorst_ = 0.0;       // the slowest recent mean in that time
    float refusedScale_ = 2.0f;    // the last scale stepped down from: not tried again soon
    double sinceRefused_ = 0.0;
    float minimum_ = kMinRenderScale;  // auto's lowest for this window
    double scaleSum_ = 0.0;
    int64_t frames_ = 0;
    float lowest_ = 1.0f;
    int steps_ = 0;
    float start_ = 1.0f;
    double startSeconds_ = 0.0;
};
