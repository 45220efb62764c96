// The off-screen picture: one renderbuffer on a framebuffer object, and the copy that
// shows it in the window.
#include "app/window_picture.h"

#include <algorithm>
#include <cstdio>

#include "platform/gl.h"

bool picturesReadOffscreen() { return !platform::back_buffer_whole(); }

bool useOffscreenPicture(TGLWindow& window, std::string& error) {
    GLuint framebuffer = 0, colour = 0;
    glGenRenderbuffers(1, &colour);
    glBindRenderbuffer(GL_RENDERBUFFER, colour);
    // GL_RGB8: a window without alpha reads back alpha 1, and blends with it as 1.
    glRenderbufferStorage(GL_RENDERBUFFER, GL_RGB8, window.width, window.height);
    glBindRenderbuffer(GL_RENDERBUFFER, 0);
    glGenFramebuffers(1, &framebuffer);
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, colour);
    const GLenum status = glCheckFramebufferStatus(GL_FRAMEBUFFER);
    if (status != GL_FRAMEBUFFER_COMPLETE) {
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        glDeleteFramebuffers(1, &framebuffer);
        glDeleteRenderbuffers(1, &colour);
        char text[160];
        std::snprintf(text, sizeof text, "cannot make a %dx%d off-screen picture to read back (framebuffer status 0x%04x)",
                      window.width, window.height, status);
        error = text;
        return false;
    }
    glDrawBuffer(GL_COLOR_ATTACHMENT0);
    glReadBuffer(GL_COLOR_ATTACHMENT0);
    glViewport(0, 0, window.width, window.height);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    window.pictureFramebuffer = framebuffer;
    window.pictureColour = colour;
    return true;
}

void bindPicture(const TGLWindow& window) { glBindFramebuffer(GL_FRAMEBUFFER, window.pictureFramebuffer); }

void bindPictureForReading(const TGLWindow& window) {
    glBindFramebuffer(GL_READ_FRAMEBUFFER, window.pictureFramebuffer);
    glReadBuffer(window.pictureFramebuffer ? GL_COLOR_ATTACHMENT0 : GL_BACK);
}

void pictureSize(const TGLWindow& window, int& width, int& height) {
    width = window.width;
    height = window.height;
    if (!window.pictureFramebuffer && window.window) platform::drawable_size(window.window, width, height);
}

void presentPicture(const TGLWindow& window) {
    if (!window.pictureFramebuffer || !window.window) return;
    int dw = window.width, dh = window.height;
    platform::drawable_size(window.window, dw, dh);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, window.pictureFramebuffer);
    glReadBuffer(GL_COLOR_ATTACHMENT0);
    glDisable(GL_SCISSOR_TEST);
    if (dw == window.width && dh == window.height) {
        glBlitFramebuffer(0, 0, dw, dh, 0, 0, dw, dh, GL_COLOR_BUFFER_BIT, GL_NEAREST);
    } else {
        // As the show places its picture in such a drawable: centred, its shape kept.
        const float scale = std::min(static_cast<float>(dw) / window.width, static_cast<float>(dh) / window.height);
        const int w = static_cast<int>(window.width * scale), h = static_cast<int>(window.height * scale);
        const int x = (dw - w) / 2, y = (dh - h) / 2;
        glViewport(0, 0, dw, dh);
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        glBlitFramebuffer(0, 0, window.width, window.height, x, y, x + w, y + h, GL_COLOR_BUFFER_BIT, GL_LINEAR);
    }
    bindPicture(window);
}
