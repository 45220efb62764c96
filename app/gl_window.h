// The show's window with its OpenGL context.
#pragma once
#include <cstdint>
#include <string>

#include "platform/window.h"

struct TGLWindow {
    platform::GlWindow* window = nullptr;
    platform::GlContext context = nullptr;
    int32_t width = 0;
    float aspect = 1.0f;
    int32_t height = 0;
    std::string failure;  // the line Init printed when it failed, else empty
    // The off-screen picture (app/window_picture.h): a framebuffer and its colour
    // renderbuffer, both 0 while the picture is drawn straight into the window.
    uint32_t pictureFramebuffer = 0;
    uint32_t pictureColour = 0;

    // Creates the window and a context that offers both the fixed-function pipeline and
    // GLSL with framebuffer objects. Prints the failing step and returns false on failure,
    // leaving the members set so far as they are. A visible window that is not full screen
    // is fitted into the screen's work area, its shape kept (said in one line when it is
    // made smaller): width and height are then the size it got. A hidden window (for offline rendering)
    // is never shown; its back buffer is drawn and read as usual. A pictureOnly window
    // (the show's, into which only the finished picture and the black overlay ant are
    // drawn) is single-sample without depth or stencil; otherwise 4 samples, depth 24,
    // stencil 8.
    bool Init(int x, int y, int width, int height, bool fullscreen, bool hidden = false, bool pictureOnly = false);
    // Destroys the context and the window; the record is empty afterwards.
    void Destroy();
};
