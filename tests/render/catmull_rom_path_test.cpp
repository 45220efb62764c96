// Catmull-Rom path sampling: passing through the points, open-path clamping, closed-path
// wrap-around, and parameters or counts that must not read outside the points.
#include "render/catmull_rom_path.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

CatmullRomPath makePath(int n, bool closed) {
    CatmullRomPath path;
    for (int k = 0; k < n; ++k)
        path.points.push_back({static_cast<float>(k * k), std::sin(k * 0.7f) * 10.0f, static_cast<float>(3 * k - 7)});
    path.count = n;
    path.closed = closed;
    return path;
}

std::array<float, 3> at(const CatmullRomPath& path, float x) {
    std::array<float, 3> out{};
    path.evaluate(x, out.data());
    return out;
}

void expectNear(const std::array<float, 3>& a, const std::array<float, 3>& b, float tolerance) {
    for (int c = 0; c < 3; ++c) EXPECT_NEAR(a[c], b[c], tolerance) << "coordinate " << c;
}

// The Catmull-Rom segment from p1 to p2 at h, straight from the tangent definition.
std::array<float, 3> segment(const std::array<float, 3>& p0, const std::array<float, 3>& p1,
                             const std::array<float, 3>& p2, const std::array<float, 3>& p3, float h) {
    std::array<float, 3> out{};
    for (int c = 0; c < 3; ++c) {
        const double m1 = (p2[c] - p0[c]) * 0.5, m2 = (p3[c] - p1[c]) * 0.5;
        const double h2 = h * h, h3 = h2 * h;
        out[c] = static_cast<float>((2 * h3 - 3 * h2 + 1) * p1[c] + (h3 - 2 * h2 + h) * m1 + (-2 * h3 + 3 * h2) * p2[c] +
                                    (h3 - h2) * m2);
    }
    return out;
}

}  // namespace

TEST(CatmullRomPath, PassesThroughEveryPointAtIntegerParameters) {
    for (bool closed : {false, true}) {
        const CatmullRomPath path = makePath(12, closed);
        for (int k = 0; k < 12; ++k) expectNear(at(path, static_cast<float>(k)), path.points[k], 2e-3f);
    }
}

TEST(CatmullRomPath, InnerSegmentUsesItsFourNeighbours) {
    const CatmullRomPath path = makePath(10, false);
    expectNear(at(path, 4.25f), segment(path.points[3], path.points[4], path.points[5], path.points[6], 0.25f), 1e-4f);
}

TEST(CatmullRomPath, OpenPathClampsBeforeTheStartAndAfterTheEnd) {
    const CatmullRomPath path = makePath(5, false);
    expectNear(at(path, -1.0f), path.points[0], 0);
    expectNear(at(path, -0.5f), path.points[0], 0);
    expectNear(at(path, 6.0f), path.points[4], 0);
    expectNear(at(path, 1e30f), path.points[4], 0);
    expectNear(at(path, -1e30f), path.points[0], 0);
    // The last segment starts and ends at points[4]: the curve swings out and comes back.
    const auto& p3 = path.points[3];
    const auto& p4 = path.points[4];
    expectNear(at(path, 4.5f), segment(p3, p4, p4, p4, 0.5f), 1e-4f);
    EXPECT_GT(std::fabs(at(path, 4.5f)[0] - p4[0]), 0.1f);
    expectNear(at(path, 5.0f), p4, 1e-4f);
}

TEST(CatmullRomPath, ClosedPathWrapsAroundTheEnd) {
    const CatmullRomPath path = makePath(10, true);
    const auto& p = path.points;
    expectNear(at(path, 9.5f), segment(p[8], p[9], p[0], p[1], 0.5f), 1e-3f);
    expectNear(at(path, 10.0f), p[0], 1e-2f);
    // At 0 the previous point is the last one.
    expectNear(at(path, 0.5f), segment(p[9], p[0], p[1], p[2], 0.5f), 1e-3f);
    expectNear(at(path, -0.5f), segment(p[8], p[9], p[0], p[1], 0.5f), 1e-3f);
    expectNear(at(path, 13.25f), segment(p[2], p[3], p[4], p[5], 0.25f), 1e-2f);
}

TEST(CatmullRomPath, WrapRoadTakenOutsideTwoToNMinusTwoStillGivesTheSegment) {
    const CatmullRomPath path = makePath(4, true);
    const auto& p = path.points;
    // h loses bits in x + 10000 n, so only nearly equal.
    expectNear(at(path, 1.5f), segment(p[0], p[1], p[2], p[3], 0.5f), 2e-2f);
}

TEST(CatmullRomPath, WrapRoadFractionMovesInSingleFloatSteps) {
    // With n = 200 the shifted parameter is near 2,000,000, where floats are 0.125 apart.
    const CatmullRomPath path = makePath(200, true);
    expectNear(at(path, 1.0f + 0.06f), at(path, 1.0f), 0);
    expectNear(at(path, 1.0f + 0.07f), at(path, 1.125f), 0);
}

TEST(CatmullRomPath, StaleCountOrNoPointsNeverReadOutsideThePoints) {
    CatmullRomPath path = makePath(3, false);
    path.count = 50;  // more than appended
    for (float x : {-3.0f, 0.0f, 1.5f, 2.5f, 40.0f}) {
        const auto p = at(path, x);
        for (float c : p) EXPECT_TRUE(std::isfinite(c));
    }
    path.closed = true;
    for (float x : {-3.0f, 0.0f, 1.5f, 2.5f, 40.0f}) at(path, x);
    CatmullRomPath empty;
    empty.count = 4;
    expectNear(at(empty, 1.0f), {0, 0, 0}, 0);
    CatmullRomPath single = makePath(1, true);
    expectNear(at(single, 0.7f), single.points[0], 0);
}

TEST(CatmullRomPath, NonFiniteParametersStayInsideThePath) {
    for (bool closed : {false, true}) {
        const CatmullRomPath path = makePath(6, closed);
        for (float x : {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
                        -std::numeric_limits<float>::infinity(), -1e12f, 1e12f})
            at(path, x);  // UBSan and ASan watch the conversions and the indexing
    }
}
