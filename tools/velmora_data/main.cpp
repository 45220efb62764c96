// velmora-data: writes the default show data (footage archive, stills, models, motion,
// sculptures, music) into a directory. See options.h for the command line.
#include <chrono>
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "platform/console.h"
#include "platform/memory.h"
#include "tools/velmora_data/options.h"
#include "tools/velmora_data/progress.h"
#include "tools/velmora_data/show_pack.h"

int main(int argc, char** argv) {
    using namespace vdata;
    DataOptions options;
    std::string error;
    if (!parseOptions(std::vector<std::string>(argv + 1, argv + argc), options, error)) {
        std::cerr << "velmora-data: " << error << "\n" << usageText();
        return 2;
    }
    if (options.showHelp) {
        std::cout << usageText();
        return 0;
    }
    if (options.showVersion) {
        std::cout << versionText() << "\n";
        return 0;
    }
    // Every frame allocates picture-sized buffers.
    platform::keep_large_blocks_in_heap();
    const auto start = std::chrono::steady_clock::now();
    Progress progress(std::cout, platform::is_terminal(stdout));
    progress.note(stampText(options.tiny) + " pack into " + options.outDir + ", " + std::to_string(options.jobs) +
                  " worker threads");
    PackReport report;
    if (!writeShowData(options, progress, report, error)) {
        std::cout.flush();
        std::cerr << "velmora-data: " << error << "\n";
        return 1;
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    char line[160];
    std::snprintf(line, sizeof line, "done in %.1f s: %zu archive names, %zu pictures, %.1f MiB archive, %.1f MiB music",
                  seconds, report.archiveNames, report.pictures, report.archiveBytes / 1048576.0,
                  report.musicBytes / 1048576.0);
    progress.note(line);
    return 0;
}
