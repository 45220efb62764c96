// Undoing an attribute's prediction, vertex by vertex in increasing order, with each
// vertex handed on as soon as its value is final: the attributes convert it to their
// output in the same pass. Specialised by component count for the common two and three.
#pragma once
#include <algorithm>
#include <cstddef>
#include <type_traits>
#include <vector>

#include "crt/attribute.h"
#include "crt/errors.h"

namespace crt {

// values holds vertex_count x components residuals and becomes the values in place;
// output(i, values + i * components) runs once per vertex, in order. Sums are taken in
// the unsigned type of the same width, so a hostile stream wraps the way 32-bit (or
// 8-bit) hardware does instead of overflowing a signed integer. A vertex whose triple
// names a later vertex reads that vertex's residual, as the in-place order implies.
template <int kComponents, typename T, typename Output>
void undo_prediction(T* values, uint32_t vertex_count, int components, bool parallelogram,
                     const std::vector<VertexTriple>& predictions, Output&& output) {
    using U = std::make_unsigned_t<T>;
    const size_t N = kComponents ? size_t(kComponents) : size_t(components);
    const size_t V = vertex_count;
    if (V == 0) return;
    output(size_t(0), values);
    size_t i = 1;
    if (predictions.empty()) {
        // No triples at all: each vertex adds the one before it.
        for (; i < V; ++i) {
            T* v = values + i * N;
            const T* before = v - N;
            for (size_t j = 0; j < N; ++j) v[j] = T(U(v[j]) + U(before[j]));
            output(i, v);
        }
        return;
    }
    const size_t predicted = parallelogram && predictions.size() < 2 ? 1 : std::min(V, predictions.size());
    const VertexTriple* triples = predictions.data();
    if (parallelogram) {
        for (; i < predicted; ++i) {
            const VertexTriple& p = triples[i];
            if (std::max({p[0], p[1], p[2]}) >= vertex_count) throw kVertexIndex;
            T* v = values + i * N;
            const T *a = values + p[0] * N, *b = values + p[1] * N, *c = values + p[2] * N;
            for (size_t j = 0; j < N; ++j) v[j] = T(U(v[j]) + U(a[j]) + U(b[j]) - U(c[j]));
            output(i, v);
        }
    } else {
        for (; i < predicted; ++i) {
            const uint32_t p0 = triples[i][0];
            if (p0 >= vertex_count) throw kVertexIndex;
            T* v = values + i * N;
            const T* a = values + size_t(p0) * N;
            for (size_t j = 0; j < N; ++j) v[j] = T(U(v[j]) + U(a[j]));
            output(i, v);
        }
    }
    for (; i < V; ++i) output(i, values + i * N);  // beyond the triples: kept as read
}

// The same with the component count dispatched to a specialisation.
template <typename T, typename Output>
void undo_prediction(T* values, uint32_t vertex_count, int components, bool parallelogram,
                     const std::vector<VertexTriple>& predictions, Output&& output) {
    switch (components) {
    case 2: undo_prediction<2>(values, vertex_count, 2, parallelogram, predictions, output); break;
    case 3: undo_prediction<3>(values, vertex_count, 3, parallelogram, predictions, output); break;
    default: undo_prediction<0>(values, vertex_count, components, parallelogram, predictions, output); break;
    }
}

}  // namespace crt
