// Byte and bit writing for the crt encoder.
#include "crt/stream_writer.h"

#include <cstring>

#include "crt/errors.h"

namespace crt {

void BitWriter::write(uint32_t value, int n) {
    if (n <= 0) return;
    if (n < 32) value &= (uint32_t(1) << n) - 1;
    if (free_ == 0) {
        words_.push_back(0);
        free_ = 32;
    }
    if (n <= free_) {
        free_ -= n;
        // n = 32 only reaches here with a fresh word, where the shift is 0.
        words_.back() |= value << free_;
        return;
    }
    // Split across two words: the high part fills this one, the rest starts the next.
    const int rest = n - free_;
    words_.back() |= value >> rest;
    words_.push_back(value << (32 - rest));
    free_ = 32 - rest;
}

void write_u8(std::vector<uint8_t>& out, uint8_t value) { out.push_back(value); }

void write_u32(std::vector<uint8_t>& out, uint32_t value) {
    const uint8_t bytes[4] = {uint8_t(value), uint8_t(value >> 8), uint8_t(value >> 16), uint8_t(value >> 24)};
    out.insert(out.end(), bytes, bytes + 4);
}

void write_i32(std::vector<uint8_t>& out, int32_t value) { write_u32(out, static_cast<uint32_t>(value)); }

void write_f32(std::vector<uint8_t>& out, float value) {
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    write_u32(out, bits);
}

void write_bytes(std::vector<uint8_t>& out, const uint8_t* bytes, size_t count) {
    if (count) out.insert(out.end(), bytes, bytes + count);
}

void write_string(std::vector<uint8_t>& out, const std::string& text) {
    if (text.size() >= 0xFFFF) throw kStringTooLong;
    const size_t length = text.size() + 1;  // with its NUL
    out.push_back(uint8_t(length));
    out.push_back(uint8_t(length >> 8));
    write_bytes(out, reinterpret_cast<const uint8_t*>(text.data()), text.size());
    out.push_back(0);
}

void write_word_block(std::vector<uint8_t>& out, const std::vector<uint32_t>& words) {
    write_u32(out, static_cast<uint32_t>(words.size()));
    while (out.size() % 4) out.push_back(0);
    out.reserve(out.size() + words.size() * 4);
    for (uint32_t w : words) write_u32(out, w);
}

}  // namespace crt
