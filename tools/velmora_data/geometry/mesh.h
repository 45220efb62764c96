// Triangle meshes for the generated show models: the double-precision vector math,
// affine placement and surface builders (lofted tubes, flat facets) they share.
#pragma once
#include <array>
#include <vector>

namespace velmora_data {

struct Vec3 {
    double x = 0, y = 0, z = 0;
};

inline Vec3 operator+(Vec3 a, Vec3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline Vec3 operator-(Vec3 a, Vec3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline Vec3 operator-(Vec3 a) { return {-a.x, -a.y, -a.z}; }
inline Vec3 operator*(Vec3 a, double s) { return {a.x * s, a.y * s, a.z * s}; }
inline Vec3 operator*(double s, Vec3 a) { return a * s; }
inline double dot(Vec3 a, Vec3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline Vec3 cross(Vec3 a, Vec3 b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
double length(Vec3 a);
Vec3 normalize(Vec3 a);  // a zero vector stays zero

// x' = m * x + t, m row-major.
struct Affine {
    double m[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
    Vec3 t;

    Vec3 point(Vec3 p) const;
    Vec3 vector(Vec3 v) const;
    Vec3 normal(Vec3 n) const;  // through the inverse transpose, renormalised
    double determinant() const;
    Affine inverse() const;
};
Affine operator*(const Affine& a, const Affine& b);  // b first, then a
Affine translation(Vec3 t);
Affine scaling(Vec3 s);
Affine rotationX(double degrees);  // right-handed, as glRotate about the axis
Affine rotationY(double degrees);
Affine rotationZ(double degrees);
Affine rotationAbout(Vec3 axis, double degrees);
// The frame whose y axis is the unit vector dir, x as close to the hint as dir allows.
Affine frameAlong(Vec3 origin, Vec3 dir, Vec3 xHint);

struct Mesh {
    std::vector<Vec3> positions;
    std::vector<Vec3> normals;                   // one per position
    std::vector<Vec3> colours;                   // 0..1 per position, or empty
    std::vector<std::array<double, 2>> uvs;      // per position, or empty
    std::vector<std::array<int, 3>> triangles;   // counter-clockwise seen from outside

    int addVertex(Vec3 p, Vec3 n);
};

// A flat facet with its own three vertices, wound to face along `outward`.
void addFlatTriangle(Mesh& mesh, Vec3 a, Vec3 b, Vec3 c, Vec3 outward);
void addFlatQuad(Mesh& mesh, Vec3 a, Vec3 b, Vec3 c, Vec3 d, Vec3 outward);
void append(Mesh& to, const Mesh& from);
// Moves positions and normals; reverses the winding when the placement mirrors.
void transform(Mesh& mesh, const Affine& placement);
// Area-weighted vertex normals from the triangles (shared vertices come out smooth).
void smoothNormals(Mesh& mesh);

// One cross-section of a tube: the points centre + c(a) * u + s(a) * v, where c and s
// are cos and sin raised to `power` keeping their sign (below 1 squares the ellipse).
struct Ring {
    Vec3 centre, u, v;
    double power = 1.0;
};
// A closed surface through the rings, each with `segments` points, ends closed by a
// pole at the first and last ring centres. Normals are smooth and point outwards.
Mesh tube(const std::vector<Ring>& rings, int segments);

// Radius profile of a limb: at fraction t along its spine, half-widths along the
// frame's x and z axes.
struct LimbProfile {
    std::vector<std::array<double, 3>> samples;  // (t, half-width x, half-width z), t rising 0..1
};
// A closed loop through the rings (the last joins the first), smooth normals.
Mesh loop(const std::vector<Ring>& rings, int segments);
// Closes a row of rings with rounded caps as deep as the end rings are wide, times
// the given scales (below 1 flattens a cap).
Mesh capsule(const std::vector<Ring>& core, int segments, double startCap = 1.0, double endCap = 1.0);
// A limb from a to b, rounded at both ends by caps as deep as the end half-widths.
Mesh limb(Vec3 a, Vec3 b, Vec3 xHint, const LimbProfile& profile, int rings, int segments);
// An ellipsoid with radii r about centre, axes aligned.
Mesh ellipsoid(Vec3 centre, Vec3 r, int rings, int segments);
// A ring torus about the y axis through the origin, smooth normals.
Mesh torus(double majorRadius, double minorRadius, int around, int sides);
// A box with corners lo, hi whose edges are bevelled by `bevel` (0 gives a plain box).
Mesh bevelledBox(Vec3 lo, Vec3 hi, double bevel);

}  // namespace velmora_data
