// Attribute encoding through whole streams: quantisation, the channel transform, octahedral
// pairs, estimated normals, every entropy kind and strategy on generated meshes, and the
// encoder's refusals of input it cannot store.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <random>

#include "crt/decoder.h"
#include "crt/encoder.h"
#include "crt/errors.h"
#include "crt/octahedral.h"
#include "encode_mesh.h"
#include "round_trip.h"
#include "test_meshes.h"
#include "stream_builder.h"

using crt_encode::EncodeSettings;
using crt_test::InputMesh;

using crt_test::error_of;

namespace {

const uint32_t kTriangle[] = {0, 1, 2};

::testing::AssertionResult round_trip(const InputMesh& mesh, const EncodeSettings& s) {
    const crt_encode::EncodedMesh encoded = crt_encode::encode_mesh(mesh, s);
    return crt_test::same_mesh(mesh, encoded, crt_test::decode_with_api(encoded.bytes));
}

}  // namespace

TEST(AttributeEncoding, EveryEntropyKindStrategyAndNormalModeRoundTrips) {
    const InputMesh meshes[] = {crt_test::grid_with_hole(10), crt_test::torus(16, 9)};
    for (const InputMesh& mesh : meshes) {
        for (int entropy : {0, 1})
            for (int32_t strategy : {0, 1, 2, 3})
                for (auto mode : {crt::NormalAttr::differential, crt::NormalAttr::estimated,
                                  crt::NormalAttr::border_corrected}) {
                    EncodeSettings s;
                    s.entropy = entropy;
                    s.position_strategy = s.uv_strategy = strategy;
                    s.normal_mode = mode;
                    s.choose_strategies = s.choose_normal_mode = false;
                    EXPECT_TRUE(round_trip(mesh, s)) << "entropy " << entropy << " strategy " << strategy
                                                     << " normals " << mode << " on " << mesh.vertex_count();
                }
    }
}

TEST(AttributeEncoding, ChosenStrategiesAndNormalModesAreNeverLargerThanAFaithfulPinnedOne) {
    // Quick coding on both sides, so that the choice is measured with the final coder. A
    // pinned mode whose normals stray past the grid's precision may be smaller: the choice
    // must not take it.
    const InputMesh mesh = crt_test::torus(24, 12);
    EncodeSettings defaults;
    defaults.fast = true;
    const crt_encode::EncodedMesh chosen = crt_encode::encode_mesh(mesh, defaults);
    EXPECT_TRUE(crt_test::same_mesh(mesh, chosen, crt_test::decode_with_api(chosen.bytes)));
    const double precision = crt::normal_precision(chosen.normal_unit);
    EXPECT_LE(chosen.normal_worst_error, precision);
    for (int32_t strategy : {0, 1, 2, 3})
        for (auto mode : {crt::NormalAttr::differential, crt::NormalAttr::estimated, crt::NormalAttr::border_corrected}) {
            EncodeSettings s = defaults;
            s.position_strategy = s.uv_strategy = strategy;
            s.normal_mode = mode;
            s.choose_strategies = s.choose_normal_mode = false;
            const crt_encode::EncodedMesh pinned = crt_encode::encode_mesh(mesh, s);
            if (pinned.normal_worst_error <= precision) {
                EXPECT_LE(chosen.bytes.size(), pinned.bytes.size()) << strategy << " " << mode;
            }
        }
}

TEST(AttributeEncoding, DefaultNormalsOfACreasedLowPolyMeshKeepTheFilesNormals) {
    // A closed cube has no border: the border mode would give every corner the estimate
    // from the positions, which leans towards the faces with more triangles there.
    const InputMesh cube = crt_test::creased_cube();
    EncodeSettings border;
    border.normal_mode = crt::NormalAttr::border_corrected;
    border.choose_normal_mode = false;
    const double precision = crt::normal_precision(crt::normal_unit_for_bits(border.normal_bits));
    EXPECT_GT(crt_encode::encode_mesh(cube, border).normal_worst_error, 10.0 * M_PI / 180.0);
    for (bool fast : {false, true}) {
        EncodeSettings defaults;
        defaults.fast = fast;
        const crt_encode::EncodedMesh e = crt_encode::encode_mesh(cube, defaults);
        EXPECT_NE(e.normal_mode, crt::NormalAttr::border_corrected);
        EXPECT_LE(e.normal_worst_error, precision);
        EXPECT_TRUE(crt_test::same_mesh(cube, e, crt_test::decode_with_api(e.bytes)));
    }
}

