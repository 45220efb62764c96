// The archive writer behind velmora-pack and the show-data generator. Output depends only
// on the entries and their order, so packing the same input twice gives identical files.
#include "render/frame_archive_writer.h"

#include "render/frame_archive.h"

#include <cctype>
#include <cstring>
#include <string_view>

#include "platform/file_io.h"
#include "platform/file_read.h"
#include "platform/file_write.h"
#include "platform/printable.h"

namespace {

size_t contentHash(const unsigned char* data, uint64_t length) {
    return std::hash<std::string_view>()(std::string_view(reinterpret_cast<const char*>(data), length));
}

// One frame's file: far beyond any picture the show decodes (8192 x 8192).
constexpr uint64_t kMaxEntryFileBytes = 1ull << 30;

bool validName(const std::string& name) {
    if (name.empty()) return false;
    for (unsigned char c : name)
        if (std::isspace(c)) return false;
    return true;
}

}  // namespace

FrameArchiveWriter::FrameArchiveWriter(std::string base, std::vector<std::string> inputs, uint64_t startLimit)
    : base_(std::move(base)), startLimit_(startLimit) {
    // A pack is read for hours by the show: on the disk before it takes the names.
    options_.durable = true;
    options_.inputs = std::move(inputs);
}

FrameArchiveWriter::~FrameArchiveWriter() {
    if (!finished_) removeTemporaries();
}

bool FrameArchiveWriter::fail(std::string message) {
    if (error_.empty()) error_ = std::move(message);
    return false;
}

// The data file's first failed write, in the file writer's words ("the disk is full").
bool FrameArchiveWriter::failedWrite() {
    std::string why;
    data_.flush(false, why);
    return fail(why);
}

void FrameArchiveWriter::removeTemporaries() {
    readBack_.close();
    data_.abandon();
}

bool FrameArchiveWriter::openTemporary() {
    if (data_.is_open()) return true;
    std::string why;
    if (data_.open(base_ + ".bin", options_, why) != platform::FileWrite::Written) return fail(why);
    if (!readBack_.open_regular(data_.temporary(), &why)) return fail("cannot read back " + why);
    return true;
}

bool FrameArchiveWriter::add(const std::string& name, const unsigned char* data, uint64_t length) {
    if (!validName(name)) return fail("entry name \"" + name + "\" is empty or contains whitespace");
    if (!names_.emplace(name, written_.size()).second)
        return fail("entry name " + name + " appears twice (only the first could ever be read)");
    if (!openTemporary()) return false;
    const size_t hash = contentHash(data, length);
    if (length == 0) {
        // Nothing to store: offset 0 always lies inside the data file.
        written_.push_back({name, 0, 0, hash});
        return true;
    }
    const auto candidates = byHash_.equal_range(hash);
    std::vector<unsigned char> stored;
    for (auto it = candidates.first; it != candidates.second; ++it) {
        const Written& earlier = written_[it->second];
        if (earlier.length != length) continue;
        stored.resize(length);
        std::string why;
        if (unflushed_ && data_.flush(false, why) != platform::FileWrite::Written) return fail(why);
        unflushed_ = false;
        why = "it ended early";
        if (readBack_.read_at(earlier.offset, stored.data(), length, &why) != static_cast<int64_t>(length))
            return fail("cannot read back " + data_.temporary() + ": " + why);
        if (std::memcmp(stored.data(), data, length) != 0) continue;
        written_.push_back({name, earlier.offset, length, hash});
        ++sharedCount_;
        sharedBytes_ += length;
        return true;
    }
    if (dataSize_ >= startLimit_)
        return fail("entry " + name + " would start at byte " + std::to_string(dataSize_) + ", at or beyond the limit of " +
                    std::to_string(startLimit_) + " bytes for an entry's start");
    if (!data_.write(data, length)) return failedWrite();
    unflushed_ = true;
    byHash_.emplace(hash, written_.size());
    written_.push_back({name, dataSize_, length, hash});
    dataSize_ += length;
    return true;
}

bool FrameArchiveWriter::addBytes(const std::string& name, const std::vector<unsigned char>& bytes) {
    if (!error_.empty() || finished_) return false;
    return add(name, bytes.data(), bytes.size());
}

bool FrameArchiveWriter::addFile(const std::string& name, const std::string& path) {
    if (!error_.empty() || finished_) return false;
    // Checked as it is opened, not before: a pipe named in a manifest would hold the open.
    std::vector<unsigned char> bytes;
    std::string why;
    if (platform::read_regular_file(path, bytes, kMaxEntryFileBytes, why) != platform::FileRead::Read)
        return fail("cannot read " + platform::printable(path) + " (entry " + platform::printable(name) + "): " + why);
    return add(name, bytes.data(), bytes.size());
}

ArchiveWriteReport FrameArchiveWriter::finish() {
    ArchiveWriteReport report;
    const auto failed = [&](std::string message) {
        fail(std::move(message));
        removeTemporaries();
        finished_ = true;
        report.error = error_;
        return report;
    };
    if (finished_) return failed("the archive was already finished");
    if (!error_.empty()) return failed(error_);
    if (written_.size() > static_cast<size_t>(INT32_MAX)) return failed("too many entries for the index's count");
    if (!openTemporary()) return failed(error_);

    std::string index = std::to_string(written_.size()) + "\n";
    for (const Written& w : written_)
        index += w.name + " " + std::to_string(w.length) + " " + std::to_string(w.offset) + "\n";
    std::string why;
    platform::FileWriter indexFile;
    if (indexFile.open(base_ + ".txt", options_, why) != platform::FileWrite::Written) return failed(why);
    indexFile.write(index);
    if (indexFile.flush(false, why) != platform::FileWrite::Written) return failed(why);
    if (data_.flush(false, why) != platform::FileWrite::Written) return failed(why);
    readBack_.close();

    // Read back exactly as the show will: its index parser, its name lookup, its reader.
    {
        FrameArchive check;
        if (!check.open(indexFile.temporary(), data_.temporary()) || check.entries.size() != written_.size())
            return failed("verification failed: the index " + indexFile.temporary() + " does not read back");
        std::vector<unsigned char> bytes;
        for (const Written& w : written_) {
            if (!readArchiveEntry(check, w.name, bytes) || bytes.size() != w.length ||
                contentHash(bytes.data(), bytes.size()) != w.hash)
                return failed("verification failed: entry " + w.name + " does not read back as written");
        }
    }

    if (data_.commit(why) != platform::FileWrite::Written) return failed(why);
    if (indexFile.commit(why) != platform::FileWrite::Written) {
        report.dataReplaced = true;
        return failed(why + " (" + base_ + ".bin is already new)");
    }
    finished_ = true;
    report.ok = true;
    report.entryCount = written_.size();
    report.storedCount = byHash_.size();
    report.sharedCount = sharedCount_;
    report.dataBytes = dataSize_;
    report.indexBytes = index.size();
    report.sharedBytes = sharedBytes_;
    return report;
}
