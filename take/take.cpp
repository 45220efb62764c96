#include "take/take.h"

#include <algorithm>

const char* takeEndText(TakeEnd end) {
    switch (end) {
    case TakeEnd::Cut: return "cut off without its closing record";
    case TakeEnd::Escape: return "ended by Escape";
    case TakeEnd::WindowClosed: return "ended by closing the window";
    case TakeEnd::Interrupted: return "ended by Ctrl-C or a termination signal";
    case TakeEnd::FrameLimit: return "ended by the --frames limit";
    case TakeEnd::ShowOver: return "ended with the show";
    case TakeEnd::Other: return "ended by the program's exit";
    }
    return "?";
}

std::vector<double> takeFrameTimes(const Take& take) {
    std::vector<double> times(take.frames.size());
    double t = 0.0;
    for (size_t k = 0; k < take.frames.size(); ++k) {
        times[k] = t;
        t += take.frames[k].dt;
    }
    return times;
}

double takeLength(const Take& take) {
    double t = 0.0;
    for (const TakeFrame& f : take.frames) t += f.dt;
    return t;
}

size_t takeFrameAt(const std::vector<double>& times, double seconds) {
    const auto after = std::upper_bound(times.begin(), times.end(), seconds);
    return after == times.begin() ? 0 : static_cast<size_t>(after - times.begin()) - 1;
}

namespace {

// What the transport can move the clock by in one frame of duration dt without a jump:
// up to 7 times real time with the speed knob, 2 ms either way with a TRACK button, and a
// tenth of dt either way when the clock is steered toward the music.
bool ranBetween(float from, float to, double dt) {
    const double moved = static_cast<double>(to) - from;
    return moved >= -0.0025 - 0.1 * dt && moved <= 7.2 * dt + 0.0025;
}

}  // namespace

float takeClockAt(const Take& take, const std::vector<double>& times, double seconds) {
    if (take.frames.empty()) return 0.0f;
    const size_t k = takeFrameAt(times, seconds);
    const TakeFrame& here = take.frames[k];
    if (k + 1 >= take.frames.size() || seconds <= times[k]) return here.clock;
    const TakeFrame& next = take.frames[k + 1];
    const double span = times[k + 1] - times[k];
    if (span <= 0.0 || !ranBetween(here.clock, next.clock, span)) return here.clock;
    const double f = (seconds - times[k]) / span;
    return static_cast<float>(here.clock + (static_cast<double>(next.clock) - here.clock) * f);
}
