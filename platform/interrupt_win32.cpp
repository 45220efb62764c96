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
    const bool interrupt = event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT;
    handler(interrupt ? kInterruptSignal : kTerminateSignal);
    // Handled: the process goes on. But when the console closes (or the user logs off, or
    // Windows shuts down) the system ends the process as soon as this returns: wait here
    // instead, so that the main thread's exit (the take's closing record, the camera, the
    // files it finishes) runs; ExitProcess then ends this thread too. The system's grace
    // period (about 5 s) bounds the wait.
    if (!interrupt) Sleep(INFINITE);
    return TRUE;
}

}  // namespace

void on_interrupt(void (*handler)(int signal)) {
    g_handler.store(handler);
    SetConsoleCtrlHandler(on_control, TRUE);
}

void remove_file_at_once(const char* path) { DeleteFileW(widen(path).c_str()); }

}  // namespace platform
