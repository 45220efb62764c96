// Files on POSIX systems: descriptors, pread, fsync, rename.
#include "platform/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace platform {

namespace {

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
    if (handle_ != kClosed) ::close(static_cast<int>(handle_));
    handle_ = kClosed;
}

bool File::open_regular(const std::string& path, std::string* why) {
    close();
    // O_NONBLOCK: opening a FIFO for reading would otherwise wait for a writer.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        say(why, "\"" + path + "\": " + std::strerror(errno));
        return false;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        say(why, "\"" + path + "\" is not a file");
        ::close(fd);
        return false;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    handle_ = fd;
    return true;
}

bool File::create(const std::string& path, std::string* why) {
    close();
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_APPEND | O_CLOEXEC, 0666);
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

uint32_t process_id() { return static_cast<uint32_t>(::getpid()); }

}  // namespace platform
