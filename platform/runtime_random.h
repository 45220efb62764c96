// The runtime library's process-wide random generator (the Microsoft CRT sequence).
// The edit timeline, the scenes and the shader twins depend on its exact output, so the
// C library's own rand()/srand() must never be used in their place.
#pragma once
#include <cstdint>

namespace platform {

constexpr int kRandMax = 0x7FFF;

// state = seed
void runtime_srand(uint32_t seed);
// state = state * 214013 + 2531011 (mod 2^32); returns (state >> 16) & 0x7FFF
int runtime_rand();
// Current state, for tests and for code that must leave the generator as it found it.
uint32_t runtime_random_state();
void set_runtime_random_state(uint32_t state);

}  // namespace platform
