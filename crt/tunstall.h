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
// No word is longer than this: every step of the construction that lengthens the longest
// word by one also adds at least one code, and there are 256 codes.
constexpr uint32_t kTunstallMaxWord = 255;
// Words are copied 16 bytes at a time, so the table and every output buffer carry this
// many bytes past their end.
constexpr uint32_t kTunstallCopySlack = 16;

// No initialisers: a dictionary is built for every block and sets every code.
struct TunstallWord {
    uint32_t offset;  // into TunstallDictionary::table
    uint32_t length;  // 0 for codes the construction did not fill
};

struct TunstallDictionary {
    std::array<uint8_t, kTunstallTableBytes + kTunstallCopySlack> table;  // only words are read
    std::array<TunstallWord, kTunstallCodes> codes;
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

// Expands K code bytes into L bytes at out, which holds L + kTunstallCopySlack bytes:
// every code but the last whole, the last cut to what is left of L (nothing when the
// others reach L exactly). Codes of empty words, and codes that fall short of L or pass
// it before the last, are refused before anything is written.
void decode_tunstall_codes(const TunstallDictionary& dictionary, const uint8_t* code_bytes, uint32_t K, uint32_t L,
                           uint8_t* out);

// A Tunstall block as read from the stream, before its codes are expanded.
struct TunstallBlock {
    uint32_t symbol_count = 0;
    const uint8_t* pairs = nullptr;  // symbol_count (symbol, probability) pairs
    uint32_t length = 0;             // L, the decoded length
    uint32_t code_count = 0;         // K
    const uint8_t* codes = nullptr;
};

// Reads the block's fields and moves past it; checks nothing but the stream's end.
TunstallBlock read_tunstall_header(Stream& s);

// Refuses, before anything is allocated for it, a non-empty block without symbols and one
// whose length K codes of at most kTunstallMaxWord bytes cannot reach.
void check_tunstall_block(const TunstallBlock& block);

// Expands a checked block into out (length + kTunstallCopySlack bytes).
void decode_tunstall_block(const TunstallBlock& block, uint8_t* out);

}  // namespace crt
