// The POSIX half of the file helpers: opening only regular files, the process tag, and
// file identities (device and inode).
#include "platform/file_read.h"
#include "platform/file_replace.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace platform {

std::FILE* open_regular_file(const std::string& path, std::string& why, FileRead* status, uint64_t* size) {
    const auto refuse = [&](FileRead what, std::string reason) -> std::FILE* {
        why = std::move(reason);
        if (status) *status = what;
        return nullptr;
    };
    // O_NONBLOCK: opening a pipe for reading would otherwise wait, possibly for ever, for
    // a writer; the file's kind is only known once it is open.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        const int error = errno;
        if (error == ENOENT || error == ENOTDIR) return refuse(FileRead::Missing, "no such file");
        return refuse(FileRead::Failed, std::strerror(error));
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        const int error = errno;
        ::close(fd);
        return refuse(FileRead::Failed, std::strerror(error));
    }
    if (!S_ISREG(info.st_mode)) {
        ::close(fd);
        if (S_ISDIR(info.st_mode)) return refuse(FileRead::NotAFile, "a folder, not a file");
        return refuse(FileRead::NotAFile, "not a regular file (a pipe, a device or a socket)");
    }
    // Reads of a regular file never wait anyway; the flag is cleared so that nothing
    // downstream sees EAGAIN.
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    std::FILE* file = ::fdopen(fd, "rb");
    if (!file) {
        const int error = errno;
        ::close(fd);
        return refuse(FileRead::Failed, std::strerror(error));
    }
    if (status) *status = FileRead::Read;
    if (size) *size = static_cast<uint64_t>(info.st_size);
    return file;
}

std::string process_tag() { return std::to_string(static_cast<long long>(::getpid())); }

namespace {

FileIdentity identity_of(const struct stat& info) {
    return FileIdentity{static_cast<uint64_t>(info.st_dev), static_cast<uint64_t>(info.st_ino)};
}

}  // namespace

bool file_identity(std::FILE* file, FileIdentity& identity) {
    struct stat info {};
    if (!file || ::fstat(::fileno(file), &info) != 0) return false;
    identity = identity_of(info);
    return true;
}

bool file_identity(const std::string& path, FileIdentity& identity) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0) return false;
    identity = identity_of(info);
    return true;
}

}  // namespace platform
