#include <gtest/gtest.h>

#include "models/stroke_font.h"

TEST(StrokeFont, ThinLetterAdvances) {
    EXPECT_FLOAT_EQ(glyph_advance("ll", 0), 0.4f);
    EXPECT_FLOAT_EQ(glyph_advance("ll", 1), 0.7f);
    EXPECT_FLOAT_EQ(glyph_advance("il", 0), 0.7f);
    EXPECT_FLOAT_EQ(glyph_advance("il", 1), 0.7f);
    EXPECT_FLOAT_EQ(glyph_advance("ai", 1), 1.0f);  // an i at the end of a text
    EXPECT_FLOAT_EQ(glyph_advance("ai", 0), 0.67f); // but the i still narrows its predecessor
    EXPECT_FLOAT_EQ(glyph_advance("ab", 0), 1.0f);
    EXPECT_FLOAT_EQ(glyph_advance("f", 0), 0.75f);
    EXPECT_FLOAT_EQ(glyph_advance("a.", 0), 0.7f);
}

TEST(StrokeFont, CodesAboveAsciiAndControlCodesDrawTheFallbackRing) {
    const unsigned char* ring = glyph_for(0);
    EXPECT_EQ(glyph_for(200), ring);
    EXPECT_EQ(glyph_for(127), ring);
    EXPECT_EQ(glyph_for(31), ring);
    EXPECT_NE(glyph_for('A'), ring);
    EXPECT_EQ(ring[0], 0x44);
}

TEST(StrokeFont, GlyphsStayOnTheGridAndEndWithTwoTerminators) {
    for (int c = 0; c < 128; ++c) {
        const unsigned char* p = glyph_for(static_cast<unsigned char>(c));
        int strips = 0;
        while (*p != 255) {
            for (; *p != 255; ++p) {
                EXPECT_LE(*p >> 4, 15);
                EXPECT_LE(*p & 15, 15);
            }
            ++p;
            ++strips;
            ASSERT_LT(strips, 40) << "glyph " << c << " does not end";
        }
    }
    EXPECT_EQ(glyph_for(' ')[0], 255);  // space: no strips
}