TEST(AttributeEncoding, EqualCornersAreMergedUnlessAskedNotTo) {
    // A soup of a textured grid: every corner of one position carries the same values,
    // so it stores as the grid does; split only by a dropped attribute, the same.
    const InputMesh grid = crt_test::grid(10, 8);
    const InputMesh soup = crt_test::soup_of(grid);
    EncodeSettings s, apart;
    apart.merge = false;
    const crt_encode::EncodedMesh merged = crt_encode::encode_mesh(soup, s);
    EXPECT_EQ(merged.code.vertex_order.size(), grid.vertex_count());
    EXPECT_TRUE(crt_test::same_mesh(soup, merged, crt_test::decode_with_api(merged.bytes)));
    EXPECT_LE(merged.bytes.size(), crt_encode::encode_mesh(grid, s).bytes.size() * 21 / 20);
    const crt_encode::EncodedMesh kept = crt_encode::encode_mesh(soup, apart);
    EXPECT_EQ(kept.code.vertex_order.size(), soup.vertex_count());
    EXPECT_GT(kept.bytes.size(), merged.bytes.size() * 2);

    InputMesh seams = grid;  // every fourth face with corners and uvs of its own
    for (uint32_t f = 0; f < seams.face_count(); f += 4)
        for (int k = 0; k < 3; ++k) {
            const uint32_t v = seams.faces[f * 3 + k];
            for (size_t j = 0; j < 3; ++j) seams.positions.push_back(seams.positions[v * 3 + j]);
            for (size_t j = 0; j < 3; ++j) seams.normals.push_back(seams.normals[v * 3 + j]);
            for (size_t j = 0; j < 4; ++j) seams.colors.push_back(seams.colors[v * 4 + j]);
            seams.uvs.insert(seams.uvs.end(), {0.5f, 0.5f});
            seams.faces[f * 3 + k] = seams.vertex_count() - 1;
        }
    EncodeSettings no_uvs;
    no_uvs.uvs = false;
    const crt_encode::EncodedMesh without = crt_encode::encode_mesh(seams, no_uvs);
    EXPECT_EQ(without.code.vertex_order.size(), grid.vertex_count());
    EXPECT_TRUE(crt_test::same_mesh(seams, without, crt_test::decode_with_api(without.bytes)));
    EXPECT_GT(crt_encode::encode_mesh(seams, s).code.vertex_order.size(), grid.vertex_count());
}

TEST(AttributeEncoding, StreamPartsAddUpToTheStream) {
    // Every attribute kind, both residual codings, both entropy kinds: a part missed or
    // counted twice would make the --stats table lie.
    const InputMesh mesh = crt_test::grid(9, 7);
    for (int entropy : {0, 1})
        for (int32_t strategy : {crt::kParallelogram, crt::kParallelogram | crt::kCorrelated}) {
            EncodeSettings s;
            s.entropy = entropy;
            s.position_strategy = s.uv_strategy = strategy;
            s.choose_strategies = false;
            s.stats = true;
            const crt_encode::EncodedMesh encoded = crt_encode::encode_mesh(mesh, s);
            size_t total = 0;
            for (const crt::StreamPart& p : encoded.parts) total += p.bytes;
            EXPECT_EQ(total, encoded.bytes.size()) << entropy << " " << strategy;
            EXPECT_GE(encoded.parts.size(), 10u);
        }
}

TEST(AttributeEncoding, CoarseAndFineStepsStayWithinHalfAStep) {
    const InputMesh mesh = crt_test::grid_with_hole(9);
    for (int bits : {1, 4, 8, 16, 22}) {
        EncodeSettings s;
        s.position_bits = s.uv_bits = bits;
        s.normal_bits = std::max(2, bits);
        s.color_bits = std::min(8, bits);
        EXPECT_TRUE(round_trip(mesh, s)) << bits << " bits";
    }
}

