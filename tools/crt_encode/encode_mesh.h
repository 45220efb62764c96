// A mesh read from PLY or OBJ encoded as one crt stream with the tool's settings; shared
// by crt-encode, its tests and the codec benchmark.
#pragma once
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "crt/attribute.h"
#include "crt/connectivity_encoder.h"
#include "crt/encode_stats.h"
#include "mesh_reader.h"

namespace crt_encode {

struct EncodeSettings {
    int32_t entropy = 1;              // 0 stored, 1 Tunstall, crt::kEntropySmaller either
    int position_bits = 14;           // across the largest extent, when position_step is 0
    float position_step = 0.0f;
    int32_t position_strategy = crt::kParallelogram;  // | crt::kCorrelated
    bool choose_strategies = true;    // try every strategy for positions and uvs, keep the smallest
    bool fast = false;                // crt::Encoder::fast
    bool normals = true;              // when the mesh has them
    crt::NormalAttr::Mode normal_mode = crt::NormalAttr::differential;
    bool choose_normal_mode = true;   // try every mode, keep the smallest
    int normal_bits = 10;             // per octahedral coordinate
    bool colors = true;
    int color_bits = 8;               // per channel
    bool uvs = true;
    int uv_bits = 12;                 // across the largest extent, when uv_step is 0
    float uv_step = 0.0f;
    int32_t uv_strategy = crt::kParallelogram;
    bool groups = false;              // OBJ g/o/usemtl runs become crt face groups
    // Corners equal in position and in every attribute stored are one vertex (see
    // merge_identical_corners); the decoded corners keep their values.
    bool merge = true;
    // Connectivity: put off edges to far old vertices once (1), never (0), or whichever
    // gives the smaller stream (2).
    int postpone = 2;
    bool stats = false;               // fill EncodedMesh::parts
};

struct EncodedMesh {
    std::vector<uint8_t> bytes;
    // Decode-order faces and vertex numbering; vertex_order names input vertices (the
    // first of those merged into each stored one).
    crt::ConnectivityCode code;
    std::vector<uint32_t> merged_into;            // input vertex -> the input vertex it is stored as
    size_t header_bytes = 0, connectivity_bytes = 0;
    std::map<std::string, size_t> attribute_bytes;  // by attribute name
    float position_step = 0.0f, uv_step = 0.0f;
    int normal_unit = 0;
    crt::NormalAttr::Mode normal_mode = crt::NormalAttr::differential;  // the mode written
    double normal_worst_error = 0.0;              // radians, decoded normal against the input's
    int32_t color_step = 0;
    std::vector<crt::StreamPart> parts;           // with EncodeSettings::stats
};

// Throws std::runtime_error with the encoder's message on input it cannot store.
EncodedMesh encode_mesh(const InputMesh& mesh, const EncodeSettings& settings);

}  // namespace crt_encode
