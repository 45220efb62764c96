// Stored and Tunstall entropy blocks, and the residual readers built on them.
#include "crt/entropy.h"

#include "crt/errors.h"
#include "crt/tunstall.h"

namespace crt {

std::vector<uint8_t> read_entropy_block(Stream& s, uint64_t max_length) {
    if (s.entropy == 0) {
        const uint32_t length = read_u32(s);
        if (length > max_length) throw kBlockTooLong;
        const uint8_t* bytes = read_bytes(s, length);
        return std::vector<uint8_t>(bytes, bytes + length);
    }
    if (s.entropy == 1) return read_tunstall_block(s, max_length);
    throw kUnknownEntropy;
}

namespace {

// The residual of b bits: x below the half stands for the negative -x - 2^(b-1).
// Unsigned arithmetic: at b = 32 the negative side wraps, as it does in 32-bit hardware.
uint32_t sign_folded(uint32_t x, uint32_t b) {
    const uint32_t half = uint32_t(1) << (b - 1);
    return x < half ? 0u - x - half : x;
}

uint32_t checked_bits(uint8_t b) {
    if (b > 32) throw kResidualBits;
    return b;
}

template <typename T>
uint32_t per_component(Stream& s, T* dest, int components, uint32_t vertex_count) {
    BitReader bits = read_word_block(s);
    uint32_t described = vertex_count;
    for (int i = 0; i < components; ++i) {
        const std::vector<uint8_t> counts = read_entropy_block(s, vertex_count);
        if (i == 0) described = static_cast<uint32_t>(counts.size());
        else if (counts.size() != described) throw kResidualLength;
        if (!dest) continue;
        for (size_t v = 0; v < counts.size(); ++v) {
            const uint32_t b = checked_bits(counts[v]);
            const uint32_t r = b == 0 ? 0 : sign_folded(bits.read(b), b);
            dest[v * components + i] = static_cast<T>(r);
        }
    }
    return described;
}

template <typename T>
uint32_t correlated(Stream& s, T* dest, int components, uint32_t vertex_count) {
    BitReader bits = read_word_block(s);
    const std::vector<uint8_t> counts = read_entropy_block(s, vertex_count);
    if (dest) {
        for (size_t v = 0; v < counts.size(); ++v) {
            const uint32_t b = checked_bits(counts[v]);
            T* out = dest + v * components;
            for (int i = 0; i < components; ++i)
                out[i] = static_cast<T>(b == 0 ? 0 : bits.read(b) - (uint32_t(1) << (b - 1)));
        }
    }
    return static_cast<uint32_t>(counts.size());
}

}  // namespace

uint32_t read_per_component(Stream& s, int32_t* dest, int components, uint32_t vertex_count) {
    return per_component(s, dest, components, vertex_count);
}
uint32_t read_per_component(Stream& s, uint8_t* dest, int components, uint32_t vertex_count) {
    return per_component(s, dest, components, vertex_count);
}
uint32_t read_correlated(Stream& s, int32_t* dest, int components, uint32_t vertex_count) {
    return correlated(s, dest, components, vertex_count);
}
uint32_t read_correlated(Stream& s, uint8_t* dest, int components, uint32_t vertex_count) {
    return correlated(s, dest, components, vertex_count);
}

}  // namespace crt
