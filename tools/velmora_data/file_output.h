// Writing output files so that a file under its real name is always complete: contents
// go to "<name>.<process id>.tmp", created new, and are renamed over the real name only
// once written.
#pragma once
#include <string>
#include <vector>

namespace vdata {

// Creates a directory and its parents; false with a message if one cannot be made.
bool makeDirectories(const std::string& path, std::string& error);

// Writes bytes to path through a new temporary file of this process and a rename.
bool writeFileReplacing(const std::string& path, const std::vector<unsigned char>& bytes, std::string& error);
bool writeFileReplacing(const std::string& path, const std::string& text, std::string& error);

// Removes a file if it exists; false (with a message) only if it exists and stays.
bool removeIfPresent(const std::string& path, std::string& error);

}  // namespace vdata
