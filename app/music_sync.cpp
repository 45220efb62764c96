// The music follows the part clock: compare, count, seek.
#include "app/music_sync.h"

#include <algorithm>
#include <cmath>

#include "app/app_state.h"
#include "app/part.h"
#include "platform/audio.h"

bool musicNeedsSeek(float partTime, float musicTime) { return std::fabs(partTime - musicTime) > 0.05f; }

uint64_t musicSeekBytes(float partTime) {
    return static_cast<uint64_t>(static_cast<int64_t>(partTime * 192000.0f));
}

void syncMusic(AppState& app, Part& part) {
    part.syncOffset = 0.0f;
    if (app.musicChannel == 0) return;  // silent show: nothing to follow the clock
    const float partTime = part.syncOffset + part.clock;
    const int64_t position = platform::music_get_position(app.musicChannel);
    const float musicTime = static_cast<float>(position) / 192000.0f;
    MusicSync& s = app.musicSync;
    const double offset = std::fabs(static_cast<double>(partTime) - musicTime);
    s.samples += 1;
    s.offsetSum += offset;
    s.worstOffset = std::max(s.worstOffset, offset);
    if (musicNeedsSeek(partTime, musicTime)) {
        platform::music_set_position(app.musicChannel, musicSeekBytes(partTime));
        s.seeks += 1;
    }
}

void printMusicSync(const MusicSync& s, bool playing, FILE* out) {
    if (!playing) {
        fprintf(out, "music: none played; the show ran on its own clock\n");
        return;
    }
    const double mean = s.samples ? s.offsetSum / s.samples : 0.0;
    fprintf(out, "music: %d seeks, mean offset %.1f ms, worst %.1f ms\n", s.seeks, mean * 1000.0, s.worstOffset * 1000.0);
}
