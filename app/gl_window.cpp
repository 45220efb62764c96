#include "app/gl_window.h"

#include <cstdio>
#include <string>

bool TGLWindow::Init(int x, int y, int w, int h, bool fullscreen, bool hidden, bool pictureOnly) {
    const char* who = "TGLWindow::Init";
    // Each failure is one line on standard output, kept for a message box too.
    const auto fail = [this, who](const char* format, const std::string& detail) {
        char line[1024];
        std::snprintf(line, sizeof line, format, who, detail.c_str());
        std::fputs(line, stdout);
        failure = line;
        if (!failure.empty() && failure.back() == '\n') failure.pop_back();
        return false;
    };
    failure.clear();
    if (!platform::video_init()) return fail("%s - SDL could not initialize! SDL Error: %s\n", platform::window_error());
    // A window with its borders and title bar must fit the part of the screen the task bar
    // leaves: 1920 x 1080 windowed on a 1920 x 1080 display lost rows and columns past its edges.
    if (!fullscreen && !hidden) {
        platform::DesktopRect area;
        const platform::WindowPlace place = platform::fit_to_work_area({x, y, w, h}, area);
        if (place.width != w || place.height != h)
            printf("velmora: a %dx%d window does not fit the %dx%d free on the screen; it opens at %dx%d, the "
                   "picture's shape kept\n",
                   w, h, area.right - area.left, area.bottom - area.top, place.width, place.height);
        x = place.x;
        y = place.y;
        w = place.width;
        h = place.height;
    }
    width = w;
    height = h;
    aspect = static_cast<float>(w) / static_cast<float>(h);

    window = platform::create_gl_window("Rendering", x, y, w, h, hidden, pictureOnly);
    if (!window) return fail("%s - Window could not be created! SDL Error: %s\n", platform::window_error());
    context = platform::create_gl_context(window);
    if (!context) return fail("%s - OpenGL context could not be created! SDL Error: %s\n", platform::window_error());
    if (fullscreen) platform::set_fullscreen(window);

    std::string error;
    if (!platform::load_gl_entry_points(error)) return fail("%s - Error initializing GLEW! %s\n", error);
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
