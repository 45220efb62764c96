// The POSIX half of the file helpers: opening only regular files, the process tag, file
// identities (device and inode), and files read at an offset (pread), synced (fsync) and
// renamed over others.
#include "platform/file_io.h"
#include "platform/file_read.h"
#include "platform/file_replace.h"
#include "platform/file_write.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>

namespace platform {

namespace {

// The descriptor of path when it names a regular file, else -1 with `why` and `status`.
int open_regular_fd(const std::string& path, std::string& why, FileRead& status, uint64_t* size) {
    const auto refuse = [&](FileRead what, std::string reason) {
        why = std::move(reason);
        status = what;
        return -1;
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
    status = FileRead::Read;
    if (size) *size = static_cast<uint64_t>(info.st_size);
    return fd;
}

void say(std::string* why, const std::string& text) {
    if (why) *why = text;
}

}  // namespace

std::FILE* open_regular_file(const std::string& path, std::string& why, FileRead* status, uint64_t* size) {
    FileRead opened = FileRead::Read;
    const int fd = open_regular_fd(path, why, opened, size);
    if (status) *status = opened;
    if (fd < 0) return nullptr;
    std::FILE* file = ::fdopen(fd, "rb");
    if (!file) {
        why = std::strerror(errno);
        if (status) *status = FileRead::Failed;
        ::close(fd);
    }
    return file;
}

// fopen's "x" mode (O_CREAT | O_EXCL) refuses an existing name, symbolic links included.
std::FILE* create_new_file(const std::string& path, bool replace) {
    std::FILE* f = std::fopen(path.c_str(), "wbx");
    if (!f && replace) {
        // remove() unlinks a symbolic link itself, not what it points to.
        std::remove(path.c_str());
        f = std::fopen(path.c_str(), "wbx");
    }
    return f;
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

void File::close() {
    if (handle_ != kClosed) ::close(static_cast<int>(handle_));
    handle_ = kClosed;
}

bool File::open_regular(const std::string& path, std::string* why) {
    close();
    std::string reason;
    FileRead status = FileRead::Read;
    const int fd = open_regular_fd(path, reason, status, nullptr);
    if (fd < 0) {
        say(why, "\"" + path + "\": " + reason);
        return false;
    }
    handle_ = fd;
    return true;
}

bool File::create(const std::string& path, std::string* why) {
    close();
    // Whatever is under the name (a file left by a crash, a link planted to redirect the
    // write) goes first: the new file is never written through it.
    ::unlink(path.c_str());
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_APPEND | O_CLOEXEC, 0666);
    if (fd < 0) {
        say(why, std::strerror(errno));
        return false;
    }
    handle_ = fd;
    return true;
}

uint64_t File::size() const {
    struct stat info {};
    if (handle_ == kClosed || ::fstat(static_cast<int>(handle_), &info) != 0) return 0;
    return static_cast<uint64_t>(info.st_size);
}

int64_t File::read_at(uint64_t offset, void* data, size_t length, std::string* why) const {
    unsigned char* out = static_cast<unsigned char*>(data);
    size_t done = 0;
    while (done < length) {
        const ssize_t got = ::pread(static_cast<int>(handle_), out + done, length - done, static_cast<off_t>(offset + done));
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) {
            say(why, std::strerror(errno));
            return -1;
        }
        if (got == 0) break;  // the end of the file
        done += static_cast<size_t>(got);
    }
    return static_cast<int64_t>(done);
}

bool File::write(const void* data, size_t length, std::string* why) {
    const unsigned char* in = static_cast<const unsigned char*>(data);
    while (length > 0) {
        const ssize_t put = ::write(static_cast<int>(handle_), in, length);
        if (put < 0 && errno == EINTR) continue;
        if (put <= 0) {
            say(why, put < 0 ? std::strerror(errno) : "nothing could be written");
            return false;
        }
        in += put;
        length -= static_cast<size_t>(put);
    }
    return true;
}

bool File::sync(std::string* why) {
    if (::fsync(static_cast<int>(handle_)) == 0) return true;
    say(why, std::strerror(errno));
    return false;
}

bool rename_replacing(const std::string& from, const std::string& to, std::string* why) {
    if (std::rename(from.c_str(), to.c_str()) == 0) return true;
    say(why, std::strerror(errno));
    return false;
}

bool remove_file(const std::string& path) { return std::remove(path.c_str()) == 0; }

FileKind file_kind(const std::string& path) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0) return errno == ENOENT || errno == ENOTDIR ? FileKind::Absent : FileKind::Other;
    if (S_ISREG(info.st_mode)) return FileKind::Regular;
    if (S_ISLNK(info.st_mode)) return FileKind::Link;
    if (S_ISDIR(info.st_mode)) return FileKind::Folder;
    return FileKind::Other;
}

bool rename_keeping(const std::string& from, const std::string& to, bool& exists, std::string* why) {
    exists = false;
    // A hard link is made only where nothing is under the name, in one step.
    if (::link(from.c_str(), to.c_str()) == 0) {
        ::unlink(from.c_str());
        return true;
    }
    const int error = errno;
    if (error == EEXIST) {
        exists = true;
        say(why, std::strerror(error));
        return false;
    }
    // Volumes without hard links (FAT, some network shares): looked at, then renamed.
    if (error == EPERM || error == ENOSYS || error == EOPNOTSUPP || error == EMLINK) {
        struct stat info {};
        if (::lstat(to.c_str(), &info) == 0) {
            exists = true;
            say(why, std::strerror(EEXIST));
            return false;
        }
        return rename_replacing(from, to, why);
    }
    say(why, std::strerror(error));
    return false;
}

void sync_folder_of(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

bool resolved_identity(const std::string& path, FileIdentity& identity) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) return false;
    identity = identity_of(info);
    return true;
}

bool process_running(unsigned long id) {
    if (id == 0 || id > static_cast<unsigned long>(INT32_MAX)) return false;
    // EPERM: it is there, run by another user.
    return ::kill(static_cast<pid_t>(id), 0) == 0 || errno == EPERM;
}

}  // namespace platform
