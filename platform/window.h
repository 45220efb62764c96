// The show's window with its OpenGL context, and the input that reaches it: SDL on Linux,
// Win32 and WGL on Windows. Keys carry SDL's numbers on both systems (USB usage scancodes,
// SDL key symbols): the console's "KEY:" lines and take files hold them, and a take
// recorded on one system replays on the other.
#pragma once
#include <cstdint>
#include <string>

#include "platform/window_fit.h"

namespace platform {

struct GlWindow;             // opaque: an SDL window, or a Win32 window with its device context
using GlContext = void*;     // an SDL context, or a WGL one

// The steps of opening a window, in the order the window record takes them; each returns
// false or null on failure, with window_error() saying why.
bool video_init();
// A window whose client area is width x height at (x, y); hidden windows are never shown
// (their back buffer is drawn and read back as usual). Its pixels are double-buffered
// with depth 24, stencil 8 and 4 samples, or, pictureOnly, single-sample without depth
// or stencil (for a window that only receives a finished picture: on a software
// rasterizer each of them costs per pixel).
GlWindow* create_gl_window(const char* title, int x, int y, int width, int height, bool hidden,
                           bool pictureOnly = false);
// A context with the fixed-function pipeline beside GLSL and framebuffer objects (a 3.0
// compatibility request).
GlContext create_gl_context(GlWindow* window);
// Where a visible window whose client area is `asked` goes: fitted, borders and title bar
// included, into the work area of the display under its top left corner (fit_window);
// workArea receives that area. Off Windows the borders are not known before the window
// exists, and the client area alone is fitted.
WindowPlace fit_to_work_area(const WindowPlace& asked, DesktopRect& workArea);
// Exclusive full screen at the window's size; where the display cannot switch modes the
// window covers the display and the drawable takes the display's size. On Windows the
// display's own mode comes back and the window is minimised while another program is in
// front, and the show's mode with the window when it is brought back.
void set_fullscreen(GlWindow* window);
// Full screen to windowed and back (Alt+Enter). A hidden window stays as it is. Back in a
// window, its client area has the size it was given, fitted into the work area.
void toggle_fullscreen(GlWindow* window);
// Loads the entry points beyond GL 1.1 into the current context. False with a message
// when GL 3.0's are missing.
bool load_gl_entry_points(std::string& error);
void make_current(GlWindow* window, GlContext context);
// 0: swaps never wait for the display. Ignored where unsupported.
void set_swap_interval(int interval);
void set_window_title(GlWindow* window, const char* title);
std::string window_error();
void destroy_gl_context(GlContext context);
void destroy_gl_window(GlWindow* window);
void swap_window(GlWindow* window);
// Whether a window's back buffer holds every pixel of its client area wherever the window
// lies and whatever size the system let it have, hidden or not, so that the pictures read
// back from it are the pictures drawn. Not on Windows: there a hidden window the
// display's size read back wrong rows, and pictures to read are drawn off-screen
// (app/window_picture.h).
bool back_buffer_whole();
// The drawable's size in pixels (it differs from the window's where full screen could not
// switch modes).
void drawable_size(GlWindow* window, int& width, int& height);
void show_cursor(bool shown);

// Mouse buttons as masks (held) and as numbers (pressed or released).
constexpr uint32_t kButtonLeftMask = 1, kButtonMiddleMask = 2, kButtonRightMask = 4;
constexpr int kButtonLeft = 1, kButtonMiddle = 2, kButtonRight = 3;
constexpr int32_t kKeyEscape = 27;   // the key symbol of Escape
constexpr int32_t kKeyReturn = 13;   // the key symbol of Return (Enter)
constexpr int kMaxScancode = 512;    // scancodes are below this

enum class EventKind { Other, Close, Quit, KeyDown, KeyUp, MouseMotion, MouseDown, MouseUp, Wheel };

struct InputEvent {
    EventKind kind = EventKind::Other;
    int32_t scancode = 0;  // KeyDown/KeyUp: SDL scancode
    int32_t sym = 0;       // KeyDown/KeyUp: SDL key symbol
    bool repeat = false;   // KeyDown: the key is held and repeats
    bool alt = false;      // KeyDown/KeyUp: an Alt key is held
    int32_t x = 0, y = 0;  // mouse events: position in window pixels, origin top left
    uint32_t buttons = 0;  // MouseMotion: the held buttons' masks
    int button = 0;        // MouseDown/MouseUp: kButtonLeft, kButtonMiddle or kButtonRight
    int32_t wheelY = 0;    // Wheel: notches, positive away from the user
};

// The mouse as the last events left it: position in the focused window and held buttons.
uint32_t mouse_state(int& x, int& y);
// Gathers what the system has for the windows, then hands out one event at a time.
void pump_events();
bool poll_event(InputEvent& event);

}  // namespace platform
