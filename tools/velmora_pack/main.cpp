// velmora-pack: turns footage (folders of numbered pictures, videos) and manifests of named
// files into the show's frame archive, <base>.txt and <base>.bin, verified by reading it back.
#include "pack_footage.h"

#include "picture_check.h"
#include "platform/printable.h"
#include "render/frame_archive_writer.h"

#include <cstdlib>
#include <iostream>

namespace {

const char* const kUsage =
    "usage: velmora-pack [-o BASE] [--quality Q] [--size WxH] [-m MANIFEST]... [-f FOLDER|VIDEO PREFIX]...\n"
    "  Writes BASE.txt and BASE.bin (BASE is \"bin\" unless given), entries in the order given.\n"
    "  -m MANIFEST       lines of \"<entry name> <file>\"; files relative to the manifest's folder,\n"
    "                    packed as they are\n"
    "  -f FOLDER PREFIX  every picture of FOLDER (.jpg .png .tif .webp .bmp) in name order;\n"
    "                    fog00000.png becomes PREFIX + \"fog00000_n.jpg\" (for example PREFIX\n"
    "                    \"c://videos//\"). JPEG files are packed as they are, others encoded as JPEG\n"
    "  -f VIDEO PREFIX   every frame of the video, named as a folder of <stem>00000.jpg... would be:\n"
    "                    -f fog.mp4 \"c://videos//\" gives c://videos//fog00000_n.jpg, ...\n"
    "  --quality Q       JPEG quality 1..100 of the frames encoded here (default 90: a step above\n"
    "                    the show's own frames at 85, as a video's frames were compressed once already)\n"
    "  --size WxH        scale every frame of -f to WxH (area averaging when shrinking); the show's\n"
    "                    footage is 960x540, 540 high for other shapes. JPEG files of another size\n"
    "                    are then encoded again\n";

int usage(const char* problem) {
    std::cerr << "velmora-pack: " << problem << "\n" << kUsage;
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    std::string base = "bin";
    std::vector<PackJob> jobs;
    FootageOptions options;
    std::vector<std::string> inputFiles;  // manifests, pictures and videos: never an output
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
        } else if (option == "--quality") {
            const std::string value = a + 1 < argc ? argv[++a] : "";
            char* end = nullptr;
            const long quality = std::strtol(value.c_str(), &end, 10);
            if (value.empty() || *end || quality < 1 || quality > 100) return usage("--quality needs a number 1..100");
            options.quality = static_cast<int>(quality);
        } else if (option == "--size") {
            if (a + 1 >= argc || !parseFrameSize(argv[++a], options.width, options.height))
                return usage("--size needs WIDTHxHEIGHT, each 1..8192 (for example 960x540)");
        } else if (option == "-m") {
            if (a + 1 >= argc) return usage("-m needs a manifest file");
            inputFiles.push_back(argv[++a]);
            jobs.emplace_back();
            jobs.back().given = platform::printable(inputFiles.back());
            if (!readManifest(inputFiles.back(), jobs.back().inputs, error)) {
                std::cerr << "velmora-pack: " << error << std::endl;
                return 1;
            }
        } else if (option == "-f") {
            if (a + 2 >= argc) return usage("-f needs a folder or a video, and a name prefix");
            const std::string path = argv[++a], prefix = argv[++a];
            jobs.emplace_back();
            if (!frameJob(path, prefix, jobs.back(), error)) {
                std::cerr << "velmora-pack: " << error << std::endl;
                return 1;
            }
            if (jobs.back().video) inputFiles.push_back(path);
        } else {
            return usage(("unknown argument " + option).c_str());
        }
    }
    size_t given = 0;
    for (const PackJob& job : jobs) given += job.inputs.size() + (job.video ? 1 : 0);
    if (given == 0) return usage("nothing to pack");

    for (const PackJob& job : jobs)
        for (const PackInput& input : job.inputs) inputFiles.push_back(input.path);
    FrameArchiveWriter writer(base, inputFiles);
    std::vector<std::string> names;
    for (PackJob& job : jobs) {
        if (packJob(job, options, writer, names, error)) continue;
        // A writer's failure is said by finish() below; a frame's here. Either way the
        // writer, abandoned, leaves the earlier archive as it was.
        if (!error.empty()) {
            std::cerr << "velmora-pack: " << error << " (nothing written)" << std::endl;
            return 1;
        }
        break;
    }
    const ArchiveWriteReport report = writer.finish();
    if (!report.ok) {
        std::cerr << "velmora-pack: " << report.error << (report.dataReplaced ? "" : " (nothing written)") << std::endl;
        return 1;
    }
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
