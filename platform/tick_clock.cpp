#include "platform/tick_clock.h"

#include <chrono>
#include <thread>

namespace platform {

int64_t tick_count() {
    using ticks = std::chrono::duration<int64_t, std::ratio<1, kTicksPerSecond>>;
    return std::chrono::duration_cast<ticks>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

void sleep_ms(int milliseconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

}  // namespace platform
