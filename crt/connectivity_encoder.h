// Connectivity encoding: walks the mesh with the same edge front the decoder grows and
// emits, edge by edge, the symbol (and bits) that make the decoder build the same
// triangle, numbering vertices in the order the decoder will meet them.
#pragma once
#include <cstdint>
#include <vector>

#include "crt/connectivity.h"
#include "crt/edge_pairing.h"
#include "crt/stream_writer.h"

namespace crt {

struct ConnectivityCode {
    std::vector<uint8_t> symbols;             // the symbol block
    BitWriter bits;                           // first-triangle flags and old vertex indices
    std::vector<uint32_t> faces;              // the decoder's faces: new numbers, decode order
    std::vector<uint32_t> vertex_order;       // new number -> input vertex
    std::vector<VertexTriple> predictions;    // per new number, as the decoder records them
    std::vector<uint32_t> face_ends;          // per group, as given
    std::vector<uint32_t> face_order;         // decoded face -> input face
    uint32_t front_capacity = 0;              // edge records of the largest group's front
    // Put-off edges whose face a neighbour sent before they were taken back: their
    // postpone symbols, and the border symbols read when they came back (if not deleted).
    std::vector<uint32_t> unneeded_postpones, taken_back_borders;
    // Half-edges of put-off edges that sent an old vertex all the same when taken back.
    std::vector<uint32_t> postponed_in_vain;
    uint32_t pieces = 0;                      // first triangles sent
};

struct PredictionHints;

struct ConnectivityOptions {
    // An edge whose far vertex is already numbered but not next to it on the front is put
    // off once, in the hope that the front closes up to it, before the vertex is sent by
    // index.
    bool postpone = true;
    // See send_unneeded_postpones_as_borders.
    bool border_when_sent_elsewhere = false;
    // A face that closes a gap in the front is sent as a join: its new edge and the next
    // edge then lie on each other and each reads a border later. Worth it when borders
    // are common and closes rare (each symbol kind costs the Tunstall dictionary codes).
    bool close_as_join = false;
    // The face (and which corner first) the traversal of its group starts from; the
    // whole spiral, and so every symbol after it, follows from this choice. Face numbers
    // beyond the faces (the default) start from the group's first face.
    uint32_t start_face = 0xFFFFFFFFu;
    uint32_t start_corner = 0;  // 0-2
    // Rising half-edges (a -> b of a front edge's own face) at which a far vertex is sent
    // by index at once rather than put off: a postpone that only delays the index costs a
    // symbol, and when no postpone is left a symbol kind.
    std::vector<uint32_t> old_at_once;
    // Steering the traversal for the positions: a new vertex whose parallelogram across
    // this edge would leave at least steer_width bits in its widest residual, while
    // another of its triangles would leave steer_margin fewer, is put off once, so that a
    // better-placed triangle may bring it in. Off without hints or while steer_width is 0.
    const PredictionHints* hints = nullptr;
    int steer_width = 0;
    int steer_margin = 2;
    // A new piece starts, where one is left, at a face with a corner where the last
    // numbered vertex lies: its first corner is predicted from that vertex, so where
    // corners repeat a position (soups, meshes split along attribute seams) it costs
    // nothing. Kept alive while in use; null: pieces start in face order.
    const struct PositionClasses* chain = nullptr;
};

// Vertices by quantised position, and for each position the corners (3f + k) there, for
// chaining pieces. Built once, it serves every traversal of the mesh.
struct PositionClasses {
    std::vector<uint32_t> class_of;  // vertex -> its position's number
    std::vector<uint32_t> start;     // position -> first of its corners in `corners`
    std::vector<uint32_t> corners;
};
// positions: x, y, z first of `stride` integers a vertex, input numbering.
PositionClasses position_classes(const uint32_t* faces, uint32_t face_count, uint32_t vertex_count,
                                 const int32_t* positions, size_t stride);

// What the encoder needs to know of the mesh: the groups and, for every half-edge
// 3f + k (corner k to corner k + 1 of face f), the half-edge of the face across it.
// Built once, it serves several encodings (with and without postponing).
struct MeshAdjacency {
    const uint32_t* faces = nullptr;  // the caller's, kept alive while in use
    uint32_t face_count = 0;
    uint32_t vertex_count = 0;
    uint32_t used_vertices = 0;       // vertices some face refers to
    std::vector<uint32_t> face_ends;  // the groups
    std::vector<uint32_t> twin;       // 0xFFFFFFFF: nothing across (border or cut edge)
};

// What steering needs: the quantised positions (x, y, z first of `stride` integers a
// vertex, input numbering, kept alive while in use) and, per vertex, the fewest bits any
// parallelogram across an edge of one of its faces leaves in its widest residual.
struct PredictionHints {
    const int32_t* positions = nullptr;
    size_t stride = 3;
    std::vector<uint8_t> best_width;
};
struct MeshAdjacency;
PredictionHints prediction_hints(const MeshAdjacency& mesh, const int32_t* positions, size_t stride);

// faces: 3 per face, indices below vertex_count. face_ends: the groups (rising, the last
// equal to face_count); empty means one group. Vertices no face uses get no number.
// Faces on an edge that more than two share are paired into sheets (see
// pair_half_edges, which the geometry, when given, guides); the rest of such an edge, and
// edges met only in the same direction, are cut. Faces with a repeated corner become
// pieces of their own. Fails with kFaceIndexRange or kGroupOrder.
MeshAdjacency build_adjacency(const uint32_t* faces, uint32_t face_count, uint32_t vertex_count,
                              const std::vector<uint32_t>& face_ends, const PairingGeometry& geometry = {});
ConnectivityCode encode_connectivity(const MeshAdjacency& mesh, const ConnectivityOptions& options = {});

// A put-off edge whose face a neighbour sends before the edge is taken back can be sent
// as a border in the first place: the decoder never takes it back then, and the front
// evolves exactly as before, so every face, vertex number and bit stays where it was.
// Fewer symbols, and often one kind fewer. Done at most once per code.
void send_unneeded_postpones_as_borders(ConnectivityCode& code);
ConnectivityCode encode_connectivity(const uint32_t* faces, uint32_t face_count, uint32_t vertex_count,
                                     const std::vector<uint32_t>& face_ends, const ConnectivityOptions& options = {});

}  // namespace crt
