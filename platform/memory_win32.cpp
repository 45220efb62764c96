// Memory on Windows.
#include "platform/memory.h"

#include <windows.h>

namespace platform {

uint64_t physical_memory_bytes() {
    MEMORYSTATUSEX status{};
    status.dwLength = sizeof status;
    return GlobalMemoryStatusEx(&status) ? status.ullTotalPhys : 0;
}

// The process heap keeps freed blocks below its own threshold already.
void keep_large_blocks_in_heap() {}

}  // namespace platform
