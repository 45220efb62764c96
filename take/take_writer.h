// Writing a take while the show plays: frames collected on the main thread, written and
// pushed to the disk as blocks by a thread of its own.
#pragma once
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <mutex>
#include <string>
#include <thread>

#include "take/take.h"

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
