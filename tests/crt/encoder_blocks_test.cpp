// The encoder's byte and bit writers, entropy blocks and residual sections, each read
// back by the decoder's own readers.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <functional>
#include <random>
#include <set>

#include "crt/encode_stats.h"
#include "crt/entropy.h"
#include "crt/entropy_writer.h"
#include "crt/errors.h"
#include "crt/stream.h"
#include "crt/stream_writer.h"
#include "crt/tunstall_encoder.h"
#include "stream_builder.h"

using crt_test::error_of;

namespace {

// Writes a block and reads it back with the decoder's reader, from a stream that ends
// exactly where the block does.
std::vector<uint8_t> block_round_trip(const std::vector<uint8_t>& data, int entropy, size_t* written = nullptr) {
    std::vector<uint8_t> out;
    crt::write_entropy_block(out, data, entropy);
    if (written) *written = out.size();
    crt::Stream s = crt::make_stream(out.data(), out.size());
    s.entropy = crt::entropy_kind(entropy);
    std::vector<uint8_t> back = crt::read_entropy_block(s, data.size());
    EXPECT_EQ(s.remaining(), 0u) << "the reader must end where the writer did";
    return back;
}

std::vector<uint8_t> random_bytes(std::mt19937& rng, size_t n, const std::vector<double>& weights) {
    std::discrete_distribution<int> pick(weights.begin(), weights.end());
    std::vector<uint8_t> data(n);
    for (uint8_t& b : data) b = uint8_t(pick(rng));
    return data;
}

}  // namespace

TEST(BitWriter, ValuesOfEveryWidthComeBackAcrossWordBoundaries) {
    std::mt19937 rng(7);
    crt::BitWriter w;
    std::vector<std::pair<uint32_t, int>> written;
    for (int i = 0; i < 2000; ++i) {
        const int n = 1 + int(rng() % 32);
        const uint32_t v = n == 32 ? uint32_t(rng()) : uint32_t(rng()) & ((1u << n) - 1);
        w.write(v, n);
        written.push_back({v, n});
    }
    w.write(0xFFFFFFFFu, 32);  // a whole word, whatever the buffer holds
    written.push_back({0xFFFFFFFFu, 32});
    std::vector<uint8_t> out;
    crt::write_word_block(out, w.words());
    crt::Stream s = crt::make_stream(out.data(), out.size());
    crt::BitReader r = crt::read_word_block(s);
    for (const auto& [v, n] : written) ASSERT_EQ(r.read(n), v) << n << " bits";
}

TEST(BitWriter, HighBitsOfOversizedValuesAreDropped) {
    crt::BitWriter w;
    w.write(0xFFu, 3);
    w.write(0u, 29);
    EXPECT_EQ(w.words(), (std::vector<uint32_t>{0xE0000000u}));
    EXPECT_EQ(w.bit_count(), 32u);
}

TEST(WordBlock, PaddingFollowsTheOffsetFromTheMagic) {
    for (size_t before = 0; before < 8; ++before) {
        std::vector<uint8_t> out(before, 0xAA);
        crt::write_word_block(out, {0x01020304u});
        crt::Stream s = crt::make_stream(out.data(), out.size());
        crt::read_bytes(s, before);
        crt::BitReader r = crt::read_word_block(s);
        EXPECT_EQ(r.read(32), 0x01020304u) << before;
        EXPECT_EQ(s.remaining(), 0u);
        EXPECT_EQ((out.size() - 4) % 4, 0u);
    }
}

TEST(StreamWriter, StringsCarryTheirNulAndOverlongOnesAreRefused) {
    std::vector<uint8_t> out;
    crt::write_string(out, "uv");
    EXPECT_EQ(out, (std::vector<uint8_t>{3, 0, 'u', 'v', 0}));
    crt::Stream s = crt::make_stream(out.data(), out.size());
    EXPECT_EQ(crt::read_string(s), "uv");
    EXPECT_EQ(error_of([&] { crt::write_string(out, std::string(70000, 'x')); }), crt::kStringTooLong);
}

TEST(EntropyBlocks, EmptyAndSingleSymbolBlocksNeedNoCodes) {
    for (int entropy : {0, 1}) {
        EXPECT_TRUE(block_round_trip({}, entropy).empty());
        const std::vector<uint8_t> same(1000, 7);
        size_t written = 0;
        EXPECT_EQ(block_round_trip(same, entropy, &written), same);
        if (entropy == 1) {
            EXPECT_EQ(written, 1u + 2 + 4 + 4) << "one symbol: S, one pair, L, K = 0";
        }
    }
}

