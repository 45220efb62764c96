// Tunstall block encoding. The dictionary comes from build_tunstall_dictionary, the very
// code the decoder runs, so both sides agree on every word.
#include "crt/tunstall_encoder.h"

#include <algorithm>
#include <cstdint>
#include <array>
#include <cmath>

#include "crt/errors.h"
#include "crt/stream_writer.h"

namespace crt {

TunstallSymbols tunstall_symbols(const uint8_t* data, size_t length) {
    std::array<uint64_t, 256> count{};
    for (size_t i = 0; i < length; ++i) ++count[data[i]];
    std::vector<uint8_t> present;
    for (int b = 0; b < 256; ++b)
        if (count[b]) present.push_back(uint8_t(b));
    if (present.size() > 255) throw kTooManySymbols;
    std::stable_sort(present.begin(), present.end(), [&](uint8_t l, uint8_t r) { return count[l] > count[r]; });
    TunstallSymbols out;
    out.symbols = present;
    for (uint8_t b : present) {
        // Rounding is monotone in the count, so the probabilities stay in decreasing order.
        const uint64_t p = (count[b] * 256 + length / 2) / length;
        out.probabilities.push_back(uint8_t(std::clamp<uint64_t>(p, 1, 255)));
    }
    return out;
}

TunstallSymbols uniform_symbols(const TunstallSymbols& measured) {
    TunstallSymbols out = measured;
    const size_t S = measured.symbols.size();
    const uint8_t p = uint8_t(std::clamp<size_t>(S ? 256 / S : 1, 1, 255));
    std::fill(out.probabilities.begin(), out.probabilities.end(), p);
    return out;
}

namespace {

// Halves the gap to the mean of every probability (keeping the order), for a dictionary
// whose runs of the likeliest symbol grew too long for the table.
TunstallSymbols flattened(const TunstallSymbols& in) {
    TunstallSymbols out = in;
    if (in.probabilities.empty()) return out;
    unsigned sum = 0;
    for (uint8_t p : in.probabilities) sum += p;
    const unsigned mean = sum / unsigned(in.probabilities.size());
    for (uint8_t& p : out.probabilities) p = uint8_t(std::max(1u, (p + mean) / 2));
    return out;
}

// The words of a dictionary as a trie over symbol ranks, with, for every node, some code
// whose word passes through it (for the last code of a block, which may run past its end).
class WordTrie {
public:
    WordTrie(const TunstallDictionary& dictionary, const std::array<int16_t, 256>& rank, int S) : S_(S) {
        new_node(-1);
        for (int c = 0; c < kTunstallCodes; ++c) {
            const TunstallWord& w = dictionary.codes[c];
            if (w.length == 0) continue;
            int32_t node = 0;
            for (uint32_t i = 0; i < w.length; ++i) {
                const int r = rank[dictionary.table[w.offset + i]];
                int32_t next = child_[size_t(node) * S_ + r];
                if (next < 0) {
                    next = new_node(node);  // grows child_: index it afresh
                    child_[size_t(node) * S_ + r] = next;
                }
                node = next;
            }
            if (code_[node] < 0) code_[node] = int16_t(c);
        }
        // Children are made after their parents, so one backward pass reaches the root.
        for (int32_t n = int32_t(code_.size()) - 1; n > 0; --n) {
            if (below_[n] < 0) below_[n] = code_[n];
            if (below_[parent_[n]] < 0) below_[parent_[n]] = below_[n];
        }
    }

    int32_t child(int32_t node, int r) const { return child_[size_t(node) * S_ + r]; }
    int16_t code(int32_t node) const { return code_[node]; }
    int16_t below(int32_t node) const { return code_[node] >= 0 ? code_[node] : below_[node]; }

private:
    int32_t new_node(int32_t parent) {
        child_.insert(child_.end(), size_t(S_), -1);
        code_.push_back(-1);
        below_.push_back(-1);
        parent_.push_back(parent);
        return int32_t(code_.size() - 1);
    }

