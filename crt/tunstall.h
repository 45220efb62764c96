// Tunstall-coded byte blocks: the 256-code dictionary rebuilt from a block's symbol
// probabilities, and the decoding of its code bytes.
#pragma once
#include <array>
#include <cstdint>
#include <vector>

#include "crt/stream.h"

namespace crt {

constexpr int kTunstallCodes = 256;        // word size 8 bits
constexpr int kTunstallTableBytes = 8192;  // all words share this table

struct TunstallWord {
    uint32_t offset = 0;  // into TunstallDictionary::table
    uint32_t length = 0;  // 0 for codes the construction did not fill
};

struct TunstallDictionary {
    std::array<uint8_t, kTunstallTableBytes> table{};
    std::array<TunstallWord, kTunstallCodes> codes{};
};

// The run test: whether symbol 0 is so likely that runs of it become words.
struct TunstallRunTest {
    bool held = false;  // p[1] was below the first power
    uint32_t j = 2;     // run length the test reached
    bool starts_with_runs() const { return held && j >= 16; }
};
TunstallRunTest tunstall_run_test(uint8_t p0, uint8_t p1, uint32_t symbol_count);

// Builds the dictionary for count >= 2 symbols; fails with kTunstallOverflow when the
// words would not fit the table.
void build_tunstall_dictionary(const uint8_t* symbols, const uint8_t* probabilities, uint32_t count,
                               TunstallDictionary& out);

// Expands K code bytes into L bytes: every code but the last whole, the last cut to L.
// Codes of empty words, and codes that do not add up to L, are refused before writing.
std::vector<uint8_t> decode_tunstall_codes(const TunstallDictionary& dictionary, const uint8_t* code_bytes,
                                           uint32_t K, uint32_t L);

// Reads one Tunstall block (after the entropy kind is known). A block longer than
// max_length is refused before anything is allocated.
std::vector<uint8_t> read_tunstall_block(Stream& s, uint64_t max_length);

}  // namespace crt
