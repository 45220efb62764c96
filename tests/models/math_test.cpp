// The float math: the two storage orders and the rotation helpers that keep translation.
#include <gtest/gtest.h>

#include "models/vecmath.h"

namespace {

// Row-major point rule of rotation_matrix / quaternion_matrix.
vec3 apply_row_major(const mat4& m, vec3 p) {
    return {m[0] * p.x + m[1] * p.y + m[2] * p.z + m[3], m[4] * p.x + m[5] * p.y + m[6] * p.z + m[7],
            m[8] * p.x + m[9] * p.y + m[10] * p.z + m[11]};
}

vec3 apply_column_major(const mat4& m, vec3 p) {
    return {m[0] * p.x + m[4] * p.y + m[8] * p.z + m[12], m[1] * p.x + m[5] * p.y + m[9] * p.z + m[13],
            m[2] * p.x + m[6] * p.y + m[10] * p.z + m[14]};
}

void expect_near(vec3 a, vec3 b, float eps = 1e-5f) {
    EXPECT_NEAR(a.x, b.x, eps);
    EXPECT_NEAR(a.y, b.y, eps);
    EXPECT_NEAR(a.z, b.z, eps);
}

mat4 sample_matrix() {
    mat4 m;
    for (int i = 0; i < 16; ++i) m[i] = static_cast<float>(i * 3 % 7) - 2.5f;
    return m;
}

}  // namespace

TEST(Math, NormalizedKeepsZeroVectorAndScalesOthers) {
    expect_near(normalized({0, 0, 0}), {0, 0, 0});
    expect_near(normalized({3, 0, 4}), {0.6f, 0, 0.8f});
}

TEST(Math, RotationMatricesAreRowMajorRightHanded) {
    expect_near(apply_row_major(rotation_matrix({0, 0, 1}, 90), {1, 0, 0}), {0, 1, 0});
    expect_near(apply_row_major(rotation_matrix({1, 0, 0}, 90), {0, 1, 0}), {0, 0, 1});
    const mat4 q = quaternion_matrix({0, 0, 0, 1});
    for (int i = 0; i < 16; ++i) EXPECT_EQ(q[i], identity_matrix()[i]) << i;
    // A quarter turn about z as a quaternion equals the axis-angle form, element by element.
    const float h = 0.70710678f;
    const mat4 qz = quaternion_matrix({0, 0, h, h}), rz = rotation_matrix({0, 0, 1}, 90);
    for (int i = 0; i < 16; ++i) EXPECT_NEAR(qz[i], rz[i], 1e-6f) << i;
}

TEST(Math, MultiplyIsColumnMajorWithIdentityNeutral) {
    const mat4 a = sample_matrix();
    for (const mat4& r : {multiply(a, identity_matrix()), multiply(identity_matrix(), a)})
        for (int i = 0; i < 16; ++i) EXPECT_EQ(r[i], a[i]) << i;
    // T * R rotates first, then translates; R * T also rotates the translation.
    mat4 rz = identity_matrix();
    rotate_z(rz, -1.5707964f);  // +90 degrees
    const vec3 tr = apply_column_major(multiply(translation_matrix({5, 0, 0}), rz), {1, 0, 0});
    expect_near(tr, {5, 1, 0});
    const vec3 rt = apply_column_major(multiply(rz, translation_matrix({5, 0, 0})), {1, 0, 0});
    expect_near(rt, {0, 6, 0});
}

TEST(Math, RotateHelpersTurnByMinusAngleAndKeepTranslation) {
    mat4 m = translation_matrix({5, 6, 7});
    rotate_z(m, 0.3f);
    EXPECT_EQ(m[12], 5);
    EXPECT_EQ(m[13], 6);
    EXPECT_EQ(m[14], 7);
    mat4 z = identity_matrix(), x = identity_matrix(), y = identity_matrix();
    rotate_z(z, 1.5707964f);
    rotate_x(x, 1.5707964f);
    rotate_y(y, 1.5707964f);
    expect_near(apply_column_major(z, {1, 0, 0}), {0, -1, 0});
    expect_near(apply_column_major(x, {0, 1, 0}), {0, 0, -1});
    expect_near(apply_column_major(y, {0, 0, 1}), {-1, 0, 0});
}

TEST(Math, MultiplyRotationIgnoresTheSecondTranslationAndKeepsTheFirst) {
    mat4 a = translation_matrix({1, 2, 3});
    mat4 b = identity_matrix();
    rotate_z(b, -1.5707964f);
    b[12] = 100;
    b[3] = 9;  // a stray last row must not reach the product
    multiply_rotation(a, b);
    EXPECT_EQ(a[12], 1);
    EXPECT_EQ(a[13], 2);
    EXPECT_EQ(a[14], 3);
    EXPECT_EQ(a[15], 1);
    EXPECT_EQ(a[3], 0);
    expect_near(apply_column_major(a, {1, 0, 0}), {1, 3, 3});
}
