// The music follows the part clock: steer out small drifts, seek on real jumps.
#include "app/music_sync.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "app/app_state.h"
#include "app/input_source.h"
#include "app/part.h"
#include "platform/audio.h"
#include "platform/tick_clock.h"

namespace {

// A proportional-integral loop on the offset: the proportional part halves an offset in
// about a third of a second, the integral learns a steady drift (the dummy device runs
// 1.6 % fast, and slows by 5 % for a while when its thread starves) so that it leaves no
// standing offset. The correction stays within 10 % of the frame's duration: motion a
// tenth faster or slower for a moment is not something anyone sees.
constexpr float kSettleSeconds = 0.5f;
constexpr float kLearnRate = 1.0f;
constexpr float kMaxTrim = 0.05f;
constexpr float kMaxCorrection = 0.1f;

// The clock ran at speed 1: no speed knob, no TRACK or BACK buttons, no stop, no A key.
// The tolerance covers float rounding of a clock near 300 s.
bool atSpeedOne(float advance, float dt) { return dt > 0.0f && std::fabs(advance - dt) <= 1e-4f + 1e-3f * dt; }

}  // namespace

bool musicNeedsSeek(float partTime, float musicTime) { return std::fabs(partTime - musicTime) > 0.05f; }

uint64_t musicSeekBytes(float partTime) {
    return static_cast<uint64_t>(static_cast<int64_t>(partTime * 192000.0f));
}

float steerPartClock(MusicSync& s, float offset, float advance, float dt, bool& seek) {
    const double size = std::fabs(static_cast<double>(offset));
    s.samples += 1;
    s.offsetSum += size;
    s.worstOffset = std::max(s.worstOffset, size);
    seek = size > 0.05;
    if (seek || !atSpeedOne(advance, dt)) return 0.0f;
    s.rateTrim = std::clamp(s.rateTrim - offset * kLearnRate * dt, -kMaxTrim, kMaxTrim);
    const float correction = (s.rateTrim - offset / kSettleSeconds) * dt;
    return std::clamp(correction, -kMaxCorrection * dt, kMaxCorrection * dt);
}

void syncMusic(AppState& app, Part& part, float advance) {
    part.syncOffset = 0.0f;
    if (app.musicChannel == 0) return;  // silent show: nothing to follow the clock
    const float partTime = part.syncOffset + part.clock;
    MusicSync& sync = app.musicSync;
    // A stopped clock (FORWARD, or the A key held) is silence, not the 50 ms before the
    // stop over and over as the music ran ahead and was moved back.
    if (advance == 0.0f) {
        if (!sync.paused) {
            sync.pausedAt = platform::music_get_position(app.musicChannel, app.lastTicks);
            platform::music_pause(app.musicChannel, true);
            sync.paused = true;
        }
        return;
    }
    if (sync.paused) {
        // On from the clock; a clock outside the track is refused, and it goes on where it stood.
        if (!platform::music_set_position(app.musicChannel, musicSeekBytes(partTime), app.lastTicks))
            platform::music_set_position(app.musicChannel, static_cast<uint64_t>(sync.pausedAt), app.lastTicks);
        platform::music_pause(app.musicChannel, false);
        sync.paused = false;
        return;
    }
    // The part clock stands for the moment this frame's duration was measured; compare it
    // with what was heard at that same moment, not with how far the audio got meanwhile.
    const int64_t position = platform::music_get_position(app.musicChannel, app.lastTicks);
    const float musicTime = static_cast<float>(position) / 192000.0f;
    bool seek = false;
    const float correction = steerPartClock(sync, partTime - musicTime, advance, app.dt, seek);
    // A replay's clock is the take's: the take moves its schedule instead.
    if (!app.inputSource || !app.inputSource->steerMusic(correction)) part.clock += correction;
    if (!seek) return;
    if (platform::music_set_position(app.musicChannel, musicSeekBytes(partTime), app.lastTicks))
        app.musicSync.seeks += 1;
}

std::string musicSyncReport(const MusicSync& s, bool playing) {
    if (!playing) return "none played; the show ran on its own clock";
    const double mean = s.samples ? s.offsetSum / s.samples : 0.0;
    char text[96];
    snprintf(text, sizeof text, "%d seeks, mean offset %.1f ms, worst %.1f ms", s.seeks, mean * 1000.0,
             s.worstOffset * 1000.0);
    return text;
}
