#include <gtest/gtest.h>

#include <memory>
#include <set>

#include "clips/frame_forecast.h"
#include "clips/frame_rules.h"
#include "clips/timeline.h"

namespace {

std::string name(const FrameRequest& r) { return formatFrameName(r.prefix, r.number); }

const FrameRequest* slot(const SceneFrames& f, int s) {
    for (int i = 0; i < f.size; ++i)
        if (f.requests[i].slot == s && f.requests[i].load) return &f.requests[i];
    return nullptr;
}

}  // namespace

TEST(FrameNames, FiveDigitsThenTheSuffixWithoutTruncation) {
    EXPECT_EQ(formatFrameName("c://videos//outputN", 12), "c://videos//outputN00012_n.jpg");
    EXPECT_EQ(formatFrameName("c://videos//fog", 7), "c://videos//fog00007_n.jpg");
    EXPECT_EQ(formatFrameName("c://videos//clock", 123456), "c://videos//clock123456_n.jpg");
    EXPECT_EQ(formatFrameName("c://videos//fire", -3), "c://videos//fire-0003_n.jpg");
}

TEST(Dispatch, RangesAreHalfOpen) {
    EXPECT_EQ(sceneForPosition(0.0f), 0);
    EXPECT_EQ(sceneForPosition(9.999f), 0);
    EXPECT_EQ(sceneForPosition(10.0f), 10);
    EXPECT_EQ(sceneForPosition(149.9f), 130);
    EXPECT_EQ(sceneForPosition(219.0f), 190);
    EXPECT_EQ(sceneForPosition(509.999f), 500);
    EXPECT_EQ(sceneForPosition(510.0f), -1);
    EXPECT_EQ(sceneForPosition(-0.001f), -1);
}

TEST(FrameRules, Scene0GrainHoldsFrame12EarlyOn) {
    // x < 2 with int(12x) % 4 == 0 holds grain frame 12 (stored as 13 after "+ 1").
    EXPECT_EQ(slot(sceneFrameRequests(0, 0.05f, 0), kSlotNoise)->number, 13);
    EXPECT_EQ(slot(sceneFrameRequests(0, 0.1f, 0), kSlotNoise)->number, int(0.1f * 25 + 3560) % 10000 + 1);
    EXPECT_EQ(slot(sceneFrameRequests(0, 3.0f, 0), kSlotNoise)->number, int(3.0f * 25 + 354) + 1);
    EXPECT_EQ(slot(sceneFrameRequests(0, 8.0f, 0), kSlotNoise)->number, int(8.0f * 25 - 165) + 1);
    EXPECT_EQ(name(*slot(sceneFrameRequests(0, 1.0f, 0), kSlotVideo)), "c://dicom//img-0002-00008_n.jpg");
}

TEST(FrameRules, Scene330SwitchesToTheLongVideoAt340) {
    const SceneFrames before = sceneFrameRequests(330, 339.99f, 0);
    const SceneFrames at = sceneFrameRequests(330, 340.0f, 0);
    EXPECT_STREQ(slot(before, kSlotVideo)->prefix, "c://videos//orn2");  // int(339.99) is odd
    EXPECT_STREQ(slot(sceneFrameRequests(330, 338.5f, 0), kSlotVideo)->prefix, "c://videos//orn1");
    EXPECT_STREQ(slot(at, kSlotVideo)->prefix, "d://video2//video");
    EXPECT_EQ(slot(at, kSlotVideo)->number, (340 * 24 % 1200) * 2 + 1);
    EXPECT_EQ(slot(at, kSlotNoise)->number, 1);
}

TEST(FrameRules, Scene380PicksTheSequenceByOpenDecade) {
    EXPECT_STREQ(slot(sceneFrameRequests(380, 385.0f, 300), kSlotVideo)->prefix, "c://videos//vark1");
    EXPECT_STREQ(slot(sceneFrameRequests(380, 405.0f, 300), kSlotVideo)->prefix, "c://videos//vark3");
    EXPECT_STREQ(slot(sceneFrameRequests(380, 455.0f, 300), kSlotVideo)->prefix, "c://videos//vark8");
    // On a boundary, and past 470, vark1 with modulus 250 stays.
    const SceneFrames edge = sceneFrameRequests(380, 400.0f, 300);
    EXPECT_STREQ(slot(edge, kSlotVideo)->prefix, "c://videos//vark1");
    EXPECT_EQ(slot(edge, kSlotVideo)->number, 400 * 24 * 2 % 250 + 1);
    EXPECT_EQ(slot(sceneFrameRequests(380, 455.0f, 300), kSlotVideo)->number, 455 * 24 * 2 % 314 + 1);
    // The second sequence, and the dicom name requested without loading.
    const SceneFrames f = sceneFrameRequests(380, 385.0f, 300);
    EXPECT_STREQ(slot(f, kSlotVideo2)->prefix, "c://videos//vark1");
    EXPECT_STREQ(f.requests[f.size - 1].prefix, "c://dicom//img-0002-");
    EXPECT_FALSE(f.requests[f.size - 1].load);
}

