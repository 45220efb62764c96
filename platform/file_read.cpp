// Bounded whole-file reads on top of open_regular_file, the same on every system.
#include "platform/file_read.h"

#include <memory>

namespace platform {

namespace {

template <class Bytes>
FileRead read_bounded(const std::string& path, Bytes& data, uint64_t maxBytes, std::string& why) {
    data.clear();
    FileRead status = FileRead::Read;
    uint64_t size = 0;
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(open_regular_file(path, why, &status, &size), &std::fclose);
    if (!file) return status;
    const auto tooLarge = [&] {
        data.clear();
        why = "larger than " + size_text(maxBytes) + ", the most read from such a file";
        return FileRead::TooLarge;
    };
    if (size > maxBytes) return tooLarge();
    // The size is only a hint (a file may grow while it is read, and some report 0), so
    // the reading itself stops one byte past the bound.
    data.reserve(static_cast<size_t>(size));
    char buffer[65536];
    for (;;) {
        const size_t got = std::fread(buffer, 1, sizeof buffer, file.get());
        if (data.size() + got > maxBytes) return tooLarge();
        data.insert(data.end(), buffer, buffer + got);
        if (got < sizeof buffer) break;
    }
    if (std::ferror(file.get())) {
        data.clear();
        why = "a read error";
        return FileRead::Failed;
    }
    return FileRead::Read;
}

}  // namespace

FileRead read_regular_file(const std::string& path, std::string& data, uint64_t maxBytes, std::string& why) {
    return read_bounded(path, data, maxBytes, why);
}

FileRead read_regular_file(const std::string& path, std::vector<unsigned char>& data, uint64_t maxBytes,
                           std::string& why) {
    return read_bounded(path, data, maxBytes, why);
}

FileRead read_regular_file(const std::string& path, std::vector<char>& data, uint64_t maxBytes, std::string& why) {
    return read_bounded(path, data, maxBytes, why);
}

std::string size_text(uint64_t bytes) {
    if (bytes >= (1u << 20) && bytes % (1u << 20) == 0) return std::to_string(bytes >> 20) + " MB";
    if (bytes >= (1u << 10) && bytes % (1u << 10) == 0) return std::to_string(bytes >> 10) + " KB";
    return std::to_string(bytes) + (bytes == 1 ? " byte" : " bytes");
}

}  // namespace platform
