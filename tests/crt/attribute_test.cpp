// Vertex attributes: prediction, scaling, colour channels, octahedral normals and the
// estimated normals, on small hand-made sections.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "crt/attribute.h"
#include "crt/crt.h"
#include "crt/decoder.h"
#include "crt/errors.h"
#include "crt/octahedral.h"
#include "stream_builder.h"

using crt::VertexTriple;
using crt_test::BitWriter;
using crt_test::StreamBuilder;

using crt_test::error_of;

namespace {

void expect_vec(const std::array<float, 3>& got, float x, float y, float z) {
    EXPECT_NEAR(got[0], x, 1e-6f);
    EXPECT_NEAR(got[1], y, 1e-6f);
    EXPECT_NEAR(got[2], z, 1e-6f);
}

void read(crt::VertexAttribute& a, uint32_t vertex_count, crt::Stream& s) {
    crt::BlockBuffer blocks;
    a.read_residuals(vertex_count, s, blocks);
}

std::array<float, 3> unit(double x, double y, double z) {
    const double l = std::sqrt(x * x + y * y + z * z);
    return {float(x / l), float(y / l), float(z / l)};
}

}  // namespace

TEST(GenericAttr, StepHalfTurnsSevenIntoThreeAndAHalf) {
    crt::GenericAttr<int> a;
    a.components = 1;
    a.step = 0.5f;
    float out[1];
    a.buffer = out;
    StreamBuilder b;
    b.per_component({7}, 1);
    crt::Stream s = crt::make_stream(b.bytes.data(), b.bytes.size());
    s.entropy = 0;
    read(a, 1, s);
    a.apply_prediction(1, {{0, 0, 0}});
    EXPECT_EQ(out[0], 3.5f);
}

TEST(GenericAttr, ParallelogramAddsBPlusAMinusOpposite) {
    crt::GenericAttr<int> a;
    a.components = 2;
    a.strategy = crt::kParallelogram;
    float out[8];
    a.buffer = out;
    StreamBuilder b;
    // values: v0 (1,2), v1 = v0 + (10,0), v2 = v1 + (0,10), v3 = r + v2 + v1 - v0
    b.per_component({1, 2, 10, 0, 0, 10, 5, -5}, 2);
    crt::Stream s = crt::make_stream(b.bytes.data(), b.bytes.size());
    s.entropy = 0;
    read(a, 4, s);
    a.apply_prediction(4, {{9, 9, 9}, {0, 0, 0}, {1, 1, 1}, {2, 1, 0}});
    EXPECT_EQ(std::vector<float>(out, out + 8), (std::vector<float>{1, 2, 11, 2, 11, 12, 26, 7}));
}

TEST(GenericAttr, WithoutTriplesEachVertexAddsThePreviousOne) {
    crt::GenericAttr<int> a;
    a.components = 2;
    float out[6];
    a.buffer = out;
    StreamBuilder b;
    b.correlated({1, 1, 2, 2, 3, 3}, 2);
    crt::Stream s = crt::make_stream(b.bytes.data(), b.bytes.size());
    s.entropy = 0;
    a.strategy = crt::kCorrelated;
    read(a, 3, s);
    a.apply_prediction(3, {});
    EXPECT_EQ(std::vector<float>(out, out + 6), (std::vector<float>{1, 1, 3, 3, 6, 6}));
}

TEST(GenericAttr, HostileSumsWrapInsteadOfOverflowing) {
    crt::GenericAttr<int> a;
    a.components = 1;
    a.strategy = crt::kParallelogram;
    float out[3];
    a.buffer = out;
    StreamBuilder b;
    b.per_component({INT32_MAX, INT32_MAX, INT32_MAX}, 1);
    crt::Stream s = crt::make_stream(b.bytes.data(), b.bytes.size());
    s.entropy = 0;
    read(a, 3, s);
    a.apply_prediction(3, {{0, 0, 0}, {0, 0, 1}, {1, 1, 0}});  // UBSan would flag a signed overflow
    EXPECT_TRUE(std::isfinite(out[2]));
}

