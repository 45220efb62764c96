// The figure's body-part objects. Each part is shaped in its joint's frame, spanning
// from the joint to its child at the rest offsets of the walk's skeleton, and then
// written in the coordinates that the part table's placement (scale 42.596, y mirror,
// the row's translation and scale) takes back to that frame.
#include <array>
#include <utility>
#include <string>
#include <utility>
#include <vector>

#include "body_layout.h"
#include "scene_models.h"

namespace velmora_data {

namespace {

struct Detail {
    int rings, segments;
};

Mesh limbPart(Vec3 a, Vec3 b, Vec3 xHint, std::vector<std::array<double, 3>> samples, Detail d) {
    LimbProfile p;
    p.samples = std::move(samples);
    return limb(a, b, xHint, p, d.rings, d.segments);
}

// Rings along y (height, half-width, half-depth, centre z), rounded at both ends.
Mesh trunkPart(const std::vector<std::array<double, 4>>& keys, Detail d, double bottomCap, double topCap) {
    std::vector<Ring> core;
    const int n = d.rings * 2;
    for (int i = 0; i <= n; ++i) {
        const double y = keys.front()[0] + (keys.back()[0] - keys.front()[0]) * i / n;
        size_t k = 1;
        while (k + 1 < keys.size() && y > keys[k][0]) ++k;
        double u = (y - keys[k - 1][0]) / (keys[k][0] - keys[k - 1][0]);
        u = u * u * (3 - 2 * u);
        const auto mix = [&](int c) { return keys[k - 1][c] + (keys[k][c] - keys[k - 1][c]) * u; };
        core.push_back({{0, y, mix(3)}, {mix(1), 0, 0}, {0, 0, mix(2)}, 0.85});
    }
    return capsule(core, d.segments * 2, bottomCap, topCap);
}

Mesh head(Detail d) {
    Mesh m = ellipsoid({0, 6.5, 0.5}, {7.4, 9.5, 9.3}, d.rings + 4, d.segments * 2);  // cranium
    append(m, ellipsoid({0, 0.5, 3.5}, {5.6, 6.5, 6.2}, d.rings + 2, d.segments * 2));  // face and jaw
    append(m, ellipsoid({0, 3.5, 9.3}, {1.1, 2.2, 1.4}, d.rings / 2 + 2, d.segments));   // nose
    return m;
}

Mesh chest(Detail d) {
    Mesh m = trunkPart({{-4, 13.0, 8.8, 0.5}, {3, 14.0, 9.6, 1.0}, {9, 14.8, 10.0, 1.3}, {15, 15.6, 9.0, 0.3},
                        {19, 15.0, 7.2, -0.6}, {23, 7.0, 4.5, -0.8}},
                       d, 1.0, 0.5);
    for (double side : {1.0, -1.0}) append(m, ellipsoid({side * 5.5, 8, 8.5}, {5.0, 4.8, 4.2}, d.rings, d.segments));
    return m;
}

Mesh abdomen(Detail d) {
    return trunkPart({{-14, 8.0, 7.0, 0.5}, {-10, 15.5, 9.5, 0.0}, {-5, 15.5, 9.8, -0.3}, {0, 14.0, 9.2, 0.2},
                      {6, 12.3, 8.4, 0.8}, {12, 12.8, 8.6, 1.0}, {19, 13.5, 8.8, 0.5}},
                     d, 0.6, 0.5);
}

Mesh foot(Detail d) {
    // Along z from heel to toe; every ring's lowest point lies on the sole, 7 below
    // the ankle. (z, half-width, half-height, centre y)
    const std::vector<std::array<double, 4>> keys = {{-5.5, 2.8, 3.2, -3.8}, {-2, 3.4, 4.2, -2.8}, {3, 4.0, 3.3, -3.7},
                                                     {9, 4.4, 2.3, -4.7},    {13, 4.3, 1.8, -5.2}, {15.5, 3.4, 1.5, -5.5}};
    std::vector<Ring> core;
    const int n = d.rings * 2;
    for (int i = 0; i <= n; ++i) {
        const double z = keys.front()[0] + (keys.back()[0] - keys.front()[0]) * i / n;
        size_t k = 1;
        while (k + 1 < keys.size() && z > keys[k][0]) ++k;
        const double u = (z - keys[k - 1][0]) / (keys[k][0] - keys[k - 1][0]);
        const auto mix = [&](int c) { return keys[k - 1][c] + (keys[k][c] - keys[k - 1][c]) * u; };
        core.push_back({{0, mix(3), z}, {mix(1), 0, 0}, {0, mix(2), 0}, 0.75});
    }
    return capsule(core, d.segments, 0.6, 0.6);
}

Vec3 offsetOf(const char* joint) { return figureJoints()[figureJointIndex(joint)].offset; }

const PartRow& row(const char* joint) {
    for (const auto& r : partRows())
        if (std::string(r.joint) == joint) return r;
    return partRows().front();
}

// The part as the object file stores it: joint-frame shape taken through the inverse
// of the row's placement. The placement mirrors y, so the triangles keep the winding
// they have where they are drawn (counter-clockwise seen from outside on screen); the
// normals are written out and need no winding.
Mesh stored(Mesh shape, const PartRow& placement) {
    transform(shape, partToJoint(placement).inverse());
    for (auto& t : shape.triangles) std::swap(t[1], t[2]);
    return shape;
}

Mesh upperArm(double side, Detail d) {
    const Vec3 elbow = offsetOf(side > 0 ? "lForeArm" : "rForeArm");
    return limbPart({0, 1, 0}, elbow, {1, 0, 0}, {{0, 5.0, 5.4}, {0.25, 4.6, 4.9}, {1, 3.6, 3.8}}, d);
}

}  // namespace

std::vector<std::pair<std::string, Mesh>> buildBodyParts(bool tiny) {
    const Detail d = tiny ? Detail{4, 8} : Detail{10, 16};
    const Vec3 x{1, 0, 0}, y{0, 1, 0};

    const Vec3 shinTop = shinShift(false), shinBottom = shinTop + Vec3{0, -41, 0};
    const Mesh shin =
        limbPart(shinTop, shinBottom, x, {{0, 4.6, 4.8}, {0.28, 4.8, 5.4}, {0.75, 3.2, 3.4}, {1, 2.8, 3.0}}, d);
    const Mesh thigh = limbPart({0, 3, 0}, {0, -42, 0}, x, {{0, 7.6, 8.0}, {0.35, 6.8, 7.2}, {0.8, 5.2, 5.4}, {1, 4.7, 5.0}}, d);
    const auto collar = [&](double side) {
        return limbPart({0, 0, 0}, offsetOf(side > 0 ? "lShldr" : "rShldr"), y, {{0, 4.5, 4.5}, {0.6, 4.2, 5.0}, {1, 5.0, 5.2}},
                        d);
    };
    const auto forearm = [&](double side) {
        return limbPart({0, 0, 0}, offsetOf(side > 0 ? "lHand" : "rHand"), x, {{0, 3.6, 3.9}, {0.3, 3.7, 4.0}, {1, 2.4, 3.0}},
                        d);
    };
    const auto hand = [&](double side) {
        return limbPart({0, -1, 0}, {side * 0.5, -15, 0.5}, x, {{0, 1.8, 2.8}, {0.4, 1.7, 4.0}, {0.75, 1.4, 3.8}, {1, 1.1, 2.6}},
                        d);
    };
    PartRow pelvisRow{"hip", {0, 0, 0}, 1.0, 7};  // the hip has no row; this part is never drawn

    std::vector<std::pair<std::string, Mesh>> parts;
    parts.emplace_back("rFoot", stored(foot(d), row("rFoot")));
    parts.emplace_back("lFoot", stored(foot(d), row("lFoot")));
    parts.emplace_back("shin_spare", stored(shin, row("rShin")));
    parts.emplace_back("shin", stored(shin, row("rShin")));
    parts.emplace_back("rThigh", stored(thigh, row("rThigh")));
    parts.emplace_back("lThigh", stored(thigh, row("lThigh")));
    parts.emplace_back("abdomen", stored(abdomen(d), row("abdomen")));
    parts.emplace_back("pelvis_spare", stored(ellipsoid({0, -4, 0}, {15, 9, 9}, d.rings, d.segments), pelvisRow));
    parts.emplace_back("rHand", stored(hand(-1), row("rHand")));
    parts.emplace_back("lHand", stored(hand(1), row("lHand")));
    parts.emplace_back("rForeArm", stored(forearm(-1), row("rForeArm")));
    parts.emplace_back("lForeArm", stored(forearm(1), row("lForeArm")));
    parts.emplace_back("lShldr", stored(upperArm(1, d), row("lShldr")));
    parts.emplace_back("rShldr", stored(upperArm(-1, d), row("rShldr")));
    parts.emplace_back("rCollar", stored(collar(-1), row("rCollar")));
    parts.emplace_back("lCollar", stored(collar(1), row("lCollar")));
    parts.emplace_back("chest", stored(chest(d), row("chest")));
    parts.emplace_back("neck", stored(limbPart({0, -2, -0.5}, {0, 11, 1}, x, {{0, 5.2, 5.5}, {1, 4.6, 5.0}}, d), row("neck")));
    parts.emplace_back("head", stored(head(d), row("head")));
    return parts;
}

}  // namespace velmora_data
