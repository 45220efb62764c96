// Keeping the music with the show: the part clock is the master, the music is moved to
// it whenever the two drift apart by more than 50 ms.
#pragma once
#include <cstdint>

// True when the music must be moved to the part's time.
bool musicNeedsSeek(float partTime, float musicTime);
// The byte position of a part time: the float product truncated, a negative one passed
// on as the huge unsigned value that the player refuses.
uint64_t musicSeekBytes(float partTime);

struct AppState;
// Compares the playing position with the part time and seeks when needed.
void syncMusic(AppState& app, float partTime);
