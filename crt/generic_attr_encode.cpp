// Encoding of integer vertex attributes: quantisation by step, prediction residuals
// (the exact inverse of apply_prediction) and the residual section.
#include <cmath>
#include <limits>
#include <type_traits>

#include "crt/attribute.h"
#include "crt/encode_input.h"
#include "crt/entropy_writer.h"
#include "crt/errors.h"

namespace crt {

template <typename T>
void GenericAttr<T>::quantize_from(uint32_t vertex_count, const void* input, int32_t input_format) {
    if (components < 1 || components > 255) throw kComponentCount;
    if (!std::isfinite(step) || !(step > 0.0f)) throw kBadStep;
    // Unsigned inputs are refused: their values would come back as signed floats.
    if (!is_known_format(input_format) || is_unsigned_format(input_format)) throw kUnsupportedInput;
    format = input_format;
    const size_t total = size_t(vertex_count) * components;
    quantized.resize(total);
    // Nearest multiple of the step, so that the decoded q * step lies within half a step.
    const double s = step;
    for (size_t k = 0; k < total; ++k) {
        const double q = std::nearbyint(input_value(input, input_format, k) / s);
        if (!(q >= double(std::numeric_limits<T>::min()) && q <= double(std::numeric_limits<T>::max())))
            throw kQuantizeRange;  // also catches NaN
        quantized[k] = static_cast<T>(q);
    }
}

template <typename T>
void GenericAttr<T>::compute_residuals(uint32_t vertex_count, const std::vector<VertexTriple>& predictions) {
    using U = std::make_unsigned_t<T>;
    const size_t N = static_cast<size_t>(components);
    const T* q = quantized.data();
    residuals = quantized;
    T* r = residuals.data();
    // Mirrors apply_prediction case by case: the decoder adds back exactly what is taken off here.
    if (predictions.empty()) {
        for (size_t k = N; k < size_t(vertex_count) * N; ++k) r[k] = T(U(q[k]) - U(q[k - N]));
        return;
    }
    const size_t count = std::min<size_t>(vertex_count, predictions.size());
    if (strategy & kParallelogram) {
        if (predictions.size() < 2) return;
        for (size_t i = 1; i < count; ++i) {
            const VertexTriple& p = predictions[i];
            for (size_t j = 0; j < N; ++j)
                r[i * N + j] = T(U(q[i * N + j]) - (U(q[p[0] * N + j]) + U(q[p[1] * N + j]) - U(q[p[2] * N + j])));
        }
    } else {
        for (size_t i = 1; i < count; ++i) {
            const size_t p0 = predictions[i][0];
            for (size_t j = 0; j < N; ++j) r[i * N + j] = T(U(q[i * N + j]) - U(q[p0 * N + j]));
        }
    }
}

template <typename T>
void GenericAttr<T>::write_residuals(std::vector<uint8_t>& out, int32_t entropy) {
    const size_t before = out.size();
    std::vector<int32_t> wide(residuals.size());
    // Byte residuals are added back modulo 256: the representative nearest 0 is the cheapest.
    for (size_t k = 0; k < residuals.size(); ++k)
        wide[k] = std::is_same_v<T, int> ? int32_t(residuals[k]) : int32_t(int8_t(uint8_t(residuals[k])));
    const uint32_t vertex_count = components ? uint32_t(residuals.size() / components) : 0;
    if (strategy & kCorrelated) write_correlated(out, wide.data(), components, vertex_count, entropy);
    else write_per_component(out, wide.data(), components, vertex_count, entropy);
    encoded_size = static_cast<int32_t>(out.size() - before);
}

template void GenericAttr<int>::quantize_from(uint32_t, const void*, int32_t);
template void GenericAttr<int>::compute_residuals(uint32_t, const std::vector<VertexTriple>&);
template void GenericAttr<int>::write_residuals(std::vector<uint8_t>&, int32_t);
template void GenericAttr<unsigned char>::quantize_from(uint32_t, const void*, int32_t);
template void GenericAttr<unsigned char>::compute_residuals(uint32_t, const std::vector<VertexTriple>&);
template void GenericAttr<unsigned char>::write_residuals(std::vector<uint8_t>&, int32_t);

}  // namespace crt
