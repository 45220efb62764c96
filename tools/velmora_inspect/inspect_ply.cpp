// PLY inspection through the shared PLY reader, read as the show reads it: counts, what the
// vertices carry, the bounding box, what was passed over by name, and what was damaged.
#include <algorithm>
#include <cfloat>
#include <ostream>

#include "inspect.h"
#include "models/ply_reader.h"
#include "models/text_scanner.h"
#include "platform/printable.h"

int inspect_ply(const std::string& path, std::ostream& out) {
    std::string text, why;
    if (!read_text_file(path, text, &why)) {
        out << "velmora-inspect: cannot open " << platform::printable(path) << (why.empty() ? "" : ": " + why) << "\n";
        return 1;
    }
    const std::string name = platform::printable(path);
    ply::Mesh mesh;
    ply::Options options;
    options.keep_declared_counts = true;  // as the show reads it
    if (!ply::read(text.data(), text.size(), name, mesh, options)) {
        out << "velmora-inspect: " << mesh.error << "\n";
        return 1;
    }
    out << "PLY " << name << " (" << mesh.format << ")\n";
    out << "vertices: " << mesh.vertex_count() << "\n";
    out << "faces: " << mesh.faces << "\n";
    out << "triangles: " << mesh.triangle_count() << "\n";
    out << "colours: ";
    if (mesh.color_channels == 0)
        out << "none (the show draws the mesh black)";
    else
        out << (mesh.color_channels == 4 ? "red green blue alpha" : "red green blue") << ", full at "
            << mesh.color_full[0];
    out << "\nnormals: " << (mesh.normals.empty() ? "none" : "per vertex") << "\n";
    out << "texture coordinates: "
        << (!mesh.uvs.empty() ? "per vertex" : !mesh.corner_uvs.empty() ? "per face corner" : "none") << "\n";
    float lo[3] = {FLT_MAX, FLT_MAX, FLT_MAX}, hi[3] = {-FLT_MAX, -FLT_MAX, -FLT_MAX};
    for (size_t i = 0; i < mesh.positions.size(); ++i) {
        lo[i % 3] = std::min(lo[i % 3], mesh.positions[i]);
        hi[i % 3] = std::max(hi[i % 3], mesh.positions[i]);
    }
    if (!mesh.positions.empty())
        out << "bounding box: (" << lo[0] << ", " << lo[1] << ", " << lo[2] << ") .. (" << hi[0] << ", " << hi[1]
            << ", " << hi[2] << ")\n";
    if (!mesh.passed_over.empty()) {
        out << "passed over:";
        for (size_t i = 0; i < mesh.passed_over.size(); ++i) out << (i ? ", " : " ") << mesh.passed_over[i];
        out << "\n";
    }
    for (const std::string& warning : mesh.warnings) out << "warning: " << warning << "\n";
    if (mesh.triangles.empty()) out << "no triangle: the show draws nothing with this file\n";
    // Faces left out are only a warning; made-up records, or no triangle at all, fail the check.
    const bool damaged = mesh.ended_early || mesh.counts_cut || mesh.triangles.empty();
    return damaged ? 1 : 0;
}
