// How long a knob takes to reach the picture: each controller or OSC message, from the
// moment it was delivered to the end of the swap of the first frame that read it.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// The show maps the controller's values into the scenes' inputs at the end of a frame,
// for the next one to draw with (and takes replay on that order): a message reaches the
// picture with the swap of the frame after that mapping.
struct InputLatency {
    std::vector<int64_t> mapped;   // arrivals (tick_count) mapped at the end of this frame
    std::vector<int64_t> drawing;  // arrivals the frame being drawn reads
    std::vector<float> ms;         // every measured latency, in milliseconds
};

// At the mapping, with the messages that arrived since the last one.
void noteMappedInputs(InputLatency& latency, const std::vector<int64_t>& arrivals);
// Right after a frame's swap, at tick `now`.
void noteFrameShown(InputLatency& latency, int64_t now);
// "N events, median X ms, p99 Y ms, worst Z ms", or that none came (the --timing line
// "input to picture").
std::string latencyReport(const InputLatency& latency);
