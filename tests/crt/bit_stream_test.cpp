// Byte cursor, bit reader, word blocks, stored blocks and residual readers.
#include <gtest/gtest.h>

#include "crt/entropy.h"
#include "crt/errors.h"
#include "crt/stream.h"
#include <functional>

#include "stream_builder.h"

using crt_test::BitWriter;
using crt_test::StreamBuilder;

using crt_test::error_of;

namespace {

crt::BitReader reader_over(const std::vector<uint8_t>& bytes, uint32_t words) {
    crt::BitReader r;
    r.word = bytes.data();
    r.words_left = words;
    return r;
}

}  // namespace

TEST(BitReader, ThirtyTwoBitsFromAnEmptyBufferReturnTheWholeWord) {
    const std::vector<uint8_t> bytes = {0x78, 0x56, 0x34, 0x12, 0xEF, 0xCD, 0xAB, 0x89};
    crt::BitReader r = reader_over(bytes, 2);
    EXPECT_EQ(r.read(32), 0x12345678u);
    EXPECT_EQ(r.read(32), 0x89ABCDEFu);
}

TEST(BitReader, ReadsAcrossWordsMostSignificantFirst) {
    BitWriter w;
    w.put(0x5, 3);
    w.put(0x1ABCDEF0, 29);  // fills the first word exactly
    w.put(0x3, 2);
    w.put(0x12345, 20);
    w.put(0xFFF, 12);  // straddles words 2 and 3
    w.put(1, 1);
    StreamBuilder b;
    for (uint32_t x : w.words) b.u32(x);
    crt::BitReader r = reader_over(b.bytes, static_cast<uint32_t>(w.words.size()));
    EXPECT_EQ(r.read(3), 0x5u);
    EXPECT_EQ(r.read(29), 0x1ABCDEF0u);
    EXPECT_EQ(r.read(2), 0x3u);
    EXPECT_EQ(r.read(20), 0x12345u);
    EXPECT_EQ(r.read(12), 0xFFFu);
    EXPECT_EQ(r.read(1), 1u);
}

TEST(BitReader, ReadPastTheLastWordIsReportedNotPerformed) {
    const std::vector<uint8_t> bytes = {0xFF, 0xFF, 0xFF, 0xFF};
    crt::BitReader r = reader_over(bytes, 1);
    EXPECT_EQ(r.read(30), 0x3FFFFFFFu);
    EXPECT_EQ(error_of([&] { r.read(3); }), crt::kBitsEnded);
    crt::BitReader empty = reader_over(bytes, 0);
    EXPECT_EQ(error_of([&] { empty.read(1); }), crt::kBitsEnded);
}

TEST(WordBlock, PaddingIsMeasuredFromTheMagicNotFromTheBuffer) {
    // Count at offset 10: the words start at 16 after two padding bytes.
    std::vector<uint8_t> bytes(10, 0);
    StreamBuilder b;
    b.bytes = bytes;
    b.u32(1).u8(0xAA).u8(0xAA).u32(0xCAFEBABE);
    crt::Stream s = crt::make_stream(b.bytes.data(), b.bytes.size());
    crt::read_bytes(s, 10);
    crt::BitReader r = crt::read_word_block(s);
    EXPECT_EQ(r.read(32), 0xCAFEBABEu);
    EXPECT_EQ(s.offset(), 20u);

    // Count at offset 12: no padding.
    StreamBuilder c;
    c.bytes.assign(12, 0);
    c.u32(1).u32(0x01234567);
    crt::Stream t = crt::make_stream(c.bytes.data(), c.bytes.size());
    crt::read_bytes(t, 12);
    EXPECT_EQ(crt::read_word_block(t).read(32), 0x01234567u);
    EXPECT_EQ(t.offset(), 20u);

    // The same block one byte into an unaligned buffer keeps its padding.
    std::vector<uint8_t> shifted(1 + b.bytes.size());
    std::copy(b.bytes.begin(), b.bytes.end(), shifted.begin() + 1);
    crt::Stream u = crt::make_stream(shifted.data() + 1, b.bytes.size());
    crt::read_bytes(u, 10);
    EXPECT_EQ(crt::read_word_block(u).read(32), 0xCAFEBABEu);
}

