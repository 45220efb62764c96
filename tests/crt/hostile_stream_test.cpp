// Damaged and hostile streams through the exported functions: every truncated prefix,
// byte mutations, and counts that do not fit the data. Each stream sits in a fresh
// allocation of exactly its length and each array in one of exactly its size, so
// AddressSanitizer sees any read or write past them.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "crt/crt.h"
#include "crt/decoder.h"
#include "crt/errors.h"
#include "encoded_samples.h"
#include "header_mutations.h"
#include "stream_builder.h"

using crt_test::AttributeDesc;
using crt_test::BitWriter;
using crt_test::StreamBuilder;

namespace {

template <typename T>
std::unique_ptr<T[]> exact(size_t n) {
    return std::unique_ptr<T[]>(n ? new T[n] : nullptr);
}

// Decodes with every array exactly as large as the rules ask. Returns the result of
// DecodeMesh, or -3 when CreateDecoder refused the stream.
int decode_exact(const std::vector<uint8_t>& source, size_t length, std::string* error = nullptr) {
    std::unique_ptr<uint8_t[]> data = exact<uint8_t>(length);
    if (length) std::memcpy(data.get(), source.data(), length);
    float info[2];
    void* handle = CreateDecoder(static_cast<int>(length), data.get(), info);
    if (!handle) {
        if (error) *error = GetLastDecoderError();
        return -3;
    }
    const auto* d = static_cast<const crt::Decoder*>(handle);
    auto width = [&](const char* name) -> size_t {
        const auto found = d->attributes.find(name);
        return found == d->attributes.end() ? 0 : std::max(0, crt::array_width(name, *found->second));
    };
    const size_t V = d->vertex_count, F = d->face_count;
    // Meshes too large for this test's memory are left undecoded, as a caller would.
    const size_t limit = size_t(1) << 22;
    if (V * 4 > limit || F * 3 > limit || V * width("position") > limit || V * width("uv") > limit) {
        DestroyDecoder(handle);
        return 0;
    }
    auto positions = exact<float>(V * width("position"));
    auto normals = exact<float>(V * 3);
    auto colors = exact<float>(V * 4);
    auto uvs = exact<float>(V * width("uv"));
    auto indices = exact<uint32_t>(F * 3);
    const int result = DecodeMesh(handle, positions.get(), indices.get(), normals.get(), colors.get(), uvs.get());
    if (error) *error = GetLastDecoderError();
    DestroyDecoder(handle);
    return result;
}

void expect_cuts_refused(const crt_test::SampleStream& sample, const std::vector<size_t>& lengths) {
    ASSERT_GT(decode_exact(sample.bytes, sample.bytes.size()), 0) << sample.name;
    for (size_t length : lengths) {
        std::string error;
        const int result = decode_exact(sample.bytes, length, &error);
        EXPECT_TRUE(result == -2 || result == -3) << sample.name << " cut at " << length;
        // A cut in the header leaves counts the rest of the stream cannot hold.
        EXPECT_TRUE(error == crt::kTruncated || error == crt::kNotCrtFile || error == crt::kCountsBeyondStream)
            << sample.name << " cut at " << length << ": " << error;
    }
}

std::vector<size_t> every_length_below(size_t size) {
    std::vector<size_t> lengths(size);
    for (size_t n = 0; n < size; ++n) lengths[n] = n;
    return lengths;
}

void expect_mutations_contained(const crt_test::SampleStream& sample) {
    for (size_t at = 0; at < sample.bytes.size(); ++at) {
        for (uint8_t change : {0x00, 0xFF, 0x80, 0x01}) {
            std::vector<uint8_t> bytes = sample.bytes;
            bytes[at] = change == 0x80 || change == 0x01 ? uint8_t(bytes[at] ^ change) : change;
            std::string error;
            const int result = decode_exact(bytes, bytes.size(), &error);
            if (result < -1) {
                EXPECT_FALSE(error.empty()) << sample.name << " byte " << at;
            }
        }
    }
}

}  // namespace

TEST(HostileStreams, EveryTruncatedPrefixIsRejectedCleanly) {
    for (const auto& sample : crt_test::sample_streams()) expect_cuts_refused(sample, every_length_below(sample.bytes.size()));
}

TEST(HostileStreams, EveryTruncatedPrefixOfEncoderStreamsIsRejectedCleanly) {
    for (const auto& sample : crt_test::encoded_sample_streams())
        expect_cuts_refused(sample, every_length_below(sample.bytes.size()));
}

TEST(HostileStreams, LargeEncoderStreamsCutAtSampledPointsAreRejectedCleanly) {
    const std::vector<crt_test::SampleStream> large = crt_test::encoded_large_streams();
    if (large.empty()) GTEST_SKIP() << "no shared test data at " VELMORA_TESTDATA;
    for (const auto& sample : large) {
        // The header and first blocks byte by byte, the rest at spread points, and the
        // last bytes, where the final residual section ends.
        const size_t size = sample.bytes.size();
        std::vector<size_t> lengths;
        for (size_t n = 0; n < 96 && n < size; ++n) lengths.push_back(n);
        for (size_t k = 1; k < 48; ++k) lengths.push_back(size * k / 48);
        for (size_t back = 1; back <= 12 && back <= size; ++back) lengths.push_back(size - back);
        expect_cuts_refused(sample, lengths);
    }
}

