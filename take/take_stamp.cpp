#include "take/take_stamp.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>
#include <system_error>

#include "platform/crc32.h"

namespace {

namespace fs = std::filesystem;

constexpr uint64_t kWholeUpTo = 16ull << 20;
constexpr int kSamples = 64;
constexpr uint64_t kSampleBytes = 64 << 10;

uint32_t crcOfRange(std::FILE* f, uint64_t from, uint64_t count, uint32_t crc, std::vector<char>& buffer) {
    if (std::fseek(f, static_cast<long>(from), SEEK_SET) != 0) return crc;
    while (count > 0) {
        const size_t n = std::fread(buffer.data(), 1, static_cast<size_t>(std::min<uint64_t>(count, buffer.size())), f);
        if (n == 0) break;
        crc = platform::crc32_update(crc, buffer.data(), n);
        count -= n;
    }
    return crc;
}

TakeDataFile stampFile(const fs::path& file, const std::string& name, std::vector<char>& buffer) {
    TakeDataFile stamp;
    stamp.path = name;
    std::error_code ec;
    stamp.size = fs::file_size(file, ec);
    std::FILE* f = std::fopen(file.string().c_str(), "rb");
    if (!f) return stamp;  // unreadable here: its CRC of nothing tells it apart
    if (stamp.size <= kWholeUpTo) {
        stamp.crc = crcOfRange(f, 0, stamp.size, 0, buffer);
    } else {
        const uint64_t last = stamp.size - kSampleBytes;
        for (int i = 0; i < kSamples; ++i)
            stamp.crc = crcOfRange(f, last * i / (kSamples - 1), kSampleBytes, stamp.crc, buffer);
    }
    std::fclose(f);
    return stamp;
}

// A shader twin is the show's own product, an editor's leftovers are nobody's.
bool stamped(const fs::path& file, const fs::path& folder) {
    const std::string name = file.filename().string();
    if (name.empty() || name[0] == '.' || name.back() == '~') return false;
    const std::string ext = file.extension().string();
    if (ext == ".tmp") return false;
    if (ext == ".xxx") {
        // Without its source the show runs from the twin: then the twin is the data.
        fs::path source = file;
        source.replace_extension(".cpp");
        std::error_code ec;
        return !fs::exists(folder / source, ec);
    }
    return true;
}

}  // namespace

std::vector<TakeDataFile> stampShowData(const std::string& folder) {
    const fs::path root(folder);
    std::vector<TakeDataFile> stamps;
    std::vector<char> buffer(1 << 20);
    std::error_code ec;
    for (const char* file : {"bin.txt", "bin.bin"})
        if (fs::is_regular_file(root / file, ec)) stamps.push_back(stampFile(root / file, file, buffer));
    for (const char* sub : {"music", "resources3", "videos", "shaders"}) {
        // The folders may be links (a show folder made of links to shared data); links
        // inside them are followed too, and a loop among them ends the walk there.
        const auto options = fs::directory_options::follow_directory_symlink | fs::directory_options::skip_permission_denied;
        fs::recursive_directory_iterator it(root / sub, options, ec), end;
        for (; !ec && it != end; it.increment(ec)) {
            if (it.depth() > 8) {
                it.disable_recursion_pending();
                continue;
            }
            // Lexically: resolving the links would name the files by where they really are.
            const fs::path relative = it->path().lexically_relative(root);
            if (!it->is_regular_file(ec) || ec || !stamped(relative, root)) continue;
            stamps.push_back(stampFile(it->path(), relative.generic_string(), buffer));
        }
        ec.clear();
    }
    std::sort(stamps.begin(), stamps.end(), [](const TakeDataFile& a, const TakeDataFile& b) { return a.path < b.path; });
    return stamps;
}

std::string stampDifference(const std::vector<TakeDataFile>& recorded, const std::vector<TakeDataFile>& here) {
    std::map<std::string, const TakeDataFile*> now;
    for (const TakeDataFile& f : here) now[f.path] = &f;
    std::vector<std::string> differences;
    for (const TakeDataFile& f : recorded) {
        const auto found = now.find(f.path);
        if (found == now.end()) {
            differences.push_back(f.path + " is missing here");
            continue;
        }
        if (found->second->size != f.size || found->second->crc != f.crc) differences.push_back(f.path + " differs");
        now.erase(found);
    }
    for (const auto& extra : now) differences.push_back(extra.first + " was not there");
    if (differences.empty()) return {};
    std::string line = differences.front();
    if (differences.size() > 1)
        line += " (and " + std::to_string(differences.size() - 1) + " more file" + (differences.size() > 2 ? "s" : "") + ")";
    return line;
}
