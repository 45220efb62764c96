// Output files of velmora-data: folders made as needed, and every file written through
// platform::write_file, so that a file under its real name is always complete and a pipe,
// a folder or a planted link under the name is refused or replaced, never written through.
#pragma once
#include <string>
#include <vector>

namespace vdata {

// Creates a directory and its parents; false with a message if one cannot be made.
bool makeDirectories(const std::string& path, std::string& error);

// Writes bytes to path as platform::write_file does; false with its one-line message.
bool writeFileReplacing(const std::string& path, const std::vector<unsigned char>& bytes, std::string& error);
bool writeFileReplacing(const std::string& path, const std::string& text, std::string& error);

// Removes a file if it exists; false (with a message) only if it exists and stays.
bool removeIfPresent(const std::string& path, std::string& error);

}  // namespace vdata
