// Memory on POSIX systems: pages times page size, glibc's allocator thresholds.
#include "platform/memory.h"

#include <unistd.h>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace platform {

uint64_t physical_memory_bytes() {
    const long pages = sysconf(_SC_PHYS_PAGES), pageSize = sysconf(_SC_PAGE_SIZE);
    return pages > 0 && pageSize > 0 ? static_cast<uint64_t>(pages) * static_cast<uint64_t>(pageSize) : 0;
}

void keep_large_blocks_in_heap() {
#if defined(__GLIBC__)
    mallopt(M_MMAP_THRESHOLD, 64 << 20);
    mallopt(M_TRIM_THRESHOLD, 256 << 20);
#endif
}

}  // namespace platform
