// Pushing what a program wrote to a file all the way to the disk, so that a crash of the
// program or of the machine loses nothing written before the call.
#pragma once
#include <cstdio>

namespace platform {

// Flushes the stream's buffer to the system, then the system's cache to the disk (the
// data, not necessarily the file's times). False when either step failed.
bool flush_to_disk(std::FILE* file);

}  // namespace platform
