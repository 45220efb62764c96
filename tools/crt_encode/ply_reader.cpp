// PLY input for the encoder, through the shared PLY reader (models/ply_reader.h): positions,
// normals, colours (0-1) and texture coordinates per vertex, polygons as triangle fans.
#include <stdexcept>

#include "mesh_reader.h"
#include "models/ply_reader.h"

namespace crt_encode {

InputMesh read_ply(const std::vector<char>& bytes, const std::string& name) {
    ply::Mesh in;
    if (!ply::read(bytes.data(), bytes.size(), name, in)) throw std::runtime_error(in.error);
    InputMesh mesh;
    mesh.positions = std::move(in.positions);
    mesh.normals = std::move(in.normals);
    mesh.uvs = std::move(in.uvs);
    mesh.faces = std::move(in.triangles);
    mesh.warnings = std::move(in.warnings);
    mesh.color_components = in.color_channels;
    mesh.colors.reserve(in.colors.size());
    // In double, then rounded once: the encoder's colours have always been made so.
    for (size_t i = 0; i < in.colors.size(); ++i)
        mesh.colors.push_back(static_cast<float>(double(in.colors[i]) / in.color_full[i % in.color_channels]));
    return mesh;
}

}  // namespace crt_encode
