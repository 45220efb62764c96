// The composite pass: dithering, grain, trails of 3D objects, and what it must leave
// alone (pictures drawn without the object program, missing pictures).
#include <GL/glew.h>
#include <GL/glu.h>
#include <gtest/gtest.h>

#include "shader_test.h"

namespace {

constexpr int kW = 192;
constexpr int kH = 108;

}  // namespace

class CompositeTest : public ShowShaderTest {
protected:
    void SetUp() override {
        ShowShaderTest::SetUp();
        if (IsSkipped()) return;
        input.noise = flatTexture(128, 128, 128, 64);  // a grain picture without grain
        input.blue = makeTexture(64, 64, [](int x, int y) {
            // Stand-in for the blue-noise picture: independent ranks per channel.
            const auto rank = [&](uint32_t salt) {
                uint32_t h = (static_cast<uint32_t>(x) * 2654435761u) ^ (static_cast<uint32_t>(y) * 40503u + salt);
                h ^= h >> 15;
                h *= 0x2c1b3c6du;
                h ^= h >> 12;
                return static_cast<uint8_t>(h & 255);
            };
            return std::array<uint8_t, 4>{rank(1), rank(2), rank(3), 255};
        });
        input.overlay = flatTexture(0, 0, 0);
        picture = flatTexture(115, 115, 115);
        input.video = picture;
    }

    // One frame: the scene (background picture, then optionally 3D), then the composite.
    template <typename Draw3D>
    Picture frame(PassTargets& t, GLuint background, Draw3D draw3D) {
        beginScene(t, 0, 0, 0, 0);
        drawBackground(background);
        draw3D();
        endScene(t);
        runComposite(programs(), t, input);
        return readTexture(t.composite.textures[1]);
    }
    Picture frame(PassTargets& t, GLuint background) {
        return frame(t, background, [] {});
    }

    // A lit box-shaded sphere on the left of the frame, drawn by the object program.
    void sphereOnTheLeft() {
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        gluPerspective(40, static_cast<double>(kW) / kH, 0.01, 700);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        gluLookAt(0, 0, 4, 0, 0, 0, 0, 1, 0);
        glEnable(GL_DEPTH_TEST);
        useObject(2);
        glColor3f(1, 1, 1);
        glTranslatef(-1.6f, 0, 0);
        GLUquadric* q = gluNewQuadric();
        gluQuadricNormals(q, GLU_SMOOTH);
        gluSphere(q, 0.6, 32, 24);
        gluDeleteQuadric(q);
        glUseProgram(0);
    }

    PassInputs input;
    GLuint picture = 0;
};

TEST_F(CompositeTest, SmoothFallOffIsDitheredInsteadOfBanded) {
    // The lens fall-off turns a flat grey into a slow gradient: unless dithered it would
    // quantise into bands tens of pixels wide.
    PassTargets wide;
    createPassTargets(wide, 512, 288);
    const Picture dithered = frame(wide, picture);
    EXPECT_LT(dithered.flatShare(100, 100, 412, 188, 1), 0.2);
    EXPECT_GT(dithered.deviation(200, 120, 312, 168, 1), 0.3);
    EXPECT_LT(dithered.deviation(200, 120, 312, 168, 1), 1.5);
    input.blue = 0;  // without the blue-noise picture the same frame bands
    const Picture banded = frame(wide, picture);
    EXPECT_GT(banded.flatShare(100, 100, 412, 188, 1), 0.7);
}

TEST_F(CompositeTest, MissingPicturesNeitherDarkenNorStainTheFrame) {
    input.noise = input.blue = input.overlay = input.video = input.video2 = 0;
    PassTargets t;
    createPassTargets(t, kW, kH);
    const Picture out = frame(t, picture);
    EXPECT_NEAR(out.mean(86, 44, 106, 64, 1), 115, 3);
    EXPECT_NEAR(out.mean(86, 44, 106, 64, 0), 115, 6);  // the warm white balance
    EXPECT_NEAR(out.mean(86, 44, 106, 64, 2), 115, 8);
}

