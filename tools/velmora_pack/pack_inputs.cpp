// Gathering velmora-pack's inputs. Order is part of the output (the index lists entries as
// they come), so folder listings are sorted rather than taken in directory order. Paths
// are UTF-8 strings, turned into filesystem paths with u8path and back with u8string (a
// plain std::string would be taken in the ANSI code page on Windows).
#include "pack_inputs.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <sstream>

#include "platform/file_read.h"
#include "platform/printable.h"

namespace fs = std::filesystem;

namespace {

std::string lowerCase(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// The formats OpenCV and the system's imaging component (WIC) both read.
bool isPictureFile(const fs::path& file) {
    const std::string extension = lowerCase(file.extension().u8string());
    for (const char* known : {".jpg", ".jpeg", ".png", ".tif", ".tiff", ".webp", ".bmp"})
        if (extension == known) return true;
    return false;
}

bool isSpace(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }

// A line per entry: a million entries take about 50 MB.
constexpr uint64_t kMaxManifestBytes = 256ull << 20;

}  // namespace

bool isJpegFile(const std::string& path) {
    const std::string extension = lowerCase(fs::u8path(path).extension().u8string());
    return extension == ".jpg" || extension == ".jpeg";
}

std::string frameEntryName(const std::string& prefix, const std::string& fileName) {
    return prefix + fs::u8path(fileName).stem().u8string() + "_n.jpg";
}

bool readManifest(const std::string& manifestPath, std::vector<PackInput>& inputs, std::string& error) {
    std::string text, why;
    if (platform::read_regular_file(manifestPath, text, kMaxManifestBytes, why) != platform::FileRead::Read) {
        error = "cannot open manifest " + platform::printable(manifestPath) + ": " + why;
        return false;
    }
    std::istringstream in(text);
    const fs::path folder = fs::u8path(manifestPath).parent_path();
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const auto nameBegin = std::find_if_not(line.begin(), line.end(), isSpace);
        if (nameBegin == line.end() || *nameBegin == '#') continue;
        const auto nameEnd = std::find_if(nameBegin, line.end(), isSpace);
        const auto pathBegin = std::find_if_not(nameEnd, line.end(), isSpace);
        auto pathEnd = line.end();
        while (pathEnd != pathBegin && isSpace(*(pathEnd - 1))) --pathEnd;
        if (pathBegin == pathEnd) {
            error = manifestPath + " line " + std::to_string(number) + ": expected \"<entry name> <file>\"";
            return false;
        }
        const fs::path file = fs::u8path(std::string(pathBegin, pathEnd));
        inputs.push_back({std::string(nameBegin, nameEnd), (file.is_absolute() ? file : folder / file).u8string()});
    }
    return true;
}

bool scanFrameFolder(const std::string& folder, const std::string& prefix, std::vector<PackInput>& inputs,
                     size_t& skipped, std::string& error) {
    std::error_code failure;
    fs::directory_iterator it(fs::u8path(folder), failure);
    if (failure) {
        error = "cannot list folder " + folder + ": " + failure.message();
        return false;
    }
    std::vector<fs::path> frames;
    for (; it != fs::directory_iterator(); it.increment(failure)) {
        if (failure) break;
        if (it->is_regular_file(failure) && isPictureFile(it->path()))
            frames.push_back(it->path());
        else
            ++skipped;
    }
    if (failure) {
        error = "cannot list folder " + folder + ": " + failure.message();
        return false;
    }
    std::sort(frames.begin(), frames.end(),
              [](const fs::path& a, const fs::path& b) { return a.filename().u8string() < b.filename().u8string(); });
    for (const fs::path& frame : frames)
        inputs.push_back({frameEntryName(prefix, frame.filename().u8string()), frame.u8string(), true});
    return true;
}
