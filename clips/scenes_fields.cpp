// The scenes of points, meshes and repeated geometry: the coloured sculptures, the star and
// snow fields, the box swarm and the terrain rows.
#include "platform/gl.h"

#include <cmath>

#include "app/app_state.h"
#include "clips/scene_frame.h"
#include "platform/runtime_random.h"

using namespace scene;

namespace {
const float kBlack[4] = {0, 0, 0, 0};
const float kWhite[4] = {1, 1, 1, 0};

float frac(double v) { return static_cast<float>(v - std::floor(v)); }
}  // namespace

void Part_Clips::scene60() {
    const float x = clock;
    beginScene(60, kBlack);
    beginBackground(textures[textureVideo].id);
    const float s = 1.3f * 2.5f;
    glScalef(s, -s, s);
    glScalef(0.5625f, 1, 1);
    glTranslatef(-0.48f, -0.071f, 0);
    backgroundQuad();
    endBackground();
    begin3D(Camera{20, {-2, -0.142f, 0.142f}}, windowAspect(*this), objectProgram);
    glTranslatef(0, 0, (x - 60) * 0.026f);
    glScalef(0.025f, 0.025f, 0.025f);
    glScalef(1, 1, -1);
    drawPly(scul1);
    glTranslatef(0, 0, 1.3f);
    glRotatef(27.85f, 1, 0, 0);
    glTranslatef(0, 0, 1.3f);
    drawPly(scul2);
    endScene();
}

void Part_Clips::scene80() {
    const float x = clock;
    beginScene(80, kBlack);
    beginBackground(textures[textureVideo].id);
    glScalef(0.7f, 0.7f, 0.7f);
    glScalef(1, -1, 1);
    backgroundQuad();
    endBackground();
    begin3D(Camera{65, {0, 0, 2}}, windowAspect(*this), objectProgram);
    glDisable(GL_TEXTURE_2D);
    platform::runtime_srand(42343);
    // Points are 7 pixels of the window, whatever the scale the scene is drawn at.
    glPointSize(7 * renderScale.scale());
    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ONE);
    glBegin(GL_POINTS);
    for (int i = 0; i < 500; ++i) {
        const int r1 = rnd(), r2 = rnd(), r3 = rnd(), r4 = rnd();
        const float t = frac((r4 / 32767.0 * 0.1 + 0.4) * x * 0.7 + r3 / 32767.0) * 4 - 2;
        glColor3f(t, t, t);
        glVertex3f(r1 / 32767.0f * 2 - 1, r2 / 32767.0f * 2 - 1, t);
    }
    glEnd();
    glDisable(GL_BLEND);
    endScene();
}

void Part_Clips::scene90() {
    const float x = clock;
    beginScene(90, kBlack);
    beginBackground(textures[textureVideo].id);
    const float m = 0.05f * (x - 80) + 1;
    glScalef(m, m, m);
    glScalef(1, -1, 1);
    if (x <= 95) glScalef(0.5625f, 1, 1);  // the snow still; the meteors fill the frame
    backgroundQuad();
    endBackground();
    begin3D(Camera{65, {0, 0, 2}, {0, 0, 0}, {0, -1, 0}}, windowAspect(*this), objectProgram);
    platform::runtime_srand(42343);
    glPointSize(7 * renderScale.scale());
    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ONE);
    glBegin(GL_POINTS);
    for (int i = 0; i < 300; ++i) {
        const int r1 = rnd(), r2 = rnd(), r3 = rnd(), r4 = rnd();
        const float v = frac((r4 / 32767.0 * 0.3 + 0.4) * x * 0.05 + r3 / 32767.0);
        const float w = (r2 / 32767.0f * 2 - 1) * 0.5f;
        glColor3f(w, w, w);
        glVertex3f(r1 / 32767.0f * 2 - 1, v * 4 - 2, r2 / 32767.0f * 2 - 1);
    }
    glEnd();
    glDisable(GL_BLEND);
    endScene();
}

void Part_Clips::scene220() {
    const float x = clock;
    beginScene(220, kBlack);
    beginBackground(textures[textureVideo].id);
    glScalef(0.433f, -1, 1);
    backgroundQuad();
    endBackground();
    begin3D(Camera{75, {4, 0, 0}}, windowAspect(*this), objectProgram);
    setUniformFloat(objectProgram, "Mode", 3);
    if (x > 230) {
        // Two swarms of five tumbling boxes coming closer, breathing in size.
        for (int i = 0; i < 2; ++i) {
            glPushMatrix();
            glTranslatef(0, 0.2f, 0);
            glColor4f(1, 1, 1, 1);
            if (i == 0) glScalef(1, 1, -1);
            glTranslatef(-19.1f, 0.36f, 49.83f - (x - 230) * 0.1f * 0.48f * 40);
            const float s = std::fabs(std::sin(2 * i + 0.2f * x) * 4) + 1;
            glScalef(s, s, s);
            for (int k = 0; k < 5; ++k) {
                glPushMatrix();
                setUniformFloat(objectProgram, "cl", k / 10.0f);
                glRotatef(5 * x + 200 * i + 9 * k, 0.2f * i + 0.3f, 1, -1);
                glScalef(2, 2, 2);
                box2.draw_immediate();
                glPopMatrix();
            }
            glPopMatrix();
        }
    }
    endScene();
}

void Part_Clips::scene280() {
    const float x = clock;
    beginScene(280, kWhite);
    // No background picture: the terrain stands in white.
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    endBackground();
    Camera cam{65, {0, 1, 6}, {0, 0.5f, 0}};
    cam.far = 4700;
    begin3D(cam, windowAspect(*this), objectProgram);
    setUniformFloat(objectProgram, "Mode", 4);
    const float l = (x - 280) * 4;
    const float shift = -std::max(l - 10, 0.0f) * 0.1f;
    const float sink = std::max(l - 6, 0.0f) * -0.003f * 0.1f;
    const float depth = l - 5.82f;
    for (int row = 0; row < 2; ++row) {
        for (int i = 0; i < 4; ++i) {
            glPushMatrix();
            glTranslatef(shift, row == 0 ? -0.96f : 3.07f, depth);
            glScalef(10, 10, 10);
            setUniformFloat(objectProgram, "cl", 1);
            glTranslatef((i % 2) * 0.2f, row == 0 ? sink : 0.0f, i * -0.087f * 20);
            if (row == 1) glScalef(-1, -1, 1);  // the upper row hangs upside down
            terrain.draw_immediate();
            glPopMatrix();
        }
    }
    endScene();
}
