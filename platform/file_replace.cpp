// Exclusive creation ("x": O_CREAT | O_EXCL, which refuses an existing name, symbolic links
// included) is in both C libraries the show is built with, glibc and the UCRT.
#include "platform/file_replace.h"

#include <cstdio>

namespace platform {

std::string process_temp_path(const std::string& path, const char* suffix) {
    return path + "." + process_tag() + suffix;
}

std::FILE* create_new_file(const std::string& path, bool replace) {
    std::FILE* f = std::fopen(path.c_str(), "wbx");
    if (!f && replace) {
        // remove() unlinks a symbolic link itself, not what it points to.
        std::remove(path.c_str());
        f = std::fopen(path.c_str(), "wbx");
    }
    return f;
}

bool replace_file(const std::string& path, const void* data, size_t size) {
    const std::string temporary = process_temp_path(path);
    FILE* f = create_new_file(temporary);
    if (!f) return false;
    const bool written = std::fwrite(data, 1, size, f) == size;
    const bool closed = std::fclose(f) == 0;
    if (!written || !closed || std::rename(temporary.c_str(), path.c_str()) != 0) {
        std::remove(temporary.c_str());
        return false;
    }
    return true;
}

}  // namespace platform
