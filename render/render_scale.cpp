// The adaptive render scale. A frame's cost is taken to grow with the pixels drawn (the
// square of the scale); the frame loop's own work does not, so that estimate errs towards
// "slower" when growing and "faster" when shrinking: a step up is never one that the next
// measurement undoes, and a step down may need a second step.
#include "render/render_scale.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

constexpr double kStepInterval = 2.0;  // seconds: at most one step in this time
constexpr double kFirstLook = 1.0;     // seconds of the show before the first decision: the
                                       // frames before it are the show's slowest if it starts too big
constexpr double kSettle = 0.5;        // seconds after a step whose frames are not measured
constexpr double kWindow = 1.5;        // seconds of frames a step down looks at
constexpr double kRoomHold = 2.0;      // seconds that room must last before a step up
constexpr double kSlow = 1.05;         // mean frame over the budget by this: step down
constexpr double kAimDown = 0.9;       // a step down aims at this share of the budget
constexpr double kRoom = 0.9;          // a step up must be expected to stay under this share
constexpr double kRefusedHold = 10.0;  // seconds before a scale stepped down from is tried again
constexpr float kGrid = 0.05f;         // scales are whole multiples of this
constexpr size_t kMinFrames = 10;      // a decision looks at no fewer frames, however long

double sq(double x) { return x * x; }

float onGrid(float s) { return std::clamp(std::floor(s / kGrid + 1e-3f) * kGrid, kMinRenderScale, 1.0f); }

}  // namespace

void RenderScale::configure(bool adaptive, float scale, float targetFps, double windowPixels) {
    *this = RenderScale();
    adaptive_ = adaptive;
    if (windowPixels > 0.0) {
        const float needed = static_cast<float>(std::sqrt(kMinAutoPixels / windowPixels));
        minimum_ = std::clamp(std::ceil(needed / kGrid - 1e-3f) * kGrid, kMinRenderScale, 1.0f);
    }
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

void RenderScale::startFrom(double seconds) {
    if (!adaptive_ || !(seconds > 0.0) || frames_ > 0) return;
    startSeconds_ = seconds;
    const double budget = 1.0 / targetFps_;
    if (seconds <= budget * kSlow) return;
    // All of the frame is taken as pixels: the start errs on the large side, which the
    // first decision mends with one more step down rather than a stutter.
    const float wanted = onGrid(static_cast<float>(std::sqrt(budget * kAimDown / seconds)));
    scale_ = start_ = lowest_ = std::clamp(wanted, minimum_, 1.0f);
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

    recent_.push_back(seconds);
    recentSum_ += seconds;
    while (recent_.size() > kMinFrames && recentSum_ - recent_.front() >= kWindow) {
        recentSum_ -= recent_.front();
        recent_.pop_front();
    }
    const double wait = steps_ ? kStepInterval : kFirstLook;
    if (sinceStep_ < wait || recentSum_ < std::min(kWindow, wait) || recent_.size() < kMinFrames) return false;

    // The usual frame of the newest kWindow seconds: the median, which a stall or two
    // (a picture decoded at once, another program) does not move; the scale cannot mend
    // those anyway.
    std::vector<double> sorted(recent_.begin(), recent_.end());
    std::nth_element(sorted.begin(), sorted.begin() + static_cast<long>(sorted.size() / 2), sorted.end());
    const double last = sorted[sorted.size() / 2];
    // A step down stays even when the frames after it are no faster: frame times alone
    // cannot tell a step that did not help from a scene that grew heavier meanwhile, and a
    // softer picture is better than the stutter of undoing it. The floor bounds the cost.
    if (last > budget * kSlow && scale_ > minimum_) {
        // Far too slow: shrink by up to a half of the pixels at once; a little: one grid step.
        const float wanted = scale_ * static_cast<float>(std::sqrt(budget * kAimDown / last));
        step(std::max(minimum_, std::min(onGrid(std::max(wanted, scale_ * 0.7f)), onGrid(scale_ - kGrid))));
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
