#include <gtest/gtest.h>

#include <cstring>

#include "clips/timeline.h"
#include "platform/runtime_random.h"

namespace {

Timeline& builtEdit(EditBuildLog* log = nullptr) {
    static Timeline edit;
    static EditBuildLog first;
    static bool done = false;
    if (!done) {
        buildEdit(edit, &first);
        done = true;
    }
    if (log) *log = first;
    return edit;
}

}  // namespace

TEST(Timeline, UntouchedTimelineIsTheIdentity) {
    Timeline t;
    EXPECT_EQ(t.value_at(0.0f), 0.0f);
    EXPECT_FLOAT_EQ(t.value_at(123.456f), 123.456f);
    EXPECT_EQ(t.tag_at(5.0f), 0);
}

TEST(Timeline, LookupsClampToTheTable) {
    Timeline t;
    EXPECT_EQ(t.index_of(-3.0f), 0);
    EXPECT_EQ(t.index_of(999.9995f), 999999);
    EXPECT_EQ(t.index_of(5000.0f), 999999);
    EXPECT_EQ(t.index_of(1e30f), 999999);
    EXPECT_EQ(t.index_of(0.0004f), 0);
}

TEST(Timeline, SegmentsStopJustShortOfTheirEndAndZeroLengthWritesNothing) {
    Timeline t;
    t.add_segment(1.0f, 3.0f, 2.0f, 0.0f);  // 2 -> 0 over 2 s
    EXPECT_FLOAT_EQ(t.values[1000], 2.0005f);
    EXPECT_GT(t.values[2999], 0.0f);
    EXPECT_NEAR(t.values[2999], 2.0f - 2.0f * 1999 / 2001 + 0.0005f, 1e-6);  // divisor: milliseconds + 1
    EXPECT_LT(t.values[2000], t.values[1500]);
    EXPECT_FLOAT_EQ(t.values[3000], 3.0f);  // untouched
    Timeline u;
    u.add_segment(4.0f, 4.0f, 10.0f, 20.0f);
    EXPECT_FLOAT_EQ(u.values[4000], 4.0f);
}

TEST(EditBuild, MatchesThePublishedCheckpoints) {
    EditBuildLog log;
    builtEdit(&log);
    const float starts[27] = {0, 0, 0, 17.0610f, 23.5611f, 39.9568f, 47.9567f, 55.9567f, 63.9567f,
                              71.9567f, 79.9567f, 96.9567f, 120.9567f, 131.9567f, 134.9870f, 144.4655f,
                              171.0105f, 179.0106f, 188.8522f, 196.8521f, 196.9521f, 204.9520f, 212.9520f,
                              220.9520f, 232.9520f, 236.9519f, 266.9519f};
    for (int k = 2; k <= 26; ++k) EXPECT_NEAR(log.stepStart[k], starts[k], 1e-4) << "step " << k;
    EXPECT_EQ(log.segments, 742);
    EXPECT_EQ(log.firstStutter[0], 6413);
    EXPECT_EQ(log.firstStutter[1], 5824);
    EXPECT_EQ(log.firstStutter[2], 1602);
    EXPECT_NEAR(log.firstStutterPosition, 305.11130f, 1e-4);
    EXPECT_NEAR(builtEdit().cursor, 310.1257f, 1e-4);
}

TEST(EditBuild, LookupsReadTheCut) {
    const Timeline& edit = builtEdit();
    EXPECT_FLOAT_EQ(edit.value_at(0.0004f), 12.0005f);
    EXPECT_FLOAT_EQ(edit.value_at(-100.0f), 12.0005f);       // the A key's clock
    EXPECT_FLOAT_EQ(edit.value_at(500.0f), 500.0f);          // past the cut: identity
    EXPECT_GT(edit.value_at(1.5f), 1.0f);                    // 1 -> 11.2 from 1 s on
}

TEST(EditBuild, RebuildGivesTheSameArraysAndGeneratorState) {
    Timeline a, b;
    buildEdit(a);
    const uint32_t state = platform::runtime_random_state();
    TimelineCache cache;
    rebuildEdit(b, cache);
    platform::runtime_srand(1);
    rebuildEdit(b, cache);  // cached: only the generator state is restored
    EXPECT_EQ(platform::runtime_random_state(), state);
    for (int i = 0; i < Timeline::kEntries; i += 997) ASSERT_EQ(a.values[i], b.values[i]) << i;
    EXPECT_EQ(std::memcmp(a.values.get(), b.values.get(), sizeof(float) * Timeline::kEntries), 0);
}

TEST(RemapBuild, IsTheIdentityOverTwoHundredSecondsAndSeedsTheGenerator) {
    Timeline remap;
    buildRemap(remap);
    for (float t : {0.0f, 12.3456f, 150.0f, 199.9f}) EXPECT_NEAR(remap.value_at(t), t, 0.0011f) << t;
    EXPECT_FLOAT_EQ(remap.value_at(250.0f), 250.0f);
    platform::runtime_srand(4234);
    for (int i = 0; i < 10000; ++i) platform::runtime_rand();
    const int next = platform::runtime_rand();
    buildRemap(remap);
    EXPECT_EQ(platform::runtime_rand(), next);
}
