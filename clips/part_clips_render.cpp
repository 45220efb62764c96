// One frame of the production: the scene into the scene target, then the composite and
// post passes (the composite reads its own previous result; the post pass prints the
// picture into the window, or at a smaller render scale into the post target, which the
// final pass enlarges into the window), then the overlay ant.
#include "platform/gl.h"
#include <GL/glu.h>

#include <cmath>
#include <utility>

#include "app/app_state.h"
#include "app/window_picture.h"
#include "clips/part_clips.h"
#include "models/vecmath.h"
#include "platform/runtime_random.h"
#include "platform/tick_clock.h"
#include "render/catmull_rom_path.h"
#include "render/picture_enlarge.h"
#include "render/render_target.h"
#include "render/target_resize.h"

namespace {

void identityMatrices() {
    for (GLenum mode : {GL_TEXTURE, GL_PROJECTION, GL_MODELVIEW}) {
        glMatrixMode(mode);
        glLoadIdentity();
    }
}

void knobUniforms(const ShaderProgram& p, const SceneInputs& in, int last) {
    static const char* const names[6] = {"k0", "k1", "k2", "k3", "k4", "k5"};
    for (int i = 0; i <= last; ++i) setUniformFloat(p, names[i], in.knobs[i]);
}

// The show's targets are single-sample, so a pass draws straight into the textures that
// later passes sample (the target's resolve framebuffer) instead of into renderbuffers that
// a blit then copies: the same pixels, without copying three outputs and the depth, then
// a colour and a depth twice more, every frame.
void bindSceneTarget(RenderTarget& t) {
    attachTextures(t, 3);  // binds the resolve framebuffer
    static const GLenum buffers[3] = {GL_COLOR_ATTACHMENT0, GL_COLOR_ATTACHMENT1, GL_COLOR_ATTACHMENT2};
    glDrawBuffers(3, buffers);
    glViewport(0, 0, t.width, t.height);
}

// A pass that reads its own last result draws into the target's spare texture while it
// samples colour 0, then the two swap names: colour 0 is again the newest result, for the
// passes after it and for the next frame. Its depth is never read, so none is attached.
void bindFeedbackTarget(RenderTarget& t) {
    glBindFramebuffer(GL_FRAMEBUFFER, t.resolveFramebuffer);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, t.textures[0], 0);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_TEXTURE_2D, 0, 0);
    glDrawBuffer(GL_COLOR_ATTACHMENT0);
    glViewport(0, 0, t.width, t.height);
}

void swapFeedback(RenderTarget& t) { std::swap(t.textures[0], t.textures[1]); }

// The full-screen quad covers every pixel; only a pass without its program shows its
// clear colour.
void clearUnlessDrawn(bool drawing) {
    if (drawing) return;
    glClearColor(0.5f, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
}

void filterOf(GLuint texture, GLint filter) {
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, filter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, filter);
}

// Where the picture goes in the window. It fills the window; where the display could not
// switch modes (a full-screen window the size of the desktop) it is scaled to the drawable
// with its aspect kept, on black. The picture itself may be smaller (the render scale):
// then it is printed at its own size into the post target and enlarged afterwards.
struct PicturePlace {
    int x = 0, y = 0, width = 0, height = 0;  // the viewport in the window
    bool letterboxed = false;                 // the drawable is not the window's size
    bool enlarged = false;                    // printed into the post target, then copied
};

PicturePlace placePicture(const AppState& app, const RenderTarget& picture, bool warmingUp, bool alwaysEnlarge) {
    const int ww = warmingUp ? picture.width : app.window.width;
    const int wh = warmingUp ? picture.height : app.window.height;
    int dw = ww, dh = wh;
    if (!warmingUp) pictureSize(app.window, dw, dh);
    PicturePlace place;
    place.width = ww;
    place.height = wh;
    if (dw != ww || dh != wh) {
        const float scale = std::min(static_cast<float>(dw) / ww, static_cast<float>(dh) / wh);
        place.width = static_cast<int>(ww * scale);
        place.height = static_cast<int>(wh * scale);
        place.x = (dw - place.width) / 2;
        place.y = (dh - place.height) / 2;
        place.letterboxed = true;
    }
    place.enlarged = place.width != picture.width || place.height != picture.height || place.x != 0 || place.y != 0 ||
                     alwaysEnlarge;
    return place;
}

}  // namespace

