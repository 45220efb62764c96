// Stroke-font text: a built-in vector font on a 16 x 16 grid, drawn as antialiased
// triangle strips in immediate mode. Needs no texture, file or shader.
#pragma once
#include <string>

// Draws text with the caller's colour and modelview; position and size are (x, y, z),
// size's z is unused. A glyph cell is 14 x 20 units after the built-in scale, y mirrored.
void draw_text(const std::string& text, const float position[3], const float size[3]);

// The pen advance of character i of text (1.0, or less for thin letters and pairs).
float glyph_advance(const std::string& text, size_t i);

// The glyph entry used for a character code: strips of grid points (x << 4 | y),
// 255 ends a strip, 255 where a strip would start ends the glyph.
const unsigned char* glyph_for(unsigned char code);
