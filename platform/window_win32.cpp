// The window half on Win32 and WGL (Windows), with the loader python3-glad generated
// loading the GL entry points. Messages are turned into the show's input events in the
// window procedure and queued until the frame loop polls them; a console's Ctrl-C, Ctrl-Break
// or close comes as a quit event, as SDL delivers SIGINT and SIGTERM on Linux.
#include "platform/window.h"

#include "platform/gl.h"

#include <atomic>
#include <deque>

#include "platform/interrupt.h"
#include "platform/utf16_win32.h"
#include "platform/win32_keys.h"
#include "platform/win32_wheel.h"

namespace platform {

struct GlWindow {
    HWND hwnd = nullptr;
    HDC dc = nullptr;
    int width = 0, height = 0;   // the client area asked for, and the display mode in full screen
    bool hidden = false;
    bool fullscreen = false;     // borderless over its display (in the show's mode where it could switch)
    bool modeChanged = false;    // the display is in the show's mode now
    std::wstring device;         // the display it is full screen on
    WindowPlace windowed;        // the client area's place when it is not full screen
};

namespace {

// WGL's extension entry points and constants (wglext.h is not in mingw's headers).
constexpr int WGL_DRAW_TO_WINDOW_ARB = 0x2001, WGL_SUPPORT_OPENGL_ARB = 0x2010, WGL_DOUBLE_BUFFER_ARB = 0x2011;
constexpr int WGL_PIXEL_TYPE_ARB = 0x2013, WGL_TYPE_RGBA_ARB = 0x202B, WGL_COLOR_BITS_ARB = 0x2014;
constexpr int WGL_DEPTH_BITS_ARB = 0x2022, WGL_STENCIL_BITS_ARB = 0x2023, WGL_ACCELERATION_ARB = 0x2003;
constexpr int WGL_FULL_ACCELERATION_ARB = 0x2027, WGL_SAMPLE_BUFFERS_ARB = 0x2041, WGL_SAMPLES_ARB = 0x2042;
constexpr int WGL_CONTEXT_MAJOR_VERSION_ARB = 0x2091, WGL_CONTEXT_MINOR_VERSION_ARB = 0x2092;
constexpr int WGL_CONTEXT_FLAGS_ARB = 0x2094, WGL_CONTEXT_PROFILE_MASK_ARB = 0x9126;
constexpr int WGL_CONTEXT_COMPATIBILITY_PROFILE_BIT_ARB = 0x2;
using ChoosePixelFormatARB = BOOL(WINAPI*)(HDC, const int*, const FLOAT*, UINT, int*, UINT*);
using CreateContextAttribsARB = HGLRC(WINAPI*)(HDC, HGLRC, const int*);
using SwapIntervalEXT = BOOL(WINAPI*)(int);

const wchar_t* const kClassName = L"VelmoraWindow";
const DWORD kWindowedStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
const DWORD kFullscreenStyle = WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS;

struct Wgl {
    bool looked = false;
    ChoosePixelFormatARB choosePixelFormat = nullptr;
    CreateContextAttribsARB createContext = nullptr;
    SwapIntervalEXT swapInterval = nullptr;
};

Wgl g_wgl;
std::string g_error;
std::deque<InputEvent> g_events;
int g_mouseX = 0, g_mouseY = 0;
uint32_t g_buttons = 0;
bool g_cursorShown = true;
bool g_displayChanged = false;
WheelNotches g_wheel;
// Set by the console's control handler (a thread of the system's): the next poll quits.
std::atomic<bool> g_quitAsked{false};

void askToQuit(int) { g_quitAsked = true; }

GlWindow* windowOf(HWND hwnd) { return reinterpret_cast<GlWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA)); }
void coverDisplay(GlWindow* window);
void leaveDisplay(GlWindow* window);

void failed(const char* what) {
    const DWORD code = GetLastError();
    char text[256] = "";
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0, text, sizeof text, nullptr);
    g_error = std::string(what) + " failed (" + std::to_string(code) + ")";
    if (text[0]) g_error += ": " + std::string(text);
    while (!g_error.empty() && (g_error.back() == '\n' || g_error.back() == '\r' || g_error.back() == ' ')) g_error.pop_back();
}

