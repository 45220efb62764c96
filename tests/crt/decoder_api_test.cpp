// The exported functions on whole hand-made streams: header, counts, binding by name,
// the decode order and the messages that cross the C boundary.
#include <gtest/gtest.h>

#include <cmath>
#include <thread>

#include "crt/crt.h"
#include "crt/decoder.h"
#include "crt/errors.h"
#include "stream_builder.h"

using crt_test::AttributeDesc;
using crt_test::BitWriter;
using crt_test::StreamBuilder;

namespace {

// A decode through the C functions with arrays sized by the counts.
struct Decoded {
    void* handle = nullptr;
    float info[2] = {-1, -1};
    int result = 0;
    std::string error;
    std::vector<float> positions, normals, colors, uvs;
    std::vector<uint32_t> indices;

    explicit Decoded(const std::vector<uint8_t>& bytes, int position_components = 3, int uv_components = 2,
                     bool with_uvs = true) {
        handle = CreateDecoder(static_cast<int>(bytes.size()), bytes.data(), info);
        if (!handle) {
            error = GetLastDecoderError();
            return;
        }
        const size_t V = static_cast<size_t>(info[1]), F = static_cast<size_t>(info[0]);
        positions.assign(V * position_components, NAN);
        normals.assign(V * 3, NAN);
        colors.assign(V * 4, NAN);
        uvs.assign(V * uv_components, NAN);
        indices.assign(F * 3, 0xDEADBEEF);
        result = DecodeMesh(handle, positions.data(), indices.data(), normals.data(), colors.data(),
                            with_uvs ? uvs.data() : nullptr);
        error = GetLastDecoderError();
    }
    ~Decoded() { DestroyDecoder(handle); }
};

}  // namespace

TEST(CreateDecoder, WrongMagicIsNotACrtFile) {
    std::vector<uint8_t> bytes = crt_test::one_triangle_stream(0);
    bytes[1] = 0x64;
    float info[2];
    EXPECT_EQ(CreateDecoder(static_cast<int>(bytes.size()), bytes.data(), info), nullptr);
    EXPECT_STREQ(GetLastDecoderError(), "Not a crt file.");
    EXPECT_EQ(CreateDecoder(3, bytes.data(), info), nullptr);
    EXPECT_STREQ(GetLastDecoderError(), "Not a crt file.");
}

TEST(CreateDecoder, ReportsFaceAndVertexCountsAndKeepsTheProperties) {
    const std::vector<uint8_t> bytes = crt_test::tetrahedron_stream(0);
    float info[2];
    void* handle = CreateDecoder(static_cast<int>(bytes.size()), bytes.data(), info);
    ASSERT_NE(handle, nullptr);
    EXPECT_STREQ(GetLastDecoderError(), "");
    EXPECT_EQ(info[0], 4.0f);
    EXPECT_EQ(info[1], 4.0f);
    const auto* d = static_cast<crt::Decoder*>(handle);
    EXPECT_EQ(d->properties.at("name"), "tetra");
    EXPECT_EQ(d->properties.at("units"), "mm");
    // Map order: color, normal, position.
    std::vector<std::string> names;
    for (const auto& a : d->attributes) names.push_back(a.first);
    EXPECT_EQ(names, (std::vector<std::string>{"color", "normal", "position"}));
    EXPECT_EQ(d->attributes.at("normal")->components, 3);
    DestroyDecoder(handle);
    DestroyDecoder(nullptr);
}

TEST(CreateDecoder, BadArgumentsAreRefused) {
    float info[2];
    const std::vector<uint8_t> bytes = crt_test::one_triangle_stream(0);
    EXPECT_EQ(CreateDecoder(-1, bytes.data(), info), nullptr);
    EXPECT_STREQ(GetLastDecoderError(), crt::kInvalidArguments);
    EXPECT_EQ(CreateDecoder(10, nullptr, info), nullptr);
    EXPECT_EQ(CreateDecoder(0, nullptr, info), nullptr);
    // A caller that still passes 0 for the length learns what the argument means.
    EXPECT_EQ(CreateDecoder(0, bytes.data(), info), nullptr);
    EXPECT_STREQ(GetLastDecoderError(), crt::kZeroLength);
    // info may be null.
    void* handle = CreateDecoder(static_cast<int>(bytes.size()), bytes.data(), nullptr);
    EXPECT_NE(handle, nullptr);
    DestroyDecoder(handle);
}