TEST(AttributeEncoding, QuantisationRoundsToTheNearestStep) {
    crt::GenericAttr<int> a;
    a.components = 1;
    a.step = 0.5f;
    const float in[] = {3.5f, 3.74f, -3.76f, 0.2f};
    a.quantize_from(4, in, crt::format_float);
    EXPECT_EQ(a.quantized, (std::vector<int>{7, 7, -8, 0}));
    const int16_t shorts[] = {-3, 5};
    a.step = 2.0f;
    a.quantize_from(2, shorts, crt::format_int16);
    EXPECT_EQ(a.quantized, (std::vector<int>{-2, 2})) << "ties go to the even integer";
}

TEST(AttributeEncoding, ValuesBeyondThe32BitRangeAndBadStepsAreRefused) {
    crt::GenericAttr<int> a;
    a.components = 1;
    a.step = 1e-6f;
    const float big[] = {1e6f};
    EXPECT_EQ(error_of([&] { a.quantize_from(1, big, crt::format_float); }), crt::kQuantizeRange);
    const float nan[] = {NAN};
    a.step = 1.0f;
    EXPECT_EQ(error_of([&] { a.quantize_from(1, nan, crt::format_float); }), crt::kQuantizeRange);
    a.step = 0.0f;
    EXPECT_EQ(error_of([&] { a.quantize_from(1, big, crt::format_float); }), crt::kBadStep);
}

TEST(AttributeEncoding, EncoderMessagesForInputItCannotTake) {
    const uint32_t unsigned_values[] = {1, 2, 3};
    crt::GenericAttr<int> g;
    g.components = 1;
    EXPECT_STREQ(error_of([&] { g.quantize_from(3, unsigned_values, crt::format_uint32); }).c_str(),
                 "Unsupported format.");
    EXPECT_STREQ(error_of([&] { g.quantize_from(3, unsigned_values, 9); }).c_str(), "Unsupported format.");
    crt::ColorAttr c;
    c.components = 4;
    EXPECT_STREQ(error_of([&] { c.quantize_from(1, unsigned_values, crt::format_int32); }).c_str(),
                 "Unsupported color input format.");
    crt::NormalAttr n;
    n.step = 255.0f;
    EXPECT_STREQ(error_of([&] { n.quantize_from(1, unsigned_values, crt::format_uint16); }).c_str(),
                 "Unsigned types not supported for normals");
}

TEST(AttributeEncoding, ColourChannelsAreStoredAsGreenAndDifferences) {
    crt::ColorAttr c;
    c.components = 4;
    c.channel_steps = {2, 2, 2, 1};
    const uint8_t rgba[] = {130, 100, 120, 255};
    c.quantize_from(1, rgba, crt::format_uint8);
    // The decoder rebuilds R = c0 + c2, G = c0, B = c0 + c1, A = c3, times the steps.
    EXPECT_EQ(c.quantized, (std::vector<uint8_t>{50, 10, 15, 255}));
    // A channel step that does not divide 255 keeps its top level within 255.
    c.channel_steps = {4, 4, 4, 4};
    const uint8_t white[] = {255, 255, 255, 255};
    c.quantize_from(1, white, crt::format_uint8);
    EXPECT_EQ(c.quantized[0], 63) << "63 * 4 = 252, not 64 * 4 = 256 which wraps to 0 as a byte";
}

TEST(AttributeEncoding, ThreeChannelColoursDecodeOpaque) {
    InputMesh mesh = crt_test::grid(3, 3);
    std::vector<float> rgb;
    for (size_t i = 0; i < mesh.colors.size(); ++i)
        if (i % 4 != 3) rgb.push_back(mesh.colors[i]);
    mesh.colors = rgb;
    mesh.color_components = 3;
    EXPECT_TRUE(round_trip(mesh, EncodeSettings{}));
}

