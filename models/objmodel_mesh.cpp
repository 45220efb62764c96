// The steps of objmodel::load after the two passes: material groups, the vertex
// bounding box, and area-weighted normals for files without vn lines.
#include <cmath>

#include "models/objmodel.h"

void objmodel::build_groups() {
    groups.clear();
    const size_t n = triangle_materials.size();
    for (size_t t = 0; t < n;) {
        size_t end = t + 1;
        while (end < n && triangle_materials[end] == triangle_materials[t]) ++end;
        groups.push_back({static_cast<int32_t>(3 * t), static_cast<int32_t>(end - t), triangle_materials[t]});
        t = end;
    }
    group_count = static_cast<int32_t>(groups.size());
}

void objmodel::compute_centre_and_size() {
    if (vertices.empty()) return;
    float lo[3], hi[3];
    for (int i = 0; i < 3; ++i) lo[i] = hi[i] = vertices[0].position[i];
    for (const objvertex& v : vertices)
        for (int i = 0; i < 3; ++i) {
            if (v.position[i] < lo[i]) lo[i] = v.position[i];
            if (v.position[i] > hi[i]) hi[i] = v.position[i];
        }
    for (int i = 0; i < 3; ++i) {
        centre[i] = (lo[i] + hi[i]) / 2;
        size[i] = hi[i] - lo[i];
    }
}

void objmodel::generate_normals(const std::vector<uint8_t>* only) {
    // Flagged vertices keep the file's (zero) normal until their sums are complete.
    const auto generated = [&](size_t v) { return !only || (v < only->size() && (*only)[v]); };
    for (size_t v = 0; v < vertices.size(); ++v)
        if (generated(v)) vertices[v].normal[0] = vertices[v].normal[1] = vertices[v].normal[2] = 0.0f;
    for (size_t t = 0; t + 2 < indices.size(); t += 3) {
        const float* p = vertices[indices[t]].position;
        const float* q = vertices[indices[t + 1]].position;
        const float* r = vertices[indices[t + 2]].position;
        const float a[3] = {q[0] - p[0], q[1] - p[1], q[2] - p[2]};
        const float b[3] = {r[0] - p[0], r[1] - p[1], r[2] - p[2]};
        // Not normalised: larger triangles weigh more in the vertex normal.
        const float n[3] = {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
        for (int c = 0; c < 3; ++c) {
            if (!generated(indices[t + c])) continue;
            float* dst = vertices[indices[t + c]].normal;
            dst[0] += n[0];
            dst[1] += n[1];
            dst[2] += n[2];
        }
    }
    for (size_t i = 0; i < vertices.size(); ++i) {
        if (!generated(i)) continue;
        objvertex& v = vertices[i];
        const float len = std::sqrt(v.normal[0] * v.normal[0] + v.normal[1] * v.normal[1] + v.normal[2] * v.normal[2]);
        // A vertex of degenerate triangles only keeps a zero normal rather than NaNs.
        if (len > 0.0f)
            for (float& c : v.normal) c /= len;
    }
    has_normals = true;
}
