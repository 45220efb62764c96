// The shared PLY reader on real files written by other programs (../shared/testdata, see its
// PROVENANCE.md), on generated files of the header layouts other programs write, and on
// damaged and hostile files, which must give one line naming the file, never a crash.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "model_files.h"
#include "models/ply_reader.h"
#include "ply_samples.h"

namespace {

std::string bytes_of_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The element counts, read from the header text alone, beside the reader.
uint64_t header_count(const std::string& bytes, const std::string& element) {
    std::istringstream in(bytes);
    for (std::string line; std::getline(in, line) && line.rfind("end_header", 0) != 0;) {
        std::istringstream words(line);
        std::string keyword, name;
        uint64_t count = 0;
        if (words >> keyword >> name >> count && keyword == "element" && name == element) return count;
    }
    return 0;
}

ply::Mesh read(const std::string& bytes, bool keep = false, const std::string& name = "test.ply") {
    ply::Mesh mesh;
    ply::Options options;
    options.keep_declared_counts = keep;
    // An exact-size copy, so that a read past the end is caught by AddressSanitizer.
    const std::vector<char> exact(bytes.begin(), bytes.end());
    const bool read = ply::read(exact.data(), exact.size(), name, mesh, options);
    EXPECT_EQ(read, mesh.error.empty());
    return mesh;
}

std::string error_of(const std::string& bytes) { return read(bytes).error; }

bool has(const std::vector<std::string>& list, const std::string& item) {
    return std::find(list.begin(), list.end(), item) != list.end();
}

// Every index below the vertex count and every array of the size its counts make.
void expect_consistent(const ply::Mesh& m, const std::string& where) {
    EXPECT_EQ(m.positions.size() % 3, 0u) << where;
    EXPECT_EQ(m.triangles.size() % 3, 0u) << where;
    for (uint32_t i : m.triangles) ASSERT_LT(i, m.vertex_count()) << where;
    EXPECT_TRUE(m.normals.empty() || m.normals.size() == m.positions.size()) << where;
    EXPECT_EQ(m.colors.size(), m.vertex_count() * m.color_channels) << where;
    EXPECT_TRUE(m.corner_uvs.empty() || m.corner_uvs.size() == 2 * m.triangles.size()) << where;
}

}  // namespace

TEST(PlyRealFiles, EachReadsWithTheCountsItsHeaderDeclares) {
    SKIP_WITHOUT_TESTDATA("ply");
    const struct {
        const char* file;
        size_t vertices, faces;  // as PROVENANCE.md gives them; all faces are triangles
        int colors;
        bool normals, corner_uvs;
        const char* passed_over;
    } files[] = {
        {"ply/test_pos_color_ascii.ply", 114, 224, 4, false, false, ""},
        {"ply/test_pos_color_binary_le.ply", 114, 224, 4, false, false, ""},
        {"ply/test_more_datatypes.ply", 3, 1, 4, false, false, ""},
        {"ply/cube_att.ply", 24, 12, 0, true, true, ""},
        {"ply/platonic_cube.ply", 8, 12, 0, false, false, ""},
        {"meshes/bun_zipper.ply", 35947, 69451, 0, false, false, "vertex property confidence"},
    };
    for (const auto& f : files) {
        const std::string bytes = bytes_of_file(testdata(f.file));
        ASSERT_FALSE(bytes.empty()) << f.file;
        const ply::Mesh m = read(bytes, false, f.file);
        ASSERT_EQ(m.error, "") << f.file;
        EXPECT_EQ(m.vertex_count(), header_count(bytes, "vertex")) << f.file;
        EXPECT_EQ(m.faces, header_count(bytes, "face")) << f.file;
        EXPECT_EQ(m.vertex_count(), f.vertices) << f.file;
        EXPECT_EQ(m.faces, f.faces) << f.file;
        EXPECT_EQ(m.triangle_count(), f.faces) << f.file;
        EXPECT_EQ(m.color_channels, f.colors) << f.file;
        EXPECT_EQ(!m.normals.empty(), f.normals) << f.file;
        EXPECT_EQ(!m.corner_uvs.empty(), f.corner_uvs) << f.file;
        if (*f.passed_over) {
            EXPECT_TRUE(has(m.passed_over, f.passed_over)) << f.file;
        }
        EXPECT_TRUE(m.warnings.empty()) << f.file << ": " << (m.warnings.empty() ? "" : m.warnings[0]);
        expect_consistent(m, f.file);
        // The show's reading of a sound file is the same.
        const ply::Mesh shown = read(bytes, true, f.file);
        EXPECT_EQ(shown.triangles, m.triangles) << f.file;
        EXPECT_EQ(shown.positions, m.positions) << f.file;
    }
}

TEST(PlyLayouts, FaceElementBeforeVertexElementIsRead) {
    const ply::Mesh m = read(ply_samples::face_first_ascii());
    ASSERT_EQ(m.error, "");
    EXPECT_EQ(m.vertex_count(), 5u);
    EXPECT_EQ(m.faces, 3u);
    // The quad becomes a fan from its first corner.
    EXPECT_EQ(m.triangles, (std::vector<uint32_t>{0, 1, 2, 0, 2, 3, 0, 3, 4, 4, 3, 2}));
    EXPECT_EQ(m.positions[14], -0.25f);
    EXPECT_TRUE(m.passed_over.empty());
}

