// The score of the show's music: sections that change where the edit's steps start,
// each with its chords and the instruments that play in it.
#pragma once
#include <vector>

namespace vdata {

constexpr int kMusicRate = 48000;       // samples per second and channel
constexpr double kMusicSeconds = 300.0;  // the show ends at 296 s of its clock
constexpr double kBeat = 0.5;            // 120 beats per minute

// Which instruments a section uses (each 0 = silent, else a level or variant).
struct SectionStyle {
    float pad;      // sustained chords
    float drone;    // low root note and noise wind
    float arp;      // sixteenth-note arpeggio
    int kick;       // 0 none, 1 half time, 2 four on the floor
    float hats;     // closed hats on eighths, open on off-beats
    float snare;    // back beat
    float bass;     // eighth-note bass line
    float lead;     // a melody over the chords
    int chords;     // progression index
    float bright;   // filter opening 0..1
    bool riser;     // a noise swell into the next section
};

struct MusicSection {
    double start;  // seconds of the show's clock
    double end;
    SectionStyle style;
};

// The clock times at which the edit's build steps 2..26 start, read from the edit the
// show itself builds (it uses the runtime random generator: call it before any other
// thread runs).
std::vector<double> editStepStarts();

// One section per build step, in order: the first starts at 0, the last ends at
// kMusicSeconds. Fewer or unordered starts are tolerated (sections are dropped).
std::vector<MusicSection> musicSections(const std::vector<double>& stepStarts);

// Interleaved stereo samples (left, right) of the whole piece, peaks at -3 dBFS, so the
// encoded file stays below -1 dBFS after the codec's ringing.
std::vector<float> synthesiseMusic(const std::vector<MusicSection>& sections);

}  // namespace vdata
