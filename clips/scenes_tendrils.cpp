// The tendril scenes: random walks drawn as black tubes that grow over the picture.
#include "platform/gl.h"

#include "app/app_state.h"
#include "clips/scene_frame.h"
#include "platform/runtime_random.h"

using namespace scene;

namespace {
const float kBlack[4] = {0, 0, 0, 0};
const float kRed[4] = {1, 0, 0, 0};

}  // namespace

void Part_Clips::scene120() {
    const float x = clock;
    beginScene(120, kBlack);
    fogBackground(textures[textureVideo].id);
    begin3D(Camera{75, {4, 0, 0}}, windowAspect(*this), objectProgram);
    jumpCutDraws(x);
    glColor4f(1, 1, 1, 1);
    glTranslatef(-4.02f, -5.91f, -2.13f);
    glScalef(0.9f, 0.9f, 0.9f);
    glRotatef(90, -1, 0, 0);
    glTranslatef(-56.08f, 4.72f, -28.68f);
    drawTendrils(TendrilStyle{10, 0.3f, 0.06f, 0.04f, 120, false}, x);
    endScene();
}

void Part_Clips::scene150() {
    const float x = clock;
    beginScene(150, kBlack);
    beginBackground(textures[textureVideo].id);
    glScalef(0.8f, 0.8f, 0.8f);
    glScalef(0.8f, -1, 1);
    backgroundQuad();
    endBackground();
    begin3D(Camera{65, {4, 0, 0}}, windowAspect(*this), objectProgram);
    const float* k = inputs->knobs;
    glTranslatef(0, 0.2f, 0);
    glTranslatef(15 * k[4], 5 * k[3], 15 * k[5]);
    glScalef(1, 1, 4);
    glUseProgram(0);  // these tubes are plain black, without the object shader
    glRotatef(-90, 1, 0, 0);
    glTranslatef(-78.48f, (x - 150) * 0.24f - 9.62f, -13.56f);
    platform::runtime_srand(4237);
    drawTendrils(TendrilStyle{10, 0.1f, 0.06f, 0.04f, 150, false}, x);
    endScene();
}

void Part_Clips::scene180() {
    const float x = clock;
    beginScene(180, kRed);
    bandBackground(textures[textureVideo].id, -5.2f, 0.339f);
    begin3D(Camera{75, {0, 0, 10 - (x - 180) * 0.4f}}, windowAspect(*this), objectProgram);
    jumpCutDraws(x);
    if (x < 185) velmora2.draw_immediate();
    glTranslatef(-3, -14.34f, -5.58f);
    drawTendrils(TendrilStyle{15, -1, 0.06f, 0.06f, 180, true}, x);
    endScene();
}
