// Byte cursor and bit reader of the crt decoder.
#include "crt/stream.h"

#include <cstring>

#include "crt/errors.h"

namespace crt {

namespace {

uint32_t load_le32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

uint32_t low_bits(uint32_t value, int count) {
    return count >= 32 ? value : value & ((uint32_t(1) << count) - 1);
}

}  // namespace

// The current word is used up: the rest of the value comes from the next word.
uint32_t BitReader::read_across(int n) {
    if (words_left == 0) throw kBitsEnded;
    const uint32_t w = load_le32(word);
    word += 4;
    --words_left;
    const int k = n - available;
    if (k == 32) {  // empty buffer, whole word: a shift by 32 would be undefined
        buffer = 0;
        available = 0;
        return w;
    }
    const uint32_t value = (buffer << k) | (w >> (32 - k));
    buffer = low_bits(w, 32 - k);
    available = 32 - k;
    return value;
}

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

BitReader read_word_block(Stream& s) {
    const uint32_t count = read_u32(s);
    read_bytes(s, (4 - s.offset() % 4) % 4);
    BitReader bits;
    bits.word = read_bytes(s, size_t(count) * 4);
    bits.words_left = count;
    return bits;
}

}  // namespace crt
