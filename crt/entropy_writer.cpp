// Entropy blocks and residual sections of the crt encoder.
#include "crt/entropy_writer.h"

#include <algorithm>

#include "crt/errors.h"
#include "crt/stream_writer.h"
#include "crt/tunstall_encoder.h"

namespace crt {

namespace {

int bit_length(uint32_t v) {
    int n = 0;
    while (v) {
        ++n;
        v >>= 1;
    }
    return n;
}

// Unsigned negation: the magnitude of INT32_MIN is 2^31, which has no int32.
uint32_t magnitude(int32_t r) { return r < 0 ? 0u - uint32_t(r) : uint32_t(r); }

}  // namespace

int magnitude_bits(int32_t r) { return bit_length(magnitude(r)); }

int offset_bits(int32_t r) {
    if (r == 0) return 0;
    // Non-negative r needs its bit length plus a sign position; negative r = -(m + 1)
    // fits when m < 2^(b-1).
    return r > 0 ? bit_length(uint32_t(r)) + 1 : bit_length(uint32_t(-(int64_t(r) + 1))) + 1;
}

void write_entropy_block(std::vector<uint8_t>& out, const uint8_t* data, size_t length, int32_t entropy) {
    if (entropy == 0) {
        if (length > 0xFFFFFFFFu) throw kBlockTooLong;
        write_u32(out, static_cast<uint32_t>(length));
        write_bytes(out, data, length);
    } else if (entropy == 1) {
        write_tunstall_block(out, data, length);
    } else {
        throw kUnknownEntropy;
    }
}

size_t entropy_block_size(const std::vector<uint8_t>& data, int32_t entropy) {
    std::vector<uint8_t> block;
    write_entropy_block(block, data, entropy);
    return block.size();
}

ResidualCode per_component_code(const int32_t* residuals, int components, uint32_t vertex_count) {
    const size_t N = static_cast<size_t>(std::max(components, 0));
    ResidualCode code;
    code.counts.assign(N, std::vector<uint8_t>(vertex_count));
    // The reader takes component 0 of every vertex, then component 1, and so on.
    for (size_t i = 0; i < N; ++i) {
        for (size_t v = 0; v < vertex_count; ++v) {
            const int32_t r = residuals[v * N + i];
            const int b = magnitude_bits(r);
            code.counts[i][v] = uint8_t(b);
            // A negative r is stored below the half, as |r| - 2^(b-1).
            if (b) code.bits.write(r > 0 ? uint32_t(r) : magnitude(r) - (uint32_t(1) << (b - 1)), b);
        }
    }
    return code;
}

ResidualCode correlated_code(const int32_t* residuals, int components, uint32_t vertex_count) {
    const size_t N = static_cast<size_t>(std::max(components, 0));
    ResidualCode code;
    code.counts.assign(1, std::vector<uint8_t>(vertex_count));
    for (size_t v = 0; v < vertex_count; ++v) {
        const int32_t* r = residuals + v * N;
        int b = 0;
        for (size_t i = 0; i < N; ++i) b = std::max(b, offset_bits(r[i]));
        code.counts[0][v] = uint8_t(b);
        if (b == 0) continue;
        const uint32_t half = uint32_t(1) << (b - 1);
        for (size_t i = 0; i < N; ++i) code.bits.write(uint32_t(r[i]) + half, b);
    }
    return code;
}

void write_residual_code(std::vector<uint8_t>& out, const ResidualCode& code, int32_t entropy) {
    write_word_block(out, code.bits.words());
    for (const std::vector<uint8_t>& counts : code.counts) write_entropy_block(out, counts, entropy);
}

void write_per_component(std::vector<uint8_t>& out, const int32_t* residuals, int components,
                         uint32_t vertex_count, int32_t entropy) {
    write_residual_code(out, per_component_code(residuals, components, vertex_count), entropy);
}

void write_correlated(std::vector<uint8_t>& out, const int32_t* residuals, int components, uint32_t vertex_count,
                      int32_t entropy) {
    write_residual_code(out, correlated_code(residuals, components, vertex_count), entropy);
}

}  // namespace crt
