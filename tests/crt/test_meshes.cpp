// Generated meshes for the encoder tests.
#include "test_meshes.h"

#include <algorithm>
#include <cmath>

namespace crt_test {

namespace {

void add_face(InputMesh& m, uint32_t a, uint32_t b, uint32_t c) { m.faces.insert(m.faces.end(), {a, b, c}); }

InputMesh positions_only(std::vector<float> positions, std::vector<uint32_t> faces) {
    InputMesh m;
    m.positions = std::move(positions);
    m.faces = std::move(faces);
    return m;
}

}  // namespace

InputMesh grid(int n, int m, const std::function<bool(int, int)>& skip) {
    InputMesh g;
    g.color_components = 4;
    for (int j = 0; j <= m; ++j) {
        for (int i = 0; i <= n; ++i) {
            const float x = float(i) / float(n) * 2.0f - 1.0f, y = float(j) / float(m) * 2.0f - 1.0f;
            const float z = 0.3f * (x * x + 0.5f * y * y);
            g.positions.insert(g.positions.end(), {x, y, z});
            // Normal of z = f(x, y): (-df/dx, -df/dy, 1), normalised.
            const float nx = -0.6f * x, ny = -0.3f * y, length = std::sqrt(nx * nx + ny * ny + 1.0f);
            g.normals.insert(g.normals.end(), {nx / length, ny / length, 1.0f / length});
            g.colors.insert(g.colors.end(), {float(i * 255 / n) / 255.0f, float(j * 255 / m) / 255.0f,
                                             float((i * 37 + j * 11) % 256) / 255.0f, 1.0f});
            g.uvs.insert(g.uvs.end(), {float(i) / float(n), float(j) / float(m)});
        }
    }
    for (int j = 0; j < m; ++j) {
        for (int i = 0; i < n; ++i) {
            if (skip && skip(i, j)) continue;
            const uint32_t a = uint32_t(j * (n + 1) + i), b = a + 1, c = a + uint32_t(n + 1), d = c + 1;
            add_face(g, a, b, d);
            add_face(g, a, d, c);
        }
    }
    return g;
}

InputMesh grid_with_hole(int n) {
    return grid(n, n, [n](int i, int j) { return i > n / 3 && i < 2 * n / 3 && j > n / 3 && j < 2 * n / 3; });
}

InputMesh torus(int n, int m) {
    InputMesh t;
    const float R = 1.0f, r = 0.35f, pi = 3.14159265f;
    for (int j = 0; j < m; ++j) {
        for (int i = 0; i < n; ++i) {
            const float u = 2 * pi * float(i) / float(n), v = 2 * pi * float(j) / float(m);
            t.positions.insert(t.positions.end(), {(R + r * std::cos(v)) * std::cos(u),
                                                   (R + r * std::cos(v)) * std::sin(u), r * std::sin(v)});
            t.normals.insert(t.normals.end(), {std::cos(v) * std::cos(u), std::cos(v) * std::sin(u), std::sin(v)});
        }
    }
    for (int j = 0; j < m; ++j) {
        for (int i = 0; i < n; ++i) {
            const uint32_t a = uint32_t(j * n + i), b = uint32_t(j * n + (i + 1) % n);
            const uint32_t c = uint32_t(((j + 1) % m) * n + i), d = uint32_t(((j + 1) % m) * n + (i + 1) % n);
            add_face(t, a, b, d);
            add_face(t, a, d, c);
        }
    }
    return t;
}

InputMesh tetrahedron() {
    return positions_only({0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1}, {0, 1, 2, 2, 1, 3, 3, 1, 0, 3, 0, 2});
}

InputMesh cube() {
    return positions_only({0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0, 0, 0, 1, 1, 0, 1, 1, 1, 1, 0, 1, 1},
                          {0, 2, 1, 0, 3, 2, 4, 5, 6, 4, 6, 7, 0, 1, 5, 0, 5, 4,
                           1, 2, 6, 1, 6, 5, 2, 3, 7, 2, 7, 6, 3, 0, 4, 3, 4, 7});
}

InputMesh creased_cube() {
    InputMesh m = cube();
    for (size_t v = 0; v < 8; ++v)
        for (int j = 0; j < 3; ++j) m.normals.push_back((m.positions[v * 3 + j] - 0.5f) * 2.0f / std::sqrt(3.0f));
    return m;
}

InputMesh soup_of(const InputMesh& in) {
    InputMesh out;
    out.color_components = in.color_components;
    const auto copy = [](const std::vector<float>& from, std::vector<float>& to, uint32_t v, size_t width) {
        if (!from.empty()) to.insert(to.end(), from.begin() + v * width, from.begin() + (v + 1) * width);
    };
    for (uint32_t corner : in.faces) {
        copy(in.positions, out.positions, corner, 3);
        copy(in.normals, out.normals, corner, 3);
        copy(in.colors, out.colors, corner, size_t(in.color_components));
        copy(in.uvs, out.uvs, corner, 2);
        out.faces.push_back(out.vertex_count() - 1);
    }
    return out;
}

InputMesh double_sided(const InputMesh& in) {
    InputMesh out = in;
    out.faces.clear();
    for (size_t f = 0; f < in.face_count(); ++f) {
        const uint32_t* c = &in.faces[f * 3];
        out.faces.insert(out.faces.end(), {c[0], c[1], c[2], c[0], c[2], c[1]});
    }
    return out;
}

InputMesh fin() {
    // Edge 0-1 carries three faces.
    return positions_only({0, 0, 0, 1, 0, 0, 0.5f, 1, 0, 0.5f, -1, 0, 0.5f, 0, 1, 2, 0, 0},
                          {0, 1, 2, 1, 0, 3, 0, 1, 4, 1, 5, 2});
}

InputMesh bow_tie() {
    // Two fans meet only at vertex 0.
    return positions_only({0, 0, 0, 1, 0.2f, 0, 1, -0.2f, 0, -1, 0.2f, 0, -1, -0.2f, 0, 1, 0.5f, 0, -1, 0.5f, 0},
                          {0, 2, 1, 0, 1, 5, 0, 3, 4, 0, 6, 3});
}

InputMesh flipped_neighbour() {
    // Faces 0 and 1 both run 0 -> 1: their shared edge cannot be a front edge.
    return positions_only({0, 0, 0, 1, 0, 0, 0, 1, 0, 0, -1, 0, 1, 1, 0},
                          {0, 1, 2, 0, 1, 3, 1, 4, 2});
}

InputMesh with_degenerate_face() {
    return positions_only({0, 0, 0, 1, 0, 0, 0, 1, 0, 1, 1, 0}, {0, 1, 2, 1, 1, 3, 2, 1, 3, 3, 3, 3});
}

InputMesh with_repeated_face() {
    return positions_only({0, 0, 0, 1, 0, 0, 0, 1, 0, 1, 1, 0}, {0, 1, 2, 2, 1, 3, 0, 1, 2});
}

InputMesh with_unused_vertices() {
    return positions_only({9, 9, 9, 0, 0, 0, 1, 0, 0, 8, 8, 8, 0, 1, 0}, {1, 2, 4});
}

std::vector<std::vector<uint32_t>> canonical_triangles(const std::vector<uint32_t>& faces,
                                                       const std::vector<uint32_t>* map) {
    std::vector<std::vector<uint32_t>> out;
    for (size_t f = 0; f + 2 < faces.size(); f += 3) {
        std::vector<uint32_t> t{faces[f], faces[f + 1], faces[f + 2]};
        if (map)
            for (uint32_t& v : t) v = v < map->size() ? (*map)[v] : 0xFFFFFFFFu;
        std::rotate(t.begin(), std::min_element(t.begin(), t.end()), t.end());
        out.push_back(t);
    }
    std::sort(out.begin(), out.end());
    return out;
}

}  // namespace crt_test
