// The two coloured sculptures of the gallery scene: a marble head on a stone block
// and a glazed knot on a stand. Both are shaped in the scene's view (right, up,
// towards the camera) and stored in the frames the scene draws them in.
#include <algorithm>
#include <cmath>

#include "noise.h"
#include "scene_models.h"

namespace velmora_data {

namespace {

const double kPi = 3.14159265358979323846;

// The scene draws the first sculpture through scale (1, 1, -1) and looks along +x
// from x = -2 with y up: right on screen is -z of the file, towards the camera -x.
Affine viewToFirst() {
    Affine a;
    const double m[9] = {0, 0, -1, 0, 1, 0, -1, 0, 0};
    std::copy(m, m + 9, a.m);
    return a;
}

// The second is drawn after translate (0, 0, 1.3), rotate 27.85 about x, translate
// (0, 0, 1.3) in the first one's frame.
Affine viewToSecond() {
    const Affine placed = translation({0, 0, 1.3}) * rotationX(27.85) * translation({0, 0, 1.3});
    return placed.inverse() * viewToFirst();
}

Vec3 mix(Vec3 a, Vec3 b, double t) { return a + (b - a) * std::clamp(t, 0.0, 1.0); }

void colourStone(Mesh& m) {
    m.colours.resize(m.positions.size());
    for (size_t i = 0; i < m.positions.size(); ++i) {
        const Vec3 p = m.positions[i];
        const double n = valueNoise3(p.x * 0.8, p.y * 0.8, p.z * 0.8, 77u) * 0.5 + 0.5;
        m.colours[i] = mix({0.20, 0.19, 0.21}, {0.34, 0.32, 0.33}, n);
    }
}

void colourMarble(Mesh& m) {
    m.colours.resize(m.positions.size());
    for (size_t i = 0; i < m.positions.size(); ++i) {
        const Vec3 p = m.positions[i];
        double turb = 0, amp = 1, f = 0.18;
        for (int o = 0; o < 4; ++o, amp *= 0.5, f *= 2) turb += amp * valueNoise3(p.x * f, p.y * f, p.z * f, 31u + o);
        const double v = std::sin(0.45 * p.x + 0.3 * p.y + 0.15 * p.z + 3.0 * turb);
        const double vein = std::pow(1.0 - std::fabs(v), 14.0);
        const Vec3 base = mix({0.93, 0.91, 0.87}, {0.86, 0.84, 0.82}, turb * 0.5 + 0.5);
        m.colours[i] = mix(base, {0.42, 0.46, 0.55}, vein * 0.75);
    }
}

void colourGlaze(Mesh& m, const std::vector<double>& along, int segments) {
    const Vec3 palette[3] = {{0.10, 0.22, 0.58}, {0.13, 0.62, 0.66}, {0.88, 0.66, 0.24}};
    m.colours.resize(m.positions.size());
    for (size_t i = 0; i < m.positions.size(); ++i) {
        const double t = along[i / segments] * 3.0;  // three colour bands around the knot
        const int k = static_cast<int>(std::floor(t)) % 3;
        const double f = t - std::floor(t);
        const double e = f * f * (3 - 2 * f);
        const Vec3 p = m.positions[i];
        const double drip = valueNoise3(p.x * 1.5, p.y * 0.4, p.z * 1.5, 5u) * 0.12;
        const Vec3 c = mix(palette[k], palette[(k + 1) % 3], e + drip);
        const double sheen = 0.5 + 0.5 * std::cos(2 * kPi * static_cast<double>(i % segments) / segments);
        m.colours[i] = mix(c, {1, 1, 1}, 0.12 * sheen);
    }
}

// The show draws the sculptures with their vertex colours and no lighting, so a soft
// key light from the upper left front is baked into the colours to keep them round.
void bakeLight(Mesh& m) {
    const Vec3 light = normalize({-0.5, 0.7, 0.6});
    for (size_t i = 0; i < m.positions.size(); ++i) {
        const double d = dot(m.normals[i], light);
        const double shade = 0.42 + 0.58 * std::max(0.0, d) + 0.08 * std::max(0.0, -d);
        m.colours[i] = m.colours[i] * std::min(1.0, shade);
    }
}

void sphericalUvs(Mesh& m, Vec3 centre, double bottom, double height) {
    m.uvs.resize(m.positions.size());
    for (size_t i = 0; i < m.positions.size(); ++i) {
        const Vec3 d = m.positions[i] - centre;
        m.uvs[i] = {std::atan2(d.z, d.x) / (2 * kPi) + 0.5, std::clamp((m.positions[i].y - bottom) / height, 0.0, 1.0)};
    }
}

}  // namespace

// The gallery scene sends every vertex of both sculptures in immediate mode each frame,
// so they stay at a few thousand triangles each.
Mesh buildSculptureOne(bool tiny) {
    const int rings = tiny ? 10 : 32, segments = tiny ? 16 : 48;
    const Vec3 at{-12, 0, 0};  // left of the knot; the scene drifts both to the right
    Mesh block = bevelledBox(at + Vec3{-4, -10.5, -4}, at + Vec3{4, -6, 4}, 0.3);
    colourStone(block);
    LimbProfile neckShape;
    neckShape.samples = {{0, 2.2, 2.2}, {0.6, 1.8, 1.9}, {1, 1.9, 2.0}};
    Mesh marble = limb(at + Vec3{0, -6.5, 0}, at + Vec3{0, 1.0, 0.4}, {1, 0, 0}, neckShape, tiny ? 3 : 10, segments / 2);
    Mesh egg = ellipsoid({0, 0, 0}, {3.6, 5.0, 4.3}, rings, segments);  // a head leaning into its turn
    append(egg, ellipsoid({0, -0.3, 4.1}, {0.5, 1.2, 0.8}, rings / 3 + 2, segments / 4));  // nose
    append(egg, ellipsoid({0, -2.9, 3.2}, {1.4, 0.9, 1.0}, rings / 3 + 2, segments / 4));  // chin
    transform(egg, translation(at + Vec3{0, 4.5, 0.8}) * rotationZ(-12) * rotationX(-8));
    append(marble, egg);
    colourMarble(marble);
    Mesh m = block;
    append(m, marble);
    bakeLight(m);
    sphericalUvs(m, at, -10.5, 21);
    transform(m, viewToFirst());
    return m;
}

Mesh buildSculptureTwo(bool tiny) {
    const int around = tiny ? 60 : 180, segments = tiny ? 8 : 16;
    const Vec3 at{3, 1, 0};
    const double size = 2.3, tubeRadius = 1.15;
    const auto curve = [&](double t) {  // a (2, 3) torus knot in the screen plane
        const double r = 2 + std::cos(3 * t);
        return at + Vec3{r * std::cos(2 * t), r * std::sin(2 * t), -std::sin(3 * t)} * size;
    };
    std::vector<Ring> rings;
    std::vector<double> along;
    for (int i = 0; i < around; ++i) {
        const double t = 2 * kPi * i / around;
        const Vec3 tangent = normalize(curve(t + 1e-4) - curve(t - 1e-4));
        const Vec3 u = normalize(cross(tangent, {0, 0, 1}));  // the knot never runs along z
        const Vec3 v = cross(u, tangent);
        rings.push_back({curve(t), u * tubeRadius, v * tubeRadius});
        along.push_back(static_cast<double>(i) / around);
    }
    Mesh knot = loop(rings, segments);
    colourGlaze(knot, along, segments);

    Mesh stand = bevelledBox({at.x - 3, -10.5, -3}, {at.x + 3, -8.5, 3}, 0.25);
    LimbProfile rod;
    rod.samples = {{0, 0.45, 0.45}, {1, 0.4, 0.4}};
    append(stand, limb({at.x, -8.6, 0}, {at.x, at.y, 0}, {1, 0, 0}, rod, 4, tiny ? 8 : 16));
    colourStone(stand);
    Mesh m = stand;
    append(m, knot);
    bakeLight(m);
    sphericalUvs(m, at, -10.5, 21);
    transform(m, viewToSecond());
    return m;
}

}  // namespace velmora_data
