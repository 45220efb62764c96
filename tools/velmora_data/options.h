// The command line of velmora-data:
//   velmora-data [--tiny] [--contact-sheet FILE.png] [--jobs N] OUTDIR
//   velmora-data --version | --help
#pragma once
#include <string>
#include <vector>

namespace vdata {

constexpr int kGeneratorVersion = 1;  // raise whenever the output changes

struct DataOptions {
    bool tiny = false;          // 160 x 90 frames (same names) for tests
    std::string contactSheet;   // PNG path, or empty
    int jobs = 2;               // worker threads
    std::string outDir;
    bool showVersion = false;
    bool showHelp = false;
};

// Parses argv[1..]; on failure returns false with a one-line message.
bool parseOptions(const std::vector<std::string>& args, DataOptions& options, std::string& error);

std::string usageText();
// "velmora-data 1": what --version prints and the stamp's first word and number.
std::string versionText();
// The stamp written last into OUTDIR/.velmora-data: "velmora-data 1 default" or "... tiny".
std::string stampText(bool tiny);

}  // namespace vdata
