// PLY files of header layouts that other programs write, made here value by value: face
// element first, big-endian with extra elements and properties, every type spelling. For the
// PLY reader's tests and its fuzzer's seed corpus.
#pragma once
#include <string>
#include <utility>
#include <vector>

namespace ply_samples {

// ASCII, the face element before the vertex element, a quad among triangles, comment and
// obj_info lines: 5 vertices, 3 faces, 4 triangles.
std::string face_first_ascii();
// binary_big_endian: double positions, float normals, uchar RGBA, an extra "quality" per
// vertex, an "edge" element between vertices and faces, a "flags" byte after each face's
// list: 3 vertices, 1 face.
std::string big_endian_with_extras();
// binary_little_endian: all sixteen type names in extra properties, a vertex list, float
// colours, face lists with int, uint8 and uint16 counts, per-corner texture coordinates:
// 3 vertices, 2 faces.
std::string little_endian_every_type();
// The show's own layout (ASCII, uchar RGBA, per-corner texture coordinates), as the show's
// data generator writes it: 4 vertices, 2 faces.
std::string show_layout();

// Every sample above by a file name, for the seed corpus.
std::vector<std::pair<std::string, std::string>> all();

}  // namespace ply_samples
