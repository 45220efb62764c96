// Physical memory on POSIX systems: pages times page size.
#include "platform/memory_size.h"

#include <unistd.h>

namespace platform {

uint64_t physical_memory_bytes() {
    const long pages = sysconf(_SC_PHYS_PAGES), pageSize = sysconf(_SC_PAGE_SIZE);
    return pages > 0 && pageSize > 0 ? static_cast<uint64_t>(pages) * static_cast<uint64_t>(pageSize) : 0;
}

}  // namespace platform
