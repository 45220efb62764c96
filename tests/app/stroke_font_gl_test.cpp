#include "gl_test_context.h"
#include "models/stroke_font.h"

class StrokeFontGl : public GlTest {};

TEST_F(StrokeFontGl, TextLandsWhereTheGlyphCellsAre) {
    // Pixels, origin top left, like the launcher.
    glScalef(1.0f, -1.0f, 1.0f);
    glTranslatef(-1.0f, -1.0f, 0.0f);
    glScalef(2.0f / kWidth, 2.0f / kHeight, 1.0f);
    glTranslatef(0.0f, 60.0f, 0.0f);
    glColor3f(1, 1, 1);
    const float origin[3] = {0, 0, 0}, scale[3] = {1, 1, 1};
    draw_text("HH", origin, scale);
    // Two glyph cells of 14 x 20 pixels above the baseline y = 60 (rows 40..60 from the top).
    const auto inside = readPixels(0, kHeight - 60, 28, 20);
    const auto below = readPixels(0, 0, kWidth, kHeight - 62);
    const auto right = readPixels(30, kHeight - 60, 60, 20);
    EXPECT_GT(countAbove(inside, 0, 128), 60);
    EXPECT_EQ(countAbove(below, 0, 0), 0);
    EXPECT_EQ(countAbove(right, 0, 0), 0);
}
