// Round trips for the encoder tests: a stream decoded through the exported functions
// exactly as a caller would, and the comparison of the result with the encoder's input.
#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "encode_mesh.h"
#include "mesh_reader.h"

namespace crt_test {

struct ApiDecode {
    int result = 0;                  // DecodeMesh's result, -3 when CreateDecoder refused
    std::string error;
    uint32_t vertex_count = 0, face_count = 0;
    int position_components = 0, uv_components = 0;
    bool has_normals = false, has_colors = false;
    std::vector<float> positions, normals, colors, uvs;
    std::vector<uint32_t> indices;
};

// The stream goes in an allocation of exactly its size and every array is sized by the
// rules of crt.h, so AddressSanitizer sees any read or write past them.
ApiDecode decode_with_api(const std::vector<uint8_t>& bytes);

// The decoded mesh against the input: the same triangles once the decoded vertices are
// mapped back through the encoder's numbering (rotation of corners aside, merged corners
// counted as the vertex they were merged into), positions and
// uvs within half a step, colours within half a channel step, normals within the
// octahedral grid's precision (border-corrected normals: border vertices so, interior
// ones exactly the decoder's estimate).
::testing::AssertionResult same_mesh(const crt_encode::InputMesh& input, const crt_encode::EncodedMesh& encoded,
                                     const ApiDecode& decoded);

// The angle between two directions in radians, taken in double precision (atan2 of the
// cross and dot products, which stays exact for nearly parallel vectors).
double angle_between(const float* a, const float* b);

// Largest angle (radians) between a unit normal and the octahedral pair chosen for it
// with the given unit, for the precision checks.
double normal_tolerance(int unit);

}  // namespace crt_test
