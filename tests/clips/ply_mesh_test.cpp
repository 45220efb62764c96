#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <random>
#include <sstream>

#include "clips/ply_mesh.h"

namespace {

const char* kHeader =
    "ply\nformat ascii 1.0\ncomment made here\nelement vertex %d\n"
    "property float x\nproperty float y\nproperty float z\n"
    "property uchar red\nproperty uchar green\nproperty uchar blue\nproperty uchar alpha\n"
    "element face %d\nproperty list uchar int vertex_indices\nproperty list uchar float texcoord\nend_header\n";

std::string writeFile(const std::string& name, const std::string& text) {
    const std::string path = testing::TempDir() + name;
    std::ofstream(path, std::ios::binary) << text;
    return path;
}

std::string header(int vertices, int faces) {
    char buffer[1024];
    std::snprintf(buffer, sizeof buffer, kHeader, vertices, faces);
    return buffer;
}

}  // namespace

TEST(PlyMesh, ReadsTheExactHeaderLayout) {
    const std::string path = writeFile("good.ply", header(3, 1) +
                                                       "0 0 0 255 0 0 255\n1 0 0 0 255 0 255\n0 1 0 0 0 255 255\n"
                                                       "3 0 1 2 6 0 0 1 0 0 1\n");
    PlyMesh mesh;
    ASSERT_TRUE(loadPlyMesh(path, mesh));
    ASSERT_EQ(mesh.vertices.size(), 3u);
    ASSERT_EQ(mesh.faces.size(), 1u);
    EXPECT_FLOAT_EQ(mesh.vertices[1].f[3], 1.0f);
    EXPECT_NEAR(mesh.vertices[0].f[6], 1.0f, 1e-6);  // colour 255 -> 1.0, alpha dropped
    EXPECT_EQ(mesh.vertices[0].f[9], 0.0f);
    EXPECT_EQ(mesh.faces[0].index[2], 2);
    EXPECT_EQ(mesh.faces[0].uv[2], 1.0f);
}

TEST(PlyMesh, FileEndingEarlyKeepsTheDeclaredCounts) {
    const std::string path = writeFile("short.ply", header(4, 3) +
                                                        "0 0 0 255 255 255 255\n1 1 1 255 255 255 255\n"
                                                        "2 2 2 255 255 255 255\n3 3 3 255 255 255 255\n"
                                                        "3 0 1 2 6 0.5 0.5 0.5 0.5 0.5 0.5\n3 1 2");
    PlyMesh mesh;
    ASSERT_TRUE(loadPlyMesh(path, mesh));
    ASSERT_EQ(mesh.faces.size(), 3u);
    EXPECT_EQ(mesh.faces[1].index[0], 1);
    EXPECT_EQ(mesh.faces[1].index[1], 2);
    EXPECT_EQ(mesh.faces[1].index[2], 2);  // not read: the last index read stays
    EXPECT_EQ(mesh.faces[2].index[0], 1);  // after the end: the last indices read
    EXPECT_EQ(mesh.faces[2].uv[0], 0.0f);

    const std::string vpath = writeFile("short2.ply", header(3, 0) + "1 2 3 255 0 0 255\n4 5");
    ASSERT_TRUE(loadPlyMesh(vpath, mesh));
    ASSERT_EQ(mesh.vertices.size(), 3u);
    EXPECT_EQ(mesh.vertices[1].f[3], 4.0f);
    EXPECT_EQ(mesh.vertices[2].f[3], 0.0f);  // after the first failed read: zeros
}

TEST(PlyMesh, HostileCountsDoNotAllocateGigabytes) {
    const std::string path = writeFile("huge.ply", header(2000000000, 2000000000) + "0 0 0 1 1 1 1\n");
    PlyMesh mesh;
    testing::internal::CaptureStdout();
    ASSERT_TRUE(loadPlyMesh(path, mesh));
    EXPECT_NE(testing::internal::GetCapturedStdout().find("huge.ply"), std::string::npos);
    EXPECT_LT(mesh.vertices.size(), 1000u);
    EXPECT_LT(mesh.faces.size(), 1000u);
    const std::string negative = writeFile("negative.ply", header(-5, -7));
    ASSERT_TRUE(loadPlyMesh(negative, mesh));
    EXPECT_TRUE(mesh.vertices.empty());
    EXPECT_TRUE(mesh.faces.empty());
}

