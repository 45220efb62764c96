// Places the body parts the way body::draw_joint does, in double precision.
#include "figure_pose.h"

#include <cmath>
#include <map>

namespace geometry_test {

namespace {

Mat fromFloat(const mat4& m) {
    Mat r;
    for (int i = 0; i < 16; ++i) r[i] = m[i];
    return r;
}

void place(const joint* j, const Mat& parent, int frame, const objmodel& parts, std::vector<PlacedPart>& out) {
    // S * rest * local, the local matrix's translation rotated by S * rest.
    const Mat m = multiply(multiply(parent, fromFloat(j->matrices[0])), fromFloat(j->matrices[frame]));
    if (const body_part_placement* p = body_part_for(j->name)) {
        PlacedPart part;
        part.joint = j->name;
        part.parent = j->parent ? j->parent->name : "";
        part.object = p->object;
        const double k = 42.596;
        part.placement = apply(m, {{Step::kScale, k, -k, k, 0},
                                   {Step::kTranslate, p->translation[0], p->translation[1], p->translation[2], 0},
                                   {Step::kScale, p->scale, p->scale, p->scale, 0}});
        // Normals go through the inverse transpose, which for a rotation times a uniform
        // scale and the y mirror (its own inverse transpose) is the matrix up to scale.
        const Mat& a = part.placement;
        const int first = parts.object_starts[p->object], last = parts.object_starts[p->object + 1];
        std::map<uint32_t, int> local;
        for (int t = first; t < last; ++t) {
            std::array<int, 3> tri;
            for (int c = 0; c < 3; ++c) {
                const uint32_t v = parts.indices[3 * t + c];
                auto it = local.find(v);
                if (it == local.end()) {
                    const objvertex& ov = parts.vertices[v];
                    const auto q = transform(a, {ov.position[0], ov.position[1], ov.position[2]});
                    part.points.push_back({q[0], q[1], q[2]});
                    Vec n;
                    for (int r = 0; r < 3; ++r)
                        n[r] = a[r] * ov.normal[0] + a[4 + r] * ov.normal[1] + a[8 + r] * ov.normal[2];
                    const double l = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
                    part.normals.push_back({n[0] / l, n[1] / l, n[2] / l});
                    it = local.emplace(v, static_cast<int>(part.points.size()) - 1).first;
                }
                tri[c] = it->second;
            }
            part.triangles.push_back(tri);
        }
        out.push_back(std::move(part));
    }
    for (const joint* c : j->children)
        if (!c->children.empty()) place(c, m, frame, parts, out);
}

}  // namespace

std::vector<PlacedPart> placeFigure(const skeleton& s, const objmodel& parts, int frame) {
    std::vector<PlacedPart> out;
    place(s.root, identity(), frame, parts, out);
    return out;
}

}  // namespace geometry_test
