// Console services on Windows: the console window, its text attributes and code page,
// and the message box that says why a run ended when the console is hidden.
#include "platform/console.h"

#include <cstdlib>
#include <iostream>

#include "platform/utf16_win32.h"

namespace platform {

namespace {

// The console window, when this process is the only one attached to it (it was made for
// this program, as when started from Explorer). A console shared with a command prompt
// belongs to the user and is never hidden.
HWND own_console_window() {
    DWORD processes[2];
    return GetConsoleProcessList(processes, 2) == 1 ? GetConsoleWindow() : nullptr;
}

bool is_console(DWORD which) {
    DWORD mode;
    return GetConsoleMode(GetStdHandle(which), &mode) != 0;
}

bool g_consoleHidden = false;
UINT g_consolePage = 0;  // the console's output code page before use_utf8_console

void restoreConsolePage() {
    std::fflush(stdout);
    std::fflush(stderr);
    SetConsoleOutputCP(g_consolePage);
}

}  // namespace

void hide_console() {
    if (HWND window = own_console_window()) {
        ShowWindow(window, SW_HIDE);
        g_consoleHidden = true;
    }
}

void show_console() {
    if (HWND window = own_console_window()) ShowWindow(window, SW_SHOW);
    g_consoleHidden = false;
}

void use_utf8_console() {
    const UINT page = GetConsoleOutputCP();
    if (page == 0 || page == CP_UTF8 || !SetConsoleOutputCP(CP_UTF8)) return;  // no console, or UTF-8 already
    g_consolePage = page;
    std::atexit(restoreConsolePage);
}

void say_fatal(std::FILE* stream, const std::string& line, const std::string& cause) {
    std::fprintf(stream, "%s\n", line.c_str());
    std::fflush(stream);
    if (!g_consoleHidden) return;
    const std::string text = cause.empty() ? line : cause + "\n\n" + line;
    MessageBoxW(nullptr, widen(text).c_str(), L"Velmora", MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
}

bool is_terminal(std::FILE* stream) {
    if (stream == stdout) return is_console(STD_OUTPUT_HANDLE);
    if (stream == stderr) return is_console(STD_ERROR_HANDLE);
    return false;
}

namespace {

// Sets the foreground attribute of the console behind a standard stream, keeping its
// background. Text already in the stream's buffer is written first, in the old colour.
std::ostream& colour(std::ostream& os, WORD foreground) {
    DWORD which = 0;
    if (&os == &std::cout)
        which = STD_OUTPUT_HANDLE;
    else if (&os == &std::cerr || &os == &std::clog)
        which = STD_ERROR_HANDLE;
    if (!which || !is_console(which)) return os;
    os.flush();
    std::fflush(which == STD_OUTPUT_HANDLE ? stdout : stderr);
    const HANDLE console = GetStdHandle(which);
    CONSOLE_SCREEN_BUFFER_INFO info;
    const WORD background = GetConsoleScreenBufferInfo(console, &info) ? (info.wAttributes & 0xF0) : 0;
    SetConsoleTextAttribute(console, static_cast<WORD>(background | foreground));
    return os;
}

}  // namespace

std::ostream& green(std::ostream& os) { return colour(os, 10); }
std::ostream& grey(std::ostream& os) { return colour(os, 7); }
std::ostream& cyan(std::ostream& os) { return colour(os, 11); }
std::ostream& red(std::ostream& os) { return colour(os, 12); }

}  // namespace platform
