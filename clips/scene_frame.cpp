#include "clips/scene_frame.h"

#include "platform/gl.h"
#include <GL/glu.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "app/app_state.h"
#include "models/vecmath.h"
#include "platform/runtime_random.h"
#include "render/render_target.h"
#include "models/view_volume.h"

namespace scene {

float ease(float u) { return 1.0f - (std::cos(std::max(u, 0.0f) * kPi) + 1.0f) / 2.0f; }

int rnd() { return platform::runtime_rand(); }

void jumpCutDraws(float x) {
    platform::runtime_srand(42454);
    for (int i = 0; i < 6; ++i)
        if (x > 56 + 0.2 * i) rnd();
}

void beginBackground(GLuint texture, bool clamp, bool setWrap) {
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, texture);
    if (setWrap) {
        const GLint wrap = clamp ? GL_CLAMP_TO_EDGE : GL_REPEAT;
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, wrap);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, wrap);
    }
    glColor4f(1, 1, 1, 1);
}

void backgroundQuad() { drawFullscreenQuad(); }

void backgroundQuad(float s0, float t0, float s1, float t1) {
    glBegin(GL_QUADS);
    glTexCoord2f(s0, t0);
    glVertex3f(-1, -1, 0);
    glTexCoord2f(s1, t0);
    glVertex3f(1, -1, 0);
    glTexCoord2f(s1, t1);
    glVertex3f(1, 1, 0);
    glTexCoord2f(s0, t1);
    glVertex3f(-1, 1, 0);
    glEnd();
}

void endBackground() {
    glDisable(GL_BLEND);
    glClear(GL_DEPTH_BUFFER_BIT);
}

void fogBackground(GLuint texture) {
    beginBackground(texture);
    glScalef(1.3f, -1.3f, 1.3f);
    glScalef(0.5625f, 1, 1);
    glTranslatef(0.039f, 0.005f, 0);
    backgroundQuad();
    endBackground();
}

void bandBackground(GLuint texture, float scaleY, float shiftY) {
    beginBackground(texture);
    glScalef(1.3f, scaleY, 1.3f);
    glTranslatef(0, shiftY, 0);
    backgroundQuad();
    endBackground();
}

float windowAspect(const Part_Clips& clips) {
    return static_cast<float>(clips.owner->window.width) / static_cast<float>(clips.owner->window.height);
}

void begin3D(const Camera& c, float aspect, const ShaderProgram& objectProgram) {
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(c.fov, aspect, 0.01, c.far);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    gluLookAt(c.eye[0], c.eye[1], c.eye[2], c.centre[0], c.centre[1], c.centre[2], c.up[0], c.up[1], c.up[2]);
    glEnable(GL_DEPTH_TEST);
    glDisable(GL_CULL_FACE);
    useProgram(objectProgram);
}

void endScene() {
    glUseProgram(0);
    glDisable(GL_TEXTURE_2D);
}

void drawAnt(Part_Clips& clips, float phase) {
    clips.antall.draw_immediate();
    glScalef(0.75f, 1, 1);
    glPushMatrix();
    glRotatef(std::sin(20 * phase) * 12, 0, 1, 0);
    glScalef(0.9f, 1, 1);
    clips.ant0.draw_immediate();
    glPopMatrix();
    glPushMatrix();
    glRotatef(std::sin(20 * phase + 1.4f) * 12, 0, 1, 0);
    glScalef(0.9f, 1, 1);
    clips.ant2.draw_immediate();
    glPopMatrix();
}

void drawPly(const PlyMesh& mesh) {
    const size_t n = mesh.vertices.size();
    glBegin(GL_TRIANGLES);
    for (const PlyFace& f : mesh.faces) {
        // Indices come from the file unchecked: a face that points outside the mesh is skipped.
        if (f.index[0] < 0 || f.index[1] < 0 || f.index[2] < 0 || static_cast<size_t>(f.index[0]) >= n ||
            static_cast<size_t>(f.index[1]) >= n || static_cast<size_t>(f.index[2]) >= n)
            continue;
        for (int32_t i : f.index) {
            const float* v = mesh.vertices[i].f;
            glColor3f(v[6], v[7], v[8]);
            glVertex3f(v[3], v[4], v[5]);
        }
    }
    glEnd();
}

