// PLY inspection through the show's own reader: counts, bounding box, faces that point
// outside the mesh, and whether the header has the token layout the reader counts on.
#include <algorithm>
#include <cfloat>
#include <sstream>
#include <ostream>
#include <vector>

#include "clips/ply_mesh.h"
#include "models/text_scanner.h"
#include "platform/printable.h"
#include "inspect.h"

namespace {

// The reader does not parse the header, it counts tokens: check they are where it looks.
bool headerHasTheCountedLayout(const std::string& path, std::string& why) {
    std::string text;
    read_text_file(path, text);  // the reader has just read it: a regular file, within bounds
    std::istringstream in(text);
    std::vector<std::string> t;
    std::string token;
    while (t.size() < 45 && in >> token) t.push_back(token);
    if (t.size() < 45) {
        why = "the file ends inside the header";
        return false;
    }
    const struct {
        size_t at;
        const char* want;
    } expected[] = {{0, "ply"}, {7, "element"}, {8, "vertex"}, {31, "element"}, {32, "face"}, {44, "end_header"}};
    for (const auto& e : expected)
        if (t[e.at] != e.want) {
            why = "token " + std::to_string(e.at + 1) + " is \"" + platform::printable(t[e.at], 32) + "\", the reader expects \"" + e.want + "\"";
            return false;
        }
    return true;
}

}  // namespace

int inspect_ply(const std::string& path, std::ostream& out) {
    PlyMesh mesh;
    if (!loadPlyMesh(path, mesh)) return 1;  // the reader has said why
    out << "PLY " << path << "\n";
    std::string why;
    const bool layout = headerHasTheCountedLayout(path, why);
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
