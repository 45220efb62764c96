// Encoding of the colour attribute: channels divided by their steps, the G, B - G,
// R - G, A transform, and the section with its step bytes.
#include <algorithm>
#include <cmath>

#include "crt/attribute.h"
#include "crt/encode_input.h"
#include "crt/entropy_writer.h"
#include "crt/errors.h"
#include "crt/stream_writer.h"

namespace crt {

void ColorAttr::quantize_from(uint32_t vertex_count, const void* input, int32_t input_format) {
    if (components != 3 && components != 4) throw kColorComponents;
    if (input_format != format_uint8 && input_format != format_float) throw kUnsupportedColorInput;
    for (int32_t j = 0; j < components; ++j)
        if (channel_steps[j] < 1 || channel_steps[j] > 255) throw kColorSteps;
    format = input_format;
    const size_t N = static_cast<size_t>(components);
    quantized.resize(size_t(vertex_count) * N);
    for (size_t i = 0; i < vertex_count; ++i) {
        int Q[4] = {0, 0, 0, 0};
        for (size_t j = 0; j < N; ++j) {
            double c = input_value(input, input_format, i * N + j);
            if (input_format == format_float) c = std::isnan(c) ? 0.0 : std::clamp(c, 0.0, 1.0) * 255.0;
            // The top level stays within 255, so byte output never wraps; steps that
            // divide 255 (1, 3, 5, 15, 17, 51, 85) reach it exactly.
            const int step_j = channel_steps[j];
            Q[j] = std::min(int(std::lround(c / step_j)), 255 / step_j);
        }
        uint8_t* q = quantized.data() + i * N;
        q[0] = uint8_t(Q[1]);          // G
        q[1] = uint8_t(Q[2] - Q[1]);   // B - G, modulo 256
        q[2] = uint8_t(Q[0] - Q[1]);   // R - G
        if (N == 4) q[3] = uint8_t(Q[3]);
    }
}

void ColorAttr::write_residuals(std::vector<uint8_t>& out, int32_t entropy) {
    const size_t before = out.size();
    for (int32_t j = 0; j < components; ++j) write_u8(out, uint8_t(channel_steps[j]));
    std::vector<int32_t> wide(residuals.size());
    for (size_t k = 0; k < residuals.size(); ++k) wide[k] = int32_t(int8_t(residuals[k]));
    // The decoder reads colours per component whatever the strategy says.
    write_per_component(out, wide.data(), components, uint32_t(residuals.size() / components), entropy);
    encoded_size = static_cast<int32_t>(out.size() - before);
}

}  // namespace crt
