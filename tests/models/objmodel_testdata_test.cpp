// The real OBJ/MTL files of the shared test data, read in place: counts checked against
// the files (see ../shared/testdata/obj/PROVENANCE.md for what each one exercises).
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "model_files.h"
#include "models/objloader.h"
#include "models/objmodel.h"

namespace {

struct ObjExpectation {
    const char* file;
    int positions, texcoords, normals, vertices, triangles, objects, materials;
};

// Vertices after merging were counted independently as distinct (v, vt, vn, object) corners.
const ObjExpectation kObjFiles[] = {
    {"cornell_box.obj", 76, 0, 0, 72, 36, 9, 5},      // quads, negative indices, an object without faces
    {"cube-vertexcol.obj", 8, 0, 0, 8, 12, 0, 5},     // vertex colours, g lines with spaces
    {"cube_att_sub_o.obj", 8, 4, 6, 26, 12, 3, 1},    // v/vt/vn corners split into 3 objects
    {"extra_vertex.obj", 10, 0, 10, 9, 3, 0, 1},      // v//vn corners, zero normals, no final newline
    {"mat_test.obj", 3576, 0, 0, 3576, 1300, 0, 28},  // names with spaces, an undefined material
    {"suzanne.obj", 507, 0, 507, 507, 968, 0, 1},     // quads and triangles in v//vn form
    {"teapot.obj", 3644, 0, 0, 3644, 6320, 0, 1},
};

class ObjTestdata : public ::testing::TestWithParam<ObjExpectation> {};

}  // namespace

