// The footage generators: every sequence the frame rules ask for has a generator, frames
// are reproducible, clips move smoothly and close their loops where the rules wrap.
#include <gtest/gtest.h>
#include <omp.h>

#include <opencv2/core.hpp>

#include <cmath>
#include <set>

#include "clips/frame_rules.h"
#include "tools/velmora_data/footage.h"
#include "tools/velmora_data/frame_plan.h"

using namespace vdata;

namespace {

constexpr int kTiny = 90;

double meanDifference(const cv::Mat3b& a, const cv::Mat3b& b) {
    cv::Mat diff;
    cv::absdiff(a, b, diff);
    const cv::Scalar m = cv::mean(diff);
    return (m[0] + m[1] + m[2]) / 3.0;
}

bool identical(const cv::Mat3b& a, const cv::Mat3b& b) {
    return a.size() == b.size() && cv::norm(a, b, cv::NORM_INF) == 0;
}

// The frames of a sequence that the rules step through one after another.
std::vector<int> requested(const FramePlan& plan, const SequenceInfo& seq) {
    const auto it = plan.find(seq.prefix);
    return it == plan.end() ? std::vector<int>() : std::vector<int>(it->second.begin(), it->second.end());
}

}  // namespace

TEST(FramePlan, CoversEveryRuleSampledEveryHundredthOfASecond) {
    const FramePlan plan = collectRequestedFrames();
    size_t missing = 0;
    for (int s = 0; s < 25; ++s) {
        const int start = kSceneStarts[s], end = s + 1 < 25 ? kSceneStarts[s + 1] : 510;
        for (int i = 0; start + i * 0.01 < end; ++i) {
            const float x = static_cast<float>(start + i * 0.01);
            for (float clock : {0.0f, 239.0f, 241.0f}) {
                const SceneFrames f = sceneFrameRequests(sceneForPosition(x), x, clock);
                for (int k = 0; k < f.size; ++k) {
                    const FrameRequest& r = f.requests[k];
                    if (!r.load || r.number < 0) continue;
                    const auto it = plan.find(r.prefix);
                    if (it == plan.end() || !it->second.count(r.number)) {
                        if (++missing < 5) ADD_FAILURE() << formatFrameName(r.prefix, r.number) << " at x = " << x;
                    }
                }
            }
        }
    }
    EXPECT_EQ(missing, 0u);
    // About 13,000 names, about 7,400 of them grain.
    EXPECT_NEAR(static_cast<double>(planNameCount(plan)), 13000, 500);
    EXPECT_NEAR(static_cast<double>(plan.at("c://videos//outputN").size()), 7400, 200);
    for (const auto& entry : plan)
        for (int n : entry.second) EXPECT_GE(n, 0) << entry.first << ": negative numbers name no entry";
}

TEST(FramePlan, EverySequenceTheRulesAskForHasAGenerator) {
    for (const auto& entry : collectRequestedFrames()) EXPECT_NE(findSequence(entry.first), nullptr) << entry.first;
}

TEST(Footage, FramesHaveTheirPackSizeAndWidthsAMultipleOfFour) {
    for (const SequenceInfo& seq : sequenceTable()) {
        for (int height : {kTiny, 540}) {
            const cv::Size size = frameSize(seq, height);
            EXPECT_EQ(size.width % 4, 0) << seq.prefix;
            EXPECT_GT(size.height, 0) << seq.prefix;
        }
        const cv::Mat3b img = renderFrame(seq, seq.origin, kTiny);
        EXPECT_EQ(img.size(), frameSize(seq, kTiny)) << seq.prefix;
    }
}

TEST(Footage, SameFrameTwiceIsIdenticalWhateverTheThreads) {
    // Shared caches (tunnel maps, vein networks, noise tiles) filled from several threads at
    // once must not change a single pixel.
    std::vector<const SequenceInfo*> specs;
    for (const SequenceInfo& s : sequenceTable()) specs.push_back(&s);
    std::vector<cv::Mat3b> first(specs.size()), second(specs.size());
#pragma omp parallel for num_threads(4)
    for (int i = 0; i < static_cast<int>(specs.size()); ++i) first[i] = renderFrame(*specs[i], specs[i]->origin + 3, kTiny);
    for (size_t i = 0; i < specs.size(); ++i) {
        second[i] = renderFrame(*specs[i], specs[i]->origin + 3, kTiny);
        EXPECT_TRUE(identical(first[i], second[i])) << specs[i]->prefix;
    }
}

TEST(Footage, ClipsMoveSmoothlyAndCloseTheirLoops) {
    const FramePlan plan = collectRequestedFrames();
    for (const SequenceInfo& seq : sequenceTable()) {
        if (seq.period == 0 || seq.kind == Footage::Grain) continue;
        const std::vector<int> frames = requested(plan, seq);
        ASSERT_FALSE(frames.empty()) << seq.prefix;
        // Smooth motion accumulates: a frame differs less from the next than from the one
        // four frames on. Unrelated pictures in a row would differ equally.
        const int mid = frames[frames.size() / 2];
        const cv::Mat3b here = renderFrame(seq, mid, kTiny);
        const double step = meanDifference(here, renderFrame(seq, mid + 1, kTiny));
        const double further = meanDifference(here, renderFrame(seq, mid + 4, kTiny));
        EXPECT_LT(step, further * 0.8 + 0.2) << seq.prefix << ": frames do not move smoothly";
        // Where the rule wraps (last frame of the loop back to the first) the step is no
        // bigger than an ordinary one.
        const int last = seq.origin + seq.period - 1;
        const double wrap = meanDifference(renderFrame(seq, last, kTiny), renderFrame(seq, seq.origin, kTiny));
        EXPECT_LT(wrap, step * 2.5 + 1.5) << seq.prefix << ": the loop jumps at its wrap (" << wrap << " vs " << step << ")";
    }
}

TEST(Footage, HeldFramesAndSharedGrainAreDrawnOnce) {
    const SequenceInfo* door = findSequence("c://videos//outputdoor");
    ASSERT_NE(door, nullptr);
    EXPECT_EQ(canonicalFrame(*door, 230), 200);  // the scene holds frame 200 open
    EXPECT_TRUE(identical(renderFrame(*door, 230, kTiny), renderFrame(*door, 200, kTiny)));
    EXPECT_GT(meanDifference(renderFrame(*door, 1, kTiny), renderFrame(*door, 200, kTiny)), 5.0) << "the door never opens";

    const SequenceInfo* grain = findSequence("c://videos//outputN");
    ASSERT_NE(grain, nullptr);
    std::set<int> pictures;
    for (int n = 1; n <= 10000; ++n) pictures.insert(canonicalFrame(*grain, n));
    EXPECT_GE(pictures.size(), 100u);
    EXPECT_LE(pictures.size(), 500u);
    EXPECT_FALSE(identical(renderFrame(*grain, 1, kTiny), renderFrame(*grain, 2, kTiny))) << "grain must change every frame";

    const SequenceInfo* fire = findSequence("c://videos//fire");
    ASSERT_NE(fire, nullptr);
    EXPECT_EQ(canonicalFrame(*fire, 0), 80) << "frame 0 comes after frame 1 when the flames run backwards";
}
