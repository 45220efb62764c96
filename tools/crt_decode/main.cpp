// crt-decode INPUT [OUTPUT.ply | OUTPUT.obj]: decodes a crt mesh stream, prints its counts,
// properties, attributes and groups, and writes the mesh as PLY or OBJ when asked.
#include <cstdio>
#include <fstream>
#include <iostream>
#include <stdexcept>
#include <string>
#include <vector>

#include "decoded_mesh.h"
#include "platform/file_read.h"
#include "platform/printable.h"

namespace {

bool ends_with(const std::string& s, const std::string& suffix) {
    return s.size() >= suffix.size() && s.compare(s.size() - suffix.size(), suffix.size(), suffix) == 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: %s INPUT.crt [OUTPUT.ply | OUTPUT.obj]\n", argv[0]);
        return 2;
    }
    const std::string input = argv[1];
    // Only a regular file, and bounded: a pipe or a device would be read for ever.
    constexpr uint64_t kMaxStreamBytes = 4ull << 30;
    std::vector<unsigned char> bytes;
    std::string why;
    if (platform::read_regular_file(input, bytes, kMaxStreamBytes, why) != platform::FileRead::Read) {
        std::fprintf(stderr, "crt-decode: cannot open %s: %s\n", platform::printable(input).c_str(), why.c_str());
        return 1;
    }
    try {
        const crt_decode::DecodedMesh mesh = crt_decode::decode_stream(bytes);
        std::cout << input << "\n";
        crt_decode::print_summary(std::cout, mesh);
        if (argc == 3) {
            const std::string output = argv[2];
            const bool obj = ends_with(output, ".obj");
            if (!obj && !ends_with(output, ".ply")) {
                std::fprintf(stderr, "crt-decode: %s: the output name must end in .ply or .obj\n", output.c_str());
                return 2;
            }
            std::ofstream out(output);
            if (obj) crt_decode::write_obj(out, mesh);
            else crt_decode::write_ply(out, mesh);
            if (!out) {
                std::fprintf(stderr, "crt-decode: cannot write %s\n", output.c_str());
                return 1;
            }
            std::cout << "written: " << output << "\n";
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "crt-decode: %s: %s\n", input.c_str(), e.what());
        return 1;
    }
    return 0;
}
