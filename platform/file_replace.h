// Replacing a small file whole: written beside it under a temporary name, then renamed
// over it, so that a reader (or the next run) sees the old file or the new one, never half.
#pragma once
#include <cstddef>
#include <cstdio>
#include <string>

namespace platform {

// Creates path as a new, empty file, open for writing, never writing through whatever is
// already there under that name. With replace, a file or symbolic link there (left by a
// crash, or planted to redirect the write) is removed first; without it, the existing name
// makes the call fail with errno EEXIST. Null (errno set) when it cannot be created.
std::FILE* create_new_file(const std::string& path, bool replace = true);

// Writes size bytes to path + ".tmp", created exclusively: a file or symbolic link already
// there under that name (left by a crash, or planted to redirect the write) is removed,
// never written through. Then renames it over path. Returns false, leaving path as it
// was, when the folder is not writable or the write fails.
bool replace_file(const std::string& path, const void* data, size_t size);

}  // namespace platform
