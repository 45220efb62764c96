#include "take/take_music.h"

#include <algorithm>
#include <cmath>

#include "platform/audio.h"

namespace {

using platform::kMusicRate;

// A read position in the music with a gain that ramps over kTakeMusicFade samples:
// rising for a voice that starts, falling for one that ends (equal power, so a crossfade
// between two unrelated passages neither dips nor swells).
struct Voice {
    bool active = false;
    int64_t at = 0;      // source sample frame read next
    bool rising = true;
    int ramp = kTakeMusicFade;  // samples of the ramp done

    float gain() const {
        if (ramp >= kTakeMusicFade) return rising ? 1.0f : 0.0f;
        const float x = static_cast<float>(ramp) / kTakeMusicFade * 1.5707963f;
        return rising ? std::sin(x) : std::cos(x);
    }
};

}  // namespace

std::vector<int16_t> takeMusic(const std::vector<int16_t>& music, const Take& take, int64_t frames) {
    std::vector<int16_t> out(static_cast<size_t>(std::max<int64_t>(frames, 0)) * 2, 0);
    if (take.frames.empty() || music.empty()) return out;
    const int64_t length = static_cast<int64_t>(music.size() / 2);
    const auto inside = [&](int64_t at) { return at >= 0 && at < length; };
    const auto sampleOf = [](float clock) { return std::llround(static_cast<double>(clock) * kMusicRate); };
    const std::vector<double> times = takeFrameTimes(take);
    const int64_t tolerance = kMusicRate / 20;  // the live player's 50 ms

    Voice current, fading;
    current.active = true;  // the music starts with the first frame, where the clock is
    current.at = inside(sampleOf(take.frames[0].clock)) ? sampleOf(take.frames[0].clock) : 0;
    size_t next = 1;
    for (int64_t s = 0; s < frames; ++s) {
        // The player's look at the clock, once a frame, at the frame's moment.
        while (next < take.frames.size() && std::llround(times[next] * kMusicRate) <= s) {
            const float clock = take.frames[next].clock;
            const int64_t target = sampleOf(clock);
            const bool stopped = clock == take.frames[next - 1].clock;
            ++next;
            if (stopped) {
                if (current.active) fading = current, fading.rising = false, fading.ramp = 0, current.active = false;
                continue;
            }
            if (!current.active) {
                // Resumes at the clock, or where it paused when the clock is outside the track.
                current.active = true;
                current.rising = true;
                current.ramp = 0;
                current.at = inside(target) ? target : fading.at;
                continue;
            }
            if (std::llabs(current.at - target) > tolerance && inside(target)) {
                fading = current;
                fading.rising = false;
                fading.ramp = 0;
                current.at = target;
                current.ramp = 0;
                current.rising = true;
            }
        }
        float mix[2] = {0.0f, 0.0f};
        bool exact = true;  // one voice at full gain: the music's own samples
        for (Voice* v : {&current, &fading}) {
            if (!v->active) continue;
            const float g = v->gain();
            if (v == &fading || g != 1.0f) exact = false;
            if (inside(v->at))
                for (int c = 0; c < 2; ++c) mix[c] += g * music[static_cast<size_t>(v->at) * 2 + c];
            v->at += 1;
            if (v->ramp < kTakeMusicFade) v->ramp += 1;
        }
        if (fading.active && fading.ramp >= kTakeMusicFade) fading.active = false;
        for (int c = 0; c < 2; ++c) {
            const float v = exact ? mix[c] : std::clamp(std::nearbyint(mix[c]), -32768.0f, 32767.0f);
            out[static_cast<size_t>(s) * 2 + c] = static_cast<int16_t>(v);
        }
    }
    return out;
}
