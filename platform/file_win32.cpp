// The Windows half of the file helpers: opening only regular files, the process tag, file
// identities (volume serial number and file index), and files read at an offset
// (ReadFile with an OVERLAPPED offset), synced (FlushFileBuffers) and renamed over others
// (MoveFileExW). Files are opened with every sharing mode, as POSIX descriptors are, so a
// reader never stops a writer from replacing or removing the file under it.
#include "platform/file_io.h"
#include "platform/file_read.h"
#include "platform/file_replace.h"
#include "platform/file_write.h"

#include <fcntl.h>
#include <cerrno>
#include <io.h>

#include <algorithm>

#include "platform/utf16_win32.h"

namespace platform {

namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// ReadFile and WriteFile take a 32-bit length.
constexpr size_t kLargestCall = size_t(1) << 30;

HANDLE handle_of(intptr_t handle) { return reinterpret_cast<HANDLE>(handle); }

void say(std::string* why, const std::string& text) {
    if (why) *why = text;
}

// A handle to path when it names a regular file, else INVALID_HANDLE_VALUE with `why`
// and `status`. Opening never waits: a named pipe without a free instance fails at once.
constexpr const char* kNotRegular = "not a regular file (a pipe, a device or a socket)";

HANDLE open_regular_handle(const std::string& path, std::string& why, FileRead& status, uint64_t* size) {
    const auto refuse = [&](FileRead what, std::string reason) {
        why = std::move(reason);
        status = what;
        return INVALID_HANDLE_VALUE;
    };
    const std::wstring wide = widen(path);
    // Without FILE_FLAG_BACKUP_SEMANTICS a folder is refused at once (access denied).
    const HANDLE h = CreateFileW(wide.c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        const DWORD attributes = GetFileAttributesW(wide.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
            return refuse(FileRead::NotAFile, "a folder, not a file");
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return refuse(FileRead::Missing, "no such file");
        if (error == ERROR_PIPE_BUSY) return refuse(FileRead::NotAFile, kNotRegular);
        return refuse(FileRead::Failed, error_text(error));
    }
    // Devices ("NUL", "CON", serial ports) and pipes open like files; a raw volume is a
    // "disk" but has no file information.
    BY_HANDLE_FILE_INFORMATION info;
    if (GetFileType(h) != FILE_TYPE_DISK || !GetFileInformationByHandle(h, &info) ||
        (info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE))) {
        CloseHandle(h);
        return refuse(FileRead::NotAFile, kNotRegular);
    }
    status = FileRead::Read;
    if (size) *size = (uint64_t(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    return h;
}

bool identity_of(HANDLE h, FileIdentity& identity) {
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(h, &info)) return false;
    identity = FileIdentity{info.dwVolumeSerialNumber, (uint64_t(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
    return true;
}

}  // namespace

std::FILE* open_regular_file(const std::string& path, std::string& why, FileRead* status, uint64_t* size) {
    FileRead opened = FileRead::Read;
    const HANDLE h = open_regular_handle(path, why, opened, size);
    if (status) *status = opened;
    if (h == INVALID_HANDLE_VALUE) return nullptr;
    const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(h), _O_RDONLY | _O_BINARY);
    std::FILE* file = fd >= 0 ? _fdopen(fd, "rb") : nullptr;
    if (!file) {
        if (fd >= 0)
            _close(fd);
        else
            CloseHandle(h);
        why = "cannot be opened as a stream";
        if (status) *status = FileRead::Failed;
    }
    return file;
}

// msvcrt, the C runtime mingw links, ignores fopen's "x" mode: CREATE_NEW refuses an
// existing name, symbolic links included.
namespace {

HANDLE create_new(const std::wstring& path) {
    return CreateFileW(path.c_str(), GENERIC_WRITE, kShareAll, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
}

// Callers say strerror(errno) when a file cannot be created, as they do on POSIX systems;
// CreateFileW sets only the system's own error code.
int errno_of(DWORD error) {
    switch (error) {
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS: return EEXIST;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME: return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_WRITE_PROTECT: return EACCES;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return ENOSPC;
    case ERROR_TOO_MANY_OPEN_FILES: return EMFILE;
    default: return EIO;
    }
}

}  // namespace

std::FILE* create_new_file(const std::string& path, bool replace) {
    const std::wstring wide = widen(path);
    HANDLE handle = create_new(wide);
    if (handle == INVALID_HANDLE_VALUE && GetLastError() == ERROR_FILE_EXISTS) {
        if (!replace) {
            errno = EEXIST;
            return nullptr;
        }
        // DeleteFileW removes a symbolic link itself, not what it points to.
        DeleteFileW(wide.c_str());
        handle = create_new(wide);
    }
    if (handle == INVALID_HANDLE_VALUE) {
        errno = errno_of(GetLastError());
        return nullptr;
    }
    const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_WRONLY | _O_BINARY);
    if (fd < 0) {
        CloseHandle(handle);
        errno = EMFILE;
        return nullptr;
    }
    std::FILE* f = _fdopen(fd, "wb");
    if (!f) _close(fd);
    return f;
}

std::string process_tag() { return std::to_string(GetCurrentProcessId()); }

bool file_identity(std::FILE* file, FileIdentity& identity) {
    if (!file) return false;
    const intptr_t h = _get_osfhandle(_fileno(file));
    return h != -1 && identity_of(reinterpret_cast<HANDLE>(h), identity);
}

bool file_identity(const std::string& path, FileIdentity& identity) {
    // No access asked, only the file's information; a symbolic link itself, not its target.
    const HANDLE h = CreateFileW(widen(path).c_str(), 0, kShareAll, nullptr, OPEN_EXISTING,
                                 FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    const bool known = identity_of(h, identity);
    CloseHandle(h);
    return known;
}

void File::close() {
    if (handle_ != kClosed) CloseHandle(handle_of(handle_));
    handle_ = kClosed;
}

bool File::open_regular(const std::string& path, std::string* why) {
    close();
    std::string reason;
    FileRead status = FileRead::Read;
    const HANDLE h = open_regular_handle(path, reason, status, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        say(why, "\"" + path + "\": " + reason);
        return false;
    }
    handle_ = reinterpret_cast<intptr_t>(h);
    return true;
}

bool File::create(const std::string& path, std::string* why) {
    close();
    const std::wstring wide = widen(path);
    // Whatever is under the name (a file left by a crash, a link planted to redirect the
    // write) goes first: DeleteFileW removes a symbolic link itself, and CREATE_NEW never
    // opens what is there.
    DeleteFileW(wide.c_str());
    const HANDLE h = CreateFileW(wide.c_str(), GENERIC_READ | GENERIC_WRITE, kShareAll, nullptr, CREATE_NEW,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        say(why, error_text(GetLastError()));
        return false;
    }
    handle_ = reinterpret_cast<intptr_t>(h);
    return true;
}

uint64_t File::size() const {
    LARGE_INTEGER size;
    if (handle_ == kClosed || !GetFileSizeEx(handle_of(handle_), &size)) return 0;
    return static_cast<uint64_t>(size.QuadPart);
}

int64_t File::read_at(uint64_t offset, void* data, size_t length, std::string* why) const {
    unsigned char* out = static_cast<unsigned char*>(data);
    size_t done = 0;
    while (done < length) {
        // With an offset in the OVERLAPPED record, a read on a synchronous handle starts
        // there, whatever other threads do with the same handle.
        OVERLAPPED at{};
        at.Offset = static_cast<DWORD>(offset + done);
        at.OffsetHigh = static_cast<DWORD>((offset + done) >> 32);
        const DWORD want = static_cast<DWORD>(std::min(length - done, kLargestCall));
        DWORD got = 0;
        if (!ReadFile(handle_of(handle_), out + done, want, &got, &at)) {
            const DWORD error = GetLastError();
            if (error == ERROR_HANDLE_EOF) break;
            say(why, error_text(error));
            return -1;
        }
        if (got == 0) break;  // the end of the file
        done += got;
    }
    return static_cast<int64_t>(done);
}

bool File::write(const void* data, size_t length, std::string* why) {
    const unsigned char* in = static_cast<const unsigned char*>(data);
    while (length > 0) {
        // Offset all ones: at the end of the file. A ReadFile at an offset moves a
        // synchronous handle's file position, unlike pread.
        OVERLAPPED atEnd{};
        atEnd.Offset = atEnd.OffsetHigh = 0xFFFFFFFF;
        DWORD put = 0;
        if (!WriteFile(handle_of(handle_), in, static_cast<DWORD>(std::min(length, kLargestCall)), &put, &atEnd) ||
            put == 0) {
            say(why, error_text(GetLastError()));
            return false;
        }
        in += put;
        length -= put;
    }
    return true;
}

bool File::sync(std::string* why) {
    if (FlushFileBuffers(handle_of(handle_))) return true;
    say(why, error_text(GetLastError()));
    return false;
}

bool rename_replacing(const std::string& from, const std::string& to, std::string* why) {
    if (MoveFileExW(widen(from).c_str(), widen(to).c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return true;
    say(why, error_text(GetLastError()));
    return false;
}

bool remove_file(const std::string& path) { return DeleteFileW(widen(path).c_str()) != 0; }

FileKind file_kind(const std::string& path) {
    const std::wstring wide = widen(path);
    const DWORD attributes = GetFileAttributesW(wide.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) {
        if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) return FileKind::Link;
        if (attributes & FILE_ATTRIBUTE_DIRECTORY) return FileKind::Folder;
    } else {
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return FileKind::Absent;
    }
    // Device names ("NUL", "COM1", "\\.\pipe\x") answer neither way: open and ask.
    const HANDLE h = CreateFileW(wide.c_str(), 0, kShareAll, nullptr, OPEN_EXISTING,
                                 FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (h == INVALID_HANDLE_VALUE) return attributes == INVALID_FILE_ATTRIBUTES ? FileKind::Absent : FileKind::Other;
    const DWORD type = GetFileType(h);
    CloseHandle(h);
    return type == FILE_TYPE_DISK ? FileKind::Regular : FileKind::Other;
}

bool rename_keeping(const std::string& from, const std::string& to, bool& exists, std::string* why) {
    exists = false;
    if (MoveFileExW(widen(from).c_str(), widen(to).c_str(), MOVEFILE_WRITE_THROUGH)) return true;
    const DWORD error = GetLastError();
    exists = error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS;
    say(why, error_text(error));
    return false;
}

void sync_folder_of(const std::string&) {}

bool resolved_identity(const std::string& path, FileIdentity& identity) {
    const HANDLE h = CreateFileW(widen(path).c_str(), 0, kShareAll, nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS,
                                 nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    const bool known = identity_of(h, identity);
    CloseHandle(h);
    return known;
}

bool process_running(unsigned long id) {
    const HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, static_cast<DWORD>(id));
    if (!process) return GetLastError() == ERROR_ACCESS_DENIED;  // there, but not ours to ask
    DWORD code = 0;
    const bool running = GetExitCodeProcess(process, &code) && code == STILL_ACTIVE;
    CloseHandle(process);
    return running;
}

}  // namespace platform
