// The geometry packs under test: written once per test program into temporary folders
// (removed at exit), read back through the show's own loaders.
#pragma once
#include <string>

namespace geometry_test {

struct GeneratedPack {
    bool ok = false;
    std::string error;
    std::string dir;  // holds resources3/
    std::string resource(const std::string& name) const { return dir + "/resources3/" + name; }
};

const GeneratedPack& defaultPack();
const GeneratedPack& tinyPack();

// A fresh temporary folder removed when the returned object goes.
class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

std::string readFile(const std::string& path);

}  // namespace geometry_test
