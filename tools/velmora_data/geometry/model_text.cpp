// OBJ and PLY text for the generated models. Fixed-point formatting keeps the files
// byte-identical from run to run.
#include "model_text.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace velmora_data {

namespace {

// Fixed decimals; a value that rounds to zero is written without a minus sign.
void put(std::string& out, double v, int decimals) {
    const double unit = std::pow(10.0, -decimals) * 0.5;
    if (std::fabs(v) < unit) v = 0.0;
    char buf[48];
    std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
    out += buf;
}

void putLine3(std::string& out, const char* key, Vec3 v, int decimals) {
    out += key;
    for (double c : {v.x, v.y, v.z}) {
        out += ' ';
        put(out, c, decimals);
    }
    out += '\n';
}

}  // namespace

std::string objText(const std::string& title, const std::vector<std::pair<std::string, Mesh>>& objects) {
    std::string out = "# " + title + "\n";
    size_t base = 1;  // OBJ indices count from 1 across the whole file
    for (const auto& [name, mesh] : objects) {
        if (!name.empty()) out += "o " + name + "\n";
        for (const auto& p : mesh.positions) putLine3(out, "v", p, 6);
        for (const auto& n : mesh.normals) putLine3(out, "vn", n, 5);
        for (const auto& t : mesh.triangles) {
            out += 'f';
            for (int k : t) {
                const std::string i = std::to_string(base + static_cast<size_t>(k));
                out += ' ' + i + "//" + i;
            }
            out += '\n';
        }
        base += mesh.positions.size();
    }
    return out;
}

std::string plyText(const Mesh& mesh) {
    std::string out;
    out += "ply\nformat ascii 1.0\ncomment velmora sculpture\n";
    out += "element vertex " + std::to_string(mesh.positions.size()) + "\n";
    out += "property float x\nproperty float y\nproperty float z\n";
    out += "property uchar red\nproperty uchar green\nproperty uchar blue\nproperty uchar alpha\n";
    out += "element face " + std::to_string(mesh.triangles.size()) + "\n";
    out += "property list uchar int vertex_indices\nproperty list uchar float texcoord\nend_header\n";
    for (size_t i = 0; i < mesh.positions.size(); ++i) {
        const Vec3 p = mesh.positions[i], c = mesh.colours[i];
        put(out, p.x, 5);
        out += ' ';
        put(out, p.y, 5);
        out += ' ';
        put(out, p.z, 5);
        for (double ch : {c.x, c.y, c.z}) {
            const long v = std::lround(std::clamp(ch, 0.0, 1.0) * 255.0);
            out += ' ' + std::to_string(v);
        }
        out += " 255\n";
    }
    for (const auto& t : mesh.triangles) {
        out += "3 " + std::to_string(t[0]) + ' ' + std::to_string(t[1]) + ' ' + std::to_string(t[2]) + " 6";
        for (int k : t) {
            out += ' ';
            put(out, mesh.uvs[k][0], 4);
            out += ' ';
            put(out, mesh.uvs[k][1], 4);
        }
        out += '\n';
    }
    return out;
}

}  // namespace velmora_data
