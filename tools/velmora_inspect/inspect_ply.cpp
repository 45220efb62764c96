// PLY inspection through the show's own reader: counts, bounding box, faces that point
// outside the mesh, and whether the header has the token layout the reader counts on.
#include <algorithm>
#include <cfloat>
#include <cstdio>
#include <ostream>
#include <vector>

#include "clips/ply_layout.h"
#include "clips/ply_mesh.h"
#include "inspect.h"
#include "platform/file_read.h"

int inspect_ply(const std::string& path, std::ostream& out) {
    PlyMesh mesh;
    if (!loadPlyMesh(path, mesh)) return 1;  // the reader has said why
    out << "PLY " << path << "\n";
    // The reader does not parse the header, it counts tokens: say where they would move.
    std::string head(4096, '\0'), why;
    std::FILE* file = platform::open_regular_file(path, why);  // the reader has just found a regular file
    head.resize(file ? std::fread(&head[0], 1, head.size(), file) : 0);
    if (file) std::fclose(file);
    why = plyLayoutDifference(head);
    const bool layout = why.empty();
    if (!layout) out << "warning: the header does not have the layout the show reads (" << why << ")\n";
    out << "vertices: " << mesh.vertices.size() << "\nfaces: " << mesh.faces.size() << "\n";
    float lo[3] = {FLT_MAX, FLT_MAX, FLT_MAX}, hi[3] = {-FLT_MAX, -FLT_MAX, -FLT_MAX};
    for (const PlyVertex& v : mesh.vertices)
        for (int k = 0; k < 3; ++k) {
            lo[k] = std::min(lo[k], v.f[3 + k]);
            hi[k] = std::max(hi[k], v.f[3 + k]);
        }
    if (!mesh.vertices.empty())
        out << "bounding box: (" << lo[0] << ", " << lo[1] << ", " << lo[2] << ") .. (" << hi[0] << ", " << hi[1]
            << ", " << hi[2] << ")\n";
    size_t outside = 0;
    for (const PlyFace& f : mesh.faces)
        for (int32_t i : f.index)
            if (i < 0 || static_cast<size_t>(i) >= mesh.vertices.size()) {
                ++outside;
                break;
            }
    if (outside) out << "warning: " << outside << " face(s) point outside the vertices and will not be drawn\n";
    return layout ? 0 : 1;
}
