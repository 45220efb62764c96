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
#include "crt/prediction.h"

namespace crt {

int NormalAttr::unit() const {
    // The unit is the step truncated to an integer; beyond 2^30 the products with the
    // octahedral coordinates would no longer fit an int.
    if (!std::isfinite(step) || std::fabs(step) >= 1073741824.0f) throw kNormalStep;
    return static_cast<int>(step);
}

void NormalAttr::read_residuals(uint32_t vertex_count, Stream& stream, BlockBuffer& blocks) {
    mode = read_u8(stream);
    const bool known = mode >= differential && mode <= border_corrected;
    if (!known && buffer) throw kUnknownNormalMode;
    if (!buffer || !known) {
        // Nothing else depends on the normals, so without an array they are skipped.
        read_correlated(stream, static_cast<int32_t*>(nullptr), 2, vertex_count, blocks);
        return;
    }
    octahedral.assign(size_t(vertex_count) * 2, 0);
    const uint32_t described = read_correlated(stream, octahedral.data(), 2, vertex_count, blocks);
    // Only border vertices carry corrections, so the block may be shorter. In the other
    // modes a shorter block leaves the pairs it does not reach at 0.
    if (mode == border_corrected) octahedral.resize(size_t(described) * 2);
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

void NormalAttr::apply_prediction(uint32_t vertex_count, const std::vector<VertexTriple>& predictions) {
    if (!buffer || mode != differential) return;
    if (format != format_float && format != format_int16) throw kNormalFormat;
    const int u = unit();
    undo_prediction<2>(octahedral.data(), vertex_count, 2, false, predictions, [&](size_t i, const int32_t* q) {
        store_normal(buffer, format, i, unit_normal(q[0], q[1], u));
    });
}

}  // namespace crt
