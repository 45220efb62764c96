// Writes the decoder tests' sample streams, the encoder's small sample streams and the
// header mutations of real streams as files: the seed corpus of the crt fuzzer.
#include <cstdio>
#include <fstream>
#include <stdexcept>
#include <string>

#include "encoded_samples.h"
#include "header_mutations.h"
#include "stream_builder.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_DIR\n", argv[0]);
        return 2;
    }
    std::vector<crt_test::SampleStream> samples = crt_test::sample_streams();
    try {
        for (auto& sample : crt_test::encoded_sample_streams()) samples.push_back(std::move(sample));
        for (auto& sample : crt_test::header_mutations()) samples.push_back(std::move(sample));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "cannot encode the sample meshes: %s\n", e.what());
        return 1;
    }
    for (const auto& sample : samples) {
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
