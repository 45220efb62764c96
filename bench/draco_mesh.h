// Meshes read by crt-encode's readers, handed to Draco (Debian's libdraco-dev) for the
// benchmarks that set crt beside it: the same vertices, faces and attributes, encoded at
// the same quantisation bits.
#pragma once
#include <draco/compression/encode.h>
#include <draco/mesh/mesh.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

#include "mesh_reader.h"

namespace crt_bench {

struct DracoBits {
    int position = 14, normal = 10, uv = 12;  // colours go as bytes, unquantised
};

inline void add_draco_attribute(draco::Mesh& out, draco::GeometryAttribute::Type type, const void* values,
                                int components, draco::DataType data_type, bool normalized) {
    const size_t size = size_t(draco::DataTypeLength(data_type)) * size_t(components);
    draco::GeometryAttribute a;
    a.Init(type, nullptr, components, data_type, normalized, int64_t(size), 0);
    const int id = out.AddAttribute(a, true, out.num_points());
    for (uint32_t v = 0; v < out.num_points(); ++v)
        out.attribute(id)->SetAttributeValue(draco::AttributeValueIndex(v), static_cast<const uint8_t*>(values) + v * size);
}

// Positions, and with `attributes` the normals, uvs and colours the mesh has.
inline std::unique_ptr<draco::Mesh> draco_mesh(const crt_encode::InputMesh& m, bool attributes = true) {
    auto out = std::make_unique<draco::Mesh>();
    out->set_num_points(m.vertex_count());
    add_draco_attribute(*out, draco::GeometryAttribute::POSITION, m.positions.data(), 3, draco::DT_FLOAT32, false);
    if (attributes && !m.normals.empty())
        add_draco_attribute(*out, draco::GeometryAttribute::NORMAL, m.normals.data(), 3, draco::DT_FLOAT32, false);
    if (attributes && !m.uvs.empty())
        add_draco_attribute(*out, draco::GeometryAttribute::TEX_COORD, m.uvs.data(), 2, draco::DT_FLOAT32, false);
    if (attributes && !m.colors.empty()) {
        std::vector<uint8_t> bytes;
        for (float c : m.colors) bytes.push_back(uint8_t(std::lround(std::clamp(c, 0.0f, 1.0f) * 255.0f)));
        add_draco_attribute(*out, draco::GeometryAttribute::COLOR, bytes.data(), m.color_components, draco::DT_UINT8,
                            true);
    }
    for (uint32_t f = 0; f < m.face_count(); ++f) {
        draco::Mesh::Face face;
        for (int k = 0; k < 3; ++k) face[k] = draco::PointIndex(m.faces[size_t(f) * 3 + k]);
        out->AddFace(face);
    }
    return out;
}

// Speed 0 (smallest) .. 10 (fastest); empty when Draco refuses the mesh.
inline std::vector<char> draco_encode(const draco::Mesh& mesh, int speed, const DracoBits& bits = {}) {
    draco::Encoder encoder;
    encoder.SetSpeedOptions(speed, speed);
    encoder.SetAttributeQuantization(draco::GeometryAttribute::POSITION, bits.position);
    encoder.SetAttributeQuantization(draco::GeometryAttribute::NORMAL, bits.normal);
    encoder.SetAttributeQuantization(draco::GeometryAttribute::TEX_COORD, bits.uv);
    draco::EncoderBuffer buffer;
    if (!encoder.EncodeMeshToBuffer(mesh, &buffer).ok()) return {};
    return std::vector<char>(buffer.data(), buffer.data() + buffer.size());
}

}  // namespace crt_bench
