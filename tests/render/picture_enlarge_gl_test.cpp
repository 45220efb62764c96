// The enlargement that keeps edges, on a real GL context: a picture drawn at half the
// screen's size (each texel the value at the centre of the 2 x 2 screen pixels it stands
// for, as a rasteriser draws it) is enlarged to the screen and held against the picture
// drawn at full size, and against the plain linear copy.
#include "gl_helpers.h"
#include "gl_test_context.h"
#include "render/picture_copy.h"
#include "render/picture_enlarge.h"
#include "render/render_target.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <vector>

namespace {

constexpr int kScreenW = 128, kScreenH = 96;
constexpr int kDark = 40, kLight = 200;

// The scene in screen pixels (x, y at pixel centres). Rows below 32: a vertical edge at
// x = 40, dark to light, with a dark line two pixels wide at x = 96 on the light side;
// rows from 32 up: light above a diagonal of slope 1/2.
double scene(double x, double y) {
    if (y < 32) {
        if (x >= 96 && x < 98) return kDark;
        return x >= 40 ? kLight : kDark;
    }
    return (y - 32) > 0.5 * (x - 20) ? kLight : kDark;
}

constexpr double kEdgeX = 40.0;  // where the vertical edge lies, in pixel-edge coordinates
double diagonalY(double x) { return 32 + 0.5 * (x - 20); }

// Grey texels from value(x, y), row 0 first.
GLuint greyTexture(int width, int height, const std::function<double(int, int)>& value) {
    std::vector<uint8_t> pixels;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const auto v = static_cast<uint8_t>(std::clamp(std::lround(value(x, y)), 0L, 255L));
            pixels.insert(pixels.end(), {v, v, v, 255});
        }
    const GLuint texture = createColourTexture(width, height);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    return texture;
}

struct Screen {
    std::vector<uint8_t> rgba;
    int width = 0;
    double at(int x, int y) const { return rgba[(static_cast<size_t>(y) * width + x) * 4 + 1]; }
};

class PictureEnlargeGl : public GlTest {
protected:
    void SetUp() override {
        GlTest::SetUp();
        if (IsSkipped()) return;
        createRenderTarget(screen, kScreenW, kScreenH, 0);
    }

    // The picture enlarged into the screen target, sharpened or by the plain copy.
    Screen enlarge(GLuint picture, int width, int height, bool sharpened) {
        glBindFramebuffer(GL_FRAMEBUFFER, screen.resolveFramebuffer);
        glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, screen.textures[1], 0);
        glDrawBuffer(GL_COLOR_ATTACHMENT0);
        glViewport(0, 0, kScreenW, kScreenH);
        glDisable(GL_BLEND);
        if (sharpened)
            drawPictureSharpened(picture, width, height);
        else
            drawPictureEnlarged(picture);
        Screen s;
        s.width = kScreenW;
        s.rgba = texturePixels(screen.textures[1]);
        return s;
    }

    // The scene drawn at scale: each texel the scene at the centre of its screen footprint.
    static GLuint drawnAt(double scale, int& width, int& height) {
        width = static_cast<int>(std::lround(kScreenW * scale));
        height = static_cast<int>(std::lround(kScreenH * scale));
        return greyTexture(width, height, [scale](int x, int y) { return scene((x + 0.5) / scale, (y + 0.5) / scale); });
    }

    // Where row y crosses the middle between dark and light, first from the left between x0 and x1.
    static double crossing(const Screen& s, int y, int x0, int x1) {
        const double middle = 0.5 * (kDark + kLight);
        for (int x = x0; x + 1 < x1; ++x) {
            const double a = s.at(x, y), b = s.at(x + 1, y);
            if ((a - middle) * (b - middle) <= 0 && a != b) return x + 0.5 + (middle - a) / (b - a);
        }
        return -1;
    }
    // Pixels it takes row y to rise from 10 % to 90 % of the step near x.
    static double riseWidth(const Screen& s, int y, int x0, int x1) {
        const auto first = [&](double level) {
            for (int x = x0; x + 1 < x1; ++x)
                if (s.at(x + 1, y) >= level && s.at(x, y) < level)
                    return x + 0.5 + (level - s.at(x, y)) / (s.at(x + 1, y) - s.at(x, y));
            return -1.0;
        };
        return first(kDark + 0.9 * (kLight - kDark)) - first(kDark + 0.1 * (kLight - kDark));
    }

    RenderTarget screen;
};

}  // namespace

