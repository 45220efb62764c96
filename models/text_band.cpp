// Text over the finished picture: fixed-function drawing in window pixels, as the
// launcher does.
#include "models/text_band.h"

#include "platform/gl.h"

#include <algorithm>

#include "models/stroke_font.h"

namespace {

// A glyph cell is 14 x 20 units at scale 1: glyphs 20 pixels high on a 1080-line window,
// smaller with the window but never under 10 pixels, where the stroke font stays legible.
float textScale(int height) { return std::clamp(height / 1080.0f, 0.5f, 1.0f); }

}  // namespace

void drawOverlayLines(const std::vector<std::string>& lines, int width, int height, float r, float g, float b) {
    if (lines.empty() || width <= 0 || height <= 0) return;
    const float scale = textScale(height);
    const float lineHeight = 24.0f * scale;
    const size_t fitting = std::max<size_t>(1, static_cast<size_t>((width - 8) / (14.0f * scale)));

    glUseProgram(0);
    glViewport(0, 0, width, height);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_CULL_FACE);
    for (GLenum mode : {GL_TEXTURE, GL_PROJECTION, GL_MODELVIEW}) {
        glMatrixMode(mode);
        glLoadIdentity();
    }
    // Window pixels, origin top left, y down.
    glScalef(1.0f, -1.0f, 1.0f);
    glTranslatef(-1.0f, -1.0f, 0.0f);
    glScalef(2.0f / width, 2.0f / height, 1.0f);

    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glColor4f(0.0f, 0.0f, 0.0f, 0.7f);
    const float bottom = std::min(static_cast<float>(height), lines.size() * lineHeight + 8.0f * scale);
    glRectf(0.0f, 0.0f, static_cast<float>(width), bottom);
    glColor4f(r, g, b, 1.0f);
    const float origin[3] = {0.0f, 0.0f, 0.0f};
    const float size[3] = {scale, scale, 1.0f};
    for (size_t i = 0; i < lines.size() && (i + 1) * lineHeight <= height; ++i) {
        glPushMatrix();
        glTranslatef(4.0f, (i + 1) * lineHeight, 0.0f);
        draw_text(lines[i].substr(0, fitting), origin, size);
        glPopMatrix();
    }
    glDisable(GL_BLEND);
    glDisable(GL_POLYGON_SMOOTH);  // the stroke font turns it on; the scenes draw without it
}
