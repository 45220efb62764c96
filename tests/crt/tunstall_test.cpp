// Tunstall dictionary construction and block decoding, on the worked examples.
#include <gtest/gtest.h>

#include "crt/entropy.h"
#include "crt/errors.h"
#include "crt/tunstall.h"
#include <functional>
#include <set>

#include "stream_builder.h"

using crt_test::StreamBuilder;

using crt_test::error_of;

namespace {

std::vector<uint8_t> decode(const std::vector<uint8_t>& bytes, uint64_t max_length = 1 << 20) {
    crt::Stream s = crt::make_stream(bytes.data(), bytes.size());
    s.entropy = 1;
    return crt::read_entropy_block(s, max_length);
}

std::string word(const crt::TunstallDictionary& d, int code) {
    const crt::TunstallWord& w = d.codes[code];
    return std::string(reinterpret_cast<const char*>(d.table.data()) + w.offset, w.length);
}

}  // namespace

TEST(TunstallRunTest, Probabilities200And55StopAtSevenAndStartPlainly) {
    const crt::TunstallRunTest t = crt::tunstall_run_test(200, 55, 2);
    EXPECT_TRUE(t.held);
    EXPECT_EQ(t.j, 7u);
    EXPECT_FALSE(t.starts_with_runs());
}

TEST(TunstallRunTest, Probabilities250And5StartWithRunsOf166) {
    const crt::TunstallRunTest t = crt::tunstall_run_test(250, 5, 2);
    EXPECT_EQ(t.j, 166u);
    EXPECT_TRUE(t.starts_with_runs());
}

TEST(TunstallRunTest, StopsAt255OverSymbolsMinusOne) {
    // Three symbols: the run may not pass 255 / 2 = 127.
    EXPECT_EQ(crt::tunstall_run_test(255, 0, 3).j, 127u);
    // The test does not hold when p[1] is not below (e * e) >> 16.
    EXPECT_FALSE(crt::tunstall_run_test(128, 128, 2).held);
}

TEST(TunstallDictionary, PlainStartBeginsWithTheSymbolsAndExpandsTheLikeliest) {
    const uint8_t symbols[2] = {'a', 'b'}, p[2] = {200, 55};
    crt::TunstallDictionary d;
    crt::build_tunstall_dictionary(symbols, p, 2, d);
    EXPECT_EQ(d.table[0], 'a');
    EXPECT_EQ(d.table[1], 'b');
    // 'a' (51200) is expanded first, into "aa" and "ab" at table positions 2 and 4.
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(d.table.data()) + 2, 4), "aaab");
    for (int c = 0; c < crt::kTunstallCodes; ++c) EXPECT_GT(d.codes[c].length, 0u) << c;
}

TEST(TunstallDictionary, RunStartTableHas166CopiesOfSymbolZeroThenSymbolOne) {
    const uint8_t symbols[2] = {'x', 'y'}, p[2] = {250, 5};
    crt::TunstallDictionary d;
    crt::build_tunstall_dictionary(symbols, p, 2, d);
    for (int i = 0; i < 166; ++i) ASSERT_EQ(d.table[i], 'x') << i;
    EXPECT_EQ(d.table[166], 'y');
    // Column 1 holds x^u y in order of u; the likeliest (u < 12) were expanded before the
    // run's column took over, so the first code is x^12 y and the longest ones remain.
    EXPECT_EQ(word(d, 0), std::string(12, 'x') + "y");
    std::set<std::string> words;
    for (int c = 0; c < crt::kTunstallCodes; ++c) words.insert(word(d, c));
    EXPECT_TRUE(words.count(std::string(165, 'x') + "y"));
    EXPECT_FALSE(words.count("y"));
}

TEST(TunstallDictionary, UniformPairsMakeEveryEightSymbolWordReachable) {
    // With equal probabilities the tree fills to depth 8: every code is at most 8 long.
    const uint8_t symbols[2] = {0, 1}, p[2] = {128, 128};
    crt::TunstallDictionary d;
    crt::build_tunstall_dictionary(symbols, p, 2, d);
    for (int c = 0; c < crt::kTunstallCodes; ++c) {
        EXPECT_GE(d.codes[c].length, 7u);
        EXPECT_LE(d.codes[c].length, 8u);
    }
}

TEST(TunstallDictionary, ConstructionThatWouldOverflowTheTableIsRefused) {
    // With symbol 0 improbable the likeliest word keeps growing past 8192 bytes of table.
    const uint8_t symbols[2] = {0, 1}, p[2] = {1, 254};
    crt::TunstallDictionary d;
    EXPECT_EQ(error_of([&] { crt::build_tunstall_dictionary(symbols, p, 2, d); }), crt::kTunstallOverflow);

    StreamBuilder b;
    b.tunstall_raw({{0, 1}, {1, 254}}, 10, {0});
    EXPECT_EQ(error_of([&] { decode(b.bytes); }), crt::kTunstallOverflow);
}

