// Entropy blocks and residual sections of the crt encoder.
#include "crt/entropy_writer.h"

#include <algorithm>
#include <array>

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
    const int32_t kind = (entropy & ~kSmallestBlocks) == entropy_kind(entropy) ? entropy_kind(entropy) : -1;
    if (kind == 0) {
        if (length > 0xFFFFFFFFu) throw kBlockTooLong;
        write_u32(out, static_cast<uint32_t>(length));
        write_bytes(out, data, length);
    } else if (kind == 1) {
        write_tunstall_block(out, data, length, (entropy & kSearchedProbabilities) != 0);
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

namespace {

// Widths to send for the needed widths of a correlated section: each width in use may be
// raised to the next one in use, dropping a count kind from the block, while that makes
// the section smaller. Greedy; every step is measured with the plain Tunstall coder.
std::vector<uint8_t> merged_widths(const std::vector<uint8_t>& needed, size_t components) {
    std::array<uint8_t, 33> to;
    for (int b = 0; b < 33; ++b) to[b] = uint8_t(b);
    std::vector<uint8_t> counts(needed.size());
    const auto cost = [&](const std::array<uint8_t, 33>& map) {
        uint64_t bits = 0;
        for (size_t v = 0; v < needed.size(); ++v) {
            counts[v] = map[needed[v]];
            bits += uint64_t(counts[v]) * components;
        }
        return entropy_block_size(counts, 1) + bits / 8;
    };
    size_t best = cost(to);
    for (bool improved = true; improved;) {
        improved = false;
        std::array<bool, 33> used{};
        for (uint8_t b : needed) used[to[b]] = true;
        for (int from = 0; from < 32; ++from) {
            if (!used[from]) continue;
            int next = from + 1;
            while (next < 33 && !used[next]) ++next;
            if (next == 33) break;
            std::array<uint8_t, 33> trial = to;
            for (uint8_t& t : trial)
                if (t == from) t = uint8_t(next);
            const size_t c = cost(trial);
            if (c < best) {
                best = c;
                to = trial;
                improved = true;
                break;
            }
        }
    }
    std::vector<uint8_t> out(needed.size());
    for (size_t v = 0; v < needed.size(); ++v) out[v] = to[needed[v]];
    return out;
}

}  // namespace

ResidualCode correlated_code(const int32_t* residuals, int components, uint32_t vertex_count, int32_t entropy) {
    const size_t N = static_cast<size_t>(std::max(components, 0));
    std::vector<uint8_t> widths(vertex_count);
    for (size_t v = 0; v < vertex_count; ++v) {
        int b = 0;
        for (size_t i = 0; i < N; ++i) b = std::max(b, offset_bits(residuals[v * N + i]));
        widths[v] = uint8_t(b);
    }
    if ((entropy & kMergedWidths) && entropy_kind(entropy) == 1 && N > 0) widths = merged_widths(widths, N);
    ResidualCode code;
    for (size_t v = 0; v < vertex_count; ++v) {
        const int b = widths[v];
        if (b == 0) continue;
        const uint32_t half = uint32_t(1) << (b - 1);
        for (size_t i = 0; i < N; ++i) code.bits.write(uint32_t(residuals[v * N + i]) + half, b);
    }
    code.counts.push_back(std::move(widths));
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
    write_residual_code(out, correlated_code(residuals, components, vertex_count, entropy), entropy);
}

}  // namespace crt