void push(const InputEvent& event) { g_events.push_back(event); }

void mouseButton(HWND hwnd, LPARAM lParam, int button, uint32_t mask, bool down) {
    g_mouseX = static_cast<short>(LOWORD(lParam));
    g_mouseY = static_cast<short>(HIWORD(lParam));
    g_buttons = down ? (g_buttons | mask) : (g_buttons & ~mask);
    // A drag that leaves the window still belongs to it, as SDL has it.
    if (down) SetCapture(hwnd);
    else if (g_buttons == 0) ReleaseCapture();
    InputEvent event;
    event.kind = down ? EventKind::MouseDown : EventKind::MouseUp;
    event.x = g_mouseX;
    event.y = g_mouseY;
    event.button = button;
    push(event);
}

LRESULT CALLBACK windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CLOSE: {  // the show decides; the window stays until it is destroyed
        InputEvent event;
        event.kind = EventKind::Close;
        push(event);
        return 0;
    }
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_KEYUP:
    case WM_SYSKEYUP: {
        InputEvent event;
        const bool down = message == WM_KEYDOWN || message == WM_SYSKEYDOWN;
        event.kind = down ? EventKind::KeyDown : EventKind::KeyUp;
        const SdlKey key = sdl_key_for(static_cast<unsigned>(wParam), static_cast<unsigned>(lParam >> 16) & 0xFF,
                                       (lParam & (1 << 24)) != 0);
        event.scancode = key.scancode;
        event.sym = key.sym;
        event.repeat = down && (lParam & (1 << 30)) != 0;
        // The context code: Alt is held (WM_SYSKEY* only; F10 alone comes there without it).
        event.alt = (message == WM_SYSKEYDOWN || message == WM_SYSKEYUP) && (lParam & (1 << 29)) != 0;
        push(event);
        // Alt+F4 and the other system keys keep their meaning.
        if (message == WM_SYSKEYDOWN || message == WM_SYSKEYUP) break;
        return 0;
    }
    case WM_MOUSEMOVE: {
        g_mouseX = static_cast<short>(LOWORD(lParam));
        g_mouseY = static_cast<short>(HIWORD(lParam));
        g_buttons = ((wParam & MK_LBUTTON) ? kButtonLeftMask : 0) | ((wParam & MK_MBUTTON) ? kButtonMiddleMask : 0) |
                    ((wParam & MK_RBUTTON) ? kButtonRightMask : 0);
        InputEvent event;
        event.kind = EventKind::MouseMotion;
        event.x = g_mouseX;
        event.y = g_mouseY;
        event.buttons = g_buttons;
        push(event);
        return 0;
    }
    case WM_LBUTTONDOWN: mouseButton(hwnd, lParam, kButtonLeft, kButtonLeftMask, true); return 0;
    case WM_LBUTTONUP: mouseButton(hwnd, lParam, kButtonLeft, kButtonLeftMask, false); return 0;
    case WM_MBUTTONDOWN: mouseButton(hwnd, lParam, kButtonMiddle, kButtonMiddleMask, true); return 0;
    case WM_MBUTTONUP: mouseButton(hwnd, lParam, kButtonMiddle, kButtonMiddleMask, false); return 0;
    case WM_RBUTTONDOWN: mouseButton(hwnd, lParam, kButtonRight, kButtonRightMask, true); return 0;
    case WM_RBUTTONUP: mouseButton(hwnd, lParam, kButtonRight, kButtonRightMask, false); return 0;
    case WM_MOUSEWHEEL: {
        // A precision touchpad sends fractions of a notch: they add up to whole notches, each
        // an event of its own, as SDL gives them on Linux.
        const int notches = g_wheel.add(GET_WHEEL_DELTA_WPARAM(wParam));
        for (int i = 0; i < (notches < 0 ? -notches : notches); ++i) {
            InputEvent event;
            event.kind = EventKind::Wheel;
            event.wheelY = notches > 0 ? 1 : -1;
            push(event);
        }
        return 0;
    }
    case WM_ACTIVATEAPP:
        // Alt+Tab, or a click elsewhere, out of full screen: the desktop gets its own mode back
        // and the show steps aside; coming back restores both.
        if (GlWindow* window = windowOf(hwnd); window && window->fullscreen) {
            if (wParam) coverDisplay(window);
            else leaveDisplay(window);
        }
        break;
    case WM_SETCURSOR:
        if (LOWORD(lParam) == HTCLIENT) {
            SetCursor(g_cursorShown ? LoadCursor(nullptr, IDC_ARROW) : nullptr);
            return TRUE;
        }
        break;
    case WM_SYSCOMMAND:
        // Alt or F10 alone would open the window menu's modal loop and hold the frame loop
        // until a key closes it; the screen saver and display sleep would cover the show.
        // (Alt+F4 still closes: it comes as SC_CLOSE.)
        switch (wParam & 0xFFF0) {
        case SC_KEYMENU:
        case SC_SCREENSAVE:
        case SC_MONITORPOWER: return 0;
        default: break;
        }
        break;
    case WM_ERASEBKGND:
        return 1;  // GL draws every pixel
    default:
        break;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

