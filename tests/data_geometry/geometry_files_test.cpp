// The geometry files as the show reads them: all written, byte-identical from run to run,
// every model, the motion file and the sculptures loaded through the show's own readers.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>

#include "clips/ply_mesh.h"
#include "generated_pack.h"
#include "geometry.h"
#include "models/body.h"
#include "models/objmodel.h"
#include "models/skeleton.h"
#include "scene_views.h"

using namespace geometry_test;
namespace fs = std::filesystem;

namespace {

const char* const kSceneModels[] = {"box.obj",     "box2.obj", "Terrain.obj", "velmora2.obj", "velmora3.obj",
                                    "ant0.obj",    "ant2.obj", "antall.obj",  "270.obj",      "tessan2.obj"};

std::vector<std::string> tokensOf(const std::string& text) {
    std::istringstream in(text);
    return {std::istream_iterator<std::string>(in), std::istream_iterator<std::string>()};
}

}  // namespace

TEST(GeometryWriting, WritesEveryFileUnderItsOwnNameAndNoTemporaries) {
    const auto& pack = defaultPack();
    ASSERT_TRUE(pack.ok) << pack.error;
    std::set<std::string> found;
    for (const auto& e : fs::directory_iterator(pack.dir + "/resources3")) found.insert(e.path().filename().string());
    const auto& names = velmora_data::geometryFileNames();
    EXPECT_EQ(found, std::set<std::string>(names.begin(), names.end()));
    EXPECT_EQ(names.size(), 14u);
    for (const auto& n : names) EXPECT_GT(fs::file_size(pack.resource(n)), 1000u) << n;
}

TEST(GeometryWriting, TwoRunsGiveIdenticalBytes) {
    for (bool tiny : {false, true}) {
        const auto& first = tiny ? tinyPack() : defaultPack();
        ASSERT_TRUE(first.ok) << first.error;
        ScratchFolder again;
        std::string error;
        ASSERT_TRUE(writeGeometry(again.path(), tiny, error)) << error;
        for (const auto& n : velmora_data::geometryFileNames())
            EXPECT_TRUE(readFile(first.resource(n)) == readFile(again.path() + "/resources3/" + n))
                << n << (tiny ? " (tiny)" : "");
    }
}

TEST(GeometryWriting, TinyPackLowersResolutionButKeepsShapesAndMotion) {
    const auto& full = defaultPack();
    const auto& tiny = tinyPack();
    ASSERT_TRUE(full.ok && tiny.ok);
    EXPECT_EQ(readFile(full.resource("avatar_female_walk.bvh")), readFile(tiny.resource("avatar_female_walk.bvh")));
    for (const char* n : {"human4.obj", "Terrain.obj", "270.obj", "antall.obj"}) {
        objmodel a, b;
        ASSERT_TRUE(a.load(full.resource(n), false));
        ASSERT_TRUE(b.load(tiny.resource(n), false));
        EXPECT_LT(b.triangle_count, a.triangle_count) << n;
        EXPECT_EQ(a.object_count(), b.object_count()) << n;
        for (int k = 0; k < 3; ++k) EXPECT_NEAR(a.size[k], b.size[k], 0.1 * a.size[k] + 1e-3) << n;
    }
}

TEST(GeometryWriting, FolderThatCannotBeCreatedFailsWithItsName) {
    ScratchFolder scratch;
    const std::string blocker = scratch.path() + "/not_a_folder";
    std::ofstream(blocker) << "a file where the output folder should go";
    std::string error;
    EXPECT_FALSE(writeGeometry(blocker, false, error));
    EXPECT_NE(error.find("not_a_folder"), std::string::npos) << error;
}

TEST(GeometryWriting, FailedRenameLeavesNoTemporaryAndNoRealFile) {
    // A folder (not empty) where the first model goes: the rename onto it fails.
    ScratchFolder scratch;
    fs::create_directories(scratch.path() + "/resources3/box.obj/inside");
    std::string error;
    EXPECT_FALSE(writeGeometry(scratch.path(), true, error));
    EXPECT_NE(error.find("box.obj"), std::string::npos) << error;
    for (const auto& e : fs::directory_iterator(scratch.path() + "/resources3"))
        EXPECT_EQ(e.path().filename(), "box.obj") << "left behind: " << e.path();
}

TEST(GeometryModels, FigureModelHasNineteenPartObjectsWithNormals) {
    const auto& pack = defaultPack();
    ASSERT_TRUE(pack.ok) << pack.error;
    objmodel human;
    ASSERT_TRUE(human.load(pack.resource("human4.obj"), false));
    EXPECT_EQ(human.object_count(), 19);
    EXPECT_EQ(human.dropped_faces, 0);
    EXPECT_GT(human.normal_count, 0);  // its own normals: the parts are drawn through a y mirror
    for (int k = 0; k + 1 < static_cast<int>(human.object_starts.size()); ++k)
        EXPECT_GT(human.object_starts[k + 1] - human.object_starts[k], 100) << "object " << k;
}

TEST(GeometryModels, SceneModelsAreOneObjectSoEachTriangleIsDrawnOnce) {
    const auto& pack = defaultPack();
    ASSERT_TRUE(pack.ok) << pack.error;
    for (const char* name : kSceneModels) {
        objmodel m;
        ASSERT_TRUE(m.load(pack.resource(name), false)) << name;
        m.build_parts();
        EXPECT_GT(m.triangle_count, 10) << name;
        EXPECT_EQ(m.dropped_faces, 0) << name;
        EXPECT_GT(m.normal_count, 0) << name;
        // draw_immediate draws every built part, each from triangle 0: only a single part
        // draws each triangle once.
        EXPECT_EQ(m.part_count, 1) << name;
        EXPECT_EQ(m.parts[0].index_count, 3 * m.triangle_count) << name;
    }
}

