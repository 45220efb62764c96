// The frame archive: numbered image frames packed into one data file ("<base>.bin") with a
// text index ("<base>.txt": a count, then name, length and offset per entry), read by name.
// The index and the data file are untrusted: nothing is read outside the data file.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

struct ArchiveEntry {
    std::string name;     // no whitespace inside
    uint64_t offset = 0;  // first byte in the data file
    uint64_t length = 0;  // byte count
};

struct FrameArchive {
    std::vector<ArchiveEntry> entries;  // the index, in file order
    std::string dataPath;               // "<base>.bin"

    // Reads "<base>.txt" into entries (replacing them) and remembers dataPath. Reading stops
    // at the first entry that is incomplete or malformed and keeps those before it; a
    // missing index leaves the archive empty. Returns false when the index could not be
    // opened or was cut short.
    bool open(const std::string& base);

    FrameArchive();
    ~FrameArchive();
    // A copy shares nothing: it gets its own lookup map and opens its own data file.
    FrameArchive(const FrameArchive& other);
    FrameArchive& operator=(const FrameArchive& other);
    FrameArchive(FrameArchive&&) noexcept;
    FrameArchive& operator=(FrameArchive&&) noexcept;

    // Kept between reads because the lookup is on the per-frame path: a map from name to
    // first entry, rebuilt when the number of entries changes (names edited in place after
    // open are not seen), and the data file, kept open until dataPath changes. Not for use
    // from several threads at once.
    struct Cache;
    mutable std::unique_ptr<Cache> cache;
};

// Fills bytes with the first entry named name (exact match). bytes ends up empty when
// there is no such entry, when its bytes do not lie wholly inside the data file, or when
// the data file cannot be read. Returns true when the entry was found and read in full
// (a zero-length entry included).
bool readArchiveEntry(const FrameArchive& archive, const std::string& name, std::vector<unsigned char>& bytes);
