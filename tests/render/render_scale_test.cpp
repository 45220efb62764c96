// The adaptive render scale against a simulated machine whose frame time grows with the
// pixels drawn: it stays at 1 where frames are fast, settles where they meet the target,
// steps rarely, does not oscillate, and shrugs off a single stall.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

#include "render/render_scale.h"

namespace {

struct Played {
    std::vector<double> stepTimes;  // seconds into the run
    std::vector<float> scales;
};

// fixedMs of work that does not scale and pixelMs at scale 1 that does.
Played play(RenderScale& r, double seconds, double fixedMs, double pixelMs, double start = 0.0) {
    Played run;
    for (double t = start; t < start + seconds;) {
        const double frame = (fixedMs + pixelMs * r.scale() * r.scale()) / 1000.0;
        t += frame;
        if (r.frameDone(frame)) {
            run.stepTimes.push_back(t);
            run.scales.push_back(r.scale());
        }
    }
    return run;
}

}  // namespace

TEST(RenderScale, AFastMachineStaysAtOne) {
    RenderScale r;
    r.configure(true, 1.0f, 30.0f);
    EXPECT_TRUE(play(r, 120, 4, 20).stepTimes.empty());  // 24 ms frames: room to spare
    EXPECT_EQ(r.scale(), 1.0f);
    EXPECT_EQ(r.steps(), 0);
}

TEST(RenderScale, ASlowMachineSettlesAtTheTargetInRareStepsAndStaysThere) {
    RenderScale r;
    r.configure(true, 1.0f, 30.0f);
    const Played settling = play(r, 60, 8, 50);  // 58 ms at scale 1, 30 fps near 0.7
    ASSERT_FALSE(settling.stepTimes.empty());
    for (size_t i = 1; i < settling.stepTimes.size(); ++i)
        EXPECT_GE(settling.stepTimes[i] - settling.stepTimes[i - 1], 2.0) << "step " << i;
    EXPECT_LE(settling.stepTimes.size(), 4u);
    EXPECT_LE(8 + 50 * r.scale() * r.scale(), 1000.0 / 30 * 1.05) << "scale " << r.scale();
    EXPECT_GE(r.scale(), 0.6f) << "no deeper than the target needs";
    // Settled: ten more minutes of the same frames bring no step.
    EXPECT_TRUE(play(r, 600, 8, 50, 60).stepTimes.empty());
    EXPECT_EQ(r.lowestScale(), r.scale());
}

TEST(RenderScale, GrowsBackWhenThereIsRoomWithoutOscillating) {
    RenderScale r;
    r.configure(true, 1.0f, 30.0f);
    play(r, 60, 10, 120);  // a heavy stretch
    const float heavy = r.scale();
    EXPECT_LT(heavy, 0.6f);
    const Played light = play(r, 120, 5, 20, 60);
    EXPECT_EQ(r.scale(), 1.0f);
    for (size_t i = 1; i < light.scales.size(); ++i) EXPECT_GT(light.scales[i], light.scales[i - 1]) << "only up";
    // Stretches of 6 s, heavy and light in turn: it follows them, two seconds apart at
    // least, within the range the two need.
    RenderScale a;
    a.configure(true, 1.0f, 30.0f);
    std::vector<double> times;
    for (int k = 0; k < 20; ++k) {
        const Played p = play(a, 6, 8, k % 2 ? 20 : 45, 6.0 * k);
        times.insert(times.end(), p.stepTimes.begin(), p.stepTimes.end());
        for (float s : p.scales) EXPECT_GE(s, 0.6f);
    }
    for (size_t i = 1; i < times.size(); ++i) EXPECT_GE(times[i] - times[i - 1], 2.0);
    EXPECT_LE(times.size(), 40u);
}

TEST(RenderScale, AStallIsNotASlowMachineAndTheFloorHolds) {
    RenderScale r;
    r.configure(true, 1.0f, 30.0f);
    play(r, 5, 4, 20);
    EXPECT_FALSE(r.frameDone(1.5));  // one frame waited a second and a half
    EXPECT_TRUE(play(r, 20, 4, 20, 5).stepTimes.empty());
    RenderScale slow;
    slow.configure(true, 1.0f, 30.0f);
    const Played hopeless = play(slow, 300, 200, 400);  // down while shrinking helps, then rarely a try
    EXPECT_LE(slow.scale(), 0.5f);
    EXPECT_LE(hopeless.stepTimes.size(), 10u);
}

