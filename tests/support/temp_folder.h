// A fresh folder under the system's temporary directory for one test, removed afterwards,
// so tests that write files never touch the source tree or each other.
#pragma once
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

class TempFolder {
public:
    // create_directory refuses a name that exists, so a folder is never shared with
    // another test or process.
    TempFolder() {
        namespace fs = std::filesystem;
        std::error_code ec;
        const fs::path base = fs::temp_directory_path(ec);
        std::random_device random;
        for (int attempt = 0; attempt < 100 && path_.empty() && !ec; ++attempt) {
            const fs::path candidate = base / ("velmora-test-" + std::to_string(random()));
            if (fs::create_directory(candidate, ec)) path_ = candidate.u8string();
        }
    }
    ~TempFolder() {
        std::error_code ignored;
        if (!path_.empty()) std::filesystem::remove_all(std::filesystem::u8path(path_), ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    // Path of name inside the folder.
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }
    // Writes text as it stands (no line-end translation) and returns the file's path.
    std::string write(const std::string& name, const std::string& text) const {
        const std::string file = path_ + "/" + name;
        std::filesystem::create_directories(std::filesystem::u8path(file).parent_path());
        std::ofstream(file, std::ios::binary) << text;
        return file;
    }
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

inline void writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

inline std::vector<unsigned char> asBytes(const std::string& text) {
    return std::vector<unsigned char>(text.begin(), text.end());
}
