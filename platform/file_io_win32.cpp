// Files on Windows: HANDLEs from CreateFileW, ReadFile at an offset, FlushFileBuffers,
// MoveFileExW. Files are opened with every sharing mode, as POSIX descriptors are, so that
// a reader never stops a writer from replacing the file under it.
#include "platform/file_io.h"

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

}  // namespace

File& File::operator=(File&& other) noexcept {
    if (this != &other) {
        close();
        handle_ = other.handle_;
        other.handle_ = kClosed;
    }
    return *this;
}

void File::close() {
    if (handle_ != kClosed) CloseHandle(handle_of(handle_));
    handle_ = kClosed;
}

bool File::open_regular(const std::string& path, std::string* why) {
    close();
    const std::wstring wide = widen(path);
    // Without FILE_FLAG_BACKUP_SEMANTICS a folder is refused at once (access denied).
    const HANDLE h = CreateFileW(wide.c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        const DWORD attributes = GetFileAttributesW(wide.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
            say(why, "\"" + path + "\" is not a file");
        else
            say(why, "\"" + path + "\": " + error_text(error));
        return false;
    }
    // Devices ("CON", "NUL", serial ports) and pipes open like files.
    if (GetFileType(h) != FILE_TYPE_DISK) {
        CloseHandle(h);
        say(why, "\"" + path + "\" is not a file");
        return false;
    }
    handle_ = reinterpret_cast<intptr_t>(h);
    return true;
}

bool File::create(const std::string& path, std::string* why) {
    close();
    const HANDLE h = CreateFileW(widen(path).c_str(), GENERIC_READ | GENERIC_WRITE, kShareAll, nullptr, CREATE_ALWAYS,
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

uint32_t process_id() { return static_cast<uint32_t>(GetCurrentProcessId()); }

}  // namespace platform
