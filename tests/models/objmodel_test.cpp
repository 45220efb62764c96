// objmodel without a window: faces, vertex merging, objects and the parts they produce,
// materials, normals, and the load's side effects.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstring>
#include <tuple>

#include "model_files.h"
#include "models/objmodel.h"
#include "platform/runtime_random.h"

namespace {

class ObjLoad : public ::testing::Test {
protected:
    // Writes the OBJ (and any MTL files given as name/text pairs) and loads it.
    bool load(const std::string& obj, std::initializer_list<std::pair<std::string, std::string>> extra = {}) {
        for (const auto& [name, text] : extra) dir.write(name, text);
        path = dir.write("model.obj", obj);
        bool ok = false;
        output = capture_stdout([&] { ok = model.load(path, false); });
        return ok;
    }
    // Triangle t as the x coordinates of its corners (the tests give each position its own x).
    std::array<float, 3> xs(int t) const {
        std::array<float, 3> r{};
        for (int c = 0; c < 3; ++c) r[c] = model.vertices[model.indices[3 * t + c]].position[0];
        return r;
    }

    TempFolder dir;
    objmodel model;
    std::string path, output;
};

const char* kFourPositions = "v 1 0 0\nv 2 0 0\nv 3 1 0\nv 4 1 0\n";

}  // namespace

TEST_F(ObjLoad, QuadsAndPolygonsFanFromTheFirstCorner) {
    ASSERT_TRUE(load(std::string(kFourPositions) + "v 5 2 0\nf 1 2 3 4\nf 1 2 3 4 5\n"));
    ASSERT_EQ(model.triangle_count, 5);
    EXPECT_EQ(xs(0), (std::array<float, 3>{1, 2, 3}));
    EXPECT_EQ(xs(1), (std::array<float, 3>{1, 3, 4}));
    EXPECT_EQ(xs(4), (std::array<float, 3>{1, 4, 5}));
}

TEST_F(ObjLoad, NegativeIndicesCountBackFromTheLastPositionReadSoFar) {
    ASSERT_TRUE(load(std::string(kFourPositions) + "f -1 -2 -3\nv 5 0 0\nf -3 -2 -1\n"));
    ASSERT_EQ(model.triangle_count, 2);
    EXPECT_EQ(xs(0), (std::array<float, 3>{4, 3, 2}));
    EXPECT_EQ(xs(1), (std::array<float, 3>{3, 4, 5}));
}

TEST_F(ObjLoad, IndexZeroOrBeyondWhatWasReadDropsTheFaceWithOneWarning) {
    ASSERT_TRUE(load("v 1 0 0\nv 2 0 0\nv 3 0 0\nvt 0 0\n"
                     "f 0 1 2\nf 1 2 4\nf -4 1 2\nf 1/1 2/2 3/1\nf 99999999999 1 2\n"
                     "f 1 2 3\nv 4 0 0\n"));
    EXPECT_EQ(model.triangle_count, 1);
    EXPECT_EQ(model.dropped_faces, 5);
    EXPECT_EQ(model.object_starts, std::vector<int32_t>{1});
    // The Import line, then exactly one warning naming the file.
    const size_t warning = output.find("dropped in " + path);
    ASSERT_NE(warning, std::string::npos) << output;
    EXPECT_EQ(output.find("dropped", warning + 1), std::string::npos);
}

TEST_F(ObjLoad, FacesWithFewerThanThreeCornersAddNothingAndEatNoKeyword) {
    ASSERT_TRUE(load(std::string(kFourPositions) + "f 1 2\nf\nf 1 2 3\n"));
    EXPECT_EQ(model.triangle_count, 1);
    EXPECT_EQ(model.indices.size(), 3u);
}

TEST_F(ObjLoad, VertexColoursComeFromTheSecondTripleOrDefaultToWhite) {
    ASSERT_TRUE(load("v 1 2 3 0.5 0.25 0\nv 4 5 6\nv 7 8 9\nf 1 2 3\n"));
    const float* c0 = model.vertices[model.indices[0]].colour;
    const float* c1 = model.vertices[model.indices[1]].colour;
    EXPECT_EQ((std::array<float, 3>{c0[0], c0[1], c0[2]}), (std::array<float, 3>{0.5f, 0.25f, 0}));
    EXPECT_EQ((std::array<float, 3>{c1[0], c1[1], c1[2]}), (std::array<float, 3>{1, 1, 1}));
}

