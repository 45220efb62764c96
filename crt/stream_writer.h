// The encoder's side of the byte cursor and bit reader: little-endian writes onto the
// end of a stream under construction, and a bit writer whose words the BitReader reads.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace crt {

// Packs values most significant bit first into 32-bit words, the order BitReader::read
// takes them in.
class BitWriter {
public:
    // Appends the low n bits of value (0 <= n <= 32).
    void write(uint32_t value, int n);
    const std::vector<uint32_t>& words() const { return words_; }
    uint64_t bit_count() const { return uint64_t(words_.size()) * 32 - free_; }

private:
    std::vector<uint32_t> words_;
    int free_ = 0;  // unused low bits of the last word
};

// Every write appends to `out`, which holds the stream from its magic on, so that word
// blocks can be aligned the way the reader measures it.
void write_u8(std::vector<uint8_t>& out, uint8_t value);
void write_u32(std::vector<uint8_t>& out, uint32_t value);
void write_i32(std::vector<uint8_t>& out, int32_t value);
void write_f32(std::vector<uint8_t>& out, float value);
void write_bytes(std::vector<uint8_t>& out, const uint8_t* bytes, size_t count);
// A 16-bit length, the text and a NUL. Texts of 65535 bytes or more are refused.
void write_string(std::vector<uint8_t>& out, const std::string& text);
// The word count, zero padding up to a multiple of 4 from the stream's start, the words.
void write_word_block(std::vector<uint8_t>& out, const std::vector<uint32_t>& words);

}  // namespace crt
