// Integer vertex attributes: residual reading, and prediction fused with the conversion
// to floats (their encoding is in generic_attr_encode.cpp).
#include <type_traits>

#include "crt/attribute.h"
#include "crt/entropy.h"
#include "crt/errors.h"
#include "crt/prediction.h"

namespace crt {

template <typename T>
T* GenericAttr<T>::reserve_values(size_t count) {
    values.reset(new T[count ? count : 1]);
    return values.get();
}

template <typename T>
void GenericAttr<T>::read_residuals(uint32_t vertex_count, Stream& stream, BlockBuffer& blocks) {
    values.reset();
    T* dest = decodes_values() ? reserve_values(size_t(vertex_count) * components) : nullptr;
    const uint32_t described = (strategy & kCorrelated) ? read_correlated(stream, dest, components, vertex_count, blocks)
                                                        : read_per_component(stream, dest, components, vertex_count, blocks);
    // Skipped sections may be of any length: nothing is made of them.
    if (dest && described != vertex_count) throw kResidualLength;
}

template <typename T>
void GenericAttr<T>::apply_prediction(uint32_t vertex_count, const std::vector<VertexTriple>& predictions) {
    if (!values) return;
    const bool parallelogram = strategy & kParallelogram;
    if (!buffer) {
        undo_prediction(values.get(), vertex_count, components, parallelogram, predictions, [](size_t, const T*) {});
        return;
    }
    if (format != format_float) throw kUnsupportedFormat;
    float* const out = static_cast<float*>(buffer);
    const float s = step;
    auto to_floats = [&](auto kComponents) {
        constexpr int K = decltype(kComponents)::value;
        const size_t N = K ? size_t(K) : size_t(components);
        undo_prediction<K>(values.get(), vertex_count, components, parallelogram, predictions,
                           [&](size_t i, const T* v) {
                               float* o = out + i * N;
                               for (size_t j = 0; j < N; ++j) o[j] = static_cast<float>(v[j]) * s;
                           });
    };
    switch (components) {
    case 2: to_floats(std::integral_constant<int, 2>{}); break;
    case 3: to_floats(std::integral_constant<int, 3>{}); break;
    default: to_floats(std::integral_constant<int, 0>{}); break;
    }
}

template class GenericAttr<int>;
template class GenericAttr<unsigned char>;

}  // namespace crt