TEST_F(ObjLoad, CornersMergeOnlyWhenAllFortyEightBytesMatch) {
    // Same positions with different texture coordinates: separate vertices.
    ASSERT_TRUE(load("v 0 0 0\nv 1 0 0\nv 0 1 0\nvt 0 0\nvt 1 1\nf 1/1 2/1 3/1\nf 1/2 2/1 3/1\nf 1/1 2/1 3/1\n"));
    EXPECT_EQ(model.vertices.size(), 4u);
    EXPECT_EQ(model.position_map.at(0).size(), 2u);
    // The same corners under two o lines differ only in the object index: still separate.
    objmodel other;
    const std::string p = dir.write("two.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\no a\nf 1 2 3\no b\nf 1 2 3\n");
    capture_stdout([&] { other.load(p, false); });
    ASSERT_EQ(other.vertices.size(), 6u);
    EXPECT_EQ(other.vertices[other.indices[0]].object, 0);
    EXPECT_EQ(other.vertices[other.indices[3]].object, 1);
}

TEST_F(ObjLoad, ObjectStartsAndTheCumulativePartsTheyBuild) {
    const std::string tri = "v 0 0 0\nv 1 0 0\nv 0 1 0\n";
    // No o line: one entry, no object to draw, one part with every triangle.
    ASSERT_TRUE(load(tri + "f 1 2 3\nf 1 2 3\n"));
    EXPECT_EQ(model.object_starts, std::vector<int32_t>{2});
    EXPECT_EQ(model.object_count(), 0);
    model.build_parts();
    ASSERT_EQ(model.part_count, 1);
    EXPECT_EQ(model.parts[0].index_count, 6);
    // Beginning with an o line: part 0 is empty, part 1 holds everything.
    ASSERT_TRUE(load("o only\n" + tri + "f 1 2 3\n"));
    EXPECT_EQ(model.object_starts, (std::vector<int32_t>{0, 1}));
    model.build_parts();
    ASSERT_EQ(model.part_count, 2);
    EXPECT_EQ(model.parts[0].index_count, 0);
    EXPECT_EQ(model.parts[1].index_count, 3);
    // Objects A (1 triangle) and B (2): parts hold 0, a and a + b triangles.
    ASSERT_TRUE(load(tri + "o A\nf 1 2 3\no B has a long name\nf 1 2 3\nf 3 2 1\n"));
    EXPECT_EQ(model.object_starts, (std::vector<int32_t>{0, 1, 3}));
    model.build_parts();
    ASSERT_EQ(model.part_count, 3);
    EXPECT_EQ(model.parts[1].index_count, 3);
    EXPECT_EQ(model.parts[2].index_count, 9);
    EXPECT_EQ(model.parts[2].texcoords[2], 2.0f);  // texture triple carries the part number
}

TEST_F(ObjLoad, MoreThanSixteenObjectStartsKeepTheFirstSixteenParts) {
    std::string obj = "v 0 0 0\nv 1 0 0\nv 0 1 0\n";
    for (int i = 0; i < 20; ++i) obj += "o part" + std::to_string(i) + "\nf 1 2 3\n";
    ASSERT_TRUE(load(obj));
    EXPECT_EQ(model.object_count(), 20);
    model.build_parts();
    ASSERT_EQ(model.part_count, objmodel::kMaxParts);
    EXPECT_EQ(model.parts[15].index_count, 3 * 15);
}

TEST_F(ObjLoad, BuildPartsScalesOffsetsAndTruncatesColoursIntoBytes) {
    ASSERT_TRUE(load("v 1 2 3 0.5 1 0\nv -1 0 0 2 -1 0.999\nv 0 1 0\nf 1 2 3\n"));
    model.scale[0] = model.scale[1] = model.scale[2] = 2;
    model.offset[0] = 10;
    model.build_parts();
    const objpart& p = model.parts[0];
    const int v = static_cast<int>(model.indices[0]);
    EXPECT_EQ(p.positions[3 * v], 12);
    EXPECT_EQ(p.positions[3 * v + 2], 6);
    EXPECT_EQ(p.colours[3 * v], 127);  // 0.5 * 255 truncated
    const int w = static_cast<int>(model.indices[1]);
    EXPECT_EQ(p.colours[3 * w], 255);  // out-of-range components are clamped, not wrapped
    EXPECT_EQ(p.colours[3 * w + 1], 0);
    EXPECT_EQ(p.colours[3 * w + 2], 254);
    EXPECT_EQ(model.part_box_min[0], 8);
    EXPECT_EQ(model.part_box_max[2], 6);
}

