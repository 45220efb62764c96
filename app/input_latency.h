// How long a knob takes to reach the picture: each controller or OSC message, from the
// moment it was delivered to the end of the swap of the first frame that read it.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

struct InputLatency {
    std::vector<int64_t> drawing;  // arrivals (tick_count) the frame being drawn took in
    std::vector<float> ms;         // every measured latency, in milliseconds
};

// At the frame's input step, with the messages that arrived since the last one.
void noteFrameInputs(InputLatency& latency, const std::vector<int64_t>& arrivals);
// Right after a frame's swap, at tick `now`.
void noteFrameShown(InputLatency& latency, int64_t now);
// "N events, median X ms, p99 Y ms, worst Z ms", or that none came (the --timing line
// "input to picture").
std::string latencyReport(const InputLatency& latency);
