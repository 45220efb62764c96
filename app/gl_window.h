// The show's window with its OpenGL context.
#pragma once
#include <cstdint>

#include "platform/window.h"

struct TGLWindow {
    platform::GlWindow* window = nullptr;
    platform::GlContext context = nullptr;
    int32_t width = 0;
    float aspect = 1.0f;
    int32_t height = 0;

    // Creates the window and a context that offers both the fixed-function pipeline and
    // GLSL with framebuffer objects. Prints the failing step and returns false on failure,
    // leaving the members set so far as they are. A hidden window (for offline rendering)
    // is never shown; its back buffer is drawn and read as usual. A pictureOnly window
    // (the show's, into which only the finished picture and the black overlay ant are
    // drawn) is single-sample without depth or stencil; otherwise 4 samples, depth 24,
    // stencil 8.
    bool Init(int x, int y, int width, int height, bool fullscreen, bool hidden = false, bool pictureOnly = false);
    // Destroys the context and the window; the record is empty afterwards.
    void Destroy();
};