TEST(PlyLayouts, BigEndianWithExtraElementsAndPropertiesIsRead) {
    const ply::Mesh m = read(ply_samples::big_endian_with_extras());
    ASSERT_EQ(m.error, "");
    EXPECT_EQ(m.format, "binary_big_endian");
    EXPECT_EQ(m.positions, (std::vector<float>{0, 0, 0, 1.5f, 0, 0, 0, -2.25f, 0.125f}));
    EXPECT_EQ(m.normals[5], 1.0f);
    EXPECT_EQ(m.color_channels, 4);
    EXPECT_EQ(m.color_full[0], 255.0f);
    EXPECT_EQ(m.colors[5], 128.0f);
    EXPECT_EQ(m.colors[11], 128.0f);
    EXPECT_EQ(m.triangles, (std::vector<uint32_t>{0, 1, 2}));
    EXPECT_TRUE(has(m.passed_over, "vertex property quality"));
    EXPECT_TRUE(has(m.passed_over, "element edge (2 records)"));
    EXPECT_TRUE(has(m.passed_over, "face property flags"));
}

TEST(PlyLayouts, EveryTypeSpellingAndListTypeIsReadOrReadPast) {
    const ply::Mesh m = read(ply_samples::little_endian_every_type());
    ASSERT_EQ(m.error, "");
    EXPECT_EQ(m.positions, (std::vector<float>{0, 0, 0, 1, 2, -1, 2, 4, -2}));
    // Float colours are already 0..1: full intensity is 1.
    EXPECT_EQ(m.color_channels, 3);
    EXPECT_EQ(m.color_full[2], 1.0f);
    EXPECT_EQ(m.colors, (std::vector<float>{1, 0.5f, 0, 1, 0.5f, 0.25f, 1, 0.5f, 0.5f}));
    EXPECT_EQ(m.triangles, (std::vector<uint32_t>{0, 1, 2, 2, 1, 0}));
    ASSERT_EQ(m.corner_uvs.size(), 12u);
    EXPECT_EQ(m.corner_uvs[5], 0.625f);
    EXPECT_EQ(m.corner_uvs[6], 1.0f);
    for (const char* name : {"c1", "c2", "u1", "u2", "s1", "s2", "us1", "us2", "i1", "i2", "ui1", "ui2", "samples"})
        EXPECT_TRUE(has(m.passed_over, std::string("vertex property ") + name)) << name;
    EXPECT_TRUE(has(m.passed_over, "face property weights"));
}

TEST(PlyLayouts, CrlfHeadersAndTheShowsOwnLayoutAreRead) {
    const ply::Mesh crlf = read(with_crlf(ply_samples::face_first_ascii()));
    EXPECT_EQ(crlf.triangle_count(), 4u) << crlf.error;
    const ply::Mesh show = read(ply_samples::show_layout());
    ASSERT_EQ(show.error, "");
    EXPECT_EQ(show.color_channels, 4);
    EXPECT_EQ(show.colors[4], 7.0f);
    EXPECT_EQ(show.corner_uvs[11], 0.5f) << "the second face's last corner";
    EXPECT_TRUE(show.passed_over.empty());
}

TEST(PlyHostile, CountsPastTheDataAreRefusedBeforeAnythingIsAllocated) {
    const std::string binary = "ply\nformat binary_little_endian 1.0\nelement vertex 4000000000\n"
                               "property float x\nproperty float y\nproperty float z\nend_header\n";
    EXPECT_EQ(error_of(binary), "test.ply: element \"vertex\" declares 4000000000 records, which runs past the data");
    EXPECT_NE(error_of("ply\nformat ascii 1.0\nelement vertex 99999999999999999999\nend_header\n")
                  .find("whole-number count"), std::string::npos);
    // An element of no properties costs nothing, however many records it declares.
    const ply::Mesh none = read("ply\nformat ascii 1.0\nelement vertex 1\nproperty float x\nproperty float y\n"
                                "property float z\nelement nothing 18446744073709551615\nend_header\n1 2 3\n");
    EXPECT_EQ(none.error, "");
    // Keeping the declared counts, a count is cut to what the file could hold.
    const ply::Mesh cut = read(binary, true);
    EXPECT_TRUE(cut.counts_cut);
    EXPECT_LT(cut.vertex_count(), 1000u);
    ASSERT_FALSE(cut.warnings.empty());
    EXPECT_EQ(cut.warnings[0].rfind("test.ply: declares 4000000000 vertex records but can hold at most", 0), 0u);
}

