// Settings to encoder calls: steps from bit counts, which attributes go in, groups.
#include "encode_mesh.h"

#include <stdexcept>

#include "crt/encoder.h"
#include "merge_corners.h"

namespace crt_encode {

namespace {

void encode_merged(const InputMesh& mesh, const EncodeSettings& settings, EncodedMesh& result) {
    try {
        const uint32_t V = mesh.vertex_count();
        crt::Encoder encoder(V, mesh.faces.data(), mesh.face_count());
        encoder.entropy = settings.entropy;
        encoder.connectivity.postpone = settings.postpone != 0;
        encoder.choose_postponing = settings.postpone == 2;
        encoder.choose_strategies = settings.choose_strategies;
        encoder.fast = settings.fast;
        encoder.choose_normal_mode = settings.choose_normal_mode;
        encoder.properties.push_back({"generator", "crt-encode"});

        result.position_step = settings.position_step > 0.0f
                                   ? settings.position_step
                                   : crt::step_for_bits(mesh.positions.data(), V, 3, settings.position_bits);
        encoder.add_positions(mesh.positions.data(), 3, result.position_step, settings.position_strategy);
        if (settings.normals && !mesh.normals.empty()) {
            result.normal_unit = crt::normal_unit_for_bits(settings.normal_bits);
            encoder.add_normals(mesh.normals.data(), result.normal_unit, settings.normal_mode);
        }
        if (settings.colors && !mesh.colors.empty()) {
            result.color_step = crt::color_step_for_bits(settings.color_bits);
            const int32_t s = result.color_step;
            encoder.add_colors(mesh.colors.data(), mesh.color_components, crt::format_float, {s, s, s, s},
                               settings.position_strategy & crt::kParallelogram);
        }
        if (settings.uvs && !mesh.uvs.empty()) {
            result.uv_step = settings.uv_step > 0.0f ? settings.uv_step
                                                     : crt::step_for_bits(mesh.uvs.data(), V, 2, settings.uv_bits);
            encoder.add_uvs(mesh.uvs.data(), 2, result.uv_step, settings.uv_strategy);
        }
        if (settings.groups) {
            for (const FaceRun& run : mesh.runs) {
                crt::FaceGroup group;
                group.face_end = run.face_end;
                if (!run.name.empty()) group.properties["name"] = run.name;
                encoder.groups.push_back(group);
            }
        }
        result.bytes = encoder.encode();
        result.header_bytes = encoder.header_bytes;
        result.connectivity_bytes = encoder.connectivity_bytes;
        for (const auto& entry : encoder.attributes()) result.attribute_bytes[entry.first] = entry.second->encoded_size;
        result.code = encoder.code();
        for (const auto& entry : encoder.attributes())
            if (const auto* n = dynamic_cast<const crt::NormalAttr*>(entry.second.get())) {
                result.normal_mode = crt::NormalAttr::Mode(n->mode);
                result.normal_worst_error = n->worst_error;
            }
        if (settings.stats) result.parts = crt::stream_parts(encoder);
    } catch (const char* message) {
        throw std::runtime_error(message);
    }
}

}  // namespace

EncodedMesh encode_mesh(const InputMesh& mesh, const EncodeSettings& settings) {
    EncodedMesh result;
    if (!settings.merge) {
        encode_merged(mesh, settings, result);
        result.merged_into.resize(mesh.vertex_count());
        for (uint32_t v = 0; v < mesh.vertex_count(); ++v) result.merged_into[v] = v;
        return result;
    }
    KeptAttributes kept;
    kept.normals = settings.normals;
    kept.colors = settings.colors;
    kept.uvs = settings.uvs;
    const MergedMesh merged = merge_identical_corners(mesh, kept);
    encode_merged(merged.mesh, settings, result);
    // Callers see the input's vertex numbers: each stored vertex stands for the first of
    // the input vertices merged into it.
    for (uint32_t& v : result.code.vertex_order) v = merged.representative[v];
    result.merged_into = merged.merged_into;
    return result;
}

}  // namespace crt_encode
