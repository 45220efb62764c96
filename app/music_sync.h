// Keeping the music with the show: the part clock is the master. While the clock runs at
// speed 1 and within 50 ms of the music, it is steered gently toward it (the device and
// the system clock drift apart by a percent or two); real jumps move the music instead.
#pragma once
#include <cstdint>
#include <string>

struct MusicSync {
    float rateTrim = 0.0f;      // learnt rate difference between the device and the tick clock
    int32_t seeks = 0;          // hard seeks of the music
    int64_t samples = 0;        // frames compared
    double offsetSum = 0.0;     // sum of |part clock - heard position|, seconds
    double worstOffset = 0.0;   // largest |offset| seen, seconds
    bool paused = false;        // the part clock stood still, and so does the music
    int64_t pausedAt = 0;       // the heard position when it paused, bytes
};

// True when the music must be moved to the part's time.
bool musicNeedsSeek(float partTime, float musicTime);
// The byte position of a part time: the float product truncated, a negative one passed
// on as the huge unsigned value that the player refuses.
uint64_t musicSeekBytes(float partTime);

// One frame's comparison. advance is what the part clock moved this frame and dt the
// frame's duration; offset = part time - heard time. Records the offset and returns the
// correction to add to the part clock (0 unless the clock ran at speed 1 within 50 ms);
// sets seek when the music must jump to the part clock instead.
float steerPartClock(MusicSync& sync, float offset, float advance, float dt, bool& seek);

struct AppState;
class Part;
// Compares the heard position with the part's time: steers the part clock or seeks.
// advance is what the part's update moved its clock this frame; a clock that did not move
// pauses the music until it moves again. A replay steers its schedule, not the clock.
void syncMusic(AppState& app, Part& part, float advance);
// For the --timing report: "N seeks, mean offset X ms, worst Y ms", or that no music played.
std::string musicSyncReport(const MusicSync& sync, bool playing);
