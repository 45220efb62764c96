// CRC-32 (the checksum of gzip and PNG): zlib's on Linux, the one Windows itself carries
// (ntdll's RtlComputeCrc32) on Windows; the two give the same values.
#pragma once
#include <cstddef>
#include <cstdint>

namespace platform {

// The checksum of crc's data followed by size more bytes; start from 0.
uint32_t crc32_update(uint32_t crc, const void* data, size_t size);

}  // namespace platform
