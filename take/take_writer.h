// Writing a take while the show plays: frames collected on the main thread, written and
// pushed to the disk as blocks by a thread of its own, into a temporary file that becomes
// the take when it closes (platform/file_write.h).
#pragma once
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/file_write.h"
#include "take/take.h"

// Writes a take while the show plays. The main thread adds frames; a thread of its own
// writes them as blocks and pushes them to the disk twice a second, so a crash or a power
// cut loses at most the last half second or so, and a slow disk never holds up a frame.
// Nothing is under the take's name until finish() renames the whole take there.
class TakeWriter {
public:
    TakeWriter() = default;
    ~TakeWriter();  // a take still open is finished as ended by the program
    TakeWriter(const TakeWriter&) = delete;
    TakeWriter& operator=(const TakeWriter&) = delete;

    // Opens the take's temporary file beside path. Refuses (one line in error) a folder, a
    // pipe, a device, one of inputs (the run's input files), and an existing file unless
    // overwrite; keeps aside the takes of killed runs left beside path (keepCutTakes).
    bool create(const std::string& path, bool overwrite, const std::vector<std::string>& inputs, std::string& error);
    // Writes the header and starts writing frames. False with one line in error.
    bool begin(const TakeHeader& header, std::string& error);
    // One frame and its inputs (count = frame.inputCount); main thread only.
    void addFrame(const TakeFrame& frame, const TakeInput* inputs);
    // Writes the frames still waiting and the closing record, pushes them to the disk and
    // puts the take under its name: Written, or Changed (why names both files), or the
    // failure, with why saying it and what became of the name (left as it was), also
    // when no frame was added. After a failure while recording, said then (failed()), it
    // returns Failed with why empty; so do later calls.
    platform::FileWrite finish(TakeEnd end, float dt, std::string& why);
    // Drops the take; the name is left as it was.
    void abandon();

    // A write failed while recording: the line was said then, and the take is gone.
    bool failed() const { return failed_; }
    uint32_t frames() const { return frames_; }
    const std::string& path() const { return path_; }

private:
    struct Pending {
        std::string payload;  // encoded frames
        uint32_t first = 0;   // the first of them
        uint32_t frames = 0;
    };
    void run();
    void stopThread();
    // Writes blocks and pushes them to the system (and the disk); on a failure drops the
    // take, keeping the line to say in failure_.
    bool writeBlocks(const std::vector<Pending>& blocks, bool toDisk);
    // why, and what became of the take and the name.
    std::string notKept(const std::string& why) const;

    platform::FileWriter out_;
    std::string path_;
    bool existed_ = false;  // a file was under the name when the take was created
    bool begun_ = false;
    bool finished_ = false;
    uint32_t frames_ = 0;   // frames added
    std::mutex lock_;       // guards what follows, shared with the writing thread
    std::condition_variable wake_;
    std::vector<Pending> pending_;  // frames not yet written, as blocks of about kTakeBlockBytes
    bool stopping_ = false;
    std::atomic<bool> failed_{false};
    std::string failure_;           // the line said when it failed
    std::thread thread_;
};

// Takes that killed runs left beside path (path.<id>.tmp of a process no longer running,
// holding at least one frame) renamed to "STEM.cut-<id>.EXT" beside path, each said in one
// line; the empty ones are left to be removed. False, with error, when one cannot be
// moved: it would otherwise be removed as a dead temporary file.
bool keepCutTakes(const std::string& path, std::string& error);
