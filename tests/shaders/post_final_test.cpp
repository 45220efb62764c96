// The post pass (halation, double exposure, the moon under the free camera, then the print)
// and the print of a finished picture alone (the final pass's file, and its knobs), fed
// with pictures painted straight into the targets they read.
#include <GL/glew.h>
#include <GL/glu.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "shader_test.h"

namespace {

constexpr int kW = 240;
constexpr int kH = 135;

std::array<float, 16> matrixOf(GLenum which) {
    std::array<float, 16> m{};
    glGetFloatv(which, m.data());
    return m;
}

}  // namespace

class PostFinalTest : public ShowShaderTest {
protected:
    void SetUp() override {
        ShowShaderTest::SetUp();
        if (IsSkipped()) return;
        createPassTargets(targets, kW, kH);
        input.noise = flatTexture(128, 128, 128, 64);
        input.blue = flatTexture(128, 128, 128, 64);
    }
    // Paints the composite's result, which the post pass reads, and runs the post pass.
    Picture post(const TexelFill& composite) {
        fillTexture(targets.composite.textures[1], kW, kH, composite);
        runPost(programs(), targets, input);
        return readTexture(targets.post.textures[1]);
    }
    // Paints a finished picture into the post target and prints it alone.
    Picture print(const TexelFill& postResult) {
        fillTexture(targets.post.textures[1], kW, kH, postResult);
        runPrint(programs(), targets, input);
        return readWindow(kW, kH);
    }
    static std::array<uint8_t, 4> brightDisc(int x, int y) {
        const int dx = x - kW / 2, dy = y - kH / 2;
        return grey(dx * dx + dy * dy < 100 ? 255 : 10);
    }

    PassTargets targets;
    PassInputs input;
};

TEST_F(PostFinalTest, HighlightsHalateWarmlyAndTheKnobSpreadsIt) {
    // Just outside a bright disc on black, the glow is redder than the black further off
    // (which the print tones teal); k2 raises it.
    input.fullttime = 3.0f;
    const Picture designed = post(brightDisc);
    const int x0 = kW / 2 + 11, x1 = kW / 2 + 13, y0 = kH / 2 - 2, y1 = kH / 2 + 2;
    const auto redOverBlue = [&](int from, int to) {
        return designed.mean(from, y0, to, y1, 0) - designed.mean(from, y0, to, y1, 2);
    };
    EXPECT_GT(redOverBlue(x0, x1), redOverBlue(x0 + 40, x1 + 40) + 3);
    EXPECT_LT(designed.mean(0, 0, 20, 20, 0), 16) << "the glow spreads over the whole frame";
    input.knobs[2] = 1;
    const Picture turnedUp = post(brightDisc);
    EXPECT_GT(turnedUp.mean(x0, y0, x1, y1, 0), designed.mean(x0, y0, x1, y1, 0) + 4);
}

TEST_F(PostFinalTest, BelowFullScaleLateralRedLiesAsFarFromGreenAsOnTheScreen) {
    // A grey column towards the right edge (too dim to halate): red is read that many screen
    // pixels towards the centre. At half scale each pixel stands for two of the screen's;
    // red read from whole pixels of the smaller picture moved in steps of two screen pixels.
    input.knobs[2] = 1.0f;  // the widest lateral colour
    const auto shift = [&](int width, int height, float scale) {
        PassTargets t;
        createPassTargets(t, width, height);
        const int x0 = width * 200 / kW, x1 = width * 212 / kW;
        fillTexture(t.composite.textures[1], width, height,
                    [=](int x, int) { return grey(x >= x0 && x < x1 ? 120 : 20); });
        input.renderScale = scale;
        runPost(programs(), t, input);
        const Picture out = readTexture(t.post.textures[1]);
        // Centre of each channel's excess over the ground along the middle rows, in screen pixels.
        double centre[2] = {0, 0};
        for (int c = 0; c < 2; ++c) {
            double sum = 0, weighted = 0;
            for (int y = height / 3; y < 2 * height / 3; ++y)
                for (int x = width / 2; x < width - 2; ++x) {
                    const double excess = std::max(0, out.at(x, y, c) - out.at(width / 2, y, c));
                    sum += excess;
                    weighted += excess * (x + 0.5) / scale;
                }
            centre[c] = weighted / sum;
        }
        return centre[0] - centre[1];  // red lies further out
    };
    const double screen = shift(kW, kH, 1.0f), half = shift(kW / 2, kH / 2, 0.5f);
    EXPECT_GT(screen, 1.5) << "no lateral colour to compare";
    EXPECT_NEAR(half, screen, 0.45);
}

