// The PLY and OBJ readers of crt-encode on the shared test files (every header layout
// they carry) and on damaged files, which must give a message, never a crash or a read
// past the data.
#include <gtest/gtest.h>

#include <cstring>
#include <stdexcept>

#include "encoded_samples.h"
#include "mesh_reader.h"

using crt_encode::InputMesh;

namespace {

std::vector<char> bytes_of(const std::string& text) { return std::vector<char>(text.begin(), text.end()); }

std::string ply_error(const std::vector<char>& bytes) {
    try {
        crt_encode::read_ply(bytes, "test.ply");
    } catch (const std::runtime_error& e) {
        return e.what();
    }
    return "";
}

std::string obj_error(const std::string& text) {
    try {
        crt_encode::read_obj(bytes_of(text), "test.obj");
    } catch (const std::runtime_error& e) {
        return e.what();
    }
    return "";
}

#define SKIP_WITHOUT_TESTDATA() \
    if (!crt_test::have_testdata()) GTEST_SKIP() << "no shared test data at " VELMORA_TESTDATA

std::vector<char> binary_triangle(bool big_endian) {
    std::string header = std::string("ply\nformat ") + (big_endian ? "binary_big_endian" : "binary_little_endian") +
                         " 1.0\nelement vertex 3\nproperty float x\nproperty float y\nproperty float z\n"
                         "property uchar red\nproperty uchar green\nproperty uchar blue\n"
                         "element face 1\nproperty list uchar uint vertex_indices\nend_header\n";
    std::vector<char> b(header.begin(), header.end());
    auto put = [&](const void* p, size_t n) {
        const char* c = static_cast<const char*>(p);
        for (size_t i = 0; i < n; ++i) b.push_back(big_endian ? c[n - 1 - i] : c[i]);
    };
    for (int v = 0; v < 3; ++v) {
        const float xyz[3] = {float(v), float(v * 2), -1.5f};
        for (float f : xyz) put(&f, 4);
        for (uint8_t c : {uint8_t(255), uint8_t(v * 100), uint8_t(0)}) b.push_back(char(c));
    }
    b.push_back(3);
    for (uint32_t i : {0u, 1u, 2u}) put(&i, 4);
    return b;
}

}  // namespace

TEST(PlyReader, AsciiAndBinaryFilesOfTheSameMeshAgree) {
    SKIP_WITHOUT_TESTDATA();
    const InputMesh a = crt_encode::read_mesh(crt_test::testdata("ply/test_pos_color_ascii.ply"));
    const InputMesh b = crt_encode::read_mesh(crt_test::testdata("ply/test_pos_color_binary_le.ply"));
    ASSERT_EQ(a.vertex_count(), 114u);
    ASSERT_EQ(a.face_count(), 224u);
    EXPECT_EQ(a.faces, b.faces);
    EXPECT_EQ(a.color_components, 4);
    EXPECT_EQ(a.colors, b.colors);
    for (size_t k = 0; k < a.positions.size(); ++k) EXPECT_NEAR(a.positions[k], b.positions[k], 1e-6) << k;
}

TEST(PlyReader, TypeAliasesExtraPropertiesAndOddWhitespaceAreRead) {
    SKIP_WITHOUT_TESTDATA();
    const InputMesh aliases = crt_encode::read_mesh(crt_test::testdata("ply/test_more_datatypes.ply"));
    EXPECT_EQ(aliases.vertex_count(), 3u);
    EXPECT_EQ(aliases.faces, (std::vector<uint32_t>{0, 1, 2}));
    EXPECT_EQ(aliases.color_components, 4);
    // A second list on the faces (corner texture coordinates) is read past.
    const InputMesh cube = crt_encode::read_mesh(crt_test::testdata("ply/cube_att.ply"));
    EXPECT_EQ(cube.vertex_count(), 24u);
    EXPECT_EQ(cube.face_count(), 12u);
    EXPECT_EQ(cube.normals.size(), 72u);
    // "end_header " with a trailing space, tabs between values, empty lines at the end.
    const InputMesh platonic = crt_encode::read_mesh(crt_test::testdata("ply/platonic_cube.ply"));
    EXPECT_EQ(platonic.vertex_count(), 8u);
    EXPECT_EQ(platonic.face_count(), 12u);
    // Properties to skip between the coordinates and the faces.
    const InputMesh bunny = crt_encode::read_mesh(crt_test::testdata("meshes/bun_zipper.ply"));
    EXPECT_EQ(bunny.vertex_count(), 35947u);
    EXPECT_EQ(bunny.face_count(), 69451u);
    EXPECT_TRUE(bunny.normals.empty());
}

