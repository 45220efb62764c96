// The view volume that lets a draw skip what cannot reach a pixel: it must never call a
// visible sphere outside, in the space of a scaled and moved model too.
#include <gtest/gtest.h>

#include <cmath>

#include "models/view_volume.h"

TEST(ViewVolume, SkipsOnlyWhatCannotBeSeen) {
    // gluPerspective(60, 16/9, 0.1, 100), column-major; the model squashed along x, 10 ahead.
    const float f = 1.0f / std::tan(30.0f * 3.14159265f / 180.0f);
    const float p[16] = {f * 9 / 16, 0, 0, 0, 0, f, 0, 0, 0, 0, -100.1f / 99.9f, -1, 0, 0, -20.0f / 99.9f, 0};
    const float m[16] = {0.1f, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, -10, 1};
    const ViewVolume v = viewVolume(p, m);
    ASSERT_TRUE(v.usable);
    EXPECT_FALSE(sphereOutside(v, 0, 0, 0, 0.1f));     // straight ahead
    EXPECT_TRUE(sphereOutside(v, 0, 0, 20, 0.1f) && sphereOutside(v, 0, 0, -200, 1.0f));  // behind, past far
    EXPECT_FALSE(sphereOutside(v, 90, 0, 0, 0.5f));    // 9 to the side in the eye: in view
    EXPECT_TRUE(sphereOutside(v, 300, 0, 0, 0.5f));    // 30: out
    // Just past the top edge (tan 30 deg x 10 = 5.77, 0.63 beyond along the plane's normal).
    EXPECT_TRUE(sphereOutside(v, 0, 6.5f, 0, 0.5f));
    EXPECT_FALSE(sphereOutside(v, 0, 6.5f, 0, 0.7f));
    const float zero[16] = {};
    EXPECT_FALSE(sphereOutside(viewVolume(p, zero), 1e9f, 0, 0, 0)) << "a degenerate matrix skips nothing";
}