TEST(DecodeMesh, OneTriangleWithStepHalf) {
    for (int entropy : {0, 1}) {
        Decoded d(crt_test::one_triangle_stream(entropy));
        ASSERT_EQ(d.result, 1) << d.error;
        EXPECT_EQ(d.indices, (std::vector<uint32_t>{0, 1, 2}));
        EXPECT_EQ(d.positions, (std::vector<float>{0, 0, 0, 2, 0, 0, 0, 4, 0}));
    }
}

TEST(DecodeMesh, TwoTrianglesWithParallelogramPositionsAndCorrelatedUvs) {
    for (int entropy : {0, 1}) {
        Decoded d(crt_test::two_triangle_stream(entropy));
        ASSERT_EQ(d.result, 2) << d.error;
        EXPECT_EQ(d.indices, (std::vector<uint32_t>{0, 1, 2, 2, 1, 3}));
        EXPECT_EQ(d.positions, (std::vector<float>{0, 0, 0, 10, 0, 0, 0, 10, 0, 10, 10, 1}));
        EXPECT_EQ(d.uvs, (std::vector<float>{0, 0, 1, 0, 0, 1, 1, 1}));
    }
}

TEST(DecodeMesh, NullUvArrayStillDecodesTheRest) {
    Decoded d(crt_test::two_triangle_stream(0), 3, 2, false);
    ASSERT_EQ(d.result, 2) << d.error;
    EXPECT_EQ(d.positions, (std::vector<float>{0, 0, 0, 10, 0, 0, 0, 10, 0, 10, 10, 1}));
    EXPECT_TRUE(std::isnan(d.uvs[0]));
}

TEST(DecodeMesh, TetrahedronWithDifferentialNormalsAndColours) {
    for (int entropy : {0, 1}) {
        Decoded d(crt_test::tetrahedron_stream(entropy));
        ASSERT_EQ(d.result, 4) << d.error;
        EXPECT_EQ(d.indices, (std::vector<uint32_t>{0, 1, 2, 2, 1, 3, 3, 1, 0, 3, 0, 2}));
        EXPECT_EQ(d.positions, (std::vector<float>{0, 0, 0, 4, 0, 0, 0, 4, 0, 0, 0, 4}));
        EXPECT_EQ(d.normals, (std::vector<float>{0, 0, 1, 1, 0, 0, 0, -1, 0, 0, 1, 0}));
        for (int v = 0; v < 4; ++v) {
            // The stream's byte format is overridden: the caller always gets floats.
            EXPECT_FLOAT_EQ(d.colors[v * 4 + 0], 130.0f / 255.0f);
            EXPECT_FLOAT_EQ(d.colors[v * 4 + 1], 100.0f / 255.0f);
            EXPECT_FLOAT_EQ(d.colors[v * 4 + 2], 120.0f / 255.0f);
            EXPECT_FLOAT_EQ(d.colors[v * 4 + 3], 1.0f);
        }
    }
}

TEST(DecodeMesh, EstimatedNormalsCorrectEveryVertexOrOnlyTheBorder) {
    const float len = std::sqrt(10.0f * 10.0f + 245.0f * 245.0f);
    for (int mode : {1, 2}) {
        Decoded d(crt_test::estimated_normals_stream(mode));
        ASSERT_EQ(d.result, 2) << d.error;
        for (int v = 0; v < 3; ++v) {
            EXPECT_EQ(d.normals[v * 3 + 0], 0.0f);
            EXPECT_EQ(d.normals[v * 3 + 1], 0.0f);
            EXPECT_EQ(d.normals[v * 3 + 2], 1.0f);
        }
        EXPECT_FLOAT_EQ(d.normals[9], 10.0f / len);
        EXPECT_FLOAT_EQ(d.normals[11], 245.0f / len);
    }
}

TEST(DecodeMesh, EstimatedNormalsWorkWithoutAPositionsArray) {
    const std::vector<uint8_t> bytes = crt_test::estimated_normals_stream(1);
    float info[2];
    void* h = CreateDecoder(static_cast<int>(bytes.size()), bytes.data(), info);
    std::vector<float> normals(12);
    std::vector<uint32_t> indices(6);
    ASSERT_EQ(DecodeMesh(h, nullptr, indices.data(), normals.data(), nullptr, nullptr), 2) << GetLastDecoderError();
    EXPECT_EQ(normals[2], 1.0f);
    DestroyDecoder(h);
}

