// File output helpers of velmora-data.
#include "tools/velmora_data/file_output.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace vdata {

bool makeDirectories(const std::string& path, std::string& error) {
    if (path.empty()) {
        error = "empty directory name";
        return false;
    }
    for (size_t at = 1; at <= path.size(); ++at) {
        if (at < path.size() && path[at] != '/') continue;
        const std::string part = path.substr(0, at);
        if (::mkdir(part.c_str(), 0777) != 0 && errno != EEXIST) {
            error = "cannot create directory " + part + ": " + std::strerror(errno);
            return false;
        }
        struct stat info {};
        if (::stat(part.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
            error = part + " exists and is not a directory";
            return false;
        }
    }
    return true;
}

bool writeFileReplacing(const std::string& path, const std::vector<unsigned char>& bytes, std::string& error) {
    const std::string temp = path + ".tmp";
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) {
        error = "cannot create " + temp + ": " + std::strerror(errno);
        return false;
    }
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            error = "cannot write " + temp + ": " + std::strerror(errno);
            ::close(fd);
            std::remove(temp.c_str());
            return false;
        }
        done += static_cast<size_t>(n);
    }
    if (::close(fd) != 0) {
        error = "cannot write " + temp + ": " + std::strerror(errno);
        std::remove(temp.c_str());
        return false;
    }
    if (std::rename(temp.c_str(), path.c_str()) != 0) {
        error = "cannot rename " + temp + " to " + path + ": " + std::strerror(errno);
        std::remove(temp.c_str());
        return false;
    }
    return true;
}

bool writeFileReplacing(const std::string& path, const std::string& text, std::string& error) {
    return writeFileReplacing(path, std::vector<unsigned char>(text.begin(), text.end()), error);
}

bool removeIfPresent(const std::string& path, std::string& error) {
    if (std::remove(path.c_str()) == 0 || errno == ENOENT) return true;
    error = "cannot remove " + path + ": " + std::strerror(errno);
    return false;
}

}  // namespace vdata
