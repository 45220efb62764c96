// The tick clock and thread services on Windows: the performance counter, Sleep, the
// thread's own processor times and priority.
#include "platform/tick_clock.h"

#include <windows.h>

namespace platform {

int64_t tick_count() {
    static const int64_t frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f.QuadPart;
    }();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    // Whole seconds and the rest apart: counter x 10^7 overflows after a few weeks' uptime
    // at the usual 10 MHz.
    return now.QuadPart / frequency * kTicksPerSecond + now.QuadPart % frequency * kTicksPerSecond / frequency;
}

void sleep_ms(int milliseconds) { Sleep(milliseconds > 0 ? static_cast<DWORD>(milliseconds) : 0); }

double thread_cpu_seconds() {
    FILETIME created, exited, kernel, user;
    if (!GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user)) return 0.0;
    const auto ticks = [](const FILETIME& t) { return (uint64_t(t.dwHighDateTime) << 32) | t.dwLowDateTime; };
    return static_cast<double>(ticks(kernel) + ticks(user)) / kTicksPerSecond;
}

void lower_thread_priority() {
    // One step below normal: the drawing threads come first, and a busy machine still
    // gives the work ahead its turn.
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_BELOW_NORMAL);
}

}  // namespace platform