TEST(EntropyBlocks, SkewedAndUniformDataRoundTripAndTunstallShrinksSkewedData) {
    std::mt19937 rng(11);
    const std::vector<std::vector<double>> shapes = {
        {1, 1},                 // two equal symbols
        {250, 5},               // the run start: runs of symbol 0 become words
        {1, 254},               // likeliest symbol second in byte order
        {200, 40, 10, 5, 1},    // connectivity-like
        std::vector<double>(33, 1.0),  // every bit count 0-32
        {1, 2, 4, 8, 16, 32, 64, 128, 256, 512, 1024},
    };
    for (size_t k = 0; k < shapes.size(); ++k) {
        for (size_t n : {1, 2, 3, 17, 255, 256, 257, 5000}) {
            const std::vector<uint8_t> data = random_bytes(rng, n, shapes[k]);
            EXPECT_EQ(block_round_trip(data, 0), data) << "shape " << k << " n " << n;
            size_t written = 0;
            EXPECT_EQ(block_round_trip(data, 1, &written), data) << "shape " << k << " n " << n;
            if (k == 1 && n == 5000) {
                EXPECT_LT(written, n / 5) << "runs should pack many symbols per code";
            }
        }
    }
}

TEST(EntropyBlocks, RandomDistributionsAlwaysDecodeToTheirData) {
    std::mt19937 rng(3);
    for (int trial = 0; trial < 300; ++trial) {
        const int S = 2 + int(rng() % 40);
        std::vector<double> weights(S);
        for (double& w : weights) w = std::pow(double(rng() % 1000 + 1), double(rng() % 4));
        const std::vector<uint8_t> data = random_bytes(rng, 1 + rng() % 3000, weights);
        ASSERT_EQ(block_round_trip(data, 1), data) << "trial " << trial;
    }
}

TEST(EntropyBlocks, SymbolsAreListedLikeliestFirst) {
    const std::vector<uint8_t> data = {1, 1, 1, 0, 1, 1, 2, 1, 0};
    const crt::TunstallSymbols s = crt::tunstall_symbols(data.data(), data.size());
    EXPECT_EQ(s.symbols, (std::vector<uint8_t>{1, 0, 2}));
    EXPECT_GE(s.probabilities[0], s.probabilities[1]);
    EXPECT_GE(s.probabilities[1], s.probabilities[2]);
    EXPECT_GE(s.probabilities[2], 1);
}

TEST(EntropyBlocks, ADictionaryThatWouldOverflowFallsBackToOneThatFits) {
    // Probability bytes (1, 1) make every child's probability 0, so one column grows
    // words until the 8192-byte table overflows.
    const std::vector<uint8_t> data = {0, 1, 1, 0, 0, 0, 1, 0, 1, 1, 1, 0};
    crt::TunstallSymbols tiny{{0, 1}, {1, 1}};
    crt::TunstallDictionary d;
    EXPECT_EQ(error_of([&] { crt::build_tunstall_dictionary(tiny.symbols.data(), tiny.probabilities.data(), 2, d); }),
              crt::kTunstallOverflow);
    std::vector<uint8_t> out;
    crt::write_tunstall_block(out, data.data(), data.size(), tiny);
    crt::Stream s = crt::make_stream(out.data(), out.size());
    s.entropy = 1;
    EXPECT_EQ(crt::read_entropy_block(s, data.size()), data);
}

TEST(EntropyBlocks, MoreThan255DistinctBytesCannotBeTunstallCoded) {
    std::vector<uint8_t> all(256);
    for (int i = 0; i < 256; ++i) all[i] = uint8_t(i);
    std::vector<uint8_t> out;
    EXPECT_EQ(error_of([&] { crt::write_entropy_block(out, all, 1); }), crt::kTooManySymbols);
    EXPECT_EQ(block_round_trip(all, 0), all);
    all.pop_back();
    EXPECT_EQ(block_round_trip(all, 1), all);
}

TEST(EntropyBlocks, UnknownEntropyKindIsRefused) {
    std::vector<uint8_t> out;
    EXPECT_EQ(error_of([&] { crt::write_entropy_block(out, std::vector<uint8_t>{1}, 2); }), crt::kUnknownEntropy);
    EXPECT_EQ(error_of([&] { crt::write_entropy_block(out, std::vector<uint8_t>{1}, 2 | crt::kSmallestBlocks); }),
              crt::kUnknownEntropy);
    EXPECT_EQ(error_of([&] { crt::write_entropy_block(out, std::vector<uint8_t>{1}, 1 | 0x400); }), crt::kUnknownEntropy);
}

TEST(EntropyBlocks, SearchingNearlyConstantDataSurvivesDictionariesThatOverflow) {
    // One symbol at 99.5 %: reordering or reweighting the list starts dictionaries with
    // long runs, some too long for the table; the search must step over them.
    std::mt19937 rng(4);
    const std::vector<uint8_t> data = random_bytes(rng, 30000, {995, 2, 1, 1, 1});
    EXPECT_EQ(block_round_trip(data, 1 | crt::kSmallestBlocks), data);
}

