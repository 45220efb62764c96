#include "take/take_writer.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>

#include "platform/durable_file.h"
#include "platform/file_replace.h"
#include "take/take_file.h"

namespace {

constexpr auto kFlushInterval = std::chrono::milliseconds(500);

}  // namespace

TakeWriter::~TakeWriter() {
    if (begun_) {
        finish(TakeEnd::Other, 0.0f);
    } else if (file_) {
        abandon();
        std::printf("Recording: the show never started; no take was kept in \"%s\"\n", path_.c_str());
    }
}

bool TakeWriter::create(const std::string& path, bool overwrite, std::string& error) {
    // u8path: the name is UTF-8 on every system (Windows' narrow calls would read it in the
    // local code page).
    std::error_code ignored;
    if (std::filesystem::is_directory(std::filesystem::u8path(path), ignored)) {
        error = "\"" + path + "\" is a folder, not a file name for the take";
        return false;
    }
    file_ = platform::create_new_file(path, overwrite);
    if (!file_) {
        error = errno == EEXIST ? "\"" + path + "\" already exists; a recording never replaces a file unless --overwrite is given"
                                : "cannot create \"" + path + "\": " + std::strerror(errno);
        return false;
    }
    path_ = path;
    return true;
}

bool TakeWriter::begin(const TakeHeader& header, std::string& error) {
    if (!file_ || begun_) return false;
    // Handed to the system now, pushed to the disk with the first block: a wait for the
    // disk here would hold up the show's first frame.
    const std::string bytes = encodeTakeHeader(header);
    if (std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size() || std::fflush(file_) != 0) {
        error = "cannot write \"" + path_ + "\": " + std::strerror(errno);
        return false;
    }
    begun_ = true;
    thread_ = std::thread([this] { run(); });
    return true;
}

void TakeWriter::addFrame(const TakeFrame& frame, const TakeInput* inputs) {
    if (!begun_ || !file_) return;
    std::string encoded;
    encodeTakeFrame(encoded, frame, inputs);
    std::lock_guard<std::mutex> guard(lock_);
    if (failed_) return;
    if (pendingFrames_ == 0) pendingFirst_ = frames_;
    pending_ += encoded;
    pendingFrames_ += 1;
    frames_ += 1;
}

void TakeWriter::run() {
    std::unique_lock<std::mutex> guard(lock_);
    for (;;) {
        wake_.wait_for(guard, kFlushInterval, [this] { return stopping_; });
        if (stopping_) return;
        if (pendingFrames_ == 0 || failed_) continue;
        std::string payload;
        payload.swap(pending_);
        const uint32_t first = pendingFirst_, count = pendingFrames_;
        pendingFrames_ = 0;
        guard.unlock();
        writeBlock(std::move(payload), first, count);
        guard.lock();
    }
}

void TakeWriter::writeBlock(std::string payload, uint32_t first, uint32_t count) {
    const std::string block = encodeTakeBlock(first, count, payload);
    if (std::fwrite(block.data(), 1, block.size(), file_) == block.size() && platform::flush_to_disk(file_)) return;
    const int code = errno;
    std::lock_guard<std::mutex> guard(lock_);
    if (failed_) return;
    failed_ = true;
    std::printf("Recording: cannot write \"%s\" (%s); the take keeps the %u frames before\n", path_.c_str(),
                std::strerror(code), first);
    std::fflush(stdout);
}

void TakeWriter::finish(TakeEnd end, float dt) {
    if (!file_) return;
    if (begun_) {
        {
            std::lock_guard<std::mutex> guard(lock_);
            stopping_ = true;
        }
        wake_.notify_all();
        if (thread_.joinable()) thread_.join();
        if (!failed_) {
            std::string payload;
            payload.swap(pending_);
            encodeTakeEnd(payload, end, dt);
            writeBlock(std::move(payload), pendingFrames_ ? pendingFirst_ : frames_, pendingFrames_);
            pendingFrames_ = 0;
        }
    }
    std::fclose(file_);
    file_ = nullptr;
}

void TakeWriter::abandon() {
    if (!file_ || begun_) return;
    std::fclose(file_);
    file_ = nullptr;
    std::remove(path_.c_str());
}
