// The one way outputs are written, the same on every system: the checks of the name, a
// new temporary file of this process beside it, checked writes, and one rename at the end.
#include "platform/file_write.h"

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "platform/durable_file.h"
#include "platform/file_io.h"

namespace platform {

namespace {

std::string named(const std::string& path) { return "\"" + path + "\""; }

std::filesystem::path absolute_name(const std::string& path) {
    std::error_code ec;
    std::filesystem::path full = std::filesystem::weakly_canonical(std::filesystem::u8path(path), ec);
    if (ec) full = std::filesystem::absolute(std::filesystem::u8path(path), ec).lexically_normal();
    return full;
}

// "take.vtake" kept as "take.<tag>.vtake": a name beside it that the user sees, which no
// run removes as a dead temporary file.
std::string kept_name(const std::string& path) {
    const std::filesystem::path p = std::filesystem::u8path(path);
    std::filesystem::path kept = p;
    kept.replace_filename(p.stem().u8string() + "." + process_tag() + p.extension().u8string());
    return kept.u8string();
}

bool full_disk(int code) {
#ifdef EDQUOT
    if (code == EDQUOT) return true;
#endif
    return code == ENOSPC;
}

}  // namespace

std::string write_error_text(int code) {
    if (full_disk(code)) return "the disk is full";
    return code ? std::strerror(code) : "an I/O error";
}

bool same_file(const std::string& a, const std::string& b) {
    FileIdentity one, two;
    if (resolved_identity(a, one) && resolved_identity(b, two)) return one == two;
    return absolute_name(a) == absolute_name(b);
}

FileWrite check_output(const std::string& path, const WriteOptions& options, std::string& why) {
    if (path.empty()) {
        why = "no file name given";
        return FileWrite::Failed;
    }
    const FileKind kind = file_kind(path);
    if (kind == FileKind::Folder) {
        why = named(path) + " is a folder, not a file name";
        return FileWrite::NotAFile;
    }
    if (kind == FileKind::Other) {
        why = named(path) + " is not a regular file (a pipe, a device or a socket); it is left alone";
        return FileWrite::NotAFile;
    }
    for (const std::string& input : options.inputs) {
        if (!input.empty() && same_file(path, input)) {
            const bool sameName = absolute_name(path) == absolute_name(input);
            why = named(path) + " is one of this run's input files" + (sameName ? "" : " (" + named(input) + ")") +
                  "; it is left alone";
            return FileWrite::IsAnInput;
        }
    }
    if (!options.replace && kind != FileKind::Absent) {
        why = named(path) + " already exists and is not replaced";
        return FileWrite::Exists;
    }
    return FileWrite::Written;
}

std::vector<DeadTemporary> dead_temporaries(const std::string& folder, const std::string& prefix,
                                            const std::string& suffix, bool ownIsDead) {
    std::vector<DeadTemporary> dead;
    std::error_code ec;
    const std::filesystem::path where = std::filesystem::u8path(folder.empty() ? "." : folder);
    for (std::filesystem::directory_iterator it(where, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().u8string();
        if (name.size() <= prefix.size() + suffix.size() || name.compare(0, prefix.size(), prefix) != 0) continue;
        if (name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0) continue;
        const std::string id = name.substr(prefix.size(), name.size() - prefix.size() - suffix.size());
        // Process ids fit in 32 bits on every system; a larger number is not one of ours.
        if (id.empty() || id.size() > 10 || id.find_first_not_of("0123456789") != std::string::npos) continue;
        const unsigned long long number = std::stoull(id);
        if (number > 0xFFFFFFFFull) continue;
        const bool own = id == process_tag();
        if ((own && !ownIsDead) || (!own && process_running(static_cast<unsigned long>(number)))) continue;
        if (file_kind(it->path().u8string()) == FileKind::Regular) dead.push_back({it->path().u8string(), id});
    }
    return dead;
}

int remove_dead_temporaries(const std::string& path) {
    // process_temp_path: "<name>.<process id>.tmp".
    const std::filesystem::path target = std::filesystem::u8path(path);
    int removed = 0;
    for (const DeadTemporary& file : dead_temporaries(target.parent_path().u8string(), target.filename().u8string() + ".", ".tmp"))
        if (remove_file(file.path)) removed += 1;
    return removed;
}

FileWrite FileWriter::fail(FileWrite status, const std::string& reason, std::string& why) {
    why = "cannot write " + named(path_) + ": " + reason;
    abandon();
    return status;
}

FileWrite FileWriter::open(const std::string& path, const WriteOptions& options, std::string& why) {
    abandon();
    path_ = path;
    options_ = options;
    error_ = 0;
    const FileWrite allowed = check_output(path, options, why);
    if (allowed != FileWrite::Written) return allowed;
    existed_ = file_identity(path, before_);
    remove_dead_temporaries(path);
    temporary_ = process_temp_path(path);
    file_ = create_new_file(temporary_);
    if (!file_) {
        const int code = errno;
        why = "cannot write " + named(path) + ": " + write_error_text(code);
        return full_disk(code) ? FileWrite::DiskFull : FileWrite::Failed;
    }
    return FileWrite::Written;
}

bool FileWriter::write(const void* data, size_t size) {
    if (!file_ || error_) return false;
    if (size == 0) return true;
    if (std::fwrite(data, 1, size, file_) == size) return true;
    error_ = errno ? errno : EIO;
    return false;
}

FileWrite FileWriter::flush(bool to_disk, std::string& why) {
    if (!file_) return fail(FileWrite::Failed, "the file was abandoned", why);
    if (!error_ && std::fflush(file_) != 0) error_ = errno ? errno : EIO;
    if (!error_ && std::ferror(file_)) error_ = EIO;
    if (!error_ && to_disk && !flush_to_disk(file_)) error_ = errno ? errno : EIO;
    if (error_) {
        why = "cannot write " + named(path_) + ": " + write_error_text(error_);
        return full_disk(error_) ? FileWrite::DiskFull : FileWrite::Failed;
    }
    return FileWrite::Written;
}

FileWrite FileWriter::commit(std::string& why) {
    const FileWrite flushed = flush(options_.durable, why);
    if (flushed != FileWrite::Written) {
        abandon();
        return flushed;
    }
    const int closed = std::fclose(file_);
    file_ = nullptr;
    if (closed != 0) {
        const int code = errno;
        remove_file(temporary_);
        return fail(full_disk(code) ? FileWrite::DiskFull : FileWrite::Failed, write_error_text(code), why);
    }

    // Another run may have put a file under the name since open(): replacing it would lose
    // its work without a word, so this content goes beside it instead.
    FileIdentity now;
    const bool exists = file_identity(path_, now);
    const bool changed = exists != existed_ || (exists && now != before_);
    // What came under the name meanwhile is kept beside below, not a reason to drop this.
    WriteOptions now_allowed = options_;
    now_allowed.replace = true;
    const FileWrite allowed = check_output(path_, now_allowed, why);
    if (allowed != FileWrite::Written) {
        remove_file(temporary_);
        return allowed;
    }
    std::string reason;
    bool taken = false;
    bool renamed = false;
    if (changed || !options_.replace) {
        renamed = rename_keeping(temporary_, path_, taken, &reason);
    } else {
        renamed = rename_replacing(temporary_, path_, &reason);
    }
    if (!renamed && taken) {
        const std::string kept = kept_name(path_);
        if (rename_keeping(temporary_, kept, taken, &reason)) {
            why = named(path_) + " was written by another program during this run and is left as it is; this one is kept as " +
                  named(kept);
            return FileWrite::Changed;
        }
    }
    if (!renamed) {
        remove_file(temporary_);
        why = "cannot write " + named(path_) + ": " + reason;
        return FileWrite::Failed;
    }
    if (options_.durable) sync_folder_of(path_);
    return FileWrite::Written;
}

void FileWriter::abandon() {
    if (file_) {
        std::fclose(file_);
        file_ = nullptr;
        remove_file(temporary_);
    }
}

FileWrite write_file(const std::string& path, const void* data, size_t size, const WriteOptions& options,
                     std::string& why) {
    FileWriter writer;
    const FileWrite opened = writer.open(path, options, why);
    if (opened != FileWrite::Written) return opened;
    writer.write(data, size);
    return writer.commit(why);
}

}  // namespace platform
