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
    std::string indexPath;              // "<base>.txt", for messages

    // Reads "<base>.txt" into entries (replacing them) and remembers dataPath. Reading stops
    // at the first entry that is incomplete or malformed (a length or offset that is not a
    // plain decimal number) and keeps those before it, saying on standard output which
    // line is at fault and how many entries are left out; a missing index leaves the
    // archive empty. Returns false when the index could not be opened or was cut short.
    bool open(const std::string& base);
    // The same for an index and a data file under names of their own: the archive writer
    // reads its temporary files back before they take the archive's names.
    bool open(const std::string& indexPath, const std::string& dataFile);

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

enum class EntryRead {
    Read,             // the entry was found and read in full (a zero-length entry included)
    NotInIndex,       // no entry has that name
    NoDataFile,       // the data file is missing or is not a file
    OutsideDataFile,  // the entry's bytes do not lie wholly inside the data file
    ReadFailed,       // the read stopped short (the file shrank, an I/O error)
};

// Fills bytes with the first entry named name (exact match); bytes ends up empty unless
// the result is Read. For the failures past the index, why (when given) says what was
// found, naming the data file.
EntryRead readEntryChecked(const FrameArchive& archive, const std::string& name, std::vector<unsigned char>& bytes,
                           std::string* why);
// The same, true only for Read.
bool readArchiveEntry(const FrameArchive& archive, const std::string& name, std::vector<unsigned char>& bytes);

// True when an entry has exactly that name. Not for use from several threads at once.
bool archiveHasEntry(const FrameArchive& archive, const std::string& name);

// The first entry whose name differs from name only in its separators ('/' or '\\', one or
// several in a row) or in the case of its letters, as in a hand-written index or one
// written on Windows; "" when none does. Looks through every entry: for reports, not for
// the per-frame path.
std::string nearEntryName(const FrameArchive& archive, const std::string& name);
