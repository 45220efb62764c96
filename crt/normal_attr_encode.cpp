// Encoding of the normal attribute: each normal becomes the octahedral pair that decodes
// closest to it; differential mode stores pairs predicted from a neighbour, estimated
// modes store the difference from the pair of the normal estimated from the positions.
#include <algorithm>
#include <cmath>

#include "crt/attribute.h"
#include "crt/encode_input.h"
#include "crt/encoder.h"
#include "crt/entropy_writer.h"
#include "crt/errors.h"
#include "crt/normal_estimate.h"
#include "crt/octahedral.h"
#include "crt/stream_writer.h"

namespace crt {

namespace {

// The pair with unit u whose decoded normal is nearest (x, y, z). Rounding the
// octahedral coordinates is nearly always right; the neighbours are tried as well since
// the fold treats a zero coordinate differently on the two sides.
void best_pair(float x, float y, float z, int u, int32_t& qx, int32_t& qy) {
    const double length = std::sqrt(double(x) * x + double(y) * y + double(z) * z);
    if (!(length > 0.0) || !std::isfinite(length)) {
        qx = qy = 0;  // no direction: +z, which is what (0, 0) decodes to
        return;
    }
    float ox, oy;
    octahedral_coordinates(x, y, z, ox, oy);
    const int64_t cx = std::llround(double(u) * ox), cy = std::llround(double(u) * oy);
    double best = -2.0;
    for (int64_t dy = -1; dy <= 1; ++dy) {
        for (int64_t dx = -1; dx <= 1; ++dx) {
            const std::array<float, 3> n = unit_normal(cx + dx, cy + dy, u);
            // Decoded normals are unit only to float precision, which at large units is
            // coarser than the grid: compare directions, not raw dot products.
            const double n_length = std::sqrt(double(n[0]) * n[0] + double(n[1]) * n[1] + double(n[2]) * n[2]);
            const double dot = (double(n[0]) * x + double(n[1]) * y + double(n[2]) * z) / (length * n_length);
            if (dot > best) {
                best = dot;
                qx = int32_t(cx + dx);
                qy = int32_t(cy + dy);
            }
        }
    }
}

// The angle (radians) between a unit direction and a decoded normal; 0 for a direction
// of zero length, which has nothing to keep.
double angle_to(const float* direction, const std::array<float, 3>& n) {
    const double ax = direction[0], ay = direction[1], az = direction[2];
    if (ax == 0.0 && ay == 0.0 && az == 0.0) return 0.0;
    const double cx = ay * n[2] - az * n[1], cy = az * n[0] - ax * n[2], cz = ax * n[1] - ay * n[0];
    return std::atan2(std::sqrt(cx * cx + cy * cy + cz * cz), ax * n[0] + ay * n[1] + az * n[2]);
}

// The pair to store where the decoder adds a correction to `target` (the truncated pair
// of its estimate): of the pairs near the nearest one (cx, cy) that decode within
// `precision` of the direction, the one needing the smallest correction, the closer to
// the direction on a tie. The nearest pair is always among them, so the result is
// faithful; where the estimate itself is, no correction is needed at all.
void pair_near_target(const float* direction, int32_t cx, int32_t cy, int64_t tx, int64_t ty, int u,
                      double precision, int32_t& qx, int32_t& qy) {
    qx = cx;
    qy = cy;
    if (direction[0] == 0.0f && direction[1] == 0.0f && direction[2] == 0.0f) return;
    // The bits a vertex's pair of corrections takes when read correlated: 0 for none, else
    // the b for which both lie in -2^(b-1) .. 2^(b-1) - 1.
    const auto cost = [&](int64_t x, int64_t y) {
        const int64_t dx = x - tx, dy = y - ty;
        if (dx == 0 && dy == 0) return int64_t(0);
        int64_t b = 1;
        while (std::min(dx, dy) < -(int64_t(1) << (b - 1)) || std::max(dx, dy) > (int64_t(1) << (b - 1)) - 1) ++b;
        return b;
    };
    int64_t best_cost = cost(cx, cy);
    double best_error = angle_to(direction, unit_normal(cx, cy, u));
    const auto consider = [&](int64_t x, int64_t y) {
        const int64_t c = cost(x, y);
        if (c > best_cost) return;
        const double error = angle_to(direction, unit_normal(x, y, u));
        if (error > precision || (c == best_cost && error >= best_error)) return;
        best_cost = c;
        best_error = error;
        qx = int32_t(x);
        qy = int32_t(y);
    };
    if (std::llabs(tx) <= u && std::llabs(ty) <= u) consider(tx, ty);
    for (int dy = -2; dy <= 2; ++dy)
        for (int dx = -2; dx <= 2; ++dx) consider(int64_t(cx) + dx, int64_t(cy) + dy);
}

}  // namespace

void NormalAttr::quantize_from(uint32_t vertex_count, const void* input, int32_t input_format) {
    if (is_unsigned_format(input_format)) throw kUnsignedNormals;
    if (!is_known_format(input_format)) throw kUnsupportedInput;
    if (!(step >= 1.0f && step < 1073741824.0f) || step != std::floor(step)) throw kEncodeNormalUnit;
    format = input_format;
    const int u = unit();
    encode_normals.resize(size_t(vertex_count) * 2);
    encode_directions.assign(size_t(vertex_count) * 3, 0.0f);
    for (size_t i = 0; i < vertex_count; ++i) {
        const float x = float(input_value(input, input_format, 3 * i));
        const float y = float(input_value(input, input_format, 3 * i + 1));
        const float z = float(input_value(input, input_format, 3 * i + 2));
        best_pair(x, y, z, u, encode_normals[2 * i], encode_normals[2 * i + 1]);
        const double length = std::sqrt(double(x) * x + double(y) * y + double(z) * z);
        if (length > 0.0 && std::isfinite(length)) {
            encode_directions[3 * i] = float(x / length);
            encode_directions[3 * i + 1] = float(y / length);
            encode_directions[3 * i + 2] = float(z / length);
        }
    }
}

void NormalAttr::prepare_encode(uint32_t vertex_count, uint32_t face_count, const uint32_t* faces) {
    // Every vertex that stores a pair decodes to that pair's normal.
    const auto pair_error = [&](size_t v) {
        if (encode_directions.empty()) return 0.0;
        return angle_to(&encode_directions[3 * v], unit_normal(encode_normals[2 * v], encode_normals[2 * v + 1], unit()));
    };
    worst_error = 0.0;
    if (mode == differential) {
        for (size_t v = 0; v < vertex_count; ++v) worst_error = std::max(worst_error, pair_error(v));
        return;
    }
    if (mode != estimated && mode != border_corrected) throw kUnknownNormalMode;
    if (!encode_positions) throw kNoPositionAttribute;
    if (encode_position_components < 3) throw kPositionComponents;
    // The same estimate, border test and truncation as finish_decode, so that the decoder
    // lands on the stored pair exactly.
    const std::vector<float> estimate =
        estimate_normals(encode_positions, size_t(encode_position_components), faces, face_count, vertex_count);
    if (mode == border_corrected) border_mask = border_masks(faces, face_count, vertex_count);
    const float uf = static_cast<float>(unit());
    const double precision = normal_precision(unit());
    octahedral.clear();
    for (size_t v = 0; v < vertex_count; ++v) {
        if (mode == border_corrected && border_mask[v] == 0) {
            // The decoder takes the estimate as it is.
            if (!encode_directions.empty()) {
                const float* e = &estimate[v * 3];
                worst_error = std::max(worst_error, angle_to(&encode_directions[3 * v], normalized_estimate(e[0], e[1], e[2])));
            }
            continue;
        }
        float ox, oy;
        octahedral_coordinates(estimate[v * 3], estimate[v * 3 + 1], estimate[v * 3 + 2], ox, oy);
        const int64_t tx = static_cast<int64_t>(uf * ox), ty = static_cast<int64_t>(uf * oy);
        int32_t qx = encode_normals[2 * v], qy = encode_normals[2 * v + 1];
        if (!encode_directions.empty()) {
            pair_near_target(&encode_directions[3 * v], qx, qy, tx, ty, unit(), precision, qx, qy);
            worst_error = std::max(worst_error, angle_to(&encode_directions[3 * v], unit_normal(qx, qy, unit())));
        }
        octahedral.push_back(int32_t(qx - tx));
        octahedral.push_back(int32_t(qy - ty));
    }
}

void NormalAttr::compute_residuals(uint32_t vertex_count, const std::vector<VertexTriple>& predictions) {
    if (mode != differential) return;  // the corrections from prepare_encode are stored as they are
    octahedral = encode_normals;
    const int32_t* q = encode_normals.data();  // the pairs stored
    int32_t* r = octahedral.data();
    // Mirrors apply_prediction: wrapping differences, added back with wrapping sums.
    auto minus = [](int32_t a, int32_t b) { return int32_t(uint32_t(a) - uint32_t(b)); };
    if (predictions.empty()) {
        for (size_t k = 2; k < size_t(vertex_count) * 2; ++k) r[k] = minus(q[k], q[k - 2]);
        return;
    }
    if (predictions.size() < 2) return;
    const size_t count = std::min<size_t>(vertex_count, predictions.size());
    // Each vertex, in decode order, stores the faithful pair nearest the pair it is
    // predicted from (already chosen, as predictions name earlier vertices): on smooth
    // surfaces neighbours then often share a pair and store nothing.
    std::vector<int32_t> chosen;
    if (!encode_directions.empty()) {
        chosen = encode_normals;
        q = chosen.data();
    }
    const double precision = normal_precision(unit());
    for (size_t i = 1; i < count; ++i) {
        const size_t p0 = predictions[i][0];
        if (!chosen.empty() && p0 < i)
            pair_near_target(&encode_directions[3 * i], chosen[2 * i], chosen[2 * i + 1], q[2 * p0], q[2 * p0 + 1],
                             unit(), precision, chosen[2 * i], chosen[2 * i + 1]);
        r[2 * i] = minus(q[2 * i], q[2 * p0]);
        r[2 * i + 1] = minus(q[2 * i + 1], q[2 * p0 + 1]);
    }
    if (chosen.empty()) return;
    worst_error = 0.0;
    for (size_t i = 0; i < vertex_count; ++i)
        worst_error = std::max(worst_error, angle_to(&encode_directions[3 * i], unit_normal(q[2 * i], q[2 * i + 1], unit())));
}

void NormalAttr::write_residuals(std::vector<uint8_t>& out, int32_t entropy) {
    const size_t before = out.size();
    write_u8(out, uint8_t(mode));
    write_correlated(out, octahedral.data(), 2, uint32_t(octahedral.size() / 2), entropy);
    encoded_size = static_cast<int32_t>(out.size() - before);
}

}  // namespace crt
