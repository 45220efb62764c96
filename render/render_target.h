// Off-screen pictures: a drawing framebuffer of (optionally multisampled) renderbuffers
// with three colour outputs and depth, resolved by blits into textures that later passes
// sample; and the full-screen quad that draws a texture across the viewport.
#pragma once
#include "platform/gl.h"

#include <cstdint>

struct RenderTarget {
    bool created = false;            // false until createRenderTarget
    GLuint colorBuffers[3] = {};     // GL_RGBA8 renderbuffers of colour outputs 0..2
    GLuint depthBuffer = 0;          // GL_DEPTH_COMPONENT32 renderbuffer
    GLuint drawFramebuffer = 0;      // colorBuffers on attachments 0..2, depthBuffer on depth
    GLuint resolveFramebuffer = 0;   // the textures below
    GLuint textures[4] = {};         // [1..3] receive outputs 0..2; [0] is a spare of the same size
    GLuint depthTexture = 0;         // receives the depth
    int32_t width = 0;               // pixels
    int32_t height = 0;              // pixels
    float aspect = 1.0f;             // width / height
};

// An empty RGBA8 texture of the given size, filtered linearly and clamped at its edges, as
// every colour texture of a render target is. Leaves it bound.
GLuint createColourTexture(int32_t width, int32_t height);

// samples 0 gives single-sample storage. Returns the last framebuffer completeness status.
// Leaves the resolve framebuffer, the last texture and the depth renderbuffer bound.
GLenum createRenderTarget(RenderTarget& target, int32_t width, int32_t height, int32_t samples);

// Attaches textures[1..count] and the depth texture to the resolve framebuffer, which stays
// bound; attachments beyond count keep what they had. Returns the last completeness status.
GLenum attachTextures(RenderTarget& target, int count);

// Copies the first count colour outputs (count clamped to 1..3) and the depth into the
// textures; both framebuffers stay bound for reading and drawing.
void resolveRenderTarget(RenderTarget& target, int count);

// One textured quad over -1..1 with texture coordinates 0..1: fills the viewport when the
// projection and modelview matrices are identity.
void drawFullscreenQuad();
