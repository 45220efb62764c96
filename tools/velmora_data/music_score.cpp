// The arrangement: which instruments play in each section of the edit. The show builds
// up from a quiet opening to a full groove, breaks down and builds again, and ends with
// the pads alone while the last cut stutters.
#include "tools/velmora_data/music_score.h"

#include <cmath>

#include "clips/timeline.h"

namespace vdata {

namespace {

// Styles per build step 2..26, in order. Step 19 lasts a tenth of a second: an accent.
//                    pad   drone arp  kick hats snare bass lead chords bright riser
const SectionStyle kStyles[] = {
    /* 2  */ {0.8f, 0.7f, 0.0f, 0, 0.0f, 0.0f, 0.0f, 0.0f, 0, 0.25f, true},
    /* 3  */ {0.8f, 0.5f, 0.6f, 0, 0.0f, 0.0f, 0.0f, 0.0f, 0, 0.35f, false},
    /* 4  */ {0.7f, 0.3f, 0.6f, 2, 0.0f, 0.0f, 0.6f, 0.0f, 0, 0.4f, false},
    /* 5  */ {0.6f, 0.0f, 0.6f, 2, 0.6f, 0.7f, 0.7f, 0.0f, 1, 0.55f, false},
    /* 6  */ {0.6f, 0.0f, 0.5f, 2, 0.6f, 0.7f, 0.7f, 0.6f, 1, 0.6f, false},
    /* 7  */ {0.9f, 0.5f, 0.6f, 0, 0.0f, 0.0f, 0.0f, 0.0f, 2, 0.3f, true},
    /* 8  */ {0.0f, 0.3f, 0.0f, 2, 0.6f, 0.0f, 0.8f, 0.0f, 2, 0.45f, false},
    /* 9  */ {0.6f, 0.0f, 0.5f, 2, 0.7f, 0.8f, 0.8f, 0.6f, 0, 0.65f, true},
    /* 10 */ {0.8f, 0.6f, 0.6f, 1, 0.4f, 0.0f, 0.0f, 0.0f, 3, 0.3f, false},
    /* 11 */ {0.5f, 0.0f, 0.6f, 2, 0.5f, 0.0f, 0.7f, 0.0f, 3, 0.5f, true},
    /* 12 */ {0.6f, 0.0f, 0.6f, 2, 0.8f, 0.8f, 0.8f, 0.7f, 1, 0.75f, false},
    /* 13 */ {0.9f, 0.4f, 0.0f, 0, 0.0f, 0.0f, 0.0f, 0.0f, 1, 0.3f, true},
    /* 14 */ {0.6f, 0.0f, 0.6f, 2, 0.8f, 0.8f, 0.8f, 0.0f, 0, 0.7f, false},
    /* 15 */ {0.0f, 0.0f, 0.4f, 2, 0.8f, 0.8f, 0.9f, 0.0f, 2, 0.6f, false},
    /* 16 */ {0.9f, 0.5f, 0.0f, 0, 0.0f, 0.0f, 0.0f, 0.6f, 3, 0.35f, false},
    /* 17 */ {0.6f, 0.0f, 0.6f, 2, 0.8f, 0.8f, 0.8f, 0.0f, 0, 0.7f, false},
    /* 18 */ {0.7f, 0.3f, 0.6f, 2, 0.5f, 0.0f, 0.7f, 0.0f, 0, 0.5f, true},
    /* 19 */ {0.0f, 0.0f, 0.0f, 2, 0.8f, 0.8f, 0.0f, 0.0f, 0, 0.8f, false},
    /* 20 */ {0.6f, 0.0f, 0.6f, 2, 0.8f, 0.8f, 0.8f, 0.7f, 1, 0.8f, false},
    /* 21 */ {0.0f, 0.4f, 0.5f, 2, 0.6f, 0.0f, 0.8f, 0.0f, 2, 0.5f, false},
    /* 22 */ {0.6f, 0.0f, 0.6f, 2, 0.8f, 0.8f, 0.8f, 0.6f, 1, 0.8f, false},
    /* 23 */ {0.8f, 0.5f, 0.5f, 1, 0.5f, 0.6f, 0.6f, 0.0f, 3, 0.4f, false},
    /* 24 */ {0.8f, 0.3f, 0.0f, 0, 0.0f, 0.0f, 0.0f, 0.0f, 3, 0.3f, true},
    /* 25 */ {0.7f, 0.0f, 0.7f, 2, 0.9f, 0.9f, 0.9f, 0.8f, 0, 0.9f, false},
    /* 26 */ {0.9f, 0.6f, 0.5f, 0, 0.3f, 0.0f, 0.0f, 0.5f, 2, 0.35f, false},
};
constexpr int kStyleCount = sizeof kStyles / sizeof kStyles[0];

}  // namespace

std::vector<double> editStepStarts() {
    Timeline edit;
    EditBuildLog log;
    buildEdit(edit, &log);
    std::vector<double> starts;
    for (int k = 2; k <= 26; ++k) starts.push_back(log.stepStart[k]);
    return starts;
}

std::vector<MusicSection> musicSections(const std::vector<double>& stepStarts) {
    std::vector<MusicSection> sections;
    for (size_t i = 0; i < stepStarts.size() && i < static_cast<size_t>(kStyleCount); ++i) {
        // The first section opens the music at 0 whatever the first step says.
        const double start = i == 0 ? 0.0 : stepStarts[i];
        if (!std::isfinite(start)) continue;
        if (start >= kMusicSeconds) break;
        if (!sections.empty()) {
            if (start <= sections.back().start) continue;  // out of order: keep the earlier one
            sections.back().end = start;
        }
        sections.push_back({start, kMusicSeconds, kStyles[i]});
    }
    if (sections.empty()) sections.push_back({0.0, kMusicSeconds, kStyles[0]});
    return sections;
}

}  // namespace vdata