void Part_Clips::render() {
    // A whole frame, from this render to the next, counts for the scene it showed.
    const int64_t now = platform::tick_count();
    const double cpu = owner->options.timing ? platform::thread_cpu_seconds() : 0.0;
    if (lastFrameTicks) {
        const double seconds = (now - lastFrameTicks) / 1e7;
        timing.add(lastScenePosition, seconds, cpu - lastFrameCpu);
        // While a take is recorded or replayed the scale follows the frame's duration as
        // the clock took it: the take holds those durations, so its replay steps at the
        // performance's frames and draws its very pixels. Otherwise the wall clock, since
        // the clock counts a frame over 0.35 s as 0.05 s, and a machine that slow would
        // look fast.
        if (!warmingUp) renderScale.frameDone(owner->inputSource ? static_cast<double>(owner->dt) : seconds);
    }
    lastFrameTicks = now;
    lastFrameCpu = cpu;
    lastScenePosition = ttime;
    applyRenderScale();

    rebuildRemap(remap, remapCache);
    useProgram(objectProgram);
    setUniformFloat(objectProgram, "Mode", 0.0f);
    if (owner->keys[44]) setupShaders();  // Space: reload the shaders from their files
    count += 1;

    const FreeCamera& cam = owner->camera;
    for (int i = 0; i < 3; ++i) {
        cameraEye[i] = cam.eye[i];
        cameraCenter[i] = cam.centre[i];
        cameraUp[i] = cam.up[i];
    }
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(35, owner->window.aspect, 0.01, 64);
    glGetFloatv(GL_PROJECTION_MATRIX, projMatrix);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    gluLookAt(cameraEye[0], cameraEye[1], cameraEye[2], cameraCenter[0], cameraCenter[1], cameraCenter[2],
              cameraUp[0], cameraUp[1], cameraUp[2]);
    glGetFloatv(GL_MODELVIEW_MATRIX, viewMatrix);

    bindPicture(owner->window);
    glUseProgram(0);
    glDisable(GL_BLEND);

    // Scene pass: the scene sees the edit position as its clock.
    RenderTarget& scene = owner->targets[2];
    passTimer.begin(0);
    bindSceneTarget(scene);
    const float saved = clock;
    clock = ttime;
    useProgram(objectProgram);
    setUniformFloat(objectProgram, "ttime", clock);
    knobUniforms(objectProgram, *inputs, 4);
    dispatchScene();
    clock = saved;
    passTimer.end(0);

    // The window is not cleared here: the final pass covers it before anything shows.
    bindPicture(owner->window);
    glViewport(0, 0, scene.width, scene.height);
    glUseProgram(0);
    glColor4f(1, 1, 1, 1);
    identityMatrices();
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, owner->targets[4].textures[1]);
    // A scene may leave blending on; the composite writes its trail mask into alpha, which
    // must land as written.
    glDisable(GL_BLEND);

    passTimer.begin(1);
    compositePass();
    passTimer.end(1);
    passTimer.begin(2);
    postPass();
    passTimer.end(2);
    passTimer.begin(3);
    finalPass();
    overlayAnt();
    passTimer.end(3);
    drawShaderErrors();
    passTimer.frameDone();
    ttime = cttime;
    forecastPictures();
}

// The times and the tag that the post and final passes share ("fttime" is the first
// timeline's position there).
void Part_Clips::clockUniforms(const ShaderProgram& p) {
    setUniformFloat(p, "ttime", ttime);
    setUniformFloat(p, "fttime", cttime);
    setUniformFloat(p, "cttime", cttime);
    setUniformFloat(p, "fullttime", clock);
    setUniformFloat(p, "TheType", static_cast<float>(theType));
}

