// Physical memory on Windows.
#include "platform/memory_size.h"

#include <windows.h>

namespace platform {

uint64_t physical_memory_bytes() {
    MEMORYSTATUSEX status{};
    status.dwLength = sizeof status;
    return GlobalMemoryStatusEx(&status) ? status.ullTotalPhys : 0;
}

}  // namespace platform
