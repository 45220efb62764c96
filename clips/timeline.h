// A table from clock time to edit position (and a tag), sampled every millisecond over
// 1000 s and filled by appending linear segments: the production's cut lives in two of them.
#pragma once
#include <cstdint>
#include <memory>

struct Timeline {
    static constexpr int kEntries = 1000000;

    int32_t seconds = 1000;          // capacity in seconds
    std::unique_ptr<float[]> values; // edit position per millisecond of clock time
    std::unique_ptr<int32_t[]> tags; // a tag per millisecond
    float cursor = 0.0f;             // clock time where the next segment starts
    int32_t tag = 0;                 // the tag add_segment writes
    float speed = 1.0f;              // every segment length is divided by it

    Timeline();  // the identity: value i = i / 1000, tags 0

    // Clock seconds start..end show edit positions from..to, linearly. Does not move cursor.
    void add_segment(float start, float end, float from, float to);
    // Appends from -> to at the cursor, lasting |to - from| / (speed * rate), and moves the cursor.
    void append(float from, float to, float rate = 1.0f);

    // The entry for clock time t (milliseconds, clamped to the table).
    int index_of(float t) const;
    float value_at(float t) const { return values[index_of(t)]; }
    int32_t tag_at(float t) const { return tags[index_of(t)]; }
};

// What a build did, for checking it against the cut's published checkpoints.
struct EditBuildLog {
    float stepStart[27] = {};  // cursor when build step k (2..26) began
    int segments = 0;          // segments appended
    int firstStutter[3] = {};  // the draws r1, r2, r3 of the first stutter pass
    float firstStutterPosition = 0.0f;
};

// The edit: 742 segments from constants and the seeded runtime generator (seeds 42342
// and 42344); leaves the generator in the state the scenes rely on.
void buildEdit(Timeline& edit, EditBuildLog* log = nullptr);
// The second stage: the identity over its first 200 s; seeds the generator with 4234.
void buildRemap(Timeline& remap);

// The builds are deterministic, so after the first one the arrays already hold what a
// rebuild would write. These redo a build only when needed and otherwise just leave the
// generator in the state the build would have left; the arrays are the same either way.
struct TimelineCache {
    bool built = false;
    uint32_t randomStateAfter = 0;
    float speed = 0.0f;
};
void rebuildEdit(Timeline& edit, TimelineCache& cache);
void rebuildRemap(Timeline& remap, TimelineCache& cache);