TEST(WordBlock, WordCountBeyondTheStreamIsTruncation) {
    StreamBuilder b;
    b.u32(0x40000000).u32(1);  // a billion words, one present
    crt::Stream s = crt::make_stream(b.bytes.data(), b.bytes.size());
    EXPECT_EQ(error_of([&] { crt::read_word_block(s); }), crt::kTruncated);
}

TEST(StreamCursor, StringsStopAtTheirNulAndSkipTheirWholeLength) {
    StreamBuilder b;
    b.u16(6).u8('a').u8('b').u8(0).u8('z').u8('z').u8('z');
    b.u16(2).u8('h').u8('i');  // no NUL: the text is all of it
    b.u16(0);
    crt::Stream s = crt::make_stream(b.bytes.data(), b.bytes.size());
    EXPECT_EQ(crt::read_string(s), "ab");
    EXPECT_EQ(crt::read_string(s), "hi");
    EXPECT_EQ(crt::read_string(s), "");
    EXPECT_EQ(s.remaining(), 0u);
}

TEST(StreamCursor, StringLongerThanTheStreamIsTruncation) {
    StreamBuilder b;
    b.u16(100).u8('a');
    crt::Stream s = crt::make_stream(b.bytes.data(), b.bytes.size());
    EXPECT_EQ(error_of([&] { crt::read_string(s); }), crt::kTruncated);
}

TEST(EntropyBlock, StoredBlocksAndUnknownKinds) {
    StreamBuilder b;
    b.stored_block({}).stored_block({7, 8, 9});
    crt::Stream s = crt::make_stream(b.bytes.data(), b.bytes.size());
    s.entropy = 0;
    EXPECT_TRUE(crt::read_entropy_block(s, 100).empty());
    EXPECT_EQ(crt::read_entropy_block(s, 100), (std::vector<uint8_t>{7, 8, 9}));

    crt::Stream t = crt::make_stream(b.bytes.data(), b.bytes.size());
    t.entropy = 2;
    EXPECT_EQ(error_of([&] { crt::read_entropy_block(t, 100); }), crt::kUnknownEntropy);
}

TEST(EntropyBlock, StoredLengthPastTheStreamOrTheExpectedSizeIsRefused) {
    StreamBuilder b;
    b.u32(1000).u8(1);
    crt::Stream s = crt::make_stream(b.bytes.data(), b.bytes.size());
    s.entropy = 0;
    EXPECT_EQ(error_of([&] { crt::read_entropy_block(s, 5000); }), crt::kTruncated);
    crt::Stream t = crt::make_stream(b.bytes.data(), b.bytes.size());
    t.entropy = 0;
    EXPECT_EQ(error_of([&] { crt::read_entropy_block(t, 10); }), crt::kBlockTooLong);
}

TEST(Residuals, PerComponentFoldsTheLowerHalfToNegatives) {
    // b = 3: x = 5 gives 5, x = 1 gives -5.
    BitWriter w;
    w.put(5, 3);
    w.put(1, 3);
    StreamBuilder b;
    b.word_block(w.words).stored_block({3, 3});
    crt::Stream s = crt::make_stream(b.bytes.data(), b.bytes.size());
    s.entropy = 0;
    int32_t out[2] = {99, 99};
    EXPECT_EQ(crt::read_per_component(s, out, 1, 2), 2u);
    EXPECT_EQ(out[0], 5);
    EXPECT_EQ(out[1], -5);
}

