// objmodel::load: the counting pass that sizes every list (and reads the material
// libraries), then the filling pass that reads positions, colours, texture coordinates,
// normals, objects, materials and faces, merging identical corners into one vertex.
#include <cstdio>
#include <cstring>
#include <iostream>

#include "models/obj_face.h"
#include "models/objmodel.h"
#include "models/text_scanner.h"
#include "platform/runtime_random.h"

objmodel::objmodel() {
    for (int i = 0; i < kMaxParts; ++i) parts[i].number = i;
}

objmodel::~objmodel() { release_parts(); }

int objmodel::object_count() const {
    return object_starts.size() > 1 ? static_cast<int>(object_starts.size()) - 1 : 0;
}

void objmodel::reset() {
    object_counter = -1;
    groups.clear();
    materials.clear();
    vertices.clear();
    indices.clear();
    triangle_materials.clear();
    raw_positions.clear();
    raw_colours.clear();
    raw_texcoords.clear();
    raw_normals.clear();
    material_names.clear();
    position_map.clear();
    object_starts.clear();
    group_count = material_count = 0;
    position_count = texcoord_count = normal_count = triangle_count = 0;
    has_positions = has_texcoords = has_normals = false;
    loaded = false;
    dropped_faces = 0;
    missing_normal_corners = 0;
    normal_missing.clear();
    centre[0] = centre[1] = centre[2] = 0;
    size[0] = size[1] = size[2] = 0;
    for (int i = 0; i < 3; ++i) {
        part_box_min[i] = 100000;
        part_box_max[i] = -100000;
    }
    // Parts of an earlier model must not be drawn with this one; their GL names are kept
    // and re-specified by the next build_parts.
    part_count = 0;
    for (int i = 0; i < kMaxParts; ++i) {
        objpart& p = parts[i];
        p.number = i;
        p.vertex_count = p.index_count = 0;
        p.positions.clear();
        p.texcoords.clear();
        p.colours.clear();
        p.normals.clear();
        p.indices.clear();
    }
}

bool objmodel::load(const std::string& path, bool gpu_parts) {
    std::cout << "Import.. " << path << std::endl;
    reset();
    gpu = gpu_parts;
    std::string text;
    std::string why;
    if (!read_text_file(path, text, &why)) {
        std::printf("objmodel::load() : cannot open %s%s, the model stays empty\n", path.c_str(),
                    why.empty() ? "" : (": " + why).c_str());
        return false;
    }
    loaded = true;

    directory.clear();
    size_t cut = path.find_last_of('\\');
    if (cut == std::string::npos) cut = path.find_last_of('/');
    if (cut != std::string::npos) directory = path.substr(0, cut + 1);

    text_scanner scanner(std::move(text));
    counting_pass(scanner);
    scanner.rewind();
    filling_pass(scanner);

    build_groups();
    compute_centre_and_size();
    if (!has_normals) {
        generate_normals();
    } else if (missing_normal_corners > 0) {
        generate_normals(&normal_missing);
    }
    if (indices.empty())
        std::printf("objmodel::load() : %s yielded no triangles (empty, cut short or not an OBJ file)\n", path.c_str());
    if (missing_normal_corners > 0)
        std::printf("objmodel::load() : %d face corner(s) of %s name normals the file does not define; their normals "
                    "are generated from the faces\n",
                    missing_normal_corners, path.c_str());
    if (dropped_faces > 0)
        std::printf("objmodel::load() : %d face(s) with an index of 0 or beyond the elements read so far dropped in %s\n",
                    dropped_faces, path.c_str());
    if (gpu) build_parts();
    return true;
}

void objmodel::counting_pass(text_scanner& scanner) {
    std::string token;
    std::vector<face_corner> corners;
    int64_t triangles = 0;
    while (scanner.next_token(token)) {
        switch (token[0]) {
        case 'f':
            read_face(scanner, corners);
            if (corners.size() >= 3) triangles += static_cast<int64_t>(corners.size()) - 2;
            break;
        case 'm':
            load_materials(directory + first_word(scanner.rest_of_line()));
            break;
        case 'v':
            if (token == "v")
                ++position_count;
            else if (token == "vn")
                ++normal_count;
            else if (token == "vt")
                ++texcoord_count;
            scanner.skip_line();
            break;
        default:
            scanner.skip_line();
        }
    }
    has_positions = position_count > 0;
    has_normals = normal_count > 0;
    has_texcoords = texcoord_count > 0;
    // Sized once here; the filling pass appends within these capacities for a sound file
    // and grows safely for one whose lines the two passes read differently.
    raw_positions.reserve(3 * static_cast<size_t>(position_count));
    raw_colours.reserve(3 * static_cast<size_t>(position_count));
    raw_texcoords.reserve(2 * static_cast<size_t>(texcoord_count));
    raw_normals.reserve(3 * static_cast<size_t>(normal_count));
    indices.reserve(3 * static_cast<size_t>(triangles));
    triangle_materials.reserve(static_cast<size_t>(triangles));
    if (material_count == 0) {
        materials.push_back(default_material("default"));
        material_names["default"] = 0;
        material_count = 1;
    }
}

