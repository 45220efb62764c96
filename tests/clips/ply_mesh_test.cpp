#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>

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
    EXPECT_NE(testing::internal::GetCapturedStdout().find("cut.ply\" is cut short"), std::string::npos);
    testing::internal::CaptureStdout();
    EXPECT_TRUE(loadPlyMesh(writeFile("cut.ply", header(4, 2)), mesh));
    EXPECT_NE(testing::internal::GetCapturedStdout().find("cut.ply\" is cut short"), std::string::npos);
}

TEST(PlyMesh, OtherLayoutsAreNamedWithWhereTheyDepart) {
    // Well-formed files of other layouts, and files that are no PLY at all: one line
    // naming the first place the header departs from the layout read, and that layout.
    std::string noComment = header(3, 1);
    noComment.erase(noComment.find("comment"), std::string("comment made here\n").size());
    std::string binary = header(3, 1);
    binary.replace(binary.find("ascii"), 5, "binary_little_endian");
    std::string bareCr = header(3, 1);
    for (char& c : bareCr)
        if (c == '\n') c = '\r';
    const struct {
        std::string text, says;
    } cases[] = {
        {"", "the file ends at line 1, where the reader expects \"ply\""},
        {"\x89\x13garbage", "line 1 is \"\\x89\\x13garbage\" where the reader expects \"ply\""},
        {noComment, "line 3 is \"element vertex 3\" where the reader expects a comment of three words"},
        {binary, "(the reader reads ASCII files only)"},
        {header(3, 1).replace(header(3, 1).find("property uchar alpha\n"), 21, ""),
         "(the vertex element has 6 properties, the reader expects 7)"},
    };
    for (const auto& c : cases) {
        PlyMesh mesh;
        testing::internal::CaptureStdout();
        EXPECT_TRUE(loadPlyMesh(writeFile("other.ply", c.text), mesh));
        const std::string out = testing::internal::GetCapturedStdout();
        EXPECT_NE(out.find("other.ply\" does not have the layout the show reads: "), std::string::npos) << out;
        EXPECT_NE(out.find(c.says), std::string::npos) << out;
        EXPECT_NE(out.find("The show reads an ASCII PLY file whose header is"), std::string::npos);
        EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 1) << out;
    }
    // Bare CR line ends are whitespace to the reader: that file has the layout.
    PlyMesh mesh;
    testing::internal::CaptureStdout();
    EXPECT_TRUE(loadPlyMesh(writeFile("cr.ply", bareCr + "0 0 0 1 1 1 1\r1 0 0 1 1 1 1\r0 1 0 1 1 1 1\r3 0 1 2 6 0 0 0 0 0 0\r"),
                            mesh));
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(mesh.faces.size(), 1u);
    EXPECT_EQ(mesh.vertices[1].f[3], 1.0f);
}

TEST(PlyMesh, AnExtraCommentLineShiftsEveryField) {
    // Only the exact token counts are supported: one more comment moves the vertex count.
    std::string text = header(3, 1);
    text.insert(text.find("comment"), "comment one more\n");
    PlyMesh mesh;
    ASSERT_TRUE(loadPlyMesh(writeFile("shifted.ply", text + "0 0 0 1 1 1 1\n"), mesh));
    EXPECT_NE(mesh.vertices.size(), 3u);
}
