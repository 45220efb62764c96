// File output helpers of velmora-data.
#include "tools/velmora_data/file_output.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/file_replace.h"

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
    // Created as a new file under a name of this process only: a file or link already
    // under that name is removed rather than written through, and a user's own "NAME.tmp"
    // beside the output is never touched.
    const std::string temp = platform::process_temp_path(path);
    std::FILE* file = platform::create_new_file(temp);
    if (!file) {
        error = "cannot create " + temp + ": " + std::strerror(errno);
        return false;
    }
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    const int writeErrno = errno;
    if (std::fclose(file) != 0 || !written) {
        error = "cannot write " + temp + ": " + std::strerror(written ? errno : writeErrno);
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
