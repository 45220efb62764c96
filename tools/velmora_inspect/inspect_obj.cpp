// OBJ inspection: counts, objects with their triangle ranges, materials, groups and the
// bounding box, as objmodel::load(path, false) and build_parts see them.
#include <algorithm>
#include <ostream>

#include "inspect.h"
#include "models/objmodel.h"

namespace {

void print_range(std::ostream& out, int first, int end) {
    if (end > first)
        out << "triangles " << first << "-" << end - 1 << " (" << end - first << ")";
    else
        out << "no triangles";
}

}  // namespace

int inspect_obj(const std::string& path, std::ostream& out) {
    objmodel model;
    if (!model.load(path, false)) {
        out << "velmora-inspect: cannot open " << path << "\n";
        return 1;
    }
    out << "OBJ " << path << "\n";
    out << "positions: " << model.position_count << "\n";
    out << "texture coordinates: " << model.texcoord_count << "\n";
    out << "normals: " << model.normal_count
        << (model.normal_count == 0 ? " (vertex normals generated from the faces)" : "") << "\n";
    out << "vertices after merging: " << model.vertices.size() << "\n";
    out << "triangles: " << model.triangle_count << "\n";
    if (model.dropped_faces > 0)
        out << "faces dropped (index 0 or beyond the elements read so far): " << model.dropped_faces << "\n";

    const int objects = model.object_count();
    out << "objects: " << objects << "\n";
    for (int j = 0; j < objects; ++j) {
        out << "  object " << j << ": ";
        print_range(out, model.object_starts[j], model.object_starts[j + 1]);
        out << "\n";
    }
    if (objects == 0) out << "  (no o line: draw_object draws nothing; build_parts makes one part of every triangle)\n";
    const int starts = static_cast<int>(model.object_starts.size());
    out << "parts (build_parts): " << std::min(starts, objmodel::kMaxParts);
    if (starts > objmodel::kMaxParts)
        out << " (" << starts << " object starts: only the first " << objmodel::kMaxParts << " become parts)";
    out << "\n";

    out << "materials: " << model.material_count << "\n";
    for (int i = 0; i < static_cast<int>(model.materials.size()); ++i) {
        const objmaterial& m = model.materials[i];
        out << "  material " << i << " \"" << m.name << "\": Kd " << m.diffuse[0] << " " << m.diffuse[1] << " "
            << m.diffuse[2] << ", alpha " << m.alpha << ", shininess " << m.shininess;
        if (!m.diffuse_texture.empty()) out << ", map_Kd " << m.diffuse_texture;
        if (!m.bump_texture.empty()) out << ", map_bump " << m.bump_texture;
        out << "\n";
    }
    out << "groups: " << model.group_count << "\n";
    for (int i = 0; i < model.group_count; ++i) {
        const objgroup& g = model.groups[i];
        const int first = g.first_index / 3;
        out << "  group " << i << ": ";
        print_range(out, first, first + g.triangle_count);
        out << ", material " << g.material;
        if (g.material >= 0 && g.material < static_cast<int>(model.materials.size()))
            out << " \"" << model.materials[g.material].name << "\"";
        out << "\n";
    }
    if (model.vertices.empty()) {
        out << "bounding box: empty (no vertex)\n";
    } else {
        out << "bounding box: min (" << model.centre[0] - model.size[0] / 2 << ", " << model.centre[1] - model.size[1] / 2
            << ", " << model.centre[2] - model.size[2] / 2 << ") max (" << model.centre[0] + model.size[0] / 2 << ", "
            << model.centre[1] + model.size[1] / 2 << ", " << model.centre[2] + model.size[2] / 2 << ")\n";
        out << "centre: (" << model.centre[0] << ", " << model.centre[1] << ", " << model.centre[2] << ") size: ("
            << model.size[0] << ", " << model.size[1] << ", " << model.size[2] << ")\n";
    }
    return 0;
}
