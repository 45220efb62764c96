// Reading the frame archive. Every length and offset in the index is checked against the
// data file's size before anything is allocated or read.
#include "render/frame_archive.h"

#include <cctype>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <sstream>

#include "platform/file_io.h"
#include "platform/file_read.h"
#include "platform/printable.h"

struct FrameArchive::Cache {
    std::unordered_map<std::string, size_t> firstEntry;  // name -> index of its first entry
    size_t indexedEntries = 0;                            // entries.size() when firstEntry was built
    bool indexed = false;

    std::string openPath;  // dataPath the open file belongs to
    platform::File data;
    uint64_t size = 0;

    void closeData() {
        data.close();
        size = 0;
        openPath.clear();
    }
};

FrameArchive::FrameArchive() : cache(std::make_unique<Cache>()) {}
FrameArchive::~FrameArchive() = default;
FrameArchive::FrameArchive(const FrameArchive& other)
    : entries(other.entries), dataPath(other.dataPath), indexPath(other.indexPath), cache(std::make_unique<Cache>()) {}
FrameArchive& FrameArchive::operator=(const FrameArchive& other) {
    if (this != &other) {
        entries = other.entries;
        dataPath = other.dataPath;
        indexPath = other.indexPath;
        cache = std::make_unique<Cache>();
    }
    return *this;
}
FrameArchive::FrameArchive(FrameArchive&&) noexcept = default;
FrameArchive& FrameArchive::operator=(FrameArchive&&) noexcept = default;

namespace {

// An index of a million entries takes about 50 MB; anything past this is not an index.
constexpr uint64_t kMaxIndexBytes = 256ull << 20;

// Whitespace-separated tokens of the index, with the line each starts on. A token is
// capped so that a damaged index without whitespace cannot fill memory.
class IndexTokens {
public:
    static constexpr size_t kLongestToken = 4096;
    explicit IndexTokens(std::streambuf* in) : in_(in) {}

    // False at the end of the file. A token longer than the cap comes back cut to it.
    bool next(std::string& token, int& line) {
        token.clear();
        int c = in_->sbumpc();
        while (c != EOF && std::isspace(c)) {
            if (c == '\n') ++line_;
            c = in_->sbumpc();
        }
        if (c == EOF) return false;
        line = line_;
        while (c != EOF && !std::isspace(c)) {
            if (token.size() < kLongestToken + 1) token.push_back(static_cast<char>(c));
            c = in_->sbumpc();
        }
        if (c == '\n') ++line_;
        return true;
    }

private:
    std::streambuf* in_;
    int line_ = 1;
};

// A decimal length or offset: digits only, within 64 bits.
bool parseUnsigned(const std::string& token, uint64_t& value) {
    if (token.empty() || token.size() > 20) return false;
    value = 0;
    for (char c : token) {
        if (c < '0' || c > '9') return false;
        const uint64_t digit = static_cast<uint64_t>(c - '0');
        if (value > (UINT64_MAX - digit) / 10) return false;
        value = value * 10 + digit;
    }
    return true;
}

// A damaged index can hold any bytes: they are shown escaped.
std::string quoted(const std::string& token) { return "\"" + platform::printable(token, 40) + "\""; }

// A cut data file is said at once, not only when a frame first lands past its end, which
// may be minutes into the show.
void reportEntriesPastTheEnd(const FrameArchive& archive) {
    platform::File data;
    if (!data.open_regular(archive.dataPath, nullptr)) return;  // said on first read
    const uint64_t size = data.size();
    size_t outside = 0;
    const ArchiveEntry* first = nullptr;
    for (const ArchiveEntry& e : archive.entries) {
        if (e.length == 0 || (e.offset <= size && e.length <= size - e.offset)) continue;
        if (!first) first = &e;
        ++outside;
    }
    if (outside)
        std::cout << "FrameArchive::open() : " << archive.dataPath << " has " << size << " bytes, and " << outside
                  << " of the " << archive.entries.size() << " entries lie past its end, the first "
                  << quoted(first->name) << "; their frames keep the picture shown before them" << std::endl;
}

}  // namespace

bool FrameArchive::open(const std::string& base) { return open(base + ".txt", base + ".bin"); }