TEST_F(CompositeTest, GrainComesFromTheGrainPictureAndTheKnobTurnsItUp) {
    input.noise = grainTexture(160, 90, 40);
    PassTargets t;
    createPassTargets(t, kW, kH);
    const double designed = frame(t, picture).deviation(40, 20, 150, 90, 1);
    input.knobs[0] = 1;
    const double turnedUp = frame(t, picture).deviation(40, 20, 150, 90, 1);
    EXPECT_GT(designed, 2.0) << "no grain as designed";
    EXPECT_GT(turnedUp, 2.5 * designed) << "k0 does not turn the grain up";
}

TEST_F(CompositeTest, HeldFrameKeepsItsGrainMoving) {
    // The edit holds a frame (same grain picture, same position) while the show's clock runs.
    input.noise = grainTexture(160, 90, 40);
    PassTargets t;
    createPassTargets(t, kW, kH);
    const Picture first = frame(t, picture);
    input.fullttime += 1.0f / 24.0f;
    const Picture next = frame(t, picture);
    EXPECT_NE(first.rgba, next.rgba);
}

TEST_F(CompositeTest, BelowFullScaleAPixelTakesTheMeanGrainOfTheScreenPixelsItStandsFor) {
    // At half scale a pixel stands for 2 x 2 of the screen's. Read from one grain each, the
    // enlarged frame's grain came out as strong as the screen's pixels' and twice as coarse.
    input.noise = grainTexture(160, 90, 40);
    PassTargets screen, half;
    createPassTargets(screen, kW, kH);
    createPassTargets(half, kW / 2, kH / 2);
    const Picture full = frame(screen, picture);
    input.renderScale = 0.5f;
    const Picture small = frame(half, picture);
    double off = 0, grain = 0;
    for (int y = 10; y < kH / 2 - 10; ++y)
        for (int x = 10; x < kW / 2 - 10; ++x) {
            const double screenMean = full.mean(2 * x, 2 * y, 2 * x + 2, 2 * y + 2, 1);
            off += std::abs(small.at(x, y, 1) - screenMean);
            grain += std::abs(full.at(2 * x, 2 * y, 1) - screenMean);
        }
    EXPECT_GT(grain, 0.0);
    EXPECT_LT(off, 0.4 * grain) << "the grain of a pixel is not that of the screen pixels it stands for";
}

TEST_F(CompositeTest, ObjectsLeaveTrailsThatFadeToNothing) {
    PassTargets t, clean;
    createPassTargets(t, kW, kH);
    createPassTargets(clean, kW, kH);
    Picture reference;
    for (int i = 0; i < 2; ++i) reference = frame(clean, picture);
    frame(t, picture, [&] { sphereOnTheLeft(); });
    const Picture after = frame(t, picture);
    // Where the sphere was, the last frame still shows; elsewhere nothing changed.
    EXPECT_GT(std::abs(after.mean(40, 44, 56, 64, 1) - reference.mean(40, 44, 56, 64, 1)), 6.0);
    EXPECT_NEAR(after.mean(140, 44, 160, 64, 1), reference.mean(140, 44, 160, 64, 1), 1.5);
    // The mask decays to zero in 8 bits: no ghost stays behind.
    Picture late;
    for (int i = 0; i < 60; ++i) late = frame(t, picture);
    for (int i = 0; i < 60; ++i) reference = frame(clean, picture);
    EXPECT_NEAR(late.mean(40, 44, 56, 64, 1), reference.mean(40, 44, 56, 64, 1), 1.0);
    EXPECT_EQ(late.at(48, 54, 3), 0) << "the trail mask never reaches zero";
}

