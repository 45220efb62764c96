// The archive writer behind velmora-pack and the show-data generator. Output depends only
// on the entries and their order, so packing the same input twice gives identical files.
#include "render/frame_archive_writer.h"

#include "render/frame_archive.h"

#include <cctype>
#include <cstring>
#include <string_view>

#include "platform/file_io.h"
#include "platform/file_read.h"
#include "platform/file_replace.h"
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

FrameArchiveWriter::FrameArchiveWriter(std::string base, uint64_t startLimit)
    : base_(std::move(base)), startLimit_(startLimit), tempBase_(base_ + ".tmp" + platform::process_tag()) {}

FrameArchiveWriter::~FrameArchiveWriter() {
    if (!finished_) removeTemporaries();
}

bool FrameArchiveWriter::fail(std::string message) {
    if (error_.empty()) error_ = std::move(message);
    return false;
}

void FrameArchiveWriter::removeTemporaries() {
    data_.close();
    platform::remove_file(tempBase_ + ".bin");
    platform::remove_file(tempBase_ + ".txt");
}

bool FrameArchiveWriter::openTemporary() {
    if (data_.is_open()) return true;
    const std::string path = tempBase_ + ".bin";
    std::string why;
    if (!data_.create(path, &why)) return fail("cannot create " + path + ": " + why);
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
        std::string why = "it ended early";
        if (data_.read_at(earlier.offset, stored.data(), length, &why) != static_cast<int64_t>(length))
            return fail("cannot read back " + tempBase_ + ".bin: " + why);
        if (std::memcmp(stored.data(), data, length) != 0) continue;
        written_.push_back({name, earlier.offset, length, hash});
        ++sharedCount_;
        sharedBytes_ += length;
        return true;
    }
    if (dataSize_ >= startLimit_)
        return fail("entry " + name + " would start at byte " + std::to_string(dataSize_) + ", at or beyond the limit of " +
                    std::to_string(startLimit_) + " bytes for an entry's start");
    std::string why;
    if (!data_.write(data, length, &why)) return fail("cannot write " + tempBase_ + ".bin: " + why);
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
    const std::string indexPath = tempBase_ + ".txt";
    std::string why;
    {
        platform::File out;
        if (!out.create(indexPath, &why)) return failed("cannot create " + indexPath + ": " + why);
        if (!out.write(index.data(), index.size(), &why) || !out.sync(&why))
            return failed("cannot write " + indexPath + ": " + why);
    }
    if (!data_.sync(&why)) return failed("cannot write " + tempBase_ + ".bin: " + why);
    data_.close();

    // Read back exactly as the show will: its index parser, its name lookup, its reader.
    {
        FrameArchive check;
        if (!check.open(tempBase_) || check.entries.size() != written_.size())
            return failed("verification failed: the index " + indexPath + " does not read back");
        std::vector<unsigned char> bytes;
        for (const Written& w : written_) {
            if (!readArchiveEntry(check, w.name, bytes) || bytes.size() != w.length ||
                contentHash(bytes.data(), bytes.size()) != w.hash)
                return failed("verification failed: entry " + w.name + " does not read back as written");
        }
    }

    if (!platform::rename_replacing(tempBase_ + ".bin", base_ + ".bin", &why))
        return failed("cannot rename " + tempBase_ + ".bin to " + base_ + ".bin: " + why);
    if (!platform::rename_replacing(indexPath, base_ + ".txt", &why))
        return failed("cannot rename " + indexPath + " to " + base_ + ".txt (" + base_ + ".bin is already new): " + why);
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
