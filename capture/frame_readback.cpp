// Pixel buffer objects in a ring: glReadPixels into one returns at once, and the map of
// the oldest one a few frames later finds its copy done.
#include "capture/frame_readback.h"

#include <cstring>

namespace {

size_t frameBytes(const FrameReadback& r) { return static_cast<size_t>(r.width) * r.height * 4; }

}  // namespace

void beginReadback(FrameReadback& r, int width, int height) {
    r.width = width;
    r.height = height;
    r.started = r.collected = 0;
    glGenBuffers(kReadbackDepth, r.buffers);
    for (GLuint buffer : r.buffers) {
        glBindBuffer(GL_PIXEL_PACK_BUFFER, buffer);
        glBufferData(GL_PIXEL_PACK_BUFFER, static_cast<GLsizeiptr>(frameBytes(r)), nullptr, GL_STREAM_READ);
    }
    glBindBuffer(GL_PIXEL_PACK_BUFFER, 0);
}

bool readbackFull(const FrameReadback& r) { return r.started - r.collected >= kReadbackDepth; }

void readFrame(FrameReadback& r, GLuint framebuffer) {
    // Read what the frame was drawn into: the picture's colour; the back buffer of a
    // window, the only buffer of an off-screen surface.
    GLint drawn = GL_COLOR_ATTACHMENT0;
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    if (!framebuffer) glGetIntegerv(GL_DRAW_BUFFER, &drawn);
    glReadBuffer(static_cast<GLenum>(drawn));
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glBindBuffer(GL_PIXEL_PACK_BUFFER, r.buffers[r.started % kReadbackDepth]);
    // BGRA is the layout the drivers keep windows in: no swizzle on the way out.
    glReadPixels(0, 0, r.width, r.height, GL_BGRA, GL_UNSIGNED_BYTE, nullptr);
    glBindBuffer(GL_PIXEL_PACK_BUFFER, 0);
    ++r.started;
}

bool collectFrame(FrameReadback& r, uint8_t* pixels) {
    if (r.collected == r.started) return false;
    glBindBuffer(GL_PIXEL_PACK_BUFFER, r.buffers[r.collected % kReadbackDepth]);
    const void* mapped = glMapBuffer(GL_PIXEL_PACK_BUFFER, GL_READ_ONLY);
    if (mapped) {
        std::memcpy(pixels, mapped, frameBytes(r));
        glUnmapBuffer(GL_PIXEL_PACK_BUFFER);
        ++r.collected;
    }
    glBindBuffer(GL_PIXEL_PACK_BUFFER, 0);
    return mapped != nullptr;
}

void endReadback(FrameReadback& r) {
    glDeleteBuffers(kReadbackDepth, r.buffers);
    for (GLuint& buffer : r.buffers) buffer = 0;
}
