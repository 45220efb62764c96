// The generator's surface builders: closed shapes without holes or flipped facets (the
// show flat-shades by normals and the body draws through a mirror, so either fault shows),
// the walk's legs reaching their footholds, and the text forms' exact layouts.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <sstream>

#include "body_layout.h"
#include "model_text.h"
#include "scene_models.h"
#include "walk_cycle.h"

using namespace velmora_data;

namespace {

// Every edge (by position) must be crossed exactly once in each direction: no holes,
// no facet wound against its neighbours.
::testing::AssertionResult isClosedAndConsistent(const Mesh& m) {
    const auto key = [&](int i) {
        const Vec3 p = m.positions[i];
        return std::array<long long, 3>{std::llround(p.x * 1e5), std::llround(p.y * 1e5), std::llround(p.z * 1e5)};
    };
    std::map<std::pair<std::array<long long, 3>, std::array<long long, 3>>, int> directed;
    for (const auto& t : m.triangles)
        for (int k = 0; k < 3; ++k) {
            const auto a = key(t[k]), b = key(t[(k + 1) % 3]);
            if (a == b) continue;  // a pole's zero-length edge
            ++directed[{a, b}];
        }
    for (const auto& [edge, count] : directed) {
        const auto back = directed.find({edge.second, edge.first});
        if (count != 1 || back == directed.end() || back->second != 1)
            return ::testing::AssertionFailure() << "edge used " << count << " times forwards, "
                                                 << (back == directed.end() ? 0 : back->second) << " backwards";
    }
    return ::testing::AssertionSuccess();
}

// Most normals agree with their triangles' winding and point away from the centre.
::testing::AssertionResult facesOutwards(const Mesh& m) {
    Vec3 centre;
    for (const auto& p : m.positions) centre = centre + p * (1.0 / m.positions.size());
    size_t agree = 0;
    for (const auto& t : m.triangles) {
        const Vec3 n = cross(m.positions[t[1]] - m.positions[t[0]], m.positions[t[2]] - m.positions[t[0]]);
        agree += dot(n, m.normals[t[0]]) > 0;
    }
    if (agree < m.triangles.size() * 99 / 100)
        return ::testing::AssertionFailure() << agree << " of " << m.triangles.size() << " wound with their normals";
    return ::testing::AssertionSuccess();
}

}  // namespace

TEST(GeometryBuilders, ClosedShapesHaveNoHolesAndNoFlippedFacets) {
    for (bool tiny : {false, true}) {
        EXPECT_TRUE(isClosedAndConsistent(buildBox()));
        EXPECT_TRUE(isClosedAndConsistent(buildWireBox()));
        EXPECT_TRUE(isClosedAndConsistent(buildTessellatedBall(tiny)));
        EXPECT_TRUE(isClosedAndConsistent(buildSculpture270(tiny)));
        EXPECT_TRUE(isClosedAndConsistent(buildAntBody(tiny)));
        EXPECT_TRUE(isClosedAndConsistent(buildAntLegs(true, tiny)));
        EXPECT_TRUE(isClosedAndConsistent(buildSculptureOne(tiny)));
        EXPECT_TRUE(isClosedAndConsistent(buildSculptureTwo(tiny)));
        for (const auto& [name, part] : buildBodyParts(tiny)) EXPECT_TRUE(isClosedAndConsistent(part)) << name;
    }
}

TEST(GeometryBuilders, NormalsAgreeWithWinding) {
    EXPECT_TRUE(facesOutwards(buildBox()));
    EXPECT_TRUE(facesOutwards(buildTerrain(false)));
    EXPECT_TRUE(facesOutwards(buildTitle(16, 1.2, true)));
    EXPECT_TRUE(facesOutwards(buildSculpture270(false)));
    EXPECT_TRUE(facesOutwards(buildAntBody(false)));
    EXPECT_TRUE(facesOutwards(buildSculptureTwo(false)));
}