TEST_F(CompositeTest, FeedbackKnobLengthensTrails) {
    auto residual = [&](float k1) {
        input.knobs[1] = k1;
        PassTargets t, clean;
        createPassTargets(t, kW, kH);
        createPassTargets(clean, kW, kH);
        frame(t, picture, [&] { sphereOnTheLeft(); });
        Picture out, reference;
        for (int i = 0; i < 4; ++i) {
            out = frame(t, picture);
            reference = frame(clean, picture);
        }
        return std::abs(out.mean(40, 44, 56, 64, 1) - reference.mean(40, 44, 56, 64, 1));
    };
    EXPECT_GT(residual(1.0f), residual(-1.0f) + 2.0);
}

TEST_F(CompositeTest, PicturesDrawnWithoutTheProgramLeaveNoTrailOrGlow) {
    // Draws without a program write their colour into all three outputs; the composite
    // must not take a bright picture in outputs 1 and 2 for a glowing, trailing surface.
    // The second picture is a light ground, on which lights leave no lag of their own.
    const GLuint bright = flatTexture(240, 240, 240), lighter = flatTexture(200, 200, 200);
    PassTargets t, clean;
    createPassTargets(t, kW, kH);
    createPassTargets(clean, kW, kH);
    frame(t, bright);
    const Picture afterBright = frame(t, lighter);
    const Picture lighterOnly = frame(clean, lighter);
    EXPECT_NEAR(afterBright.mean(60, 30, 130, 80, 1), lighterOnly.mean(60, 30, 130, 80, 1), 1.0);
}

TEST_F(CompositeTest, AdditivePointsOverAPictureMarkNoSurface) {
    // The point clouds are drawn additively over the background; black points add nothing
    // and must stay invisible, although they write depth and outputs 1 and 2.
    PassTargets t, clean;
    createPassTargets(t, kW, kH);
    createPassTargets(clean, kW, kH);
    const Picture withPoints = frame(t, picture, [&] {
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        gluPerspective(40, static_cast<double>(kW) / kH, 0.01, 700);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        gluLookAt(0, 0, 3, 0, 0, 0, 0, 1, 0);
        glEnable(GL_DEPTH_TEST);
        glEnable(GL_BLEND);
        glBlendFunc(GL_ONE, GL_ONE);
        useObject(0);
        glPointSize(12);
        glBegin(GL_POINTS);
        glColor3f(0, 0, 0);
        glVertex3f(0, 0, 0);
        glEnd();
        glDisable(GL_BLEND);
        glUseProgram(0);
    });
    const Picture without = frame(clean, picture);
    EXPECT_NEAR(withPoints.mean(90, 48, 102, 60, 1), without.mean(90, 48, 102, 60, 1), 1.0);
}

TEST_F(CompositeTest, ABrightLightOnADarkGroundFadesOverAFewFramesAndTheKnobLengthensIt) {
    // A picture with a bright patch, then the same picture without it: the lag keeps the
    // light a few frames; on a bright ground it leaves nothing.
    const auto patch = [](uint8_t ground) {
        return [ground](int x, int y) { return x > 80 && x < 110 && y > 40 && y < 70 ? grey(240) : grey(ground); };
    };
    const auto tail = [&](float k1, uint8_t ground) {
        input.knobs[1] = k1;
        const GLuint lit = makeTexture(kW, kH, patch(ground)), plain = flatTexture(ground, ground, ground);
        PassTargets t, clean;
        createPassTargets(t, kW, kH);
        createPassTargets(clean, kW, kH);
        frame(t, lit);
        const double next = frame(t, plain).mean(88, 48, 102, 62, 1) - frame(clean, plain).mean(88, 48, 102, 62, 1);
        Picture late;
        for (int i = 0; i < 12; ++i) late = frame(t, plain);
        const double after = late.mean(88, 48, 102, 62, 1) - frame(clean, plain).mean(88, 48, 102, 62, 1);
        return std::make_pair(next, after);
    };
    const auto [designed, designedLate] = tail(-1, 20);
    EXPECT_GT(designed, 60) << "the light vanished at once";
    EXPECT_LT(designedLate, 2) << "the light never faded";
    EXPECT_GT(tail(1, 20).first, designed + 10) << "k1 does not lengthen the lag";
    EXPECT_LT(tail(-1, 200).first, 3) << "a bright ground lags";
}