TEST(PlyMesh, MissingEmptyOrCutFilesAreNamedInALine) {
    PlyMesh mesh;
    mesh.vertices.resize(3);
    testing::internal::CaptureStdout();
    EXPECT_FALSE(loadPlyMesh(testing::TempDir() + "absent.ply", mesh));
    EXPECT_TRUE(mesh.vertices.empty());
    EXPECT_NE(testing::internal::GetCapturedStdout().find("cannot open \"" + testing::TempDir() + "absent.ply\""),
              std::string::npos);

    testing::internal::CaptureStdout();
    EXPECT_TRUE(loadPlyMesh(writeFile("nothing.ply", header(0, 2)), mesh));
    EXPECT_NE(testing::internal::GetCapturedStdout().find("nothing.ply\" yielded no mesh: its header declares 0 vertices"),
              std::string::npos);
    testing::internal::CaptureStdout();
    EXPECT_TRUE(loadPlyMesh(writeFile("cut.ply", header(2, 1) + "0 0 0 1 1 1 1\n1 1 1 1 1 1 1\n3 0 1"), mesh));
    EXPECT_NE(testing::internal::GetCapturedStdout().find("cut.ply\": the data ends early at face 0 of 1"),
              std::string::npos);
    testing::internal::CaptureStdout();
    EXPECT_TRUE(loadPlyMesh(writeFile("cut.ply", header(4, 2)), mesh));
    EXPECT_NE(testing::internal::GetCapturedStdout().find("cut.ply\": the data ends early at vertex 0 of 4"),
              std::string::npos);
}

TEST(PlyMesh, FilesThatAreNoPlyMeshAreNamedInALine) {
    const struct {
        std::string text, says;
    } cases[] = {
        {"", "empty file"},
        {"\x89\x13garbage", "not a PLY file"},
        {"ply\nformat binary_middle_endian 1.0\nend_header\n", "unknown format \"binary_middle_endian\""},
        {"ply\nformat ascii 1.0\nelement vertex 1\nproperty float x\nend_header\n1\n",
         "the vertex element has no x, y and z"},
    };
    for (const auto& c : cases) {
        PlyMesh mesh;
        testing::internal::CaptureStdout();
        EXPECT_TRUE(loadPlyMesh(writeFile("other.ply", c.text), mesh));
        const std::string out = testing::internal::GetCapturedStdout();
        EXPECT_NE(out.find("other.ply\": " + c.says), std::string::npos) << out;
        EXPECT_NE(out.find("; the mesh stays empty."), std::string::npos) << out;
        EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 1) << out;
        EXPECT_TRUE(mesh.vertices.empty() && mesh.faces.empty());
    }
}

