// crt_size_table [--double-sided] FILE|FOLDER...: every PLY and OBJ mesh given, encoded by crt-encode's
// defaults and by Draco at the same quantisation bits, as one Markdown table: sizes with
// all attributes and with positions alone, the normal mode crt chose and the worst angle
// between a decoded normal and the file's, and whether the round trip held. Draco gets the
// mesh as its own file loaders would give it (identical values and corners merged).
// --double-sided measures each mesh with every face followed by its mirror image, as
// exporters write surfaces meant to be seen from both sides.
#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "decoded_mesh.h"
#include "draco_mesh.h"
#include "encode_mesh.h"
#include "mesh_reader.h"

namespace {

constexpr int kPositionBits = 14, kNormalBits = 10, kUvBits = 12;

// Draco's bytes for the mesh with the same attributes crt stores, at the same bits, with
// identical values and corners merged as its own file loaders do.
size_t draco_size(const crt_encode::InputMesh& m, bool attributes, int speed) {
    const std::unique_ptr<draco::Mesh> mesh = crt_bench::draco_mesh(m, attributes);
    mesh->DeduplicateAttributeValues();
    mesh->DeduplicatePointIds();
    crt_bench::DracoBits bits;
    bits.position = kPositionBits;
    bits.normal = kNormalBits;
    bits.uv = kUvBits;
    return crt_bench::draco_encode(*mesh, speed, bits).size();
}

double degrees_between(const float* a, const float* b) {
    const double ax = a[0], ay = a[1], az = a[2], bx = b[0], by = b[1], bz = b[2];
    const double cx = ay * bz - az * by, cy = az * bx - ax * bz, cz = ax * by - ay * bx;
    return std::atan2(std::sqrt(cx * cx + cy * cy + cz * cz), ax * bx + ay * by + az * bz) * 180.0 / M_PI;
}

struct Result {
    size_t bytes = 0;
    size_t stored_vertices = 0;
    std::string mode;
    double worst_normal = -1.0;  // degrees; < 0 without normals
    bool exact = true;           // faces and every value within its quantisation step
};

// crt-encode's defaults, decoded again and compared with the file.
Result crt_result(const crt_encode::InputMesh& m, bool attributes) {
    crt_encode::EncodeSettings s;
    s.position_bits = kPositionBits;
    s.normal_bits = kNormalBits;
    s.uv_bits = kUvBits;
    s.normals = s.uvs = s.colors = attributes;
    const crt_encode::EncodedMesh e = crt_encode::encode_mesh(m, s);
    Result r;
    r.bytes = e.bytes.size();
    const std::vector<uint32_t>& order = e.code.vertex_order;
    r.stored_vertices = order.size();
    const crt_decode::DecodedMesh d = crt_decode::decode_stream(e.bytes);
    if (d.face_count != m.face_count() || d.vertex_count != order.size()) {
        r.exact = false;
        return r;
    }
    // Faces: each decoded face maps back, corner by corner, to its input face's corners
    // (merged corners stand for one another).
    const auto same_vertex = [&](uint32_t a, uint32_t b) { return e.merged_into[a] == e.merged_into[b]; };
    for (uint32_t f = 0; f < d.face_count && r.exact; ++f) {
        const uint32_t* in = &m.faces[size_t(e.code.face_order[f]) * 3];
        const uint32_t out[3] = {order[d.indices[3 * f]], order[d.indices[3 * f + 1]], order[d.indices[3 * f + 2]]};
        bool found = false;
        for (int rot = 0; rot < 3 && !found; ++rot)
            found = same_vertex(in[0], out[rot]) && same_vertex(in[1], out[(rot + 1) % 3]) &&
                    same_vertex(in[2], out[(rot + 2) % 3]);
        r.exact = found;
    }
    for (size_t i = 0; i < order.size() && r.exact; ++i)
        for (int j = 0; j < 3; ++j)
            if (!(std::fabs(m.positions[order[i] * 3 + j] - d.positions[i * 3 + j]) <=
                  e.position_step * 0.5f * 1.0001f + std::fabs(m.positions[order[i] * 3 + j]) * 3e-7f))
                r.exact = false;
    if (e.normal_unit) {
        r.mode = e.normal_mode == crt::NormalAttr::differential ? "diff"
                 : e.normal_mode == crt::NormalAttr::estimated  ? "estimated"
                                                                : "border";
        r.worst_normal = 0.0;
        for (size_t i = 0; i < order.size(); ++i) {
            const float* n = &m.normals[order[i] * 3];
            if (n[0] == 0.0f && n[1] == 0.0f && n[2] == 0.0f) continue;  // no direction to keep
            r.worst_normal = std::max(r.worst_normal, degrees_between(n, &d.normals[i * 3]));
        }
    }
    return r;
}

void collect(const std::string& path, std::vector<std::string>& files) {
    struct stat st;
    if (stat(path.c_str(), &st) != 0) return;
    if (!S_ISDIR(st.st_mode)) {
        files.push_back(path);
        return;
    }
    std::vector<std::string> names;
    if (DIR* dir = opendir(path.c_str())) {
        while (const dirent* e = readdir(dir)) {
            std::string name = e->d_name;
            std::string lower = name;
            for (char& c : lower) c = char(std::tolower(static_cast<unsigned char>(c)));
            if (lower.size() > 4 && (lower.rfind(".ply") == lower.size() - 4 || lower.rfind(".obj") == lower.size() - 4))
                names.push_back(path + "/" + name);
        }
        closedir(dir);
    }
    std::sort(names.begin(), names.end());
    files.insert(files.end(), names.begin(), names.end());
}

double median(std::vector<double> v) {
    if (v.empty()) return 0.0;
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2.0;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> files;
    bool double_sided = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--double-sided") == 0) double_sided = true;
        else collect(argv[i], files);
    }
    if (files.empty()) {
        std::fprintf(stderr, "usage: crt_size_table [--double-sided] FILE|FOLDER...  (PLY and OBJ meshes)\n");
        return 2;
    }
    std::printf("Positions %d bits, normals %d bits, uvs %d bits, colours 8 bits, on both sides; Draco at speed 3 "
                "(its command line's default) and 0 (its smallest).\n\n",
                kPositionBits, kNormalBits, kUvBits);
    std::printf("| file | triangles | vertices in / stored | attributes | crt | Draco 3 | Draco 0 | crt / Draco 3 | "
                "normals | worst normal ° | positions: crt | Draco 3 | crt / Draco 3 | round trip |\n");
    std::printf("|---|---|---|---|---|---|---|---|---|---|---|---|---|---|\n");
    std::vector<double> ratios, position_ratios;
    int failures = 0;
    for (const std::string& file : files) {
        crt_encode::InputMesh m;
        try {
            m = crt_encode::read_mesh(file);
        } catch (const std::exception& e) {
            std::printf("| %s | not read: %s |\n", file.c_str(), e.what());
            continue;
        }
        if (m.face_count() == 0) continue;
        if (double_sided) {
            std::vector<uint32_t> both;
            for (size_t f = 0; f < m.face_count(); ++f) {
                const uint32_t* c = &m.faces[f * 3];
                both.insert(both.end(), {c[0], c[1], c[2], c[0], c[2], c[1]});
            }
            m.faces.swap(both);
            m.runs.clear();
        }
        std::string attributes = "p";
        if (!m.normals.empty()) attributes += "n";
        if (!m.uvs.empty()) attributes += "t";
        if (!m.colors.empty()) attributes += "c";
        try {
            const Result all = crt_result(m, true), positions = crt_result(m, false);
            const size_t d3 = draco_size(m, true, 3), d0 = draco_size(m, true, 0), p3 = draco_size(m, false, 3);
            const double ratio = d3 ? double(all.bytes) / double(d3) : 0.0;
            const double position_ratio = p3 ? double(positions.bytes) / double(p3) : 0.0;
            if (m.face_count() >= 1000) {
                ratios.push_back(ratio);
                position_ratios.push_back(position_ratio);
            }
            char normal[32] = "";
            if (all.worst_normal >= 0.0) std::snprintf(normal, sizeof normal, "%.3f", all.worst_normal);
            const bool exact = all.exact && positions.exact;
            failures += !exact;
            const char* base = std::strrchr(file.c_str(), '/');
            std::printf("| %s | %u | %u / %zu | %s | %zu | %zu | %zu | %.3f | %s | %s | %zu | %zu | %.3f | %s |\n",
                        base ? base + 1 : file.c_str(), m.face_count(), m.vertex_count(), all.stored_vertices,
                        attributes.c_str(), all.bytes, d3, d0, ratio, all.mode.c_str(), normal, positions.bytes, p3,
                        position_ratio, exact ? "exact" : "FAILED");
        } catch (const std::exception& e) {
            std::printf("| %s | encoding failed: %s |\n", file.c_str(), e.what());
            ++failures;
        }
    }
    std::printf("\nMeshes of 1000 triangles or more: %zu; median crt / Draco 3: %.3f with attributes, %.3f positions "
                "alone.\n",
                ratios.size(), median(ratios), median(position_ratios));
    return failures ? 1 : 0;
}
