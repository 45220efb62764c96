// The scene cameras and transforms for the generated models, as double matrices and as
// GL matrix-stack calls.
#include "scene_views.h"

#include <GL/glew.h>
#include <GL/glu.h>

#include <algorithm>
#include <cmath>

namespace geometry_test {

namespace {

const double kPi = 3.14159265358979323846;

Step T(double x, double y, double z) { return {Step::kTranslate, x, y, z, 0}; }
Step S(double x, double y, double z) { return {Step::kScale, x, y, z, 0}; }
Step S(double s) { return {Step::kScale, s, s, s, 0}; }
Step R(double degrees, double x, double y, double z) { return {Step::kRotate, x, y, z, degrees}; }

Vec sub(Vec a, Vec b) { return {a[0] - b[0], a[1] - b[1], a[2] - b[2]}; }
Vec cross(Vec a, Vec b) { return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]}; }
Vec unit(Vec a) {
    const double l = std::sqrt(a[0] * a[0] + a[1] * a[1] + a[2] * a[2]);
    return {a[0] / l, a[1] / l, a[2] / l};
}

// The tower scene's camera: it glides in along x until 210, then stands back.
// Everything the tower scene draws is wholly in view at the positions used here.
SceneView tower(const std::string& file, const std::string& label, double x, std::vector<Step> steps, double minExtent) {
    const double o = std::max(x - 193, 0.0);
    SceneView v{file, label, x < 210 ? 95.0 : 65.0, {x < 210 ? o - 16 : -26, 0, 0},
                {x < 210 ? o - 15 : -15, 0, std::max(2 - (x - 190) * 0.5, 0.0)}, {0, 1, 0.2}, 700, {}, minExtent, true};
    v.steps.push_back(R((x - 190) * 4, 1, 0, 0));
    v.steps.insert(v.steps.end(), steps.begin(), steps.end());
    return v;
}

std::vector<Step> sculptureInTower() { return {T(-1.34, -4.795, 0), S(1.5), R(180, 0, 1, 0), R(-90, 1, 0, 0)}; }

}  // namespace