namespace {

// Closed tetrahedron with estimated normals and the given mode and corrections.
std::vector<uint8_t> tetra_estimated(int mode, const std::vector<int32_t>& corrections,
                                     AttributeDesc position = {"position", 1, 1.0f, 3, 6, 1}) {
    StreamBuilder s;
    s.header(0, {}, {position, {"normal", 2, 255.0f, 3, 6, 0}}, 4, 4);
    s.mesh_header({4});
    s.connectivity({0, 0, 1, 3}, BitWriter{});
    s.u8(static_cast<uint8_t>(mode)).correlated(corrections, 2);
    if (position.codec == 3) {
        s.u8(1).u8(1).u8(1).u8(1).per_component(std::vector<int32_t>(16, 0), 4);
    } else {
        s.per_component({0, 0, 0, 4, 0, 0, -4, 4, 0, -4, -4, 4}, position.components);
    }
    return s.bytes;
}

}  // namespace

TEST(DecodeMesh, InteriorVerticesOfBorderCorrectedNormalsUseTheEstimate) {
    // A closed tetrahedron has no border: no corrections, every normal is its estimate.
    // Vertex 0 at the origin gathers (0,0,16) + (0,16,0) + (16,0,0).
    Decoded d(tetra_estimated(2, {}));
    ASSERT_EQ(d.result, 4) << d.error;
    const float third = 1.0f / std::sqrt(3.0f);
    EXPECT_NEAR(d.normals[0], third, 1e-6f);
    EXPECT_NEAR(d.normals[1], third, 1e-6f);
    EXPECT_NEAR(d.normals[2], third, 1e-6f);
}

TEST(DecodeMesh, EstimatedNormalsNeedAnIntegerPositionWithThreeComponents) {
    Decoded missing(tetra_estimated(1, std::vector<int32_t>(8, 0), {"place", 1, 1.0f, 3, 6, 1}));
    EXPECT_EQ(missing.result, -2);
    EXPECT_EQ(missing.error, "No position attribute found. Use DIFF normal strategy instead.");

    Decoded colour(tetra_estimated(1, std::vector<int32_t>(8, 0), {"position", 3, 1.0f, 4, 6, 0}), 4);
    EXPECT_EQ(colour.result, -2);
    EXPECT_EQ(colour.error, "Position attr has been overloaded, Use DIFF normal strategy instead.");

    StreamBuilder flat;
    flat.header(0, {}, {{"position", 1, 1.0f, 2, 6, 0}, {"normal", 2, 255.0f, 3, 6, 0}}, 3, 1);
    flat.mesh_header({1}).connectivity({0}, BitWriter{});
    flat.u8(1).correlated(std::vector<int32_t>(6, 0), 2).per_component(std::vector<int32_t>(6, 0), 2);
    Decoded two(flat.bytes, 2);
    EXPECT_EQ(two.result, -2);
    EXPECT_EQ(two.error, crt::kPositionComponents);
}

TEST(DecodeMesh, BorderCorrectionsThatRunOutAreRefused) {
    // The square's four vertices are all on the border but only two corrections are stored.
    StreamBuilder s;
    s.header(0, {}, {{"position", 1, 1.0f, 3, 6, 0}, {"normal", 2, 255.0f, 3, 6, 0}}, 4, 2);
    s.mesh_header({2}).connectivity({0, 0}, BitWriter{});
    s.u8(2).correlated({0, 0, 0, 0}, 2).per_component({0, 0, 0, 1, 0, 0, -1, 1, 0, 1, 0, 0}, 3);
    Decoded d(s.bytes);
    EXPECT_EQ(d.result, -2);
    EXPECT_EQ(d.error, crt::kCorrectionsEnded);
}

// Streams the format decodes that an earlier decoder refused.
TEST(DecodableStreams, UnboundAttributesMayHaveShortOrUnequalBlocks) {
    StreamBuilder s;
    s.header(0, {}, {{"position", 1, 1.0f, 3, 6, 0}, {"uv", 1, 1.0f, 2, 6, 0}, {"weights", 1, 1.0f, 2, 6, 0}}, 3, 1);
    s.mesh_header({1}).connectivity({0}, BitWriter{});
    s.per_component({1, 2, 3, 0, 0, 0, 0, 0, 0}, 3);
    s.word_block({}).block({0, 0}).block({0});  // uv: two vertices, then one
    s.word_block({}).block({0}).block({});     // weights
    Decoded d(s.bytes, 3, 2, false);
    ASSERT_EQ(d.result, 1) << d.error;
    EXPECT_EQ(d.positions, (std::vector<float>{1, 2, 3, 1, 2, 3, 1, 2, 3}));
}