namespace {

vec3 add(const vec3& a, const vec3& b) { return vec3{a.x + b.x, a.y + b.y, a.z + b.z}; }
vec3 sub(const vec3& a, const vec3& b) { return vec3{a.x - b.x, a.y - b.y, a.z - b.z}; }
vec3 scaled(const vec3& a, float s) { return vec3{a.x * s, a.y * s, a.z * s}; }
vec3 cross(const vec3& a, const vec3& b) {
    return vec3{a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
vec3 transform(const mat4& r, const vec3& d) {  // row-major rotation
    return vec3{r[0] * d.x + r[1] * d.y + r[2] * d.z, r[4] * d.x + r[5] * d.y + r[6] * d.z,
                r[8] * d.x + r[9] * d.y + r[10] * d.z};
}

// A random turn about a horizontal axis; draws rA then rB.
mat4 randomTurn(float degrees) {
    const int rA = rnd();
    const int rB = rnd();
    const vec3 axis = normalized(vec3{rB / 32767.0f * 2 - 1, 0, rA / 32767.0f * 2 - 1});
    return rotation_matrix(axis, degrees);
}

// A segment reaches from its point one unit along the walk, a ring of the radius round it:
// one whose bounding sphere is out of view draws no pixel, so it is not sent. A walk
// leaves the frame often, and the driver would transform, clip and set up every ring.
void drawTube(const std::vector<vec3>& points, float visible, float radius, const ViewVolume& view) {
    const float reach = std::sqrt(0.25f + radius * radius) * 1.001f + 1e-4f;
    for (int j = 0; j + 1 < static_cast<int>(points.size()) && j < visible; ++j) {
        const vec3 T = normalized(sub(points[j + 1], points[j]));
        if (sphereOutside(view, points[j].x + 0.5f * T.x, points[j].y + 0.5f * T.y, points[j].z + 0.5f * T.z, reach))
            continue;
        const vec3 U = normalized(cross(vec3{1, 0, 0}, T));
        const vec3 V = normalized(cross(U, T));
        glBegin(GL_QUAD_STRIP);
        for (int k = 0; k < 20; ++k) {
            const float angle = k * 6.28318f / 20;
            const vec3 offset = add(scaled(U, radius * std::sin(angle)), scaled(V, radius * std::cos(angle)));
            const vec3 a = add(points[j], offset);
            const vec3 b = add(add(points[j], T), offset);
            glVertex3f(a.x, a.y, a.z);
            glVertex3f(b.x, b.y, b.z);
        }
        glEnd();
    }
}

}  // namespace

void drawTendrils(const TendrilStyle& style, float x) {
    glColor3f(0, 0, 0);
    float projection[16], modelview[16];
    glGetFloatv(GL_PROJECTION_MATRIX, projection);
    glGetFloatv(GL_MODELVIEW_MATRIX, modelview);
    const ViewVolume view = viewVolume(projection, modelview);
    std::vector<vec3> points;
    points.reserve(400);
    for (int s = 0; s < style.strands; ++s) {
        vec3 p{0, 0, 0}, d{0, 0, 0.2f};
        float radius = style.radius;
        if (style.redScene) {
            p = vec3{0.7f * s, 0.2f * std::sin(0.7f * s * 5142), 0};
            d = vec3{0, 0.15f, 0};
            radius = ease((x - 180 - 0.2f * s) * 0.1f) * 0.05f;
        }
        points.clear();
        for (int step = 0; step < 400; ++step) {
            if (!style.redScene) {
                d = transform(randomTurn(6), d);
            } else if (step % 3 == 0) {  // step 0 and every third: the angle is drawn first
                const int rC = rnd();
                d = transform(randomTurn(rC / 32767.0f * 4 + 5), d);
            }
            p = add(p, d);
            points.push_back(p);
        }
        const float g = std::min(1.0f, (rnd() / 32767.0f * style.growA + style.growB) * (x - style.growX0));
        const float visible = (points.size() - 1) * ease(g);
        drawTube(points, visible, radius, view);
    }
}

}  // namespace scene
