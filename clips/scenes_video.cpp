// The scenes that show footage only: a video picture placed and scaled on screen, some
// with a second picture, a cross-fade, a photo carousel or a rolling credits picture.
#include "platform/gl.h"

#include <cmath>

#include "clips/scene_frame.h"

using namespace scene;

namespace {
const float kBlack[4] = {0, 0, 0, 0};
const float kWhite[4] = {1, 1, 1, 0};

void flip() { glScalef(1, -1, 1); }
void mirrorScale(float h) { glScalef(h, -h, h); }
}  // namespace

void Part_Clips::scene0() {
    const float x = clock;
    beginScene(0, kBlack);
    beginBackground(textures[textureVideo].id, true);
    mirrorScale(0.055f * x + 0.984f);
    glScalef(0.5625f, 1, 1);
    glTranslatef(0.071f, 0.354f, 0);
    backgroundQuad();
    endBackground();
    endScene();
}

void Part_Clips::scene10() {
    const float x = clock;
    beginScene(10, kBlack);
    beginBackground(textures[textureVideo].id, true);
    glScalef(0.8f, 0.8f, 0.8f);
    const float s = (x - 10) * 0.075f + 1;
    glScalef(s, s, s);
    glScalef(0.8f, -1, 1);
    backgroundQuad();
    endBackground();
    endScene();
}

void Part_Clips::scene20() {
    const float x = clock;
    beginScene(20, kBlack);
    beginBackground(textures[textureVideo].id, true);
    glScalef(0.8f, 0.8f, 0.8f);
    const float s = (x - 20) * 0.075f + 1;
    glScalef(s, s, s);
    glScalef(0.8f, -1, 1);
    backgroundQuad();
    endBackground();
    endScene();
}

void Part_Clips::scene30() {
    const float x = clock;
    beginScene(30, kBlack);
    beginBackground(textures[textureVideo].id);
    mirrorScale(0.0055f * (x - 30) + 1);
    glTranslatef(0.039f, 0.165f, 0);
    backgroundQuad(0, 0, 1, 1);
    endBackground();
    endScene();
}

void Part_Clips::scene40() {
    const float x = clock;
    beginScene(40, kBlack);
    beginBackground(textures[textureVideo].id);
    mirrorScale(0.065f * (x - 40) + 1);
    glScalef(0.9f, 1, 1);
    glTranslatef(0.039f, 0.165f, 0);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    // The picture fades out from 43 and back in from 48 over a shifted copy of itself.
    const float v = (std::cos(std::max((x - 43) * 0.5f, 0.0f) * kPi) + 1) / 2 + 1 -
                    (std::cos((x - 48) * 0.5f * kPi) + 1) / 2;
    glColor4f(1, 1, 1, v);
    backgroundQuad();
    glDisable(GL_DEPTH_TEST);
    glTranslatef(-1, 0.496f, 0);
    glColor4f(1, 1, 1, 1 - v);
    glScalef(2, 2, 2);
    backgroundQuad();
    glEnable(GL_DEPTH_TEST);
    endBackground();
    endScene();
}

void Part_Clips::scene100() {
    const float x = clock;
    beginScene(100, kBlack);
    beginBackground(textures[textureVideo].id);
    mirrorScale(0.055f * (x - 100) + 1.016f);
    glScalef(0.58f, 1, 1);
    backgroundQuad(0.31f, 0.05f, 0.73f, 0.8f);
    endBackground();
    endScene();
}

void Part_Clips::scene130() {
    const float x = clock;
    beginScene(130, kBlack);
    beginBackground(textures[textureVideo].id, false, false);
    glDisable(GL_DEPTH_TEST);
    if (x < 140) {
        // A carousel of four photos: every 5 s of edit position the next fades in over 0.25 s.
        glScalef(-2.2f, -2.2f, 2.2f);
        const float m = 0.2f * x;
        const int k = static_cast<int>(m) % 4;
        float angle = m + 2 * k;
        if (std::sin(2.0f * k) < 0) angle = -angle;
        glTranslatef(std::sin(angle) * -0.102f, std::cos(angle) * 0.575f, 0);
        glScalef(0.5625f, 1, 1);
        glBindTexture(GL_TEXTURE_2D, textures[x0 + k].id);
        const float w = std::min(std::max((m - std::floor(m)) * 20, 0.0f), 1.0f);
        const float c = ease(w);
        glColor4f(c, c, c, 1);
        backgroundQuad();
    } else if (x > 140) {
        // The third photo, twice, sliding sideways. At exactly 140 neither branch draws.
        const float m = (x - 140) * -0.039f;
        glBindTexture(GL_TEXTURE_2D, textures[x2].id);
        glPushMatrix();
        glScalef(-1, -1, 1);
        glTranslatef(m - 0.37f, 0, 0);
        glScalef(0.5625f, 1, 1);
        backgroundQuad();
        glPopMatrix();
        glPushMatrix();
        glScalef(1, -1, 1);
        glTranslatef(m - 0.646f, 0, 0);
        glScalef(0.5625f, 1, 1);
        backgroundQuad();
        glPopMatrix();
    }
    endBackground();
    endScene();
}

void Part_Clips::scene160() {
    const float x = clock;
    beginScene(160, kBlack);
    beginBackground(textures[textureVideo].id);
    const float h = 0.075f * (x - 160) + 1;
    glScalef(h, h, h);
    flip();
    backgroundQuad();
    endBackground();
    endScene();
}

void Part_Clips::scene170() {
    const float x = clock;
    beginScene(170, kBlack);
    beginBackground(textures[textureVideo].id);
    glMatrixMode(GL_PROJECTION);
    glScalef(0.3f, 0.5f, 1);
    glMatrixMode(GL_MODELVIEW);
    flip();
    glScalef(3.3333333f, 2, 1);
    backgroundQuad();
    // The second picture, small and added on top through the object shader.
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glScalef(0.3f, -0.5f, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    useProgram(objectProgram);
    setUniformFloat(objectProgram, "Mode", 1.0f);
    setUniformTexture(objectProgram, 1, "Texture", textures[textureVideo2].id);
    glMatrixMode(GL_MODELVIEW);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_COLOR, GL_ONE);
    glDisable(GL_DEPTH_TEST);
    glBindTexture(GL_TEXTURE_2D, textures[textureVideo2].id);
    glScalef(0.3f, 0.5f, 1);
    if (x > 174) backgroundQuad(0.4f, 0.37f, 0.62f, 0.72f);
    glDisable(GL_BLEND);
    glEnable(GL_DEPTH_TEST);
    endBackground();
    endScene();
}

void Part_Clips::scene300() {
    const float x = clock;
    beginScene(300, kWhite);
    beginBackground(textures[credits].id);
    glTranslatef(0, (x - 300) * 0.134f - 1.85f, 0);
    glScalef(0.8f, 0.8f, 0.8f);
    glScalef(1, 5, 1);
    flip();
    if (x > 301) backgroundQuad();  // the credits roll up from below
    endBackground();
    endScene();
}

void Part_Clips::scene330() {
    beginScene(330, kWhite);
    beginBackground(textures[textureVideo].id);
    flip();
    backgroundQuad();
    endBackground();
    endScene();
}

void Part_Clips::scene380() {
    beginScene(380, kWhite);
    beginBackground(textures[textureVideo].id);
    flip();
    backgroundQuad();
    endBackground();
    endScene();
}