std::vector<SceneView> sceneViews() {
    std::vector<SceneView> views;
    const Vec yUp{0, 1, 0}, origin{0, 0, 0};

    // scene70: the sculpture glides away from the camera, which it passes at about 74.
    for (double x : {76.0, 79.5})
        views.push_back({"270.obj", "scene70 sculpture at " + std::to_string(x), 75, {4, 0, 0}, origin, yUp, 700,
                         {T(3.258 - (x - 70) * 0.591 + 3.056, -1.017, -1.299), T(0, (x - 70) * -0.165, 0), S(0.9),
                          R(90, -1, 0, 0)},
                         0.2});
    // scene190: box and sculpture with the big ant, then the field of boxes.
    views.push_back(tower("box.obj", "scene190 box", 195, {}, 0.05));
    views.push_back(tower("270.obj", "scene190 sculpture", 195, sculptureInTower(), 0.1));
    for (const char* ant : {"antall.obj", "ant0.obj", "ant2.obj"}) {
        auto steps = sculptureInTower();
        for (Step s : {T(1, -0.323, -1.118), R(93.6, 1, 0, 0), S(3)}) steps.push_back(s);
        if (std::string(ant) != "antall.obj") steps.push_back(S(0.75, 1, 1));
        views.push_back(tower(ant, std::string("scene190 ") + ant, 195, steps, 0.03));
    }
    {
        const double x = 212;
        views.push_back(tower("box.obj", "scene190 box field, middle box", x,
                              {T((x - 210) * 5.28 - 12.78, 0, 0), R(40, 0.7, 1, 0), S(0.4)}, 0.02));
    }
    // scene220: the second swarm of wire cubes crosses the view around 256.
    {
        const double x = 256;
        views.push_back({"box2.obj", "scene220 swarm", 75, {4, 0, 0}, origin, yUp, 700,
                         {T(0, 0.2, 0), T(-19.1, 0.36, 49.83 - (x - 230) * 0.1 * 0.48 * 40),
                          S(std::fabs(std::sin(2 + 0.2 * x) * 4) + 1), R(5 * x + 200, 0.5, 1, -1), S(2)},
                         0.1, true});
    }
    // scene280: the tile of the floor and of the ceiling ahead of the camera; the rows
    // come towards it at 4 units a second.
    for (double x : {281.0, 289.0, 296.0}) {
        const double l = (x - 280) * 4, shift = -std::max(l - 10, 0.0) * 0.1, depth = l - 5.82;
        const double sink = std::max(l - 6, 0.0) * -0.003 * 0.1;
        const int i = x < 285 ? 0 : x < 295 ? 2 : 3;
        const std::string at = " at " + std::to_string(x) + ", tile " + std::to_string(i);
        views.push_back({"Terrain.obj", "scene280 floor" + at, 65, {0, 1, 6}, {0, 0.5, 0}, yUp, 4700,
                         {T(shift, -0.96, depth), S(10), T((i % 2) * 0.2, sink, i * -0.087 * 20)}, 0.5});
        views.push_back({"Terrain.obj", "scene280 ceiling" + at, 65, {0, 1, 6}, {0, 0.5, 0}, yUp, 4700,
                         {T(shift, 3.07, depth), S(10), T((i % 2) * 0.2, 0, i * -0.087 * 20), S(-1, -1, 1)}, 0.5});
    }
    // scene180 and scene500: the title, then the flattened title.
    views.push_back({"velmora2.obj", "scene180 title", 75, {0, 0, 10 - (182 - 180) * 0.4}, origin, yUp, 700, {}, 0.4, true});
    views.push_back({"velmora3.obj", "scene500 title", 75, {0, 0, 20 - (505 - 500) * 0.4}, origin, yUp, 700,
                     {S(1, 1, 0.01)}, 0.4, true});
    // scene110 and the overlay: ants seen from high above.
    views.push_back({"antall.obj", "scene110 ant", 25, {0, 52, 0}, origin, {0, 0, 1}, 700,
                     {T(0.134, 0, -1), R(90, 0, 1, 0), S(0.75, 0.75, 0.6)}, 0.01, true});
    for (const char* ant : {"antall.obj", "ant0.obj", "ant2.obj"}) {
        std::vector<Step> steps = {T(0, 0, 1), R(90, 0, 1, 0), S(0.75, 0.75, 0.6)};
        if (std::string(ant) != "antall.obj") {
            steps.push_back(S(0.75, 1, 1));
            steps.push_back(R(12, 0, 1, 0));
            steps.push_back(S(0.9, 1, 1));
        }
        views.push_back({ant, std::string("overlay ") + ant, 25, {0, 42, 0}, origin, {0, 0, 1}, 700, steps, 0.015, true});
    }
    // scene60: the two sculptures, the second placed in the first one's frame.
    for (double x : {60.0, 69.9}) {
        const std::vector<Step> first = {T(0, 0, (x - 60) * 0.026), S(0.025), S(1, 1, -1)};
        views.push_back({"scul1.ply", "scene60 first sculpture at " + std::to_string(x), 20, {-2, -0.142, 0.142},
                         origin, yUp, 700, first, 0.2, true});
        auto second = first;
        for (Step s : {T(0, 0, 1.3), R(27.85, 1, 0, 0), T(0, 0, 1.3)}) second.push_back(s);
        views.push_back({"scul2.ply", "scene60 second sculpture at " + std::to_string(x), 20, {-2, -0.142, 0.142},
                         origin, yUp, 700, second, 0.2});
    }
    return views;
}

Mat identity() { return {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}; }

Mat multiply(const Mat& a, const Mat& b) {
    Mat r{};
    for (int c = 0; c < 4; ++c)
        for (int row = 0; row < 4; ++row)
            for (int k = 0; k < 4; ++k) r[4 * c + row] += a[4 * k + row] * b[4 * c + k];
    return r;
}

Mat perspective(double fovDegrees, double aspect, double nearPlane, double farPlane) {
    const double f = 1.0 / std::tan(fovDegrees * kPi / 360.0);
    Mat m{};
    m[0] = f / aspect;
    m[5] = f;
    m[10] = (farPlane + nearPlane) / (nearPlane - farPlane);
    m[11] = -1;
    m[14] = 2 * farPlane * nearPlane / (nearPlane - farPlane);
    return m;
}

