// Small generated meshes for the encoder tests: surfaces with borders and holes, closed
// shapes of genus 0 and 1, and the awkward cases (non-manifold edges, bow ties,
// degenerate and repeated faces, unused vertices).
#pragma once
#include <cstdint>
#include <functional>
#include <vector>

#include "mesh_reader.h"

namespace crt_test {

using crt_encode::InputMesh;

// An n x m grid of quads over a paraboloid patch, two triangles each, with analytic
// normals, RGBA colours and texture coordinates. Quads for which skip(i, j) holds are
// left out (holes, separate pieces).
InputMesh grid(int n, int m, const std::function<bool(int i, int j)>& skip = {});
InputMesh grid_with_hole(int n);          // a square hole in the middle
InputMesh torus(int n, int m);            // closed, genus 1, analytic normals
InputMesh tetrahedron();                  // faces (0,1,2), (2,1,3), (3,1,0), (3,0,2)
InputMesh cube();                         // 8 vertices, 12 triangles, closed
// The cube with one normal a corner along its diagonal, as smooth-shading exporters give
// low-poly shapes: far from the estimate the positions give (faces weigh by area).
InputMesh creased_cube();
// Every face with three corners of its own, as triangle soups and STL conversions store
// them (values copied, so the corners of one position are equal).
InputMesh soup_of(const InputMesh& mesh);
// Every face followed by its mirror image: a surface meant to be seen from both sides.
InputMesh double_sided(const InputMesh& mesh);

// Positions only: three faces on one edge, two fans meeting at one vertex, an edge
// met twice in the same direction, a face with a repeated corner, a face given twice,
// and vertices no face uses.
InputMesh fin();
InputMesh bow_tie();
InputMesh flipped_neighbour();
InputMesh with_degenerate_face();
InputMesh with_repeated_face();
InputMesh with_unused_vertices();

// Triangles made independent of vertex numbering and corner rotation: each face
// mapped through `map` (when given), rotated to start at its smallest index, then all
// sorted.
std::vector<std::vector<uint32_t>> canonical_triangles(const std::vector<uint32_t>& faces,
                                                       const std::vector<uint32_t>* map = nullptr);

}  // namespace crt_test
