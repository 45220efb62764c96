// The adaptive render scale. A frame's cost is taken to grow with the pixels drawn (the
// square of the scale); the frame loop's own work does not, so that estimate errs towards
// "slower" when growing and "faster" when shrinking: a step up is never one that the next
// measurement undoes, and a step down may need a second step.
#include "render/render_scale.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kStepInterval = 2.0;  // seconds: at most one step in this time
constexpr double kSettle = 0.5;        // seconds after a step whose frames are not measured
constexpr double kWindow = 1.5;        // seconds of frames a step down looks at
constexpr double kRoomHold = 2.0;      // seconds that room must last before a step up
constexpr double kSlow = 1.05;         // mean frame over the budget by this: step down
constexpr double kAimDown = 0.9;       // a step down aims at this share of the budget
constexpr double kRoom = 0.8;          // a step up must be expected to stay under this share
constexpr double kRefusedHold = 10.0;  // seconds before a scale stepped down from is tried again
constexpr double kStallCap = 4.0;      // a frame counts as at most this many budgets
constexpr float kGrid = 0.05f;         // scales are whole multiples of this

double sq(double x) { return x * x; }

float onGrid(float s) { return std::clamp(std::floor(s / kGrid + 1e-3f) * kGrid, kMinRenderScale, 1.0f); }

}  // namespace

void RenderScale::configure(bool adaptive, float scale, float targetFps) {
    *this = RenderScale();
    adaptive_ = adaptive;
    scale_ = adaptive ? 1.0f : std::clamp(std::isfinite(scale) ? scale : 1.0f, kMinRenderScale, 1.0f);
    targetFps_ = std::clamp(std::isfinite(targetFps) ? targetFps : 30.0f, 1.0f, 1000.0f);
    lowest_ = scale_;
}

int32_t RenderScale::scaledSide(int32_t side, float scale) {
    int32_t scaled = std::max<int32_t>(1, static_cast<int32_t>(std::lround(static_cast<double>(side) * scale)));
    // llvmpipe compiles its shaders apart for textures whose sides are powers of two, and
    // the warm-up prepared them for the window's kind of sides: keep to that kind, or a
    // step would stall while the driver compiles.
    const auto powerOfTwo = [](int32_t n) { return n > 0 && (n & (n - 1)) == 0; };
    if (scaled > 2 && powerOfTwo(scaled) && !powerOfTwo(side)) scaled -= 1;
    return scaled;
}

void RenderScale::step(float to) {
    if (to < scale_) {
        refusedScale_ = scale_;
        sinceRefused_ = 0.0;
    }
    scale_ = to;
    roomFor_ = 0.0;
    roomWorst_ = 0.0;
    lowest_ = std::min(lowest_, to);
    steps_ += 1;
    sinceStep_ = 0.0;
    recent_.clear();
    recentSum_ = 0.0;
}

bool RenderScale::frameDone(double seconds) {
    scaleSum_ += scale_;
    frames_ += 1;
    if (!adaptive_ || !(seconds >= 0.0)) return false;
    const double budget = 1.0 / targetFps_;
    sinceStep_ += seconds;
    sinceRefused_ += seconds;
    if (sinceStep_ <= kSettle) return false;

    const double counted = std::min(seconds, kStallCap * budget);
    recent_.push_back(counted);
    recentSum_ += counted;
    while (recent_.size() > 1 && recentSum_ - recent_.front() >= kWindow) {
        recentSum_ -= recent_.front();
        recent_.pop_front();
    }
    if (sinceStep_ < kStepInterval || recentSum_ < kWindow) return false;

    const double last = recentSum_ / static_cast<double>(recent_.size());  // the newest kWindow seconds
    if (last > budget * kSlow && scale_ > kMinRenderScale) {
        // Far too slow: shrink by up to a half of the pixels at once; a little: one grid step.
        const float wanted = scale_ * static_cast<float>(std::sqrt(budget * kAimDown / last));
        step(std::min(onGrid(std::max(wanted, scale_ * 0.7f)), onGrid(scale_ - kGrid)));
        return true;
    }
    // Growing waits for room that lasts: every newest-kWindow mean for kRoomHold seconds
    // running must leave room for the next grid step; the slowest of them sets how far.
    if (scale_ < 1.0f && last * sq(onGrid(scale_ + kGrid) / scale_) <= budget * kRoom) {
        roomFor_ += seconds;
        roomWorst_ = std::max(roomWorst_, last);
    } else {
        roomFor_ = 0.0;
        roomWorst_ = 0.0;
    }
    if (roomFor_ >= kRoomHold) {
        float up = onGrid(std::min(scale_ * static_cast<float>(std::sqrt(budget * kRoom / roomWorst_)), scale_ * 1.25f));
        if (up >= refusedScale_ && sinceRefused_ < kRefusedHold) up = onGrid(refusedScale_ - kGrid);
        if (up > scale_) {
            step(up);
            return true;
        }
    }
    return false;
}
