// Vector math, placements and surface builders for the generated models.
#include "mesh.h"

#include <algorithm>
#include <cmath>

namespace velmora_data {

namespace {

const double kPi = 3.14159265358979323846;

double smoothstep(double u) { return u * u * (3 - 2 * u); }

// Half-widths of a limb profile at t, eased between the samples.
std::array<double, 2> profileAt(const LimbProfile& p, double t) {
    const auto& s = p.samples;
    if (t <= s.front()[0]) return {s.front()[1], s.front()[2]};
    for (size_t i = 1; i < s.size(); ++i) {
        if (t <= s[i][0]) {
            const double u = smoothstep((t - s[i - 1][0]) / (s[i][0] - s[i - 1][0]));
            return {s[i - 1][1] + (s[i][1] - s[i - 1][1]) * u, s[i - 1][2] + (s[i][2] - s[i - 1][2]) * u};
        }
    }
    return {s.back()[1], s.back()[2]};
}

// Keeps a triangle's winding facing away from an inside reference point.
std::array<int, 3> orientedAway(const Mesh& m, int a, int b, int c, Vec3 inside) {
    const Vec3 n = cross(m.positions[b] - m.positions[a], m.positions[c] - m.positions[a]);
    const Vec3 centroid = (m.positions[a] + m.positions[b] + m.positions[c]) * (1.0 / 3.0);
    if (dot(n, centroid - inside) < 0) return {a, c, b};
    return {a, b, c};
}

}  // namespace

double length(Vec3 a) { return std::sqrt(dot(a, a)); }

Vec3 normalize(Vec3 a) {
    const double l = length(a);
    return l > 1e-12 ? a * (1.0 / l) : a;
}

Vec3 Affine::point(Vec3 p) const { return vector(p) + t; }

Vec3 Affine::vector(Vec3 v) const {
    return {m[0] * v.x + m[1] * v.y + m[2] * v.z, m[3] * v.x + m[4] * v.y + m[5] * v.z,
            m[6] * v.x + m[7] * v.y + m[8] * v.z};
}

double Affine::determinant() const {
    return m[0] * (m[4] * m[8] - m[5] * m[7]) - m[1] * (m[3] * m[8] - m[5] * m[6]) +
           m[2] * (m[3] * m[7] - m[4] * m[6]);
}

Vec3 Affine::normal(Vec3 n) const {
    // The cofactor matrix is the inverse transpose up to the determinant, whose sign
    // must be kept so that mirrored normals still point outwards.
    const double c[9] = {m[4] * m[8] - m[5] * m[7], m[5] * m[6] - m[3] * m[8], m[3] * m[7] - m[4] * m[6],
                         m[2] * m[7] - m[1] * m[8], m[0] * m[8] - m[2] * m[6], m[1] * m[6] - m[0] * m[7],
                         m[1] * m[5] - m[2] * m[4], m[2] * m[3] - m[0] * m[5], m[0] * m[4] - m[1] * m[3]};
    const double s = determinant() < 0 ? -1.0 : 1.0;
    return normalize(Vec3{c[0] * n.x + c[1] * n.y + c[2] * n.z, c[3] * n.x + c[4] * n.y + c[5] * n.z,
                          c[6] * n.x + c[7] * n.y + c[8] * n.z} *
                     s);
}

Affine Affine::inverse() const {
    const double d = determinant();
    Affine r;
    r.m[0] = (m[4] * m[8] - m[5] * m[7]) / d;
    r.m[1] = (m[2] * m[7] - m[1] * m[8]) / d;
    r.m[2] = (m[1] * m[5] - m[2] * m[4]) / d;
    r.m[3] = (m[5] * m[6] - m[3] * m[8]) / d;
    r.m[4] = (m[0] * m[8] - m[2] * m[6]) / d;
    r.m[5] = (m[2] * m[3] - m[0] * m[5]) / d;
    r.m[6] = (m[3] * m[7] - m[4] * m[6]) / d;
    r.m[7] = (m[1] * m[6] - m[0] * m[7]) / d;
    r.m[8] = (m[0] * m[4] - m[1] * m[3]) / d;
    r.t = -r.vector(t);
    return r;
}

Affine operator*(const Affine& a, const Affine& b) {
    Affine r;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            r.m[3 * i + j] = a.m[3 * i] * b.m[j] + a.m[3 * i + 1] * b.m[3 + j] + a.m[3 * i + 2] * b.m[6 + j];
    r.t = a.point(b.t);
    return r;
}

Affine translation(Vec3 t) {
    Affine r;
    r.t = t;
    return r;
}

Affine scaling(Vec3 s) {
    Affine r;
    r.m[0] = s.x;
    r.m[4] = s.y;
    r.m[8] = s.z;
    return r;
}

Affine rotationAbout(Vec3 axis, double degrees) {
    const Vec3 a = normalize(axis);
    const double r = degrees * kPi / 180.0, c = std::cos(r), s = std::sin(r), t = 1 - c;
    Affine m;
    m.m[0] = a.x * a.x * t + c;
    m.m[1] = a.x * a.y * t - a.z * s;
    m.m[2] = a.x * a.z * t + a.y * s;
    m.m[3] = a.x * a.y * t + a.z * s;
    m.m[4] = a.y * a.y * t + c;
    m.m[5] = a.y * a.z * t - a.x * s;
    m.m[6] = a.x * a.z * t - a.y * s;
    m.m[7] = a.y * a.z * t + a.x * s;
    m.m[8] = a.z * a.z * t + c;
    return m;
}

Affine rotationX(double degrees) { return rotationAbout({1, 0, 0}, degrees); }
Affine rotationY(double degrees) { return rotationAbout({0, 1, 0}, degrees); }
Affine rotationZ(double degrees) { return rotationAbout({0, 0, 1}, degrees); }

Affine frameAlong(Vec3 origin, Vec3 dir, Vec3 xHint) {
    const Vec3 y = normalize(dir);
    Vec3 x = xHint - y * dot(xHint, y);
    if (length(x) < 1e-9) x = std::fabs(y.x) < 0.9 ? Vec3{1, 0, 0} - y * y.x : Vec3{0, 0, 1} - y * y.z;
    x = normalize(x);
    const Vec3 z = cross(x, y);
    Affine f;
    f.m[0] = x.x, f.m[1] = y.x, f.m[2] = z.x;
    f.m[3] = x.y, f.m[4] = y.y, f.m[5] = z.y;
    f.m[6] = x.z, f.m[7] = y.z, f.m[8] = z.z;
    f.t = origin;
    return f;
}

int Mesh::addVertex(Vec3 p, Vec3 n) {
    positions.push_back(p);
    normals.push_back(n);
    return static_cast<int>(positions.size()) - 1;
}

void addFlatTriangle(Mesh& mesh, Vec3 a, Vec3 b, Vec3 c, Vec3 outward) {
    const Vec3 n = normalize(outward);
    if (dot(cross(b - a, c - a), n) < 0) std::swap(b, c);
    const int i = mesh.addVertex(a, n), j = mesh.addVertex(b, n), k = mesh.addVertex(c, n);
    mesh.triangles.push_back({i, j, k});
}

void addFlatQuad(Mesh& mesh, Vec3 a, Vec3 b, Vec3 c, Vec3 d, Vec3 outward) {
    addFlatTriangle(mesh, a, b, c, outward);
    addFlatTriangle(mesh, a, c, d, outward);
}

void append(Mesh& to, const Mesh& from) {
    const int base = static_cast<int>(to.positions.size());
    to.positions.insert(to.positions.end(), from.positions.begin(), from.positions.end());
    to.normals.insert(to.normals.end(), from.normals.begin(), from.normals.end());
    if (!from.colours.empty() || !to.colours.empty()) {
        to.colours.resize(base, Vec3{1, 1, 1});
        if (from.colours.empty())
            to.colours.resize(to.positions.size(), Vec3{1, 1, 1});
        else
            to.colours.insert(to.colours.end(), from.colours.begin(), from.colours.end());
    }
    if (!from.uvs.empty() || !to.uvs.empty()) {
        to.uvs.resize(base, {0, 0});
        if (from.uvs.empty())
            to.uvs.resize(to.positions.size(), {0, 0});
        else
            to.uvs.insert(to.uvs.end(), from.uvs.begin(), from.uvs.end());
    }
    for (const auto& t : from.triangles) to.triangles.push_back({t[0] + base, t[1] + base, t[2] + base});
}

void transform(Mesh& mesh, const Affine& placement) {
    for (auto& p : mesh.positions) p = placement.point(p);
    for (auto& n : mesh.normals) n = placement.normal(n);
    if (placement.determinant() < 0)
        for (auto& t : mesh.triangles) std::swap(t[1], t[2]);
}

void smoothNormals(Mesh& mesh) {
    std::vector<Vec3> sum(mesh.positions.size());
    for (const auto& t : mesh.triangles) {
        const Vec3 n = cross(mesh.positions[t[1]] - mesh.positions[t[0]], mesh.positions[t[2]] - mesh.positions[t[0]]);
        for (int k : t) sum[k] = sum[k] + n;
    }
    mesh.normals.resize(mesh.positions.size());
    for (size_t i = 0; i < sum.size(); ++i) mesh.normals[i] = normalize(sum[i]);
}

Mesh tube(const std::vector<Ring>& rings, int segments) {
    Mesh m;
    const int n = static_cast<int>(rings.size());
    const auto shaped = [](double c, double power) {
        return power == 1.0 ? c : std::copysign(std::pow(std::fabs(c), power), c);
    };
    for (const auto& r : rings)
        for (int j = 0; j < segments; ++j) {
            const double a = 2 * kPi * j / segments;
            m.addVertex(r.centre + r.u * shaped(std::cos(a), r.power) + r.v * shaped(std::sin(a), r.power), {});
        }
    const auto at = [&](int i, int j) { return i * segments + (j % segments); };
    for (int i = 0; i + 1 < n; ++i) {
        const Vec3 inside = (rings[i].centre + rings[i + 1].centre) * 0.5;
        for (int j = 0; j < segments; ++j) {
            m.triangles.push_back(orientedAway(m, at(i, j), at(i, j + 1), at(i + 1, j + 1), inside));
            m.triangles.push_back(orientedAway(m, at(i, j), at(i + 1, j + 1), at(i + 1, j), inside));
        }
    }
    // Poles one step beyond the end rings, inside references one ring further in.
    const auto cap = [&](int ring, int inner, Vec3 pole) {
        const int p = m.addVertex(pole, {});
        for (int j = 0; j < segments; ++j)
            m.triangles.push_back(orientedAway(m, p, at(ring, j), at(ring, j + 1), rings[inner].centre));
    };
    if (n >= 2) {
        cap(0, 1, rings[0].centre);
        cap(n - 1, n - 2, rings[n - 1].centre);
    }
    smoothNormals(m);
    return m;
}

Mesh loop(const std::vector<Ring>& rings, int segments) {
    Mesh m;
    const int n = static_cast<int>(rings.size());
    for (const auto& r : rings)
        for (int j = 0; j < segments; ++j) {
            const double a = 2 * kPi * j / segments;
            m.addVertex(r.centre + r.u * std::cos(a) + r.v * std::sin(a), {});
        }
    const auto at = [&](int i, int j) { return (i % n) * segments + (j % segments); };
    for (int i = 0; i < n; ++i) {
        const Vec3 inside = (rings[i].centre + rings[(i + 1) % n].centre) * 0.5;
        for (int j = 0; j < segments; ++j) {
            m.triangles.push_back(orientedAway(m, at(i, j), at(i, j + 1), at(i + 1, j + 1), inside));
            m.triangles.push_back(orientedAway(m, at(i, j), at(i + 1, j + 1), at(i + 1, j), inside));
        }
    }
    smoothNormals(m);
    return m;
}

Mesh capsule(const std::vector<Ring>& core, int segments, double startCap, double endCap) {
    const int capRings = std::max(2, segments / 4);
    std::vector<Ring> out;
    const auto cap = [&](const Ring& end, const Ring& next, bool leading) {
        const Vec3 out_dir = normalize(end.centre - next.centre);
        const double depth = (length(end.u) + length(end.v)) * 0.5 * (leading ? startCap : endCap);
        for (int k = 1; k <= capRings; ++k) {
            const int step = leading ? k : capRings + 1 - k;  // near the pole first when leading
            const double th = kPi / 2 * (1.0 - static_cast<double>(step) / (capRings + 1));
            out.push_back({end.centre + out_dir * (depth * std::sin(th)), end.u * std::cos(th), end.v * std::cos(th),
                           end.power});
        }
        return end.centre + out_dir * depth;
    };
    const Vec3 first = cap(core[0], core[1], true);
    out.insert(out.end(), core.begin(), core.end());
    const Vec3 last = cap(core.back(), core[core.size() - 2], false);
    Mesh m = tube(out, segments);
    m.positions[m.positions.size() - 2] = first;  // the poles move out to the cap tips
    m.positions[m.positions.size() - 1] = last;
    smoothNormals(m);
    return m;
}

Mesh limb(Vec3 a, Vec3 b, Vec3 xHint, const LimbProfile& profile, int rings, int segments) {
    const Vec3 axis = b - a;
    const double len = length(axis);
    const Affine f = frameAlong(a, axis, xHint);
    const Vec3 x = f.vector({1, 0, 0}), y = f.vector({0, 1, 0}), z = f.vector({0, 0, 1});
    std::vector<Ring> core;
    for (int i = 0; i <= rings; ++i) {
        const double t = static_cast<double>(i) / rings;
        const auto h = profileAt(profile, t);
        core.push_back({a + y * (t * len), x * h[0], z * h[1]});
    }
    return capsule(core, segments);
}

Mesh ellipsoid(Vec3 centre, Vec3 r, int rings, int segments) {
    std::vector<Ring> out;
    for (int k = 1; k < rings; ++k) {
        const double lat = -kPi / 2 + kPi * k / rings;
        const double c = std::cos(lat);
        out.push_back({centre + Vec3{0, r.y * std::sin(lat), 0}, Vec3{r.x * c, 0, 0}, Vec3{0, 0, r.z * c}});
    }
    Mesh m = tube(out, segments);
    m.positions[m.positions.size() - 2] = centre - Vec3{0, r.y, 0};
    m.positions[m.positions.size() - 1] = centre + Vec3{0, r.y, 0};
    smoothNormals(m);
    return m;
}

Mesh torus(double majorRadius, double minorRadius, int around, int sides) {
    Mesh m;
    for (int i = 0; i < around; ++i) {
        const double a = 2 * kPi * i / around;
        const Vec3 radial{std::cos(a), 0, std::sin(a)};
        for (int j = 0; j < sides; ++j) {
            const double b = 2 * kPi * j / sides;
            const Vec3 n = radial * std::cos(b) + Vec3{0, std::sin(b), 0};
            m.addVertex(radial * majorRadius + n * minorRadius, n);
        }
    }
    const auto at = [&](int i, int j) { return (i % around) * sides + (j % sides); };
    for (int i = 0; i < around; ++i)
        for (int j = 0; j < sides; ++j) {
            const Vec3 inside = Vec3{std::cos(2 * kPi * (i + 0.5) / around), 0, std::sin(2 * kPi * (i + 0.5) / around)} *
                                majorRadius;
            m.triangles.push_back(orientedAway(m, at(i, j), at(i + 1, j), at(i + 1, j + 1), inside));
            m.triangles.push_back(orientedAway(m, at(i, j), at(i + 1, j + 1), at(i, j + 1), inside));
        }
    return m;
}

Mesh bevelledBox(Vec3 lo, Vec3 hi, double bevel) {
    Mesh m;
    const double c[3] = {(lo.x + hi.x) / 2, (lo.y + hi.y) / 2, (lo.z + hi.z) / 2};
    const double h[3] = {(hi.x - lo.x) / 2, (hi.y - lo.y) / 2, (hi.z - lo.z) / 2};
    const double in[3] = {h[0] - bevel, h[1] - bevel, h[2] - bevel};
    const auto P = [&](const double v[3]) { return Vec3{c[0] + v[0], c[1] + v[1], c[2] + v[2]}; };
    const auto N = [](const double v[3]) { return Vec3{v[0], v[1], v[2]}; };
    for (int a = 0; a < 3; ++a)  // faces
        for (int s = -1; s <= 1; s += 2) {
            const int b = (a + 1) % 3, d = (a + 2) % 3;
            double q[4][3], n[3] = {0, 0, 0};
            n[a] = s;
            const int signs[4][2] = {{-1, -1}, {1, -1}, {1, 1}, {-1, 1}};
            for (int k = 0; k < 4; ++k) {
                q[k][a] = s * h[a];
                q[k][b] = signs[k][0] * in[b];
                q[k][d] = signs[k][1] * in[d];
            }
            addFlatQuad(m, P(q[0]), P(q[1]), P(q[2]), P(q[3]), N(n));
        }
    if (bevel <= 0) return m;
    for (int a = 0; a < 3; ++a)  // edges between face a and face b, running along d
        for (int sa = -1; sa <= 1; sa += 2)
            for (int sb = -1; sb <= 1; sb += 2) {
                const int b = (a + 1) % 3, d = (a + 2) % 3;
                double q[4][3], n[3] = {0, 0, 0};
                n[a] = sa, n[b] = sb;
                const int along[4] = {-1, -1, 1, 1};
                for (int k = 0; k < 4; ++k) {
                    const bool onA = k == 0 || k == 3;
                    q[k][a] = sa * (onA ? h[a] : in[a]);
                    q[k][b] = sb * (onA ? in[b] : h[b]);
                    q[k][d] = along[k] * in[d];
                }
                addFlatQuad(m, P(q[0]), P(q[1]), P(q[2]), P(q[3]), N(n));
            }
    for (int sx = -1; sx <= 1; sx += 2)  // corners
        for (int sy = -1; sy <= 1; sy += 2)
            for (int sz = -1; sz <= 1; sz += 2) {
                const double s[3] = {double(sx), double(sy), double(sz)};
                double q[3][3];
                for (int k = 0; k < 3; ++k)
                    for (int a = 0; a < 3; ++a) q[k][a] = s[a] * (a == k ? h[a] : in[a]);
                addFlatTriangle(m, P(q[0]), P(q[1]), P(q[2]), N(s));
            }
    return m;
}

}  // namespace velmora_data
