// Tunstall dictionary construction and block decoding. All probability arithmetic is in
// unsigned 32 bits on 16-bit fixed point (a probability byte p stands for p * 256), as the
// encoder computes it: the dictionaries must match bit for bit.
#include "crt/tunstall.h"

#include <cstring>

#include "crt/errors.h"

namespace crt {

namespace {

struct WordRecord {
    uint32_t probability = 0;
    uint32_t offset = 0;
    uint32_t length = 0;
};

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
    std::vector<WordRecord> records;
    std::vector<uint32_t> head(S);
    uint8_t* table = out.table.data();
    uint32_t pos = 0;
    uint32_t leaves = 0;

    const TunstallRunTest run = tunstall_run_test(p[0], p[1], S);
    if (run.starts_with_runs()) {
        const uint32_t j = run.j;
        const uint32_t e = uint32_t(p[0]) * 256;
        // The run test bounds (S - 1) * j by 255 + S, far below the table size.
        table[0] = s[0];
        pos = 1;
        for (uint32_t k = 1; k < S; ++k) {
            std::memset(table + pos, s[0], j - 1);
            table[pos + j - 1] = s[k];
            pos += j;
        }
        head[0] = (j - 1) * S;
        for (uint32_t k = 1; k < S; ++k) head[k] = k;
        records.resize(size_t(j) * S);
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
        WordRecord& runs = records[(j - 1) * S];
        runs.probability = t;
        runs.offset = 0;
        runs.length = j;
        leaves = (S - 1) * j + 1;
    } else {
        records.resize(S);
        for (uint32_t k = 0; k < S; ++k) {
            records[k] = {uint32_t(p[k]) * 256, k, 1};
            head[k] = k;
            table[k] = s[k];
        }
        pos = S;
        leaves = S;
    }

    while (leaves < kTunstallCodes) {
        uint32_t c = 0;
        for (uint32_t k = 1; k < S; ++k)
            if (records[head[k]].probability > records[head[c]].probability) c = k;
        const WordRecord parent = records[head[c]];
        bool stopped = false;
        for (uint32_t k = 0; k < S; ++k) {
            const uint32_t length = parent.length + 1;
            if (kTunstallTableBytes - pos < length) throw kTunstallOverflow;
            records.push_back({(uint32_t(p[k]) * 256 * parent.probability) >> 16, pos, length});
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

    out.codes = {};
    uint32_t code = 0;
    for (uint32_t w = 0; w < records.size() && code < kTunstallCodes; ++w) {
        if (w >= head[w % S]) out.codes[code++] = {records[w].offset, records[w].length};
    }
}

std::vector<uint8_t> decode_tunstall_codes(const TunstallDictionary& dictionary, const uint8_t* code_bytes,
                                           uint32_t K, uint32_t L) {
    if (L == 0) return {};
    // Check every code before writing: all but the last code must fit wholly inside L,
    // and the last one must reach it.
    if (K == 0) throw kTunstallLength;
    uint64_t whole = 0;
    for (uint32_t i = 0; i < K; ++i) {
        const uint32_t length = dictionary.codes[code_bytes[i]].length;
        if (length == 0) throw kTunstallEmptyWord;
        if (i + 1 < K) whole += length;
    }
    const uint32_t last_length = dictionary.codes[code_bytes[K - 1]].length;
    if (whole >= L || L - whole > last_length) throw kTunstallLength;

    std::vector<uint8_t> out(L);
    uint8_t* dst = out.data();
    for (uint32_t i = 0; i + 1 < K; ++i) {
        const TunstallWord& word = dictionary.codes[code_bytes[i]];
        std::memcpy(dst, dictionary.table.data() + word.offset, word.length);
        dst += word.length;
    }
    const TunstallWord& last = dictionary.codes[code_bytes[K - 1]];
    std::memcpy(dst, dictionary.table.data() + last.offset, L - whole);
    return out;
}

std::vector<uint8_t> read_tunstall_block(Stream& s, uint64_t max_length) {
    const uint32_t S = read_u8(s);
    const uint8_t* pairs = read_bytes(s, size_t(S) * 2);
    uint8_t symbols[256], probabilities[256];
    for (uint32_t k = 0; k < S; ++k) {
        symbols[k] = pairs[2 * k];
        probabilities[k] = pairs[2 * k + 1];
    }
    const uint32_t L = read_u32(s);
    const uint32_t K = read_u32(s);
    const uint8_t* code_bytes = read_bytes(s, K);

    if (L == 0) return {};
    if (L > max_length) throw kBlockTooLong;
    if (S == 0) throw kTunstallNoSymbols;
    if (S == 1) return std::vector<uint8_t>(L, symbols[0]);

    // The dictionary is only built when it is needed, so a block of length 0 is read
    // whatever its probabilities are.
    TunstallDictionary dictionary;
    build_tunstall_dictionary(symbols, probabilities, S, dictionary);

    return decode_tunstall_codes(dictionary, code_bytes, K, L);
}

}  // namespace crt
