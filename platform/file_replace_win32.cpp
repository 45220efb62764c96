// Replacing a file on Windows. The C runtime mingw links (msvcrt) ignores fopen's "x"
// mode and its rename refuses an existing target, so both go through the system:
// CreateFileW(CREATE_NEW), which also refuses a symbolic link under the name, and
// MoveFileExW, which replaces the target in one step.
#include "platform/file_replace.h"

#include <fcntl.h>
#include <io.h>

#include "platform/utf16_win32.h"

namespace platform {

namespace {

HANDLE create_new(const std::wstring& path) {
    return CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
}

}  // namespace

std::FILE* create_new_file(const std::string& path) {
    const std::wstring wide = widen(path);
    HANDLE handle = create_new(wide);
    if (handle == INVALID_HANDLE_VALUE && GetLastError() == ERROR_FILE_EXISTS) {
        // DeleteFileW removes a symbolic link itself, not what it points to.
        DeleteFileW(wide.c_str());
        handle = create_new(wide);
    }
    if (handle == INVALID_HANDLE_VALUE) return nullptr;
    const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_WRONLY | _O_BINARY);
    if (fd < 0) {
        CloseHandle(handle);
        return nullptr;
    }
    std::FILE* f = _fdopen(fd, "wb");
    if (!f) _close(fd);
    return f;
}

bool replace_file(const std::string& path, const void* data, size_t size) {
    const std::string temporary = path + ".tmp";
    FILE* f = create_new_file(temporary);
    if (!f) return false;
    const bool written = std::fwrite(data, 1, size, f) == size;
    const bool closed = std::fclose(f) == 0;
    if (!written || !closed ||
        !MoveFileExW(widen(temporary).c_str(), widen(path).c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        DeleteFileW(widen(temporary).c_str());
        return false;
    }
    return true;
}

}  // namespace platform
