#include "take/take_music.h"

#include <algorithm>
#include <cmath>

#include "platform/audio.h"

namespace {

using platform::kMusicRate;

// A voice's gain: rising for a voice that starts, falling for one that ends (equal power,
// so a crossfade between two unrelated passages neither dips nor swells).
float gainOf(const TakeMusicVoice& v) {
    if (v.ramp >= kTakeMusicFade) return v.rising ? 1.0f : 0.0f;
    const float x = static_cast<float>(v.ramp) / kTakeMusicFade * 1.5707963f;
    return v.rising ? std::sin(x) : std::cos(x);
}

int64_t sampleOf(float clock) { return std::llround(static_cast<double>(clock) * kMusicRate); }

}  // namespace

void startTakeMusic(TakeMusicStream& stream, const std::vector<int16_t>& music, const Take& take) {
    stream = TakeMusicStream{};
    stream.music = &music;
    stream.take = &take;
    if (take.frames.empty() || music.empty()) return;
    stream.times = takeFrameTimes(take);
    const int64_t length = static_cast<int64_t>(music.size() / 2);
    const int64_t first = sampleOf(take.frames[0].clock);
    stream.current.active = true;  // the music starts with the first frame, where the clock is
    stream.current.at = first >= 0 && first < length ? first : 0;
}

void nextTakeMusic(TakeMusicStream& stream, int16_t* out, int64_t frames) {
    const std::vector<int16_t>& music = *stream.music;
    const Take& take = *stream.take;
    if (take.frames.empty() || music.empty()) {
        std::fill(out, out + std::max<int64_t>(frames, 0) * 2, int16_t{0});
        return;
    }
    const int64_t length = static_cast<int64_t>(music.size() / 2);
    const auto inside = [&](int64_t at) { return at >= 0 && at < length; };
    const int64_t tolerance = kMusicRate / 20;  // the live player's 50 ms
    TakeMusicVoice& current = stream.current;
    TakeMusicVoice& fading = stream.fading;
    size_t& next = stream.next;
    for (int64_t i = 0; i < frames; ++i) {
        const int64_t s = stream.sample++;
        // The player's look at the clock, once a frame, at the frame's moment.
        while (next < take.frames.size() && std::llround(stream.times[next] * kMusicRate) <= s) {
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
        for (TakeMusicVoice* v : {&current, &fading}) {
            if (!v->active) continue;
            const float g = gainOf(*v);
            if (v == &fading || g != 1.0f) exact = false;
            if (inside(v->at))
                for (int c = 0; c < 2; ++c) mix[c] += g * music[static_cast<size_t>(v->at) * 2 + c];
            v->at += 1;
            if (v->ramp < kTakeMusicFade) v->ramp += 1;
        }
        if (fading.active && fading.ramp >= kTakeMusicFade) fading.active = false;
        for (int c = 0; c < 2; ++c) {
            const float v = exact ? mix[c] : std::clamp(std::nearbyint(mix[c]), -32768.0f, 32767.0f);
            out[i * 2 + c] = static_cast<int16_t>(v);
        }
    }
}

std::vector<int16_t> takeMusic(const std::vector<int16_t>& music, const Take& take, int64_t frames) {
    std::vector<int16_t> out(static_cast<size_t>(std::max<int64_t>(frames, 0)) * 2, 0);
    TakeMusicStream stream;
    startTakeMusic(stream, music, take);
    nextTakeMusic(stream, out.data(), static_cast<int64_t>(out.size() / 2));
    return out;
}