TEST(RenderScale, AFixedScaleNeverMovesAndIsClamped) {
    RenderScale r;
    r.configure(false, 0.5f, 30.0f);
    EXPECT_TRUE(play(r, 30, 100, 100).stepTimes.empty());
    EXPECT_EQ(r.scale(), 0.5f);
    EXPECT_DOUBLE_EQ(r.meanScale(), 0.5);
    r.configure(false, 0.01f, 30.0f);
    EXPECT_EQ(r.scale(), kMinRenderScale);
    r.configure(false, NAN, NAN);
    EXPECT_EQ(r.scale(), 1.0f);
    EXPECT_EQ(r.targetFps(), 30.0f);
}

TEST(RenderScale, ScaledSidesKeepTheWindowsKindOfSide) {
    EXPECT_EQ(RenderScale::scaledSide(1280, 1.0f), 1280);
    EXPECT_EQ(RenderScale::scaledSide(1280, 0.5f), 640);
    EXPECT_EQ(RenderScale::scaledSide(1280, 0.8f), 1023) << "not 1024, a power of two unlike 1280";
    EXPECT_EQ(RenderScale::scaledSide(1024, 0.5f), 512) << "a power of two may stay one";
    EXPECT_EQ(RenderScale::scaledSide(3, 0.25f), 1);
}

TEST(RenderScale, AStepDownStaysWhenTheSceneGrowsHeavierAfterIt) {
    // Tubes that grow: 45 ms of pixels at 1, 90 ms ten seconds on. Frames after each step
    // are slower than before it, yet the scale only goes down, to where the target is met.
    RenderScale r;
    r.configure(true, 1.0f, 30.0f, 1280.0 * 720.0);
    float last = 1.0f;
    for (double t = 0.0; t < 20.0;) {
        const double frame = (6.0 + (45.0 + 4.5 * std::min(t, 10.0)) * r.scale() * r.scale()) / 1000.0;
        t += frame;
        if (r.frameDone(frame)) {
            EXPECT_LT(r.scale(), std::exchange(last, r.scale())) << t << " s";
        }
    }
    EXPECT_LE(6.0 + 90.0 * r.scale() * r.scale(), 1000.0 / 30 * 1.05);
    // Frames whose time is not in their pixels: down to the floor in a few steps, no retries.
    RenderScale cpu;
    cpu.configure(true, 1.0f, 30.0f, 1280.0 * 720.0);
    EXPECT_LE(play(cpu, 90, 48, 2).stepTimes.size(), 4u);
    EXPECT_EQ(cpu.scale(), cpu.lowestAllowed());
}

TEST(RenderScale, AutoKeepsAtLeast640By360Pixels) {
    RenderScale small, hd;
    small.configure(true, 1.0f, 30.0f, 320.0 * 180.0);
    EXPECT_TRUE(play(small, 60, 100, 100).stepTimes.empty()) << "a small window stays at 1, however slow";
    EXPECT_EQ(small.scale(), 1.0f);
    hd.configure(true, 1.0f, 30.0f, 1920.0 * 1080.0);
    play(hd, 120, 10, 1000);
    EXPECT_NEAR(hd.scale(), 0.35f, 1e-6) << "1/3 of 1080 rows, on the grid";
}

TEST(RenderScale, StartsWhereAFrameMeasuredWhileLoadingLeavesRoom) {
    // 58 ms at 1 (8 of them fixed, so the start errs large): at most one more step after.
    RenderScale r;
    r.configure(true, 1.0f, 30.0f, 1280.0 * 720.0);
    r.startFrom(0.058);
    EXPECT_LT(r.scale(), 0.8f);
    EXPECT_LE(play(r, 60, 8, 50).stepTimes.size(), 1u);
    EXPECT_LE(8 + 50 * r.scale() * r.scale(), 1000.0 / 30 * 1.05);
    // Fast enough, a fixed scale, a window at auto's floor: the scale stays.
    RenderScale fast, fixed, small;
    fast.configure(true, 1.0f, 30.0f, 1280.0 * 720.0);
    fixed.configure(false, 0.8f, 30.0f, 1280.0 * 720.0);
    small.configure(true, 1.0f, 30.0f, 640.0 * 360.0);
    fast.startFrom(0.030), fixed.startFrom(0.5), small.startFrom(0.5);
    EXPECT_EQ(fast.scale() + small.scale(), 2.0f);
    EXPECT_EQ(fixed.scale(), 0.8f);
}
