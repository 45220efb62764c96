// Reading files named by a user or found in a show's folder, where the name may stand for
// anything: a folder, a pipe that never delivers, a device such as /dev/zero that never
// ends, or a file far larger than any the program expects. Only regular files are read,
// never more than a bound, and opening never waits on a pipe or a device.
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace platform {

enum class FileRead {
    Read,      // the whole file is in the result
    Missing,   // nothing by that name (or a link that leads nowhere)
    NotAFile,  // a folder, a pipe, a device or a socket: refused without reading from it
    TooLarge,  // longer than the bound: refused, nothing kept
    Failed,    // there, but could not be opened or read (permissions, an I/O error)
};

// Opens path (UTF-8; links followed) for reading in binary mode, only when it names a
// regular file. Otherwise null, with why set to a few words for a message ("no such
// file", "a folder, not a file", ...) and status (when given) saying which case it is.
// size (when given) receives the file's size when it was opened. The caller closes it.
std::FILE* open_regular_file(const std::string& path, std::string& why, FileRead* status = nullptr,
                             uint64_t* size = nullptr);

// Reads the whole regular file path into data, when it holds at most maxBytes bytes.
// Anything else leaves data empty and sets why as above; a file longer than the bound
// (or one growing past it while read) is TooLarge.
FileRead read_regular_file(const std::string& path, std::string& data, uint64_t maxBytes, std::string& why);
FileRead read_regular_file(const std::string& path, std::vector<unsigned char>& data, uint64_t maxBytes,
                           std::string& why);
FileRead read_regular_file(const std::string& path, std::vector<char>& data, uint64_t maxBytes, std::string& why);

// "1 MB", "300 KB", "17 bytes": a bound as the messages above say it.
std::string size_text(uint64_t bytes);

}  // namespace platform
