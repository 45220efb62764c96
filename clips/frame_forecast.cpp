// The forecast of the pictures ahead: samples of the part clock, spaced no wider than a
// frame's advance (and never wider than half a film frame at real time), so that every
// picture a frame can land on is named.
#include "clips/frame_forecast.h"

#include <algorithm>
#include <cmath>
#include <unordered_set>

#include "clips/frame_rules.h"
#include "clips/timeline.h"

void FrameForecast::sampleUntil(const Timeline& edit, const Timeline& remap, float until) {
    // Whole steps counted from where the sampling stands: a float clock summed step by
    // step stops moving where a step is below half its precision (5 ms steps at 131072 s),
    // and the count bounds one frame's work whatever the clock and the speed.
    const double from = sampledUntil_;
    for (int n = 1; n <= kMaxSamples; ++n) {
        const float s = static_cast<float>(from + static_cast<double>(n) * step_);
        if (!(s <= until)) break;
        sampledUntil_ = s;
        // The frame that looks up s draws with the clock one advance later.
        const float endClock = s + speed_ * frameSeconds_;
        const float x = remap.value_at(edit.value_at(s));
        const SceneFrames frames = sceneFrameRequests(sceneForPosition(x), x, endClock);
        for (int i = 0; i < frames.size; ++i) {
            const FrameRequest& r = frames.requests[i];
            if (!r.load) continue;
            std::string name = formatFrameName(r.prefix, r.number);
            // Neighbouring samples mostly ask for the same pictures: a slot is listed when
            // its picture changes.
            if (name == lastName_[r.slot]) continue;
            lastName_[r.slot] = name;
            samples_.push_back({s, r.slot, std::move(name)});
        }
    }
}

bool FrameForecast::advance(const Timeline& edit, const Timeline& remap, float clock, float frameSeconds) {
    bool restart = !started_;
    if (started_) {
        const float moved = clock - lastClock_;
        // The clock advances by the frame's duration times the transport's speed, so this
        // ratio is the speed itself, free of the frame's jitter.
        const float speed = frameSeconds > 0.0f ? moved / frameSeconds : speed_;
        const bool jumped = moved < 0.0f || clock > sampledUntil_ + step_;
        const bool newSpeed = std::fabs(speed - speed_) > 0.25f * speed_ + 0.01f;
        if (!jumped && newSpeed) speed_ = std::max(speed, 0.0f);
        restart = jumped || newSpeed;
    }
    if (frameSeconds > 0.0f) frameSeconds_ = started_ ? 0.8f * frameSeconds_ + 0.2f * frameSeconds : frameSeconds;
    started_ = true;
    lastClock_ = clock;
    // Spaced by a frame's advance, but at most half a film frame (at real time) apart.
    step_ = std::clamp(speed_ * frameSeconds_, 0.005f, 0.02f * std::max(speed_, 1.0f));
    if (restart) {
        samples_.clear();
        for (std::string& name : lastName_) name.clear();
        sampledUntil_ = clock - step_;
        restarts_ += 1;
    }
    // What lies behind the clock is dropped, except each slot's picture of the moment.
    std::deque<Sample> current;
    while (!samples_.empty() && samples_.front().clock <= clock) {
        Sample& s = samples_.front();
        current.erase(std::remove_if(current.begin(), current.end(), [&](const Sample& c) { return c.slot == s.slot; }),
                      current.end());
        current.push_back(std::move(s));
        samples_.pop_front();
    }
    samples_.insert(samples_.begin(), std::make_move_iterator(current.begin()), std::make_move_iterator(current.end()));
    sampleUntil(edit, remap, clock + speed_ * kAheadSeconds);

    std::vector<std::string> names;
    std::unordered_set<std::string> seen;
    for (const Sample& s : samples_)
        if (seen.insert(s.name).second) names.push_back(s.name);
    if (names == names_) return false;
    names_ = std::move(names);
    return true;
}
