// Corners that carry the same values are one vertex: files split vertices along seams of
// attributes a stream may leave out, and triangle soups repeat every shared position.
#pragma once
#include <cstdint>
#include <vector>

#include "mesh_reader.h"

namespace crt_encode {

// Which attributes take part: those left out of the stream do not keep corners apart.
struct KeptAttributes {
    bool normals = true, colors = true, uvs = true;
};

struct MergedMesh {
    InputMesh mesh;                       // the merged vertices; faces renumbered, runs kept
    std::vector<uint32_t> representative;  // merged vertex -> its first input vertex
    std::vector<uint32_t> merged_into;     // input vertex -> representative input vertex
};

// Vertices equal in position and in every kept attribute, value for value (0 and -0
// alike), become the first of them. Attributes not kept are dropped from the result.
// Faces keep their order and corners; a face whose corners merge keeps its repeated
// index. NaN values never compare equal, so such vertices stay apart.
MergedMesh merge_identical_corners(const InputMesh& mesh, const KeptAttributes& kept);

}  // namespace crt_encode
