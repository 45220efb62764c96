// Being asked to stop from outside: Ctrl-C and SIGTERM on POSIX systems; Ctrl-C,
// Ctrl-Break and the console window being closed on Windows.
#pragma once

namespace platform {

// The signal numbers handlers receive (POSIX's, so 128 + signal is the usual exit status).
constexpr int kInterruptSignal = 2;   // Ctrl-C (SIGINT; on Windows also Ctrl-Break)
constexpr int kTerminateSignal = 15;  // SIGTERM; on Windows the console closing, logoff, shutdown

// Calls handler(signal) for each request. On POSIX it runs as a signal handler, with the
// other signal held back until it returns; on Windows on a thread of its own, and for a
// closing console (or logoff, shutdown) that thread then waits for the process to exit,
// which the system would otherwise end at once: the main thread has a few seconds to exit
// cleanly. Either way it may only use lock-free atomics, remove_file_at_once and std::_Exit.
void on_interrupt(void (*handler)(int signal));

// Removes a file from within an interrupt handler (async-signal-safe on POSIX).
void remove_file_at_once(const char* path);

}  // namespace platform
