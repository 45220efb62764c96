#include "models/view_volume.h"

#include <cmath>

ViewVolume viewVolume(const float p[16], const float m[16]) {
    float c[16];  // p * m, column-major
    for (int col = 0; col < 4; ++col)
        for (int row = 0; row < 4; ++row) {
            float sum = 0.0f;
            for (int k = 0; k < 4; ++k) sum += p[k * 4 + row] * m[col * 4 + k];
            c[col * 4 + row] = sum;
        }
    const auto row = [&](int r, int i) { return c[i * 4 + r]; };
    ViewVolume v;
    // Clip space keeps -w <= x, y, z <= w: each bound is the last row plus or minus another.
    for (int plane = 0; plane < 6; ++plane) {
        const int axis = plane / 2;
        const float sign = plane % 2 ? -1.0f : 1.0f;
        float length = 0.0f;
        for (int i = 0; i < 4; ++i) {
            v.planes[plane][i] = row(3, i) + sign * row(axis, i);
            if (i < 3) length += v.planes[plane][i] * v.planes[plane][i];
        }
        length = std::sqrt(length);
        if (!(length > 1e-20f) || !std::isfinite(length)) return ViewVolume();
        for (float& e : v.planes[plane]) e /= length;
    }
    v.usable = true;
    return v;
}

bool sphereOutside(const ViewVolume& v, float x, float y, float z, float radius) {
    if (!v.usable) return false;
    for (const auto& q : v.planes)
        if (q[0] * x + q[1] * y + q[2] * z + q[3] < -radius) return true;
    return false;
}
