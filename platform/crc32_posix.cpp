#include "platform/crc32.h"

#include <zlib.h>

namespace platform {

uint32_t crc32_update(uint32_t crc, const void* data, size_t size) {
    return static_cast<uint32_t>(crc32_z(crc, static_cast<const Bytef*>(data), size));
}

}  // namespace platform
