// The sound track of a take's capture: the show's music as the live player follows the
// part clock (the clock is the master), worked out sample-exact from the take instead of
// from a sound device's timing.
#pragma once
#include <cstdint>
#include <vector>

#include "take/take.h"

// Short enough to be heard as a cut, long enough not to click.
constexpr int kTakeMusicFade = 240;  // sample frames (5 ms at 48 kHz)

// music: the decoded track, interleaved 16-bit stereo at 48 kHz. Returns `frames` sample
// frames from the take's start. At every frame of the take, as the live player does:
// - the clock stood still (stopped with FORWARD, or held by the A key): the music
//   pauses: it fades out within 5 ms and stays silent;
// - the clock moves again: the music resumes at the clock (fading in);
// - the music is more than 50 ms from the clock (a jump to the cue, a step, another
//   speed): it cuts to the clock, crossfaded over 5 ms; a clock outside the track (before
//   its start, after its end) is not followed and the music plays on where it is;
// - otherwise it plays on untouched, sample for sample.
// So at speed 1 the track is the music itself; at another speed it is sped up with its
// pitch kept, in pieces a frame long (cut every frame at 7x), as heard live.
std::vector<int16_t> takeMusic(const std::vector<int16_t>& music, const Take& take, int64_t frames);

// The same track made a piece at a time, as a capture encodes it: its memory does not grow
// with the take's length (a take may hold the clock for hours).
// A read position in the music with a gain that ramps over kTakeMusicFade samples.
struct TakeMusicVoice {
    bool active = false;
    int64_t at = 0;      // source sample frame read next
    bool rising = true;  // fading in (else out)
    int ramp = kTakeMusicFade;  // samples of the ramp done
};
struct TakeMusicStream {
    const std::vector<int16_t>* music = nullptr;  // both outlive the stream
    const Take* take = nullptr;
    std::vector<double> times;  // takeFrameTimes(*take)
    size_t next = 1;            // the take's frame looked at next
    int64_t sample = 0;         // the track's sample frame made next
    TakeMusicVoice current, fading;
};
void startTakeMusic(TakeMusicStream& stream, const std::vector<int16_t>& music, const Take& take);
// The track's next `frames` sample frames, interleaved stereo, into out.
void nextTakeMusic(TakeMusicStream& stream, int16_t* out, int64_t frames);
