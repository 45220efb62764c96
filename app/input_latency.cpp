// Input-to-picture latency, gathered per frame and summed up for --timing.
#include "app/input_latency.h"

#include <algorithm>
#include <cstdio>

#include "platform/tick_clock.h"

void noteFrameInputs(InputLatency& latency, const std::vector<int64_t>& arrivals) {
    latency.drawing.insert(latency.drawing.end(), arrivals.begin(), arrivals.end());
}

void noteFrameShown(InputLatency& latency, int64_t now) {
    for (int64_t arrival : latency.drawing)
        latency.ms.push_back(static_cast<float>(static_cast<double>(now - arrival) * 1000.0 / platform::kTicksPerSecond));
    latency.drawing.clear();
}

std::string latencyReport(const InputLatency& latency) {
    if (latency.ms.empty()) return "no controller or OSC events";
    std::vector<float> sorted = latency.ms;
    std::sort(sorted.begin(), sorted.end());
    // Nearest rank: the smallest value at or above the share of the events.
    const auto rank = [&](double share) {
        const size_t at = static_cast<size_t>(share * static_cast<double>(sorted.size()) + 0.999999);
        return sorted[std::min(sorted.size(), std::max<size_t>(at, 1)) - 1];
    };
    char line[160];
    std::snprintf(line, sizeof line, "%zu events, median %.1f ms, p99 %.1f ms, worst %.1f ms",
                  sorted.size(), rank(0.5), rank(0.99), sorted.back());
    return line;
}
