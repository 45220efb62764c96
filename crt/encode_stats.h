// Where the bytes of an encoded stream go, part by part, each beside the empirical
// (order-0) entropy of what it codes: the bound an ideal coder of that part would reach.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace crt {

class Encoder;

struct StreamPart {
    std::string name;             // "connectivity symbols", "position bit counts x", ...
    size_t bytes = 0;             // in the stream, word padding included
    double entropy_bytes = -1.0;  // < 0: the part codes nothing an entropy applies to
    std::string note;             // what the part holds, for a reader of the table
};

// Order-0 empirical entropy, in bits, of a sequence of values.
double entropy_bits(const uint8_t* values, size_t count);
double entropy_bits(const int32_t* values, size_t count, size_t stride = 1);

// The parts of the stream the encoder last wrote, in stream order; their bytes add up
// to the stream's size.
std::vector<StreamPart> stream_parts(const Encoder& encoder);

}  // namespace crt
