// The colour attribute: four byte channels stored as G, B - G, R - G, A with a step per
// channel, written out as RGBA floats (or bytes).
#include "crt/attribute.h"
#include "crt/entropy.h"
#include "crt/errors.h"

namespace crt {

void ColorAttr::read_residuals(uint32_t vertex_count, Stream& stream) {
    // One step byte per stored component; a stream with more than four keeps the
    // first four and stays in step.
    const uint8_t* steps = read_bytes(stream, static_cast<size_t>(components));
    for (int32_t j = 0; j < components && j < 4; ++j) channel_steps[j] = steps[j];
    values = nullptr;
    if (buffer) {
        scratch.assign(size_t(vertex_count) * components, 0);
        values = scratch.data();
    }
    if (read_per_component(stream, values, components, vertex_count) != vertex_count) throw kResidualLength;
}

void ColorAttr::write_output(uint32_t vertex_count) {
    if (!buffer || !values) return;
    if (format != format_uint8 && format != format_float) throw kUnsupportedColorFormat;
    const size_t N = static_cast<size_t>(components);
    const int32_t out_components = output_components < 4 ? output_components : 4;
    // A stream without alpha stores no alpha step; the initial step of 8 would turn the
    // opaque 255 into 8.0 (or 248 as a byte), so a missing alpha is written unscaled.
    std::array<int32_t, 4> steps = channel_steps;
    if (N < 4) steps[3] = 1;
    for (size_t i = 0; i < vertex_count; ++i) {
        // Missing stored channels read as 0, a missing alpha as opaque.
        const uint8_t* c = values + i * N;
        const uint8_t c0 = N > 0 ? c[0] : 0, c1 = N > 1 ? c[1] : 0, c2 = N > 2 ? c[2] : 0;
        const uint8_t c3 = N > 3 ? c[3] : 255;
        const uint8_t channel[4] = {uint8_t(c0 + c2), c0, uint8_t(c0 + c1), c3};
        if (format == format_uint8) {
            uint8_t* out = static_cast<uint8_t*>(buffer) + i * output_components;
            for (int32_t j = 0; j < out_components; ++j) out[j] = uint8_t(steps[j] * channel[j]);
        } else {
            float* out = static_cast<float*>(buffer) + i * output_components;
            for (int32_t j = 0; j < out_components; ++j) out[j] = static_cast<float>(steps[j]) * channel[j] / 255.0f;
        }
    }
}

}  // namespace crt
