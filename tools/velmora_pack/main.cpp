// velmora-pack: turns folders of numbered frames (and manifests of named files) into the
// show's frame archive, <base>.txt and <base>.bin, verified by reading it back.
#include "pack_inputs.h"

#include "picture_check.h"
#include "platform/printable.h"
#include "render/frame_archive_writer.h"

#include <cstring>
#include <iostream>

namespace {

const char* const kUsage =
    "usage: velmora-pack [-o BASE] [-m MANIFEST]... [-f FOLDER PREFIX]...\n"
    "  Writes BASE.txt and BASE.bin (BASE is \"bin\" unless given), entries in the order given.\n"
    "  -m MANIFEST       lines of \"<entry name> <file>\"; files relative to the manifest's folder\n"
    "  -f FOLDER PREFIX  every .jpg/.jpeg of FOLDER in name order; fog00000.jpg becomes\n"
    "                    PREFIX + \"fog00000_n.jpg\" (for example PREFIX \"c://videos//\")\n";

int usage(const char* problem) {
    std::cerr << "velmora-pack: " << problem << "\n" << kUsage;
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    std::string base = "bin";
    std::vector<PackInput> inputs;
    std::vector<std::string> inputFiles;  // manifests and pictures: never an output
    std::string error;
    for (int a = 1; a < argc; ++a) {
        const std::string option = argv[a];
        if (option == "-h" || option == "--help") {
            std::cout << kUsage;
            return 0;
        }
        if (option == "-o") {
            if (a + 1 >= argc) return usage("-o needs a base name");
            base = argv[++a];
        } else if (option == "-m") {
            if (a + 1 >= argc) return usage("-m needs a manifest file");
            inputFiles.push_back(argv[++a]);
            if (!readManifest(inputFiles.back(), inputs, error)) {
                std::cerr << "velmora-pack: " << error << std::endl;
                return 1;
            }
        } else if (option == "-f") {
            if (a + 2 >= argc) return usage("-f needs a folder and a name prefix");
            const std::string folder = argv[++a], prefix = argv[++a];
            size_t skipped = 0;
            const size_t before = inputs.size();
            if (!scanFrameFolder(folder, prefix, inputs, skipped, error)) {
                std::cerr << "velmora-pack: " << error << std::endl;
                return 1;
            }
            std::cout << folder << ": " << inputs.size() - before << " frames";
            if (skipped) std::cout << ", " << skipped << " other directory entries left out";
            std::cout << std::endl;
        } else {
            return usage(("unknown argument " + option).c_str());
        }
    }
    if (inputs.empty()) return usage("nothing to pack");

    for (const PackInput& input : inputs) inputFiles.push_back(input.path);
    FrameArchiveWriter writer(base, inputFiles);
    for (const PackInput& input : inputs)
        if (!writer.addFile(input.name, input.path)) break;
    const ArchiveWriteReport report = writer.finish();
    if (!report.ok) {
        std::cerr << "velmora-pack: " << report.error << (report.dataReplaced ? "" : " (nothing written)") << std::endl;
        return 1;
    }
    std::vector<std::string> names;
    for (const PackInput& input : inputs) names.push_back(input.name);
    const std::vector<BadPicture> bad = findBadPictures(base, names);
    constexpr size_t kListed = 20;
    for (size_t k = 0; k < bad.size() && k < kListed; ++k)
        std::cerr << "velmora-pack: entry " << platform::printable(bad[k].name, 120)
                  << " is not a picture the show can show: " << platform::printable(bad[k].why, 200) << std::endl;
    if (bad.size() > kListed) std::cerr << "velmora-pack: ... and " << bad.size() - kListed << " more" << std::endl;
    std::cout << "velmora-pack: " << report.entryCount << " entries, " << report.storedCount << " stored, "
              << report.sharedCount << " sharing an earlier entry's bytes (" << report.sharedBytes << " bytes saved)\n"
              << "  " << base << ".txt " << report.indexBytes << " bytes, " << base << ".bin " << report.dataBytes
              << " bytes, every entry read back as written";
    if (bad.empty()) {
        std::cout << (canCheckPictures() ? " and decoded" : " (not decoded: this build has no picture decoder)") << std::endl;
        return 0;
    }
    // Written, since the rest may be wanted; the status says the archive needs a look.
    std::cout << ", but " << bad.size() << " of them " << (bad.size() == 1 ? "is" : "are")
              << " not a valid picture (named above): the show keeps the picture before them there" << std::endl;
    return 1;
}
