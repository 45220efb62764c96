#include "app/gl_window.h"

#include <GL/glew.h>
#include <SDL.h>
#include <cstdio>

bool TGLWindow::Init(int x, int y, int w, int h, bool fullscreen, bool hidden, bool pictureOnly) {
    const char* who = "TGLWindow::Init";
    if (SDL_Init(SDL_INIT_VIDEO) < 0) {
        printf("%s - SDL could not initialize! SDL Error: %s\n", who, SDL_GetError());
        return false;
    }
    width = w;
    height = h;
    aspect = static_cast<float>(w) / static_cast<float>(h);

    // The renderer needs matrix stacks and immediate mode next to shaders and FBOs, so ask
    // for a compatibility context explicitly. A bare "core, major 3" request becomes 3.1
    // core on EGL (Mesa), where glBegin and glMatrixMode fail; minor 0 must be set too.
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_FLAGS, 0);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 0);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    // A window that only receives the finished picture gains nothing from samples or a
    // depth buffer, and on a software rasterizer (llvmpipe) each of them doubles what
    // every pixel drawn into the window costs, and the samples are resolved at each swap.
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, pictureOnly ? 0 : 24);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, pictureOnly ? 0 : 8);
    SDL_GL_SetAttribute(SDL_GL_MULTISAMPLEBUFFERS, pictureOnly ? 0 : 1);
    SDL_GL_SetAttribute(SDL_GL_MULTISAMPLESAMPLES, pictureOnly ? 0 : 4);

    window = SDL_CreateWindow("Rendering", x, y, w, h, SDL_WINDOW_OPENGL | (hidden ? SDL_WINDOW_HIDDEN : 0));
    if (!window) {
        printf("%s - Window could not be created! SDL Error: %s\n", who, SDL_GetError());
        return false;
    }
    context = SDL_GL_CreateContext(window);
    if (!context) {
        printf("%s - OpenGL context could not be created! SDL Error: %s\n", who, SDL_GetError());
        return false;
    }
    glewExperimental = GL_TRUE;
    if (fullscreen) SDL_SetWindowFullscreen(window, SDL_WINDOW_FULLSCREEN);

    const GLenum glew = glewInit();
    // Under EGL glewInit reports "no GLX display" although every entry point loaded:
    // what matters is that the GL 3.0 functions are there.
    if (glew != GLEW_OK && !GLEW_VERSION_3_0) {
        printf("%s - Error initializing GLEW! %s\n", who, reinterpret_cast<const char*>(glewGetErrorString(glew)));
        return false;
    }
    SDL_GL_MakeCurrent(window, context);
    SDL_GL_SetSwapInterval(0);  // unsupported under Xvfb (returns -1); swaps are unthrottled there anyway
    SDL_SetWindowTitle(window, "Velmora by QRX / Tandel - 2025");
    return true;
}
