#include "platform/tick_clock.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <chrono>
#include <ctime>
#include <thread>

namespace platform {

int64_t tick_count() {
    using ticks = std::chrono::duration<int64_t, std::ratio<1, kTicksPerSecond>>;
    return std::chrono::duration_cast<ticks>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

void sleep_ms(int milliseconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

double thread_cpu_seconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

void lower_thread_priority() {
    // On Linux the nice value belongs to the thread, named by its id. Nice 5 weighs about a
    // third of a normal thread: the drawing threads come first, yet a busy machine does
    // not starve the work ahead altogether.
    setpriority(PRIO_PROCESS, static_cast<id_t>(syscall(SYS_gettid)), 5);
}

}  // namespace platform
