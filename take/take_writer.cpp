#include "take/take_writer.h"

#include <chrono>
#include <cstdio>
#include <filesystem>

#include "platform/file_io.h"
#include "take/take_file.h"

namespace {

constexpr auto kFlushInterval = std::chrono::milliseconds(500);

std::string named(const std::string& path) { return "\"" + path + "\""; }

}  // namespace

TakeWriter::~TakeWriter() {
    if (begun_ && !finished_) {
        std::string why;
        finish(TakeEnd::Other, 0.0f, why);
    } else if (!begun_ && out_.is_open()) {
        abandon();
        std::printf("Recording: the show never started; nothing was written to %s\n", named(path_).c_str());
    }
}

bool TakeWriter::create(const std::string& path, bool overwrite, const std::vector<std::string>& inputs,
                        std::string& error) {
    path_ = path;
    platform::WriteOptions options;
    options.replace = overwrite;
    options.durable = true;
    options.inputs = inputs;
    platform::FileWrite allowed = platform::check_output(path, options, error);
    // Before the writer opens its file: it removes the temporary files of dead runs.
    if (allowed == platform::FileWrite::Written && !keepCutTakes(path, error)) return false;
    existed_ = platform::file_kind(path) != platform::FileKind::Absent;
    // Checked above as asked. The writer may replace: FileWriter::commit without replace
    // drops its content when a file came under the name meanwhile, and with it a take
    // another run put there is still never replaced, but this one is kept beside it.
    options.replace = true;
    if (allowed == platform::FileWrite::Written) allowed = out_.open(path, options, error);
    if (allowed == platform::FileWrite::Exists) error += "; a recording replaces a file only with --overwrite";
    return allowed == platform::FileWrite::Written;
}

bool TakeWriter::begin(const TakeHeader& header, std::string& error) {
    if (!out_.is_open() || begun_) return false;
    // Handed to the system now, pushed to the disk with the first block: a wait for the
    // disk here would hold up the show's first frame.
    out_.write(encodeTakeHeader(header));
    if (out_.flush(false, error) != platform::FileWrite::Written) {
        out_.abandon();
        error = notKept(error);
        failure_ = error;
        failed_ = true;
        return false;
    }
    begun_ = true;
    thread_ = std::thread([this] { run(); });
    return true;
}

void TakeWriter::addFrame(const TakeFrame& frame, const TakeInput* inputs) {
    if (!begun_ || finished_) return;
    std::string encoded;
    encodeTakeFrame(encoded, frame, inputs);
    std::lock_guard<std::mutex> guard(lock_);
    if (failed_) return;
    // Blocks of about kTakeBlockBytes, whatever a stall of the disk piled up: what a
    // replay holds at once.
    if (pending_.empty() || pending_.back().payload.size() >= kTakeBlockBytes) pending_.push_back(Pending{{}, frames_, 0});
    pending_.back().payload += encoded;
    pending_.back().frames += 1;
    frames_ += 1;
}

void TakeWriter::run() {
    std::unique_lock<std::mutex> guard(lock_);
    for (;;) {
        wake_.wait_for(guard, kFlushInterval, [this] { return stopping_; });
        if (stopping_) return;
        if (pending_.empty() || failed_) continue;
        std::vector<Pending> blocks;
        blocks.swap(pending_);
        guard.unlock();
        const bool written = writeBlocks(blocks, true);
        guard.lock();
        if (!written) {
            // Said at once: the show goes on (it is a performance), and the run's status
            // says it at the end.
            std::printf("Recording: %s\n", failure_.c_str());
            std::fflush(stdout);
        }
    }
}

bool TakeWriter::writeBlocks(const std::vector<Pending>& blocks, bool toDisk) {
    for (const Pending& block : blocks) out_.write(encodeTakeBlock(block.first, block.frames, block.payload));
    std::string why;
    if (out_.flush(toDisk, why) == platform::FileWrite::Written) return true;
    // The temporary file goes at once: on a full disk the show may need the room.
    out_.abandon();
    std::lock_guard<std::mutex> guard(lock_);
    failure_ = notKept(why);
    failed_ = true;
    pending_.clear();
    return false;
}

std::string TakeWriter::notKept(const std::string& why) const {
    return why + "; the take is not kept, and " +
           (existed_ ? named(path_) + " is left as it was" : "nothing was written to " + named(path_));
}

void TakeWriter::stopThread() {
    {
        std::lock_guard<std::mutex> guard(lock_);
        stopping_ = true;
    }
    wake_.notify_all();
    if (thread_.joinable()) thread_.join();
}

platform::FileWrite TakeWriter::finish(TakeEnd end, float dt, std::string& why) {
    if (finished_ || !begun_) {
        why = finished_ || failed_ ? std::string() : notKept("the show never started");
        abandon();
        return platform::FileWrite::Failed;
    }
    stopThread();
    finished_ = true;
    if (failed_) {  // said while recording
        why.clear();
        return platform::FileWrite::Failed;
    }
    if (frames_ == 0) {  // stopped before the show's first frame: nothing to replay
        out_.abandon();
        why = notKept("the run ended before the show's first frame");
        return platform::FileWrite::Failed;
    }
    std::vector<Pending> rest;
    rest.swap(pending_);
    if (rest.empty()) rest.push_back(Pending{{}, frames_, 0});
    encodeTakeEnd(rest.back().payload, end, dt);
    if (!writeBlocks(rest, false)) {
        why = failure_;
        return platform::FileWrite::Failed;
    }
    const platform::FileWrite result = out_.commit(why);
    if (result != platform::FileWrite::Written && result != platform::FileWrite::Changed) why = notKept(why);
    return result;
}

void TakeWriter::abandon() {
    stopThread();
    out_.abandon();
    finished_ = true;
}

bool keepCutTakes(const std::string& path, std::string& error) {
    namespace fs = std::filesystem;
    const fs::path target = fs::u8path(path);
    // Listed first: the renames below change the folder being listed. This process has no
    // take yet: one under its own id is a dead run's that had the id before.
    const std::vector<platform::DeadTemporary> found =
        platform::dead_temporaries(target.parent_path().u8string(), target.filename().u8string() + ".", ".tmp", true);
    for (const auto& [file, id] : found) {
        Take take;
        std::string why;
        const bool playable = readTakeFile(file, take, why) && !take.frames.empty();
        const size_t frames = take.frames.size();
        take = Take();  // closes the file before it is renamed
        if (!playable) continue;  // nothing to keep: removed with the dead temporary files
        std::string kept, reason;
        bool moved = false, taken = true;
        for (int n = 1; !moved && taken && n <= 9; ++n) {
            fs::path name = target;
            name.replace_filename(target.stem().u8string() + ".cut-" + id + (n > 1 ? "-" + std::to_string(n) : "") +
                                  target.extension().u8string());
            kept = name.u8string();
            moved = platform::rename_keeping(file, kept, taken, &reason);
        }
        if (!moved) {
            error = named(file) + " holds a take cut off in an earlier run and cannot be kept aside (" + reason +
                    "); move it, then record again";
            return false;
        }
        std::printf("Recording: %s, the take of a run that was cut off, is kept as %s (%zu frames; it plays up to the "
                    "cut)\n",
                    named(file).c_str(), named(kept).c_str(), frames);
    }
    return true;
}
