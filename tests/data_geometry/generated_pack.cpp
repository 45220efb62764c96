// Writes the packs under test once and keeps them for the whole test program.
#include "generated_pack.h"

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>

#include "geometry.h"

namespace geometry_test {

ScratchFolder::ScratchFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "velmora_geometry_XXXXXX").string();
    if (mkdtemp(pattern.data())) path_ = pattern;
}

ScratchFolder::~ScratchFolder() {
    std::error_code ignored;
    if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
}

namespace {

struct OwnedPack {
    ScratchFolder folder;
    GeneratedPack pack;
    explicit OwnedPack(bool tiny) {
        pack.dir = folder.path();
        pack.ok = !pack.dir.empty() && writeGeometry(pack.dir, tiny, pack.error);
    }
};

}  // namespace

const GeneratedPack& defaultPack() {
    static const OwnedPack owned(false);
    return owned.pack;
}

const GeneratedPack& tinyPack() {
    static const OwnedPack owned(true);
    return owned.pack;
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace geometry_test
