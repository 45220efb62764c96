// Stored and Tunstall entropy blocks, and the residual readers built on them. The
// readers are specialised for two and three components, the common cases (normals;
// positions), so that the inner loops have fixed strides.
#include "crt/entropy.h"

#include "crt/errors.h"
#include "crt/tunstall.h"

namespace crt {

uint8_t* BlockBuffer::reserve(uint32_t length) {
    const size_t needed = size_t(length) + kTunstallCopySlack;
    if (bytes.size() < needed) bytes.resize(needed);
    return bytes.data();
}

EntropyBlock locate_block(Stream& s, uint64_t max_length) {
    EntropyBlock block;
    block.kind = s.entropy;
    if (s.entropy == 0) {
        block.length = read_u32(s);
        if (block.length > max_length) throw kBlockTooLong;
        block.stored = read_bytes(s, block.length);
        return block;
    }
    if (s.entropy != 1) throw kUnknownEntropy;
    block.tunstall = read_tunstall_header(s);
    block.length = block.tunstall.length;
    if (block.length > max_length) throw kBlockTooLong;
    check_tunstall_block(block.tunstall);
    return block;
}

ByteBlock expand_block(const EntropyBlock& block, BlockBuffer& buffer) {
    if (block.kind == 0) return {block.stored, block.length};
    if (block.length == 0) return {};
    uint8_t* out = buffer.reserve(block.length);
    decode_tunstall_block(block.tunstall, out);
    return {out, block.length};
}

ByteBlock read_block(Stream& s, uint64_t max_length, BlockBuffer& buffer) {
    return expand_block(locate_block(s, max_length), buffer);
}

std::vector<uint8_t> read_entropy_block(Stream& s, uint64_t max_length) {
    BlockBuffer buffer;
    const ByteBlock block = read_block(s, max_length, buffer);
    return std::vector<uint8_t>(block.data, block.data + block.length);
}

void skip_block(Stream& s) {
    if (s.entropy == 0) {
        read_bytes(s, read_u32(s));
        return;
    }
    if (s.entropy != 1) throw kUnknownEntropy;
    read_tunstall_header(s);
}

namespace {

// Bit counts above 32 cannot come from a 32-bit residual.
inline uint32_t checked_bits(uint8_t b) {
    if (b > 32) throw kResidualBits;
    return b;
}

// 2^(b-1), and 0 for b = 0 (whose residuals are all 0).
inline uint32_t half_of(uint32_t b) { return static_cast<uint32_t>((uint64_t(1) << b) >> 1); }

// One component of every vertex. x below the half stands for the negative -x - 2^(b-1);
// unsigned arithmetic, so that at b = 32 it wraps as 32-bit hardware does.
template <typename T, int kComponents>
void component_values(const ByteBlock& counts, BitReader& bits, T* dest, int components) {
    const size_t N = kComponents ? kComponents : size_t(components);
    BitReader r = bits;  // a local copy, so that its members can live in registers
    for (uint32_t v = 0; v < counts.length; ++v, dest += N) {
        const uint32_t b = checked_bits(counts.data[v]);
        const uint32_t x = r.read(int(b));
        const uint32_t half = half_of(b);
        *dest = static_cast<T>(x < half ? 0u - x - half : x);
    }
    bits = r;
}

template <typename T, int kComponents>
void correlated_values(const ByteBlock& counts, BitReader& bits, T* dest, int components) {
    const int N = kComponents ? kComponents : components;
    BitReader r = bits;
    for (uint32_t v = 0; v < counts.length; ++v, dest += N) {
        const uint32_t b = checked_bits(counts.data[v]);
        const uint32_t half = half_of(b);
        for (int i = 0; i < N; ++i) dest[i] = static_cast<T>(r.read(int(b)) - half);
    }
    bits = r;
}

template <typename T>
uint32_t per_component(Stream& s, T* dest, int components, uint32_t vertex_count, BlockBuffer& buffer) {
    BitReader bits = read_word_block(s);
    if (!dest) {
        for (int i = 0; i < components; ++i) skip_block(s);
        return vertex_count;
    }
    uint32_t described = vertex_count;
    for (int i = 0; i < components; ++i) {
        const ByteBlock counts = read_block(s, vertex_count, buffer);
        if (i == 0) described = counts.length;
        else if (counts.length != described) throw kResidualLength;
        switch (components) {
        case 2: component_values<T, 2>(counts, bits, dest + i, 2); break;
        case 3: component_values<T, 3>(counts, bits, dest + i, 3); break;
        default: component_values<T, 0>(counts, bits, dest + i, components); break;
        }
    }
    return described;
}

template <typename T>
uint32_t correlated(Stream& s, T* dest, int components, uint32_t vertex_count, BlockBuffer& buffer) {
    BitReader bits = read_word_block(s);
    if (!dest) {
        skip_block(s);
        return vertex_count;
    }
    const ByteBlock counts = read_block(s, vertex_count, buffer);
    switch (components) {
    case 2: correlated_values<T, 2>(counts, bits, dest, 2); break;
    case 3: correlated_values<T, 3>(counts, bits, dest, 3); break;
    default: correlated_values<T, 0>(counts, bits, dest, components); break;
    }
    return counts.length;
}

}  // namespace

uint32_t read_per_component(Stream& s, int32_t* dest, int components, uint32_t vertex_count, BlockBuffer& buffer) {
    return per_component(s, dest, components, vertex_count, buffer);
}
uint32_t read_per_component(Stream& s, uint8_t* dest, int components, uint32_t vertex_count, BlockBuffer& buffer) {
    return per_component(s, dest, components, vertex_count, buffer);
}
uint32_t read_correlated(Stream& s, int32_t* dest, int components, uint32_t vertex_count, BlockBuffer& buffer) {
    return correlated(s, dest, components, vertex_count, buffer);
}
uint32_t read_correlated(Stream& s, uint8_t* dest, int components, uint32_t vertex_count, BlockBuffer& buffer) {
    return correlated(s, dest, components, vertex_count, buffer);
}

}  // namespace crt