TEST(ColorAttr, ChannelsAndStepsInFloatAndByteFormats) {
    // Stored (100, 20, 30, 255) with steps (2, 2, 2, 1): R = 130, G = 100, B = 120, A = 255.
    StreamBuilder b;
    b.u8(2).u8(2).u8(2).u8(1).per_component({100, 20, 30, -1}, 4);
    for (int format : {crt::format_float, crt::format_uint8}) {
        crt::ColorAttr c;
        c.components = 4;
        c.format = format;
        float floats[4] = {};
        uint8_t bytes[4] = {};
        c.buffer = format == crt::format_float ? static_cast<void*>(floats) : static_cast<void*>(bytes);
        crt::Stream s = crt::make_stream(b.bytes.data(), b.bytes.size());
        s.entropy = 0;
        read(c, 1, s);
        EXPECT_EQ(c.channel_steps, (std::array<int32_t, 4>{2, 2, 2, 1}));
        c.apply_prediction(1, {{0, 0, 0}});
        if (format == crt::format_float) {
            // Not clamped: the step may take a channel past 1.
            EXPECT_FLOAT_EQ(floats[0], 260.0f / 255.0f);
            EXPECT_FLOAT_EQ(floats[1], 200.0f / 255.0f);
            EXPECT_FLOAT_EQ(floats[2], 240.0f / 255.0f);
            EXPECT_FLOAT_EQ(floats[3], 1.0f);
        } else {
            EXPECT_EQ(std::vector<uint8_t>(bytes, bytes + 4), (std::vector<uint8_t>{4, 200, 240, 255}));
        }
    }
}

TEST(ColorAttr, ThreeComponentColoursAreOpaqueAndOtherFormatsRefused) {
    StreamBuilder b;
    b.u8(1).u8(1).u8(1).per_component({10, 1, 2, 0, 0, 0}, 3);
    crt::ColorAttr c;
    c.components = 3;
    float out[8];
    c.buffer = out;
    crt::Stream s = crt::make_stream(b.bytes.data(), b.bytes.size());
    s.entropy = 0;
    read(c, 2, s);
    c.apply_prediction(2, {{0, 0, 0}, {0, 0, 0}});
    // Vertex 1 predicts from vertex 0: the same colour. R = 12, G = 10, B = 11, A = 255.
    for (int v = 0; v < 2; ++v) {
        EXPECT_FLOAT_EQ(out[v * 4 + 0], 12.0f / 255.0f);
        EXPECT_FLOAT_EQ(out[v * 4 + 1], 10.0f / 255.0f);
        EXPECT_FLOAT_EQ(out[v * 4 + 2], 11.0f / 255.0f);
        EXPECT_FLOAT_EQ(out[v * 4 + 3], 1.0f);
    }
    c.format = crt::format_int16;
    EXPECT_EQ(error_of([&] { c.apply_prediction(2, {}); }), crt::kUnsupportedColorFormat);
}

TEST(ColorAttr, MoreThanFourStoredComponentsStayInStep) {
    StreamBuilder b;
    b.u8(1).u8(1).u8(1).u8(1).u8(9).u8(9).per_component({5, 0, 0, 0, 7, 7}, 6).u8(0x5A);
    crt::ColorAttr c;
    c.components = 6;
    float out[4];
    c.buffer = out;
    crt::Stream s = crt::make_stream(b.bytes.data(), b.bytes.size());
    s.entropy = 0;
    read(c, 1, s);
    EXPECT_EQ(crt::read_u8(s), 0x5A);
    c.apply_prediction(1, {});
    EXPECT_FLOAT_EQ(out[1], 5.0f / 255.0f);
}

TEST(Octahedral, UnitNormalExamples) {
    expect_vec(crt::unit_normal(0, 0, 255), 0, 0, 1);
    expect_vec(crt::unit_normal(255, 0, 255), 1, 0, 0);
    expect_vec(crt::unit_normal(0, -255, 255), 0, -1, 0);
}

