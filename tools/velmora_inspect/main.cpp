// velmora-inspect FILE: loads an OBJ, BVH or PLY asset with the show's own loaders and
// prints what they found, so an asset can be checked before the show loads it.
#include <algorithm>
#include <cctype>
#include <iostream>
#include <string>

#include "inspect.h"

namespace {

std::string lower_extension(const std::string& path) {
    const size_t dot = path.find_last_of('.');
    const size_t slash = path.find_last_of("/\\");
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return "";
    std::string ext = path.substr(dot + 1);
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
    return ext;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: velmora-inspect FILE   (FILE: .obj, .bvh or .ply)\n";
        return 2;
    }
    const std::string path = argv[1];
    const std::string ext = lower_extension(path);
    if (ext == "obj") return inspect_obj(path, std::cout);
    if (ext == "bvh") return inspect_bvh(path, std::cout);
    if (ext == "ply") return inspect_ply(path, std::cout);
    std::cerr << "velmora-inspect: " << path << ": unknown file type (expected .obj, .bvh or .ply)\n";
    return 2;
}