TEST(PlyHostile, ListCountsPastTheDataAreRefused) {
    std::string bytes = "ply\nformat binary_little_endian 1.0\nelement vertex 1\nproperty uchar x\nproperty uchar y\n"
                        "property uchar z\nelement face 1\nproperty list uint int vertex_indices\nend_header\n";
    bytes += std::string("\1\2\3\xff\xff\xff\xff\0\0\0\0", 11);
    EXPECT_NE(error_of(bytes).find("list \"vertex_indices\" of 4294967295 items runs past the data (face 0 of 1)"),
              std::string::npos) << error_of(bytes);
    const ply::Mesh kept = read(bytes, true);
    EXPECT_TRUE(kept.ended_early);
    expect_consistent(kept, "kept");
}

TEST(PlyHostile, IndicesOutsideTheVerticesNameTheFileAndTheFace) {
    const std::string head = "ply\nformat ascii 1.0\nelement vertex 3\nproperty float x\nproperty float y\n"
                             "property float z\nelement face 2\nproperty list uchar int vertex_indices\nend_header\n"
                             "0 0 0\n1 0 0\n0 1 0\n3 0 1 2\n";
    EXPECT_EQ(error_of(head + "3 0 1 3\n"), "test.ply: face 1 refers to vertex 3 outside the 3 vertices");
    EXPECT_EQ(error_of(head + "3 0 -1 2\n"), "test.ply: face 1 refers to vertex -1 outside the 3 vertices");
    EXPECT_EQ(error_of(head + "3 0 1.5 2\n"), "test.ply: face 1 refers to vertex 1.5 outside the 3 vertices");
    // As the show reads: the face is left out, and said.
    const ply::Mesh kept = read(head + "3 0 1 3\n", true);
    EXPECT_EQ(kept.triangles, (std::vector<uint32_t>{0, 1, 2}));
    EXPECT_EQ(kept.faces_outside, 1u);
    EXPECT_EQ(kept.warnings,
              std::vector<std::string>{"test.ply: 1 face(s) point outside the 3 vertices and are left out"});
}

TEST(PlyHostile, EveryTruncationIsAnErrorOrAConsistentMesh) {
    for (const auto& [name, whole] : ply_samples::all()) {
        const size_t data_start = whole.find("end_header") + 11;
        for (size_t n = 0; n < whole.size(); ++n) {
            const std::string cut = whole.substr(0, n), where = name + " cut at " + std::to_string(n);
            const ply::Mesh strict = read(cut);
            // An ASCII file cut after a whole number, or at its last line end, still reads.
            if (strict.error.empty()) {
                EXPECT_EQ(name.find("binary"), std::string::npos) << where;
            }
            expect_consistent(strict, where);
            const ply::Mesh kept = read(cut, true);
            expect_consistent(kept, where);
            // Kept: every declared record is there, from a complete header on.
            if (n >= data_start) {
                EXPECT_EQ(kept.error, "") << where;
                EXPECT_EQ(kept.vertex_count(), header_count(whole, "vertex")) << where;
                EXPECT_EQ(kept.faces, header_count(whole, "face")) << where;
            }
        }
    }
}

TEST(PlyHostile, HeadersThatAreNoPlyGiveOneLineNamingTheFile) {
    const struct {
        std::string text, says;
    } cases[] = {
        {"", "test.ply: empty file"},
        {"PLY\n", "test.ply: not a PLY file (no \"ply\" first line)"},
        {"\x89\x13garbage", "test.ply: not a PLY file"},
        {"ply\nformat ascii 1.0\nelement vertex 3\n", "test.ply: header has no end_header"},
        {"ply\nelement vertex 0\nend_header\n", "test.ply: header has no format line"},
        {"ply\nformat ascii 1.0\nproperty float x\nend_header\n", "property before any element"},
        {"ply\nformat ascii 1.0\nelement vertex 1\nproperty quad x\nend_header\n", "unknown property type"},
        {"ply\nformat ascii 1.0\nelement vertex 1\nproperty list uchar x\nend_header\n", "cannot be read"},
        {"ply\nformat ascii 1.0\nelement vertex -5\nend_header\n", "whole-number count: \"element vertex -5\""},
        {"ply\nformat binary_middle_endian 1.0\nend_header\n", "unknown format \"binary_middle_endian\""},
        {"ply\nformat ascii 1.0\nelement face 0\nproperty list uchar int vertex_indices\nend_header\n",
         "no vertex element"},
        {"ply\nformat ascii 1.0\nelement vertex 1\nproperty float x\nend_header\n1\n", "has no x, y and z"},
        {"ply\nformat ascii 1.0\nelement vertex 1\nproperty float x\nproperty float y\nproperty float z\n"
         "end_header\n0 nan? 0\n", "a value is not a number: \"nan?\" (vertex 0 of 1)"},
        {"ply\nformat ascii 1.0\nelement vertex 1\nproperty float x\nproperty float \x1b[2J more\nend_header\n",
         "cannot be read: \"property float \\x1b[2J more\""},
    };
    for (const auto& c : cases) {
        const std::string error = error_of(c.text);
        EXPECT_EQ(error.rfind("test.ply: ", 0), 0u) << error;
        EXPECT_NE(error.find(c.says), std::string::npos) << error;
        for (unsigned char ch : error) EXPECT_TRUE(ch >= 0x20 && ch < 0x7f) << error;
    }
}
