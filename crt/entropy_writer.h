// The encoder's side of entropy blocks and residual sections: what read_entropy_block,
// read_per_component and read_correlated take apart, these put together.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "crt/stream_writer.h"

namespace crt {

// Added to the Tunstall kind (1) where the writers below take an entropy kind, to spend
// encode time on smaller blocks: merged correlated bit counts, searched Tunstall
// probabilities, or both. The stream's header carries the kind alone.
constexpr int32_t kMergedWidths = 0x100;
constexpr int32_t kSearchedProbabilities = 0x200;
constexpr int32_t kSmallestBlocks = kMergedWidths | kSearchedProbabilities;
inline int32_t entropy_kind(int32_t entropy) { return entropy & 0xFF; }

// One block in the stream's entropy kind (0 stored, 1 Tunstall).
void write_entropy_block(std::vector<uint8_t>& out, const uint8_t* data, size_t length, int32_t entropy);
inline void write_entropy_block(std::vector<uint8_t>& out, const std::vector<uint8_t>& data, int32_t entropy) {
    write_entropy_block(out, data.data(), data.size(), entropy);
}
// Bytes the block takes in the stream.
size_t entropy_block_size(const std::vector<uint8_t>& data, int32_t entropy);

// A residual section before it is written: its bit-count blocks, in stream order, and the
// bits they describe.
struct ResidualCode {
    std::vector<std::vector<uint8_t>> counts;
    BitWriter bits;
};

// Residuals r[v * components + i] of vertex_count vertices. Per-component: one bit count
// per vertex and component, |r| in that many bits with the sign folded in. Correlated:
// one bit count per vertex shared by its components, each stored offset by half the range.
ResidualCode per_component_code(const int32_t* residuals, int components, uint32_t vertex_count);
// With kMergedWidths, correlated counts are raised where a count that is rare costs
// the Tunstall block more than the extra bits cost (any width at least the needed one
// decodes the same values).
ResidualCode correlated_code(const int32_t* residuals, int components, uint32_t vertex_count,
                             int32_t entropy = 1);
// The word block, then the count blocks.
void write_residual_code(std::vector<uint8_t>& out, const ResidualCode& code, int32_t entropy);

void write_per_component(std::vector<uint8_t>& out, const int32_t* residuals, int components,
                         uint32_t vertex_count, int32_t entropy);
void write_correlated(std::vector<uint8_t>& out, const int32_t* residuals, int components, uint32_t vertex_count,
                      int32_t entropy);

// Bits a per-component residual takes (the bit length of its magnitude), and the
// smallest correlated width b with -2^(b-1) <= r < 2^(b-1).
int magnitude_bits(int32_t r);
int offset_bits(int32_t r);

}  // namespace crt