TEST(EncodeStats, EntropyIsZeroForOneValueAndOneBitForTwoEqualHalves) {
    const std::vector<uint8_t> same(100, 7), halves = {1, 2, 1, 2, 2, 1, 1, 2};
    EXPECT_DOUBLE_EQ(crt::entropy_bits(same.data(), same.size()), 0.0);
    EXPECT_DOUBLE_EQ(crt::entropy_bits(halves.data(), halves.size()), 8.0);
    // Residuals of one component among three: x = 5, -5, 5, -5; y and z vary.
    const std::vector<int32_t> r = {5, 1, 2, -5, 3, 4, 5, 5, 6, -5, 7, 8};
    EXPECT_DOUBLE_EQ(crt::entropy_bits(r.data(), 4, 3), 4.0);
}

TEST(EntropyBlocks, SearchedDictionariesDecodeToTheirDataAndNeverGrow) {
    // Two likely symbols and rare ones, as in connectivity symbols and bit counts.
    std::mt19937 rng(23);
    for (const std::vector<double>& weights : {std::vector<double>{48, 46, 2, 1.5, 1.5, 0.1},
                                               std::vector<double>{5, 9, 14, 18, 16, 12, 8, 4, 0.5, 0.05}}) {
        const std::vector<uint8_t> data = random_bytes(rng, 20000, weights);
        size_t plain = 0, searched = 0;
        EXPECT_EQ(block_round_trip(data, 1, &plain), data);
        EXPECT_EQ(block_round_trip(data, 1 | crt::kSmallestBlocks, &searched), data);
        EXPECT_LE(searched, plain);
    }
}

namespace {

std::vector<int32_t> residual_round_trip(const std::vector<int32_t>& r, int n, bool correlated, int entropy) {
    std::vector<uint8_t> out;
    const uint32_t V = uint32_t(r.size() / n);
    if (correlated) crt::write_correlated(out, r.data(), n, V, entropy);
    else crt::write_per_component(out, r.data(), n, V, entropy);
    crt::Stream s = crt::make_stream(out.data(), out.size());
    s.entropy = crt::entropy_kind(entropy);
    std::vector<int32_t> back(r.size(), 0x5A5A5A5A);
    const uint32_t described = correlated ? crt::read_correlated(s, back.data(), n, V)
                                          : crt::read_per_component(s, back.data(), n, V);
    EXPECT_EQ(described, V);
    EXPECT_EQ(s.remaining(), 0u);
    return back;
}

}  // namespace

TEST(ResidualSections, ExtremesAndEveryBitWidthComeBack) {
    std::vector<int32_t> r = {0, 1, -1, 2, -2, 3, -3, 4, -4, INT32_MAX, INT32_MIN, INT32_MIN + 1, 1 << 30, -(1 << 30)};
    for (int b = 0; b < 31; ++b) r.insert(r.end(), {int32_t(1) << b, -(int32_t(1) << b), (int32_t(1) << b) - 1});
    while (r.size() % 3) r.push_back(0);
    for (int entropy : {0, 1})
        for (bool correlated : {false, true})
            for (int n : {1, 3}) EXPECT_EQ(residual_round_trip(r, n, correlated, entropy), r) << correlated << n;
}

TEST(ResidualSections, RandomResidualsOfManyVerticesRoundTrip) {
    std::mt19937 rng(5);
    std::vector<int32_t> r(3 * 4001);
    for (int32_t& x : r) x = int32_t(rng()) >> (rng() % 32);
    for (int entropy : {0, 1, 1 | crt::kSmallestBlocks})
        for (bool correlated : {false, true}) EXPECT_EQ(residual_round_trip(r, 3, correlated, entropy), r);
}

TEST(ResidualSections, MergedCorrelatedWidthsNeverFallBelowTheNeededOnes) {
    // Small residuals with a few outliers: the outliers' widths are rare, so they are
    // raised into one kind; a width below the needed one would lose the values.
    std::mt19937 rng(8);
    std::vector<int32_t> r(3 * 6000);
    for (int32_t& x : r) x = int32_t(rng() % 41) - 20;
    for (int k = 0; k < 12; ++k) r[rng() % r.size()] = (int32_t(1) << (8 + k)) - 3 * k;
    const crt::ResidualCode plain = crt::correlated_code(r.data(), 3, 6000, 1);
    const crt::ResidualCode merged = crt::correlated_code(r.data(), 3, 6000, 1 | crt::kSmallestBlocks);
    const auto kinds = [](const std::vector<uint8_t>& c) { return std::set<uint8_t>(c.begin(), c.end()).size(); };
    EXPECT_LT(kinds(merged.counts[0]), kinds(plain.counts[0]));
    for (size_t v = 0; v < 6000; ++v) EXPECT_GE(merged.counts[0][v], plain.counts[0][v]) << v;
    EXPECT_EQ(residual_round_trip(r, 3, true, 1 | crt::kSmallestBlocks), r);
    std::vector<uint8_t> a, b;
    crt::write_residual_code(a, plain, 1);
    crt::write_residual_code(b, merged, 1);
    EXPECT_LT(b.size(), a.size());
}
