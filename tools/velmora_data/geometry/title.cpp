// The title as solid letters: the stroke font's triangle strips extruded into prisms.
// Only outline edges (used by one strip triangle) get side walls; walls left inside
// overlapping strokes are hidden by the caps.
#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <string>
#include <vector>

#include "models/stroke_font.h"
#include "scene_models.h"

namespace velmora_data {

namespace {

struct Edge {
    int uses = 0;
    Vec3 a, b, opposite;
};

using EdgeKey = std::array<long, 4>;

const double kBold = 0.9;  // grid units

EdgeKey keyOf(Vec3 a, Vec3 b) {
    long ka[2] = {std::lround(a.x * 1000), std::lround(a.y * 1000)};
    long kb[2] = {std::lround(b.x * 1000), std::lround(b.y * 1000)};
    if (ka[0] > kb[0] || (ka[0] == kb[0] && ka[1] > kb[1])) std::swap(ka, kb);
    return {ka[0], ka[1], kb[0], kb[1]};
}

}  // namespace

Mesh buildTitle(double width, double depth, bool underline) {
    const std::string text = "VELMORA";
    // Strip triangles in font grid units (16 to a pen advance of 1), y up.
    std::vector<std::array<Vec3, 3>> flat;
    double pen = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        const unsigned char* p = glyph_for(static_cast<unsigned char>(text[i]));
        while (*p != 255) {
            std::vector<Vec3> strip;
            for (; *p != 255; ++p) strip.push_back({pen * 16 + (*p >> 4), static_cast<double>(*p & 15), 0});
            ++p;
            for (size_t k = 0; k + 2 < strip.size(); ++k) {
                const Vec3 a = strip[k], b = strip[k + 1], c = strip[k + 2];
                if (std::fabs(cross(b - a, c - a).z) < 1e-9) continue;  // strips repeat points
                // The font's strokes are two grid units wide; overlaid copies shifted by
                // kBold make them bolder, as a solid logo wants.
                for (const Vec3 shift : {Vec3{0, 0, 0}, Vec3{kBold, 0, 0}, Vec3{0, kBold, 0}, Vec3{kBold, kBold, 0}})
                    flat.push_back({a + shift, b + shift, c + shift});
            }
        }
        pen += glyph_advance(text, i);
    }
    double lo[2] = {1e300, 1e300}, hi[2] = {-1e300, -1e300};
    for (const auto& t : flat)
        for (const auto& v : t) {
            lo[0] = std::min(lo[0], v.x), hi[0] = std::max(hi[0], v.x);
            lo[1] = std::min(lo[1], v.y), hi[1] = std::max(hi[1], v.y);
        }
    const double s = width / (hi[0] - lo[0]);
    const Vec3 centre{(lo[0] + hi[0]) / 2, (lo[1] + hi[1]) / 2, 0};

    Mesh m;
    std::map<EdgeKey, Edge> edges;
    const Vec3 front{0, 0, depth / 2};
    for (const auto& t : flat) {
        Vec3 v[3];
        for (int k = 0; k < 3; ++k) v[k] = (t[k] - centre) * s;
        addFlatTriangle(m, v[0] + front, v[1] + front, v[2] + front, {0, 0, 1});
        addFlatTriangle(m, v[0] - front, v[1] - front, v[2] - front, {0, 0, -1});
        for (int k = 0; k < 3; ++k) {
            Edge& e = edges[keyOf(v[k], v[(k + 1) % 3])];
            e.uses++;
            e.a = v[k], e.b = v[(k + 1) % 3], e.opposite = v[(k + 2) % 3];
        }
    }
    for (const auto& [key, e] : edges) {
        if (e.uses != 1) continue;
        const Vec3 d = e.b - e.a;
        Vec3 out{d.y, -d.x, 0};
        if (dot(out, e.opposite - e.a) > 0) out = -out;
        addFlatQuad(m, e.a + front, e.b + front, e.b - front, e.a - front, out);
    }
    if (underline) {
        const double h = (hi[1] - lo[1]) * s;
        append(m, bevelledBox({-width / 2, -h * 0.5 - h * 0.34, -depth / 2}, {width / 2, -h * 0.5 - h * 0.22, depth / 2},
                              h * 0.03));
    }
    return m;
}

}  // namespace velmora_data
