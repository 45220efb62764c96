// Decoding through the C functions and comparing the result with the encoder's input.
#include "round_trip.h"

#include <cmath>
#include <cstring>
#include <memory>
#include <sstream>

#include "crt/crt.h"
#include "crt/decoder.h"
#include "crt/encoder.h"
#include "crt/normal_estimate.h"
#include "crt/octahedral.h"
#include "test_meshes.h"

namespace crt_test {

ApiDecode decode_with_api(const std::vector<uint8_t>& bytes) {
    ApiDecode d;
    std::unique_ptr<uint8_t[]> data(new uint8_t[bytes.size()]);
    std::memcpy(data.get(), bytes.data(), bytes.size());
    float info[2] = {0, 0};
    void* handle = CreateDecoder(static_cast<int>(bytes.size()), data.get(), info);
    if (!handle) {
        d.result = -3;
        d.error = GetLastDecoderError();
        return d;
    }
    const auto* decoder = static_cast<const crt::Decoder*>(handle);
    auto width = [&](const char* name) {
        const auto found = decoder->attributes.find(name);
        return found == decoder->attributes.end() ? 0 : std::max(0, crt::array_width(name, *found->second));
    };
    d.vertex_count = decoder->vertex_count;
    d.face_count = decoder->face_count;
    d.position_components = width("position");
    d.uv_components = width("uv");
    d.has_normals = width("normal") > 0;
    d.has_colors = width("color") > 0;
    const size_t V = d.vertex_count;
    d.positions.assign(V * d.position_components, NAN);
    d.normals.assign(d.has_normals ? V * 3 : 0, NAN);
    d.colors.assign(d.has_colors ? V * 4 : 0, NAN);
    d.uvs.assign(V * d.uv_components, NAN);
    d.indices.assign(size_t(d.face_count) * 3, 0xDEADBEEF);
    d.result = DecodeMesh(handle, d.positions.empty() ? nullptr : d.positions.data(), d.indices.data(),
                          d.normals.empty() ? nullptr : d.normals.data(), d.colors.empty() ? nullptr : d.colors.data(),
                          d.uvs.empty() ? nullptr : d.uvs.data());
    d.error = GetLastDecoderError();
    DestroyDecoder(handle);
    return d;
}

double normal_tolerance(int unit) { return crt::normal_precision(unit); }

double angle_between(const float* a, const float* b) {
    const double ax = a[0], ay = a[1], az = a[2], bx = b[0], by = b[1], bz = b[2];
    const double cx = ay * bz - az * by, cy = az * bx - ax * bz, cz = ax * by - ay * bx;
    return std::atan2(std::sqrt(cx * cx + cy * cy + cz * cz), ax * bx + ay * by + az * bz);
}

::testing::AssertionResult same_mesh(const crt_encode::InputMesh& in, const crt_encode::EncodedMesh& enc,
                                     const ApiDecode& out) {
    if (out.result != int(in.face_count()))
        return ::testing::AssertionFailure() << "decode result " << out.result << ": " << out.error;
    const std::vector<uint32_t>& order = enc.code.vertex_order;
    if (out.vertex_count != order.size())
        return ::testing::AssertionFailure() << "vertex count " << out.vertex_count << ", numbered " << order.size();
    if (canonical_triangles(out.indices, &order) != canonical_triangles(in.faces, enc.merged_into.empty() ? nullptr : &enc.merged_into))
        return ::testing::AssertionFailure() << "the decoded triangles differ from the input's";

    const size_t V = order.size();
    for (size_t i = 0; i < V; ++i) {
        const uint32_t v = order[i];
        for (int j = 0; j < 3; ++j) {
            const float x = in.positions[v * 3 + j], y = out.positions[i * 3 + j];
            if (!(std::fabs(x - y) <= enc.position_step * 0.5f + std::fabs(x) * 3e-7f))
                return ::testing::AssertionFailure() << "vertex " << i << " (input " << v << ") position " << j
                                                     << ": " << y << " for " << x << ", step " << enc.position_step;
        }
    }

    if (enc.uv_step > 0.0f) {
        for (size_t i = 0; i < V; ++i)
            for (int j = 0; j < 2; ++j) {
                const float x = in.uvs[order[i] * 2 + j], y = out.uvs[i * 2 + j];
                if (!(std::fabs(x - y) <= enc.uv_step * 0.5f + std::fabs(x) * 3e-7f))
                    return ::testing::AssertionFailure() << "vertex " << i << " uv " << j << ": " << y << " for " << x;
            }
    }

    if (enc.color_step) {
        const float tolerance = float(enc.color_step) * 0.5f / 255.0f + 1e-6f;
        for (size_t i = 0; i < V; ++i)
            for (int j = 0; j < 4; ++j) {
                const float x = j < in.color_components ? std::clamp(in.colors[order[i] * in.color_components + j], 0.0f, 1.0f)
                                                        : 1.0f;
                const float y = out.colors[i * 4 + j];
                if (!(std::fabs(x - y) <= tolerance))
                    return ::testing::AssertionFailure() << "vertex " << i << " colour " << j << ": " << y << " for " << x;
            }
    }

    if (enc.normal_unit) {
        std::vector<int32_t> mask;
        std::vector<float> estimate;
        if (enc.normal_mode == crt::NormalAttr::border_corrected) {
            // The decoder's own estimate from the integers behind the decoded positions.
            std::vector<int32_t> q(V * 3);
            for (size_t k = 0; k < q.size(); ++k) q[k] = int32_t(std::lround(out.positions[k] / enc.position_step));
            estimate = crt::estimate_normals(q.data(), 3, out.indices.data(), out.face_count, uint32_t(V));
            mask = crt::border_masks(out.indices.data(), out.face_count, uint32_t(V));
        }
        const double tolerance = normal_tolerance(enc.normal_unit);
        for (size_t i = 0; i < V; ++i) {
            const float* n = &in.normals[order[i] * 3];
            const float* d = &out.normals[i * 3];
            if (!mask.empty() && mask[i] == 0) {
                const auto e = crt::normalized_estimate(estimate[i * 3], estimate[i * 3 + 1], estimate[i * 3 + 2]);
                if (d[0] != e[0] || d[1] != e[1] || d[2] != e[2])
                    return ::testing::AssertionFailure() << "interior vertex " << i << " normal is not the estimate";
                continue;
            }
            const bool zero = n[0] == 0.0f && n[1] == 0.0f && n[2] == 0.0f;
            const float up[3] = {0.0f, 0.0f, 1.0f};
            const double a = angle_between(zero ? up : n, d);
            if (!(a <= tolerance))
                return ::testing::AssertionFailure() << "vertex " << i << " normal off by " << a << " rad ("
                                                     << d[0] << ", " << d[1] << ", " << d[2] << ") for (" << n[0]
                                                     << ", " << n[1] << ", " << n[2] << "), unit " << enc.normal_unit;
        }
    }
    return ::testing::AssertionSuccess();
}

}  // namespace crt_test