TEST(PlyMesh, OtherProgramsHeaderLayoutsAreRead) {
    // Once refused or misread as the layout counted on: no comment, a binary body, no alpha,
    // bare CR line ends.
    const std::string body = "0 0 0 255 0 0 255\n1 0 0 0 255 0 255\n0 1 0 0 0 255 255\n3 0 1 2 6 0 0 1 0 0 1\n";
    std::string noComment = header(3, 1);
    noComment.erase(noComment.find("comment"), std::string("comment made here\n").size());
    std::string noAlpha = header(3, 1);
    noAlpha.erase(noAlpha.find("property uchar alpha\n"), 21);
    std::string binary = header(3, 1);
    binary.replace(binary.find("ascii"), 5, "binary_little_endian");
    for (int v = 0; v < 3; ++v) {
        const float xyz[3] = {v == 1 ? 1.0f : 0.0f, v == 2 ? 1.0f : 0.0f, 0.0f};
        binary.append(reinterpret_cast<const char*>(xyz), sizeof xyz);
        binary += std::string(1, v == 0 ? '\xff' : '\0') + (v == 1 ? '\xff' : '\0') + (v == 2 ? '\xff' : '\0') + '\xff';
    }
    const int32_t corners[3] = {0, 1, 2};
    binary += '\3';
    binary.append(reinterpret_cast<const char*>(corners), 12);
    binary += std::string(1, '\0');  // no texture coordinates
    std::string bareCr = header(3, 1) + body;
    for (char& c : bareCr)
        if (c == '\n') c = '\r';
    std::string withoutAlphaBody = body;
    for (const char* alpha : {" 255\n1", " 255\n0", " 255\n3"}) {
        const size_t at = withoutAlphaBody.find(alpha);
        withoutAlphaBody.erase(at, 4);
    }
    for (const std::string& text : {noComment + body, noAlpha + withoutAlphaBody, binary, bareCr}) {
        PlyMesh mesh;
        testing::internal::CaptureStdout();
        EXPECT_TRUE(loadPlyMesh(writeFile("other.ply", text), mesh));
        EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
        ASSERT_EQ(mesh.vertices.size(), 3u);
        ASSERT_EQ(mesh.faces.size(), 1u);
        EXPECT_EQ(mesh.vertices[1].f[3], 1.0f);
        EXPECT_EQ(mesh.vertices[2].f[4], 1.0f);
        EXPECT_EQ(mesh.vertices[1].f[7], 255 * 0.003921569f);
        EXPECT_EQ(mesh.faces[0].index[2], 2);
    }
}

TEST(PlyMesh, AnExtraCommentLineShiftsNothing) {
    // The header is parsed now, not counted: one more comment moves no field.
    std::string text = header(3, 1);
    text.insert(text.find("comment"), "comment one more\nobj_info and a note\n");
    PlyMesh mesh;
    ASSERT_TRUE(loadPlyMesh(writeFile("shifted.ply", text + "0 0 0 1 1 1 1\n1 0 0 1 1 1 1\n0 1 0 1 1 1 1\n"
                                                            "3 0 1 2 6 0 0 0 0 0 0\n"),
                            mesh));
    EXPECT_EQ(mesh.vertices.size(), 3u);
    EXPECT_EQ(mesh.faces.size(), 1u);
}

TEST(PlyMesh, TheShowsOwnLayoutReadsAsTheTokenCountingReaderDid) {
    // The show's files, as its data generator writes them, through the reader it had before:
    // skip 9 tokens, the vertex count, skip 23, the face count, skip 11, then 7 numbers per
    // vertex and 1 + 3 + 1 + 6 per face, each converted with strtof / strtol.
    std::mt19937 random(7);
    const int vertices = 500, faces = 900;
    std::string text = header(vertices, faces);
    char buffer[160];
    auto coordinate = [&] { return std::uniform_real_distribution<double>(-3, 3)(random); };
    for (int v = 0; v < vertices; ++v) {
        std::snprintf(buffer, sizeof buffer, "%.5f %.5f %.5f %d %d %d 255\n", coordinate(), coordinate(), coordinate(),
                      int(random() % 256), int(random() % 256), int(random() % 256));
        text += buffer;
    }
    for (int f = 0; f < faces; ++f) {
        std::snprintf(buffer, sizeof buffer, "3 %d %d %d 6 %.4f %.4f %.4f %.4f %.4f %.4f\n", int(random() % vertices),
                      int(random() % vertices), int(random() % vertices), coordinate(), coordinate(), coordinate(),
                      coordinate(), coordinate(), coordinate());
        text += buffer;
    }
    PlyMesh mesh;
    ASSERT_TRUE(loadPlyMesh(writeFile("own.ply", text), mesh));
    ASSERT_EQ(mesh.vertices.size(), size_t(vertices));
    ASSERT_EQ(mesh.faces.size(), size_t(faces));

    std::istringstream tokens(text);
    std::string t;
    for (int i = 0; i < 9 + 1 + 23 + 1 + 11; ++i) tokens >> t;
    for (const PlyVertex& v : mesh.vertices) {
        float expected[11] = {};
        for (int k = 3; k < 9; ++k) {
            tokens >> t;
            expected[k] = std::strtof(t.c_str(), nullptr);
        }
        tokens >> t;  // alpha
        for (int k = 6; k < 9; ++k) expected[k] *= 0.003921569f;
        ASSERT_EQ(std::memcmp(v.f, expected, sizeof expected), 0) << t;
    }
    for (const PlyFace& f : mesh.faces) {
        tokens >> t;
        for (int k = 0; k < 3; ++k) {
            tokens >> t;
            ASSERT_EQ(f.index[k], std::strtol(t.c_str(), nullptr, 10));
        }
        tokens >> t;
        for (int k = 0; k < 6; ++k) {
            tokens >> t;
            ASSERT_EQ(f.uv[k], std::strtof(t.c_str(), nullptr));
        }
    }
}

