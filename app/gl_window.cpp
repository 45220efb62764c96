#include "app/gl_window.h"

#include <cstdio>
#include <string>

bool TGLWindow::Init(int x, int y, int w, int h, bool fullscreen, bool hidden, bool pictureOnly) {
    const char* who = "TGLWindow::Init";
    if (!platform::video_init()) {
        printf("%s - SDL could not initialize! SDL Error: %s\n", who, platform::window_error().c_str());
        return false;
    }
    width = w;
    height = h;
    aspect = static_cast<float>(w) / static_cast<float>(h);

    window = platform::create_gl_window("Rendering", x, y, w, h, hidden, pictureOnly);
    if (!window) {
        printf("%s - Window could not be created! SDL Error: %s\n", who, platform::window_error().c_str());
        return false;
    }
    context = platform::create_gl_context(window);
    if (!context) {
        printf("%s - OpenGL context could not be created! SDL Error: %s\n", who, platform::window_error().c_str());
        return false;
    }
    if (fullscreen) platform::set_fullscreen(window);

    std::string error;
    if (!platform::load_gl_entry_points(error)) {
        printf("%s - Error initializing GLEW! %s\n", who, error.c_str());
        return false;
    }
    platform::make_current(window, context);
    platform::set_swap_interval(0);  // the frame clock measures real durations
    platform::set_window_title(window, "Velmora by QRX / Tandel - 2025");
    return true;
}

void TGLWindow::Destroy() {
    platform::destroy_gl_context(context);
    platform::destroy_gl_window(window);
    context = nullptr;
    window = nullptr;
}
