// Wavefront OBJ reading: v (with optional r g b), vt, vn and f lines. A crt vertex has one
// index for all its attributes, so every distinct (v, vt, vn) corner becomes one vertex;
// polygons are split into triangle fans; g, o and usemtl start a new run of faces. A line
// ending in a backslash goes on on the next, as exporters write long faces.
#include <algorithm>
#include <cmath>
#include <charconv>
#include <cstring>
#include <stdexcept>
#include <unordered_map>

#include "mesh_reader.h"
#include "platform/file_read.h"
#include "platform/printable.h"
#include "text_lines.h"

namespace crt_encode {

namespace {

struct Line {
    const char* p;
    const char* end;

    void skip_space() {
        while (p < end && (*p == ' ' || *p == '\t')) ++p;
    }
    bool done() {
        skip_space();
        return p == end;
    }
    bool number(float& v) {
        skip_space();
        // from_chars takes no plus sign, which printf-style writers may put.
        if (end - p > 1 && *p == '+' && p[1] != '-' && p[1] != '+') ++p;
        const auto r = std::from_chars(p, end, v);
        if (r.ec != std::errc()) return false;
        p = r.ptr;
        return true;
    }
    std::string word() {
        skip_space();
        const char* s = p;
        while (p < end && *p != ' ' && *p != '\t') ++p;
        return std::string(s, p);
    }
};

struct CornerKey {
    int64_t v, vt, vn;
    bool operator==(const CornerKey& o) const { return v == o.v && vt == o.vt && vn == o.vn; }
};
struct CornerHash {
    size_t operator()(const CornerKey& k) const {
        return size_t(k.v) * 0x9E3779B97F4A7C15ull ^ size_t(k.vt) * 0xC2B2AE3D27D4EB4Full ^ size_t(k.vn + 1);
    }
};

// Normals for the vertices whose corners had none: the area-weighted normals of the faces
// around their position (all faces that use it, whatever their other attributes), as a
// loader computes them for a file without normals.
void compute_missing_normals(InputMesh& mesh, const std::vector<int64_t>& position_of,
                             const std::vector<uint8_t>& needs_normal, size_t positions) {
    std::vector<double> sum(positions * 3, 0.0);
    for (uint32_t f = 0; f < mesh.face_count(); ++f) {
        const float* p[3];
        for (int k = 0; k < 3; ++k) p[k] = &mesh.positions[size_t(mesh.faces[3 * f + k]) * 3];
        const double e1[3] = {double(p[1][0]) - p[0][0], double(p[1][1]) - p[0][1], double(p[1][2]) - p[0][2]};
        const double e2[3] = {double(p[2][0]) - p[0][0], double(p[2][1]) - p[0][1], double(p[2][2]) - p[0][2]};
        const double n[3] = {e1[1] * e2[2] - e1[2] * e2[1], e1[2] * e2[0] - e1[0] * e2[2], e1[0] * e2[1] - e1[1] * e2[0]};
        for (int k = 0; k < 3; ++k)
            for (int j = 0; j < 3; ++j) sum[size_t(position_of[mesh.faces[3 * f + k]]) * 3 + j] += n[j];
    }
    for (size_t vertex = 0; vertex < needs_normal.size(); ++vertex) {
        if (!needs_normal[vertex]) continue;
        const double* s = &sum[size_t(position_of[vertex]) * 3];
        const double length = std::sqrt(s[0] * s[0] + s[1] * s[1] + s[2] * s[2]);
        for (int j = 0; j < 3; ++j) mesh.normals[vertex * 3 + j] = length > 0.0 ? float(s[j] / length) : 0.0f;
    }
}

}  // namespace

InputMesh read_obj(const std::vector<char>& bytes, const std::string& name) {
    std::vector<float> v, vt, vn, vc;
    bool any_color = false;
    struct Corner {
        int64_t v, vt, vn;  // 0-based; -1 for none
    };
    std::vector<Corner> corners;           // all face corners, resolved
    std::vector<uint32_t> polygon_sizes;
    struct RunStart {
        uint64_t first;  // triangle the run starts at
        std::string name;
    };
    std::vector<RunStart> starts{{0, ""}};
    uint64_t triangles = 0;

    const char* p = bytes.data();
    const char* end = p + bytes.size();
    size_t line_number = 0, next_line_number = 0;
    uint64_t missing_normals = 0;  // corners naming a vn the file never defines
    auto fail = [&](const std::string& what) {
        throw std::runtime_error(name + ":" + std::to_string(line_number) + ": " + what);
    };
    std::string joined;  // a line continued with backslashes, put together
    // A run without faces is renamed rather than kept.
    auto new_run = [&](const std::string& label) {
        if (starts.back().first == triangles) starts.back().name = label;
        else starts.push_back({triangles, label});
    };

    while (p < end) {
        line_number = ++next_line_number;
        const char* line_end;
        Line line{p, nullptr};
        p = next_line(p, end, line_end);
        line.end = line_end;
        // A backslash at the end (trailing blanks aside) joins the next line to this one.
        const auto continued = [](const char* b, const char*& e) {
            const char* q = e;
            while (q > b && (q[-1] == ' ' || q[-1] == '\t')) --q;
            if (q == b || q[-1] != '\\') return false;
            e = q - 1;
            return true;
        };
        if (continued(line.p, line.end) && p < end) {
            joined.assign(line.p, line.end);
            bool more = true;
            while (more && p < end) {
                ++next_line_number;
                const char* b = p;
                p = next_line(p, end, line_end);
                const char* e = line_end;
                more = continued(b, e);
                joined += ' ';
                joined.append(b, e);
            }
            line = Line{joined.data(), joined.data() + joined.size()};
        }
        line.end = std::find(line.p, line.end, '#');  // a comment runs to the end of the line
        const std::string keyword = line.word();
        if (keyword == "v") {
            float x = 0, y = 0, z = 0;
            if (!line.number(x) || !line.number(y) || !line.number(z)) fail("v needs three numbers");
            v.insert(v.end(), {x, y, z});
            // x y z r g b carries a colour; x y z w only a weight.
            float r = 0, g = 0, b = 0;
            if (line.number(r) && line.number(g) && line.number(b)) {
                vc.insert(vc.end(), {r, g, b});
                any_color = true;
            } else {
                vc.insert(vc.end(), {1.0f, 1.0f, 1.0f});
            }
        } else if (keyword == "vt") {
            float s = 0.0f, t = 0.0f;
            if (!line.number(s)) fail("vt needs a number");
            line.number(t);
            vt.insert(vt.end(), {s, t});
        } else if (keyword == "vn") {
            float x = 0, y = 0, z = 0;
            if (!line.number(x) || !line.number(y) || !line.number(z)) fail("vn needs three numbers");
            vn.insert(vn.end(), {x, y, z});
        } else if (keyword == "f") {
            uint32_t count = 0;
            while (!line.done()) {
                const std::string token = line.word();
                int64_t index[3] = {0, 0, 0};
                const char* t = token.data();
                const char* t_end = t + token.size();
                for (int slot = 0; slot < 3 && t <= t_end; ++slot) {
                    if (t < t_end && *t != '/') {
                        const auto r = std::from_chars(t, t_end, index[slot]);
                        if (r.ec != std::errc()) fail("bad face corner \"" + platform::printable(token, 40) + "\"");
                        t = r.ptr;
                    }
                    if (t < t_end && *t != '/') fail("bad face corner \"" + platform::printable(token, 40) + "\"");
                    ++t;  // past the slash (or the end)
                }
                // 1-based, or negative counting back from the latest element.
                const size_t sizes[3] = {v.size() / 3, vt.size() / 2, vn.size() / 3};
                Corner c{-1, -1, -1};
                int64_t* out[3] = {&c.v, &c.vt, &c.vn};
                for (int slot = 0; slot < 3; ++slot) {
                    if (index[slot] == 0) {
                        if (slot == 0) fail("face corner without a vertex index");
                        continue;
                    }
                    const int64_t resolved = index[slot] > 0 ? index[slot] - 1 : int64_t(sizes[slot]) + index[slot];
                    if (slot == 2 && (resolved < 0 || resolved >= int64_t(sizes[slot]))) {
                        // Positions and texture coordinates are whole without it: the
                        // normal is computed from the faces, as for a file without any.
                        ++missing_normals;
                        continue;
                    }
                    if (resolved < 0 || resolved >= int64_t(sizes[slot]))
                        fail("face corner \"" + platform::printable(token, 40) + "\" refers to an element not defined before it");
                    *out[slot] = resolved;
                }
                corners.push_back(c);
                ++count;
            }
            polygon_sizes.push_back(count);
            if (count >= 3) triangles += count - 2;
            if (triangles > 0x7FFFFFFFu) fail("too many faces");
        } else if (keyword == "g" || keyword == "o" || keyword == "usemtl") {
            new_run(keyword + " " + std::string(line.p, line.end));
        }
    }

    InputMesh mesh;
    const bool with_uv = !vt.empty(), with_normals = !vn.empty() || missing_normals > 0;
    std::unordered_map<CornerKey, uint32_t, CornerHash> vertex_of;
    std::vector<int64_t> position_of;    // per vertex: its position's number
    std::vector<uint8_t> needs_normal;   // per vertex: its corners named no normal (or a missing one)
    uint64_t corners_without_normal = 0;
    std::vector<uint32_t> corner_vertex(corners.size());
    for (size_t i = 0; i < corners.size(); ++i) {
        const Corner& c = corners[i];
        const CornerKey key{c.v, with_uv ? c.vt : -1, with_normals ? c.vn : -1};
        const auto found = vertex_of.emplace(key, mesh.vertex_count());
        corner_vertex[i] = found.first->second;
        if (!found.second) continue;
        mesh.positions.insert(mesh.positions.end(), &v[c.v * 3], &v[c.v * 3] + 3);
        if (any_color) mesh.colors.insert(mesh.colors.end(), &vc[c.v * 3], &vc[c.v * 3] + 3);
        if (with_uv) {
            if (c.vt >= 0) mesh.uvs.insert(mesh.uvs.end(), &vt[c.vt * 2], &vt[c.vt * 2] + 2);
            else mesh.uvs.insert(mesh.uvs.end(), {0.0f, 0.0f});
        }
        if (with_normals) {
            if (c.vn >= 0) mesh.normals.insert(mesh.normals.end(), &vn[c.vn * 3], &vn[c.vn * 3] + 3);
            else mesh.normals.insert(mesh.normals.end(), {0.0f, 0.0f, 0.0f});
            position_of.push_back(c.v);
            needs_normal.push_back(c.vn < 0);
        }
    }
    for (const Corner& c : corners) corners_without_normal += with_normals && c.vn < 0;
    if (any_color) mesh.color_components = 3;
    size_t at = 0;
    for (uint32_t n : polygon_sizes) {
        for (uint32_t j = 2; j < n; ++j) {
            mesh.faces.push_back(corner_vertex[at]);
            mesh.faces.push_back(corner_vertex[at + j - 1]);
            mesh.faces.push_back(corner_vertex[at + j]);
        }
        at += n;
    }
    for (size_t i = 0; i < starts.size(); ++i) {
        const uint64_t face_end = i + 1 < starts.size() ? starts[i + 1].first : triangles;
        if (face_end > starts[i].first) mesh.runs.push_back({uint32_t(face_end), starts[i].name});
    }
    if (corners_without_normal > 0) {
        compute_missing_normals(mesh, position_of, needs_normal, v.size() / 3);
        mesh.warnings.push_back(name + ": " + std::to_string(corners_without_normal) + " face corner(s) " +
                                (missing_normals ? "name normals the file does not define"
                                                 : "have no normal beside corners that do") +
                                "; their normals are computed from the faces");
    }
    return mesh;
}

InputMesh read_mesh(const std::string& path) {
    // Only a regular file, and bounded: a pipe or a device would be read for ever.
    constexpr uint64_t kMaxInputBytes = 4ull << 30;
    std::vector<char> bytes;
    std::string why;
    if (platform::read_regular_file(path, bytes, kMaxInputBytes, why) != platform::FileRead::Read)
        throw std::runtime_error(path + ": cannot open (" + why + ")");
    std::string lower = path;
    for (char& c : lower) c = char(std::tolower(static_cast<unsigned char>(c)));
    auto ends_with = [&](const char* suffix) {
        const size_t n = std::strlen(suffix);
        return lower.size() >= n && lower.compare(lower.size() - n, n, suffix) == 0;
    };
    if (ends_with(".ply")) return read_ply(bytes, path);
    if (ends_with(".obj")) return read_obj(bytes, path);
    throw std::runtime_error(path + ": the input name must end in .ply or .obj");
}

}  // namespace crt_encode
