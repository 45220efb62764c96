// Names that stand for something other than a plain file on this system, for tests of
// code that must refuse them without waiting on them: a pipe that nothing is ever written
// to, and devices that never end.
#pragma once
#include <string>
#include <vector>

#include "temp_folder.h"

class SpecialFiles {
public:
    explicit SpecialFiles(const TempFolder& folder);
    ~SpecialFiles();
    SpecialFiles(const SpecialFiles&) = delete;
    SpecialFiles& operator=(const SpecialFiles&) = delete;

    std::string pipe;                  // empty when it could not be made
    std::vector<std::string> devices;  // /dev/zero through a link, /dev/urandom; NUL

private:
    void* server_ = nullptr;  // the pipe's server end on Windows
};

// A folder on a disk of its own holding only `kilobytes` (a tmpfs mount): writes past that
// fail as they do on a full disk. path is empty where it cannot be made (not root, or not
// a system with such mounts); tests then skip.
class SmallDisk {
public:
    SmallDisk(const TempFolder& folder, int kilobytes);
    ~SmallDisk();
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;

    std::string path;
};
