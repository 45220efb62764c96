// The normal attribute: octahedral integer pairs, either predicted from neighbours
// (differential) or stored as corrections to normals estimated from the positions.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "crt/attribute.h"
#include "crt/entropy.h"
#include "crt/errors.h"
#include "crt/normal_estimate.h"
#include "crt/octahedral.h"

namespace crt {

int NormalAttr::unit() const {
    // The unit is the step truncated to an integer; beyond 2^30 the products with the
    // octahedral coordinates would no longer fit an int.
    if (!std::isfinite(step) || std::fabs(step) >= 1073741824.0f) throw kNormalStep;
    return static_cast<int>(step);
}

void NormalAttr::read_residuals(uint32_t vertex_count, Stream& stream) {
    mode = read_u8(stream);
    if (mode > border_corrected) throw kUnknownNormalMode;
    int32_t* dest = nullptr;
    if (buffer) {
        octahedral.assign(size_t(vertex_count) * 2, 0);
        dest = octahedral.data();
    }
    const uint32_t described = read_correlated(stream, dest, 2, vertex_count);
    if (mode == border_corrected) {
        // Only border vertices carry corrections, so the block may be shorter.
        if (buffer) octahedral.resize(size_t(described) * 2);
    } else if (described != vertex_count) {
        throw kResidualLength;
    }
}

void NormalAttr::apply_prediction(uint32_t vertex_count, const std::vector<VertexTriple>& predictions) {
    if (!buffer || mode != differential) return;
    uint32_t* q = reinterpret_cast<uint32_t*>(octahedral.data());  // wrapping sums
    if (predictions.empty()) {
        for (size_t k = 2; k < size_t(vertex_count) * 2; ++k) q[k] += q[k - 2];
        return;
    }
    if (predictions.size() < 2) return;
    const size_t count = std::min<size_t>(vertex_count, predictions.size());
    for (size_t i = 1; i < count; ++i) {
        const uint32_t p0 = predictions[i][0];
        if (p0 >= vertex_count) throw kVertexIndex;
        q[2 * i] += q[2 * size_t(p0)];
        q[2 * i + 1] += q[2 * size_t(p0) + 1];
    }
}

namespace {

void store_normal(void* buffer, int32_t format, size_t vertex, const std::array<float, 3>& n) {
    if (format == format_float) {
        float* out = static_cast<float*>(buffer) + vertex * 3;
        out[0] = n[0];
        out[1] = n[1];
        out[2] = n[2];
    } else {
        int16_t* out = static_cast<int16_t*>(buffer) + vertex * 3;
        for (int j = 0; j < 3; ++j) out[j] = static_cast<int16_t>(n[j] * 32767.0f);
    }
}

}  // namespace

void NormalAttr::finish_decode(uint32_t vertex_count, uint32_t face_count, const AttributeMap& attributes,
                               const MeshIndex& index) {
    if (!buffer || (mode != estimated && mode != border_corrected)) return;
    const auto found = attributes.find("position");
    if (found == attributes.end()) throw kNoPositionAttribute;
    const auto* position = dynamic_cast<const GenericAttr<int>*>(found->second.get());
    if (!position) throw kPositionOverloaded;
    const int32_t* P = position->decoded_values();
    if (!P || position->components < 3) throw kPositionComponents;
    if (format != format_float && format != format_int16) throw kEstimatedNormalFormat;
    const size_t stride = static_cast<size_t>(position->components);

    // Area-weighted estimate: the unnormalised cross product of each face goes to its corners.
    const uint32_t* faces = index.faces32;
    const std::vector<float> estimate = estimate_normals(P, stride, faces, face_count, vertex_count);
    // An interior vertex sees each neighbour twice, so the XOR of its neighbours is 0.
    if (mode == border_corrected) border_mask = border_masks(faces, face_count, vertex_count);

    const int u = unit();
    const float uf = static_cast<float>(u);
    const size_t pairs = octahedral.size() / 2;
    size_t cursor = 0;
    for (size_t v = 0; v < vertex_count; ++v) {
        const float x = estimate[v * 3], y = estimate[v * 3 + 1], z = estimate[v * 3 + 2];
        const bool corrected = mode == estimated || border_mask[v] != 0;
        if (!corrected) {
            store_normal(buffer, format, v, normalized_estimate(x, y, z));
            continue;
        }
        if (cursor >= pairs) throw kCorrectionsEnded;
        const int64_t dx = octahedral[2 * cursor], dy = octahedral[2 * cursor + 1];
        ++cursor;
        float ox, oy;
        octahedral_coordinates(x, y, z, ox, oy);
        const int64_t qx = static_cast<int64_t>(uf * ox) + dx;
        const int64_t qy = static_cast<int64_t>(uf * oy) + dy;
        store_normal(buffer, format, v, unit_normal(qx, qy, u));
    }
}

void NormalAttr::write_output(uint32_t vertex_count) {
    if (!buffer || mode != differential) return;
    if (format != format_float && format != format_int16) throw kNormalFormat;
    const int u = unit();
    for (size_t i = 0; i < vertex_count; ++i)
        store_normal(buffer, format, i, unit_normal(octahedral[2 * i], octahedral[2 * i + 1], u));
}

}  // namespace crt
