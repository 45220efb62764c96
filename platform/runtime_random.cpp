// One generator state for the whole process, as the runtime library has it.
#include "platform/runtime_random.h"

namespace platform {

namespace {
uint32_t g_state = 1;  // the runtime's state before any srand
}

void runtime_srand(uint32_t seed) { g_state = seed; }

int runtime_rand() {
    g_state = g_state * 214013u + 2531011u;
    return static_cast<int>((g_state >> 16) & 0x7FFFu);
}

uint32_t runtime_random_state() { return g_state; }
void set_runtime_random_state(uint32_t state) { g_state = state; }

}  // namespace platform
