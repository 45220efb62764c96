// The pieces of replacing a file whole (file_write.h puts them together): a temporary
// name beside it, created new, and file identities. Temporary names carry the process's
// tag: two programs writing the same file at once (two shows in one folder, two captures
// to one path) never share, delete or rename each other's half-written files.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

namespace platform {

// A short text that tells this process from every other one running now (its id).
std::string process_tag();

// path + "." + process_tag() + suffix: a name beside path that only this process uses.
std::string process_temp_path(const std::string& path, const char* suffix = ".tmp");

// Creates path as a new, empty file, open for writing, never writing through whatever is
// already there under that name. With replace, a file or symbolic link there (left by a
// crash, or planted to redirect the write) is removed first; without it, the existing name
// makes the call fail with errno EEXIST. Null (errno set) when it cannot be created.
std::FILE* create_new_file(const std::string& path, bool replace = true);


// What tells one file from another on its volume: equal identities name the same file.
struct FileIdentity {
    uint64_t volume = 0;  // the device or volume
    uint64_t index = 0;   // the file's number on it
    bool operator==(const FileIdentity& o) const { return volume == o.volume && index == o.index; }
    bool operator!=(const FileIdentity& o) const { return !(*this == o); }
};
// The identity of an open file, and of the directory entry path itself (a symbolic link is
// not followed: a rename moves the link, not what it points to). False when unknown.
bool file_identity(std::FILE* file, FileIdentity& identity);
bool file_identity(const std::string& path, FileIdentity& identity);

}  // namespace platform
