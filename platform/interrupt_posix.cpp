// Interrupts on POSIX systems: SIGINT and SIGTERM through sigaction.
#include "platform/interrupt.h"

#include <unistd.h>

#include <csignal>

namespace platform {

static_assert(kInterruptSignal == SIGINT && kTerminateSignal == SIGTERM, "the numbers handlers receive");

void on_interrupt(void (*handler)(int signal)) {
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    sigaddset(&action.sa_mask, SIGINT);  // one handler at a time, so a second signal sees the first
    sigaddset(&action.sa_mask, SIGTERM);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

void remove_file_at_once(const char* path) { unlink(path); }

}  // namespace platform
