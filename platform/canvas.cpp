// What both systems' canvases share.
#include "platform/canvas.h"

namespace platform {

Canvas make_canvas(int width, int height, Colour fill) {
    Canvas canvas;
    canvas.width = width;
    canvas.height = height;
    canvas.rgb.resize(static_cast<size_t>(width) * height * 3);
    for (size_t i = 0; i < canvas.rgb.size(); i += 3) {
        canvas.rgb[i] = fill.r;
        canvas.rgb[i + 1] = fill.g;
        canvas.rgb[i + 2] = fill.b;
    }
    return canvas;
}

}  // namespace platform