TEST(DecodableStreams, ShortCorrelatedNormalBlockLeavesTheMissingPairsZero) {
    // Two triangles; normals for three of the four vertices. Vertex 3 predicts from
    // vertex 2: its residual pair is 0 in the differential mode, its correction 0 when
    // estimated.
    for (int mode : {0, 1}) {
        StreamBuilder s;
        s.header(0, {}, {{"position", 1, 1.0f, 3, 6, 0}, {"normal", 2, 255.0f, 3, 6, 0}}, 4, 2);
        s.mesh_header({2}).connectivity({0, 0}, BitWriter{});
        s.u8(static_cast<uint8_t>(mode)).correlated(mode == 0 ? std::vector<int32_t>{0, 0, 255, 0, -255, 0}
                                                             : std::vector<int32_t>(6, 0), 2);
        s.per_component({0, 0, 0, 1, 0, 0, -1, 1, 0, 1, 0, 0}, 3);
        Decoded d(s.bytes);
        ASSERT_EQ(d.result, 2) << "mode " << mode << ": " << d.error;
        EXPECT_EQ(std::vector<float>(d.normals.begin() + 9, d.normals.end()), (std::vector<float>{0, 0, 1})) << mode;
    }
}

TEST(DecodableStreams, UnknownNormalModeIsSkippedOnlyWithoutANormalsArray) {
    StreamBuilder s;
    s.header(0, {}, {{"normal", 2, 255.0f, 3, 6, 0}, {"position", 1, 1.0f, 3, 6, 0}}, 3, 1);
    s.mesh_header({1}).connectivity({0}, BitWriter{});
    s.u8(7).correlated({5, 5}, 2);  // one pair: an unknown mode is not held to the vertex count
    s.per_component({1, 2, 3, 0, 0, 0, 0, 0, 0}, 3);
    float info[2], positions[9], normals[9];
    uint32_t indices[3];
    void* h = CreateDecoder(static_cast<int>(s.bytes.size()), s.bytes.data(), info);
    ASSERT_EQ(DecodeMesh(h, positions, indices, nullptr, nullptr, nullptr), 1) << GetLastDecoderError();
    EXPECT_EQ(std::vector<float>(positions, positions + 9), (std::vector<float>{1, 2, 3, 1, 2, 3, 1, 2, 3}));
    DestroyDecoder(h);
    h = CreateDecoder(static_cast<int>(s.bytes.size()), s.bytes.data(), info);
    EXPECT_EQ(DecodeMesh(h, positions, indices, normals, nullptr, nullptr), -2);
    EXPECT_STREQ(GetLastDecoderError(), crt::kUnknownNormalMode);
    DestroyDecoder(h);
}

TEST(DecodeMesh, ZeroFacesGivesMinusOneButCreateDecoderReportsTheCounts) {
    StreamBuilder s;
    s.header(0, {}, {{"position", 1, 1.0f, 3, 6, 0}}, 7, 0);
    Decoded d(s.bytes);
    EXPECT_EQ(d.info[0], 0.0f);
    EXPECT_EQ(d.info[1], 7.0f);
    EXPECT_EQ(d.result, -1);
    EXPECT_EQ(d.error, "");
}

TEST(DecodeMesh, NoAttributesDecodesOnlyTheIndices) {
    for (int64_t count : {int64_t(0), int64_t(-1), int64_t(INT32_MIN)}) {
        StreamBuilder s;
        s.header(0, {}, {}, 3, 1, count);
        s.mesh_header({1}).connectivity({0}, BitWriter{});
        Decoded d(s.bytes);
        ASSERT_EQ(d.result, 1) << count << " " << d.error;
        EXPECT_EQ(d.indices, (std::vector<uint32_t>{0, 1, 2}));
        EXPECT_TRUE(std::isnan(d.positions[0]));
    }
}

TEST(DecodeMesh, AttributesOfOtherNamesAreReadAndDiscarded) {
    StreamBuilder s;
    s.header(0, {}, {{"position", 1, 1.0f, 1, 6, 0}, {"weight", 1, 1.0f, 2, 6, 2}}, 3, 1);
    s.mesh_header({1}).connectivity({0}, BitWriter{});
    s.per_component({3, 1, 1}, 1);         // position
    s.correlated({1, 2, 3, 4, 5, 6}, 2);   // weight, after position in name order
    Decoded d(s.bytes, 1);
    ASSERT_EQ(d.result, 1) << d.error;
    EXPECT_EQ(d.positions, (std::vector<float>{3, 4, 5}));
}