TEST(GeometryModels, EveryModelLiesInViewOfItsSceneCamera) {
    const auto& pack = defaultPack();
    ASSERT_TRUE(pack.ok) << pack.error;
    for (const auto& v : sceneViews()) {
        Vec lo, hi;
        if (v.file.size() > 4 && v.file.substr(v.file.size() - 4) == ".ply") {
            PlyMesh mesh;
            ASSERT_TRUE(loadPlyMesh(pack.resource(v.file), mesh)) << v.file;
            lo = {1e9, 1e9, 1e9}, hi = {-1e9, -1e9, -1e9};
            for (const auto& p : mesh.vertices)
                for (int k = 0; k < 3; ++k) lo[k] = std::min<double>(lo[k], p.f[3 + k]), hi[k] = std::max<double>(hi[k], p.f[3 + k]);
        } else {
            objmodel m;
            ASSERT_TRUE(m.load(pack.resource(v.file), false)) << v.file;
            for (int k = 0; k < 3; ++k) lo[k] = m.centre[k] - m.size[k] / 2, hi[k] = m.centre[k] + m.size[k] / 2;
        }
        const Coverage c = boxCoverage(viewMatrix(v), lo, hi);
        EXPECT_GT(c.insideFraction, 0.05) << v.label;
        EXPECT_GE(std::max(c.width, c.height), v.minExtent) << v.label;
        if (v.whole) {
            EXPECT_EQ(c.insideFraction, 1.0) << v.label << ": cut off by the screen's edge";
        }
    }
}

TEST(GeometryMotion, MotionFileHasTheBodyTableJointsAndALoopOfFrames) {
    const auto& pack = defaultPack();
    ASSERT_TRUE(pack.ok) << pack.error;
    skeleton s(pack.resource("avatar_female_walk.bvh"));
    ASSERT_NE(s.root, nullptr);
    EXPECT_EQ(s.root->name, "hip");
    EXPECT_EQ(s.root->channels, (std::vector<int32_t>{kXposition, kYposition, kZposition, kZrotation, kXrotation, kYrotation}));
    EXPECT_GE(s.frame_count, 3);  // the rest matrix and at least two motion frames
    EXPECT_NEAR(s.frame_time, 1.0 / 9.0, 1e-5);

    std::set<std::string> names;
    std::vector<const joint*> stack{s.root};
    int endSites = 0;
    while (!stack.empty()) {
        const joint* j = stack.back();
        stack.pop_back();
        if (j->name.empty()) {
            ++endSites;
            EXPECT_TRUE(j->children.empty());
            continue;
        }
        EXPECT_TRUE(names.insert(j->name).second) << "repeated joint " << j->name;
        if (j != s.root) {
            EXPECT_EQ(j->channels.size(), 3u) << j->name;
        }
        EXPECT_EQ(j->matrices.size(), static_cast<size_t>(s.frame_count)) << j->name;
        for (const joint* c : j->children) stack.push_back(c);
    }
    for (const char* n : {"head", "neck", "chest", "abdomen", "rThigh", "lThigh", "rCollar", "lCollar", "lShldr", "rShldr",
                          "rForeArm", "lForeArm", "lHand", "rHand", "rShin", "lShin", "lFoot", "rFoot"}) {
        EXPECT_TRUE(names.count(n)) << "missing joint " << n;
        EXPECT_NE(body_part_for(n), nullptr) << n;
    }
    EXPECT_EQ(endSites, 5);  // head, hands and feet
}

TEST(GeometrySculptures, PlyHeadersHaveTheTokenCountsTheReaderSkips) {
    const auto& pack = defaultPack();
    ASSERT_TRUE(pack.ok) << pack.error;
    for (const char* name : {"scul1.ply", "scul2.ply"}) {
        const auto tokens = tokensOf(readFile(pack.resource(name)));
        ASSERT_GT(tokens.size(), 45u) << name;
        EXPECT_EQ(tokens[0], "ply");
        EXPECT_EQ(tokens[44], "end_header") << name;
        for (int i = 1; i < 44; ++i) EXPECT_NE(tokens[i], "end_header") << name << " token " << i;
        // Counts are tokens 9 and 33 (9 skipped, the count, 23 skipped); then 11 skipped.
        const long vertices = std::stol(tokens[9]), faces = std::stol(tokens[33]);
        EXPECT_EQ(tokens.size(), 45u + 7u * vertices + 11u * faces) << name;

        PlyMesh mesh;
        ASSERT_TRUE(loadPlyMesh(pack.resource(name), mesh)) << name;
        ASSERT_EQ(static_cast<long>(mesh.vertices.size()), vertices) << name;
        ASSERT_EQ(static_cast<long>(mesh.faces.size()), faces) << name;
        EXPECT_GT(faces, 1000) << name;
        std::set<int> colours;
        for (const auto& v : mesh.vertices) {
            for (int k = 6; k < 9; ++k) ASSERT_TRUE(v.f[k] >= 0 && v.f[k] <= 1.0001f) << name;
            colours.insert(static_cast<int>(v.f[6] * 255 + 0.5f) << 16 | static_cast<int>(v.f[7] * 255 + 0.5f) << 8 |
                           static_cast<int>(v.f[8] * 255 + 0.5f));
        }
        EXPECT_GT(colours.size(), 50u) << name << " is hardly coloured";
        for (const auto& f : mesh.faces)
            for (int k = 0; k < 3; ++k) ASSERT_TRUE(f.index[k] >= 0 && f.index[k] < vertices) << name;
    }
}