TEST(PlyMesh, RealFilesFromOtherProgramsGiveTheirMeshes) {
    const std::string folder = std::string(VELMORA_TESTDATA) + "/";
    if (!std::ifstream(folder + "ply/test_pos_color_binary_le.ply")) GTEST_SKIP();
    // See ../shared/testdata/ply/PROVENANCE.md: every face of these is a triangle.
    const struct {
        const char* file;
        size_t vertices, faces;
    } files[] = {{"ply/test_pos_color_ascii.ply", 114, 224}, {"ply/test_pos_color_binary_le.ply", 114, 224},
                 {"ply/test_more_datatypes.ply", 3, 1},      {"ply/cube_att.ply", 24, 12},
                 {"ply/platonic_cube.ply", 8, 12},           {"meshes/bun_zipper.ply", 35947, 69451}};
    for (const auto& f : files) {
        PlyMesh mesh;
        testing::internal::CaptureStdout();
        ASSERT_TRUE(loadPlyMesh(folder + f.file, mesh));
        EXPECT_EQ(testing::internal::GetCapturedStdout(), "") << f.file;
        EXPECT_EQ(mesh.vertices.size(), f.vertices) << f.file;
        EXPECT_EQ(mesh.faces.size(), f.faces) << f.file;
    }
    // The binary file's colours are the ASCII file's.
    PlyMesh ascii, binary;
    loadPlyMesh(folder + "ply/test_pos_color_ascii.ply", ascii);
    loadPlyMesh(folder + "ply/test_pos_color_binary_le.ply", binary);
    for (size_t i = 0; i < ascii.vertices.size(); ++i)
        for (int k = 6; k < 9; ++k) ASSERT_EQ(ascii.vertices[i].f[k], binary.vertices[i].f[k]) << i;
    // Per-corner texture coordinates reach the faces.
    PlyMesh cube;
    loadPlyMesh(folder + "ply/cube_att.ply", cube);
    EXPECT_NE(std::count_if(cube.faces.begin(), cube.faces.end(), [](const PlyFace& f) { return f.uv[1] != 0; }), 0);
}

TEST(PlyMesh, FloatColoursAndPolygonsReadAsTheirUcharAndTriangleEquivalents) {
    const std::string text = "ply\nformat ascii 1.0\nelement vertex 4\nproperty float x\nproperty float y\n"
                             "property float z\nproperty float red\nproperty float green\nproperty float blue\n"
                             "element face 1\nproperty list uchar int vertex_indices\nend_header\n"
                             "0 0 0 1 0.5 0\n1 0 0 1 1 1\n1 1 0 0 0 0\n0 1 0 0.25 0.75 1\n4 0 1 2 3\n";
    PlyMesh mesh;
    ASSERT_TRUE(loadPlyMesh(writeFile("float.ply", text), mesh));
    ASSERT_EQ(mesh.vertices.size(), 4u);
    EXPECT_EQ(mesh.vertices[0].f[6], 1.0f);
    EXPECT_EQ(mesh.vertices[0].f[7], 0.5f);
    EXPECT_EQ(mesh.vertices[3].f[8], 1.0f);
    // The quad as a fan from its first corner.
    ASSERT_EQ(mesh.faces.size(), 2u);
    EXPECT_EQ(std::vector<int32_t>(mesh.faces[1].index, mesh.faces[1].index + 3), (std::vector<int32_t>{0, 2, 3}));
}