namespace {

// Appends n values of init and reads up to n numbers into them ("%f %f ..." semantics:
// a value that does not convert stays as it was and ends the read).
void read_numbers(text_scanner& scanner, std::vector<float>& list, int n, float init) {
    const size_t first = list.size();
    list.insert(list.end(), n, init);
    for (int i = 0; i < n; ++i)
        if (!scanner.read_float(list[first + i])) break;
}

}  // namespace

void objmodel::filling_pass(text_scanner& scanner) {
    // Later rand() calls elsewhere in the show start from this state.
    platform::runtime_srand(123456);
    std::string token;
    std::vector<face_corner> corners;
    int32_t material = 0;
    while (scanner.next_token(token)) {
        if (token == "v") {
            // Up to six numbers: the position, then an optional colour.
            const size_t first = raw_positions.size();
            raw_positions.insert(raw_positions.end(), 3, 0.0f);
            raw_colours.insert(raw_colours.end(), 3, 1.0f);
            for (int i = 0; i < 6; ++i) {
                float& target = i < 3 ? raw_positions[first + i] : raw_colours[first + i - 3];
                if (!scanner.read_float(target)) break;
            }
        } else if (token == "vt") {
            read_numbers(scanner, raw_texcoords, 2, 0.0f);
        } else if (token == "vn") {
            read_numbers(scanner, raw_normals, 3, 0.0f);
        } else {
            switch (token[0]) {
            case 'o':
                object_starts.push_back(static_cast<int32_t>(indices.size() / 3));
                // The whole line is the name: a name with spaces (or none at all) must not
                // leave words behind that read as keywords.
                scanner.skip_line();
                ++object_counter;
                break;
            case 'u': {
                const auto it = material_names.find(first_word(scanner.rest_of_line()));
                // A second library may have fewer records than names entered by the first.
                material = (it != material_names.end() && it->second >= 0 &&
                            it->second < static_cast<int32_t>(materials.size()))
                               ? it->second
                               : 0;
                break;
            }
            case 'f':
                read_face(scanner, corners);
                add_face(corners, material);
                break;
            default:
                scanner.skip_line();
            }
        }
    }
    object_starts.push_back(static_cast<int32_t>(indices.size() / 3));
    position_count = static_cast<int32_t>(raw_positions.size() / 3);
    texcoord_count = static_cast<int32_t>(raw_texcoords.size() / 2);
    normal_count = static_cast<int32_t>(raw_normals.size() / 3);
    triangle_count = static_cast<int32_t>(indices.size() / 3);
}

void objmodel::add_face(const std::vector<face_corner>& corners, int32_t material) {
    if (corners.size() < 3) return;
    const int np = static_cast<int>(raw_positions.size() / 3);
    const int nt = static_cast<int>(raw_texcoords.size() / 2);
    const int nn = static_cast<int>(raw_normals.size() / 3);
    std::vector<uint32_t> numbers;
    numbers.reserve(corners.size());
    // Resolve every corner first so that a bad position or texture index drops the face
    // before any vertex is made; a normal the file lacks is generated instead.
    struct resolved { int p, t, n; bool lacks_normal; };
    std::vector<resolved> refs;
    refs.reserve(corners.size());
    for (const face_corner& c : corners) {
        resolved r{resolve_index(c.v, np), c.has_vt ? resolve_index(c.vt, nt) : -1,
                   c.has_vn ? resolve_index(c.vn, nn) : -1, false};
        r.lacks_normal = c.has_vn && r.n < 0;
        if (r.p < 0 || (c.has_vt && r.t < 0)) {
            ++dropped_faces;
            return;
        }
        refs.push_back(r);
    }
    for (const resolved& r : refs) {
        objvertex v{};
        std::memcpy(v.position, &raw_positions[3 * r.p], sizeof v.position);
        std::memcpy(v.colour, &raw_colours[3 * r.p], sizeof v.colour);
        if (r.t >= 0) std::memcpy(v.texcoord, &raw_texcoords[2 * r.t], sizeof v.texcoord);
        if (r.n >= 0) std::memcpy(v.normal, &raw_normals[3 * r.n], sizeof v.normal);
        v.object = object_counter;
        numbers.push_back(vertex_for(v, r.p));
        if (r.lacks_normal) {
            ++missing_normal_corners;
            normal_missing.resize(vertices.size(), 0);
            normal_missing[numbers.back()] = 1;
        }
    }
    // Fan: (first, previous, current) for every corner after the second.
    for (size_t i = 2; i < numbers.size(); ++i) {
        triangle_materials.push_back(material);
        indices.push_back(numbers[0]);
        indices.push_back(numbers[i - 1]);
        indices.push_back(numbers[i]);
    }
}

uint32_t objmodel::vertex_for(const objvertex& v, int32_t position) {
    std::vector<uint32_t>& users = position_map[position];
    for (uint32_t n : users)
        if (std::memcmp(&vertices[n], &v, sizeof v) == 0) return n;
    const uint32_t n = static_cast<uint32_t>(vertices.size());
    vertices.push_back(v);
    users.push_back(n);
    return n;
}