TEST_F(ObjLoad, MaterialsDefaultsValuesAndLookups) {
    // No mtllib: exactly one material, "default", number 0.
    ASSERT_TRUE(load("v 0 0 0\nv 1 0 0\nv 0 1 0\nusemtl anything\nf 1 2 3\n"));
    ASSERT_EQ(model.material_count, 1);
    EXPECT_EQ(model.materials[0].name, "default");
    EXPECT_EQ(model.materials[0].ambient[0], 0.2f);
    EXPECT_EQ(model.materials[0].diffuse[3], 1.0f);
    EXPECT_EQ(model.triangle_materials[0], 0);

    const std::string mtl = "Kd 9 9 9\nnewmtl shiny\nNs 250\nNi 1.5\nKs 1 1 1\nillum 1\nTr 0.25\nmap_Kd tex.png\n"
                            "newmtl glass\nd 0.4\nKd 0.1 0.2 0.3\nmap_bump bump.png extra\nKe 5 5 5\n";
    ASSERT_TRUE(load("mtllib lib.mtl\nv 0 0 0\nv 1 0 0\nv 0 1 0\nusemtl glass\nf 1 2 3\nf 1 2 3\n"
                     "usemtl shiny\nf 1 2 3\nusemtl nosuch\nf 1 2 3\n",
                     {{"lib.mtl", mtl}}));
    ASSERT_EQ(model.material_count, 2);
    const objmaterial& shiny = model.materials[0];
    EXPECT_FLOAT_EQ(shiny.shininess, 0.25f);  // Ni must not overwrite it
    EXPECT_FLOAT_EQ(shiny.alpha, 0.75f);
    EXPECT_EQ((std::array<float, 4>{shiny.specular[0], shiny.specular[1], shiny.specular[2], shiny.specular[3]}),
              (std::array<float, 4>{0, 0, 0, 1}));
    EXPECT_EQ(shiny.diffuse_texture, "tex.png");
    const objmaterial& glass = model.materials[1];
    EXPECT_FLOAT_EQ(glass.alpha, 0.4f);
    EXPECT_EQ((std::array<float, 4>{glass.diffuse[0], glass.diffuse[1], glass.diffuse[2], glass.diffuse[3]}),
              (std::array<float, 4>{0.1f, 0.2f, 0.3f, 1}));
    EXPECT_EQ(glass.bump_texture, "bump.png");
    // Groups are runs of equal materials; an unknown name is material 0.
    ASSERT_EQ(model.group_count, 2);
    EXPECT_EQ(model.groups[0].material, 1);
    EXPECT_EQ(model.groups[0].triangle_count, 2);
    EXPECT_EQ(model.groups[1].first_index, 6);
    EXPECT_EQ(model.groups[1].triangle_count, 2);
    EXPECT_EQ(model.groups[1].material, 0);
}

TEST_F(ObjLoad, MissingOrShorterSecondLibraryNeverPointsPastTheRecords) {
    ASSERT_TRUE(load("mtllib none.mtl\nv 0 0 0\nv 1 0 0\nv 0 1 0\nusemtl x\nf 1 2 3\n"));
    ASSERT_EQ(model.material_count, 1);  // one all-zero record, no "default"
    EXPECT_EQ(model.materials[0].alpha, 0);
    EXPECT_EQ(model.materials[0].name, "");
    // The second library restarts at record 0 and has fewer records than names entered.
    ASSERT_TRUE(load("mtllib a.mtl\nmtllib b.mtl\nv 0 0 0\nv 1 0 0\nv 0 1 0\nusemtl third\nf 1 2 3\n",
                     {{"a.mtl", "newmtl first\nnewmtl second\nnewmtl third\n"}, {"b.mtl", "newmtl only\n"}}));
    ASSERT_EQ(model.material_count, 1);
    EXPECT_EQ(model.materials[0].name, "only");
    EXPECT_EQ(model.triangle_materials[0], 0);
}

TEST_F(ObjLoad, NormalsAreGeneratedOnlyWithoutVnLines) {
    // The shared corner of a large +z triangle and a small +y triangle leans towards +z.
    // A vertex used only by a degenerate triangle keeps a zero normal, not NaN.
    ASSERT_TRUE(load("v 0 0 0\nv 4 0 0\nv 0 4 0\nv 0 0 -1\nv 1 0 0\nv 9 9 9\nf 1 2 3\nf 1 5 4\nf 6 6 6\n"));
    ASSERT_TRUE(model.has_normals);
    const float* n = model.vertices[model.indices[0]].normal;
    const float a = 16, b = 1, len = std::sqrt(a * a + b * b);
    EXPECT_NEAR(n[0], 0, 1e-6);
    EXPECT_NEAR(n[1], b / len, 1e-6);
    EXPECT_NEAR(n[2], a / len, 1e-6);
    for (const objvertex& v : model.vertices)
        for (float c : v.normal) EXPECT_FALSE(std::isnan(c));
    // File normals are kept as written, not renormalised.
    ASSERT_TRUE(load("v 0 0 0\nv 1 0 0\nv 0 1 0\nvn 0 0 2\nf 1//1 2//1 3//1\n"));
    EXPECT_EQ(model.vertices[0].normal[2], 2);
}

