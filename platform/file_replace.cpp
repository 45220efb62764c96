// The temporary name of this process beside a file, the same on every system.
#include "platform/file_replace.h"

#include "platform/file_io.h"

namespace platform {

std::string process_temp_path(const std::string& path, const char* suffix) {
    return path + "." + process_tag() + suffix;
}

}  // namespace platform