TEST(AttributeEncoding, OctahedralPairsDecodeNearTheirNormalsAcrossTheFold) {
    std::mt19937 rng(23);
    std::normal_distribution<float> g;
    for (int unit : {1, 7, 255, 511, 32767}) {
        std::vector<float> normals;
        for (int i = 0; i < 3000; ++i) normals.insert(normals.end(), {g(rng), g(rng), g(rng)});
        // Axes and the octahedron's edges, where the fold treats zeros differently on its
        // two sides.
        for (float x : {-1.0f, 0.0f, 1.0f})
            for (float y : {-1.0f, 0.0f, 1.0f})
                for (float z : {-1.0f, 0.0f, 1.0f})
                    if (x || y || z) normals.insert(normals.end(), {x, y, z});
        crt::NormalAttr n;
        n.step = float(unit);
        const uint32_t V = uint32_t(normals.size() / 3);
        n.quantize_from(V, normals.data(), crt::format_float);
        for (uint32_t v = 0; v < V; ++v) {
            const std::array<float, 3> d = crt::unit_normal(n.encode_normals[2 * v], n.encode_normals[2 * v + 1], unit);
            const float* x = &normals[3 * v];
            ASSERT_LE(crt_test::angle_between(d.data(), x), unit == 1 ? 1.6 : crt_test::normal_tolerance(unit))
                << "unit " << unit << " normal (" << x[0] << ", " << x[1] << ", " << x[2] << ")";
        }
    }
}

TEST(AttributeEncoding, ZeroNormalsDecodeAsUp) {
    InputMesh mesh = crt_test::grid(2, 2);
    std::fill(mesh.normals.begin(), mesh.normals.end(), 0.0f);
    EXPECT_TRUE(round_trip(mesh, EncodeSettings{}));
}

TEST(AttributeEncoding, EstimatedNormalsNeedThreeComponentPositions) {
    const float normals[] = {0, 0, 1, 0, 0, 1, 0, 0, 1};
    const float xy[] = {0, 0, 1, 0, 0, 1};
    {
        crt::Encoder e(3, kTriangle, 1);
        e.add_normals(normals, 127, crt::NormalAttr::estimated);
        EXPECT_EQ(error_of([&] { e.encode(); }), crt::kNoPositionAttribute);
    }
    {
        crt::Encoder e(3, kTriangle, 1);
        e.add_positions(xy, 2, 1.0f, 0);
        e.add_normals(normals, 127, crt::NormalAttr::border_corrected);
        EXPECT_EQ(error_of([&] { e.encode(); }), crt::kPositionComponents);
    }
    {
        crt::Encoder e(3, kTriangle, 1);
        // Four channels, so that it fills a position array of four floats a vertex.
        const uint8_t rgba[] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
        auto colour = std::make_unique<crt::ColorAttr>();
        colour->components = 4;
        e.add_attribute("position", std::move(colour), rgba, crt::format_uint8);
        e.add_normals(normals, 127, crt::NormalAttr::estimated);
        EXPECT_EQ(error_of([&] { e.encode(); }), crt::kPositionOverloaded);
    }
}

TEST(AttributeEncoding, AttributesTheDecoderWouldBindToTheWrongWidthAreRefused) {
    const float values[] = {0, 0, 0, 1, 0, 0, 0, 1, 0};
    crt::Encoder e(3, kTriangle, 1);
    auto generic = std::make_unique<crt::GenericAttr<int>>();
    generic->components = 3;
    e.add_attribute("color", std::move(generic), values, crt::format_float);
    EXPECT_EQ(error_of([&] { e.encode(); }), crt::kArrayMismatch);
}

TEST(AttributeEncoding, AnAttributeOfAnotherNameKeepsTheStreamInStep) {
    const InputMesh mesh = crt_test::grid(4, 4);
    crt::Encoder e(mesh.vertex_count(), mesh.faces.data(), mesh.face_count());
    const float step = 0.01f;
    e.add_positions(mesh.positions.data(), 3, step, crt::kParallelogram);
    std::vector<int16_t> weights(mesh.vertex_count());
    for (size_t i = 0; i < weights.size(); ++i) weights[i] = int16_t(i * 37 - 400);
    auto weight = std::make_unique<crt::GenericAttr<int>>();
    weight->components = 1;
    weight->strategy = crt::kCorrelated;
    // "a_weight" sorts before "position": the decoder must read past it first.
    e.add_attribute("a_weight", std::move(weight), weights.data(), crt::format_int16);
    crt_encode::EncodedMesh encoded;
    encoded.bytes = e.encode();
    encoded.code = e.code();
    encoded.position_step = step;
    crt_encode::EncodeSettings s;
    InputMesh positions_only = mesh;
    positions_only.normals.clear();
    positions_only.colors.clear();
    positions_only.uvs.clear();
    EXPECT_TRUE(crt_test::same_mesh(positions_only, encoded, crt_test::decode_with_api(encoded.bytes)));

    // Decoded by the library with the weights bound, they come back exactly.
    auto d = crt::create_decoder(encoded.bytes.data(), encoded.bytes.size());
    std::vector<float> out(weights.size());
    d->attributes["a_weight"]->buffer = out.data();
    d->attributes["a_weight"]->format = crt::format_float;
    std::vector<uint32_t> indices(mesh.faces.size());
    std::vector<float> positions(mesh.positions.size());
    crt::OutputArrays arrays;
    arrays.indices = indices.data();
    arrays.positions = positions.data();
    ASSERT_EQ(crt::decode_mesh(*d, arrays), int32_t(mesh.face_count()));
    for (size_t i = 0; i < out.size(); ++i) EXPECT_EQ(out[i], float(weights[e.code().vertex_order[i]])) << i;
}

