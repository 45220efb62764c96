// Writing files named by a user, where the name may stand for anything: a file the user
// cares about (the take being replayed, the show's pack), a folder, a pipe, a device, a
// link planted to redirect the write, or a file another run is writing at the same time.
// Every output goes the one way: new content under a temporary name of this process in
// the same folder, every write and the close checked (and the data pushed to the disk
// where it matters), then one rename over the name. The file under the name is the old
// one or the new one, whole, never a torn one, and is never removed or truncated first.
#pragma once
#include <cstddef>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/file_replace.h"

namespace platform {

enum class FileWrite {
    Written,   // the new content is under the name
    NotAFile,  // the name is a folder, a pipe, a device or a socket: refused, left alone
    IsAnInput, // the name is one of the run's own input files: refused, left alone
    Exists,    // a file is there and replacing was not allowed: left alone
    Changed,   // another program put a file under the name while this one wrote: neither
               // is lost; this content is kept under another name (the message says which)
    DiskFull,  // no room left: nothing is under the name but what was there before
    Failed,    // the folder is not writable, an I/O error, or the write was abandoned
};

struct WriteOptions {
    bool replace = true;              // replace a file already under the name
    bool durable = false;             // on the disk before the rename (takes, the camera)
    std::vector<std::string> inputs;  // the run's input files: an output that is one of
                                      // them (the same file, by identity) is refused
};

// One output file being written. Destroying it before commit() removes the temporary file
// and leaves the name as it was.
class FileWriter {
public:
    FileWriter() = default;
    ~FileWriter() { abandon(); }
    FileWriter(const FileWriter&) = delete;
    FileWriter& operator=(const FileWriter&) = delete;

    // Checks the name (check_output) and creates the temporary file. `why` says, in one
    // line naming the file, why it cannot be written.
    FileWrite open(const std::string& path, const WriteOptions& options, std::string& why);
    bool is_open() const { return file_ != nullptr; }

    // Buffered writes; the first failure sticks and is reported by flush() and commit().
    bool write(const void* data, size_t size);
    bool write(const std::string& text) { return write(text.data(), text.size()); }
    // The stream itself, for code that prints into it (fprintf); its errors are seen too.
    std::FILE* stream() { return file_; }

    // Hands what was written to the system and, with to_disk, to the disk: for files
    // written over a long time that must hold what was written so far after a crash.
    FileWrite flush(bool to_disk, std::string& why);
    // Finishes the file and renames it over the name. Anything but Written leaves the name
    // as it was (Changed: see above) and the temporary file removed.
    FileWrite commit(std::string& why);
    // Drops the temporary file; the name stays as it was.
    void abandon();

    const std::string& path() const { return path_; }
    // The temporary name, for a library that writes a file by name (the video encoder).
    const std::string& temporary() const { return temporary_; }

private:
    FileWrite fail(FileWrite status, const std::string& reason, std::string& why);

    std::FILE* file_ = nullptr;
    std::string path_, temporary_;
    WriteOptions options_;
    bool existed_ = false;   // a file was under the name at open()
    FileIdentity before_;    // its identity then
    int error_ = 0;          // the errno of the first failed write
};

// Writes size bytes as the whole new content of path, as FileWriter does.
FileWrite write_file(const std::string& path, const void* data, size_t size, const WriteOptions& options,
                     std::string& why);
inline FileWrite write_file(const std::string& path, const std::string& text, const WriteOptions& options,
                            std::string& why) {
    return write_file(path, text.data(), text.size(), options, why);
}

// Whether path may be written as an output: Written when it may (nothing there, or a
// regular file or a link that may be replaced), else the refusal with `why`. A link is
// replaced itself, never written through.
FileWrite check_output(const std::string& path, const WriteOptions& options, std::string& why);

// Whether two names stand for the same file: the same identity when both exist (links
// followed), else the same absolute name.
bool same_file(const std::string& a, const std::string& b);

// A file a process left behind while writing: its name, and the process's id as named.
struct DeadTemporary {
    std::string path;
    std::string process;
};
// The regular files in `folder` named prefix + <process id> + suffix whose process is no
// longer running. This process's own id counts as running unless ownIsDead (an id reused
// by this process after the one that wrote the file died).
std::vector<DeadTemporary> dead_temporaries(const std::string& folder, const std::string& prefix,
                                            const std::string& suffix, bool ownIsDead = false);

// Removes the temporary files beside path that processes no longer running left while
// writing it (process_temp_path names). Returns how many were removed.
int remove_dead_temporaries(const std::string& path);

// Whether a process with this id is running now.
bool process_running(unsigned long id);

// The words for a write's errno: "the disk is full" for every way a system says so.
std::string write_error_text(int code);

}  // namespace platform