bool registerClass() {
    static bool registered = false;
    if (registered) return true;
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.style = CS_OWNDC | CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = windowProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hIcon = LoadIcon(nullptr, IDI_APPLICATION);
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.lpszClassName = kClassName;
    if (!RegisterClassExW(&wc)) {
        failed("RegisterClassEx");
        return false;
    }
    registered = true;
    return true;
}

PIXELFORMATDESCRIPTOR basicPixelFormat() {
    PIXELFORMATDESCRIPTOR pfd{};
    pfd.nSize = sizeof pfd;
    pfd.nVersion = 1;
    pfd.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
    pfd.iPixelType = PFD_TYPE_RGBA;
    pfd.cColorBits = 24;
    pfd.cDepthBits = 24;
    pfd.cStencilBits = 8;
    pfd.iLayerType = PFD_MAIN_PLANE;
    return pfd;
}

// The multisampled pixel formats and the versioned context are only reachable through
// extension functions, which only a current context hands out: a throwaway window and
// context fetch them once.
void lookUpWglExtensions() {
    if (g_wgl.looked) return;
    g_wgl.looked = true;
    HWND dummy = CreateWindowExW(0, kClassName, L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, GetModuleHandleW(nullptr),
                                 nullptr);
    if (!dummy) return;
    HDC dc = GetDC(dummy);
    const PIXELFORMATDESCRIPTOR pfd = basicPixelFormat();
    const int format = ChoosePixelFormat(dc, &pfd);
    if (format && SetPixelFormat(dc, format, &pfd)) {
        if (HGLRC context = wglCreateContext(dc)) {
            wglMakeCurrent(dc, context);
            g_wgl.choosePixelFormat = reinterpret_cast<ChoosePixelFormatARB>(
                reinterpret_cast<void*>(wglGetProcAddress("wglChoosePixelFormatARB")));
            g_wgl.createContext = reinterpret_cast<CreateContextAttribsARB>(
                reinterpret_cast<void*>(wglGetProcAddress("wglCreateContextAttribsARB")));
            g_wgl.swapInterval =
                reinterpret_cast<SwapIntervalEXT>(reinterpret_cast<void*>(wglGetProcAddress("wglSwapIntervalEXT")));
            wglMakeCurrent(nullptr, nullptr);
            wglDeleteContext(context);
        }
    }
    ReleaseDC(dummy, dc);
    DestroyWindow(dummy);
}