TEST(FrameRules, Scene380GrainDependsOnThePartClock) {
    EXPECT_EQ(slot(sceneFrameRequests(380, 385.0f, 239.9f), kSlotNoise)->number, 1);
    EXPECT_EQ(slot(sceneFrameRequests(380, 385.0f, 240.0f), kSlotNoise)->number, int((385.0f - 250) * 25 + 6000) + 1);
}

TEST(FrameRules, NameOnlyScenesKeepTheirPicture) {
    EXPECT_EQ(slot(sceneFrameRequests(130, 135.0f, 0), kSlotVideo), nullptr);
    EXPECT_EQ(slot(sceneFrameRequests(300, 305.0f, 0), kSlotVideo), nullptr);
    EXPECT_EQ(sceneFrameRequests(300, 305.0f, 0).size, 2);  // still named: the end test runs
}

TEST(FrameRules, FireSceneCountsDownAndStoresItsCounter) {
    const SceneFrames f = sceneFrameRequests(70, 70.0f, 0);
    EXPECT_TRUE(f.setsCount);
    EXPECT_EQ(f.count, 143);
    EXPECT_EQ(slot(f, kSlotVideo)->number, 143 % 80 + 1);
    const SceneFrames late = sceneFrameRequests(70, 79.9f, 0);
    EXPECT_LT(late.count, 0);  // past the counter's end the names run negative and name nothing
    EXPECT_LE(slot(late, kSlotVideo)->number, 0);
}

TEST(FrameRules, SecondSequenceOnlyWhereTwoPicturesAreShown) {
    for (int scene : kSceneStarts) {
        const float x = scene + 5.5f;
        const bool hasSecond = slot(sceneFrameRequests(scene, x, 0), kSlotVideo2) != nullptr;
        EXPECT_EQ(hasSecond, scene == 170 || scene == 380) << scene;
        EXPECT_NE(slot(sceneFrameRequests(scene, x, 0), kSlotNoise), nullptr) << scene;
    }
    EXPECT_EQ(sceneFrameRequests(-1, 600.0f, 0).size, 0);
}

TEST(FrameRules, Scene220HoldsTheOpenDoorAfter230) {
    EXPECT_EQ(slot(sceneFrameRequests(220, 230.5f, 0), kSlotVideo)->number, 200);
    EXPECT_EQ(slot(sceneFrameRequests(220, 225.0f, 0), kSlotVideo)->number, int(225.0f * 24 + 101.7) % 299 + 1);
}

// The forecast of the pictures ahead, on the show's own edit.
class Forecast : public ::testing::Test {
protected:
    static std::unique_ptr<Timeline> edit, remap;
    static void SetUpTestSuite() {
        edit = std::make_unique<Timeline>();
        remap = std::make_unique<Timeline>();
        buildEdit(*edit);
        buildRemap(*remap);
    }
    // The names the frame that looks up clock t loads.
    static std::set<std::string> asked(float t) {
        const float x = remap->value_at(edit->value_at(t));
        const SceneFrames f = sceneFrameRequests(sceneForPosition(x), x, t);
        std::set<std::string> names;
        for (int i = 0; i < f.size; ++i)
            if (f.requests[i].load) names.insert(name(f.requests[i]));
        return names;
    }
};
std::unique_ptr<Timeline> Forecast::edit, Forecast::remap;

TEST_F(Forecast, EveryPictureOfTheNextFramesIsForeseen) {
    FrameForecast forecast;
    float t = 40.0f;  // through cuts and stutters of the edit
    forecast.advance(*edit, *remap, t, 0.06f);
    const std::vector<std::string>& names = forecast.names();
    const std::set<std::string> foreseen(names.begin(), names.end());
    for (const std::string& n : asked(t)) EXPECT_EQ(foreseen.count(n), 1u) << n;
    // Frames of uneven length over the half second ahead.
    const float lengths[] = {0.03f, 0.07f, 0.05f, 0.09f, 0.02f};
    for (int k = 0; t + lengths[k % 5] < 40.0f + FrameForecast::kAheadSeconds; ++k) {
        t += lengths[k % 5];
        for (const std::string& n : asked(t)) EXPECT_EQ(foreseen.count(n), 1u) << n << " at " << t;
    }
}

TEST_F(Forecast, AJumpOrANewSpeedStartsAfreshFromTheNewPosition) {
    FrameForecast forecast;
    forecast.advance(*edit, *remap, 100.0f, 0.02f);
    EXPECT_FALSE(forecast.advance(*edit, *remap, 100.0f, 0.0f)) << "nothing moved";
    forecast.advance(*edit, *remap, 100.02f, 0.02f);
    EXPECT_EQ(forecast.restarts(), 1);
    forecast.advance(*edit, *remap, 12.5f, 0.02f);  // a cue
    EXPECT_EQ(forecast.restarts(), 2);
    EXPECT_EQ(asked(12.5f).count(forecast.names().front()), 1u) << "the cue's own pictures come first";
    forecast.advance(*edit, *remap, 12.5f + 0.02f * 7, 0.02f);  // the speed knob at its far end
    EXPECT_EQ(forecast.restarts(), 3);
}
