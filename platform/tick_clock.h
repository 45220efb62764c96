// The tick clock (100 ns units) and sleeping, standing in for the runtime's own; a
// thread's processor time and its priority.
#pragma once
#include <cstdint>

namespace platform {

constexpr int64_t kTicksPerSecond = 10'000'000;

// Monotonic time in 100 ns ticks.
int64_t tick_count();
void sleep_ms(int milliseconds);
// Processor time the calling thread has used, in seconds (for the --timing report).
double thread_cpu_seconds();
// Lowers the calling thread's priority below the threads that draw: for work done ahead
// of need, which should use idle processor time first.
void lower_thread_priority();

}  // namespace platform
