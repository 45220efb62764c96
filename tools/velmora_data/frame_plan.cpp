// Enumerates the frame rules over every scene range to find the names the archive needs.
#include "tools/velmora_data/frame_plan.h"

#include <cmath>

#include "clips/frame_rules.h"

namespace {

// Sampling step in edit position. Frame numbers change at most 50 times per unit, so a
// step 200 times finer meets every number; the last float below each range end is added
// so a short final interval is not skipped.
constexpr double kStep = 1e-4;

// The only clock-dependent rule switches at a part clock of 240 s; these sit on either side.
constexpr float kClocksToTry[] = {0.0f, 250.0f};

// Consecutive samples mostly repeat the previous request; remembering it per request
// slot keeps the sampling cheap.
struct LastRequest {
    const char* prefix = nullptr;
    int number = -1;
};

void addRequests(FramePlan& plan, int scene, float x, LastRequest (&last)[2][4]) {
    for (int c = 0; c < 2; ++c) {
        const SceneFrames frames = sceneFrameRequests(scene, x, kClocksToTry[c]);
        for (int i = 0; i < frames.size; ++i) {
            const FrameRequest& r = frames.requests[i];
            if (!r.load || r.number < 0) continue;
            if (last[c][i].prefix == r.prefix && last[c][i].number == r.number) continue;
            last[c][i] = {r.prefix, r.number};
            plan[r.prefix].insert(r.number);
        }
    }
}

}  // namespace

FramePlan collectRequestedFrames() {
    FramePlan plan;
    for (int s = 0; s < 25; ++s) {
        const int start = kSceneStarts[s];
        const int end = s + 1 < 25 ? kSceneStarts[s + 1] : 510;
        LastRequest last[2][4];
        const long steps = std::lround((end - start) / kStep);
        for (long i = 0; i < steps; ++i) {
            const float x = static_cast<float>(start + i * kStep);
            if (sceneForPosition(x) == start) addRequests(plan, start, x, last);
        }
        const float final = std::nextafter(static_cast<float>(end), 0.0f);
        if (sceneForPosition(final) == start) addRequests(plan, start, final, last);
    }
    return plan;
}

size_t planNameCount(const FramePlan& plan) {
    size_t n = 0;
    for (const auto& entry : plan) n += entry.second.size();
    return n;
}