TEST(PlyReader, BothByteOrdersReadTheSameValues) {
    for (bool big : {false, true}) {
        const InputMesh m = crt_encode::read_ply(binary_triangle(big), "t.ply");
        EXPECT_EQ(m.positions, (std::vector<float>{0, 0, -1.5f, 1, 2, -1.5f, 2, 4, -1.5f})) << big;
        EXPECT_EQ(m.faces, (std::vector<uint32_t>{0, 1, 2}));
        EXPECT_EQ(m.color_components, 3);
        EXPECT_FLOAT_EQ(m.colors[4], 100.0f / 255.0f);
    }
}

TEST(PlyReader, EveryTruncationOfABinaryFileIsAnError) {
    const std::vector<char> whole = binary_triangle(false);
    for (size_t n = 0; n < whole.size(); ++n) {
        // An exact-size copy, so that a read past it is caught by AddressSanitizer.
        const std::vector<char> cut(whole.begin(), whole.begin() + n);
        EXPECT_NE(ply_error(cut), "") << "cut at " << n;
    }
}

TEST(PlyReader, DamagedHeadersAndIndicesGiveMessages) {
    const std::string head = "ply\nformat ascii 1.0\nelement vertex 3\nproperty float x\nproperty float y\nproperty float z\n";
    const std::string body = "0 0 0\n1 0 0\n0 1 0\n";
    EXPECT_NE(ply_error(bytes_of("PLY\n")).find("not a PLY file"), std::string::npos);
    EXPECT_NE(ply_error(bytes_of(head)).find("no end_header"), std::string::npos);
    EXPECT_NE(ply_error(bytes_of(head + body)).find("no end_header"), std::string::npos);
    EXPECT_NE(ply_error(bytes_of("ply\nformat ascii 1.0\nelement vertex 1\nproperty quad x\nend_header\n1\n"))
                  .find("unknown property type"), std::string::npos);
    EXPECT_NE(ply_error(bytes_of(head + "element face 1\nproperty list uchar int vertex_indices\nend_header\n" + body +
                                 "3 0 1 3\n")).find("outside the 3 vertices"), std::string::npos);
    EXPECT_NE(ply_error(bytes_of(head + "element face 1\nproperty list uchar int vertex_indices\nend_header\n" + body +
                                 "3 0 1 -1\n")).find("outside"), std::string::npos);
    // A count far beyond the data is refused before anything is allocated for it.
    EXPECT_NE(ply_error(bytes_of("ply\nformat binary_little_endian 1.0\nelement vertex 4000000000\n"
                                 "property float x\nproperty float y\nproperty float z\nend_header\n"))
                  .find("runs past the data"), std::string::npos);
    EXPECT_NE(ply_error(bytes_of(head + "end_header\n0 0 0\n1 0 0\n0 zero 0\n")).find("not a number"), std::string::npos);
}

