// objloader's read step: positions, per-position normals (from the file's vn lines where
// faces name them, area-weighted face normals elsewhere), MTL material groups and
// fan-triangulated faces with one-based indices.
#include "models/objloader.h"

#include <cmath>
#include <cstdio>
#include <map>

#include "models/obj_face.h"
#include "models/objmodel.h"
#include "models/text_scanner.h"
#include "platform/printable.h"

namespace {

vec3 read_vec3(text_scanner& scanner) {
    float v[3] = {0, 0, 0};
    for (float& c : v)
        if (!scanner.read_float(c)) break;
    scanner.skip_line();
    return {v[0], v[1], v[2]};
}

void add(vec3& a, const vec3& b) {
    a.x += b.x;
    a.y += b.y;
    a.z += b.z;
}

std::unique_ptr<meshgroup> group_for(const objmaterial* m) {
    auto g = std::make_unique<meshgroup>();
    if (!m) return g;
    for (int i = 0; i < 4; ++i) {
        g->ambient[i] = m->ambient[i];
        g->diffuse[i] = m->diffuse[i];
        g->specular[i] = m->specular[i];
    }
    // The MTL keeps Ns (0-1000) divided by 1000; GL_SHININESS takes 0-128.
    const float s = m->shininess * 128.0f;
    g->shininess = s < 0.0f ? 0.0f : s > 128.0f ? 128.0f : s;
    g->alpha = m->alpha;
    return g;
}

}  // namespace

objloader::objloader(const std::string& path) {
    const size_t cut = path.find_last_of('/');
    if (cut != std::string::npos) {
        directory = path.substr(0, cut + 1);
        file_name = path.substr(cut + 1);
    } else {
        file_name = path;
    }
    found = read(path);
    compute_bounds();
}

bool objloader::read(const std::string& path) {
    std::string text;
    std::string why;
    if (!read_text_file(path, text, &why)) {
        std::printf("objloader::read() : cannot open %s%s, the part stays empty\n", path.c_str(),
                    why.empty() ? "" : (": " + why).c_str());
        return false;
    }
    text_scanner scanner(std::move(text));
    std::vector<vec3> file_normals;
    int texcoord_count = 0;
    std::vector<objmaterial> materials;
    std::map<std::string, int32_t> names;
    int32_t material = -1;
    int dropped = 0, lacking_normals = 0;
    // Normals named by the faces, summed per position; positions no face names a normal
    // for get face normals instead.
    std::vector<vec3> named;
    std::vector<char> has_named;
    std::vector<face_corner> corners;
    std::string token;
    while (scanner.next_token(token)) {
        if (token == "v") {
            positions.push_back(read_vec3(scanner));
        } else if (token == "vn") {
            file_normals.push_back(read_vec3(scanner));
        } else if (token == "vt") {
            ++texcoord_count;
            scanner.skip_line();
        } else if (token == "mtllib") {
            std::string library, why;
            const std::string library_path = directory + first_word(scanner.rest_of_line());
            if (read_text_file(library_path, library, &why))
                materials = parse_material_library(library, names);
            else  // the part loads all the same: one line, so that a show maker sees why it looks wrong
                std::printf("objloader::read() : material library \"%s\"%s\n", platform::printable(library_path, 200).c_str(),
                            why.empty() ? " is missing; the part keeps the default material" : (": " + why).c_str());
        } else if (token == "usemtl") {
            const auto it = names.find(first_word(scanner.rest_of_line()));
            material = (it != names.end() && it->second < static_cast<int32_t>(materials.size())) ? it->second : -1;
            groups.push_back(group_for(material >= 0 ? &materials[material] : nullptr));
        } else if (token[0] == 'f') {
            read_face(scanner, corners);
            if (corners.size() < 3) continue;
            const int np = static_cast<int>(positions.size());
            named.resize(positions.size());
            has_named.resize(positions.size(), 0);
            std::vector<int> p(corners.size()), t(corners.size()), n(corners.size());
            bool bad = false;
            for (size_t i = 0; i < corners.size() && !bad; ++i) {
                p[i] = resolve_index(corners[i].v, np);
                t[i] = corners[i].has_vt ? resolve_index(corners[i].vt, texcoord_count) : -1;
                n[i] = corners[i].has_vn ? resolve_index(corners[i].vn, static_cast<int>(file_normals.size())) : -1;
                bad = p[i] < 0 || (corners[i].has_vt && t[i] < 0);
            }
            // A normal the file lacks leaves its position to the face normals, as if the
            // corner had named none.
            for (size_t i = 0; i < corners.size() && !bad; ++i) lacking_normals += corners[i].has_vn && n[i] < 0;
            if (bad) {
                ++dropped;
                continue;
            }
            for (size_t i = 0; i < corners.size(); ++i)
                if (n[i] >= 0) {
                    add(named[p[i]], file_normals[n[i]]);
                    has_named[p[i]] = 1;
                }
            if (groups.empty()) groups.push_back(group_for(nullptr));
            for (size_t i = 2; i < corners.size(); ++i) {
                const size_t c[3] = {0, i - 1, i};
                meshface f{};
                for (int k = 0; k < 3; ++k) {
                    f.position[k] = p[c[k]] + 1;
                    f.texcoord[k] = t[c[k]] + 1;
                }
                f.material = material;
                groups.back()->faces.push_back(f);
            }
        } else {
            scanner.skip_line();
        }
    }
    if (dropped > 0)
        std::printf("objloader::read() : %d face(s) with an index out of range dropped in %s\n", dropped, path.c_str());
    if (lacking_normals > 0)
        std::printf("objloader::read() : %d face corner(s) of %s name normals the file does not define; face normals "
                    "stand in\n",
                    lacking_normals, path.c_str());

    // One normal per position.
    named.resize(positions.size());
    has_named.resize(positions.size(), 0);
    normals = named;
    for (const auto& g : groups)
        for (const meshface& f : g->faces) {
            const vec3& a = positions[f.position[0] - 1];
            const vec3& b = positions[f.position[1] - 1];
            const vec3& c = positions[f.position[2] - 1];
            const vec3 u{b.x - a.x, b.y - a.y, b.z - a.z}, v{c.x - a.x, c.y - a.y, c.z - a.z};
            const vec3 face{u.y * v.z - u.z * v.y, u.z * v.x - u.x * v.z, u.x * v.y - u.y * v.x};
            for (int k = 0; k < 3; ++k)
                if (!has_named[f.position[k] - 1]) add(normals[f.position[k] - 1], face);
        }
    for (vec3& n : normals) n = normalized(n);

    // Groups left empty by consecutive usemtl lines draw nothing; drop them.
    std::vector<std::unique_ptr<meshgroup>> kept;
    for (auto& g : groups)
        if (!g->faces.empty()) kept.push_back(std::move(g));
    groups = std::move(kept);
    for (const auto& g : groups)
        if (g->alpha < 1.0f) use_material_alpha = true;
    return true;
}

void objloader::compute_bounds() {
    if (!positions.empty()) bounding_box(positions.data(), positions.size(), centre, size);
}