TEST_F(ObjLoad, FacesNamingNormalsTheFileLacksKeepTheirFacesWithGeneratedNormals) {
    // No vn line at all: every face is kept and every normal generated, as for a file
    // without normals; one line says so.
    ASSERT_TRUE(load("v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nvt 0 0\nvt 1 1\nf 1/1/1 2/2/2 3/1/3 4/2/4\n"));
    EXPECT_EQ(model.triangle_count, 2);
    EXPECT_EQ(model.dropped_faces, 0);
    for (const objvertex& v : model.vertices) EXPECT_EQ(v.normal[2], 1.0f);
    EXPECT_NE(output.find("4 face corner(s) of " + path + " name normals the file does not define"), std::string::npos)
        << output;
    // Beside file normals, only the corners naming a missing one get generated normals.
    ASSERT_TRUE(load("v 0 0 0\nv 1 0 0\nv 0 1 0\nv 0 0 1\nvn 0 0 7\nf 1//1 2//1 3//1\nf 1//9 4//9 2//9\n"));
    EXPECT_EQ(model.triangle_count, 2);
    EXPECT_EQ(model.vertices[model.indices[0]].normal[2], 7.0f) << "file normals stay as written";
    const float* generated = model.vertices[model.indices[4]].normal;
    EXPECT_EQ((std::array<float, 3>{generated[0], generated[1], generated[2]}), (std::array<float, 3>{0, 1, 0}));
}

TEST_F(ObjLoad, MissingFileReturnsFalseAndLeavesTheModelEmpty) {
    objmodel m;
    std::string out;
    bool ok = true;
    const std::string missing = dir.path() + "/nothing.obj";
    out = capture_stdout([&] { ok = m.load(missing, false); });
    EXPECT_FALSE(ok);
    EXPECT_EQ(out, "Import.. " + missing + "\nobjmodel::load() : cannot open " + missing + ", the model stays empty\n");
    EXPECT_FALSE(m.loaded);
    EXPECT_TRUE(m.vertices.empty());
    EXPECT_TRUE(m.object_starts.empty());
    m.build_parts();
    EXPECT_EQ(m.part_count, 0);
}

TEST_F(ObjLoad, LoadingSeedsTheRuntimeGeneratorAndResetsEarlierContent) {
    platform::set_runtime_random_state(42);
    ASSERT_TRUE(load("o a\nv 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n"));
    EXPECT_EQ(platform::runtime_random_state(), 123456u);
    model.build_parts();
    ASSERT_TRUE(load("v 0 0 0\n"));
    EXPECT_EQ(model.vertices.size(), 0u);
    EXPECT_EQ(model.position_count, 1);
    EXPECT_EQ(model.part_count, 0);
    EXPECT_TRUE(model.parts[1].indices.empty());
}

TEST_F(ObjLoad, CrlfBareCrAndContinuedLinesLoadLikeLfFiles) {
    const std::string obj = "mtllib lib.mtl\no box\n# note\nv 0 0 0 1 0 0\nv 1 0 0\nv 0 1 0\nv 1 1 0\nvt 0.5 0.5\n"
                            "vn 0 0 1\nusemtl red\nf 1/1/1 2/1/1 3/1/1 4/1/1\n";
    const std::string mtl = "newmtl red\nKd 1 0 0\nNs 100\n";
    objmodel lf;
    std::string p = dir.write("lf/m.obj", obj);
    dir.write("lf/lib.mtl", mtl);
    capture_stdout([&] { lf.load(p, false); });
    const auto bare_cr = [](std::string text) {
        for (char& c : text)
            if (c == '\n') c = '\r';
        return text;
    };
    // An exporter's long face, broken after its second corner with a backslash.
    std::string continued = obj;
    continued.replace(continued.find("2/1/1 "), 6, "2/1/1 \\\n  ");
    for (const auto& [variant, file, library] :
         {std::tuple{"CRLF", with_crlf(obj), with_crlf(mtl)}, std::tuple{"bare CR", bare_cr(obj), bare_cr(mtl)},
          std::tuple{"backslash", continued, mtl}}) {
        ASSERT_TRUE(load(file, {{"lib.mtl", library}})) << variant;
        EXPECT_EQ(model.materials[0].name, "red") << variant;
        EXPECT_EQ(model.triangle_materials, lf.triangle_materials) << variant;
        EXPECT_EQ(model.object_starts, lf.object_starts) << variant;
        ASSERT_EQ(model.vertices.size(), lf.vertices.size()) << variant;
        EXPECT_EQ(model.indices, lf.indices) << variant;
        EXPECT_EQ(std::memcmp(model.vertices.data(), lf.vertices.data(), lf.vertices.size() * sizeof(objvertex)), 0);
        EXPECT_FLOAT_EQ(model.materials[0].shininess, lf.materials[0].shininess) << variant;
    }
}