void Part_Clips::compositePass() {
    RenderTarget& target = owner->targets[4];
    const RenderTarget& scene = owner->targets[2];
    bindFeedbackTarget(target);
    const ShaderProgram& p = finalClipsProgram;
    const bool drawing = useProgram(p);
    clearUnlessDrawn(drawing);
    setUniformFloat(p, "type", static_cast<float>(type));
    knobUniforms(p, *inputs, 4);
    setUniformFloat(p, "TheType", static_cast<float>(theType));
    setUniformFloat(p, "k5", inputs->knobs[5]);
    setUniformFloat(p, "ttime", ttime);
    setUniformFloat(p, "cttime", cttime);
    setUniformFloat(p, "fttime", fttime);
    setUniformFloat(p, "fullttime", clock);
    // The picture's pixels per screen pixel: the grain is worked out for the screen's.
    const PicturePlace place = placePicture(*owner, target, warmingUp, false);
    setUniformFloat(p, "renderScale", static_cast<float>(target.width) / static_cast<float>(place.width));
    setUniformTexture(p, 0, "texture2d", scene.textures[1]);
    setUniformTexture(p, 1, "texture2ddepth", scene.depthTexture);
    setUniformTexture(p, 2, "texture2d2", scene.textures[2]);
    setUniformTexture(p, 3, "textureVideo", textures[textureVideo].id);
    setUniformTexture(p, 4, "textureVideo2", textures[textureVideo2].id);
    setUniformTexture(p, 5, "textureFeedback", target.textures[1]);  // last frame's composite
    setUniformTexture(p, 12, "BlueTexture", blueTexture.id);
    setUniformTexture(p, 13, "texture2d3", scene.textures[3]);
    setUniformTexture(p, 14, "textureNoise", textures[textureNoise].id);
    setUniformTexture(p, 15, "OverlayTexture", textures[overlayTexture].id);
    endClock = clock;
    if (drawing) drawFullscreenQuad();
    swapFeedback(target);
}