TEST(GeometryBuilders, TerrainTilesJoinAlongTheirDepth) {
    // The canyon scene lays tiles one behind another; the back row must repeat the front one.
    const Mesh t = buildTerrain(false);
    std::map<long long, double> nearRow, farRow;
    for (const auto& p : t.positions) {
        if (std::fabs(p.z - (kTerrainTileFront - kTerrainTileDepth)) < 1e-9) nearRow[std::llround(p.x * 1e4)] = p.y;
        if (std::fabs(p.z - kTerrainTileFront) < 1e-9) farRow[std::llround(p.x * 1e4)] = p.y;
    }
    ASSERT_GT(nearRow.size(), 10u);
    ASSERT_EQ(nearRow.size(), farRow.size());
    for (const auto& [x, y] : nearRow) EXPECT_NEAR(farRow[x], y, 1e-9) << x;
}

TEST(GeometryBuilders, TitleIsCentredAndAsWideAsAsked) {
    const Mesh m = buildTitle(16, 1.2, false);
    double lo[3] = {1e9, 1e9, 1e9}, hi[3] = {-1e9, -1e9, -1e9};
    for (const auto& p : m.positions) {
        const double c[3] = {p.x, p.y, p.z};
        for (int k = 0; k < 3; ++k) lo[k] = std::min(lo[k], c[k]), hi[k] = std::max(hi[k], c[k]);
    }
    EXPECT_NEAR(hi[0] - lo[0], 16, 1e-6);
    EXPECT_NEAR(hi[2] - lo[2], 1.2, 1e-6);
    for (int k = 0; k < 3; ++k) EXPECT_NEAR(lo[k] + hi[k], 0, 1e-6) << k;
    EXPECT_GT(hi[1] - lo[1], 1.5);  // letters, not a flat bar
}

TEST(GeometryBuilders, WalkPutsTheStanceFootOnTheGroundAndLoops) {
    const int ankles[2] = {figureJointIndex("lFoot"), figureJointIndex("rFoot")};
    for (int f = 0; f < kWalkFrames; ++f) {
        const auto pose = figurePose(walkFrame(f));
        // One ankle is always at its flat-foot height or just off it (heel strike, push-off).
        const double low = std::min(pose[ankles[0]].t.y, pose[ankles[1]].t.y);
        EXPECT_GT(low, 6.9) << f;
        EXPECT_LT(low, 8.5) << f;
        for (int a : ankles) EXPECT_GT(pose[a].point({0, -5, 14}).y, -0.5) << "toe below ground, frame " << f;
    }
    const auto a = walkFrame(3), b = walkFrame(3 + kWalkFrames);
    EXPECT_EQ(a, b);
}

TEST(GeometryBuilders, ObjTextNamesObjectsAndCountsIndicesAcrossThem) {
    Mesh one;
    addFlatTriangle(one, {0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1});
    const std::string text = objText("two", {{"a", one}, {"b", one}});
    EXPECT_NE(text.find("o a\n"), std::string::npos);
    EXPECT_NE(text.find("o b\n"), std::string::npos);
    EXPECT_NE(text.find("f 4//4 5//5 6//6\n"), std::string::npos) << text;
    EXPECT_EQ(objText("plain", {{"", one}}).find("\no "), std::string::npos);
}

TEST(GeometryBuilders, PlyTextClampsColoursAndNeverWritesNegativeZero) {
    Mesh m;
    addFlatTriangle(m, {-0.000001, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1});
    m.colours = {{1.5, -0.2, 0.5}, {0, 0, 0}, {1, 1, 1}};
    m.uvs = {{0, 0}, {1, 0}, {0, 1}};
    const std::string text = plyText(m);
    EXPECT_NE(text.find("\n0.00000 0.00000 0.00000 255 0 128 255\n"), std::string::npos) << text;
    EXPECT_EQ(text.find("-0.0"), std::string::npos);
    EXPECT_NE(text.find("\n3 0 1 2 6 0.0000 0.0000 1.0000 0.0000 0.0000 1.0000\n"), std::string::npos) << text;
}
