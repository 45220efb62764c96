// A 3D polyline sampled at any real parameter with Catmull-Rom tangents, open or closed.
// The scenes move figures along these paths and sample them twice to get a heading.
#pragma once
#include <array>
#include <cstdint>
#include <vector>

struct CatmullRomPath {
    std::vector<std::array<float, 3>> points;  // control points (x, y, z), appended by the caller
    int32_t dimension = 3;                     // always 3
    bool closed = false;                       // true: wraps around from the last point to the first
    int32_t count = 0;                         // points in use; the caller keeps it equal to points.size()

    // Point at parameter x: the integer part picks the segment, the fraction the place in it;
    // evaluate(k) == points[k]. Only the first min(count, points.size()) points are used, so
    // a stale count never reads past the array; with no point at all out is (0, 0, 0).
    void evaluate(float x, float out[3]) const;
};
