// objloader's read step and rigid's copies, without a window.
#include <gtest/gtest.h>

#include <cmath>

#include "model_files.h"
#include "models/objloader.h"

TEST(ObjLoader, PathSplitsAtTheLastSlash) {
    std::unique_ptr<objloader> a, b;
    capture_stdout([&] {
        a = std::make_unique<objloader>("Other/obj/head.obj");
        b = std::make_unique<objloader>("head.obj");
    });
    EXPECT_EQ(a->directory, "Other/obj/");
    EXPECT_EQ(a->file_name, "head.obj");
    EXPECT_EQ(b->directory, "");
    EXPECT_EQ(b->file_name, "head.obj");
}

TEST(ObjLoader, MissingFileLeavesAnEmptyMeshWithoutThrowing) {
    std::unique_ptr<rigid> r;
    const std::string out = capture_stdout([&] { r = std::make_unique<rigid>("no/such/part.obj"); });
    EXPECT_NE(out.find("no/such/part.obj"), std::string::npos);
    EXPECT_FALSE(r->model->found);
    EXPECT_TRUE(r->positions.empty());
    EXPECT_TRUE(r->groups.empty());
    EXPECT_TRUE(r->has_mesh);
    EXPECT_EQ(r->model_matrix[10], -1.0f);
}

TEST(ObjLoader, ReadsPositionsNormalsMaterialGroupsAndOneBasedFaces) {
    TempFolder dir;
    dir.write("parts/lib.mtl", "newmtl red\nKa 0 0 0\nKd 1 0 0\nNs 500\nnewmtl glass\nKd 0 0 1\nd 0.5\n");
    const std::string path =
        dir.write("parts/piece.obj", "mtllib lib.mtl\nv 0 0 0\nv 2 0 0\nv 2 2 0\nv 0 2 0\nv 0 0 4\nvn 0 1 0\n"
                                     "usemtl red\nf 1 2 3 4\nusemtl glass\nf -5//1 -4//1 -1//1\nf 0 1 2\n");
    std::unique_ptr<rigid> r;
    capture_stdout([&] { r = std::make_unique<rigid>(path); });
    ASSERT_EQ(r->positions.size(), 5u);
    ASSERT_EQ(r->normals.size(), 5u);
    ASSERT_EQ(r->groups.size(), 2u);
    const meshgroup& red = *r->groups[0];
    ASSERT_EQ(red.faces.size(), 2u);
    EXPECT_EQ(red.faces[1].position[0], 1);
    EXPECT_EQ(red.faces[1].position[1], 3);
    EXPECT_EQ(red.faces[1].position[2], 4);
    EXPECT_EQ(red.diffuse[0], 1.0f);
    EXPECT_FLOAT_EQ(red.shininess, 64.0f);  // Ns 500 of 1000 -> 64 of GL's 128
    const meshgroup& glass = *r->groups[1];
    ASSERT_EQ(glass.faces.size(), 1u);  // the face with index 0 is dropped
    EXPECT_EQ(glass.faces[0].position[2], 5);
    EXPECT_TRUE(r->use_material_alpha);
    // Position 3 is only on the red quad: its normal is the quad's (+z); position 1 has
    // the file's normal from the glass face.
    EXPECT_NEAR(r->normals[2].z, 1.0f, 1e-6);
    EXPECT_NEAR(r->normals[0].y, 1.0f, 1e-6);
    EXPECT_FLOAT_EQ(r->centre.x, 1.0f);
    EXPECT_FLOAT_EQ(r->centre.z, 2.0f);
    EXPECT_FLOAT_EQ(r->model->size.z, 4.0f);
}

TEST(ObjLoader, FacesNamingNormalsTheFileLacksAreKeptWithFaceNormals) {
    TempFolder dir;
    const std::string path = dir.write("piece.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1//3 2//3 3//3\n");
    std::unique_ptr<rigid> r;
    const std::string out = capture_stdout([&] { r = std::make_unique<rigid>(path); });
    ASSERT_EQ(r->groups.size(), 1u);
    EXPECT_EQ(r->groups[0]->faces.size(), 1u);
    EXPECT_NEAR(r->normals[0].z, 1.0f, 1e-6);
    EXPECT_NE(out.find("3 face corner(s) of " + path + " name normals the file does not define"), std::string::npos);
}
