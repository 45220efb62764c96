// The contact sheet on Windows, without OpenCV: the frames shrunk by area averaging (as
// OpenCV's INTER_AREA does) and written as PNG by stb_image_write. The label strips stay
// dark: a comparison reads the frames' tiles only.
#include <algorithm>
#include <vector>

#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STBI_WRITE_NO_STDIO_FILE_IO_FALLBACK
#include <stb_image_write.h>

#include "clips/contact_sheet.h"
#include "clips/contact_sheet_frames.h"
#include "platform/file_replace.h"

namespace {

// The sheet's RGB tile at (cx, cy) from a BGRA frame whose rows start at the bottom. Each
// tile pixel is the mean of the frame pixels it covers, partial ones by their share.
void shrinkInto(std::vector<unsigned char>& sheet, int sheetW, int cx, int cy, int cellW, int cellH,
                const unsigned char* bgra, int w, int h) {
    const double sx = static_cast<double>(w) / cellW, sy = static_cast<double>(h) / cellH;
    for (int ty = 0; ty < cellH; ++ty) {
        const double y0 = ty * sy, y1 = (ty + 1) * sy;
        for (int tx = 0; tx < cellW; ++tx) {
            const double x0 = tx * sx, x1 = (tx + 1) * sx;
            double sum[3] = {0, 0, 0}, area = 0;
            for (int y = static_cast<int>(y0); y < std::min(h, static_cast<int>(y1 + 0.999999)); ++y) {
                const double wy = std::min(y1, y + 1.0) - std::max(y0, static_cast<double>(y));
                const unsigned char* row = bgra + static_cast<size_t>(h - 1 - y) * w * 4;
                for (int x = static_cast<int>(x0); x < std::min(w, static_cast<int>(x1 + 0.999999)); ++x) {
                    const double weight = wy * (std::min(x1, x + 1.0) - std::max(x0, static_cast<double>(x)));
                    if (weight <= 0) continue;
                    for (int c = 0; c < 3; ++c) sum[c] += weight * row[x * 4 + 2 - c];  // BGR to RGB
                    area += weight;
                }
            }
            unsigned char* to = &sheet[(static_cast<size_t>(cy + ty) * sheetW + cx + tx) * 3];
            for (int c = 0; c < 3; ++c) to[c] = static_cast<unsigned char>(std::min(255.0, sum[c] / area + 0.5));
        }
    }
}

void appendBytes(void* context, void* data, int size) {
    auto* out = static_cast<std::vector<unsigned char>*>(context);
    out->insert(out->end(), static_cast<unsigned char*>(data), static_cast<unsigned char*>(data) + size);
}

}  // namespace

bool writeContactSheet(Part_Clips& clips, const std::string& path, std::string& error) {
    const ContactSheetLayout layout = contactSheetLayout(clips);
    const int sheetW = kSheetColumns * layout.cellW, sheetH = kSheetRows * (layout.cellH + kSheetLabelHeight);
    std::vector<unsigned char> sheet(static_cast<size_t>(sheetW) * sheetH * 3, 16);
    renderContactSheetFrames(clips, [&](int i, float, const unsigned char* pixels, int w, int h) {
        shrinkInto(sheet, sheetW, (i % kSheetColumns) * layout.cellW, (i / kSheetColumns) * (layout.cellH + kSheetLabelHeight),
                   layout.cellW, layout.cellH, pixels, w, h);
    });
    std::vector<unsigned char> png;
    if (!stbi_write_png_to_func(appendBytes, &png, sheetW, sheetH, 3, sheet.data(), sheetW * 3)) {
        error = "cannot encode the contact sheet as PNG";
        return false;
    }
    if (platform::replace_file(path, png.data(), png.size())) return true;
    error = "cannot write \"" + path + "\"";
    return false;
}
