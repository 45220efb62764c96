// Greedy pairing of the faces on a non-manifold edge, best continuation first.
#include "crt/edge_pairing.h"

#include <algorithm>
#include <cmath>

namespace crt {

namespace {

uint32_t next_in_face(uint32_t h) { return h % 3 == 2 ? h - 2 : h + 1; }
uint32_t third_corner(const uint32_t* F, uint32_t h) { return F[next_in_face(next_in_face(h))]; }

// The unit normal of face f from the quantised positions, in double precision; zero for
// a face without area.
void face_normal(const uint32_t* F, uint32_t f, const PairingGeometry& g, double n[3]) {
    const int32_t* p[3];
    for (int k = 0; k < 3; ++k) p[k] = g.positions + size_t(F[3 * f + k]) * g.stride;
    double e1[3], e2[3];
    for (int j = 0; j < 3; ++j) {
        e1[j] = double(p[1][j]) - double(p[0][j]);
        e2[j] = double(p[2][j]) - double(p[0][j]);
    }
    n[0] = e1[1] * e2[2] - e1[2] * e2[1];
    n[1] = e1[2] * e2[0] - e1[0] * e2[2];
    n[2] = e1[0] * e2[1] - e1[1] * e2[0];
    const double length = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
    for (int j = 0; j < 3; ++j) n[j] = length > 0.0 ? n[j] / length : 0.0;
}

struct Candidate {
    double score;
    uint32_t a, b;  // indices into half_edges
};

}  // namespace

void pair_half_edges(const uint32_t* F, const uint32_t* half_edges, size_t count, const PairingGeometry& geometry,
                     std::vector<uint32_t>& twin) {
    const auto opposite = [&](uint32_t h1, uint32_t h2) { return F[h1] == F[next_in_face(h2)]; };
    if (count == 2) {
        if (opposite(half_edges[0], half_edges[1])) {
            twin[half_edges[0]] = half_edges[1];
            twin[half_edges[1]] = half_edges[0];
        }
        return;
    }
    std::vector<Candidate> candidates;
    for (uint32_t i = 0; i < count; ++i)
        for (uint32_t j = i + 1; j < count; ++j) {
            const uint32_t h1 = half_edges[i], h2 = half_edges[j];
            if (!opposite(h1, h2)) continue;
            double score = 0.0;
            if (geometry.positions) {
                double n1[3], n2[3];
                face_normal(F, h1 / 3, geometry, n1);
                face_normal(F, h2 / 3, geometry, n2);
                score = n1[0] * n2[0] + n1[1] * n2[1] + n1[2] * n2[2];
            }
            // A face and its mirror image close up on each other, ending both sheets.
            if (third_corner(F, h1) == third_corner(F, h2)) score -= 4.0;
            candidates.push_back({score, i, j});
        }
    // Stable, so that without positions the pairs keep the order the faces came in.
    std::stable_sort(candidates.begin(), candidates.end(),
                     [](const Candidate& l, const Candidate& r) { return l.score > r.score; });
    std::vector<uint8_t> used(count, 0);
    for (const Candidate& c : candidates) {
        if (used[c.a] || used[c.b]) continue;
        used[c.a] = used[c.b] = 1;
        twin[half_edges[c.a]] = half_edges[c.b];
        twin[half_edges[c.b]] = half_edges[c.a];
    }
}

}  // namespace crt
