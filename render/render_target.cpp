// Render targets and the full-screen quad. Nothing here restores GL bindings: the passes
// that use the targets bind what they need next.
#include "render/render_target.h"

#include <algorithm>

GLuint createColourTexture(int32_t width, int32_t height) {
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    return texture;
}

GLenum createRenderTarget(RenderTarget& target, int32_t width, int32_t height, int32_t samples) {
    target.created = true;
    target.width = width;
    target.height = height;
    target.aspect = static_cast<float>(width) / static_cast<float>(height);

    for (GLuint& buffer : target.colorBuffers) {
        glGenRenderbuffers(1, &buffer);
        glBindRenderbuffer(GL_RENDERBUFFER, buffer);
        glRenderbufferStorageMultisample(GL_RENDERBUFFER, samples, GL_RGBA8, width, height);
    }
    glGenRenderbuffers(1, &target.depthBuffer);
    glBindRenderbuffer(GL_RENDERBUFFER, target.depthBuffer);
    glRenderbufferStorageMultisample(GL_RENDERBUFFER, samples, GL_DEPTH_COMPONENT32, width, height);

    glGenFramebuffers(1, &target.drawFramebuffer);
    glBindFramebuffer(GL_FRAMEBUFFER, target.drawFramebuffer);
    for (int k = 0; k < 3; ++k)
        glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0 + k, GL_RENDERBUFFER, target.colorBuffers[k]);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, target.depthBuffer);

    glGenFramebuffers(1, &target.resolveFramebuffer);
    glBindFramebuffer(GL_FRAMEBUFFER, target.resolveFramebuffer);

    glGenTextures(1, &target.depthTexture);
    glBindTexture(GL_TEXTURE_2D, target.depthTexture);
    // Sized 32-bit depth: an unsized GL_DEPTH_COMPONENT texture becomes 24-bit on Mesa, and
    // the blit from the 32-bit renderbuffer then fails and leaves the depth texture empty.
    glTexImage2D(GL_TEXTURE_2D, 0, GL_DEPTH_COMPONENT32, width, height, 0, GL_DEPTH_COMPONENT, GL_FLOAT, nullptr);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_DEPTH_TEXTURE_MODE, GL_INTENSITY);

    for (GLuint& texture : target.textures) texture = createColourTexture(width, height);
    // New storage holds whatever the driver left there, and the feedback passes read their
    // target before anything was drawn into it: start every target empty (transparent
    // black, far depth), so that the first frames never depend on stale memory.
    static const GLenum outputs[3] = {GL_COLOR_ATTACHMENT0, GL_COLOR_ATTACHMENT1, GL_COLOR_ATTACHMENT2};
    GLfloat clear[4];
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
    glClearColor(0, 0, 0, 0);
    glBindFramebuffer(GL_FRAMEBUFFER, target.drawFramebuffer);
    glDrawBuffers(3, outputs);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    const GLenum status = attachTextures(target, 3);
    glDrawBuffers(3, outputs);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glClearColor(clear[0], clear[1], clear[2], clear[3]);
    return status;
}

GLenum attachTextures(RenderTarget& target, int count) {
    glBindFramebuffer(GL_FRAMEBUFFER, target.resolveFramebuffer);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, target.textures[1], 0);
    // Completeness is checked after each attachment although only the last status counts.
    glCheckFramebufferStatus(GL_FRAMEBUFFER);
    if (count > 1) {
        glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT1, GL_TEXTURE_2D, target.textures[2], 0);
        glCheckFramebufferStatus(GL_FRAMEBUFFER);
    }
    if (count > 2) {
        glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT2, GL_TEXTURE_2D, target.textures[3], 0);
        glCheckFramebufferStatus(GL_FRAMEBUFFER);
    }
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_TEXTURE_2D, target.depthTexture, 0);
    return glCheckFramebufferStatus(GL_FRAMEBUFFER);
}

void resolveRenderTarget(RenderTarget& target, int count) {
    count = std::clamp(count, 1, 3);
    const GLint w = target.width, h = target.height;
    for (int k = 0; k < count; ++k) {
        glBindFramebuffer(GL_READ_FRAMEBUFFER, target.drawFramebuffer);
        glBindFramebuffer(GL_DRAW_FRAMEBUFFER, target.resolveFramebuffer);
        glDrawBuffer(GL_COLOR_ATTACHMENT0 + k);
        glReadBuffer(GL_COLOR_ATTACHMENT0 + k);
        glBlitFramebuffer(0, 0, w, h, 0, 0, w, h, GL_COLOR_BUFFER_BIT, GL_LINEAR);
    }
    glBindFramebuffer(GL_READ_FRAMEBUFFER, target.drawFramebuffer);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, target.resolveFramebuffer);
    glBlitFramebuffer(0, 0, w, h, 0, 0, w, h, GL_DEPTH_BUFFER_BIT, GL_NEAREST);
}

void drawFullscreenQuad() {
    glBegin(GL_QUADS);
    glTexCoord2f(0, 0);
    glVertex3f(-1, -1, 0);
    glTexCoord2f(1, 0);
    glVertex3f(1, -1, 0);
    glTexCoord2f(1, 1);
    glVertex3f(1, 1, 0);
    glTexCoord2f(0, 1);
    glVertex3f(-1, 1, 0);
    glEnd();
}
