// The object program as the scenes use it: "Mode" 0-4 and "cl", read back from the three
// outputs of a scene target.
#include <GL/glew.h>
#include <GL/glu.h>
#include <gtest/gtest.h>

#include "shader_test.h"

namespace {

constexpr int kW = 192;
constexpr int kH = 108;

// A scene camera like the scenes': gluPerspective with near 0.01, gluLookAt.
void camera(float fov, float eyeX, float eyeY, float eyeZ, float far = 700) {
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(fov, static_cast<double>(kW) / kH, 0.01, far);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    gluLookAt(eyeX, eyeY, eyeZ, 0, 0, 0, 0, 1, 0);
    glEnable(GL_DEPTH_TEST);
}

void sphere(float radius, bool normals) {
    GLUquadric* q = gluNewQuadric();
    gluQuadricNormals(q, normals ? GLU_SMOOTH : GLU_NONE);
    gluSphere(q, radius, 48, 32);
    gluDeleteQuadric(q);
}

double luma(const Picture& p, int x0, int y0, int x1, int y1) {
    return 0.2126 * p.mean(x0, y0, x1, y1, 0) + 0.7152 * p.mean(x0, y0, x1, y1, 1) + 0.0722 * p.mean(x0, y0, x1, y1, 2);
}

}  // namespace

class ObjectShadingTest : public ShowShaderTest {
protected:
    void SetUp() override {
        ShowShaderTest::SetUp();
        if (IsSkipped()) return;
        createPassTargets(targets, kW, kH);
    }
    // Draws with the object program into the scene target, cleared to colour, and reads
    // outputs 0, 1 and 2 back.
    template <typename Draw>
    std::array<Picture, 3> scene(Draw draw, float r = 0, float g = 0, float b = 0) {
        beginScene(targets, r, g, b, 0);
        draw();
        endScene(targets);
        return {readTexture(targets.scene.textures[1]), readTexture(targets.scene.textures[2]),
                readTexture(targets.scene.textures[3])};
    }
    // A lit white sphere filling the middle of the frame, seen from the front.
    std::array<Picture, 3> litSphere(float mode, std::array<float, 5> knobs = {-1, -1, -1, -1, -1}, bool normals = true) {
        return scene([&] {
            camera(40, 0, 0, 4);
            useObject(mode, 0, 50, knobs);
            glColor3f(1, 1, 1);
            if (!normals) glNormal3f(0, 0, 1);  // a stale normal, as meshes drawn from colours leave
            sphere(1.2f, normals);
        });
    }
    PassTargets targets;
};

TEST_F(ObjectShadingTest, BackgroundQuadShowsTheTextureOnUnitZeroTimesItsColour) {
    const GLuint quadrants = makeTexture(64, 64, [](int x, int y) {
        return std::array<uint8_t, 4>{static_cast<uint8_t>(x < 32 ? 200 : 40), static_cast<uint8_t>(y < 32 ? 180 : 60), 120, 255};
    });
    const auto out = scene([&] {
        useObject(0);
        glBindTexture(GL_TEXTURE_2D, quadrants);
        glColor4f(1, 0.5f, 1, 1);
        drawFullscreenQuad();
    });
    const Picture& c = out[0];
    EXPECT_NEAR(c.at(kW / 4, kH / 4, 0), 200, 3);
    EXPECT_NEAR(c.at(kW / 4, kH / 4, 1), 90, 3);  // glColor's 0.5 modulates
    EXPECT_NEAR(c.at(3 * kW / 4, 3 * kH / 4, 0), 40, 3);
    EXPECT_NEAR(c.at(3 * kW / 4, 3 * kH / 4, 1), 30, 3);
    EXPECT_NEAR(c.at(3 * kW / 4, kH / 4, 2), 120, 3);
    // A picture is no surface: outputs 1 and 2 carry nothing for the composite.
    EXPECT_EQ(out[2].at(kW / 2, kH / 2, 3), 0);
    EXPECT_EQ(out[1].at(kW / 2, kH / 2, 3), 0);
}

