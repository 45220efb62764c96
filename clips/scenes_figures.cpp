// The scenes with figures and models: the walking figure in the fog, the sculpture, the
// walking ants, the models and box field, and the flattened title.
#include "platform/gl.h"

#include <algorithm>
#include <cmath>

#include "app/app_state.h"
#include "clips/scene_frame.h"
#include "models/vecmath.h"
#include "platform/runtime_random.h"
#include "render/catmull_rom_path.h"

using namespace scene;

namespace {
const float kBlack[4] = {0, 0, 0, 0};
const float kRed[4] = {1, 0, 0, 0};

vec3 turn(const mat4& r, const vec3& d) {
    return vec3{r[0] * d.x + r[1] * d.y + r[2] * d.z, r[4] * d.x + r[5] * d.y + r[6] * d.z,
                r[8] * d.x + r[9] * d.y + r[10] * d.z};
}

// Faces the direction from p to q (horizontal part) about y.
void faceAlong(const float p[3], const float q[3]) {
    const vec3 h = normalized(vec3{q[0] - p[0], 0, q[2] - p[2]});
    glRotatef(std::atan2(-h.z, h.x) * 360.0f / 6.28318f + 90.0f, 0, 1, 0);
}

}  // namespace

void Part_Clips::scene50() {
    const float x = clock;
    beginScene(50, kBlack);
    fogBackground(textures[textureVideo].id);
    Camera cam{75, {0.881f, -2.165f, 5}};
    begin3D(cam, windowAspect(*this), objectProgram);
    glTranslatef(0, -2.8f, 0);

    // Nine motion frames per second of edit position; from 56 on the figure's depth jumps
    // to a new random place every 0.2 s, six times.
    platform::runtime_srand(42454);
    float z = x - 52;
    for (int i = 0; i < 6; ++i)
        if (x > 56 + 0.2 * i) z = x - 52 - rnd() / 32767.0f * 11;
    glTranslatef(-0.685f, 0, z * 0.45f);
    glColor4f(1, 1, 1, 1);
    const float s = (z + 4) * 0.1f * 0.37f + 1;
    glScalef(s, s, s);
    glScalef(0.007f, 0.007f, 0.007f);
    if (figure) {
        figure->frame = x * 9 + 1;
        figure->parts_model = &human4;
        glPushMatrix();
        figure->draw_joint(figure->skeleton->root);
        glPopMatrix();
    }
    endScene();
}

void Part_Clips::scene70() {
    const float x = clock;
    beginScene(70, kBlack);
    beginBackground(textures[textureVideo].id);
    backgroundQuad();
    endBackground();
    begin3D(Camera{75, {4, 0, 0}}, windowAspect(*this), objectProgram);
    jumpCutDraws(x);
    glTranslatef(3.258f - (x - 70) * 0.591f + 3.056f, -1.017f, -1.299f);
    glTranslatef(0, (x - 70) * -0.165f, 0);
    glScalef(0.9f, 0.9f, 0.9f);
    glRotatef(90, -1, 0, 0);
    model270.draw_immediate();
    endScene();
}

