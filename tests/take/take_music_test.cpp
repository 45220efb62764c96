// A take's sound track follows the part clock as the live player does: the music itself
// at speed 1, silence while stopped, a cut on a jump, frame-long pieces at speed.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "take/take_music.h"

namespace {

constexpr int kRate = 48000;

// Twenty seconds whose every sample frame says where it comes from.
std::vector<int16_t> music() {
    std::vector<int16_t> m(20 * kRate * 2);
    for (size_t i = 0; i < m.size(); ++i) m[i] = static_cast<int16_t>((i / 2 * 7919) % 30011 - 15000 + (i & 1));
    return m;
}

// A take of 60 fps frames whose clock moves by step(k) seconds in frame k.
template <class Step>
Take take(int frames, Step step) {
    Take t;
    float clock = 0.0f;
    for (int k = 0; k < frames; ++k) {
        t.frames.push_back(TakeFrame{1.0f / 60, clock, 0, 0});
        clock = step(k, clock);
    }
    return t;
}

int64_t at(double seconds) { return static_cast<int64_t>(seconds * kRate) * 2; }

}  // namespace

TEST(TakeMusic, AtSpeedOneTheTrackIsTheMusicSampleForSample) {
    const std::vector<int16_t> m = music();
    const std::vector<int16_t> out = takeMusic(m, take(600, [](int, float c) { return c + 1.0f / 60; }), 10 * kRate);
    EXPECT_TRUE(std::equal(out.begin(), out.end(), m.begin()));
}

TEST(TakeMusic, StoppedIsSilenceAJumpIsACutAndBeforeTheTrackItPlaysOn) {
    const std::vector<int16_t> m = music();
    // One second on, half a second stopped, a jump to the cue at 10 s, on for a second,
    // then back to -100 s (the A key) and on from there.
    const Take t = take(240, [](int k, float c) {
        return k == 89 ? 10.0f : k == 149 ? -100.0f : (k >= 60 && k < 89) ? c : c + 1.0f / 60;
    });
    const std::vector<int16_t> out = takeMusic(m, t, 4 * kRate);
    const auto same = [&](double when, double where) {
        return std::equal(out.begin() + at(when), out.begin() + at(when) + 2000, m.begin() + at(where));
    };
    EXPECT_TRUE(same(0.5, 0.5));
    EXPECT_TRUE(std::all_of(out.begin() + at(1.1), out.begin() + at(1.45), [](int16_t v) { return v == 0; }));
    EXPECT_TRUE(same(1.6, 10.0 + 1.6 - 1.5)) << "on from the cue";
    // -100 s is outside the music: the player refuses the seek and plays on where it is.
    EXPECT_TRUE(same(2.6, 10.0 + 2.6 - 1.5));
}

TEST(TakeMusic, AtSevenTimesEachFramePlaysFromWhereTheClockIs) {
    const std::vector<int16_t> m = music();
    const Take t = take(120, [](int, float c) { return c + 7.0f / 60; });
    const std::vector<int16_t> out = takeMusic(m, t, 2 * kRate);
    for (int k : {10, 50, 100}) {
        const int64_t from = static_cast<int64_t>(k * kRate / 60) + kTakeMusicFade;  // after the cut's fade
        const int64_t source = std::llround(static_cast<double>(t.frames[k].clock) * kRate) + kTakeMusicFade;
        EXPECT_TRUE(std::equal(out.begin() + from * 2, out.begin() + from * 2 + 200, m.begin() + source * 2)) << k;
    }
}
