// Replacing a file whole, the same on every system: a new file under this process's own
// temporary name (create_new_file), then a rename over the target (rename_replacing).
#include "platform/file_replace.h"

#include "platform/file_io.h"

namespace platform {

std::string process_temp_path(const std::string& path, const char* suffix) {
    return path + "." + process_tag() + suffix;
}

bool replace_file(const std::string& path, const void* data, size_t size) {
    const std::string temporary = process_temp_path(path);
    FILE* f = create_new_file(temporary);
    if (!f) return false;
    const bool written = std::fwrite(data, 1, size, f) == size;
    const bool closed = std::fclose(f) == 0;
    if (!written || !closed || !rename_replacing(temporary, path, nullptr)) {
        remove_file(temporary);
        return false;
    }
    return true;
}

}  // namespace platform
