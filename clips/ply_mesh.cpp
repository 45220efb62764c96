#include "clips/ply_mesh.h"

#include <cstdio>

#include "models/ply_reader.h"
#include "models/text_scanner.h"
#include "platform/printable.h"

bool loadPlyMesh(const std::string& path, PlyMesh& mesh) {
    mesh.vertices.clear();
    mesh.faces.clear();
    std::string text, why;
    if (!read_text_file(path, text, &why)) {
        printf("PLY: cannot open \"%s\"%s, the mesh stays empty.\n", path.c_str(), why.empty() ? "" : (": " + why).c_str());
        return false;
    }
    const std::string name = "\"" + platform::printable(path) + "\"";
    ply::Mesh read;
    ply::Options options;
    options.keep_declared_counts = true;
    if (!ply::read(text.data(), text.size(), name, read, options)) {
        printf("PLY: %s; the mesh stays empty.\n", read.error.c_str());
        return true;
    }

    mesh.vertices.resize(read.vertex_count());
    for (size_t i = 0; i < mesh.vertices.size(); ++i) {
        float* f = mesh.vertices[i].f;
        for (int k = 0; k < 3; ++k) f[3 + k] = read.positions[3 * i + k];
        for (int k = 0; k < 3 && read.color_channels > 0; ++k) {
            const float value = read.colors[read.color_channels * i + k], full = read.color_full[k];
            // 1/255 in single precision, as the show's colours always were; not value / 255.
            f[6 + k] = full == 255.0f ? value * 0.003921569f : value / full;
        }
    }
    mesh.faces.resize(read.triangle_count());
    for (size_t t = 0; t < mesh.faces.size(); ++t) {
        PlyFace& face = mesh.faces[t];
        for (int k = 0; k < 3; ++k) face.index[k] = static_cast<int32_t>(read.triangles[3 * t + k]);
        if (!read.corner_uvs.empty())
            for (int k = 0; k < 6; ++k) face.uv[k] = read.corner_uvs[6 * t + k];
    }

    for (const std::string& warning : read.warnings) printf("PLY: %s.\n", warning.c_str());
    if (mesh.faces.empty() || mesh.vertices.empty())
        printf("PLY: %s yielded no mesh: its header declares %llu vertices and %llu faces.\n", name.c_str(),
               static_cast<unsigned long long>(read.declared_vertices),
               static_cast<unsigned long long>(read.declared_faces));
    return true;
}
