// Writes the decoder tests' sample streams as files: the seed corpus of the crt fuzzer.
#include <cstdio>
#include <fstream>
#include <string>

#include "stream_builder.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_DIR\n", argv[0]);
        return 2;
    }
    for (const auto& sample : crt_test::sample_streams()) {
        const std::string path = std::string(argv[1]) + "/" + sample.name + ".crt";
        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(sample.bytes.data()), static_cast<std::streamsize>(sample.bytes.size()));
        if (!out) {
            std::fprintf(stderr, "cannot write %s\n", path.c_str());
            return 1;
        }
    }
    return 0;
}