TEST(HostileStreams, ByteMutationsNeverEscapeTheirBuffers) {
    for (const auto& sample : crt_test::sample_streams()) expect_mutations_contained(sample);
}

TEST(HostileStreams, ByteMutationsOfEncoderStreamsNeverEscapeTheirBuffers) {
    const std::vector<crt_test::SampleStream> samples = crt_test::encoded_sample_streams();
    // The stored and Tunstall grids with every attribute kind, estimated and
    // border-corrected normals.
    for (size_t i : {0, 1, 3, 4}) expect_mutations_contained(samples[i]);
}

TEST(HostileStreams, HeaderByteChangesOfRealStreamsDecodeOrFailWithAMessage) {
    const std::vector<crt_test::SampleStream> mutations = crt_test::header_mutations();
    if (mutations.empty()) GTEST_SKIP() << "no shared test data at " VELMORA_TESTDATA;
    for (const auto& m : mutations) {
        std::string error;
        const int result = decode_exact(m.bytes, m.bytes.size(), &error);
        if (result < -1) {
            EXPECT_FALSE(error.empty()) << m.name;
        }
        // The attribute count read as 0: the counts come from the descriptor's bytes, and
        // once made a caller allocate 20 GB by them.
        if (m.name == "cornell_box_byte38_0") {
            EXPECT_EQ(result, -3) << error;
        }
    }
}

TEST(HostileStreams, CountsTheStreamCannotHoldAreRefusedBeforeACallerSizesArrays) {
    auto refusal = [](uint32_t vertices, uint32_t faces, const std::vector<uint8_t>& symbols) {
        StreamBuilder s;
        s.header(0, {}, {}, vertices, faces);
        s.mesh_header({faces}).connectivity(symbols, BitWriter{});
        std::string error;
        EXPECT_EQ(decode_exact(s.bytes, s.bytes.size(), &error), -3) << vertices << " " << faces;
        return error;
    };
    EXPECT_EQ(refusal(4, 1, {0}), crt::kVertexCountTooLarge);  // one face numbers three vertices
    EXPECT_EQ(refusal(3, 2, {0}), crt::kFewerSymbolsThanFaces);
    EXPECT_EQ(refusal(30000, 10000, {0}), crt::kCountsBeyondStream);  // 10,000 faces from 30 bytes
}

TEST(HostileStreams, OneSymbolTunstallBombIsRefusedBeforeAllocating) {
    StreamBuilder s;
    s.header(1, {}, {}, 3, 1);
    s.mesh_header({1}).tunstall_raw({{0, 255}}, 0xFFFFFFFFu, {}).word_block({});
    std::string error;
    EXPECT_EQ(decode_exact(s.bytes, s.bytes.size(), &error), -3);
    EXPECT_EQ(error, crt::kBlockTooLong);
}

TEST(HostileStreams, GroupsMustEndInsideAndCoverTheFaces) {
    StreamBuilder beyond;
    beyond.header(0, {}, {}, 3, 1);
    beyond.mesh_header({2}).connectivity({0}, BitWriter{});
    std::string error;
    EXPECT_EQ(decode_exact(beyond.bytes, beyond.bytes.size(), &error), -3);
    EXPECT_EQ(error, crt::kGroupEnd);

    StreamBuilder none;
    none.header(0, {}, {}, 3, 1);
    none.mesh_header({}).connectivity({0}, BitWriter{});
    EXPECT_EQ(decode_exact(none.bytes, none.bytes.size(), &error), -2);
    EXPECT_EQ(error, crt::kGroupsShort);
}

TEST(HostileStreams, AttributeThatWouldOverrunItsArrayIsRefused) {
    // A colour attribute named "position" with three components writes four floats a vertex.
    StreamBuilder s;
    s.header(0, {}, {{"position", 3, 1.0f, 3, 6, 0}}, 3, 1);
    s.mesh_header({1}).connectivity({0}, BitWriter{});
    s.u8(1).u8(1).u8(1).per_component(std::vector<int32_t>(9, 0), 3);
    std::string error;
    EXPECT_EQ(decode_exact(s.bytes, s.bytes.size(), &error), -2);
    EXPECT_EQ(error, crt::kArrayMismatch);

    // A generic "normal" of two components would leave every third float unwritten.
    StreamBuilder n;
    n.header(0, {}, {{"normal", 1, 1.0f, 2, 6, 0}}, 3, 1);
    n.mesh_header({1}).connectivity({0}, BitWriter{});
    n.per_component(std::vector<int32_t>(6, 0), 2);
    EXPECT_EQ(decode_exact(n.bytes, n.bytes.size(), &error), -2);
    EXPECT_EQ(error, crt::kArrayMismatch);
}

TEST(HostileStreams, ResidualBlockShorterThanTheVertexCountIsRefused) {
    StreamBuilder s;
    s.header(0, {}, {{"position", 1, 1.0f, 1, 6, 0}}, 3, 1);
    s.mesh_header({1}).connectivity({0}, BitWriter{});
    s.per_component({1, 1}, 1);
    std::string error;
    EXPECT_EQ(decode_exact(s.bytes, s.bytes.size(), &error), -2);
    EXPECT_EQ(error, crt::kResidualLength);
}
