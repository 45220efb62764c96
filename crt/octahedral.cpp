// Octahedral normal mapping. The float/double mix (squares summed in float, root taken in
// double, then rounded to float) matches the encoder's, so decoded normals agree exactly.
#include "crt/octahedral.h"

#include <cmath>

namespace crt {

namespace {

std::array<float, 3> divided_by_length(float x, float y, float z) {
    float sum = x * x + y * y;
    sum += z * z;
    const float length = static_cast<float>(std::sqrt(static_cast<double>(sum)));
    if (!(length > 0.0f)) return {0.0f, 0.0f, 1.0f};
    return {x / length, y / length, z / length};
}

}  // namespace

void octahedral_coordinates(float x, float y, float z, float& ox, float& oy) {
    const float s = std::fabs(y) + std::fabs(x) + std::fabs(z);
    if (!(s > 0.0f)) {
        ox = oy = 0.0f;
        return;
    }
    const float xn = x / s;
    const float yn = y / s;
    if (z < 0.0f) {
        // Fold the lower half over the diagonals; a zero coordinate counts as positive.
        ox = 1.0f - std::fabs(yn);
        oy = 1.0f - std::fabs(xn);
        if (x < 0.0f) ox = -ox;
        if (y < 0.0f) oy = -oy;
    } else {
        ox = xn;
        oy = yn;
    }
}

std::array<float, 3> unit_normal(int64_t qx, int64_t qy, int64_t u) {
    const int64_t ax = qx < 0 ? -qx : qx;
    const int64_t ay = qy < 0 ? -qy : qy;
    const int64_t z = u - ax - ay;
    int64_t x = qx, y = qy;
    if (z < 0) {
        // Unfold; here a zero coordinate counts as negative (the encoder's mirror image).
        x = u - ay;
        if (!(qx > 0)) x = -x;
        y = u - ax;
        if (!(qy > 0)) y = -y;
    }
    return divided_by_length(static_cast<float>(x), static_cast<float>(y), static_cast<float>(z));
}

std::array<float, 3> normalized_estimate(float x, float y, float z) { return divided_by_length(x, y, z); }

}  // namespace crt