// 4 samples where the driver offers them, else a plain format: the off-screen targets
// carry the show's own multisampling either way. A picture-only window asks for no
// samples, depth or stencil (the smallest the driver has).
bool setPixelFormat(HDC dc, bool pictureOnly) {
    PIXELFORMATDESCRIPTOR pfd = basicPixelFormat();
    if (pictureOnly) pfd.cDepthBits = pfd.cStencilBits = 0;
    const int depth = pfd.cDepthBits, stencil = pfd.cStencilBits;
    int format = 0;
    if (g_wgl.choosePixelFormat) {
        for (int samples : {pictureOnly ? 0 : 4, 0}) {
            const int attributes[] = {WGL_DRAW_TO_WINDOW_ARB, 1, WGL_SUPPORT_OPENGL_ARB, 1, WGL_DOUBLE_BUFFER_ARB, 1,
                                      WGL_PIXEL_TYPE_ARB, WGL_TYPE_RGBA_ARB, WGL_COLOR_BITS_ARB, 24,
                                      WGL_DEPTH_BITS_ARB, depth, WGL_STENCIL_BITS_ARB, stencil, WGL_ACCELERATION_ARB,
                                      WGL_FULL_ACCELERATION_ARB, WGL_SAMPLE_BUFFERS_ARB, samples ? 1 : 0,
                                      WGL_SAMPLES_ARB, samples, 0};
            UINT count = 0;
            if (g_wgl.choosePixelFormat(dc, attributes, nullptr, 1, &format, &count) && count > 0) break;
            format = 0;
        }
    }
    if (!format) format = ChoosePixelFormat(dc, &pfd);
    if (!format) {
        failed("ChoosePixelFormat");
        return false;
    }
    PIXELFORMATDESCRIPTOR chosen{};
    DescribePixelFormat(dc, format, sizeof chosen, &chosen);
    if (!SetPixelFormat(dc, format, &chosen)) {
        failed("SetPixelFormat");
        return false;
    }
    return true;
}

void restoreDisplay() {
    if (g_displayChanged) ChangeDisplaySettingsW(nullptr, 0);
    g_displayChanged = false;
}

// The show's mode on the window's display, when the display can take it.
bool applyMode(GlWindow* window) {
    DEVMODEW mode{};
    mode.dmSize = sizeof mode;
    mode.dmPelsWidth = static_cast<DWORD>(window->width);
    mode.dmPelsHeight = static_cast<DWORD>(window->height);
    mode.dmFields = DM_PELSWIDTH | DM_PELSHEIGHT;
    if (ChangeDisplaySettingsExW(window->device.c_str(), &mode, nullptr, CDS_FULLSCREEN, nullptr) != DISP_CHANGE_SUCCESSFUL)
        return false;
    if (!g_displayChanged) std::atexit(restoreDisplay);  // the show ends through exit()
    g_displayChanged = true;
    return true;
}

MONITORINFOEXW monitorOf(HWND hwnd) {
    MONITORINFOEXW monitor{};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoW(MonitorFromWindow(hwnd, MONITOR_DEFAULTTOPRIMARY), &monitor);
    return monitor;
}

// Full screen, or back to it: the mode, then a borderless window over the whole display
// (the requested size where the mode changed, the display's own where it could not).
void coverDisplay(GlWindow* window) {
    if (!window->modeChanged) window->modeChanged = applyMode(window);
    if (IsIconic(window->hwnd)) ShowWindow(window->hwnd, SW_RESTORE);
    const RECT r = monitorOf(window->hwnd).rcMonitor;
    SetWindowLongPtrW(window->hwnd, GWL_STYLE, kFullscreenStyle);
    SetWindowPos(window->hwnd, HWND_TOP, r.left, r.top, r.right - r.left, r.bottom - r.top,
                 SWP_FRAMECHANGED | SWP_SHOWWINDOW);
}

void leaveDisplay(GlWindow* window) {
    if (window->modeChanged) ChangeDisplaySettingsExW(window->device.c_str(), nullptr, nullptr, 0, nullptr);
    window->modeChanged = false;
    if (!IsIconic(window->hwnd)) ShowWindow(window->hwnd, SW_MINIMIZE);
}

// The frame a window of the windowed style adds around its client area.
FrameMargins windowedFrame() {
    RECT frame{0, 0, 0, 0};
    AdjustWindowRectEx(&frame, kWindowedStyle, FALSE, 0);
    return {-frame.left, -frame.top, frame.right, frame.bottom};
}