bool FrameArchive::open(const std::string& indexPath, const std::string& dataFile) {
    entries.clear();
    dataPath = dataFile;
    this->indexPath = indexPath;
    cache = std::make_unique<Cache>();
    std::string text, why;
    if (platform::read_regular_file(indexPath, text, kMaxIndexBytes, why) != platform::FileRead::Read) {
        std::cout << "FrameArchive::open() : cannot open " << indexPath << ": " << why << std::endl;
        return false;
    }
    std::stringbuf index(std::move(text), std::ios::in);
    IndexTokens tokens(&index);
    std::string token;
    int line = 1;
    int32_t count = 0;
    const char* const noFrames = "; the show has no frames from the archive";
    if (!tokens.next(token, line)) {
        std::cout << "FrameArchive::open() : " << indexPath << " is empty" << noFrames << std::endl;
        return false;
    }
    const char* end = token.data() + token.size();
    const auto parsed = std::from_chars(token.data(), end, count);
    if (parsed.ec != std::errc() || parsed.ptr != end || count < 0) {
        std::cout << "FrameArchive::open() : " << indexPath << " should start with the number of entries, found "
                  << quoted(token) << noFrames << std::endl;
        return false;
    }
    // No reserve(count): the count is untrusted, and a damaged one must not allocate
    // gigabytes; entries grow only with what is really there.
    for (int32_t k = 0; k < count; ++k) {
        ArchiveEntry entry;
        std::string length, offset;
        int entryLine = line, lengthLine = line, offsetLine = line;
        const bool complete =
            tokens.next(entry.name, entryLine) && tokens.next(length, lengthLine) && tokens.next(offset, offsetLine);
        const size_t dropped = static_cast<size_t>(count) - entries.size();
        if (!complete) {
            std::cout << "FrameArchive::open() : " << indexPath << " ends after " << entries.size() << " of " << count
                      << " entries" << std::endl;
            return false;
        }
        const bool nameOk = entry.name.size() <= IndexTokens::kLongestToken;
        if (!nameOk || !parseUnsigned(length, entry.length) || !parseUnsigned(offset, entry.offset)) {
            // Tokens are read in threes from here on, so one bad line shifts every later
            // entry: what follows it cannot be trusted and is left out.
            std::cout << "FrameArchive::open() : " << indexPath << " line " << entryLine
                      << " is malformed: an entry is a name, a length and an offset, found " << quoted(entry.name)
                      << " " << quoted(length) << " " << quoted(offset) << "; the " << dropped << " entries from there on (of "
                      << count << ") are left out" << std::endl;
            return false;
        }
        entries.push_back(std::move(entry));
    }
    if (tokens.next(token, line))
        std::cout << "FrameArchive::open() : " << indexPath << " counts " << count << " entries on its first line, but "
                  << quoted(token) << " follows on line " << line << "; what follows the counted entries is left out"
                  << std::endl;
    reportEntriesPastTheEnd(*this);
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

bool openData(const FrameArchive& archive, FrameArchive::Cache& cache, std::string* why) {
    if (cache.data.is_open() && cache.openPath == archive.dataPath) return true;
    cache.closeData();
    // Tried again on every read while it fails: a data file that appears later is used.
    if (!cache.data.open_regular(archive.dataPath, why)) return false;
    cache.size = cache.data.size();
    cache.openPath = archive.dataPath;
    return true;
}

}  // namespace

bool readArchiveEntry(const FrameArchive& archive, const std::string& name, std::vector<unsigned char>& bytes) {
    return readEntryChecked(archive, name, bytes, nullptr) == EntryRead::Read;
}

EntryRead readEntryChecked(const FrameArchive& archive, const std::string& name, std::vector<unsigned char>& bytes,
                           std::string* why) {
    bytes.clear();
    FrameArchive::Cache& cache = cacheOf(archive);
    const ArchiveEntry* entry = findEntry(archive, cache, name);
    if (!entry) return EntryRead::NotInIndex;
    if (entry->length == 0) return EntryRead::Read;
    if (!openData(archive, cache, why)) return EntryRead::NoDataFile;
    // "remaining < needed", so that offset + length cannot overflow.
    if (entry->offset > cache.size || entry->length > cache.size - entry->offset) {
        if (why)
            *why = "\"" + archive.dataPath + "\" has " + std::to_string(cache.size) + " bytes; the entry starts at byte " +
                   std::to_string(entry->offset) + " and is " + std::to_string(entry->length) + " bytes long";
        return EntryRead::OutsideDataFile;
    }
    bytes.resize(entry->length);
    const int64_t got = cache.data.read_at(entry->offset, bytes.data(), bytes.size(), why);
    if (got != static_cast<int64_t>(bytes.size())) {  // a read error, or the file shrank since it was opened
        if (why && got >= 0) *why = "the data file ended early";
        bytes.clear();
        return EntryRead::ReadFailed;
    }
    return EntryRead::Read;
}

bool archiveHasEntry(const FrameArchive& archive, const std::string& name) {
    return findEntry(archive, cacheOf(archive), name) != nullptr;
}

namespace {

// What a name is once separators and case no longer count: "c:\Videos\fog" and
// "c://videos//fog" both become "c:/videos/fog".
std::string looseName(const std::string& name) {
    std::string loose;
    for (char c : name) {
        const bool separator = c == '/' || c == '\\';
        if (separator && !loose.empty() && loose.back() == '/') continue;
        loose += separator ? '/' : static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return loose;
}

}  // namespace

std::string nearEntryName(const FrameArchive& archive, const std::string& name) {
    const std::string wanted = looseName(name);
    // A loose name is never longer than its name.
    for (const ArchiveEntry& entry : archive.entries)
        if (entry.name.size() >= wanted.size() && looseName(entry.name) == wanted) return entry.name;
    return "";
}
