// The view volume that lets a draw skip what cannot reach a pixel: it must never call a
// visible sphere outside, however the matrices scale or turn the space.
#include <gtest/gtest.h>

#include <cmath>

#include "models/view_volume.h"

namespace {

// gluPerspective and a modelview that scales and moves, column-major as GL keeps them.
void perspective(float fovy, float aspect, float zNear, float zFar, float m[16]) {
    const float f = 1.0f / std::tan(fovy * 3.14159265f / 360.0f);
    for (int i = 0; i < 16; ++i) m[i] = 0.0f;
    m[0] = f / aspect;
    m[5] = f;
    m[10] = (zFar + zNear) / (zNear - zFar);
    m[11] = -1.0f;
    m[14] = 2.0f * zFar * zNear / (zNear - zFar);
}

void scaleThenMove(float sx, float sy, float sz, float tx, float ty, float tz, float m[16]) {
    for (int i = 0; i < 16; ++i) m[i] = 0.0f;
    m[0] = sx, m[5] = sy, m[10] = sz, m[15] = 1.0f;
    m[12] = tx, m[13] = ty, m[14] = tz;
}

}  // namespace

TEST(ViewVolume, KeepsWhatCanBeSeenAndSkipsWhatCannot) {
    float p[16], m[16];
    perspective(60, 16.0f / 9.0f, 0.1f, 100.0f, p);
    scaleThenMove(1, 1, 1, 0, 0, 0, m);
    const ViewVolume v = viewVolume(p, m);
    ASSERT_TRUE(v.usable);
    EXPECT_FALSE(sphereOutside(v, 0, 0, -10, 0.1f));    // straight ahead
    EXPECT_TRUE(sphereOutside(v, 0, 0, 10, 0.1f));      // behind the eye
    EXPECT_TRUE(sphereOutside(v, 0, 0, -200, 1.0f));    // past the far plane
    EXPECT_TRUE(sphereOutside(v, 30, 0, -10, 1.0f));    // far to the right
    EXPECT_FALSE(sphereOutside(v, 30, 0, -10, 30.0f));  // but large enough to reach in
    // Just past the top edge (tan 30 deg x 10 = 5.77): the radius decides.
    EXPECT_TRUE(sphereOutside(v, 0, 6.5f, -10, 0.5f));
    EXPECT_FALSE(sphereOutside(v, 0, 6.5f, -10, 0.7f));
    EXPECT_FALSE(sphereOutside(v, NAN, 0, -10, 0.1f));
}

TEST(ViewVolume, WorksInTheSpaceOfAScaledAndMovedModel) {
    float p[16], m[16];
    perspective(75, 1.0f, 0.01f, 64.0f, p);
    // The model is squashed along x and sits 20 units ahead: distances are its own units.
    scaleThenMove(0.1f, 1, 1, 0, 0, -20, m);
    const ViewVolume v = viewVolume(p, m);
    ASSERT_TRUE(v.usable);
    EXPECT_FALSE(sphereOutside(v, 100, 0, 0, 0.5f));  // 10 units to the side in the eye: in view
    EXPECT_TRUE(sphereOutside(v, 300, 0, 0, 0.5f));   // 30 units: out
    EXPECT_TRUE(sphereOutside(v, 0, 0, 30, 0.5f));    // behind the eye
    // A degenerate matrix makes nothing outside.
    float zero[16] = {};
    EXPECT_FALSE(viewVolume(p, zero).usable);
    EXPECT_FALSE(sphereOutside(viewVolume(p, zero), 1e9f, 0, 0, 0));
}
