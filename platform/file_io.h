// Files named by UTF-8 paths and handled through the system's own calls: reads at any
// offset that several threads may make at once (pread; ReadFile at an offset), and
// writes known to be on the disk before a rename makes them visible (fsync;
// FlushFileBuffers), then that rename, replacing what was there.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/file_replace.h"

namespace platform {

class File {
public:
    File() = default;
    ~File() { close(); }
    File(File&& other) noexcept : handle_(other.handle_) { other.handle_ = kClosed; }
    File& operator=(File&& other) noexcept {
        if (this != &other) {
            close();
            handle_ = other.handle_;
            other.handle_ = kClosed;
        }
        return *this;
    }
    File(const File&) = delete;
    File& operator=(const File&) = delete;

    // Opens an existing file for reading. Anything but a regular file (a folder, a device,
    // a pipe) is refused without waiting on it, as open_regular_file does. On failure `why`
    // (when given) says "\"PATH\": REASON". Other programs may still replace or remove the
    // file while it is open.
    bool open_regular(const std::string& path, std::string* why);
    // Creates path as a new file for writing and reading back. Whatever is under the name
    // (a file left by a crash, a symbolic link planted to redirect the write) is removed
    // first, never written through.
    bool create(const std::string& path, std::string* why);
    bool is_open() const { return handle_ != kClosed; }
    void close();

    // The file's size now; 0 when it cannot be told.
    uint64_t size() const;
    // Reads up to length bytes at offset without moving the file position; returns the
    // bytes read (fewer only where the file ends) or -1 on an error (`why`). Safe from
    // several threads at once.
    int64_t read_at(uint64_t offset, void* data, size_t length, std::string* why) const;
    // Appends all length bytes at the end of the file (reads never move where it writes).
    bool write(const void* data, size_t length, std::string* why);
    // Returns once everything written is on the disk.
    bool sync(std::string* why);

private:
    static constexpr intptr_t kClosed = -1;  // also INVALID_HANDLE_VALUE
    intptr_t handle_ = kClosed;              // a file descriptor, or a Windows HANDLE
};

// Renames `from` to `to`, replacing a file already at `to` in one step. On failure `why`
// (when given) holds the system's reason.
bool rename_replacing(const std::string& from, const std::string& to, std::string* why);

// Removes a file; false when it could not be removed (or was not there).
bool remove_file(const std::string& path);

// What is under a name, the entry itself (a symbolic link is not followed).
enum class FileKind { Absent, Regular, Link, Folder, Other /* a pipe, a device, a socket */ };
FileKind file_kind(const std::string& path);

// Renames `from` to `to` only when nothing is at `to`, in one step where the system can;
// `exists` tells that refusal from other failures.
bool rename_keeping(const std::string& from, const std::string& to, bool& exists, std::string* why);

// Pushes a rename in path's folder to the disk (POSIX systems; Windows' renames are
// journalled with the file).
void sync_folder_of(const std::string& path);

// The identity of the file a name leads to, links followed. False when there is none.
bool resolved_identity(const std::string& path, FileIdentity& identity);

}  // namespace platform
