// The show's pictures of itself on Windows, without OpenCV: frames shrunk by area averaging
// (as OpenCV's INTER_AREA does) and written as PNG by stb_image_write; no boxes, lines or
// text.
#include "platform/canvas.h"

#include <algorithm>

#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STBI_WRITE_NO_STDIO_FILE_IO_FALLBACK
#include <stb_image_write.h>

namespace platform {
namespace {

void appendBytes(void* context, void* data, int size) {
    auto* out = static_cast<std::vector<uint8_t>*>(context);
    out->insert(out->end(), static_cast<uint8_t*>(data), static_cast<uint8_t*>(data) + size);
}

}  // namespace

bool canvas_draws() { return false; }

// Each canvas pixel is the mean of the frame pixels it covers, partial ones by their share.
void canvas_put_frame(Canvas& canvas, int cx, int cy, int cellW, int cellH, const uint8_t* bgra, int w, int h) {
    const double sx = static_cast<double>(w) / cellW, sy = static_cast<double>(h) / cellH;
    for (int ty = 0; ty < cellH; ++ty) {
        const double y0 = ty * sy, y1 = (ty + 1) * sy;
        for (int tx = 0; tx < cellW; ++tx) {
            const double x0 = tx * sx, x1 = (tx + 1) * sx;
            double sum[3] = {0, 0, 0}, area = 0;
            for (int y = static_cast<int>(y0); y < std::min(h, static_cast<int>(y1 + 0.999999)); ++y) {
                const double wy = std::min(y1, y + 1.0) - std::max(y0, static_cast<double>(y));
                const uint8_t* row = bgra + static_cast<size_t>(h - 1 - y) * w * 4;
                for (int x = static_cast<int>(x0); x < std::min(w, static_cast<int>(x1 + 0.999999)); ++x) {
                    const double weight = wy * (std::min(x1, x + 1.0) - std::max(x0, static_cast<double>(x)));
                    if (weight <= 0) continue;
                    for (int c = 0; c < 3; ++c) sum[c] += weight * row[x * 4 + 2 - c];  // BGR to RGB
                    area += weight;
                }
            }
            uint8_t* to = &canvas.rgb[(static_cast<size_t>(cy + ty) * canvas.width + cx + tx) * 3];
            for (int c = 0; c < 3; ++c) to[c] = static_cast<uint8_t>(std::min(255.0, sum[c] / area + 0.5));
        }
    }
}

void canvas_box(Canvas&, int, int, int, int, Colour) {}
void canvas_line(Canvas&, int, int, int, int, Colour, int) {}
void canvas_text(Canvas&, const std::string&, int, int, CanvasFont, double, Colour) {}

bool canvas_png(const Canvas& canvas, std::vector<uint8_t>& png, int level) {
    png.clear();
    stbi_write_png_compression_level = level;  // stb_image_write's one setting for it
    return stbi_write_png_to_func(appendBytes, &png, canvas.width, canvas.height, 3, canvas.rgb.data(),
                                  canvas.width * 3) != 0;
}

}  // namespace platform
