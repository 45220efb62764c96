// File output helpers of velmora-data.
#include "tools/velmora_data/file_output.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "platform/file_write.h"

namespace vdata {

bool makeDirectories(const std::string& path, std::string& error) {
    if (path.empty()) {
        error = "empty directory name";
        return false;
    }
    for (size_t at = 1; at <= path.size(); ++at) {
        if (at < path.size() && path[at] != '/') continue;
        const std::string part = path.substr(0, at);
        std::error_code ec;
        std::filesystem::create_directory(std::filesystem::u8path(part), ec);
        if (ec && ec != std::errc::file_exists) {
            error = "cannot create directory " + part + ": " + ec.message();
            return false;
        }
        if (!std::filesystem::is_directory(std::filesystem::u8path(part), ec)) {
            error = part + " exists and is not a directory";
            return false;
        }
    }
    return true;
}

bool writeFileReplacing(const std::string& path, const std::vector<unsigned char>& bytes, std::string& error) {
    return platform::write_file(path, bytes.data(), bytes.size(), platform::WriteOptions(), error) ==
           platform::FileWrite::Written;
}

bool writeFileReplacing(const std::string& path, const std::string& text, std::string& error) {
    return platform::write_file(path, text, platform::WriteOptions(), error) == platform::FileWrite::Written;
}

bool removeIfPresent(const std::string& path, std::string& error) {
    if (std::remove(path.c_str()) == 0 || errno == ENOENT) return true;
    error = "cannot remove " + path + ": " + std::strerror(errno);
    return false;
}

}  // namespace vdata