void Part_Clips::scene110() {
    const float x = clock;
    beginScene(110, kBlack);
    beginBackground(textures[textureVideo].id);
    const float h = 0.055f * (x - 110) + 1.016f;
    glScalef(h, -h, h);
    glScalef(0.638f, 1, 1);
    backgroundQuad(0.31f, 0.18f, 0.73f, 0.8f);
    endBackground();
    begin3D(Camera{25, {0, 52, 0}, {0, 0, 0}, {0, 0, 1}}, windowAspect(*this), objectProgram);

    // Seventy walks, each from its own stretch of the generator; some ants set out on them.
    platform::runtime_srand(42342);
    CatmullRomPath path;
    for (int i = 0; i <= 138; i += 2) {
        for (int k = 0; k < i + 1000; ++k) rnd();
        const int r1 = rnd();
        const int r2 = rnd();
        vec3 d = normalized(vec3{r2 / 32767.0f * 2 - 1, 0, r1 / 32767.0f * 2 - 1});
        mat4 r = rotation_matrix(vec3{0, 1, 0}, 10);
        platform::runtime_srand(4234);
        path.points.clear();
        path.closed = false;
        vec3 p{0.134f, 0, -1};
        for (int step = 0; step < 200; ++step) {
            if ((i + step) % 3 == 0) r = rotation_matrix(vec3{0, 1, 0}, rnd() / 32767.0f * 100 - 50);
            d = turn(r, d);
            p = vec3{p.x + d.x, p.y + d.y, p.z + d.z};
            path.points.push_back({p.x, p.y, p.z});
        }
        path.count = 200;
        const float a = x - 110 - 0.1f * i;
        if (!((i > 31 && i <= 50) || (i >= 66 && i <= 80)) || !(a > 0)) continue;
        float at[3], ahead[3];
        path.evaluate(3 * a, at);
        path.evaluate(3 * a + 0.1f, ahead);
        glPushMatrix();
        glTranslatef(at[0], at[1], at[2]);
        faceAlong(at, ahead);
        glScalef(0.75f, 0.75f, 0.6f);
        drawAnt(*this, a);
        glPopMatrix();
    }
    endScene();
}

void Part_Clips::scene190() {
    const float x = clock;
    beginScene(190, kRed);
    bandBackground(textures[textureVideo].id, -3.9f, 0.291f);

    Camera cam{x < 210 ? 95.0f : 65.0f, {-26, 0, 0}, {-15, 0, 0}, {0, 1, 0.2f}};
    if (x < 210) {
        const float o = std::max(x - 193, 0.0f);
        cam.eye[0] = o - 16;
        cam.centre[0] = o - 15;
    }
    cam.centre[2] = std::max(2 - (x - 190) * 0.5f, 0.0f);
    begin3D(cam, windowAspect(*this), objectProgram);
    glRotatef((x - 190) * 4, 1, 0, 0);
    jumpCutDraws(x);
    setUniformFloat(objectProgram, "Mode", 2);
    if (x < 210) box.draw_immediate();
    setUniformFloat(objectProgram, "Mode", 0);
    glTranslatef(-1.34f, -4.795f, 0);
    glScalef(1.5f, 1.5f, 1.5f);
    glRotatef(180, 0, 1, 0);
    glRotatef(-90, 1, 0, 0);
    if (x < 210) {
        model270.draw_immediate();
        glPushMatrix();
        glTranslatef(1, -0.323f, -1.118f);
        glRotatef(93.6f, 1, 0, 0);
        glScalef(3, 3, 3);
        drawAnt(*this, x);
        glPopMatrix();
    }
    if (x > 210) {
        // A field of spinning boxes sweeping past.
        setUniformFloat(objectProgram, "Mode", 2);
        float sum = 0;
        for (int c = -80; c <= 70; c += 10) {
            const int i = c / 10;
            for (int row = 0, t = (i % 2) * 10 - 80; row < 16; ++row, t += 10) {
                glPushMatrix();
                glTranslatef((x - 210) * 5.28f - 12.78f, 0.717f * t, 0.74f * c);
                sum += 10 + 0.3f * x;
                glRotatef(2 * sum, 0.7f, 1, 0);
                glScalef(0.4f, 0.4f, 0.4f);
                box.draw_immediate();
                glPopMatrix();
            }
        }
    }
    endScene();
}

void Part_Clips::scene500() {
    const float x = clock;
    beginScene(500, kRed);
    bandBackground(textures[textureVideo].id, -5.2f, 0.339f);
    begin3D(Camera{75, {0, 0, 20 - (x - 500) * 0.4f}}, windowAspect(*this), objectProgram);
    glScalef(1, 1, 0.01f);
    jumpCutDraws(x);
    glColor4f(1, 1, 1, 1);
    // The second clear removes the background: the flattened title stands on black.
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    velmora3.draw_immediate();
    endScene();
}