Mat lookAt(const Vec& eye, const Vec& centre, const Vec& up) {
    const Vec f = unit(sub(centre, eye)), s = unit(cross(f, up)), u = cross(s, f);
    Mat m = identity();
    for (int i = 0; i < 3; ++i) {
        m[4 * i] = s[i];
        m[4 * i + 1] = u[i];
        m[4 * i + 2] = -f[i];
    }
    Mat t = identity();
    t[12] = -eye[0], t[13] = -eye[1], t[14] = -eye[2];
    return multiply(m, t);
}

Mat apply(Mat m, const std::vector<Step>& steps) {
    for (const Step& s : steps) {
        Mat t = identity();
        if (s.kind == Step::kTranslate) {
            t[12] = s.a, t[13] = s.b, t[14] = s.c;
        } else if (s.kind == Step::kScale) {
            t[0] = s.a, t[5] = s.b, t[10] = s.c;
        } else {  // as glRotate: right-handed about the normalised axis
            const Vec a = unit({s.a, s.b, s.c});
            const double r = s.degrees * kPi / 180, c = std::cos(r), sn = std::sin(r), k = 1 - c;
            const double x = a[0], y = a[1], z = a[2];
            t[0] = x * x * k + c, t[4] = x * y * k - z * sn, t[8] = x * z * k + y * sn;
            t[1] = y * x * k + z * sn, t[5] = y * y * k + c, t[9] = y * z * k - x * sn;
            t[2] = x * z * k - y * sn, t[6] = y * z * k + x * sn, t[10] = z * z * k + c;
        }
        m = multiply(m, t);
    }
    return m;
}

std::array<double, 4> transform(const Mat& m, const Vec& p) {
    std::array<double, 4> r{};
    for (int row = 0; row < 4; ++row) r[row] = m[row] * p[0] + m[4 + row] * p[1] + m[8 + row] * p[2] + m[12 + row];
    return r;
}

Mat viewMatrix(const SceneView& v) {
    return multiply(perspective(v.fov, kAspect, 0.01, v.far), apply(lookAt(v.eye, v.centre, v.up), v.steps));
}

Coverage boxCoverage(const Mat& clip, const Vec& lo, const Vec& hi) {
    const int n = 9;
    int inside = 0, total = 0;
    double minX = 1, maxX = -1, minY = 1, maxY = -1;
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j)
            for (int k = 0; k < n; ++k, ++total) {
                const Vec p{lo[0] + (hi[0] - lo[0]) * i / (n - 1), lo[1] + (hi[1] - lo[1]) * j / (n - 1),
                            lo[2] + (hi[2] - lo[2]) * k / (n - 1)};
                const auto c = transform(clip, p);
                if (c[3] <= 0 || std::fabs(c[0]) > c[3] || std::fabs(c[1]) > c[3] || std::fabs(c[2]) > c[3]) continue;
                ++inside;
                minX = std::min(minX, c[0] / c[3]), maxX = std::max(maxX, c[0] / c[3]);
                minY = std::min(minY, c[1] / c[3]), maxY = std::max(maxY, c[1] / c[3]);
            }
    Coverage r;
    r.insideFraction = static_cast<double>(inside) / total;
    if (inside) r.width = (maxX - minX) / 2, r.height = (maxY - minY) / 2;
    return r;
}

void loadOnGl(const SceneView& v) {
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(v.fov, kAspect, 0.01, v.far);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    gluLookAt(v.eye[0], v.eye[1], v.eye[2], v.centre[0], v.centre[1], v.centre[2], v.up[0], v.up[1], v.up[2]);
    for (const Step& s : v.steps) {
        if (s.kind == Step::kTranslate)
            glTranslated(s.a, s.b, s.c);
        else if (s.kind == Step::kScale)
            glScaled(s.a, s.b, s.c);
        else
            glRotated(s.degrees, s.a, s.b, s.c);
    }
}

}  // namespace geometry_test
