// Entropy blocks (stored or Tunstall-coded byte arrays) and the two ways integer
// residuals of vertex attributes are stored: per-component and correlated.
#pragma once
#include <cstdint>
#include <vector>

#include "crt/stream.h"

namespace crt {

// Reads one block in the stream's entropy kind. A block longer than max_length (the most
// its reader can use) is refused before it is allocated.
std::vector<uint8_t> read_entropy_block(Stream& s, uint64_t max_length);

// Both readers read a word block and the bit-count blocks for up to vertex_count vertices,
// and return the number of vertices the blocks describe (a block longer than vertex_count
// is refused; every per-component block must have the same length). Residuals go to
// dest[v * components + i]; a byte destination keeps the low 8 bits; a null destination
// skips the blocks and reads no bits.
uint32_t read_per_component(Stream& s, int32_t* dest, int components, uint32_t vertex_count);
uint32_t read_per_component(Stream& s, uint8_t* dest, int components, uint32_t vertex_count);
uint32_t read_correlated(Stream& s, int32_t* dest, int components, uint32_t vertex_count);
uint32_t read_correlated(Stream& s, uint8_t* dest, int components, uint32_t vertex_count);

}  // namespace crt
