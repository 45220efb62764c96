// Interrupts on Windows: the console control handler, which the system calls on a thread
// of its own.
#include "platform/interrupt.h"

#include <atomic>

#include "platform/utf16_win32.h"

namespace platform {

namespace {

std::atomic<void (*)(int)> g_handler{nullptr};

BOOL WINAPI on_control(DWORD event) {
    void (*handler)(int) = g_handler.load();
    if (!handler) return FALSE;
    handler(event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT ? kInterruptSignal : kTerminateSignal);
    // Handled: the process goes on (for a closing console, until the system's grace
    // period of a few seconds ends).
    return TRUE;
}

}  // namespace

void on_interrupt(void (*handler)(int signal)) {
    g_handler.store(handler);
    SetConsoleCtrlHandler(on_control, TRUE);
}

void remove_file_at_once(const char* path) { DeleteFileW(widen(path).c_str()); }

}  // namespace platform
