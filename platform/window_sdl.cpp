// The window half on SDL2 (Linux), with GLEW loading the GL entry points.
#include "platform/window.h"

#include <GL/glew.h>
#include <SDL.h>

namespace platform {

namespace {
SDL_Window* sdl(GlWindow* window) { return reinterpret_cast<SDL_Window*>(window); }
}  // namespace

bool video_init() { return SDL_Init(SDL_INIT_VIDEO) >= 0; }

GlWindow* create_gl_window(const char* title, int x, int y, int width, int height, bool hidden, bool pictureOnly) {
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
    return reinterpret_cast<GlWindow*>(
        SDL_CreateWindow(title, x, y, width, height, SDL_WINDOW_OPENGL | (hidden ? SDL_WINDOW_HIDDEN : 0)));
}

GlContext create_gl_context(GlWindow* window) { return SDL_GL_CreateContext(sdl(window)); }

void set_fullscreen(GlWindow* window) { SDL_SetWindowFullscreen(sdl(window), SDL_WINDOW_FULLSCREEN); }

void toggle_fullscreen(GlWindow* window) {
    const Uint32 flags = SDL_GetWindowFlags(sdl(window));
    if (flags & SDL_WINDOW_HIDDEN) return;
    // SDL puts the window back where and as large as it was before full screen.
    SDL_SetWindowFullscreen(sdl(window), (flags & SDL_WINDOW_FULLSCREEN) ? 0 : SDL_WINDOW_FULLSCREEN);
}

WindowPlace fit_to_work_area(const WindowPlace& asked, DesktopRect& workArea) {
    int display = 0;
    for (int i = 0; i < SDL_GetNumVideoDisplays(); ++i) {
        SDL_Rect bounds;
        const SDL_Point corner{asked.x, asked.y};
        if (SDL_GetDisplayBounds(i, &bounds) == 0 && SDL_PointInRect(&corner, &bounds)) display = i;
    }
    SDL_Rect usable;
    if (SDL_GetDisplayUsableBounds(display, &usable) != 0) {
        workArea = {asked.x, asked.y, asked.x + asked.width, asked.y + asked.height};  // unknown: as asked
        return asked;
    }
    workArea = {usable.x, usable.y, usable.x + usable.w, usable.y + usable.h};
    // The window manager's frame is only known once the window is mapped.
    return fit_window(asked, FrameMargins{}, workArea);
}

bool load_gl_entry_points(std::string& error) {
    glewExperimental = GL_TRUE;
    const GLenum glew = glewInit();
    // Under EGL glewInit reports "no GLX display" although every entry point loaded:
    // what matters is that the GL 3.0 functions are there.
    if (glew != GLEW_OK && !GLEW_VERSION_3_0) {
        error = reinterpret_cast<const char*>(glewGetErrorString(glew));
        return false;
    }
    return true;
}

void make_current(GlWindow* window, GlContext context) { SDL_GL_MakeCurrent(sdl(window), context); }
void set_swap_interval(int interval) { SDL_GL_SetSwapInterval(interval); }  // -1 under Xvfb: unthrottled anyway
void set_window_title(GlWindow* window, const char* title) { SDL_SetWindowTitle(sdl(window), title); }
std::string window_error() { return SDL_GetError(); }
void destroy_gl_context(GlContext context) { SDL_GL_DeleteContext(context); }
void destroy_gl_window(GlWindow* window) { SDL_DestroyWindow(sdl(window)); }
void swap_window(GlWindow* window) { SDL_GL_SwapWindow(sdl(window)); }

// X11's and Wayland's GL drivers draw into buffers of the drawable's own size, whatever
// of the window the screen shows (a 2560x1440 hidden window on a 1920x1080 screen reads
// back whole).
bool back_buffer_whole() { return true; }
void drawable_size(GlWindow* window, int& width, int& height) { SDL_GL_GetDrawableSize(sdl(window), &width, &height); }
void show_cursor(bool shown) { SDL_ShowCursor(shown ? SDL_ENABLE : SDL_DISABLE); }

uint32_t mouse_state(int& x, int& y) { return SDL_GetMouseState(&x, &y); }
void pump_events() { SDL_PumpEvents(); }

bool poll_event(InputEvent& out) {
    SDL_Event event;
    if (!SDL_PollEvent(&event)) return false;
    out = InputEvent{};
    switch (event.type) {
    case SDL_WINDOWEVENT:
        if (event.window.event == SDL_WINDOWEVENT_CLOSE) out.kind = EventKind::Close;
        break;
    case SDL_QUIT:  // SDL turns Ctrl-C in the terminal into this
        out.kind = EventKind::Quit;
        break;
    case SDL_KEYDOWN:
    case SDL_KEYUP:
        out.kind = event.type == SDL_KEYDOWN ? EventKind::KeyDown : EventKind::KeyUp;
        out.scancode = event.key.keysym.scancode;
        out.sym = event.key.keysym.sym;
        out.repeat = event.key.repeat != 0;
        out.alt = (event.key.keysym.mod & KMOD_ALT) != 0;
        break;
    case SDL_MOUSEMOTION:
        out.kind = EventKind::MouseMotion;
        out.x = event.motion.x;
        out.y = event.motion.y;
        out.buttons = event.motion.state;
        break;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
        out.kind = event.type == SDL_MOUSEBUTTONDOWN ? EventKind::MouseDown : EventKind::MouseUp;
        out.x = event.button.x;
        out.y = event.button.y;
        out.button = event.button.button;
        break;
    case SDL_MOUSEWHEEL:
        out.kind = EventKind::Wheel;
        out.wheelY = event.wheel.y;
        break;
    default:
        break;
    }
    return true;
}

}  // namespace platform
