// The colour attribute: four byte channels stored as G, B - G, R - G, A with a step per
// channel, written out as RGBA floats (or bytes).
#include "crt/attribute.h"
#include "crt/entropy.h"
#include "crt/errors.h"
#include "crt/prediction.h"

namespace crt {

void ColorAttr::read_residuals(uint32_t vertex_count, Stream& stream, BlockBuffer& blocks) {
    // One step byte per stored component; a stream with more than four keeps the
    // first four and stays in step.
    const uint8_t* steps = read_bytes(stream, static_cast<size_t>(components));
    for (int32_t j = 0; j < components && j < 4; ++j) channel_steps[j] = steps[j];
    values.reset();
    uint8_t* dest = decodes_values() ? reserve_values(size_t(vertex_count) * components) : nullptr;
    const uint32_t described = read_per_component(stream, dest, components, vertex_count, blocks);
    if (dest && described != vertex_count) throw kResidualLength;
}

void ColorAttr::apply_prediction(uint32_t vertex_count, const std::vector<VertexTriple>& predictions) {
    if (!values || !buffer) return;
    if (format != format_uint8 && format != format_float) throw kUnsupportedColorFormat;
    const size_t N = static_cast<size_t>(components);
    const int32_t out_components = output_components < 4 ? output_components : 4;
    // A stream without alpha stores no alpha step; the initial step of 8 would turn the
    // opaque 255 into 8.0 (or 248 as a byte), so a missing alpha is written unscaled.
    std::array<int32_t, 4> steps = channel_steps;
    if (N < 4) steps[3] = 1;
    const bool bytes = format == format_uint8;
    undo_prediction<0>(values.get(), vertex_count, components, strategy & kParallelogram, predictions,
                       [&](size_t i, const uint8_t* c) {
                           // Missing stored channels read as 0, a missing alpha as opaque.
                           const uint8_t c0 = N > 0 ? c[0] : 0, c1 = N > 1 ? c[1] : 0, c2 = N > 2 ? c[2] : 0;
                           const uint8_t c3 = N > 3 ? c[3] : 255;
                           const uint8_t channel[4] = {uint8_t(c0 + c2), c0, uint8_t(c0 + c1), c3};
                           if (bytes) {
                               uint8_t* out = static_cast<uint8_t*>(buffer) + i * output_components;
                               for (int32_t j = 0; j < out_components; ++j) out[j] = uint8_t(steps[j] * channel[j]);
                           } else {
                               float* out = static_cast<float*>(buffer) + i * output_components;
                               for (int32_t j = 0; j < out_components; ++j) out[j] = static_cast<float>(steps[j]) * channel[j] / 255.0f;
                           }
                       });
}

}  // namespace crt
