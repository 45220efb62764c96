// The stroke font's glyph table and the text drawing loop.
#include "models/stroke_font.h"

#include "platform/gl.h"

namespace {

#include "models/stroke_glyphs.inc"

// Codes 0-31 and 127 share the fallback ring; 32-126 have their own strips.
const unsigned char* const glyph_table[128] = {
    g_fallback, g_fallback, g_fallback, g_fallback, g_fallback, g_fallback, g_fallback, g_fallback,
    g_fallback, g_fallback, g_fallback, g_fallback, g_fallback, g_fallback, g_fallback, g_fallback,
    g_fallback, g_fallback, g_fallback, g_fallback, g_fallback, g_fallback, g_fallback, g_fallback,
    g_fallback, g_fallback, g_fallback, g_fallback, g_fallback, g_fallback, g_fallback, g_fallback,
    g_32, g_33, g_34, g_35, g_36, g_37, g_38, g_39,
    g_40, g_41, g_42, g_43, g_44, g_45, g_46, g_47,
    g_48, g_49, g_50, g_51, g_52, g_53, g_54, g_55,
    g_56, g_57, g_58, g_59, g_60, g_61, g_62, g_63,
    g_64, g_65, g_66, g_67, g_68, g_69, g_70, g_71,
    g_72, g_73, g_74, g_75, g_76, g_77, g_78, g_79,
    g_80, g_81, g_82, g_83, g_84, g_85, g_86, g_87,
    g_88, g_89, g_90, g_91, g_92, g_93, g_94, g_95,
    g_96, g_97, g_98, g_99, g_100, g_101, g_102, g_103,
    g_104, g_105, g_106, g_107, g_108, g_109, g_110, g_111,
    g_112, g_113, g_114, g_115, g_116, g_117, g_118, g_119,
    g_120, g_121, g_122, g_123, g_124, g_125, g_126, g_fallback,
};

bool is_one_of(char c, const char* set) {
    for (; *set; ++set)
        if (c == *set) return true;
    return false;
}

}  // namespace

const unsigned char* glyph_for(unsigned char code) {
    // Codes above 127 fall back to entry 0, the ring.
    return glyph_table[code < 128 ? code : 0];
}

float glyph_advance(const std::string& text, size_t i) {
    const char c = text[i];
    const char next = i + 1 < text.size() ? text[i + 1] : '\0';  // the terminator after the last
    const auto either = [&](char x) { return c == x || next == x; };
    // Later matches override earlier ones.
    float a = 1.0f;
    if (i + 1 < text.size() && either('i')) a = 0.67f;
    if (either('t')) a = 0.7f;
    if (either('f')) a = 0.75f;
    if (either('l')) a = 0.7f;
    if (is_one_of(c, "1.,:") || is_one_of(next, "1.,:")) a = 0.7f;
    if (c == 'l' && next == 'l') a = 0.4f;
    return a;
}

void draw_text(const std::string& text, const float position[3], const float size[3]) {
    glDisable(GL_DEPTH_TEST);
    glHint(GL_LINE_SMOOTH_HINT, GL_NICEST);
    glEnable(GL_POLYGON_SMOOTH);
    glHint(GL_POLYGON_SMOOTH_HINT, GL_NICEST);
    glPushMatrix();
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glPushMatrix();
    glScalef(14.0f, -20.0f, 20.0f);

    float pen = 0.0f;
    for (size_t i = 0; i < text.size(); ++i) {
        const float advance = glyph_advance(text, i);
        const unsigned char* p = glyph_for(static_cast<unsigned char>(text[i]));
        while (*p != 255) {  // one strip per iteration; a 255 at a strip start ends the glyph
            glBegin(GL_TRIANGLE_STRIP);
            for (; *p != 255; ++p) {
                const float gx = static_cast<float>(*p >> 4), gy = static_cast<float>(*p & 15);
                glVertex3f(position[0] + size[0] * (pen + gx * 0.0625f), position[1] + size[1] * gy * 0.0625f,
                           position[2]);
            }
            glEnd();
            ++p;
        }
        pen += advance;
    }

    glPopMatrix();
    glDisable(GL_BLEND);
    glPopMatrix();
    glEnable(GL_DEPTH_TEST);
}