TEST_P(ObjTestdata, CountsMatchTheFile) {
    SKIP_WITHOUT_TESTDATA("obj");
    const ObjExpectation& e = GetParam();
    objmodel model;
    bool ok = false;
    capture_stdout([&] { ok = model.load(testdata(std::string("obj/") + e.file), false); });
    ASSERT_TRUE(ok);
    EXPECT_EQ(model.position_count, e.positions);
    EXPECT_EQ(model.texcoord_count, e.texcoords);
    EXPECT_EQ(model.normal_count, e.normals);
    EXPECT_EQ(static_cast<int>(model.vertices.size()), e.vertices);
    EXPECT_EQ(model.triangle_count, e.triangles);
    EXPECT_EQ(model.object_count(), e.objects);
    EXPECT_EQ(model.material_count, e.materials);
    EXPECT_EQ(model.dropped_faces, 0);
    EXPECT_TRUE(model.has_normals);
    // Generated normals are unit length (the files with vn lines keep theirs).
    if (e.normals == 0) {
        for (const objvertex& v : model.vertices) {
            const float len = std::sqrt(v.normal[0] * v.normal[0] + v.normal[1] * v.normal[1] + v.normal[2] * v.normal[2]);
            ASSERT_NEAR(len, 1.0f, 1e-4f);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Files, ObjTestdata, ::testing::ValuesIn(kObjFiles),
                         [](const auto& info) {
                             std::string name = info.param.file;
                             for (char& c : name)
                                 if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                             return name;
                         });

TEST(ObjTestdataDetail, CornellObjectsMaterialsAndBox) {
    SKIP_WITHOUT_TESTDATA("obj");
    objmodel model;
    capture_stdout([&] { model.load(testdata("obj/cornell_box.obj"), false); });
    // floor (3 quads), light, ceiling, back wall, front wall (no face), green, red, 2 blocks.
    EXPECT_EQ(model.object_starts, (std::vector<int32_t>{0, 6, 8, 10, 12, 12, 14, 16, 26, 36}));
    EXPECT_EQ(model.materials[4].name, "light");
    EXPECT_EQ(model.materials[4].ambient[0], 20.0f);
    ASSERT_EQ(model.group_count, 6);
    EXPECT_EQ(model.groups[1].material, model.material_names.at("light"));
    EXPECT_FLOAT_EQ(model.size[0], 556.0f);
    EXPECT_FLOAT_EQ(model.centre[1], 274.4f);
    model.build_parts();
    EXPECT_EQ(model.part_count, 10);
    EXPECT_EQ(model.parts[9].index_count, 3 * 36);
}

TEST(ObjTestdataDetail, MatTestNamesWithSpacesAndAnUnknownMaterial) {
    SKIP_WITHOUT_TESTDATA("obj");
    objmodel model;
    capture_stdout([&] { model.load(testdata("obj/mat_test.obj"), false); });
    // "mat mat 25" is looked up by its first word; "mat1" defined twice takes the later record.
    EXPECT_EQ(model.material_names.at("mat"), 25);
    EXPECT_EQ(model.material_names.at("mat1"), 2);
    EXPECT_EQ(model.materials[1].diffuse_texture, "black.png");
    EXPECT_FLOAT_EQ(model.materials[27].shininess, 0.25f);
    EXPECT_FLOAT_EQ(model.materials[27].alpha, 0.4f);
    ASSERT_EQ(model.group_count, 7);
    EXPECT_EQ(model.groups[5].material, 25);
    EXPECT_EQ(model.groups[6].material, 0);  // unknown_mat_in_mtl_file
}

TEST(ObjTestdataDetail, VertexColoursOfTheColouredCube) {
    SKIP_WITHOUT_TESTDATA("obj");
    objmodel model;
    capture_stdout([&] { model.load(testdata("obj/cube-vertexcol.obj"), false); });
    const float* white = model.raw_colours.data() + 3 * 7;
    EXPECT_EQ(white[0] + white[1] + white[2], 3.0f);
    EXPECT_EQ(model.raw_colours[3 * 1 + 2], 1.0f);  // v 0 0 2 0 0 1
    EXPECT_EQ(model.raw_colours[3 * 1 + 0], 0.0f);
    EXPECT_EQ(model.materials[model.triangle_materials[2]].name, "white");  // the group relying on the previous usemtl
}

// A model copied without its material library still loads, and says in one line which
// library it missed; both loaders keep the material they fall back to.
TEST(ObjTestdataDetail, CornellBoxWithoutItsLibrarySaysWhichOneIsMissing) {
    SKIP_WITHOUT_TESTDATA("obj");
    TempFolder dir;
    const std::string path = dir.write("cornell_box.obj", readFile(testdata("obj/cornell_box.obj")));
    // The library's folder as the loader works it out (on Windows, up to the last backslash).
    const std::string missing = "cornell_box.mtl\" is missing";
    objmodel model;
    bool ok = false;
    const std::string said = capture_stdout([&] { ok = model.load(path, false); });
    ASSERT_TRUE(ok);
    EXPECT_EQ(model.triangle_count, 36);
    ASSERT_EQ(model.material_count, 1) << "one blank record, as before";
    EXPECT_EQ(model.materials[0].alpha, 0.0f);
    EXPECT_NE(said.find("objmodel::load() : material library \""), std::string::npos) << said;
    EXPECT_NE(said.find(missing), std::string::npos) << said;
    EXPECT_EQ(said.find(missing), said.rfind(missing)) << "said once: " << said;

    std::unique_ptr<rigid> part;
    const std::string partSaid = capture_stdout([&] { part = std::make_unique<rigid>(path); });
    EXPECT_NE(partSaid.find("objloader::read() : material library \""), std::string::npos) << partSaid;
    EXPECT_NE(partSaid.find(missing), std::string::npos) << partSaid;
    ASSERT_FALSE(part->groups.empty());
    EXPECT_EQ(part->groups[0]->diffuse[0], 0.8f) << "the default material";
}

TEST(ObjTestdataDetail, CornellBoxWithItsLibrarySaysNothingOfIt) {
    SKIP_WITHOUT_TESTDATA("obj");
    objmodel model;
    const std::string said = capture_stdout([&] { model.load(testdata("obj/cornell_box.obj"), false); });
    EXPECT_EQ(said.find("material library"), std::string::npos) << said;
}
