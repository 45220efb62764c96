// Writing a frame archive ("<base>.txt" index and "<base>.bin" data) from (entry name,
// bytes or file) pairs: identical contents are stored once and share an offset, nothing
// starts at or beyond 2^31 bytes (the show seeks with a signed 32-bit offset), and the
// result is read back through readArchiveEntry before it replaces anything.
#pragma once
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/file_io.h"
#include "platform/file_write.h"

// Entries must start below this byte: the show hands offsets to a signed 32-bit seek.
constexpr uint64_t kArchiveStartLimit = uint64_t(1) << 31;

struct ArchiveWriteReport {
    bool ok = false;           // both files written, verified and renamed into place
    std::string error;         // one line saying what failed (empty when ok)
    bool dataReplaced = false; // failed, yet <base>.bin is new: the index could not follow it
    size_t entryCount = 0;     // entries in the index
    size_t storedCount = 0;    // distinct non-empty contents in the data file
    size_t sharedCount = 0;    // entries that reuse the bytes of an earlier entry
    uint64_t dataBytes = 0;    // size of <base>.bin
    uint64_t indexBytes = 0;   // size of <base>.txt
    uint64_t sharedBytes = 0;  // bytes not written again thanks to sharing
};

// Usage: add entries in index order, then finish() once. Entries go straight to a
// temporary data file beside <base>.bin (platform::FileWriter), so memory stays small
// whatever the archive's size. The first failure sticks: later adds are ignored and
// finish() reports it, leaving any existing archive untouched. A writer destroyed without
// finish() removes its temporary files. Neither archive file may be one of `inputs` (the
// run's pictures and manifests), a folder, a pipe or a device.
class FrameArchiveWriter {
public:
    explicit FrameArchiveWriter(std::string base, std::vector<std::string> inputs = {},
                                uint64_t startLimit = kArchiveStartLimit);
    ~FrameArchiveWriter();
    FrameArchiveWriter(const FrameArchiveWriter&) = delete;
    FrameArchiveWriter& operator=(const FrameArchiveWriter&) = delete;

    // name: non-empty, no whitespace (the index is whitespace-separated), not used before.
    // Both return false once the writer has failed.
    bool addBytes(const std::string& name, const std::vector<unsigned char>& bytes);
    bool addFile(const std::string& name, const std::string& path);

    // Writes the index, verifies every entry through the show's reader, renames both
    // temporary files into place: data first, then index, so that a reader may meet the
    // old index with the new data for a moment, never a new index with old data.
    ArchiveWriteReport finish();

    const std::string& error() const { return error_; }

private:
    struct Written {
        std::string name;
        uint64_t offset, length;
        size_t hash;
    };
    bool fail(std::string message);
    bool failedWrite();
    bool add(const std::string& name, const unsigned char* data, uint64_t length);
    bool openTemporary();
    void removeTemporaries();

    std::string base_;
    uint64_t startLimit_;
    platform::WriteOptions options_;  // both files: durable, the inputs refused
    platform::FileWriter data_;       // <base>.bin, under its temporary name until finish()
    platform::File readBack_;         // the same temporary file, to compare contents with
    bool unflushed_ = false;          // data_ holds writes readBack_ cannot see yet
    uint64_t dataSize_ = 0;
    std::vector<Written> written_;
    std::unordered_map<std::string, size_t> names_;
    std::unordered_multimap<size_t, size_t> byHash_;  // content hash -> index in written_ of its first copy
    size_t sharedCount_ = 0;
    uint64_t sharedBytes_ = 0;
    std::string error_;
    bool finished_ = false;
};
