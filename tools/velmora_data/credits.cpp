// The credits roll, drawn with the program's own stroke font: each glyph's triangle strips
// are filled on the CPU, so no GL context is needed.
#include <opencv2/imgproc.hpp>

#include "models/stroke_font.h"
#include "tools/velmora_data/stills.h"

namespace vdata {

namespace {

// A glyph cell is 14 x 20 font units per unit of size (the font's built-in scale), and
// grid coordinates run 0..15 in sixteenths of it, y upwards from the baseline.
constexpr float kCellWidth = 14.0f, kCellHeight = 20.0f;

float textWidth(const std::string& text, float size) {
    float pen = 0;
    for (size_t i = 0; i < text.size(); ++i) pen += glyph_advance(text, i);
    return pen * kCellWidth * size;
}

void drawStrokeText(cv::Mat3b& img, const std::string& text, float left, float baseline, float size, cv::Scalar colour) {
    float pen = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        const unsigned char* p = glyph_for(static_cast<unsigned char>(text[i]));
        while (*p != 255) {
            std::vector<cv::Point> strip;
            for (; *p != 255; ++p) {
                const float gx = static_cast<float>(*p >> 4), gy = static_cast<float>(*p & 15);
                const float x = left + kCellWidth * size * (pen + gx * 0.0625f);
                const float y = baseline - kCellHeight * size * gy * 0.0625f;
                strip.emplace_back(cvRound(x * 16), cvRound(y * 16));
            }
            ++p;
            for (size_t k = 2; k < strip.size(); ++k) {
                const cv::Point tri[3] = {strip[k - 2], strip[k - 1], strip[k]};
                cv::fillConvexPoly(img, tri, 3, colour, cv::LINE_AA, 4);
            }
        }
        pen += glyph_advance(text, i);
    }
}

}  // namespace

const std::vector<std::string>& creditLines() {
    static const std::vector<std::string> lines = {
        "VELMORA",
        "a real-time show",
        "",
        "pictures",
        "generated frame by frame",
        "",
        "music",
        "synthesised at 120 beats per minute",
        "",
        "the walking figure",
        "a looping motion capture",
        "",
        "engine",
        "C++17  OpenGL  OpenCV  OpenMP",
        "",
        "made with free software",
        "on a machine without a graphics card",
        "",
        "",
        "thank you for watching",
    };
    return lines;
}

cv::Mat3b renderCredits(int packHeight) {
    // The rolling scene stretches the picture five-fold in height at 0.8 of the screen:
    // 2.8 times taller than wide looks undistorted on a 16:9 screen.
    const int W = std::max(4, packHeight * 16 / 9 / 4 * 4);
    const int H = W * 281 / 100;
    cv::Mat3b img(H, W, cv::Vec3b(255, 255, 255));
    // Between 0.22 and 0.88 of the height lies what the scroll shows while the show is
    // still running.
    const std::vector<std::string>& lines = creditLines();
    const float top = 0.24f * H, bottom = 0.86f * H;
    const float step = (bottom - top) / lines.size();
    for (size_t i = 0; i < lines.size(); ++i) {
        const bool title = i == 0;
        const float size = (title ? 0.05f : 0.018f) * W / 14.0f * (title ? 1.0f : 1.6f);
        const float width = textWidth(lines[i], size);
        const float baseline = top + step * (i + 1);
        const int grey = title || (i > 0 && lines[i - 1].empty() && i + 1 < lines.size() && !lines[i + 1].empty()) ? 20 : 70;
        drawStrokeText(img, lines[i], 0.5f * (W - width), baseline, size, cv::Scalar(grey, grey, grey));
    }
    return img;
}

}  // namespace vdata
