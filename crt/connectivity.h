// Connectivity decoding: grows each connected piece of the mesh from a first triangle
// along an edge front, writing three vertex indices per face and one prediction triple
// per new vertex.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
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
    uint32_t front_capacity = 0;             // the stream's hint; the decoder reserves by the
                                             // face count instead, which bounds the front
};

// No initialisers: edge records are made whole by the decoder, never cleared in bulk.
struct FrontEdge {
    uint32_t a;         // start vertex
    uint32_t b;         // end vertex
    uint32_t opposite;  // third vertex of the triangle the edge belongs to
    uint32_t prev;      // previous edge along the front
    uint32_t next;      // next edge along the front
    uint32_t deleted;   // not 0 when the edge has left the front
};

// The front and the two edge queues of a group. They live as long as the cursor, so only
// the first group (or a larger one) allocates. A group makes at most one edge record per
// index it writes (three per face), so room for that many means the decoding loop never
// checks for room; pages beyond what a group uses are reserved, never touched.
struct EdgeArrays {
    std::unique_ptr<FrontEdge[]> front;
    std::unique_ptr<uint32_t[]> order;      // first in, first out
    std::unique_ptr<uint32_t[]> postponed;  // a stack
    size_t capacity = 0;                    // records each array holds
    void reserve(size_t records);           // drops what the arrays held
};

// Counters that carry over from one group to the next.
struct ConnectivityCursor {
    size_t symbol_position = 0;
    uint32_t decoded_vertices = 0;  // vertices numbered so far
    EdgeArrays edges;
};

// Bit length of the vertex count, at least 1: the width of a vertex index in the bits.
int index_bits(uint32_t vertex_count);

// Decodes faces into faces32[first .. last-1] (three per face). The caller guarantees
// that faces32 holds at least `last` entries and that first and last are multiples of 3;
// every vertex index written is below vertex_count, and every prediction written lies
// inside index.predictions. Every step consumes a symbol, writes a face or drops a queued
// edge, so the work is bounded by the symbols and the faces.
void decode_group(MeshIndex& index, uint32_t vertex_count, uint64_t first, uint64_t last,
                  ConnectivityCursor& cursor);

}  // namespace crt
