// What the scenes share: the background quad, the 3D camera set-up, the seeded draws, the
// ant and the figure, and the eases. Every scene follows one pattern: its pictures, the
// clear, a video background, a depth clear, then optional 3D content with the object shader.
#pragma once
#include "clips/part_clips.h"

namespace scene {

constexpr float kPi = 3.1415926535f;

// 1 - (cos(u pi) + 1) / 2 with u clamped at 0 from below: a cosine ease from 0 to 1.
float ease(float u);
// One draw of the runtime generator, 0..32767.
int rnd();
// The figure scene's seed (42454) and six jump-cut draws, which other scenes repeat.
void jumpCutDraws(float x);

// Step 4's start: identity projection and modelview, texturing on, the texture bound
// (wrap GL_REPEAT unless clamp), colour white.
void beginBackground(GLuint texture, bool clamp = false, bool setWrap = true);
// The full-screen quad, or an immediate quad with explicit texture coordinates
// (s0, t0) (s1, t0) (s1, t1) (s0, t1).
void backgroundQuad();
void backgroundQuad(float s0, float t0, float s1, float t1);
// Step 4's end and step 5: blending off, depth cleared.
void endBackground();
// The fog still, large and flipped, behind the figure and the first tendrils.
void fogBackground(GLuint texture);
// A tall, flipped band of the picture: scale (1.3, scaleY, 1.3), shifted up by shiftY.
void bandBackground(GLuint texture, float scaleY, float shiftY);
// The window's width / height.
float windowAspect(const Part_Clips& clips);

struct Camera {
    float fov;
    float eye[3];
    float centre[3] = {0, 0, 0};
    float up[3] = {0, 1, 0};
    float far = 700;
};
// Step 6: projection, look-at, depth test on, no culling, the object program in use.
void begin3D(const Camera& camera, float aspect, const ShaderProgram& objectProgram);
// Step 7: no program, texturing off.
void endScene();

// An ant walking: the body, then the two leg sets swung by sin(20 phase) about y.
void drawAnt(Part_Clips& clips, float phase);
// A coloured PLY mesh as triangles (faces with an index outside the mesh are skipped).
void drawPly(const PlyMesh& mesh);

// The tendrils shared by three scenes: random walks drawn as growing tubes.
struct TendrilStyle {
    int strands;
    float radius;               // fixed radius, or < 0 for the growing radius of the red scene
    float growA, growB, growX0; // growth g = min(1, (rnd * a + b) * (x - x0))
    bool redScene;              // per-strand start, direction and turn rule of the red scene
};
void drawTendrils(const TendrilStyle& style, float x);

}  // namespace scene
