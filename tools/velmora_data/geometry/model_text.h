// Text forms of the generated models: Wavefront OBJ (positions, normals, faces, optional
// objects) and the coloured ASCII PLY layout that the show's sculpture reader counts.
#pragma once
#include <string>
#include <utility>
#include <vector>

#include "mesh.h"

namespace velmora_data {

// One `o` section per named entry; an entry with an empty name is written without an
// `o` line (only the first entry may be unnamed). Faces use the v//vn form.
std::string objText(const std::string& title, const std::vector<std::pair<std::string, Mesh>>& objects);

// ASCII PLY with exactly this header shape: magic, format line, one three-word comment,
// vertex element, seven scalar properties (x y z red green blue alpha), face element,
// a vertex-index list and a texture-coordinate list, end_header. Faces carry their
// three vertex indices and six texture coordinates (the vertex uvs of the corners).
// Needs colours and uvs on every vertex.
std::string plyText(const Mesh& mesh);

}  // namespace velmora_data
