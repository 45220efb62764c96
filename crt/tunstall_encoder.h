// Tunstall coding of byte blocks: symbol probabilities from counts, the decoder's own
// dictionary construction, and greedy longest-word coding.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "crt/tunstall.h"

namespace crt {

// The symbol list of a block: symbols by decreasing probability (the dictionary is only
// sure to fit its table when the likeliest symbol comes first), probability bytes >= 1.
struct TunstallSymbols {
    std::vector<uint8_t> symbols;
    std::vector<uint8_t> probabilities;
};

// Probabilities in 1/256 from the counts of the block's bytes, likeliest first (ties by
// byte value). Fails with kTooManySymbols for more than 255 distinct bytes.
TunstallSymbols tunstall_symbols(const uint8_t* data, size_t length);

// The same symbols with equal probabilities: a dictionary of short words that always fits.
TunstallSymbols uniform_symbols(const TunstallSymbols& measured);

// Codes data with the dictionary greedily, longest word first; the last code may stand
// for a longer word, which the decoder cuts to the block length. Returns false when some
// stretch of the data has no word.
bool tunstall_codes(const TunstallDictionary& dictionary, const uint8_t* data, size_t length,
                    std::vector<uint8_t>& codes);

// Appends a whole Tunstall block (S, pairs, L, K, codes). Several symbol lists are tried
// (the measured one, flatter ones when its dictionary would not fit, equal ones) and the
// shortest coding is kept. With `smallest`, the probabilities and their order are then
// searched for the fewest codes: the dictionary that codes this data best is rarely the
// one its counts describe (probability bytes are coarse, and every expansion spends a
// code on each symbol, however rare).
void write_tunstall_block(std::vector<uint8_t>& out, const uint8_t* data, size_t length, bool smallest = false);
// The same with the first symbol list to try given; it must list every byte of the data.
void write_tunstall_block(std::vector<uint8_t>& out, const uint8_t* data, size_t length,
                          const TunstallSymbols& first, bool smallest = false);

}  // namespace crt
