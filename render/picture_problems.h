// Damage found while reading frames from the archive: each kind is reported once, on
// standard output, naming the first entry concerned (decoder warnings once per entry), and
// the entries concerned are counted for a summary when the show ends. Names the show asks
// for that the index does not hold are said the same way. Thread-safe: frames are also
// read and decoded on worker threads.
#pragma once
#include <mutex>
#include <set>
#include <string>
#include <vector>

struct FrameArchive;

enum class PictureProblem {
    DataFileUnreadable,  // the data file is missing or cannot be read at all
    OutsideDataFile,     // the entry's bytes lie past the end of the data file (a cut or empty file)
    ReadFailed,          // the read stopped short (the file shrank, an I/O error)
    Undecodable,         // the bytes are not a picture the decoders can make anything of
    DecoderWarning,      // the picture decoded, but the data was damaged
};
constexpr int kPictureProblemKinds = 5;

class PictureProblems {
public:
    // Notes a problem with the entry; detail says what the reader or the decoder found.
    // Prints a line the first time a kind is seen (a warning: the first time an entry is).
    void report(PictureProblem kind, const std::string& entry, const std::string& detail);
    // Entries concerned so far, per kind.
    size_t entries(PictureProblem kind) const;
    // One line counting every kind seen, or "" when nothing was wrong.
    std::string summary() const;

    // Notes a name the show asked for that archive's index does not hold (its panel keeps
    // the picture before it). The first is said at once, with the index's name that differs
    // from it only by separators or case when there is one; all are counted.
    void missing(const FrameArchive& archive, const std::string& name);
    // Names noted missing so far, each counted once.
    size_t missingNames() const;
    // One line: how many names were missing, the first few, each with its near name in the
    // index; "" when none was.
    std::string missingSummary(const FrameArchive& archive) const;

private:
    mutable std::mutex mutex_;
    std::set<std::string> entries_[kPictureProblemKinds];
    std::set<std::string> missing_;
    std::vector<std::string> firstMissing_;  // the first few, in the order met
};