TEST_F(ObjectShadingTest, BackgroundQuadWithoutATextureShowsItsColour) {
    const auto out = scene([&] {
        useObject(0);
        glBindTexture(GL_TEXTURE_2D, 0);
        glColor4f(0.2f, 0.6f, 0.4f, 1);
        drawFullscreenQuad();
    });
    EXPECT_NEAR(out[0].at(kW / 2, kH / 2, 0), 51, 2);
    EXPECT_NEAR(out[0].at(kW / 2, kH / 2, 1), 153, 2);
    EXPECT_NEAR(out[0].at(kW / 2, kH / 2, 2), 102, 2);
}

TEST_F(ObjectShadingTest, OverlayModeReadsTextureWithoutMovingTheBackgroundsOffUnitZero) {
    const GLuint red = flatTexture(220, 10, 10), green = flatTexture(10, 220, 10);
    const auto overlay = scene([&] {
        useObject(1);
        glBindTexture(GL_TEXTURE_2D, red);
        setUniformTexture(programs().object, 1, "Texture", green);
        glMatrixMode(GL_MODELVIEW);
        glColor4f(1, 1, 1, 1);
        drawFullscreenQuad();
    });
    EXPECT_GT(overlay[0].at(kW / 2, kH / 2, 1), 200);
    EXPECT_LT(overlay[0].at(kW / 2, kH / 2, 0), 20);
    // The sampler keeps unit 1 in the program from now on; a background quad must still
    // show what is bound on unit 0.
    const auto background = scene([&] {
        useObject(0);
        glBindTexture(GL_TEXTURE_2D, red);
        glColor4f(1, 1, 1, 1);
        drawFullscreenQuad();
    });
    EXPECT_GT(background[0].at(kW / 2, kH / 2, 0), 200);
    EXPECT_LT(background[0].at(kW / 2, kH / 2, 1), 20);
}

TEST_F(ObjectShadingTest, LitGeometryIsBrightTowardsTheKeyAndMarkedAsASurface) {
    const auto out = litSphere(0);
    const double key = luma(out[0], 70, 56, 86, 68);     // upper left of the sphere
    const double shadow = luma(out[0], 106, 40, 122, 52);  // lower right
    EXPECT_GT(key, shadow + 25);
    EXPECT_LT(luma(out[0], 0, 0, 10, 10), 2.0) << "the clear colour around the sphere changed";
    // Output 2: a normal facing the camera at the centre, and the surface mark (1/4 .. 1/2).
    EXPECT_GT(out[2].at(kW / 2, kH / 2, 2), 240);
    EXPECT_NEAR(out[2].at(kW / 2, kH / 2, 0), 128, 12);
    EXPECT_GE(out[2].at(kW / 2, kH / 2, 3), 63);
    EXPECT_LE(out[2].at(kW / 2, kH / 2, 3), 128);
    EXPECT_EQ(out[2].at(2, 2, 3), 0);
    // Output 1 alpha: the surface leaves a trail.
    EXPECT_GT(out[1].at(kW / 2, kH / 2, 3), 100);
}

TEST_F(ObjectShadingTest, MeshWithAStaleNormalIsStillShadedByItsFaces) {
    const auto out = litSphere(0, {-1, -1, -1, -1, -1}, false);
    EXPECT_GT(luma(out[0], 70, 56, 86, 68), luma(out[0], 106, 40, 122, 52) + 25);
}

