// Stream builder and the sample streams shared by the decoder tests and the fuzz corpus.
#include "stream_builder.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <stdexcept>

#include "crt/tunstall.h"

namespace crt_test {

void BitWriter::put(uint32_t value, int n) {
    for (int i = n - 1; i >= 0; --i) {
        if (used == 32) {
            words.push_back(0);
            used = 0;
        }
        words.back() |= ((value >> i) & 1u) << (31 - used);
        ++used;
    }
}

StreamBuilder& StreamBuilder::u8(uint8_t v) {
    bytes.push_back(v);
    return *this;
}
StreamBuilder& StreamBuilder::u16(uint16_t v) { return u8(v & 0xFF).u8(v >> 8); }
StreamBuilder& StreamBuilder::u32(uint32_t v) { return u16(v & 0xFFFF).u16(v >> 16); }
StreamBuilder& StreamBuilder::f32(float v) {
    uint32_t bits;
    std::memcpy(&bits, &v, 4);
    return u32(bits);
}
StreamBuilder& StreamBuilder::str(const std::string& text) {
    u16(static_cast<uint16_t>(text.size() + 1));
    bytes.insert(bytes.end(), text.begin(), text.end());
    return u8(0);
}

StreamBuilder& StreamBuilder::descriptor(const AttributeDesc& a) {
    return str(a.name).i32(a.codec).f32(a.step).u8(a.components).u8(a.format).u8(a.strategy);
}

StreamBuilder& StreamBuilder::header(int entropy_kind, const Properties& properties,
                                     const std::vector<AttributeDesc>& attrs, uint32_t vertex_count,
                                     uint32_t face_count, int64_t attribute_count) {
    entropy = entropy_kind;
    u8(0x00).u8(0x63).u8(0x7A).u8(0x78);
    u32(0x01020304);  // not interpreted by the decoder
    u8(static_cast<uint8_t>(entropy_kind));
    u32(static_cast<uint32_t>(properties.size()));
    for (const auto& p : properties) str(p.first).str(p.second);
    i32(attribute_count < -1000 ? static_cast<int32_t>(attrs.size()) : static_cast<int32_t>(attribute_count));
    for (const AttributeDesc& a : attrs) descriptor(a);
    return u32(vertex_count).u32(face_count);
}

StreamBuilder& StreamBuilder::mesh_header(const std::vector<uint32_t>& face_ends, uint32_t front_capacity) {
    u32(static_cast<uint32_t>(face_ends.size()));
    for (uint32_t end : face_ends) u32(end).u8(0);
    return u32(front_capacity);
}

StreamBuilder& StreamBuilder::block(const std::vector<uint8_t>& data) {
    return entropy == 0 ? stored_block(data) : tunstall_block(data);
}

StreamBuilder& StreamBuilder::stored_block(const std::vector<uint8_t>& data) {
    u32(static_cast<uint32_t>(data.size()));
    bytes.insert(bytes.end(), data.begin(), data.end());
    return *this;
}

StreamBuilder& StreamBuilder::tunstall_raw(const std::vector<std::pair<uint8_t, uint8_t>>& pairs, uint32_t length,
                                           const std::vector<uint8_t>& codes) {
    u8(static_cast<uint8_t>(pairs.size()));
    for (const auto& p : pairs) u8(p.first).u8(p.second);
    u32(length).u32(static_cast<uint32_t>(codes.size()));
    bytes.insert(bytes.end(), codes.begin(), codes.end());
    return *this;
}

// Codes the data with the decoder's own dictionary (greedy longest match): enough to make
// Tunstall streams whose content the tests know; the dictionary itself is pinned by
// separate tests.
StreamBuilder& StreamBuilder::tunstall_block(const std::vector<uint8_t>& data) {
    if (data.empty()) return tunstall_raw({}, 0, {});
    std::map<uint8_t, int> frequency;
    for (uint8_t b : data) ++frequency[b];
    std::vector<std::pair<uint8_t, int>> order(frequency.begin(), frequency.end());
    std::stable_sort(order.begin(), order.end(), [](auto& l, auto& r) { return l.second > r.second; });
    if (order.size() == 1) return tunstall_raw({{order[0].first, 255}}, static_cast<uint32_t>(data.size()), {});
    std::vector<std::pair<uint8_t, uint8_t>> pairs;
    std::vector<uint8_t> symbols, probabilities;
    for (const auto& o : order) {
        const int p = std::max(1, std::min(255, static_cast<int>(o.second * 255 / data.size())));
        pairs.push_back({o.first, static_cast<uint8_t>(p)});
        symbols.push_back(o.first);
        probabilities.push_back(static_cast<uint8_t>(p));
    }
    crt::TunstallDictionary dictionary;
    crt::build_tunstall_dictionary(symbols.data(), probabilities.data(), static_cast<uint32_t>(symbols.size()),
                                   dictionary);
    std::vector<uint8_t> codes;
    size_t at = 0;
    while (at < data.size()) {
        int best = -1;
        size_t best_length = 0;
        for (int c = 0; c < crt::kTunstallCodes; ++c) {
            const crt::TunstallWord& w = dictionary.codes[c];
            const size_t compare = std::min<size_t>(w.length, data.size() - at);
            if (w.length == 0 || std::memcmp(dictionary.table.data() + w.offset, data.data() + at, compare) != 0)
                continue;
            if (compare > best_length) {
                best = c;
                best_length = compare;
            }
        }
        if (best < 0) throw std::runtime_error("test data not codable with its dictionary");
        codes.push_back(static_cast<uint8_t>(best));
        at += best_length;
    }
    return tunstall_raw(pairs, static_cast<uint32_t>(data.size()), codes);
}

StreamBuilder& StreamBuilder::word_block(const std::vector<uint32_t>& words) {
    u32(static_cast<uint32_t>(words.size()));
    while (bytes.size() % 4) u8(0xEE);  // padding bytes are not read
    for (uint32_t w : words) u32(w);
    return *this;
}

StreamBuilder& StreamBuilder::connectivity(const std::vector<uint8_t>& symbols, const BitWriter& bits) {
    return block(symbols).word_block(bits.words);
}

namespace {

int bit_length(uint32_t v) {
    int n = 0;
    while (v) {
        ++n;
        v >>= 1;
    }
    return n;
}

}  // namespace

StreamBuilder& StreamBuilder::per_component(const std::vector<int32_t>& residuals, int n) {
    const size_t vertices = n ? residuals.size() / n : 0;
    BitWriter bits;
    std::vector<std::vector<uint8_t>> counts(n, std::vector<uint8_t>(vertices));
    for (int i = 0; i < n; ++i) {
        for (size_t v = 0; v < vertices; ++v) {
            const int32_t r = residuals[v * n + i];
            const uint32_t magnitude = r < 0 ? 0u - uint32_t(r) : uint32_t(r);
            const int b = bit_length(magnitude);
            counts[i][v] = static_cast<uint8_t>(b);
            // Negative r is stored as x = -r - 2^(b-1), below the half.
            if (b) bits.put(r > 0 ? uint32_t(r) : magnitude - (uint32_t(1) << (b - 1)), b);
        }
    }
    word_block(bits.words);
    for (int i = 0; i < n; ++i) block(counts[i]);
    return *this;
}

StreamBuilder& StreamBuilder::correlated(const std::vector<int32_t>& residuals, int n) {
    const size_t vertices = n ? residuals.size() / n : 0;
    BitWriter bits;
    std::vector<uint8_t> counts(vertices);
    for (size_t v = 0; v < vertices; ++v) {
        int b = 0;
        for (int i = 0; i < n; ++i) {
            const int32_t r = residuals[v * n + i];
            // r must lie in [-2^(b-1), 2^(b-1)).
            const int need = r == 0 ? 0 : (r > 0 ? bit_length(uint32_t(r)) + 1 : bit_length(uint32_t(-(r + 1))) + 1);
            b = std::max(b, need);
        }
        counts[v] = static_cast<uint8_t>(b);
        for (int i = 0; b && i < n; ++i) bits.put(uint32_t(residuals[v * n + i]) + (uint32_t(1) << (b - 1)), b);
    }
    word_block(bits.words);
    return block(counts);
}

// ---- sample streams ----

std::vector<uint8_t> one_triangle_stream(int entropy) {
    StreamBuilder s;
    s.header(entropy, {{"generator", "hand"}}, {{"position", 1, 0.5f, 3, 6, 0}}, 3, 1);
    s.mesh_header({1}, 16);
    s.connectivity({0}, BitWriter{});
    // Positions (0,0,0), (2,0,0), (0,4,0) at step 0.5 are the integers (0,0,0), (4,0,0), (0,8,0);
    // first-triangle corners predict from the vertex before them.
    s.per_component({0, 0, 0, 4, 0, 0, -4, 8, 0}, 3);
    return s.bytes;
}

std::vector<uint8_t> two_triangle_stream(int entropy) {
    // Faces (0,1,2), (2,1,3). Positions P0 (0,0,0), P1 (10,0,0), P2 (0,10,0), P3 (10,10,1);
    // uv (0,0), (1,0), (0,1), (1,1) at step 1/4 with plain prediction from p0.
    StreamBuilder s;
    s.header(entropy, {}, {{"position", 1, 1.0f, 3, 6, 1}, {"uv", 1, 0.25f, 2, 6, 2}}, 4, 2);
    s.mesh_header({2});
    s.connectivity({0, 0}, BitWriter{});
    // parallelogram: v1 - v0, v2 - v1, v3 - (v2 + v1 - v0) = (10,10,1) - (10,10,0)
    s.per_component({0, 0, 0, 10, 0, 0, -10, 10, 0, 0, 0, 1}, 3);
    // uv integers (0,0), (4,0), (0,4), (4,4); vertex 3 predicts from p0 = 2: (4,0)
    s.correlated({0, 0, 4, 0, -4, 4, 4, 0}, 2);
    return s.bytes;
}

std::vector<uint8_t> tetrahedron_stream(int entropy) {
    // Faces (0,1,2), (2,1,3), (3,1,0), (3,0,2); differential normals at unit 255 and
    // one colour per vertex.
    StreamBuilder s;
    s.header(entropy, {{"name", "tetra"}, {"units", "mm"}},
             {{"position", 1, 1.0f, 3, 6, 1}, {"normal", 2, 255.0f, 3, 6, 0}, {"color", 3, 1.0f, 4, 4, 0}}, 4, 4);
    s.mesh_header({4}, 8);
    s.connectivity({0, 0, 1, 3}, BitWriter{});
    // Attributes in name order: color, normal, position.
    // colour: steps 1,1,1,1; all four vertices stored as (100, 20, 30, 255), no prediction
    // beyond p0 so later vertices carry zero residuals.
    s.u8(1).u8(1).u8(1).u8(1);
    s.per_component({100, 20, 30, -1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, 4);
    // normals (mode 0): pairs (0,0), (255,0), (0,-255), (0,255) predicted from p0.
    s.u8(0);
    s.correlated({0, 0, 255, 0, -255, -255, 0, 510}, 2);
    // positions (0,0,0), (4,0,0), (0,4,0), (0,0,4) with parallelogram prediction:
    // v3 predicts from (2,1,0): P2 + P1 - P0 = (4,4,0).
    s.per_component({0, 0, 0, 4, 0, 0, -4, 4, 0, -4, -4, 4}, 3);
    return s.bytes;
}

std::vector<uint8_t> estimated_normals_stream(int mode) {
    // The two triangles of a unit square in the z = 0 plane; estimated normals (0,0,1).
    // Mode 1 corrects every vertex, mode 2 only border ones (here all four).
    StreamBuilder s;
    s.header(0, {}, {{"position", 1, 1.0f, 3, 6, 0}, {"normal", 2, 255.0f, 3, 6, 0}}, 4, 2);
    s.mesh_header({2});
    s.connectivity({0, 0}, BitWriter{});
    s.u8(static_cast<uint8_t>(mode));
    // corrections: none for vertex 0..2, vertex 3 tilted by (+10, 0)
    s.correlated({0, 0, 0, 0, 0, 0, 10, 0}, 2);
    // positions (0,0,0), (1,0,0), (0,1,0), (1,1,0): first-triangle corners predict from the
    // vertex before, vertex 3 from p0 = 2.
    s.per_component({0, 0, 0, 1, 0, 0, -1, 1, 0, 1, 0, 0}, 3);
    return s.bytes;
}

std::vector<uint8_t> two_group_stream() {
    // Two separate triangles, one per group; the second group continues the numbering.
    StreamBuilder s;
    s.header(0, {}, {{"position", 1, 1.0f, 1, 6, 0}}, 6, 2);
    s.u32(2).u32(1).u8(1).str("material").str("stone").u32(2).u8(0).u32(0);
    s.connectivity({0, 0}, BitWriter{});
    s.per_component({5, 1, 1, 1, 1, 1}, 1);
    return s.bytes;
}

std::vector<SampleStream> sample_streams() {
    return {
        {"one_triangle_stored", one_triangle_stream(0)},
        {"one_triangle_tunstall", one_triangle_stream(1)},
        {"two_triangles_stored", two_triangle_stream(0)},
        {"two_triangles_tunstall", two_triangle_stream(1)},
        {"tetrahedron_stored", tetrahedron_stream(0)},
        {"tetrahedron_tunstall", tetrahedron_stream(1)},
        {"estimated_normals", estimated_normals_stream(1)},
        {"border_normals", estimated_normals_stream(2)},
        {"two_groups", two_group_stream()},
    };
}

}  // namespace crt_test
