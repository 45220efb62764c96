// The boxes, the canyon terrain, the plinth sculpture and the never-drawn ball.
#include <algorithm>
#include <array>
#include <cmath>

#include "noise.h"
#include "scene_models.h"

namespace velmora_data {

namespace {

const double kPi = 3.14159265358979323846;

double smoothstep(double e0, double e1, double x) {
    const double t = std::clamp((x - e0) / (e1 - e0), 0.0, 1.0);
    return t * t * (3 - 2 * t);
}

// Eased interpolation of keyed rows (key first), sampled at `at`.
template <size_t N>
std::array<double, N> keyed(const std::vector<std::array<double, N>>& keys, double at) {
    if (at <= keys.front()[0]) return keys.front();
    for (size_t i = 1; i < keys.size(); ++i)
        if (at <= keys[i][0]) {
            double u = (at - keys[i - 1][0]) / (keys[i][0] - keys[i - 1][0]);
            u = u * u * (3 - 2 * u);
            std::array<double, N> r;
            for (size_t k = 0; k < N; ++k) r[k] = keys[i - 1][k] + (keys[i][k] - keys[i - 1][k]) * u;
            return r;
        }
    return keys.back();
}

}  // namespace

// Small enough to float clear of the sculpture below it in the tower scene, which
// also lays a field of them at scale 0.4 every 7 units.
Mesh buildBox() { return bevelledBox({-1.2, -1.2, -1.2}, {1.2, 1.2, 1.2}, 0.14); }

Mesh buildWireBox() {
    // Beams along x run the full length and cover the corners; the y and z beams end
    // halfway into them, so no two beams share a face plane.
    const double w = 0.09, e = 1.0, h = w / 2;
    Mesh m;
    for (int a = -1; a <= 1; a += 2)
        for (int b = -1; b <= 1; b += 2) {
            append(m, bevelledBox({-e - w, a * e - w, b * e - w}, {e + w, a * e + w, b * e + w}, w * 0.35));
            append(m, bevelledBox({a * e - w, -e + h, b * e - w}, {a * e + w, e - h, b * e + w}, w * 0.35));
            append(m, bevelledBox({a * e - w, b * e - w, -e + h}, {a * e + w, b * e + w, e - h}, w * 0.35));
        }
    return m;
}

Mesh buildTerrain(bool tiny) {
    // A canyon: a low rolling valley along z where the camera flies (it drifts up to
    // 0.9 units off centre, 1 unit above the floor), walls rising towards both sides.
    // Each tile reaches from 0.54 in front of its origin to 1.2 behind it: the four
    // copies, laid 1.74 apart and coming towards the camera at 4 units a second, then
    // reach under the camera within a second of the scene's start and run out of view
    // only in its last second. The scene lays a flipped copy over
    // it as a ceiling, so the walls close the view sideways. The noise repeats along z
    // with the tile depth, so copies laid one behind another join.
    const int nx = tiny ? 40 : 80, nz = tiny ? 8 : 16;
    const double x0 = -5.0, x1 = 5.0;
    Mesh m;
    for (int j = 0; j <= nz; ++j)
        for (int i = 0; i <= nx; ++i) {
            const double x = x0 + (x1 - x0) * i / nx, z = kTerrainTileFront - kTerrainTileDepth * (1.0 - static_cast<double>(j) / nz);
            const double ax = std::fabs(x);
            const double valley = 0.26 * smoothstep(0.8, 3.8, ax);
            const double rough = 0.06 + 0.10 * smoothstep(0.6, 3.0, ax);
            const double n = fractalNoise(x * 0.9 + 7.3, z / kTerrainTileDepth * 4.0, 1234u, 4, 0, 4);
            m.addVertex({x, 0.01 + valley + rough * (n * 0.5 + 0.5), z}, {});
        }
    const auto at = [&](int i, int j) { return j * (nx + 1) + i; };
    for (int j = 0; j < nz; ++j)
        for (int i = 0; i < nx; ++i) {  // both wound to face +y
            m.triangles.push_back({at(i, j), at(i, j + 1), at(i + 1, j + 1)});
            m.triangles.push_back({at(i, j), at(i + 1, j + 1), at(i + 1, j)});
        }
    smoothNormals(m);
    return m;
}

Mesh buildSculpture270(bool tiny) {
    // Built with y up and +z towards the viewer, then turned z up and +x to the viewer.
    // The plinth stands on the ground level of the ant that the tower scene places in
    // front of it (at -1.118) and sits back so that the ant's legs stay clear of it.
    Mesh m = bevelledBox({-0.6, -1.118, -1.0}, {0.6, 0.0, -0.1}, 0.04);
    Mesh figure;
    // (height, half-width, half-depth, lean x, lean z): a standing draped figure whose
    // head stays below the box that the tower scene floats 3.2 units above the plinth.
    const std::vector<std::array<double, 5>> keys = {
        {0.03, 0.30, 0.27, 0.00, 0.00}, {0.18, 0.22, 0.20, 0.01, 0.00}, {0.54, 0.15, 0.14, 0.04, 0.01},
        {0.84, 0.26, 0.19, 0.05, 0.00}, {1.08, 0.18, 0.14, 0.03, -0.01}, {1.38, 0.30, 0.17, 0.00, -0.02},
        {1.51, 0.09, 0.09, -0.01, 0.00}, {1.67, 0.14, 0.16, -0.02, 0.03}, {1.83, 0.12, 0.14, -0.01, 0.02},
        {1.91, 0.06, 0.07, -0.01, 0.01}};
    const int rings = tiny ? 24 : 60, segments = tiny ? 12 : 32;
    std::vector<Ring> core;
    for (int i = 0; i <= rings; ++i) {
        const double y = keys.front()[0] + (keys.back()[0] - keys.front()[0]) * i / rings;
        const auto k = keyed(keys, y);
        const Affine twist = rotationY(35.0 * std::sin(kPi * y / 1.92));
        core.push_back({{k[3], y, k[4]}, twist.vector({k[1], 0, 0}), twist.vector({0, 0, k[2]}), 0.85});
    }
    append(figure, capsule(core, segments));
    Mesh halo = torus(0.45, 0.035, tiny ? 24 : 64, tiny ? 6 : 10);
    transform(halo, translation({0, 1.05, 0}) * rotationX(18) * rotationZ(-12));
    append(figure, halo);
    transform(figure, translation({0, 0, -0.55}));
    append(m, figure);
    Affine turn;  // (x, y, z) -> (z, x, y): a rotation, no mirror
    const double t[9] = {0, 0, 1, 1, 0, 0, 0, 1, 0};
    std::copy(t, t + 9, turn.m);
    transform(m, turn);
    return m;
}

Mesh buildTessellatedBall(bool tiny) { return ellipsoid({0, 0, 0}, {1, 1, 1}, tiny ? 8 : 16, tiny ? 16 : 32); }

}  // namespace velmora_data
