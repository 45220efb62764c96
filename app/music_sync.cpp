#include "app/music_sync.h"

#include <cmath>

#include "app/app_state.h"
#include "platform/audio.h"

bool musicNeedsSeek(float partTime, float musicTime) { return std::fabs(partTime - musicTime) > 0.05f; }

uint64_t musicSeekBytes(float partTime) {
    return static_cast<uint64_t>(static_cast<int64_t>(partTime * 192000.0f));
}

void syncMusic(AppState& app, float partTime) {
    if (app.musicChannel == 0) return;  // silent show: nothing to follow the clock
    const int64_t position = platform::music_get_position(app.musicChannel);
    const float musicTime = static_cast<float>(position) / 192000.0f;
    if (musicNeedsSeek(partTime, musicTime)) platform::music_set_position(app.musicChannel, musicSeekBytes(partTime));
}
