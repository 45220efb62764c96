// The stream breakdown of crt-encode --stats. Residual sections are rebuilt from the
// attributes' residuals with the writers the attributes use, so each count block is
// measured as it was written.
#include "crt/encode_stats.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <unordered_map>

#include "crt/encoder.h"
#include "crt/entropy_writer.h"

namespace crt {

namespace {

template <typename Count>
double entropy_of_counts(const Count& counts, size_t total) {
    double bits = 0.0;
    for (const auto& c : counts) {
        const double n = double(c);
        if (n > 0) bits -= n * std::log2(n / double(total));
    }
    return bits;
}

const char* component_name(const std::string& attribute, size_t i, size_t components) {
    static const char* const xyzw[] = {"x", "y", "z", "w"};
    static const char* const uv[] = {"u", "v"};
    if (attribute == "uv" && components == 2) return uv[i];
    if (attribute == "color" && components <= 4) {
        static const char* const channels[] = {"G", "B-G", "R-G", "A"};
        return channels[i];
    }
    return i < 4 ? xyzw[i] : "";
}

// Bit-count blocks and raw bits of one residual section. The raw bits take what the
// section holds beyond its count blocks and `fixed` leading bytes (word count, padding).
void residual_parts(std::vector<StreamPart>& parts, const std::string& name, const std::vector<int32_t>& residuals,
                    size_t N, bool correlated, int32_t entropy, size_t section_bytes, size_t fixed) {
    const uint32_t V = N ? uint32_t(residuals.size() / N) : 0;
    const ResidualCode code = correlated ? correlated_code(residuals.data(), int(N), V, entropy)
                                         : per_component_code(residuals.data(), int(N), V);
    size_t used = fixed;
    double count_entropy = 0.0;
    for (size_t k = 0; k < code.counts.size(); ++k) {
        StreamPart p;
        p.name = name + " bit counts";
        if (!correlated) p.name += std::string(" ") + component_name(name, k, N);
        p.bytes = entropy_block_size(code.counts[k], entropy);
        p.entropy_bytes = entropy_bits(code.counts[k].data(), code.counts[k].size()) / 8.0;
        p.note = correlated ? "one count per vertex for all components" : "one count per vertex";
        count_entropy += p.entropy_bytes;
        used += p.bytes;
        parts.push_back(p);
    }
    double value_entropy = 0.0;
    for (size_t i = 0; i < N; ++i) value_entropy += entropy_bits(residuals.data() + i, V, N) / 8.0;
    StreamPart raw;
    raw.name = name + " raw bits";
    raw.bytes = section_bytes - used;
    // What the residuals hold beyond their counts (order-0 per component).
    raw.entropy_bytes = std::max(0.0, value_entropy - count_entropy);
    raw.note = std::to_string(code.bits.bit_count()) + " bits";
    parts.push_back(raw);
}

}  // namespace

double entropy_bits(const uint8_t* values, size_t count) {
    std::array<size_t, 256> h{};
    for (size_t i = 0; i < count; ++i) ++h[values[i]];
    return entropy_of_counts(h, count);
}

double entropy_bits(const int32_t* values, size_t count, size_t stride) {
    std::unordered_map<int32_t, size_t> h;
    for (size_t i = 0; i < count; ++i) ++h[values[i * stride]];
    std::vector<size_t> counts;
    counts.reserve(h.size());
    for (const auto& e : h) counts.push_back(e.second);
    return entropy_of_counts(counts, count);
}

std::vector<StreamPart> stream_parts(const Encoder& e) {
    const ConnectivityCode& code = e.code();
    std::vector<StreamPart> parts;
    parts.push_back({"header", e.header_bytes, -1.0, "properties, attribute descriptors, counts"});
    parts.push_back({"groups", e.groups_bytes, -1.0, std::to_string(code.face_ends.size()) + " group(s), front capacity"});

    static const char* const kSymbolNames[] = {"new", "join_prev", "join_next", "close", "border", "postpone", "old"};
    std::array<size_t, 7> histogram{};
    for (uint8_t s : code.symbols) ++histogram[std::min<uint8_t>(s, 6)];
    std::string note = std::to_string(code.symbols.size()) + " symbols:";
    for (size_t k = 0; k < histogram.size(); ++k)
        if (histogram[k]) note += std::string(" ") + kSymbolNames[k] + " " + std::to_string(histogram[k]);
    parts.push_back({"connectivity symbols", e.symbol_bytes,
                     entropy_bits(code.symbols.data(), code.symbols.size()) / 8.0, note});
    // The bits hold old vertex indices (and first-triangle flags): no model beats them.
    parts.push_back({"connectivity bits", e.connectivity_bytes - e.groups_bytes - e.symbol_bytes,
                     double(code.bits.bit_count()) / 8.0, std::to_string(code.bits.bit_count()) + " bits"});

    const int32_t entropy = e.coder_used();
    for (const auto& entry : e.attributes()) {
        const std::string& name = entry.first;
        const VertexAttribute& a = *entry.second;
        const size_t section = size_t(a.encoded_size);
        std::vector<int32_t> r;
        size_t N = size_t(a.components), lead = 0;
        bool correlated = (a.strategy & kCorrelated) != 0;
        if (const auto* g = dynamic_cast<const GenericAttr<int>*>(&a)) {
            r.assign(g->residuals.begin(), g->residuals.end());
        } else if (const auto* c = dynamic_cast<const ColorAttr*>(&a)) {
            for (uint8_t v : c->residuals) r.push_back(int8_t(v));
            lead = N;  // the channel steps
            correlated = false;
        } else if (const auto* n = dynamic_cast<const NormalAttr*>(&a)) {
            r = n->octahedral;
            N = 2;
            lead = 1;  // the mode byte
            correlated = true;
        } else {
            parts.push_back({name, section, -1.0, "unknown attribute kind"});
            continue;
        }
        if (lead) parts.push_back({name + (lead == 1 ? " mode" : " steps"), lead, -1.0, ""});
        residual_parts(parts, name, r, N, correlated, entropy, section, lead);
    }
    return parts;
}

}  // namespace crt
