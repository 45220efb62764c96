// Byte cursor and bit reader of the crt decoder.
#include "crt/stream.h"

#include <cstring>

#include "crt/errors.h"

namespace crt {

void throw_bits_ended() { throw kBitsEnded; }

Stream make_stream(const void* data, size_t length) {
    Stream s;
    s.start = static_cast<const uint8_t*>(data);
    s.position = s.start;
    s.end = s.start + length;
    return s;
}

const uint8_t* read_bytes(Stream& s, size_t n) {
    if (s.remaining() < n) throw kTruncated;
    const uint8_t* p = s.position;
    s.position += n;
    return p;
}

uint8_t read_u8(Stream& s) { return *read_bytes(s, 1); }

uint32_t read_u32(Stream& s) { return load_le32(read_bytes(s, 4)); }

int32_t read_i32(Stream& s) { return static_cast<int32_t>(read_u32(s)); }

float read_f32(Stream& s) {
    const uint32_t bits = read_u32(s);
    float f;
    std::memcpy(&f, &bits, sizeof f);
    return f;
}

std::string read_string(Stream& s) {
    const uint8_t* p = read_bytes(s, 2);
    const size_t length = size_t(p[0]) | size_t(p[1]) << 8;
    const char* text = reinterpret_cast<const char*>(read_bytes(s, length));
    const void* nul = std::memchr(text, 0, length);
    return std::string(text, nul ? static_cast<const char*>(nul) - text : length);
}

void skip_string(Stream& s) {
    const uint8_t* p = read_bytes(s, 2);
    read_bytes(s, size_t(p[0]) | size_t(p[1]) << 8);
}

BitReader read_word_block(Stream& s) {
    const uint32_t count = read_u32(s);
    read_bytes(s, (4 - s.offset() % 4) % 4);
    BitReader bits;
    bits.word = read_bytes(s, size_t(count) * 4);
    bits.words_left = count;
    return bits;
}

}  // namespace crt
