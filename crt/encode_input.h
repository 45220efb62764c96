// Reading the encoder's input arrays, whose element type is given by an output format
// code (the same codes the stream's descriptors carry).
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "crt/attribute.h"

namespace crt {

inline bool is_unsigned_format(int32_t format) {
    return format == format_uint32 || format == format_uint16 || format == format_uint8;
}

inline bool is_known_format(int32_t format) { return format >= format_uint32 && format <= format_double; }

// Element k of an input array of the given (known) format, as a double (exact for all).
inline double input_value(const void* input, int32_t format, size_t k) {
    const auto* bytes = static_cast<const uint8_t*>(input);
    switch (format) {
    case format_uint32: { uint32_t v; std::memcpy(&v, bytes + 4 * k, 4); return v; }
    case format_int32: { int32_t v; std::memcpy(&v, bytes + 4 * k, 4); return v; }
    case format_uint16: { uint16_t v; std::memcpy(&v, bytes + 2 * k, 2); return v; }
    case format_int16: { int16_t v; std::memcpy(&v, bytes + 2 * k, 2); return v; }
    case format_uint8: return bytes[k];
    case format_int8: return static_cast<int8_t>(bytes[k]);
    case format_float: { float v; std::memcpy(&v, bytes + 4 * k, 4); return v; }
    default: { double v; std::memcpy(&v, bytes + 8 * k, 8); return v; }
    }
}

}  // namespace crt
