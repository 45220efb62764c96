#include "gl_test_context.h"

#include <SDL.h>

SDL_Window* GlTest::window_ = nullptr;
void* GlTest::context_ = nullptr;

void GlTest::SetUpTestSuite() {
    if (context_) return;
    if (SDL_Init(SDL_INIT_VIDEO) != 0) return;
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 0);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 24);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 8);
    window_ = SDL_CreateWindow("gl test", 0, 0, kWidth, kHeight, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    if (!window_) return;
    context_ = SDL_GL_CreateContext(window_);
    if (!context_) return;
    glewExperimental = GL_TRUE;
    glewInit();  // under EGL it reports an error although every entry point loads
    if (!GLEW_VERSION_3_0) context_ = nullptr;
}

void GlTest::TearDownTestSuite() {}

void GlTest::SetUp() {
    if (!context_) GTEST_SKIP() << "no OpenGL context (run under xvfb-run): " << SDL_GetError();
    SDL_GL_MakeCurrent(window_, context_);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glUseProgram(0);
    glViewport(0, 0, kWidth, kHeight);
    for (GLenum mode : {GL_TEXTURE, GL_PROJECTION, GL_MODELVIEW}) {
        glMatrixMode(mode);
        glLoadIdentity();
    }
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_BLEND);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_CULL_FACE);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

std::vector<uint8_t> GlTest::readPixels(int x, int y, int width, int height) {
    std::vector<uint8_t> pixels(static_cast<size_t>(width) * height * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(x, y, width, height, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    return pixels;
}

int GlTest::countAbove(const std::vector<uint8_t>& rgba, int channel, int threshold) {
    int n = 0;
    for (size_t i = channel; i < rgba.size(); i += 4)
        if (rgba[i] > threshold) ++n;
    return n;
}
