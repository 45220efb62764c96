// Entropy blocks (stored or Tunstall-coded byte arrays) and the two ways integer
// residuals of vertex attributes are stored: per-component and correlated.
#pragma once
#include <cstdint>
#include <vector>

#include "crt/stream.h"
#include "crt/tunstall.h"

namespace crt {

// The bytes of one block: inside the stream for stored blocks, otherwise in a buffer the
// reader owns, valid until the next block is read into it.
struct ByteBlock {
    const uint8_t* data = nullptr;
    uint32_t length = 0;
};

// Decoded blocks land here; it only ever grows, so blocks cost no allocation.
struct BlockBuffer {
    std::vector<uint8_t> bytes;
    uint8_t* reserve(uint32_t length);  // room for length bytes and the Tunstall copy slack
};

// A block as it lies in the stream, before it is expanded: its kind and length, and its
// stored bytes or its Tunstall fields.
struct EntropyBlock {
    int32_t kind = 0;                  // 0 stored, 1 Tunstall
    uint32_t length = 0;               // decoded length
    const uint8_t* stored = nullptr;   // the bytes of a stored block
    TunstallBlock tunstall;
};

// Reads a block's fields in the stream's entropy kind and moves past it. A block longer
// than max_length (the most its reader can use) is refused before anything is allocated
// for it, and so is a Tunstall block whose codes cannot reach its length.
EntropyBlock locate_block(Stream& s, uint64_t max_length);
// The bytes of a located block: inside the stream when stored, otherwise in the buffer.
ByteBlock expand_block(const EntropyBlock& block, BlockBuffer& buffer);

// The two together.
ByteBlock read_block(Stream& s, uint64_t max_length, BlockBuffer& buffer);
// The same block as an array of its own.
std::vector<uint8_t> read_entropy_block(Stream& s, uint64_t max_length);
// Moves past one block without expanding or checking it.
void skip_block(Stream& s);

// Both readers read a word block and the bit-count blocks for up to vertex_count vertices
// and return the number of vertices the blocks describe (a block longer than vertex_count
// is refused; every per-component block must have the same length). Residuals go to
// dest[v * components + i]; a byte destination keeps the low 8 bits. A null destination
// skips the blocks unread and reads no bits; they then describe vertex_count vertices.
uint32_t read_per_component(Stream& s, int32_t* dest, int components, uint32_t vertex_count, BlockBuffer& buffer);
uint32_t read_per_component(Stream& s, uint8_t* dest, int components, uint32_t vertex_count, BlockBuffer& buffer);
uint32_t read_correlated(Stream& s, int32_t* dest, int components, uint32_t vertex_count, BlockBuffer& buffer);
uint32_t read_correlated(Stream& s, uint8_t* dest, int components, uint32_t vertex_count, BlockBuffer& buffer);

// The same with a buffer of their own, for callers that read one section.
template <typename T>
uint32_t read_per_component(Stream& s, T* dest, int components, uint32_t vertex_count) {
    BlockBuffer buffer;
    return read_per_component(s, dest, components, vertex_count, buffer);
}
template <typename T>
uint32_t read_correlated(Stream& s, T* dest, int components, uint32_t vertex_count) {
    BlockBuffer buffer;
    return read_correlated(s, dest, components, vertex_count, buffer);
}

}  // namespace crt
