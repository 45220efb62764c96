#include "platform/crc32.h"

#include <windows.h>

#include <algorithm>

// Exported by ntdll since Windows XP; mingw's headers do not declare it.
extern "C" DWORD WINAPI RtlComputeCrc32(DWORD initial, const BYTE* data, INT length);

namespace platform {

uint32_t crc32_update(uint32_t crc, const void* data, size_t size) {
    const BYTE* bytes = static_cast<const BYTE*>(data);
    while (size > 0) {  // its length is an INT
        const size_t n = std::min<size_t>(size, 1u << 30);
        crc = RtlComputeCrc32(crc, bytes, static_cast<INT>(n));
        bytes += n;
        size -= n;
    }
    return crc;
}

}  // namespace platform
