// Integer vertex attributes: residual reading, prediction and conversion to floats
// (their encoding is in generic_attr_encode.cpp).
// Sums are taken in the unsigned type of the same width, so that a hostile stream wraps
// the way 32-bit (or 8-bit) hardware does instead of overflowing a signed integer.
#include <algorithm>
#include <cstring>
#include <type_traits>

#include "crt/attribute.h"
#include "crt/entropy.h"
#include "crt/errors.h"

namespace crt {

template <typename T>
void GenericAttr<T>::read_residuals(uint32_t vertex_count, Stream& stream) {
    values = nullptr;
    if (buffer) {
        if constexpr (std::is_same_v<T, int>) {
            values = static_cast<T*>(buffer);
        } else {
            scratch.assign(size_t(vertex_count) * components, 0);
            values = scratch.data();
        }
    }
    const uint32_t described = (strategy & kCorrelated) ? read_correlated(stream, values, components, vertex_count)
                                                        : read_per_component(stream, values, components, vertex_count);
    if (described != vertex_count) throw kResidualLength;
}

template <typename T>
void GenericAttr<T>::apply_prediction(uint32_t vertex_count, const std::vector<VertexTriple>& predictions) {
    if (!buffer || !values) return;
    using U = std::make_unsigned_t<T>;
    const size_t N = static_cast<size_t>(components);
    T* v = values;
    if (predictions.empty()) {
        for (size_t k = N; k < size_t(vertex_count) * N; ++k) v[k] = T(U(v[k]) + U(v[k - N]));
        return;
    }
    const size_t count = std::min<size_t>(vertex_count, predictions.size());
    if (strategy & kParallelogram) {
        if (predictions.size() < 2) return;
        for (size_t i = 1; i < count; ++i) {
            const VertexTriple& p = predictions[i];
            if (p[0] >= vertex_count || p[1] >= vertex_count || p[2] >= vertex_count) throw kVertexIndex;
            for (size_t j = 0; j < N; ++j)
                v[i * N + j] = T(U(v[i * N + j]) + U(v[p[0] * N + j]) + U(v[p[1] * N + j]) - U(v[p[2] * N + j]));
        }
    } else {
        for (size_t i = 1; i < count; ++i) {
            const uint32_t p0 = predictions[i][0];
            if (p0 >= vertex_count) throw kVertexIndex;
            for (size_t j = 0; j < N; ++j) v[i * N + j] = T(U(v[i * N + j]) + U(v[p0 * N + j]));
        }
    }
}

template <typename T>
void GenericAttr<T>::write_output(uint32_t vertex_count) {
    if (!buffer || !values) return;
    if (format != format_float) throw kUnsupportedFormat;
    // For int the floats replace their integers in place, one element at a time.
    float* out = static_cast<float*>(buffer);
    const size_t total = size_t(vertex_count) * components;
    for (size_t k = 0; k < total; ++k) {
        const float f = static_cast<float>(values[k]) * step;
        std::memcpy(out + k, &f, sizeof f);
    }
}

template class GenericAttr<int>;
template class GenericAttr<unsigned char>;

}  // namespace crt
