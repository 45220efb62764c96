// The byte cursor over a crt stream and the 32-bit word bit reader. Every read is
// checked against the end the caller gave, as "bytes remaining < bytes needed".
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

namespace crt {

// Reads bits most significant first from little-endian 32-bit words. The words may sit at
// any address (the caller's buffer need not be aligned), so they are loaded byte-wise.
struct BitReader {
    const uint8_t* word = nullptr;  // next word to load
    uint32_t words_left = 0;        // words not yet loaded; a load past them fails
    uint32_t buffer = 0;            // bits of the current word not yet consumed, right-aligned
    int32_t available = 0;          // how many bits `buffer` holds (0-32)

    // Returns the next n bits (1 <= n <= 32) as an unsigned value. Inline: it runs once
    // per residual and per vertex index.
    uint32_t read(int n) {
        if (available >= n) {
            const uint32_t value = buffer >> (available - n);
            available -= n;
            buffer &= available ? (uint32_t(1) << available) - 1 : 0;  // n >= 1, so available < 32 here
            return value;
        }
        return read_across(n);
    }

private:
    uint32_t read_across(int n);
};

struct Stream {
    int32_t entropy = 1;              // 0 = stored, 1 = Tunstall; set from the header
    const uint8_t* start = nullptr;   // the magic; word alignment is measured from here
    const uint8_t* position = nullptr;
    const uint8_t* end = nullptr;     // one past the last byte the caller supplied

    size_t remaining() const { return static_cast<size_t>(end - position); }
    size_t offset() const { return static_cast<size_t>(position - start); }
};

Stream make_stream(const void* data, size_t length);

// Returns the next n bytes and moves past them.
const uint8_t* read_bytes(Stream& s, size_t n);
uint8_t read_u8(Stream& s);
uint32_t read_u32(Stream& s);
int32_t read_i32(Stream& s);
float read_f32(Stream& s);
// A 16-bit length L and L bytes holding the text and a NUL; the text stops at the first
// NUL, or takes all L bytes when there is none.
std::string read_string(Stream& s);
// A word count W, padding up to a multiple of 4 from `start`, then W words.
BitReader read_word_block(Stream& s);

}  // namespace crt
