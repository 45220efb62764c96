// Console services on Windows: the console window and its text attributes.
#include "platform/console.h"

#include <windows.h>

#include <iostream>

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

}  // namespace

void hide_console() {
    if (HWND window = own_console_window()) ShowWindow(window, SW_HIDE);
}

void show_console() {
    if (HWND window = own_console_window()) ShowWindow(window, SW_SHOW);
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
