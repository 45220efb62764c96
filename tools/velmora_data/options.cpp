// Command-line parsing for velmora-data.
#include "tools/velmora_data/options.h"

#include <cerrno>
#include <cstdlib>

namespace vdata {

namespace {

bool parseJobs(const std::string& text, int& jobs) {
    if (text.empty() || text.size() > 4) return false;
    for (char c : text)
        if (c < '0' || c > '9') return false;
    const long n = std::strtol(text.c_str(), nullptr, 10);
    if (n < 1 || n > 256) return false;
    jobs = static_cast<int>(n);
    return true;
}

}  // namespace

bool parseOptions(const std::vector<std::string>& args, DataOptions& options, std::string& error) {
    options = DataOptions();
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--tiny") {
            options.tiny = true;
        } else if (a == "--version") {
            options.showVersion = true;
        } else if (a == "--help" || a == "-h") {
            options.showHelp = true;
        } else if (a == "--contact-sheet" || a == "--jobs") {
            if (i + 1 >= args.size()) {
                error = a + " needs a value";
                return false;
            }
            const std::string& value = args[++i];
            if (a == "--jobs") {
                if (!parseJobs(value, options.jobs)) {
                    error = "--jobs needs a whole number from 1 to 256, not \"" + value + "\"";
                    return false;
                }
            } else {
                if (value.empty()) {
                    error = "--contact-sheet needs a file name";
                    return false;
                }
                options.contactSheet = value;
            }
        } else if (a.size() > 1 && a[0] == '-') {
            error = "unknown option " + a;
            return false;
        } else if (options.outDir.empty()) {
            if (a.empty()) {
                error = "the output directory name is empty";
                return false;
            }
            options.outDir = a;
        } else {
            error = "only one output directory may be given (got \"" + options.outDir + "\" and \"" + a + "\")";
            return false;
        }
    }
    if (options.outDir.empty() && !options.showVersion && !options.showHelp) {
        error = "no output directory given";
        return false;
    }
    return true;
}

std::string usageText() {
    return "usage: velmora-data [--tiny] [--contact-sheet FILE.png] [--jobs N] OUTDIR\n"
           "       velmora-data --version\n"
           "Writes the default show data into OUTDIR: the frame archive bin.txt/bin.bin, the stills\n"
           "in videos/, the models, motion file and sculptures in resources3/, the music in music/,\n"
           "and last the stamp OUTDIR/.velmora-data.\n"
           "  --tiny                 small frames (same names), for tests\n"
           "  --contact-sheet FILE   also write one frame of every sequence into FILE (PNG)\n"
           "  --jobs N               worker threads (default 2)\n";
}

std::string versionText() { return "velmora-data " + std::to_string(kGeneratorVersion); }

std::string stampText(bool tiny) { return versionText() + (tiny ? " tiny" : " default"); }

}  // namespace vdata
