// What particular clips must look like for the scene that shows them: the fire stands
// upright through the scene's unflipped quad, the door opens onto light, the sagittal
// head stays inside the window its scene crops, the grain sits on mid-grey.
#include <gtest/gtest.h>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <set>
#include <stdexcept>

#include "tools/velmora_data/footage.h"
#include "tools/velmora_data/frame_plan.h"

using namespace vdata;

namespace {

constexpr int kHeight = 180;

const SequenceInfo& seq(const char* prefix) {
    const SequenceInfo* s = findSequence(prefix);
    if (!s) throw std::runtime_error(std::string("no sequence ") + prefix);
    return *s;
}

double meanLevel(const cv::Mat3b& img, cv::Rect r) {
    const cv::Scalar m = cv::mean(img(r & cv::Rect(0, 0, img.cols, img.rows)));
    return (m[0] + m[1] + m[2]) / 3.0;
}

// Bounding box of the pixels brighter than a threshold.
cv::Rect brightBox(const cv::Mat3b& img, int threshold) {
    cv::Mat grey, mask;
    cv::cvtColor(img, grey, cv::COLOR_BGR2GRAY);
    cv::threshold(grey, mask, threshold, 255, cv::THRESH_BINARY);
    return cv::boundingRect(mask);
}

}  // namespace

TEST(FootageLook, FlamesAreStoredUpsideDownForTheirUnflippedScene) {
    const SequenceInfo& fire = seq("c://videos//fire");
    for (int n : {1, 30, 61}) {
        const cv::Mat3b img = renderFrame(fire, n, kHeight);
        const int third = img.rows / 3;
        EXPECT_GT(meanLevel(img, {0, 0, img.cols, third}), 2 * meanLevel(img, {0, 2 * third, img.cols, third}))
            << "frame " << n << ": the flames' base must be in the first rows";
    }
}

TEST(FootageLook, DoorOpensOntoLightAndIsClosedAtTheLoopsEnds) {
    const SequenceInfo& door = seq("c://videos//outputdoor");
    const cv::Mat3b closed = renderFrame(door, 1, kHeight), open = renderFrame(door, 200, kHeight),
                    last = renderFrame(door, 299, kHeight);
    // The doorway sits in the middle of the picture.
    const cv::Rect doorway(closed.cols * 45 / 100, closed.rows * 30 / 100, closed.cols * 15 / 100, closed.rows * 40 / 100);
    EXPECT_LT(meanLevel(closed, doorway), 90);
    EXPECT_GT(meanLevel(open, doorway), 180);
    EXPECT_LT(meanLevel(last, doorway), 90) << "the loop must end closed, as it starts";
}

TEST(FootageLook, SagittalHeadStaysInsideTheWindowItsSceneShows) {
    // The scene maps texture x 0.31..0.73, y 0.05..0.8 to the screen.
    const SequenceInfo& mri = seq("c://videos//2//outputMRI1");
    for (int n : {75, 105, 135, 165, 195}) {
        cv::Mat3b img = renderFrame(mri, n, 540);
        // Annotations are drawn in the top rows; look below them.
        img(cv::Rect(0, 0, img.cols, img.rows / 10)).setTo(cv::Vec3b(0, 0, 0));
        const cv::Rect head = brightBox(img, 60);
        ASSERT_GT(head.area(), 0) << "frame " << n << " shows no head";
        EXPECT_GE(head.x, 0.31 * img.cols) << "frame " << n;
        EXPECT_LE(head.x + head.width, 0.73 * img.cols) << "frame " << n;
        EXPECT_LE(head.y + head.height, 0.8 * img.rows) << "frame " << n;
        EXPECT_GT(head.height, 0.4 * img.rows) << "frame " << n << ": the head should fill most of the window";
    }
}

TEST(FootageLook, AxialSweepStartsAboveTheHeadAndShowsTheBrainHalfWay) {
    const SequenceInfo& mri = seq("c://videos//outputMRI");
    auto headPixels = [&](int n) {
        cv::Mat3b img = renderFrame(mri, n, kHeight);
        img(cv::Rect(0, 0, img.cols, img.rows / 8)).setTo(cv::Vec3b(0, 0, 0));  // annotations
        cv::Mat grey;
        cv::cvtColor(img, grey, cv::COLOR_BGR2GRAY);
        return cv::countNonZero(grey > 60);
    };
    const int top = headPixels(1), middle = headPixels(100);
    EXPECT_LT(top * 10, middle) << "the first slice lies at the crown";
    EXPECT_GT(middle, kHeight * kHeight / 8) << "half way down the slice crosses the whole head";
    EXPECT_EQ(canonicalFrame(mri, 210), 1) << "past the sweep the slice rests where it started";
}

TEST(FootageLook, GrainSitsOnMidGreyWithVisibleGrain) {
    const SequenceInfo& grain = seq("c://videos//outputN");
    for (int n : {1, 12, 77, 200}) {
        const cv::Mat3b img = renderFrame(grain, n, kHeight);
        cv::Scalar mean, deviation;
        cv::meanStdDev(img, mean, deviation);
        EXPECT_NEAR(mean[0], 128, 10) << "frame " << n;
        EXPECT_GT(deviation[0], 10) << "frame " << n;
        EXPECT_LT(deviation[0], 45) << "frame " << n;
        EXPECT_EQ(mean[0], mean[2]) << "grain is grey";
    }
}

TEST(FootageLook, SmokeColouringsDiffer) {
    const cv::Scalar cold = cv::mean(renderFrame(seq("c://videos//output6"), 100, kHeight));
    const cv::Scalar warm = cv::mean(renderFrame(seq("c://videos//output2"), 100, kHeight));
    const cv::Scalar red = cv::mean(renderFrame(seq("c://videos//output0"), 100, kHeight));
    EXPECT_GT(cold[0], cold[2]) << "output6 is blue-grey";
    EXPECT_GT(warm[2], warm[0]) << "output2 is amber";
    EXPECT_GT(red[2], 2 * red[0]) << "output0 is crimson";
}

TEST(FramePlanShape, SequencesCoverTheFramesTheirRulesStepThrough) {
    const FramePlan plan = collectRequestedFrames();
    const std::set<int>& road = plan.at("c://videos//road");
    EXPECT_EQ(*road.begin(), 343);
    EXPECT_EQ(*road.rbegin(), 593);
    EXPECT_EQ(road.size(), 251u);
    // vark8's modulus is even: doubled frame counts only ever land on odd frames.
    for (int n : plan.at("c://videos//vark8")) EXPECT_EQ(n % 2, 1) << n;
    // The second film only uses odd frames too, all of them across its wrap.
    const std::set<int>& film = plan.at("d://video2//video");
    EXPECT_EQ(film.size(), 960u);
    EXPECT_TRUE(film.count(1) && film.count(2399)) << "the rule wraps inside the scene";
    EXPECT_EQ(plan.at("c://videos//fog"), std::set<int>{0});
}