TEST_F(PostFinalTest, SecondReelIsDoubleExposedOnlyOverTheLastStretch) {
    input.video2 = flatTexture(220, 220, 220);
    const auto darkFrame = [](int, int) { return grey(30); };
    input.ttime = input.cttime = 100.0f;
    const double before = post(darkFrame).mean(100, 50, 140, 85, 1);
    input.ttime = input.cttime = 390.0f;
    const double during = post(darkFrame).mean(100, 50, 140, 85, 1);
    EXPECT_GT(during, before + 20);
}

TEST_F(PostFinalTest, MoonHangsWhereTheFreeCameraLooks) {
    input.moon = flatTexture(250, 250, 240);
    auto lookAlong = [&](float sign) {
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        gluPerspective(35, static_cast<double>(kW) / kH, 0.01, 64);
        input.projection = matrixOf(GL_PROJECTION_MATRIX);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        // The moon's direction in the free camera's world.
        gluLookAt(0, 0, 0, sign * -0.2426, sign * -0.3174, sign * 0.9167, 0, 1, 0);
        input.view = matrixOf(GL_MODELVIEW_MATRIX);
        glLoadIdentity();
        return post([](int, int) { return grey(20); });
    };
    // Looking away from the moon's direction, then along it.
    const Picture away = lookAlong(-1), towards = lookAlong(1);
    EXPECT_GT(towards.mean(kW / 2 - 2, kH / 2 - 2, kW / 2 + 2, kH / 2 + 2, 1), 150);
    EXPECT_LT(away.mean(kW / 2 - 2, kH / 2 - 2, kW / 2 + 2, kH / 2 + 2, 1), 60);
}

TEST_F(PostFinalTest, PrintKeepsBlackAndWhiteApartAndDarkensTheMiddle) {
    const Picture out = print([](int x, int) { return grey(x < kW / 3 ? 0 : x < 2 * kW / 3 ? 128 : 255); });
    const int y0 = kH / 2 - 10, y1 = kH / 2 + 10;
    const double black = out.mean(60, y0, 70, y1, 1), middle = out.mean(115, y0, 125, y1, 1),
                 white = out.mean(170, y0, 180, y1, 1);
    EXPECT_LT(black, 8.0);
    EXPECT_GT(white, 220.0);
    EXPECT_LT(white, 251.0);
    EXPECT_LT(middle, 124.0) << "the print does not have the dark look";
    EXPECT_GT(middle, 70.0);
}

TEST_F(PostFinalTest, PrintKnobsChangeContrastVignetteAndTemperature) {
    const auto twoTones = [](int x, int) { return grey(x < kW / 2 ? 80 : 180); };
    const int y0 = kH / 2 - 10, y1 = kH / 2 + 10;
    const auto spread = [&](const Picture& p) { return p.mean(150, y0, 170, y1, 1) - p.mean(70, y0, 90, y1, 1); };
    const auto cornerShare = [&](const Picture& p) { return p.mean(0, 0, 12, 12, 1) / p.mean(114, 62, 126, 74, 1); };
    const auto warmth = [&](const Picture& p) { return p.mean(150, y0, 170, y1, 0) - p.mean(150, y0, 170, y1, 2); };
    const Picture designed = print(twoTones);
    input.knobs[4] = 1;
    const Picture hard = print(twoTones);
    input.knobs[4] = -1;
    input.knobs[5] = 1;
    const Picture deepVignette = print([](int, int) { return grey(160); });
    input.knobs[5] = -1;
    const Picture flatVignette = print([](int, int) { return grey(160); });
    input.knobs[3] = 1;
    const Picture cold = print(twoTones);
    EXPECT_GT(spread(hard), spread(designed) + 8) << "k4";
    EXPECT_LT(cornerShare(deepVignette), cornerShare(flatVignette) - 0.1) << "k5";
    EXPECT_LT(cornerShare(flatVignette), 0.97) << "no vignette as designed";
    EXPECT_LT(warmth(cold), warmth(designed) - 3) << "k3";
}

TEST_F(PostFinalTest, PrintOfAGentleGradientIsDitheredNotBanded) {
    // The print curve steepens a 20-level ramp across the frame; its own dither keeps the
    // 8-bit window free of bands.
    const Picture out = print([](int x, int) { return grey(static_cast<uint8_t>(100 + x * 20 / kW)); });
    EXPECT_LT(out.longestRun(kH / 2, 1), 10);
}