TEST(PlyReader, BareCarriageReturnsAndStrayNoteLinesAreRead) {
    // A CAD export: every header line ends in a bare CR, and so does end_header before a
    // binary body whose first byte is a line feed (x = 10 as a little-endian int).
    const std::string head = "ply\rformat binary_little_endian 1.0\rBy a modeller, source: \x01\relement vertex 3\r"
                             "property int x\rproperty int y\rproperty int z\relement face 1\r"
                             "property list uchar int vertex_indices\rend_header\r";
    const int32_t values[] = {10, 0, 0, 0, 10, 0, 0, 0, 10};
    std::string body(reinterpret_cast<const char*>(values), sizeof values);
    body += std::string("\x03\0\0\0\0\x01\0\0\0\x02\0\0\0", 13);
    const InputMesh m = crt_encode::read_ply(bytes_of(head + body), "cad.ply");
    EXPECT_EQ(m.positions, (std::vector<float>{10, 0, 0, 0, 10, 0, 0, 0, 10}));
    EXPECT_EQ(m.faces, (std::vector<uint32_t>{0, 1, 2}));
    ASSERT_EQ(m.warnings.size(), 1u);
    EXPECT_NE(m.warnings[0].find("line 3: \"By a modeller, source: \\x01\""), std::string::npos) << m.warnings[0];
}

TEST(PlyReader, FaceElementBeforeTheVertexElementIsRead) {
    // Some exporters write the faces first: their indices are checked against the vertex
    // count the header declares, not against the vertices read so far.
    const InputMesh m = crt_encode::read_ply(
        bytes_of("ply\nformat ascii 1.0\nelement face 2\nproperty list uchar int vertex_indices\n"
                 "element vertex 4\nproperty float x\nproperty float y\nproperty float z\nend_header\n"
                 "3 0 1 2\n3 0 2 3\n0 0 0\n1 0 0\n1 1 0\n0 1 0\n"),
        "face_first.ply");
    EXPECT_EQ(m.vertex_count(), 4u);
    EXPECT_EQ(m.faces, (std::vector<uint32_t>{0, 1, 2, 0, 2, 3}));
    EXPECT_EQ(m.positions[7], 1.0f);
}

TEST(PlyReader, PolygonsBecomeTriangleFans) {
    const InputMesh m = crt_encode::read_ply(
        bytes_of("ply\nformat ascii 1.0\nelement vertex 5\nproperty float x\nproperty float y\nproperty float z\n"
                 "element face 2\nproperty list uchar int vertex_indices\nend_header\n"
                 "0 0 0\n1 0 0\n1 1 0\n0 1 0\n2 2 2\n4 0 1 2 3\n2 0 4\n"),
        "quad.ply");
    EXPECT_EQ(m.faces, (std::vector<uint32_t>{0, 1, 2, 0, 2, 3})) << "a two-corner face makes no triangle";
}

TEST(ObjReader, NegativeIndicesQuadsAndCornerTuplesAreResolved) {
    SKIP_WITHOUT_TESTDATA();
    // Quads with relative indices; the four vertices of a face-less object are not used.
    const InputMesh cornell = crt_encode::read_mesh(crt_test::testdata("obj/cornell_box.obj"));
    EXPECT_EQ(cornell.face_count(), 36u);
    EXPECT_EQ(cornell.vertex_count(), 72u);
    // v/vt/vn corners: one vertex per distinct triple, three objects as runs.
    const InputMesh sub = crt_encode::read_mesh(crt_test::testdata("obj/cube_att_sub_o.obj"));
    EXPECT_EQ(sub.face_count(), 12u);
    EXPECT_EQ(sub.uvs.size(), sub.vertex_count() * 2u);
    EXPECT_EQ(sub.normals.size(), sub.vertex_count() * 3u);
    ASSERT_EQ(sub.runs.size(), 3u);
    EXPECT_EQ(sub.runs[0].face_end, 4u);
    EXPECT_EQ(sub.runs[1].face_end, 9u);
    EXPECT_EQ(sub.runs[2].face_end, 12u);
    // v x y z r g b lines carry colours.
    const InputMesh coloured = crt_encode::read_mesh(crt_test::testdata("obj/cube-vertexcol.obj"));
    EXPECT_EQ(coloured.color_components, 3);
    EXPECT_EQ(coloured.face_count(), 12u);
    // v//vn corners, the last vertex unused, no line feed at the end.
    const InputMesh extra = crt_encode::read_mesh(crt_test::testdata("obj/extra_vertex.obj"));
    EXPECT_EQ(extra.face_count(), 3u);
    EXPECT_EQ(extra.normals.size(), extra.vertex_count() * 3u);
    const InputMesh suzanne = crt_encode::read_mesh(crt_test::testdata("obj/suzanne.obj"));
    EXPECT_EQ(suzanne.face_count(), 968u);
}