void *glProcedure(const char* name) {
    void* p = reinterpret_cast<void*>(wglGetProcAddress(name));
    // wglGetProcAddress answers for extensions only (some drivers return 1, 2, 3 or -1
    // for a miss); GL 1.1 lives in opengl32.dll itself.
    const intptr_t code = reinterpret_cast<intptr_t>(p);
    if (code >= -1 && code <= 3) {
        static HMODULE gl = LoadLibraryW(L"opengl32.dll");
        p = gl ? reinterpret_cast<void*>(GetProcAddress(gl, name)) : nullptr;
    }
    return p;
}

GLADapiproc gladProcedure(const char* name) { return reinterpret_cast<GLADapiproc>(glProcedure(name)); }

}  // namespace

bool video_init() {
    // Sizes are in pixels, not scaled ones, on a display set above 100 %: the manifest
    // declares it (platform/utf8.manifest), so that it holds before this first call too.
    // The display stays on while the show runs, as SDL keeps it on Linux.
    SetThreadExecutionState(ES_CONTINUOUS | ES_DISPLAY_REQUIRED);
    // Ctrl-C, Ctrl-Break and the console closing end the show as Escape does, with the
    // take's closing record and the exit handlers (SDL turns SIGINT and SIGTERM into a quit
    // event on Linux). Once: a handler installed since (a capture's) stays.
    static bool interruptsTaken = false;
    if (!interruptsTaken) on_interrupt(askToQuit);
    interruptsTaken = true;
    return registerClass();
}

WindowPlace fit_to_work_area(const WindowPlace& asked, DesktopRect& workArea) {
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoW(MonitorFromPoint(POINT{asked.x, asked.y}, MONITOR_DEFAULTTONEAREST), &monitor);
    workArea = {monitor.rcWork.left, monitor.rcWork.top, monitor.rcWork.right, monitor.rcWork.bottom};
    return fit_window(asked, windowedFrame(), workArea);
}

GlWindow* create_gl_window(const char* title, int x, int y, int width, int height, bool hidden, bool pictureOnly) {
    lookUpWglExtensions();
    RECT frame{0, 0, width, height};
    AdjustWindowRectEx(&frame, kWindowedStyle, FALSE, 0);
    // The client area at (x, y), as SDL places it.
    HWND hwnd = CreateWindowExW(0, kClassName, widen(title).c_str(), kWindowedStyle, x + frame.left, y + frame.top,
                                frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
    if (!hwnd) {
        failed("CreateWindowEx");
        return nullptr;
    }
    auto* window = new GlWindow;
    window->hwnd = hwnd;
    window->dc = GetDC(hwnd);
    window->width = width;
    window->height = height;
    window->hidden = hidden;
    window->windowed = {x, y, width, height};
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(window));
    if (!setPixelFormat(window->dc, pictureOnly)) {
        destroy_gl_window(window);
        return nullptr;
    }
    if (!hidden) {
        ShowWindow(hwnd, SW_SHOW);
        SetForegroundWindow(hwnd);
        SetFocus(hwnd);
    }
    return window;
}

GlContext create_gl_context(GlWindow* window) {
    HGLRC context = nullptr;
    if (g_wgl.createContext) {
        const int attributes[] = {WGL_CONTEXT_MAJOR_VERSION_ARB, 3, WGL_CONTEXT_MINOR_VERSION_ARB, 0,
                                  WGL_CONTEXT_FLAGS_ARB, 0, WGL_CONTEXT_PROFILE_MASK_ARB,
                                  WGL_CONTEXT_COMPATIBILITY_PROFILE_BIT_ARB, 0};
        context = g_wgl.createContext(window->dc, nullptr, attributes);
    }
    if (!context) context = wglCreateContext(window->dc);  // a legacy context is a compatibility one
    if (!context) {
        failed("wglCreateContext");
        return nullptr;
    }
    if (!wglMakeCurrent(window->dc, context)) {
        failed("wglMakeCurrent");
        wglDeleteContext(context);
        return nullptr;
    }
    return context;
}

