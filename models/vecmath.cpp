// The float math of the models: rotations in both storage orders and the column-major
// products the skeleton composes its joint matrices with.
#include "models/vecmath.h"

#include <cfloat>
#include <cmath>

mat4 identity_matrix() {
    mat4 r;
    r[0] = r[5] = r[10] = r[15] = 1.0f;
    return r;
}

mat4 translation_matrix(const vec3& t) {
    mat4 r = identity_matrix();
    r[12] = t.x;
    r[13] = t.y;
    r[14] = t.z;
    return r;
}

mat4 rotation_matrix(const vec3& axis, float degrees) {
    // The degree factor is a float constant; sinf/cosf keep the result single precision.
    const float a = degrees * 0.017453292f;
    const float s = std::sin(a), c = std::cos(a), t = 1.0f - c;
    const float x = axis.x, y = axis.y, z = axis.z;
    mat4 m;
    m[0] = x * x * t + c;
    m[1] = x * y * t - z * s;
    m[2] = x * z * t + y * s;
    m[4] = x * y * t + z * s;
    m[5] = y * y * t + c;
    m[6] = y * z * t - x * s;
    m[8] = x * z * t - y * s;
    m[9] = y * z * t + x * s;
    m[10] = z * z * t + c;
    m[15] = 1.0f;
    return m;
}

mat4 quaternion_matrix(const quaternion& q) {
    const float x = q.x, y = q.y, z = q.z, w = q.w;
    mat4 m;
    m[0] = x * x - y * y - z * z + w * w;
    m[1] = 2.0f * (x * y - z * w);
    m[2] = 2.0f * (x * z + y * w);
    m[4] = 2.0f * (x * y + z * w);
    m[5] = -x * x + y * y - z * z + w * w;
    m[6] = 2.0f * (y * z - x * w);
    m[8] = 2.0f * (x * z - y * w);
    m[9] = 2.0f * (y * z + x * w);
    m[10] = -x * x - y * y + z * z + w * w;
    m[15] = 1.0f;
    return m;
}

vec3 normalized(const vec3& v) {
    const float len = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
    if (std::fabs(len) <= FLT_EPSILON) return v;
    return {v.x / len, v.y / len, v.z / len};
}

mat4 multiply(const mat4& a, const mat4& b) {
    mat4 r;
    for (int c = 0; c < 4; ++c)
        for (int row = 0; row < 4; ++row) {
            float sum = 0.0f;
            for (int k = 0; k < 4; ++k) sum += a[4 * k + row] * b[4 * c + k];
            r[4 * c + row] = sum;
        }
    return r;
}

void multiply_rotation(mat4& a, const mat4& b) {
    mat4 rot = b;
    rot[12] = rot[13] = rot[14] = 0.0f;
    rot[3] = rot[7] = rot[11] = 0.0f;
    rot[15] = 1.0f;
    mat4 r = multiply(a, rot);
    for (int i = 12; i < 16; ++i) r[i] = a[i];
    a = r;
}

namespace {

// M = M * R with M's translation held out of the product and put back afterwards.
void rotate_keeping_translation(mat4& m, const mat4& r) {
    const float tx = m[12], ty = m[13], tz = m[14];
    m[12] = m[13] = m[14] = 0.0f;
    m = multiply(m, r);
    m[12] = tx;
    m[13] = ty;
    m[14] = tz;
}

}  // namespace

void rotate_x(mat4& m, float radians) {
    mat4 r = identity_matrix();
    const float c = std::cos(radians), s = std::sin(radians);
    r[5] = c;
    r[6] = -s;
    r[9] = s;
    r[10] = c;
    rotate_keeping_translation(m, r);
}

void rotate_y(mat4& m, float radians) {
    mat4 r = identity_matrix();
    const float c = std::cos(radians), s = std::sin(radians);
    r[0] = c;
    r[2] = s;
    r[8] = -s;
    r[10] = c;
    rotate_keeping_translation(m, r);
}

void rotate_z(mat4& m, float radians) {
    mat4 r = identity_matrix();
    const float c = std::cos(radians), s = std::sin(radians);
    r[0] = c;
    r[1] = -s;
    r[4] = s;
    r[5] = c;
    rotate_keeping_translation(m, r);
}
