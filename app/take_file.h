// The take file (docs/take-format.md): a versioned header with its own CRC-32, then blocks
// of whole frames written as the show runs, each with a CRC-32, and a closing record.
// Everything is little-endian. A reader trusts nothing: a damaged or cut file plays up to
// its last sound block.
#pragma once
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <mutex>
#include <string>
#include <thread>

#include "app/take.h"

constexpr uint32_t kTakeFormat = 1;
// Far beyond any performance (five minutes take about 200 KB): a bigger file is no take.
constexpr uint64_t kTakeMaxBytes = 512ull << 20;

// Encoders, also for building files by hand in tests.
std::string encodeTakeHeader(const TakeHeader& header);
// Appends a frame record and its inputs (count = frame.inputCount) to a block's payload.
void encodeTakeFrame(std::string& payload, const TakeFrame& frame, const TakeInput* inputs);
void encodeTakeEnd(std::string& payload, TakeEnd end, float dt);
std::string encodeTakeBlock(uint32_t firstFrame, uint32_t frames, const std::string& payload);

// Reads a take from a file's bytes. False, with one line in error, when nothing of it
// can be played: not a take, a newer format, a damaged header. Otherwise true, with the
// frames before any damage; take.damage then says where it stops and why.
bool decodeTake(const std::string& bytes, Take& take, std::string& error);
// The same from a file; refuses a folder, a file that cannot be read or one too big.
bool readTakeFile(const std::string& path, Take& take, std::string& error);

// Writes a take while the show plays. The main thread adds frames; a thread of its own
// writes them as a block and pushes it to the disk twice a second, so a crash or a power
// cut loses at most the last half second or so, and a slow disk never holds up a frame.
class TakeWriter {
public:
    TakeWriter() = default;
    ~TakeWriter();  // a take still open is finished as ended by the program
    TakeWriter(const TakeWriter&) = delete;
    TakeWriter& operator=(const TakeWriter&) = delete;

    // Creates path as a new file; an existing one is refused unless overwrite is set.
    // False with one line in error.
    bool create(const std::string& path, bool overwrite, std::string& error);
    // Writes the header and starts writing frames.
    bool begin(const TakeHeader& header, std::string& error);
    // One frame and its inputs (count = frame.inputCount); main thread only.
    void addFrame(const TakeFrame& frame, const TakeInput* inputs);
    // Writes the frames still waiting and the closing record, pushes them to the disk and
    // closes the file. Later calls do nothing.
    void finish(TakeEnd end, float dt);
    // Removes the file when no take was begun in it (the show never started).
    void abandon();

    bool recording() const { return file_ != nullptr; }
    uint32_t frames() const { return frames_; }
    const std::string& path() const { return path_; }

private:
    void run();
    // Writes the waiting frames (and a closing record) as one block and pushes it to the
    // disk; says once, and stops recording, when that fails.
    void writeBlock(std::string payload, uint32_t first, uint32_t count);

    std::FILE* file_ = nullptr;
    std::string path_;
    bool begun_ = false;
    uint32_t frames_ = 0;  // frames added
    std::mutex lock_;      // guards what follows, shared with the writing thread
    std::condition_variable wake_;
    std::string pending_;          // encoded frames not yet written
    uint32_t pendingFirst_ = 0;    // the first of them
    uint32_t pendingFrames_ = 0;
    bool stopping_ = false;
    bool failed_ = false;
    std::thread thread_;
};