TEST(DecodeMesh, ALaterPositionDescriptorReplacesTheEarlierOne) {
    StreamBuilder s;
    s.header(0, {}, {{"position", 1, 1.0f, 3, 6, 0}, {"position", 1, 2.0f, 1, 6, 0}}, 3, 1);
    s.mesh_header({1}).connectivity({0}, BitWriter{});
    s.per_component({1, 1, 1}, 1);  // data for the one remaining attribute only
    const std::vector<uint8_t> bytes = s.bytes;
    float info[2];
    void* h = CreateDecoder(static_cast<int>(bytes.size()), bytes.data(), info);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(static_cast<crt::Decoder*>(h)->attributes.size(), 1u);
    DestroyDecoder(h);
    Decoded d(bytes, 1);
    ASSERT_EQ(d.result, 1) << d.error;
    EXPECT_EQ(d.positions, (std::vector<float>{2, 4, 6}));
}

TEST(DecodeMesh, PaddingFollowsTheOffsetFromTheMagic) {
    // The same mesh after a property value one byte longer: different padding, same mesh.
    for (const char* value : {"ab", "abc", "abcd", "abcde"}) {
        StreamBuilder s;
        s.header(0, {{"k", value}}, {{"position", 1, 1.0f, 1, 6, 0}}, 4, 2);
        s.mesh_header({2});
        BitWriter bits;
        bits.put(0b101, 2 + 1);  // unused trailing bits do no harm
        s.connectivity({0, 0}, bits);
        s.per_component({1, 1, 1, 1}, 1);
        Decoded d(s.bytes, 1);
        ASSERT_EQ(d.result, 2) << value << " " << d.error;
        EXPECT_EQ(d.positions, (std::vector<float>{1, 2, 3, 4}));
    }
}

TEST(DecodeMesh, TwoGroupsKeepTheirPropertiesAndShareTheNumbering) {
    const std::vector<uint8_t> bytes = crt_test::two_group_stream();
    auto decoder = crt::create_decoder(bytes.data(), bytes.size());
    std::vector<float> positions(6);
    std::vector<uint32_t> indices(6);
    crt::OutputArrays out;
    out.positions = positions.data();
    out.indices = indices.data();
    ASSERT_EQ(crt::decode_mesh(*decoder, out), 2);
    EXPECT_EQ(indices, (std::vector<uint32_t>{0, 1, 2, 3, 4, 5}));
    EXPECT_EQ(positions, (std::vector<float>{5, 6, 7, 8, 9, 10}));
    ASSERT_EQ(decoder->index.groups.size(), 2u);
    EXPECT_EQ(decoder->index.groups[0].properties.at("material"), "stone");
    EXPECT_EQ(decoder->decoded_vertices, 6u);
}

TEST(DecodeMesh, UnknownEntropyCrossesTheBoundaryAsAMessage) {
    std::vector<uint8_t> bytes = crt_test::one_triangle_stream(0);
    bytes[8] = 2;
    Decoded d(bytes);  // the connectivity symbols are read by CreateDecoder
    EXPECT_EQ(d.handle, nullptr);
    EXPECT_EQ(d.error, "Unknown entropy");
}

TEST(DecodeMesh, AHandleServesOneDecode) {
    const std::vector<uint8_t> bytes = crt_test::one_triangle_stream(0);
    float info[2], positions[9];
    uint32_t indices[3];
    void* h = CreateDecoder(static_cast<int>(bytes.size()), bytes.data(), info);
    EXPECT_EQ(DecodeMesh(h, positions, indices, nullptr, nullptr, nullptr), 1);
    EXPECT_EQ(DecodeMesh(h, positions, indices, nullptr, nullptr, nullptr), -2);
    EXPECT_STREQ(GetLastDecoderError(), crt::kAlreadyDecoded);
    DestroyDecoder(h);
}

TEST(DecodeMesh, CallerMistakesGetAMessageNotACrash) {
    EXPECT_EQ(DecodeMesh(nullptr, nullptr, nullptr, nullptr, nullptr, nullptr), -2);
    EXPECT_STREQ(GetLastDecoderError(), crt::kNullDecoder);
    const std::vector<uint8_t> bytes = crt_test::one_triangle_stream(0);
    float info[2], positions[9];
    void* h = CreateDecoder(static_cast<int>(bytes.size()), bytes.data(), info);
    EXPECT_EQ(DecodeMesh(h, positions, nullptr, nullptr, nullptr, nullptr), -2);
    EXPECT_STREQ(GetLastDecoderError(), crt::kNoIndexArray);
    DestroyDecoder(h);
}

TEST(DecodeMesh, LastErrorIsPerThread) {
    std::vector<uint8_t> bad = {1, 2, 3, 4, 5};
    EXPECT_EQ(CreateDecoder(5, bad.data(), nullptr), nullptr);
    std::string other;
    std::thread([&] { other = GetLastDecoderError(); }).join();
    EXPECT_EQ(other, "");
    EXPECT_STREQ(GetLastDecoderError(), "Not a crt file.");
}
