// Tunstall dictionary construction and block decoding. All probability arithmetic is in
// unsigned 32 bits on 16-bit fixed point (a probability byte p stands for p * 256), as the
// encoder computes it: the dictionaries must match bit for bit.
#include "crt/tunstall.h"

#include <cstring>

#include "crt/errors.h"

namespace crt {

namespace {

// No initialisers: a dictionary is built for every block, and only records that are
// written are ever read.
struct WordRecord {
    uint32_t probability;
    uint32_t offset;
    uint32_t length;
};

// The most records a construction makes: 510, for two symbols starting with runs of 255
// (checked anyway, as a guard on the table below).
constexpr uint32_t kMaxRecords = 512;

[[noreturn]] void refuse_code(uint32_t length) { throw length == 0 ? kTunstallEmptyWord : kTunstallLength; }

}  // namespace

TunstallRunTest tunstall_run_test(uint8_t p0, uint8_t p1, uint32_t symbol_count) {
    TunstallRunTest t;
    const uint32_t e = uint32_t(p0) * 256;
    const uint32_t second = uint32_t(p1) * 256;
    uint32_t h = (e * e) >> 16;
    if (second < h) {
        t.held = true;
        do {
            if (255 / (symbol_count - 1) <= t.j) break;
            h = (h * e) >> 16;
            ++t.j;
        } while (second < h);
    }
    return t;
}

void build_tunstall_dictionary(const uint8_t* s, const uint8_t* p, uint32_t S, TunstallDictionary& out) {
    WordRecord records[kMaxRecords];
    uint32_t head[256];
    uint8_t* table = out.table.data();
    uint32_t pos = 0;
    uint32_t words = 0;
    uint32_t leaves = 0;

    const TunstallRunTest run = tunstall_run_test(p[0], p[1], S);
    if (run.starts_with_runs()) {
        const uint32_t j = run.j;
        const uint32_t e = uint32_t(p[0]) * 256;
        // The run test bounds (S - 1) * j by 255, so the table and the j * S records fit.
        table[0] = s[0];
        pos = 1;
        for (uint32_t k = 1; k < S; ++k) {
            std::memset(table + pos, s[0], j - 1);
            table[pos + j - 1] = s[k];
            pos += j;
        }
        head[0] = (j - 1) * S;
        for (uint32_t k = 1; k < S; ++k) head[k] = k;
        uint32_t t = 65536;  // t_u = e^u in fixed point; t_0 = 1
        for (uint32_t u = 0; u < j; ++u) {
            for (uint32_t k = 1; k < S; ++k) {
                WordRecord& r = records[u * S + k];
                r.probability = u == 0 ? uint32_t(p[k]) * 256 : (uint32_t(p[k]) * 256 * t) >> 16;
                r.offset = k * j - u;
                r.length = u + 1;
            }
            t = (t * e) >> 16;  // after u = j - 1 this is t_j
        }
        records[(j - 1) * S] = {t, 0, j};  // the run of j copies of s[0]
        words = j * S;
        leaves = (S - 1) * j + 1;
    } else {
        for (uint32_t k = 0; k < S; ++k) {
            records[k] = {uint32_t(p[k]) * 256, k, 1};
            head[k] = k;
            table[k] = s[k];
        }
        pos = words = leaves = S;
    }

    while (leaves < kTunstallCodes) {
        uint32_t c = 0;
        for (uint32_t k = 1; k < S; ++k)
            if (records[head[k]].probability > records[head[c]].probability) c = k;
        const WordRecord parent = records[head[c]];
        bool stopped = false;
        for (uint32_t k = 0; k < S; ++k) {
            const uint32_t length = parent.length + 1;
            if (kTunstallTableBytes - pos < length || words == kMaxRecords) throw kTunstallOverflow;
            records[words++] = {(uint32_t(p[k]) * 256 * parent.probability) >> 16, pos, length};
            std::memmove(table + pos, table + parent.offset, parent.length);
            table[pos + parent.length] = s[k];
            pos += length;
            if (k + leaves == 255) {
                stopped = true;
                break;
            }
        }
        // A parent whose children were cut short keeps its own code beside them.
        if (!stopped) head[c] += S;
        leaves += S - 1;
    }

    uint32_t code = 0;
    for (uint32_t w = 0; w < words && code < kTunstallCodes; ++w) {
        if (w >= head[w % S]) out.codes[code++] = {records[w].offset, records[w].length};
    }
    for (; code < kTunstallCodes; ++code) out.codes[code] = {0, 0};
}

void decode_tunstall_codes(const TunstallDictionary& dictionary, const uint8_t* code_bytes, uint32_t K, uint32_t L,
                           uint8_t* out) {
    if (L == 0) return;
    if (K == 0) throw kTunstallLength;
    const uint8_t* table = dictionary.table.data();
    uint8_t* dst = out;
    uint32_t left = L;
    for (uint32_t i = 0; i + 1 < K; ++i) {
        const TunstallWord word = dictionary.codes[code_bytes[i]];
        // One test for both faults: an empty word wraps to the largest value.
        if (word.length - 1 >= left) refuse_code(word.length);
        const uint8_t* src = table + word.offset;
        if (word.length <= kTunstallCopySlack) {
            // Whole 16-byte copies: the slack behind the table and the output takes the rest.
            std::memcpy(dst, src, kTunstallCopySlack);
        } else {
            std::memcpy(dst, src, word.length);
        }
        dst += word.length;
        left -= word.length;
    }
    const TunstallWord last = dictionary.codes[code_bytes[K - 1]];
    if (last.length == 0 || left > last.length) refuse_code(last.length);
    std::memcpy(dst, table + last.offset, left);
}

TunstallBlock read_tunstall_header(Stream& s) {
    TunstallBlock b;
    b.symbol_count = read_u8(s);
    b.pairs = read_bytes(s, size_t(b.symbol_count) * 2);
    b.length = read_u32(s);
    b.code_count = read_u32(s);
    b.codes = read_bytes(s, b.code_count);
    return b;
}

void check_tunstall_block(const TunstallBlock& b) {
    if (b.length == 0) return;  // read whatever its symbols and codes are
    if (b.symbol_count == 0) throw kTunstallNoSymbols;
    if (b.symbol_count >= 2 && uint64_t(b.length) > uint64_t(b.code_count) * kTunstallMaxWord) throw kTunstallLength;
}

void decode_tunstall_block(const TunstallBlock& b, uint8_t* out) {
    if (b.length == 0) return;
    if (b.symbol_count == 1) {
        std::memset(out, b.pairs[0], b.length);
        return;
    }
    uint8_t symbols[256], probabilities[256];
    for (uint32_t k = 0; k < b.symbol_count; ++k) {
        symbols[k] = b.pairs[2 * k];
        probabilities[k] = b.pairs[2 * k + 1];
    }
    // Built only when needed, so a block of length 0 is read whatever its probabilities.
    TunstallDictionary dictionary;
    build_tunstall_dictionary(symbols, probabilities, b.symbol_count, dictionary);
    decode_tunstall_codes(dictionary, b.codes, b.code_count, b.length, out);
}

}  // namespace crt