TEST(Residuals, PerComponentInterleavesComponentsAndKeepsLowBytes) {
    StreamBuilder b;
    b.per_component({1, -2, 0, 300, -7, 5}, 3);
    for (int kind : {0}) {
        crt::Stream s = crt::make_stream(b.bytes.data(), b.bytes.size());
        s.entropy = kind;
        int32_t ints[6] = {};
        EXPECT_EQ(crt::read_per_component(s, ints, 3, 2), 2u);
        EXPECT_EQ(std::vector<int32_t>(ints, ints + 6), (std::vector<int32_t>{1, -2, 0, 300, -7, 5}));
        EXPECT_EQ(s.remaining(), 0u);
    }
    crt::Stream s = crt::make_stream(b.bytes.data(), b.bytes.size());
    s.entropy = 0;
    uint8_t bytes[6] = {};
    crt::read_per_component(s, bytes, 3, 2);
    EXPECT_EQ(std::vector<uint8_t>(bytes, bytes + 6), (std::vector<uint8_t>{1, 254, 0, 44, 249, 5}));
}

TEST(Residuals, CorrelatedSubtractsTheHalfAndSharesTheBitCount) {
    BitWriter w;
    for (uint32_t x : {0u, 4u, 7u}) w.put(x, 3);
    StreamBuilder b;
    b.word_block(w.words).stored_block({3, 0});
    crt::Stream s = crt::make_stream(b.bytes.data(), b.bytes.size());
    s.entropy = 0;
    int32_t out[6] = {9, 9, 9, 9, 9, 9};
    EXPECT_EQ(crt::read_correlated(s, out, 3, 2), 2u);
    EXPECT_EQ(std::vector<int32_t>(out, out + 6), (std::vector<int32_t>{-4, 0, 3, 0, 0, 0}));
}

TEST(Residuals, NullDestinationSkipsBlocksWithoutReadingBits) {
    StreamBuilder b;
    b.per_component({1, 2, 3, 4}, 2).correlated({5, 6}, 1).u8(0x42);
    crt::Stream s = crt::make_stream(b.bytes.data(), b.bytes.size());
    s.entropy = 0;
    EXPECT_EQ(crt::read_per_component(s, static_cast<int32_t*>(nullptr), 2, 2), 2u);
    EXPECT_EQ(crt::read_correlated(s, static_cast<int32_t*>(nullptr), 1, 2), 2u);
    EXPECT_EQ(crt::read_u8(s), 0x42);
}

TEST(Residuals, BitCountsAbove32AreRefused) {
    StreamBuilder b;
    b.word_block({0, 0}).stored_block({33});
    crt::Stream s = crt::make_stream(b.bytes.data(), b.bytes.size());
    s.entropy = 0;
    int32_t out[1];
    EXPECT_EQ(error_of([&] { crt::read_per_component(s, out, 1, 1); }), crt::kResidualBits);
}

TEST(Residuals, ThirtyTwoBitResidualsWrapInsteadOfOverflowing) {
    BitWriter w;
    w.put(0, 32);           // per-component: -0 - 2^31
    w.put(0xFFFFFFFFu, 32);
    StreamBuilder b;
    b.word_block(w.words).stored_block({32, 32});
    crt::Stream s = crt::make_stream(b.bytes.data(), b.bytes.size());
    s.entropy = 0;
    int32_t out[2];
    crt::read_per_component(s, out, 1, 2);
    EXPECT_EQ(out[0], INT32_MIN);
    EXPECT_EQ(out[1], -1);
}

TEST(Residuals, BlocksLongerThanTheVertexCountOrOfUnequalLengthAreRefused) {
    StreamBuilder b;
    b.per_component({1, 2, 3}, 1);
    crt::Stream s = crt::make_stream(b.bytes.data(), b.bytes.size());
    s.entropy = 0;
    int32_t out[2];
    EXPECT_EQ(error_of([&] { crt::read_per_component(s, out, 1, 2); }), crt::kBlockTooLong);

    StreamBuilder c;
    c.word_block({}).stored_block({0, 0}).stored_block({0});
    crt::Stream t = crt::make_stream(c.bytes.data(), c.bytes.size());
    t.entropy = 0;
    int32_t out2[4];
    EXPECT_EQ(error_of([&] { crt::read_per_component(t, out2, 2, 2); }), crt::kResidualLength);
}
