// Catmull-Rom sampling of a control polyline. Arithmetic stays in single precision on
// purpose: the closed path's wrap road loses fraction bits and the scenes' motion has it.
#include "render/catmull_rom_path.h"

#include <algorithm>
#include <cmath>

namespace {

// Truncation toward zero that is defined for every float: NaN gives 0 and values beyond
// the int range saturate (the result is clamped to the path or wrapped afterwards anyway).
int64_t truncated(float v) {
    if (std::isnan(v)) return 0;
    constexpr float kLimit = 1e15f;
    return static_cast<int64_t>(std::clamp(v, -kLimit, kLimit));
}

}  // namespace

void CatmullRomPath::evaluate(float x, float out[3]) const {
    const int64_t n = std::min<int64_t>(count, static_cast<int64_t>(points.size()));
    if (n < 1) {
        out[0] = out[1] = out[2] = 0.0f;
        return;
    }
    const bool inner = 2.0f < x && x < static_cast<float>(n - 2);
    int64_t k, previous, next, after;
    float h;
    if (closed) {
        int64_t i;
        if (inner) {
            i = truncated(x);
            h = x - static_cast<float>(i);
            k = i;
        } else {
            // Shifted far to the right so that negative parameters wrap too; in single
            // precision this costs fraction bits (h moves in steps of 0.125 at n = 200).
            const float shifted = x + static_cast<float>(10000 * n);
            i = truncated(shifted);
            h = shifted - static_cast<float>(i);
            k = ((i % n) + n) % n;
        }
        if (0 < k && k < n - 2) {
            previous = k - 1, next = k + 1, after = k + 2;
        } else if (k == 0) {
            previous = (((i - 1) % n) + n) % n, next = 1, after = 2;
        } else {
            previous = k - 1, next = (k + 1) % n, after = (k + 2) % n;
        }
    } else {
        const int64_t i = truncated(x);
        h = x - static_cast<float>(i);
        if (!inner) {
            if (x > static_cast<float>(n)) h = 1.0f;
            if (x < 0.0f) h = 0.0f;
        }
        const auto clampIndex = [n](int64_t v) { return std::clamp<int64_t>(v, 0, n - 1); };
        k = clampIndex(i);
        previous = clampIndex(k - 1), next = clampIndex(k + 1), after = clampIndex(k + 2);
    }
    const auto inRange = [n](int64_t v) { return v >= n ? n - 1 : v; };
    const auto& p0 = points[inRange(previous)];
    const auto& p1 = points[inRange(k)];
    const auto& p2 = points[inRange(next)];
    const auto& p3 = points[inRange(after)];
    const float h2 = h * h;
    for (int c = 0; c < 3; ++c) {
        const float m1 = (p2[c] - p0[c]) * 0.5f;
        const float m2 = (p3[c] - p1[c]) * 0.5f;
        out[c] = ((2.0f * p1[c] - 2.0f * p2[c] + m1 + m2) * h + (3.0f * p2[c] - 3.0f * p1[c] - 2.0f * m1 - m2)) * h2 +
                 m1 * h + p1[c];
    }
    if (!closed) {
        if (x > static_cast<float>(n)) std::copy(points[n - 1].begin(), points[n - 1].end(), out);
        if (x < 0.0f) std::copy(points[0].begin(), points[0].end(), out);
    }
}