TEST_F(PictureEnlargeGl, TheProgramsBuild) {
    int w = 0, h = 0;
    const GLuint picture = drawnAt(0.5, w, h);
    enlarge(picture, w, h, true);
    EXPECT_TRUE(pictureSharpeningAvailable());
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(PictureEnlargeGl, FromHalfScaleAnEdgeStaysWithinAPixelAndRisesFasterThanTheLinearCopy) {
    int w = 0, h = 0;
    const GLuint picture = drawnAt(0.5, w, h);
    const Screen sharp = enlarge(picture, w, h, true), plain = enlarge(picture, w, h, false);
    for (int y = 4; y < 28; ++y) {
        EXPECT_NEAR(crossing(sharp, y, 20, 60), kEdgeX, 1.0) << "row " << y;
        EXPECT_LT(riseWidth(sharp, y, 20, 60), riseWidth(plain, y, 20, 60) - 0.2) << "row " << y;
    }
    // The diagonal edge, column by column: within a pixel of where it lies, and straighter
    // than the linear copy's stair steps.
    const auto diagonalOff = [](const Screen& s, int x) {
        const double middle = 0.5 * (kDark + kLight);
        for (int y = 33; y + 1 < kScreenH; ++y)
            if (s.at(x, y) < middle && s.at(x, y + 1) >= middle)
                return y + 0.5 + (middle - s.at(x, y)) / (s.at(x, y + 1) - s.at(x, y)) - diagonalY(x + 0.5);
        return 99.0;
    };
    double sharpOff = 0, plainOff = 0;
    for (int x = 24; x < 110; ++x) {
        EXPECT_LT(std::abs(diagonalOff(sharp, x)), 1.0) << "column " << x;
        sharpOff += std::abs(diagonalOff(sharp, x));
        plainOff += std::abs(diagonalOff(plain, x));
    }
    EXPECT_LT(sharpOff, 0.9 * plainOff);
}

TEST_F(PictureEnlargeGl, NoRingingBesideAnEdgeAndNothingBeyondThePicturesRange) {
    // Two pixels away from the edge the plateaus keep their level within two code values;
    // nowhere does the picture go darker than its darkest texel or lighter than its lightest.
    int w = 0, h = 0;
    const GLuint picture = drawnAt(0.5, w, h);
    const Screen sharp = enlarge(picture, w, h, true);
    for (int y = 0; y < 28; ++y) {  // rows from 30 up border the diagonal's band
        for (int x = 0; x <= kEdgeX - 3; ++x) EXPECT_NEAR(sharp.at(x, y), kDark, 2.0) << x << "," << y;
        for (int x = kEdgeX + 2; x < 92; ++x) EXPECT_NEAR(sharp.at(x, y), kLight, 2.0) << x << "," << y;
    }
    for (int y = 0; y < kScreenH; ++y)
        for (int x = 0; x < kScreenW; ++x) {
            EXPECT_GE(sharp.at(x, y), kDark - 1);
            EXPECT_LE(sharp.at(x, y), kLight + 1);
        }
}

TEST_F(PictureEnlargeGl, AFineLineGetsBackSomeOfTheContrastTheLinearCopyTakesOff) {
    // A dark line one texel wide: the linear copy lifts it a quarter of the way to the
    // light ground (40 levels); the sharpened one gives a fifth of that back, never more.
    int w = 0, h = 0;
    const GLuint picture = drawnAt(0.5, w, h);
    const Screen sharp = enlarge(picture, w, h, true), plain = enlarge(picture, w, h, false);
    const auto darkest = [](const Screen& s) {
        double v = 255;
        for (int x = 92; x < 102; ++x) v = std::min(v, s.at(x, 16));
        return v;
    };
    EXPECT_GT(darkest(plain), kDark + 30);
    EXPECT_LT(darkest(sharp), darkest(plain) - 6);
    EXPECT_GE(darkest(sharp), kDark - 1);
}

TEST_F(PictureEnlargeGl, GrainStaysFineAndNoStrongerThanInThePicture) {
    // Faint grain (no edge among it) must not be sharpened into blotches: enlarged, its
    // spread stays within the picture's own, and each pixel within its quad's texels.
    int w = 64, h = 48;
    const auto grain = [](int x, int y) {
        unsigned v = static_cast<unsigned>(x) * 73856093u ^ static_cast<unsigned>(y) * 19349663u;
        v ^= v >> 13;
        v *= 0x5bd1e995u;
        v ^= v >> 15;
        return 120.0 + static_cast<double>(v % 13) - 6.0;
    };
    const GLuint picture = greyTexture(w, h, grain);
    const Screen sharp = enlarge(picture, w, h, true);
    double texelSpread = 0, screenSpread = 0;
    for (int y = 2; y < h - 2; ++y)
        for (int x = 2; x < w - 2; ++x) texelSpread += (grain(x, y) - 120) * (grain(x, y) - 120);
    texelSpread = std::sqrt(texelSpread / ((w - 4) * (h - 4)));
    for (int y = 4; y < kScreenH - 4; ++y)
        for (int x = 4; x < kScreenW - 4; ++x) {
            screenSpread += (sharp.at(x, y) - 120) * (sharp.at(x, y) - 120);
            EXPECT_GE(sharp.at(x, y), 120 - 6 - 1);
            EXPECT_LE(sharp.at(x, y), 120 + 6 + 1);
        }
    screenSpread = std::sqrt(screenSpread / ((kScreenW - 8) * (kScreenH - 8)));
    EXPECT_LT(screenSpread, texelSpread);
}

TEST_F(PictureEnlargeGl, AtThreeQuartersScaleTheEdgeHoldsToo) {
    int w = 0, h = 0;
    const GLuint picture = drawnAt(0.75, w, h);
    const Screen sharp = enlarge(picture, w, h, true);
    for (int y = 4; y < 28; ++y) EXPECT_NEAR(crossing(sharp, y, 20, 60), kEdgeX, 1.0) << "row " << y;
    for (int y = 0; y < kScreenH; ++y)
        for (int x = 0; x < kScreenW; ++x) ASSERT_LE(sharp.at(x, y), kLight + 1);
}

TEST_F(PictureEnlargeGl, ASameSizeCopyIsThePlainCopyAndTheTargetIsRestored) {
    // Nothing to enlarge: the plain copy draws; the caller's framebuffer and viewport stay.
    const GLuint picture = greyTexture(kScreenW, kScreenH, [](int x, int y) { return scene(x + 0.5, y + 0.5); });
    const Screen same = enlarge(picture, kScreenW, kScreenH, true), plain = enlarge(picture, kScreenW, kScreenH, false);
    EXPECT_EQ(same.rgba, plain.rgba);
    int w = 0, h = 0;
    const GLuint small = drawnAt(0.5, w, h);
    enlarge(small, w, h, true);
    GLint drawn = 0, viewport[4] = {};
    glGetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING, &drawn);
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(static_cast<GLuint>(drawn), screen.resolveFramebuffer);
    EXPECT_EQ(viewport[2], kScreenW);
    EXPECT_EQ(viewport[3], kScreenH);
}
