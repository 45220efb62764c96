// The archive writer behind velmora-pack and the show-data generator. Output depends only
// on the entries and their order, so packing the same input twice gives identical files.
#include "render/frame_archive_writer.h"

#include "render/frame_archive.h"

#include "platform/file_read.h"
#include "platform/printable.h"

#include <fcntl.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string_view>

namespace {

size_t contentHash(const unsigned char* data, uint64_t length) {
    return std::hash<std::string_view>()(std::string_view(reinterpret_cast<const char*>(data), length));
}

bool writeAll(int fd, const unsigned char* data, uint64_t length) {
    while (length > 0) {
        const ssize_t put = ::write(fd, data, length);
        if (put < 0 && errno == EINTR) continue;
        if (put <= 0) return false;
        data += put;
        length -= static_cast<uint64_t>(put);
    }
    return true;
}

bool readAt(int fd, uint64_t offset, unsigned char* data, uint64_t length) {
    while (length > 0) {
        const ssize_t got = ::pread(fd, data, length, static_cast<off_t>(offset));
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return false;
        data += got;
        offset += static_cast<uint64_t>(got);
        length -= static_cast<uint64_t>(got);
    }
    return true;
}

// A new file of ours under path: whatever is already there (a file left by a crash, or a
// link planted to redirect the write) is removed first, never written through.
int createNew(const std::string& path, int access) {
    ::unlink(path.c_str());
    return ::open(path.c_str(), access | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
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
    : base_(std::move(base)), startLimit_(startLimit), tempBase_(base_ + ".tmp" + std::to_string(getpid())) {}

FrameArchiveWriter::~FrameArchiveWriter() {
    if (!finished_) removeTemporaries();
}

bool FrameArchiveWriter::fail(std::string message) {
    if (error_.empty()) error_ = std::move(message);
    return false;
}

void FrameArchiveWriter::removeTemporaries() {
    if (dataFd_ >= 0) ::close(dataFd_);
    dataFd_ = -1;
    std::remove((tempBase_ + ".bin").c_str());
    std::remove((tempBase_ + ".txt").c_str());
}

bool FrameArchiveWriter::openTemporary() {
    if (dataFd_ >= 0) return true;
    const std::string path = tempBase_ + ".bin";
    dataFd_ = createNew(path, O_RDWR);
    if (dataFd_ < 0) return fail("cannot create " + path + ": " + std::strerror(errno));
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
        if (!readAt(dataFd_, earlier.offset, stored.data(), length))
            return fail("cannot read back " + tempBase_ + ".bin: " + std::strerror(errno));
        if (std::memcmp(stored.data(), data, length) != 0) continue;
        written_.push_back({name, earlier.offset, length, hash});
        ++sharedCount_;
        sharedBytes_ += length;
        return true;
    }
    if (dataSize_ >= startLimit_)
        return fail("entry " + name + " would start at byte " + std::to_string(dataSize_) + ", at or beyond the limit of " +
                    std::to_string(startLimit_) + " bytes for an entry's start");
    if (!writeAll(dataFd_, data, length))
        return fail("cannot write " + tempBase_ + ".bin: " + std::strerror(errno));
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
    {
        const int fd = createNew(indexPath, O_WRONLY);
        if (fd < 0) return failed("cannot create " + indexPath + ": " + std::strerror(errno));
        const bool ok = writeAll(fd, reinterpret_cast<const unsigned char*>(index.data()), index.size()) && ::fsync(fd) == 0;
        const int savedErrno = errno;
        ::close(fd);
        if (!ok) return failed("cannot write " + indexPath + ": " + std::strerror(savedErrno));
    }
    if (::fsync(dataFd_) != 0) return failed("cannot write " + tempBase_ + ".bin: " + std::strerror(errno));
    ::close(dataFd_);
    dataFd_ = -1;

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

    if (std::rename((tempBase_ + ".bin").c_str(), (base_ + ".bin").c_str()) != 0)
        return failed("cannot rename " + tempBase_ + ".bin to " + base_ + ".bin: " + std::strerror(errno));
    if (std::rename(indexPath.c_str(), (base_ + ".txt").c_str()) != 0)
        return failed("cannot rename " + indexPath + " to " + base_ + ".txt (" + base_ + ".bin is already new): " +
                      std::strerror(errno));
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
