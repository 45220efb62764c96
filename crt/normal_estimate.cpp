// Area-weighted normal estimates and border masks of the normal attribute.
#include "crt/normal_estimate.h"

#include "crt/errors.h"

namespace crt {

std::vector<float> estimate_normals(const int32_t* P, size_t stride, const uint32_t* faces, size_t face_count,
                                    uint32_t vertex_count) {
    std::vector<float> estimate(size_t(vertex_count) * 3, 0.0f);
    for (size_t f = 0; f < face_count; ++f) {
        const uint32_t i0 = faces[3 * f], i1 = faces[3 * f + 1], i2 = faces[3 * f + 2];
        if (i0 >= vertex_count || i1 >= vertex_count || i2 >= vertex_count) throw kVertexIndex;
        const int32_t *p0 = P + i0 * stride, *p1 = P + i1 * stride, *p2 = P + i2 * stride;
        // Each coordinate goes to float before the subtraction: large integers round first.
        const float e1x = float(p1[0]) - float(p0[0]), e1y = float(p1[1]) - float(p0[1]), e1z = float(p1[2]) - float(p0[2]);
        const float e2x = float(p2[0]) - float(p0[0]), e2y = float(p2[1]) - float(p0[1]), e2z = float(p2[2]) - float(p0[2]);
        const float cx = e1y * e2z - e1z * e2y, cy = e1z * e2x - e1x * e2z, cz = e1x * e2y - e1y * e2x;
        for (uint32_t corner : {i0, i1, i2}) {
            estimate[corner * 3] += cx;
            estimate[corner * 3 + 1] += cy;
            estimate[corner * 3 + 2] += cz;
        }
    }
    return estimate;
}

std::vector<int32_t> border_masks(const uint32_t* faces, size_t face_count, uint32_t vertex_count) {
    std::vector<int32_t> mask(vertex_count, 0);
    for (size_t f = 0; f < face_count; ++f) {
        const uint32_t i0 = faces[3 * f], i1 = faces[3 * f + 1], i2 = faces[3 * f + 2];
        mask[i0] ^= int32_t(i1) ^ int32_t(i2);
        mask[i1] ^= int32_t(i2) ^ int32_t(i0);
        mask[i2] ^= int32_t(i0) ^ int32_t(i1);
    }
    return mask;
}

}  // namespace crt
