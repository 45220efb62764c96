// The machine's physical memory, for limits that keep a run from needing more than it has.
#pragma once
#include <cstdint>

namespace platform {

// Bytes of physical memory; 0 when the system does not say.
uint64_t physical_memory_bytes();

}  // namespace platform
