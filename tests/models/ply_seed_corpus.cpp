// Writes PLY files as the PLY fuzzer's seed corpus: the generated layouts (face element
// first, big-endian with extras, every type, the show's own) and, where the shared test data
// is there, its small PLY files read as they are. Usage: ply_seed_corpus FOLDER
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "ply_samples.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: ply_seed_corpus FOLDER\n");
        return 2;
    }
    const std::filesystem::path folder = argv[1];
    auto save = [&](const std::string& name, const std::string& bytes) {
        std::ofstream(folder / name, std::ios::binary) << bytes;
    };
    for (const auto& [name, bytes] : ply_samples::all()) save(name, bytes);
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(std::string(VELMORA_TESTDATA) + "/ply", ec)) {
        if (entry.path().extension() != ".ply") continue;
        std::ifstream in(entry.path(), std::ios::binary);
        save(entry.path().filename().string(),
             std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()));
    }
    return 0;
}
