// The crt-decode tool's summary and its PLY and OBJ output of decoded sample streams.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <stdexcept>

#include "decoded_mesh.h"
#include "stream_builder.h"

TEST(CrtDecodeTool, SummaryListsCountsPropertiesAndAttributes) {
    const crt_decode::DecodedMesh mesh = crt_decode::decode_stream(crt_test::tetrahedron_stream(1));
    std::ostringstream out;
    crt_decode::print_summary(out, mesh);
    const std::string text = out.str();
    EXPECT_NE(text.find("vertices: 4\nfaces: 4\nentropy: Tunstall\n"), std::string::npos) << text;
    EXPECT_NE(text.find("  name = tetra\n"), std::string::npos);
    EXPECT_NE(text.find("  normal: codec 2 (normal), step 255, components 3, strategy 0"), std::string::npos);
    EXPECT_NE(text.find("normals DIFF"), std::string::npos);
    EXPECT_NE(text.find("  position: codec 1 (generic), step 1, components 3, strategy 1 (parallelogram)"),
              std::string::npos);
}

TEST(CrtDecodeTool, SummaryEscapesControlBytesOfADamagedProperty) {
    std::vector<uint8_t> bytes = crt_test::tetrahedron_stream(1);
    const std::string name = "tetra";
    const auto at = std::search(bytes.begin(), bytes.end(), name.begin(), name.end());
    ASSERT_NE(at, bytes.end());
    *at = 0x1b;  // an escape byte would start a terminal control sequence
    std::ostringstream out;
    crt_decode::print_summary(out, crt_decode::decode_stream(bytes));
    EXPECT_NE(out.str().find("  name = \\x1betra\n"), std::string::npos) << out.str();
    EXPECT_EQ(out.str().find('\x1b'), std::string::npos);
}

TEST(CrtDecodeTool, PlyHoldsEveryVertexPropertyAndFace) {
    const crt_decode::DecodedMesh mesh = crt_decode::decode_stream(crt_test::tetrahedron_stream(0));
    std::ostringstream out;
    crt_decode::write_ply(out, mesh);
    const std::string text = out.str();
    EXPECT_NE(text.find("element vertex 4\n"), std::string::npos);
    EXPECT_NE(text.find("property uchar alpha\nelement face 4\n"), std::string::npos);
    EXPECT_NE(text.find("end_header\n0 0 0 0 0 1 130 100 120 255\n4 0 0 1 0 0 130 100 120 255\n"), std::string::npos)
        << text;
    EXPECT_NE(text.find("3 3 0 2\n"), std::string::npos);
}

TEST(CrtDecodeTool, ObjUsesOneBasedIndicesWithTextureCoordinates) {
    const crt_decode::DecodedMesh mesh = crt_decode::decode_stream(crt_test::two_triangle_stream(0));
    std::ostringstream out;
    crt_decode::write_obj(out, mesh);
    const std::string text = out.str();
    EXPECT_NE(text.find("v 10 10 1\n"), std::string::npos);
    EXPECT_NE(text.find("vt 1 1\n"), std::string::npos);
    EXPECT_NE(text.find("f 3/3 2/2 4/4\n"), std::string::npos) << text;
}

TEST(CrtDecodeTool, DamagedStreamBecomesAnErrorWithTheDecodersMessage) {
    std::vector<uint8_t> bytes = crt_test::one_triangle_stream(0);
    bytes.resize(bytes.size() - 1);
    try {
        crt_decode::decode_stream(bytes);
        FAIL();
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find("Truncated"), std::string::npos);
    }
}
