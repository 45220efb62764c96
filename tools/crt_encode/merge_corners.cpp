// Merging vertices whose kept values are equal, through one hash set over the rows of
// a packed table of those values.
#include "merge_corners.h"

#include <cstring>
#include <unordered_set>

namespace crt_encode {

namespace {

// The bits of a value, with -0 read as 0 so that the two equal zeros hash alike.
uint32_t hash_bits(float v) {
    if (v == 0.0f) v = 0.0f;
    uint32_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    return bits;
}

}  // namespace

MergedMesh merge_identical_corners(const InputMesh& in, const KeptAttributes& kept) {
    const uint32_t V = in.vertex_count();
    const bool normals = kept.normals && !in.normals.empty();
    const bool colors = kept.colors && !in.colors.empty();
    const bool uvs = kept.uvs && !in.uvs.empty();
    const size_t cc = colors ? size_t(in.color_components) : 0;
    const size_t width = 3 + (normals ? 3 : 0) + cc + (uvs ? 2 : 0);

    // One row of values a vertex, in a fixed order.
    std::vector<float> rows(size_t(V) * width);
    for (size_t v = 0; v < V; ++v) {
        float* row = &rows[v * width];
        std::memcpy(row, &in.positions[v * 3], 3 * sizeof(float));
        row += 3;
        if (normals) std::memcpy(row, &in.normals[v * 3], 3 * sizeof(float)), row += 3;
        if (colors) std::memcpy(row, &in.colors[v * cc], cc * sizeof(float)), row += cc;
        if (uvs) std::memcpy(row, &in.uvs[v * 2], 2 * sizeof(float));
    }
    const auto hash = [&](uint32_t v) {
        uint64_t h = 0x9E3779B97F4A7C15ull;
        for (size_t k = 0; k < width; ++k) h = (h ^ hash_bits(rows[v * width + k])) * 0x100000001B3ull;
        return size_t(h ^ (h >> 29));
    };
    const auto equal = [&](uint32_t a, uint32_t b) {
        for (size_t k = 0; k < width; ++k)
            if (!(rows[a * width + k] == rows[b * width + k])) return false;
        return true;
    };
    std::unordered_set<uint32_t, decltype(hash), decltype(equal)> seen(size_t(V) * 2, hash, equal);

    MergedMesh out;
    out.merged_into.resize(V);
    std::vector<uint32_t> number(V);  // input vertex -> merged vertex
    for (uint32_t v = 0; v < V; ++v) {
        const auto found = seen.insert(v);
        const uint32_t first = *found.first;
        out.merged_into[v] = first;
        if (!found.second) {
            number[v] = number[first];
            continue;
        }
        number[v] = uint32_t(out.representative.size());
        out.representative.push_back(v);
    }

    InputMesh& m = out.mesh;
    m.color_components = colors ? in.color_components : 0;
    for (uint32_t v : out.representative) {
        m.positions.insert(m.positions.end(), &in.positions[size_t(v) * 3], &in.positions[size_t(v) * 3] + 3);
        if (normals) m.normals.insert(m.normals.end(), &in.normals[size_t(v) * 3], &in.normals[size_t(v) * 3] + 3);
        if (colors) m.colors.insert(m.colors.end(), &in.colors[v * cc], &in.colors[v * cc] + cc);
        if (uvs) m.uvs.insert(m.uvs.end(), &in.uvs[size_t(v) * 2], &in.uvs[size_t(v) * 2] + 2);
    }
    m.faces.reserve(in.faces.size());
    for (uint32_t corner : in.faces) m.faces.push_back(number[corner]);
    m.runs = in.runs;
    return out;
}

}  // namespace crt_encode
