// Normals estimated from quantised positions, and the border test of the normal
// attribute. Shared by decoder and encoder: corrections only undo exactly when both
// compute the same floats in the same order.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

namespace crt {

// Per vertex, the sum of the unnormalised cross products of its faces (three floats a
// vertex), faces taken in order with their corners as given. P holds `stride` integers a
// vertex (x, y, z first). Fails with kVertexIndex for an index at or above vertex_count.
std::vector<float> estimate_normals(const int32_t* P, size_t stride, const uint32_t* faces, size_t face_count,
                                    uint32_t vertex_count);

// Per vertex, the XOR of its neighbours' numbers over all its faces (each neighbour
// counted once per face): 0 for a vertex every neighbour of which it shares two faces
// with, so not 0 marks the border. Indices must be below vertex_count.
std::vector<int32_t> border_masks(const uint32_t* faces, size_t face_count, uint32_t vertex_count);

}  // namespace crt
