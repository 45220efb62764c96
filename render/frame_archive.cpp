// Reading the frame archive. Every length and offset in the index is checked against the
// data file's size before anything is allocated or read.
#include "render/frame_archive.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <iostream>

struct FrameArchive::Cache {
    std::unordered_map<std::string, size_t> firstEntry;  // name -> index of its first entry
    size_t indexedEntries = 0;                            // entries.size() when firstEntry was built
    bool indexed = false;

    std::string openPath;  // dataPath the descriptor belongs to
    int fd = -1;
    uint64_t size = 0;

    ~Cache() { closeData(); }
    void closeData() {
        if (fd >= 0) ::close(fd);
        fd = -1;
        size = 0;
        openPath.clear();
    }
};

FrameArchive::FrameArchive() : cache(std::make_unique<Cache>()) {}
FrameArchive::~FrameArchive() = default;
FrameArchive::FrameArchive(const FrameArchive& other)
    : entries(other.entries), dataPath(other.dataPath), cache(std::make_unique<Cache>()) {}
FrameArchive& FrameArchive::operator=(const FrameArchive& other) {
    if (this != &other) {
        entries = other.entries;
        dataPath = other.dataPath;
        cache = std::make_unique<Cache>();
    }
    return *this;
}
FrameArchive::FrameArchive(FrameArchive&&) noexcept = default;
FrameArchive& FrameArchive::operator=(FrameArchive&&) noexcept = default;

bool FrameArchive::open(const std::string& base) {
    entries.clear();
    dataPath = base + ".bin";
    cache = std::make_unique<Cache>();
    const std::string indexPath = base + ".txt";
    std::ifstream index(indexPath);
    if (!index) {
        std::cout << "FrameArchive::open() : cannot open " << indexPath << std::endl;
        return false;
    }
    int32_t count = 0;
    if (!(index >> count)) return false;
    // No reserve(count): the count is untrusted, and a damaged one must not allocate
    // gigabytes; entries grow only with what is really there.
    for (int32_t k = 0; k < count; ++k) {
        ArchiveEntry entry;
        if (!(index >> entry.name >> entry.length >> entry.offset)) {
            std::cout << "FrameArchive::open() : " << indexPath << " ends after " << entries.size() << " of " << count
                      << " entries" << std::endl;
            return false;
        }
        entries.push_back(std::move(entry));
    }
    return true;
}

namespace {

FrameArchive::Cache& cacheOf(const FrameArchive& archive) {
    // A moved-from archive has none until it is used again.
    if (!archive.cache) archive.cache = std::make_unique<FrameArchive::Cache>();
    return *archive.cache;
}

const ArchiveEntry* findEntry(const FrameArchive& archive, FrameArchive::Cache& cache, const std::string& name) {
    if (!cache.indexed || cache.indexedEntries != archive.entries.size()) {
        cache.firstEntry.clear();
        for (size_t k = 0; k < archive.entries.size(); ++k) cache.firstEntry.emplace(archive.entries[k].name, k);
        cache.indexedEntries = archive.entries.size();
        cache.indexed = true;
    }
    const auto found = cache.firstEntry.find(name);
    if (found == cache.firstEntry.end()) return nullptr;
    const ArchiveEntry& entry = archive.entries[found->second];
    return entry.name == name ? &entry : nullptr;
}

bool openData(const FrameArchive& archive, FrameArchive::Cache& cache) {
    if (cache.fd >= 0 && cache.openPath == archive.dataPath) return true;
    cache.closeData();
    // Tried again on every read while it fails: a data file that appears later is used.
    const int fd = ::open(archive.dataPath.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return false;
    }
    cache.fd = fd;
    cache.size = static_cast<uint64_t>(info.st_size);
    cache.openPath = archive.dataPath;
    return true;
}

}  // namespace

bool readArchiveEntry(const FrameArchive& archive, const std::string& name, std::vector<unsigned char>& bytes) {
    bytes.clear();
    FrameArchive::Cache& cache = cacheOf(archive);
    const ArchiveEntry* entry = findEntry(archive, cache, name);
    if (!entry) return false;
    if (entry->length == 0) return true;
    if (!openData(archive, cache)) return false;
    // "remaining < needed", so that offset + length cannot overflow.
    if (entry->offset > cache.size || entry->length > cache.size - entry->offset) return false;
    bytes.resize(entry->length);
    uint64_t done = 0;
    while (done < entry->length) {
        const ssize_t got = ::pread(cache.fd, bytes.data() + done, entry->length - done,
                                    static_cast<off_t>(entry->offset + done));
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) {  // the file shrank since it was opened, or a read error
            bytes.clear();
            return false;
        }
        done += static_cast<uint64_t>(got);
    }
    return true;
}