void set_fullscreen(GlWindow* window) {
    // The display the window was placed on (--display), not always the primary one.
    window->device = monitorOf(window->hwnd).szDevice;
    window->fullscreen = true;
    coverDisplay(window);
}

void toggle_fullscreen(GlWindow* window) {
    if (!window || window->hidden) return;
    if (!window->fullscreen) {
        set_fullscreen(window);
        return;
    }
    window->fullscreen = false;
    if (window->modeChanged) ChangeDisplaySettingsExW(window->device.c_str(), nullptr, nullptr, 0, nullptr);
    window->modeChanged = false;
    // Where it was before full screen, kept inside the work area of the display it is on now.
    const MONITORINFOEXW monitor = monitorOf(window->hwnd);
    const DesktopRect work{monitor.rcWork.left, monitor.rcWork.top, monitor.rcWork.right, monitor.rcWork.bottom};
    const WindowPlace place = fit_window(window->windowed, windowedFrame(), work);
    RECT frame{place.x, place.y, place.x + place.width, place.y + place.height};
    AdjustWindowRectEx(&frame, kWindowedStyle, FALSE, 0);
    SetWindowLongPtrW(window->hwnd, GWL_STYLE, kWindowedStyle | WS_VISIBLE);
    SetWindowPos(window->hwnd, HWND_TOP, frame.left, frame.top, frame.right - frame.left, frame.bottom - frame.top,
                 SWP_FRAMECHANGED | SWP_SHOWWINDOW);
}

bool load_gl_entry_points(std::string& error) {
    if (!gladLoadGL(gladProcedure) || !GLAD_GL_VERSION_3_0) {
        const char* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
        error = std::string("this OpenGL (") + (version ? version : "no version") + ") lacks the 3.0 functions";
        return false;
    }
    return true;
}

void make_current(GlWindow* window, GlContext context) { wglMakeCurrent(window->dc, static_cast<HGLRC>(context)); }

void set_swap_interval(int interval) {
    if (g_wgl.swapInterval) g_wgl.swapInterval(interval);
}

void set_window_title(GlWindow* window, const char* title) { SetWindowTextW(window->hwnd, widen(title).c_str()); }

std::string window_error() { return g_error; }

void destroy_gl_context(GlContext context) {
    if (!context) return;
    if (wglGetCurrentContext() == context) wglMakeCurrent(nullptr, nullptr);
    wglDeleteContext(static_cast<HGLRC>(context));
}

void destroy_gl_window(GlWindow* window) {
    if (!window) return;
    restoreDisplay();
    if (window->dc) ReleaseDC(window->hwnd, window->dc);
    SetWindowLongPtrW(window->hwnd, GWLP_USERDATA, 0);
    DestroyWindow(window->hwnd);
    delete window;
    g_wheel = WheelNotches{};
    // What the closed window left queued (its clicks, its close) is not the next window's.
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
    g_events.clear();
    g_buttons = 0;
}

void swap_window(GlWindow* window) { SwapBuffers(window->dc); }

// A window's pixels belong to it only where the screen shows it (GL's pixel ownership).
bool back_buffer_whole() { return false; }

void drawable_size(GlWindow* window, int& width, int& height) {
    RECT client{};
    GetClientRect(window->hwnd, &client);
    width = client.right - client.left;
    height = client.bottom - client.top;
}

void show_cursor(bool shown) {
    g_cursorShown = shown;
    SetCursor(shown ? LoadCursor(nullptr, IDC_ARROW) : nullptr);
}

uint32_t mouse_state(int& x, int& y) {
    x = g_mouseX;
    y = g_mouseY;
    return g_buttons;
}

void pump_events() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

bool poll_event(InputEvent& event) {
    if (g_quitAsked.exchange(false)) {
        event = InputEvent{};
        event.kind = EventKind::Quit;
        return true;
    }
    if (g_events.empty()) pump_events();
    if (g_events.empty()) return false;
    event = g_events.front();
    g_events.pop_front();
    return true;
}

}  // namespace platform
