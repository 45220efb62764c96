// A picture the show draws of itself (the contact sheet, the edit's plot) and writes as
// PNG. Linux draws with OpenCV. The Windows build has no OpenCV: it shrinks frames into
// the picture and writes PNG (stb_image_write), but draws no boxes, lines or text
// (canvas_draws() says so, and those calls leave the picture as it was).
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace platform {

struct Colour {
    uint8_t r = 0, g = 0, b = 0;
};

struct Canvas {
    int width = 0;  // pixels
    int height = 0;
    std::vector<uint8_t> rgb;  // 3 bytes a pixel, rows top first
};

Canvas make_canvas(int width, int height, Colour fill);

// Whether boxes, lines and text are drawn on this system.
bool canvas_draws();

// A frame read back from GL (frameW x frameH pixels of BGRA, bottom row first) shrunk by
// area averaging into the w x h box whose top left corner is x, y (inside the canvas).
void canvas_put_frame(Canvas& canvas, int x, int y, int w, int h, const uint8_t* bgra, int frameW, int frameH);

// A filled box between two corners, both included.
void canvas_box(Canvas& canvas, int x0, int y0, int x1, int y1, Colour colour);
void canvas_line(Canvas& canvas, int x0, int y0, int x1, int y1, Colour colour, int thickness = 1);

enum class CanvasFont { Plain, Simplex };  // a thin stroke font, and a rounder one
// Text whose baseline starts at x, y; scale 1 is about 10 (Plain) or 20 (Simplex) pixels
// high. Edges blended.
void canvas_text(Canvas& canvas, const std::string& text, int x, int y, CanvasFont font, double scale,
                 Colour colour);

// The picture as a PNG file's bytes, compressed at zlib's level (1 fastest .. 9 strongest;
// the same bytes every time for a level). False when it cannot be encoded.
bool canvas_png(const Canvas& canvas, std::vector<uint8_t>& png, int level = 9);

}  // namespace platform