TEST(TunstallBlock, EmptyBlockIgnoresItsCodesAndProbabilities) {
    StreamBuilder b;
    b.tunstall_raw({{0, 1}, {1, 254}}, 0, {1, 2, 3}).u8(0x77);  // would overflow if built
    crt::Stream s = crt::make_stream(b.bytes.data(), b.bytes.size());
    s.entropy = 1;
    EXPECT_TRUE(crt::read_entropy_block(s, 100).empty());
    EXPECT_EQ(crt::read_u8(s), 0x77);
}

TEST(TunstallBlock, OneSymbolGivesLCopiesWhateverTheCodes) {
    StreamBuilder b;
    b.tunstall_raw({{9, 255}}, 5, {200, 100});
    EXPECT_EQ(decode(b.bytes), std::vector<uint8_t>(5, 9));
}

TEST(TunstallBlock, LastCodeIsCutToTheDecodedLength) {
    const uint8_t symbols[2] = {'a', 'b'}, p[2] = {200, 55};
    crt::TunstallDictionary d;
    crt::build_tunstall_dictionary(symbols, p, 2, d);
    int five = -1;
    for (int c = 0; c < crt::kTunstallCodes && five < 0; ++c)
        if (d.codes[c].length == 5) five = c;
    ASSERT_GE(five, 0);
    StreamBuilder b;
    b.tunstall_raw({{'a', 200}, {'b', 55}}, 3, {static_cast<uint8_t>(five)});
    const std::vector<uint8_t> out = decode(b.bytes);
    EXPECT_EQ(std::string(out.begin(), out.end()), word(d, five).substr(0, 3));
}

TEST(TunstallBlock, WholeCodesAreConcatenated) {
    const std::vector<uint8_t> data = {0, 0, 1, 0, 2, 2, 0, 0, 0, 1, 1, 0, 2};
    StreamBuilder b;
    b.tunstall_block(data);
    EXPECT_EQ(decode(b.bytes), data);
}

TEST(TunstallBlock, NoSymbolsWithALengthIsRefused) {
    StreamBuilder b;
    b.tunstall_raw({}, 4, {0});
    EXPECT_EQ(error_of([&] { decode(b.bytes); }), crt::kTunstallNoSymbols);
}

TEST(TunstallBlock, CodesThatDoNotAddUpToTheLengthAreRefused) {
    // Too short: one code of at most 8 symbols for 50.
    StreamBuilder shortfall;
    shortfall.tunstall_raw({{0, 128}, {1, 128}}, 50, {0});
    EXPECT_EQ(error_of([&] { decode(shortfall.bytes); }), crt::kTunstallLength);
    // Too long: the first of two whole codes already covers the length.
    StreamBuilder overrun;
    overrun.tunstall_raw({{0, 128}, {1, 128}}, 3, {0, 0});
    EXPECT_EQ(error_of([&] { decode(overrun.bytes); }), crt::kTunstallLength);
    // No codes at all.
    StreamBuilder none;
    none.tunstall_raw({{0, 128}, {1, 128}}, 3, {});
    EXPECT_EQ(error_of([&] { decode(none.bytes); }), crt::kTunstallLength);
}

TEST(TunstallBlock, LastCodeAfterCodesThatReachTheLengthAddsNothing) {
    const uint8_t symbols[2] = {'a', 'b'}, p[2] = {200, 55};
    crt::TunstallDictionary d;
    crt::build_tunstall_dictionary(symbols, p, 2, d);
    const uint8_t first = 0, second = 1;
    const uint32_t L = d.codes[first].length;
    ASSERT_GE(L, 2u);
    StreamBuilder exact;
    exact.tunstall_raw({{'a', 200}, {'b', 55}}, L, {first, second});
    const std::vector<uint8_t> out = decode(exact.bytes);
    EXPECT_EQ(std::string(out.begin(), out.end()), word(d, first));
    // One byte short of the first code's word: the whole codes pass the length.
    StreamBuilder beyond;
    beyond.tunstall_raw({{'a', 200}, {'b', 55}}, L - 1, {first, second});
    EXPECT_EQ(error_of([&] { decode(beyond.bytes); }), crt::kTunstallLength);
}

TEST(TunstallBlock, CodeOfAnEmptyWordIsRefused) {
    crt::TunstallDictionary d{};
    d.table[0] = 'q';
    d.codes[0] = {0, 1};  // code 1 stays an empty word
    const uint8_t codes[2] = {0, 1};
    uint8_t out[2 + crt::kTunstallCopySlack];
    crt::decode_tunstall_codes(d, codes, 1, 1, out);
    EXPECT_EQ(out[0], 'q');
    EXPECT_EQ(error_of([&] { crt::decode_tunstall_codes(d, codes, 2, 2, out); }), crt::kTunstallEmptyWord);
}

TEST(TunstallBlock, LengthAboveWhatTheReaderCanUseIsRefusedBeforeAllocating) {
    StreamBuilder b;
    b.tunstall_raw({{1, 255}}, 0xFFFFFFFFu, {});
    EXPECT_EQ(error_of([&] { decode(b.bytes, 1000); }), crt::kBlockTooLong);
}
