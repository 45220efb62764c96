// Keeping the music with the show: the part clock is the master. Small drifts are
// steered out of the part clock; real jumps move the music to it.
#pragma once
#include <cstdint>
#include <cstdio>

// What the sync did over the run, for the --timing report.
struct MusicSync {
    int32_t seeks = 0;          // hard seeks of the music
    int64_t samples = 0;        // frames compared
    double offsetSum = 0.0;     // sum of |part clock - heard position|, seconds
    double worstOffset = 0.0;   // largest |offset| seen, seconds
};

// True when the music must be moved to the part's time.
bool musicNeedsSeek(float partTime, float musicTime);
// The byte position of a part time: the float product truncated, a negative one passed
// on as the huge unsigned value that the player refuses.
uint64_t musicSeekBytes(float partTime);

struct AppState;
class Part;
// Compares the heard position with the part's time and seeks when needed.
void syncMusic(AppState& app, Part& part);
// "music: N seeks, mean offset X ms, worst Y ms" (or that there was no music).
void printMusicSync(const MusicSync& sync, bool playing, FILE* out);
