// The byte cursor over a crt stream and the 32-bit word bit reader. Every read is
// checked against the end the caller gave, as "bytes remaining < bytes needed".
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

namespace crt {

[[noreturn]] void throw_bits_ended();

// Little-endian 32-bit load from any address; compilers turn it into one load.
inline uint32_t load_le32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

// Reads bits most significant first from little-endian 32-bit words. The bits not yet
// consumed sit at the top of a 64-bit buffer, so one word load refills it whenever fewer
// bits remain than a read needs, and a read never spans two loads.
struct BitReader {
    const uint8_t* word = nullptr;  // next word to load; any alignment
    uint32_t words_left = 0;        // words not yet loaded; a load past them fails
    uint64_t buffer = 0;            // unconsumed bits, left-aligned; the bits below them are 0
    int32_t available = 0;          // how many bits `buffer` holds (0-64)

    // Returns the next n bits (0 <= n <= 32) as an unsigned value; 0 bits read as 0.
    uint32_t read(int n) {
        if (available < n) refill();
        // Two shifts, so that n = 0 shifts by 64 nowhere.
        const uint32_t value = static_cast<uint32_t>((buffer >> 1) >> (63 - n));
        buffer <<= n;
        available -= n;
        return value;
    }

    // Loads the next word below the bits still held; needs available <= 32.
    void refill() {
        if (words_left == 0) throw_bits_ended();
        buffer |= uint64_t(load_le32(word)) << (32 - available);
        word += 4;
        --words_left;
        available += 32;
    }
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
void skip_string(Stream& s);
// A word count W, padding up to a multiple of 4 from `start`, then W words.
BitReader read_word_block(Stream& s);

}  // namespace crt
