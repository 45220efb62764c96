// A crt stream decoded into plain arrays, with a text summary and PLY/OBJ writers, for
// the crt-decode tool.
#pragma once
#include <cstdint>
#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

#include "crt/decoder.h"

namespace crt_decode {

struct DecodedMesh {
    std::unique_ptr<crt::Decoder> decoder;  // header, attributes and groups as read
    uint32_t vertex_count = 0;
    uint32_t face_count = 0;
    int position_components = 0;  // 0 when there is no position attribute
    int uv_components = 0;
    bool has_normals = false;
    bool has_colors = false;
    std::vector<float> positions, normals, colors, uvs;
    std::vector<uint32_t> indices;
};

// Decodes a whole stream. Throws std::runtime_error with the decoder's message.
DecodedMesh decode_stream(const std::vector<uint8_t>& bytes);

// Counts, entropy, properties, attributes (codec, step, components, strategy), groups.
void print_summary(std::ostream& out, const DecodedMesh& mesh);

// ASCII PLY: x y z, nx ny nz, red green blue alpha (bytes), s t; triangles.
void write_ply(std::ostream& out, const DecodedMesh& mesh);
// Wavefront OBJ: v (with r g b when coloured), vt, vn, f with 1-based indices.
void write_obj(std::ostream& out, const DecodedMesh& mesh);

}  // namespace crt_decode