TEST_F(ObjectShadingTest, SwarmTintAndGlowFollowCl) {
    auto swarm = [&](float cl) {
        return scene([&] {
            camera(40, 0, 0, 4);
            useObject(3, cl);
            glColor3f(1, 1, 1);
            sphere(1.2f, true);
        });
    };
    const auto ember = swarm(0.0f), pale = swarm(0.4f);
    const auto warmth = [](const Picture& p) { return p.mean(80, 44, 112, 64, 0) - p.mean(80, 44, 112, 64, 2); };
    EXPECT_GT(warmth(ember[0]), warmth(pale[0]) + 20);
    EXPECT_GT(pale[1].mean(80, 44, 112, 64, 0), ember[1].mean(80, 44, 112, 64, 0) + 10) << "cl does not make a box glow";
}

TEST_F(ObjectShadingTest, TerrainFadesIntoFogOfBrightnessCl) {
    auto terrain = [&](float cl) {
        return scene(
            [&] {
                camera(65, 0, 1, 6, 4700);
                useObject(4, cl);
                glColor3f(1, 1, 1);
                glNormal3f(0, 1, 0);
                glBegin(GL_QUADS);
                glVertex3f(-3000, -1, 5);
                glVertex3f(3000, -1, 5);
                glVertex3f(3000, -1, -3000);
                glVertex3f(-3000, -1, -3000);
                glEnd();
            },
            cl, cl, cl);
    };
    const auto white = terrain(1.0f);
    // Picture rows count from the bottom. The camera looks atan(1/6) below the horizon,
    // which therefore lies 54 * tan(9.46°) / tan(32.5°) = 14 rows above the middle; the two
    // rows under it see the ground 100 and more units away.
    EXPECT_LT(white[0].mean(80, 0, 112, 6, 1), 200) << "the near ground is lost in the fog";
    EXPECT_GT(white[0].mean(80, 66, 112, 68, 1), 235) << "the far ground does not reach the white fog";
    const auto greyFog = terrain(0.5f);
    EXPECT_NEAR(greyFog[0].mean(80, 66, 112, 68, 1), 128, 10);
    EXPECT_LT(greyFog[0].mean(80, 0, 112, 6, 1), 110);
}

TEST_F(ObjectShadingTest, PointsKeepTheirColour) {
    const auto out = scene([&] {
        camera(40, 0, 0, 3);
        useObject(0);
        glPointSize(9);
        glBegin(GL_POINTS);
        glColor3f(0.6f, 0.3f, 0.1f);
        glVertex3f(0, 0, 0);
        glEnd();
    });
    EXPECT_NEAR(out[0].at(kW / 2, kH / 2, 0), 153, 6);
    EXPECT_NEAR(out[0].at(kW / 2, kH / 2, 1), 77, 6);
    EXPECT_NEAR(out[0].at(kW / 2, kH / 2, 2), 26, 6);
}

TEST_F(ObjectShadingTest, SameEditPositionDrawsTheSamePixels) {
    auto at = [&](float ttime) {
        return scene([&] {
            camera(40, 0, 0, 4);
            useObject(0, 0, ttime);
            glColor3f(0.7f, 0.7f, 0.7f);
            sphere(1.2f, true);
        });
    };
    const auto first = at(57.31f), second = at(57.31f);
    EXPECT_EQ(first[0].rgba, second[0].rgba);
    EXPECT_EQ(first[1].rgba, second[1].rgba);
    EXPECT_EQ(first[2].rgba, second[2].rgba);
}

TEST_F(ObjectShadingTest, TemperatureAndContrastKnobsChangeTheLight) {
    const auto asDesigned = litSphere(0);
    const auto cold = litSphere(0, {-1, -1, -1, 1, -1});
    const auto hard = litSphere(0, {-1, -1, -1, -1, 1});
    const auto warmth = [](const Picture& p) { return p.mean(70, 56, 86, 68, 0) - p.mean(70, 56, 86, 68, 2); };
    EXPECT_GT(warmth(asDesigned[0]), warmth(cold[0]) + 10) << "k3 does not cool the key light";
    EXPECT_LT(luma(hard[0], 106, 40, 122, 52), luma(asDesigned[0], 106, 40, 122, 52) - 5) << "k4 does not deepen the shadows";
}
