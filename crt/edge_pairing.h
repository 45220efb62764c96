// Which faces meet across an edge that more than two faces share: the connectivity coder
// can only join two faces of opposite orientation on an edge, so the faces of such an
// edge are paired into sheets and the rest of the edge is cut.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

namespace crt {

// The quantised positions (x, y, z first of `stride` integers a vertex), when known.
struct PairingGeometry {
    const int32_t* positions = nullptr;
    size_t stride = 3;
};

// half_edges: the `count` half-edges (3f + k, corner k to corner k + 1 of face f) that lie
// on one edge. Twins them pairwise in `twin` (both ways), only ever a half-edge with one
// of the other direction. Two half-edges of opposite directions are simply twinned. With
// more, the pairs whose faces continue each other best go first: never a face with its
// own mirror image (the same corners in the other order, as double-sided meshes repeat
// every face) while another partner is free, and with positions the pair whose face
// normals agree best. Half-edges left without a partner keep their twin untouched.
void pair_half_edges(const uint32_t* faces, const uint32_t* half_edges, size_t count, const PairingGeometry& geometry,
                     std::vector<uint32_t>& twin);

}  // namespace crt