TEST(ObjReader, BadCornersGiveMessagesWithTheLine) {
    EXPECT_NE(obj_error("v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 4\n").find("test.obj:4"), std::string::npos);
    EXPECT_NE(obj_error("v 0 0 0\nf 0 1 1\n").find("without a vertex index"), std::string::npos);
    EXPECT_NE(obj_error("v 0 0 0\nf 1/1 1 1\n").find("not defined"), std::string::npos);
    EXPECT_NE(obj_error("v 0 0 0\nf 1x 1 1\n").find("bad face corner"), std::string::npos);
    EXPECT_NE(obj_error("v 0 zero 0\n").find("three numbers"), std::string::npos);
    EXPECT_EQ(obj_error("v 0 0 0\r\nv 1 0 0\r\nv 0 1 0 # corner\r\nf -3 -2 -1\r\n"), "");
}

TEST(ObjReader, BackslashContinuationsBareCarriageReturnsAndPlusSigns) {
    // A face of six corners over three lines, the lines ending in bare CRs.
    const InputMesh m = crt_encode::read_obj(
        bytes_of("v 0 0 0\rv +1 0 0\rv 2 1 0\rv 1 2 0\rv 0 2 0\rv -1 1 0\rf 1 2 \\\r 3 4\\\r5 6\r"), "long.obj");
    EXPECT_EQ(m.face_count(), 4u);
    EXPECT_EQ(m.positions[3], 1.0f);
    EXPECT_TRUE(m.warnings.empty());
}

TEST(ObjReader, CornersNamingNormalsTheFileLacksGetNormalsFromTheFaces) {
    // A square whose corners name normals 1-4, none of them defined: every corner faces +z.
    const InputMesh m = crt_encode::read_obj(
        bytes_of("v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nvt 0 0\nf 1/1/1 2/1/2 3/1/3 4/1/4\n"), "square.obj");
    ASSERT_EQ(m.face_count(), 2u);
    ASSERT_EQ(m.normals.size(), 12u);
    for (uint32_t v = 0; v < 4; ++v) EXPECT_EQ(m.normals[v * 3 + 2], 1.0f) << v;
    ASSERT_EQ(m.warnings.size(), 1u);
    EXPECT_NE(m.warnings[0].find("4 face corner(s) name normals the file does not define"), std::string::npos);
    // Beside corners that have normals, those without one get theirs from the faces too.
    const InputMesh mixed = crt_encode::read_obj(
        bytes_of("v 0 0 0\nv 1 0 0\nv 0 1 0\nv 0 0 1\nvn 0 0 -1\nf 1//1 3//1 2//1\nf 1 2 4\n"), "mixed.obj");
    ASSERT_EQ(mixed.vertex_count(), 6u);
    EXPECT_EQ(mixed.normals[5 * 3 + 1], -1.0f) << "the corner only the second face uses faces -y";
}

TEST(ObjReader, EveryTruncationReadsCleanly) {
    const std::string text = "# cube side\nv 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nvt 0 0\nvt 1 0\nvt 1 1\nvt 0 1\n"
                             "vn 0 0 1\ng side\nusemtl red\nf 1/1/1 2/2/1 3/3/1 4/4/1\n";
    for (size_t n = 0; n <= text.size(); ++n) {
        const std::vector<char> cut(text.begin(), text.begin() + n);
        try {
            const InputMesh m = crt_encode::read_obj(cut, "cut.obj");
            for (uint32_t v : m.faces) ASSERT_LT(v, m.vertex_count());
        } catch (const std::runtime_error&) {
            // a message is as good as a shorter mesh
        }
    }
}