TEST(AttributeEncoding, EitherEntropyKindKeepsTheSmallerStream) {
    for (const InputMesh& mesh : {crt_test::grid(1, 1), crt_test::grid_with_hole(12)}) {
        size_t size[2];
        for (int kind : {0, 1}) {
            EncodeSettings s;
            s.entropy = kind;
            size[kind] = crt_encode::encode_mesh(mesh, s).bytes.size();
        }
        EncodeSettings either;
        either.entropy = crt::kEntropySmaller;
        const crt_encode::EncodedMesh encoded = crt_encode::encode_mesh(mesh, either);
        EXPECT_EQ(encoded.bytes.size(), std::min(size[0], size[1]));
        EXPECT_EQ(encoded.bytes[8], size[0] < size[1] ? 0 : 1) << "the header names the kind kept";
        EXPECT_TRUE(crt_test::same_mesh(mesh, encoded, crt_test::decode_with_api(encoded.bytes)));
        // The section sizes reported are those of the stream returned.
        size_t sum = encoded.header_bytes + encoded.connectivity_bytes;
        for (const auto& a : encoded.attribute_bytes) sum += a.second;
        EXPECT_EQ(sum, encoded.bytes.size());
    }
}

TEST(AttributeEncoding, AnEncoderRunsOnce) {
    const float p[] = {0, 0, 0, 1, 0, 0, 0, 1, 0};
    crt::Encoder e(3, kTriangle, 1);
    e.add_positions(p, 3, 1.0f, crt::kParallelogram);
    e.encode();
    EXPECT_EQ(error_of([&] { e.encode(); }), crt::kAlreadyEncoded);
}

TEST(AttributeEncoding, AStreamWithoutFacesIsRefused) {
    const float p[] = {0, 0, 0};
    crt::Encoder e(1, nullptr, 0);
    e.add_positions(p, 3, 1.0f, 0);
    EXPECT_EQ(error_of([&] { e.encode(); }), crt::kNoFaces);
}

TEST(AttributeEncoding, PropertiesAndGroupPropertiesReachTheDecoder) {
    const InputMesh mesh = crt_test::grid(3, 2);
    crt::Encoder e(mesh.vertex_count(), mesh.faces.data(), mesh.face_count());
    e.add_positions(mesh.positions.data(), 3, 0.01f, crt::kParallelogram);
    e.properties = {{"author", "velmora"}, {"units", "m"}};
    crt::FaceGroup first, second;
    first.face_end = 4;
    first.properties["material"] = "stone";
    second.face_end = mesh.face_count();
    e.groups = {first, second};
    const std::vector<uint8_t> bytes = e.encode();
    auto d = crt::create_decoder(bytes.data(), bytes.size());
    EXPECT_EQ(d->properties.at("units"), "m");
    std::vector<uint32_t> indices(mesh.faces.size());
    crt::OutputArrays arrays;
    arrays.indices = indices.data();
    ASSERT_EQ(crt::decode_mesh(*d, arrays), int32_t(mesh.face_count()));
    ASSERT_EQ(d->index.groups.size(), 2u);
    EXPECT_EQ(d->index.groups[0].face_end, 4u);
    EXPECT_EQ(d->index.groups[0].properties.at("material"), "stone");
}
