// fdatasync on POSIX systems; the runtime's _commit (FlushFileBuffers) on Windows.
#include "platform/durable_file.h"

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace platform {

bool flush_to_disk(std::FILE* file) {
    if (std::fflush(file) != 0) return false;
#ifdef _WIN32
    return _commit(_fileno(file)) == 0;
#else
    return fdatasync(fileno(file)) == 0;
#endif
}

}  // namespace platform
