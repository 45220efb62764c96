// The edit as a picture: the part clock across, the edit position up, each millisecond a
// dot in the colour of its scene.
#include <cmath>
#include <cstdint>
#include <vector>

#include "clips/edit_tools.h"
#include "clips/frame_rules.h"
#include "clips/timeline.h"
#include "platform/canvas.h"
#include "platform/file_write.h"

namespace {

constexpr int kWidth = 1600, kHeight = 1000, kLeft = 70, kBottom = 50, kTop = 20, kRight = 20;
constexpr float kClockSpan = 320.0f, kEditSpan = 520.0f;

struct Point {
    int x = 0, y = 0;
};

Point at(float clock, float position) {
    const float x = kLeft + clock / kClockSpan * (kWidth - kLeft - kRight);
    const float y = kHeight - kBottom - position / kEditSpan * (kHeight - kBottom - kTop);
    return {static_cast<int>(x), static_cast<int>(y)};
}

// Evenly spaced hues, alternating brightness so neighbouring scenes differ: an 8-bit HSV
// colour (hue in 2-degree steps) turned into RGB in float, rounded as OpenCV rounds it.
platform::Colour sceneColour(int index) {
    const float hue = static_cast<float>(index * 180 / 25) * (6.0f / 180.0f), s = 200 * (1.0f / 255.0f);
    const float v = (index % 2 ? 255 : 190) * (1.0f / 255.0f);
    const int sector = static_cast<int>(std::floor(hue));
    const float f = hue - sector;
    const float tab[4] = {v, v * (1 - s), v * (1 - s * f), v * (1 - s * (1 - f))};
    static const int order[6][3] = {{0, 3, 1}, {2, 0, 1}, {1, 0, 3}, {1, 2, 0}, {3, 1, 0}, {0, 1, 2}};  // r, g, b
    const auto level = [&](int k) { return static_cast<uint8_t>(std::nearbyint(tab[order[sector % 6][k]] * 255.0f)); };
    return {level(0), level(1), level(2)};
}

// A colour scaled as OpenCV scales a colour it is given in doubles (rounding half to even).
platform::Colour scaled(platform::Colour c, double by) {
    const auto level = [by](uint8_t v) { return static_cast<uint8_t>(std::nearbyint(v * by)); };
    return {level(c.r), level(c.g), level(c.b)};
}

}  // namespace

bool plotEdit(const Timeline& edit, const std::string& path, const std::vector<std::string>& inputs, std::string& error) {
    if (!platform::canvas_draws()) {
        error = "--plot-edit is not in the Windows build (it draws with OpenCV); --dump-edit writes the same edit as values";
        return false;
    }
    using platform::CanvasFont;
    platform::Canvas image = platform::make_canvas(kWidth, kHeight, {20, 20, 24});
    // Scene ranges as faint bands across, labelled at the left.
    for (int i = 0; i < 25; ++i) {
        const float lo = static_cast<float>(kSceneStarts[i]);
        const float hi = i < 24 ? static_cast<float>(kSceneStarts[i + 1]) : 510.0f;
        const Point top = at(0, hi), bottom = at(kClockSpan, lo), label = at(0, lo);
        platform::canvas_box(image, top.x, top.y, bottom.x, bottom.y, scaled(sceneColour(i), 0.18));
        platform::canvas_text(image, "scene" + std::to_string(kSceneStarts[i]), label.x - 66, label.y - 2, CanvasFont::Plain,
                              0.8, sceneColour(i));
    }
    for (int s = 0; s <= 320; s += 20) {
        const Point foot = at(static_cast<float>(s), 0), head = at(static_cast<float>(s), kEditSpan);
        platform::canvas_line(image, foot.x, foot.y, head.x, head.y, {60, 60, 60});
        platform::canvas_text(image, std::to_string(s) + "s", foot.x - 12, foot.y + 20, CanvasFont::Plain, 1.0,
                              {200, 200, 200});
    }
    // The cut: one dot per millisecond of clock, in the colour of the scene it shows.
    for (int ms = 0; ms < static_cast<int>(kClockSpan * 1000); ++ms) {
        const float position = edit.values[ms];
        const int scene = sceneForPosition(position);
        int index = 0;
        while (index < 24 && kSceneStarts[index] != scene) ++index;
        const platform::Colour colour = scene < 0 ? platform::Colour{90, 90, 90} : sceneColour(index);
        const Point p = at(ms / 1000.0f, position);
        platform::canvas_box(image, p.x, p.y, p.x + 1, p.y + 1, colour);
    }
    const Point endFoot = at(296, 0), endHead = at(296, kEditSpan);
    platform::canvas_line(image, endFoot.x, endFoot.y, endHead.x, endHead.y, {255, 80, 80}, 2);
    platform::canvas_text(image, "end 296 s", endHead.x + 6, endHead.y + 16, CanvasFont::Plain, 1.2, {255, 80, 80});
    platform::canvas_text(image, "part clock ->   edit position ^", kLeft + 10, kTop + 16, CanvasFont::Plain, 1.2,
                          {220, 220, 220});
    std::vector<uint8_t> png;
    if (!platform::canvas_png(image, png)) {
        error = "cannot encode the edit's plot as PNG";
        return false;
    }
    platform::WriteOptions options;
    options.inputs = inputs;
    return platform::write_file(path, png.data(), png.size(), options, error) == platform::FileWrite::Written;
}
