// Resizing render targets for the render scale. A step happens at most every two seconds,
// so this favours simplicity over speed: temporary framebuffers, one blit.
#include "render/target_resize.h"

namespace {

void colourStorage(GLuint texture, int32_t width, int32_t height) {
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
}

// The old picture scaled into the new texture. The blit filters linearly and, unlike a
// draw, needs no program, matrices or texture units of the show's state.
void resample(GLuint from, int32_t fromW, int32_t fromH, GLuint to, int32_t toW, int32_t toH) {
    GLuint framebuffers[2];
    glGenFramebuffers(2, framebuffers);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, framebuffers[0]);
    glFramebufferTexture2D(GL_READ_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, from, 0);
    glReadBuffer(GL_COLOR_ATTACHMENT0);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, framebuffers[1]);
    glFramebufferTexture2D(GL_DRAW_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, to, 0);
    glDrawBuffer(GL_COLOR_ATTACHMENT0);
    glBlitFramebuffer(0, 0, fromW, fromH, 0, 0, toW, toH, GL_COLOR_BUFFER_BIT, GL_LINEAR);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glDeleteFramebuffers(2, framebuffers);
}

}  // namespace

void resizeRenderTarget(RenderTarget& target, int32_t width, int32_t height, bool keepPicture, bool emptied) {
    if (!target.created || width < 1 || height < 1 || (width == target.width && height == target.height)) return;
    // The scissor box would clip the blit and the clears.
    const GLboolean scissor = glIsEnabled(GL_SCISSOR_TEST);
    glDisable(GL_SCISSOR_TEST);

    GLint samples = 0;
    glBindRenderbuffer(GL_RENDERBUFFER, target.colorBuffers[0]);
    glGetRenderbufferParameteriv(GL_RENDERBUFFER, GL_RENDERBUFFER_SAMPLES, &samples);
    for (GLuint buffer : target.colorBuffers) {
        glBindRenderbuffer(GL_RENDERBUFFER, buffer);
        glRenderbufferStorageMultisample(GL_RENDERBUFFER, samples, GL_RGBA8, width, height);
    }
    glBindRenderbuffer(GL_RENDERBUFFER, target.depthBuffer);
    glRenderbufferStorageMultisample(GL_RENDERBUFFER, samples, GL_DEPTH_COMPONENT32, width, height);
    glBindTexture(GL_TEXTURE_2D, target.depthTexture);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_DEPTH_COMPONENT32, width, height, 0, GL_DEPTH_COMPONENT, GL_FLOAT, nullptr);

    if (keepPicture) {
        const GLuint scaled = createColourTexture(width, height);
        resample(target.textures[1], target.width, target.height, scaled, width, height);
        glDeleteTextures(1, &target.textures[1]);
        target.textures[1] = scaled;
    }
    for (int i = 0; i < 4; ++i)
        if (!(keepPicture && i == 1)) colourStorage(target.textures[i], width, height);
    target.width = width;
    target.height = height;
    target.aspect = static_cast<float>(width) / static_cast<float>(height);

    static const GLenum outputs[3] = {GL_COLOR_ATTACHMENT0, GL_COLOR_ATTACHMENT1, GL_COLOR_ATTACHMENT2};
    if (!emptied) {
        attachTextures(target, 3);
        glDrawBuffers(3, outputs);
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        if (scissor) glEnable(GL_SCISSOR_TEST);
        return;
    }
    // Empty storage, as createRenderTarget leaves it; the kept picture is left out.
    GLfloat clearColour[4], clearDepth = 1.0f;
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clearColour);
    glGetFloatv(GL_DEPTH_CLEAR_VALUE, &clearDepth);
    glClearColor(0, 0, 0, 0);
    glClearDepth(1.0);
    glBindFramebuffer(GL_FRAMEBUFFER, target.drawFramebuffer);
    glDrawBuffers(3, outputs);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glBindFramebuffer(GL_FRAMEBUFFER, target.resolveFramebuffer);
    for (int i = 0; i < 4; ++i) {
        if (keepPicture && i == 1) continue;
        glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, target.textures[i], 0);
        glFramebufferTexture2D(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_TEXTURE_2D, i == 0 ? target.depthTexture : 0, 0);
        glDrawBuffer(GL_COLOR_ATTACHMENT0);
        glClear(GL_COLOR_BUFFER_BIT | (i == 0 ? GL_DEPTH_BUFFER_BIT : 0));
    }
    attachTextures(target, 3);
    glDrawBuffers(3, outputs);
    glClearColor(clearColour[0], clearColour[1], clearColour[2], clearColour[3]);
    glClearDepth(clearDepth);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    if (scissor) glEnable(GL_SCISSOR_TEST);
}