void Part_Clips::postPass() {
    RenderTarget& target = owner->targets[5];
    const RenderTarget& scene = owner->targets[2];
    const RenderTarget& other = owner->targets[3];
    // The warm-up takes the enlarging road on its way back, so that the driver has its
    // shaders ready for the first step of the render scale.
    const PicturePlace place = placePicture(*owner, target, warmingUp, warmingUp && warmUpKeepsPictures);
    if (place.letterboxed) {
        bindPicture(owner->window);
        glViewport(0, 0, place.x * 2 + place.width, place.y * 2 + place.height);
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    }
    // At the screen's size the pass prints straight into the window. A smaller picture is
    // printed at its own size into the post target, and the final pass enlarges it: the
    // pass's own work stays at the picture's size.
    if (place.enlarged) {
        bindFeedbackTarget(target);
    } else {
        bindPicture(owner->window);
        glViewport(place.x, place.y, place.width, place.height);
    }
    glDisable(GL_DEPTH_TEST);  // nothing reads this depth: the overlay ant clears it for itself
    const ShaderProgram& p = postProgram;
    const bool drawing = useProgram(p);
    if (!drawing) {  // the quad covers the picture: its clear colour shows only without it
        glEnable(GL_SCISSOR_TEST);
        if (place.enlarged)
            glScissor(0, 0, target.width, target.height);
        else
            glScissor(place.x, place.y, place.width, place.height);
        glClearColor(0.5f, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        glDisable(GL_SCISSOR_TEST);
    }
    clockUniforms(p);
    knobUniforms(p, *inputs, 5);
    setUniformFloat(p, "type", static_cast<float>(type));
    setUniformMatrix(p, "MV", viewMatrix);
    setUniformMatrix(p, "MP", projMatrix);
    // The picture's pixels per screen pixel: the lens's offsets are sizes on the screen.
    setUniformFloat(p, "renderScale", static_cast<float>(target.width) / static_cast<float>(place.width));
    filterOf(owner->targets[4].textures[1], GL_LINEAR);
    setUniformTexture(p, 0, "texture2d", owner->targets[4].textures[1]);
    setUniformTexture(p, 1, "texture2d2", scene.textures[2]);
    setUniformTexture(p, 2, "textureVideo", textures[textureVideo].id);
    setUniformTexture(p, 3, "texture2d3", scene.textures[3]);
    setUniformTexture(p, 4, "textureVideo2", textures[textureVideo2].id);
    setUniformTexture(p, 5, "moon", moon.id);
    setUniformTexture(p, 6, "texture2dOther", other.textures[1]);
    setUniformTexture(p, 7, "texture2dOtherdepth", other.depthTexture);
    setUniformTexture(p, 12, "BlueTexture", blueTexture.id);
    setUniformTexture(p, 13, "textureFeedback", target.textures[1]);  // last frame's result
    setUniformTexture(p, 14, "textureNoise", textures[textureNoise].id);
    identityMatrices();
    glEnable(GL_TEXTURE_2D);
    glDisable(GL_BLEND);
    if (drawing) drawFullscreenQuad();
    glUseProgram(0);
    if (place.enlarged) swapFeedback(target);
}

void Part_Clips::applyRenderScale() {
    // The warm-up draws into small targets of its own.
    if (warmingUp) return;
    const int32_t width = RenderScale::scaledSide(owner->window.width, renderScale.scale());
    const int32_t height = RenderScale::scaledSide(owner->window.height, renderScale.scale());
    if (owner->targets[2].width == width && owner->targets[2].height == height) return;
    // Only the composite reads its own last result (trails, lag): its history is scaled
    // along; the scene and post targets are drawn afresh every frame. Every pass draws all
    // of its target before anything reads it (the scene clears its own), so the new storage
    // is not cleared: the clears were most of a step's time, and a step cost a slow frame.
    resizeRenderTarget(owner->targets[2], width, height, false, false);
    resizeRenderTarget(owner->targets[4], width, height, true, false);
    resizeRenderTarget(owner->targets[5], width, height, false, false);
}

void Part_Clips::finalPass() {
    // The post pass has printed the picture; at a smaller render scale it waits in the
    // post target and is enlarged into the window, keeping its edges.
    const RenderTarget& target = owner->targets[5];
    const PicturePlace place = placePicture(*owner, target, warmingUp, warmingUp && warmUpKeepsPictures);
    bindPicture(owner->window);
    glUseProgram(0);
    glMatrixMode(GL_MODELVIEW);
    if (!place.enlarged) return;
    // The warm-up enlarges too: the driver picks its code by how much a picture grows.
    if (warmingUp)
        glViewport(0, 0, 2 * target.width, 2 * target.height);
    else
        glViewport(place.x, place.y, place.width, place.height);
    drawPictureSharpened(target.textures[1], target.width, target.height);
}

void Part_Clips::overlayAnt() {
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(25, owner->window.aspect, 0.01, 700);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    gluLookAt(0, 42, 0, 0, 0, 0, 0, 0, 1);
    bindPicture(owner->window);
    glUseProgram(0);
    glEnable(GL_DEPTH_TEST);
    platform::runtime_srand(42342);
    glColor3f(0, 0, 0);

    // A zigzag route: five turns one way, five the other.
    static CatmullRomPath path;
    if (path.points.empty()) {
        path.closed = true;
        vec3 d{0, 0, 1}, p{0, 0, 0};
        for (int i = 0; i < 200; ++i) {
            const mat4 r = rotation_matrix(vec3{0, 1, 0}, i % 10 < 5 ? 15.0f : -10.0f);
            d = vec3{r[0] * d.x + r[1] * d.y + r[2] * d.z, r[4] * d.x + r[5] * d.y + r[6] * d.z,
                     r[8] * d.x + r[9] * d.y + r[10] * d.z};
            p = vec3{p.x + d.x, p.y + d.y, p.z + d.z};
            path.points.push_back({p.x, p.y, p.z});
        }
        path.count = 200;
    }
    if (!(endClock > 45.0f && endClock < 140.0f)) return;
    // The show's window has no depth buffer (the ant is one flat black silhouette, which
    // looks the same whatever order its triangles come in), so clearing it and the depth
    // test change nothing there; a window with depth gets both as before.
    glClear(GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);

    const float s = clock * 3 + 1;
    float P[3], Q[3];
    path.evaluate(s, P);
    path.evaluate(s + 0.1f, Q);
    const vec3 h = normalized(vec3{Q[0] - P[0], 0, Q[2] - P[2]});
    glPushMatrix();
    glTranslatef(P[0], 0, P[2]);
    glRotatef(std::atan2(-h.z, h.x) * 360.0f / 6.28318f + 90.0f, 0, 1, 0);
    glScalef(0.75f, 0.75f, 0.6f);
    antall.draw_immediate();
    glScalef(0.75f, 1, 1);
    glPushMatrix();
    glRotatef(std::sin(20 * clock) * 12, 0, 1, 0);
    glScalef(0.9f, 1, 1);
    ant0.draw_immediate();
    glPopMatrix();
    glPushMatrix();
    glRotatef(std::sin(20 * clock + 1.4f) * 12, 0, 1, 0);
    glScalef(0.9f, 1, 1);
    ant2.draw_immediate();
    glPopMatrix();
    glPopMatrix();
}
