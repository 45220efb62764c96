// Film grain: mid-grey frames of clumped silver grain with a little flicker, dust and the
// odd scratch. Every picture is independent, like the grain of real film.
#include <opencv2/imgproc.hpp>

#include <cmath>

#include "tools/velmora_data/footage.h"
#include "tools/velmora_data/procedural.h"

namespace vdata {

cv::Mat3b renderGrain(const FrameParams& f) {
    const uint32_t seed = hash32(0x6a41u, static_cast<uint32_t>(f.number));
    // Exposure flicker of a few levels around mid-grey.
    const float base = 128.0f + 8.0f * (unitFromHash(hash32(seed, 1)) - 0.5f);
    cv::Mat1f grain(f.size);
    for (int y = 0; y < f.size.height; ++y)
        for (int x = 0; x < f.size.width; ++x) {
            // The sum of three uniforms is close enough to a bell curve for grain.
            float n = 0;
            for (uint32_t k = 0; k < 3; ++k) n += unitFromHash(hash32(seed + k, static_cast<uint32_t>(x), static_cast<uint32_t>(y)));
            grain(y, x) = (n - 1.5f) * 2.0f;
        }
    // Grains clump a little: a light blur before scaling to their contrast.
    cv::GaussianBlur(grain, grain, cv::Size(0, 0), 0.55);
    cv::Mat1f img = base + grain * 30.0f;
    Rng rng(seed);
    // Dust: a few dark specks and fibres.
    const int specks = static_cast<int>(rng.uniform() * 4);
    for (int i = 0; i < specks; ++i) {
        const float x = rng.uniform() * f.size.width, y = rng.uniform() * f.size.height;
        const float r = rng.range(1.0f, 3.5f) * std::max(0.5f, f.scale);
        const float angle = rng.range(0.0f, 180.0f);
        const float dark = rng.range(40.0f, 90.0f);
        cv::ellipse(img, cv::Point(cvRound(x * 16), cvRound(y * 16)), cv::Size(cvRound(r * 16), cvRound(r * 0.6f * 16)), angle, 0,
                    360, cv::Scalar(base - dark), cv::FILLED, cv::LINE_8, 4);
    }
    // Now and then a fine bright scratch down the frame.
    if (rng.uniform() < 0.15f) {
        const float x = rng.uniform() * f.size.width;
        const float drift = rng.range(-3.0f, 3.0f) * f.scale;
        cv::line(img, cv::Point(cvRound(x * 16), 0), cv::Point(cvRound((x + drift) * 16), f.size.height * 16),
                 cv::Scalar(base + 45), 1, cv::LINE_8, 4);
    }
    cv::Mat1b grey;
    img.convertTo(grey, CV_8U);
    cv::Mat3b out;
    cv::cvtColor(grey, out, cv::COLOR_GRAY2BGR);
    return out;
}

}  // namespace vdata