    int S_;
    std::vector<int32_t> child_;
    std::vector<int16_t> code_, below_;
    std::vector<int32_t> parent_;
};

// Greedy longest-word parse of data given as symbol ranks. Writes the codes when `codes`
// is given; stops early once `limit` codes are reached (a search only needs to know the
// trial is no better). Returns the number of codes, or SIZE_MAX when some stretch of the
// data has no word.
size_t parse(const WordTrie& trie, const uint8_t* ranked, size_t length, std::vector<uint8_t>* codes,
             size_t limit = SIZE_MAX) {
    if (codes) codes->clear();
    size_t count = 0, i = 0;
    while (i < length) {
        if (count >= limit) return count;
        int32_t node = 0;
        size_t depth = 0, best_length = 0;
        int best = -1;
        while (i + depth < length) {
            const int32_t next = trie.child(node, ranked[i + depth]);
            if (next < 0) break;
            node = next;
            ++depth;
            if (trie.code(node) >= 0) {
                best = trie.code(node);
                best_length = depth;
            }
        }
        if (i + depth == length && depth > best_length) {
            // The data ends inside a longer word: any word through this node will do.
            best = trie.below(node);
            best_length = depth;
        }
        if (best < 0) return SIZE_MAX;
        if (codes) codes->push_back(uint8_t(best));
        ++count;
        i += best_length;
    }
    return count;
}

// The data as ranks of the symbol list; false when a byte is not in it.
bool ranked_data(const std::array<int16_t, 256>& rank, const uint8_t* data, size_t length, std::vector<uint8_t>& out) {
    out.resize(length);
    for (size_t i = 0; i < length; ++i) {
        if (rank[data[i]] < 0) return false;
        out[i] = uint8_t(rank[data[i]]);
    }
    return true;
}

bool code_with(const TunstallDictionary& dictionary, const std::array<int16_t, 256>& rank, int S,
               const uint8_t* data, size_t length, std::vector<uint8_t>& codes) {
    std::vector<uint8_t> ranked;
    if (!ranked_data(rank, data, length, ranked)) return false;
    return parse(WordTrie(dictionary, rank, S), ranked.data(), length, &codes) != SIZE_MAX;
}

std::array<int16_t, 256> ranks_of(const TunstallSymbols& symbols) {
    std::array<int16_t, 256> rank;
    rank.fill(-1);
    for (size_t k = 0; k < symbols.symbols.size(); ++k) rank[symbols.symbols[k]] = int16_t(k);
    return rank;
}

void write_block(std::vector<uint8_t>& out, const TunstallSymbols& symbols, size_t length,
                 const std::vector<uint8_t>& codes) {
    write_u8(out, uint8_t(symbols.symbols.size()));
    for (size_t k = 0; k < symbols.symbols.size(); ++k) {
        write_u8(out, symbols.symbols[k]);
        write_u8(out, symbols.probabilities[k]);
    }
    write_u32(out, static_cast<uint32_t>(length));
    write_u32(out, static_cast<uint32_t>(codes.size()));
    write_bytes(out, codes.data(), codes.size());
}

// Coordinate descent on the probability bytes, then on the order of neighbouring symbols,
// each step kept when the data takes fewer codes; repeated while anything improves. The
// rank map only names trie columns, so it serves every order. Bounded: a few hundred
// dictionaries at most.
void search_probabilities(TunstallSymbols& symbols, std::vector<uint8_t>& codes, const std::array<int16_t, 256>& rank,
                          const uint8_t* data, size_t length) {
    const int S = int(symbols.symbols.size());
    std::vector<uint8_t> ranked;
    if (!ranked_data(rank, data, length, ranked)) return;
    TunstallDictionary dictionary;
    int budget = 400;
    size_t fewest = codes.size();
    const auto better = [&](const TunstallSymbols& trial) {
        --budget;
        try {
            build_tunstall_dictionary(trial.symbols.data(), trial.probabilities.data(), uint32_t(S), dictionary);
        } catch (const char*) {
            return false;  // the table would overflow
        }
        const size_t count = parse(WordTrie(dictionary, rank, S), ranked.data(), length, nullptr, fewest);
        if (count >= fewest) return false;
        symbols = trial;
        fewest = count;
        return true;
    };
    for (bool improved = true; improved && budget > 0;) {
        improved = false;
        for (int k = 0; k < S && budget > 0; ++k) {
            for (int delta : {-8, 8, -3, 3, -1, 1}) {
                const int p = symbols.probabilities[k] + delta;
                if (p < 1 || p > 255) continue;
                TunstallSymbols trial = symbols;
                trial.probabilities[k] = uint8_t(p);
                if (better(trial)) {
                    improved = true;
                    break;
                }
            }
        }
        for (int k = 0; k + 1 < S && budget > 0; ++k) {
            TunstallSymbols trial = symbols;
            std::swap(trial.symbols[k], trial.symbols[k + 1]);
            std::swap(trial.probabilities[k], trial.probabilities[k + 1]);
            improved = better(trial) || improved;
        }
    }
}

}  // namespace

bool tunstall_codes(const TunstallDictionary& dictionary, const uint8_t* data, size_t length,
                    std::vector<uint8_t>& codes) {
    // Ranks of the bytes that occur in the dictionary's words.
    std::array<int16_t, 256> rank;
    rank.fill(-1);
    int S = 0;
    for (const TunstallWord& w : dictionary.codes)
        for (uint32_t i = 0; i < w.length; ++i) {
            const uint8_t b = dictionary.table[w.offset + i];
            if (rank[b] < 0) rank[b] = int16_t(S++);
        }
    if (S == 0) return length == 0;
    return code_with(dictionary, rank, S, data, length, codes);
}

void write_tunstall_block(std::vector<uint8_t>& out, const uint8_t* data, size_t length, bool smallest) {
    if (length == 0) {
        write_block(out, {}, 0, {});
        return;
    }
    write_tunstall_block(out, data, length, tunstall_symbols(data, length), smallest);
}

void write_tunstall_block(std::vector<uint8_t>& out, const uint8_t* data, size_t length,
                          const TunstallSymbols& first, bool smallest) {
    if (length > 0xFFFFFFFFu) throw kBlockTooLong;
    if (length == 0) {
        write_block(out, {}, 0, {});
        return;
    }
    if (first.symbols.size() == 1) {
        // One symbol: the decoder repeats it L times and needs no codes.
        write_block(out, {first.symbols, {255}}, length, {});
        return;
    }
    const std::array<int16_t, 256> rank = ranks_of(first);
    const int S = int(first.symbols.size());

    std::vector<TunstallSymbols> candidates{first};
    TunstallSymbols flatter = first;
    for (int i = 0; i < 4; ++i) {
        flatter = flattened(flatter);
        candidates.push_back(flatter);
    }
    candidates.push_back(uniform_symbols(first));

    const TunstallSymbols* best = nullptr;
    std::vector<uint8_t> best_codes, codes;
    TunstallDictionary dictionary;
    for (size_t c = 0; c < candidates.size(); ++c) {
        // Flatter lists are only tried when the first one fails; the equal one is always
        // compared (it wins on nearly uniform data).
        if (best && c > 0 && c + 1 < candidates.size()) continue;
        try {
            build_tunstall_dictionary(candidates[c].symbols.data(), candidates[c].probabilities.data(),
                                      uint32_t(S), dictionary);
        } catch (const char*) {
            continue;  // the table would overflow
        }
        if (!code_with(dictionary, rank, S, data, length, codes)) continue;
        if (!best || codes.size() < best_codes.size()) {
            best = &candidates[c];
            best_codes.swap(codes);
        }
    }
    // Equal probabilities of at least 256 / 255 give short words of every symbol, which
    // always fit and code the data.
    if (!best) throw kInternal;
    if (!smallest) return write_block(out, *best, length, best_codes);
    TunstallSymbols found = *best;
    search_probabilities(found, best_codes, rank, data, length);
    build_tunstall_dictionary(found.symbols.data(), found.probabilities.data(), uint32_t(S), dictionary);
    if (!code_with(dictionary, rank, S, data, length, best_codes)) throw kInternal;
    write_block(out, found, length, best_codes);
}

}  // namespace crt
