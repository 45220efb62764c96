// Connectivity decoding: grows each connected piece of the mesh from a first triangle
// along an edge front, writing three vertex indices per face and one prediction triple
// per new vertex.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "crt/stream.h"

namespace crt {

// Symbols at a front edge.
enum Symbol : uint8_t {
    new_vertex = 0,
    join_prev = 1,
    join_next = 2,
    close = 3,
    border = 4,
    postpone = 5,
    old_vertex = 6,
};

using VertexTriple = std::array<uint32_t, 3>;

struct FaceGroup {
    uint32_t face_end = 0;  // exclusive: last face of the group plus one
    std::map<std::string, std::string> properties;
};

// Connectivity output and state. The 16-bit index output of the format is never used by
// the exported functions and is left out.
struct MeshIndex {
    uint32_t* faces32 = nullptr;             // the caller's index array, 3 per face
    std::vector<FaceGroup> groups;
    std::vector<VertexTriple> predictions;   // one per vertex
    std::vector<uint8_t> symbols;
    BitReader bits;                          // over the connectivity words
    uint32_t front_capacity = 0;             // reserve hint for the front, not a limit
};

struct FrontEdge {
    uint32_t a = 0;         // start vertex
    uint32_t b = 0;         // end vertex
    uint32_t opposite = 0;  // third vertex of the triangle the edge belongs to
    uint32_t prev = 0;      // previous edge along the front
    uint32_t next = 0;      // next edge along the front
    uint8_t deleted = 0;    // set when the edge has left the front
};

// Counters that carry over from one group to the next.
struct ConnectivityCursor {
    size_t symbol_position = 0;
    uint32_t decoded_vertices = 0;  // vertices numbered so far
};

// Bit length of the vertex count, at least 1: the width of a vertex index in the bits.
int index_bits(uint32_t vertex_count);

// Decodes faces into faces32[first .. last-1] (three per face). The caller guarantees
// that faces32 holds at least `last` entries; every vertex index written is below
// vertex_count, and every prediction written lies inside index.predictions.
void decode_group(MeshIndex& index, uint32_t vertex_count, uint64_t first, uint64_t last,
                  ConnectivityCursor& cursor);

}  // namespace crt
