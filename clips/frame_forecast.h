// Which archive pictures the next frames will ask for. The edit, the second timeline and
// the frame rules are deterministic, so the part clock, running at the transport's speed,
// says where the next half second of frames will look: the clock is sampled ahead, each
// sample taken through both timelines and the scene's frame rules, and the names come out
// soonest first. A jump of the clock (a cue, BACK, --start, the A key) or a new speed
// (the speed knob) starts the forecast afresh from the new position.
#pragma once
#include <deque>
#include <string>
#include <vector>

struct Timeline;

class FrameForecast {
public:
    static constexpr float kAheadSeconds = 0.5f;  // of real time

    // Called once per frame with the clock the next frame will look up and the duration of
    // the frame just drawn. True when names() changed.
    bool advance(const Timeline& edit, const Timeline& remap, float clock, float frameSeconds);
    // Distinct names, soonest first.
    const std::vector<std::string>& names() const { return names_; }
    // Times the forecast started afresh (for the --timing report and tests).
    int restarts() const { return restarts_; }

private:
    struct Sample {
        float clock;       // the first clock at which a frame asks for it
        int slot;          // the texture slot it goes to
        std::string name;
    };
    static constexpr int kSlots = 5;
    // Samples taken in one frame at most: half a second ahead at 7 times real time, 5 ms
    // apart, is 700; a faster clock is followed over the next frames.
    static constexpr int kMaxSamples = 1024;
    void sampleUntil(const Timeline& edit, const Timeline& remap, float until);

    std::deque<Sample> samples_;  // clock order; a slot's picture is listed when it changes
    std::string lastName_[kSlots];  // the newest sample's name per slot
    std::vector<std::string> names_;
    bool started_ = false;
    float lastClock_ = 0.0f;
    float sampledUntil_ = 0.0f;  // clock of the last sample taken
    float step_ = 0.02f;         // clock seconds between samples
    float speed_ = 1.0f;         // clock seconds per real second, smoothed
    float frameSeconds_ = 0.03f; // real seconds per frame, smoothed
    int restarts_ = 0;
};
