// Memory: the machine's physical memory, for limits that keep a run from needing more
// than it has, and the allocator's handling of large blocks.
#pragma once
#include <cstdint>

namespace platform {

// Bytes of physical memory; 0 when the system does not say.
uint64_t physical_memory_bytes();

// For programs that allocate and free picture-sized buffers over and over: freed blocks
// of up to 64 MB stay in the process's heap instead of going back to the system, sparing
// a page fault for every page of the next one. (glibc only; other allocators keep them.)
void keep_large_blocks_in_heap();

}  // namespace platform