TEST(Octahedral, DecodingFoldTreatsZeroAsNegative) {
    const auto n06 = unit(0, 6, 4);
    expect_vec(crt::unit_normal(0, 6, 10), n06[0], n06[1], n06[2]);
    const auto n012 = unit(2, 10, -2);
    expect_vec(crt::unit_normal(0, 12, 10), n012[0], n012[1], n012[2]);
    const auto n112 = unit(-2, 9, -3);
    expect_vec(crt::unit_normal(1, 12, 10), n112[0], n112[1], n112[2]);
}

TEST(Octahedral, EncodingFoldTreatsZeroAsPositive) {
    float ox, oy;
    crt::octahedral_coordinates(0, 0, 1, ox, oy);
    EXPECT_EQ(ox, 0.0f);
    EXPECT_EQ(oy, 0.0f);
    crt::octahedral_coordinates(1, 0, 0, ox, oy);
    EXPECT_EQ(ox, 1.0f);
    EXPECT_EQ(oy, 0.0f);
    crt::octahedral_coordinates(0, 0, -1, ox, oy);
    EXPECT_EQ(ox, 1.0f);
    EXPECT_EQ(oy, 1.0f);
    crt::octahedral_coordinates(-1, -1, -2, ox, oy);  // xn = yn = -1/4
    EXPECT_EQ(ox, -0.75f);
    EXPECT_EQ(oy, -0.75f);
    crt::octahedral_coordinates(0, 0, 0, ox, oy);  // no direction: +z
    EXPECT_EQ(ox, 0.0f);
    EXPECT_EQ(oy, 0.0f);
}

TEST(Octahedral, HostilePairsNeitherOverflowNorDivideByZero) {
    const auto n = crt::unit_normal(INT32_MIN, INT32_MIN, 1 << 29);
    EXPECT_TRUE(std::isfinite(n[0]) && std::isfinite(n[1]) && std::isfinite(n[2]));
    expect_vec(crt::unit_normal(0, 0, 0), 0, 0, 1);
}

TEST(NormalAttr, DifferentialPairsPredictFromP0) {
    StreamBuilder b;
    b.u8(0).correlated({0, 0, 255, 0, -255, -255}, 2);
    crt::NormalAttr n;
    n.step = 255.0f;
    float out[9];
    n.buffer = out;
    crt::Stream s = crt::make_stream(b.bytes.data(), b.bytes.size());
    s.entropy = 0;
    read(n, 3, s);
    n.apply_prediction(3, {{0, 0, 0}, {0, 0, 0}, {1, 1, 1}});
    EXPECT_EQ(std::vector<float>(out, out + 9), (std::vector<float>{0, 0, 1, 1, 0, 0, 0, -1, 0}));
}

TEST(NormalAttr, UnknownModesAndUnusableStepsAreRefused) {
    StreamBuilder b;
    b.u8(3).correlated({0, 0}, 2);
    crt::NormalAttr n;
    float out[3];
    n.buffer = out;
    crt::Stream s = crt::make_stream(b.bytes.data(), b.bytes.size());
    s.entropy = 0;
    EXPECT_EQ(error_of([&] { read(n, 1, s); }), crt::kUnknownNormalMode);

    StreamBuilder c;
    c.u8(0).correlated({0, 0}, 2);
    for (float step : {NAN, INFINITY, 3e9f}) {
        crt::NormalAttr m;
        m.step = step;
        m.buffer = out;
        crt::Stream t = crt::make_stream(c.bytes.data(), c.bytes.size());
        t.entropy = 0;
        read(m, 1, t);
        EXPECT_EQ(error_of([&] { m.apply_prediction(1, {}); }), crt::kNormalStep) << step;
    }
}

TEST(NormalAttr, DifferentialFormatOtherThanFloatOrInt16IsRefused) {
    StreamBuilder b;
    b.u8(0).correlated({0, 0}, 2);
    crt::NormalAttr n;
    n.step = 255.0f;
    n.format = crt::format_int32;
    float out[3];
    n.buffer = out;
    crt::Stream s = crt::make_stream(b.bytes.data(), b.bytes.size());
    s.entropy = 0;
    read(n, 1, s);
    EXPECT_EQ(error_of([&] { n.apply_prediction(1, {}); }), crt::kNormalFormat);
}
