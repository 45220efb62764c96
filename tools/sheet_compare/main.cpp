// velmora-sheet-compare A.png B.png: tells whether two contact sheets of the show (velmora
// --contact-sheet) look the same, scene by scene: structure (SSIM) and colour (each
// channel's mean shift and contrast change). Exit status 0 when every scene keeps the look,
// 1 when one does not, 2 when the sheets cannot be compared.
// velmora-sheet-compare --describe SHEET.png prints each scene's channel means and contrast,
// the figures a reviewer reads when a reference sheet changes.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "clips/frame_rules.h"
#include "clips/sheet_compare.h"

namespace {

const char* const kUsage =
    "usage: velmora-sheet-compare A.png B.png [--min SSIM] [--max-mean LEVELS] [--max-contrast SHARE]\n"
    "       velmora-sheet-compare --describe SHEET.png\n"
    "  --min SSIM            lowest structural similarity per scene (default 0.97)\n"
    "  --max-mean LEVELS     largest shift of a channel's mean, 8-bit levels (default 4)\n"
    "  --max-contrast SHARE  largest relative change of a channel's contrast (default 0.10)\n";

bool parseNumber(const char* text, double low, double high, double& value) {
    char* end = nullptr;
    const double v = std::strtod(text, &end);
    if (end == text || *end != '\0' || !(v >= low && v <= high)) return false;
    value = v;
    return true;
}

int describe(const std::string& path) {
    std::vector<SceneColour> colours;
    std::string error;
    if (!describeContactSheet(path, colours, error)) {
        fprintf(stderr, "velmora-sheet-compare: %s\n", error.c_str());
        return 2;
    }
    printf("scene     mean R     G     B   contrast R     G     B\n");
    for (size_t i = 0; i < colours.size(); ++i) {
        const SceneColour& c = colours[i];
        printf("scene%-4d %6.1f %5.1f %5.1f %12.1f %5.1f %5.1f\n", kSceneStarts[i], c.mean[0], c.mean[1], c.mean[2],
               c.contrast[0], c.contrast[1], c.contrast[2]);
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    LookTolerance tolerance;
    std::vector<std::string> files;
    bool describing = false;
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        double* limit = !std::strcmp(arg, "--min")            ? &tolerance.minSsim
                        : !std::strcmp(arg, "--max-mean")     ? &tolerance.maxMeanShift
                        : !std::strcmp(arg, "--max-contrast") ? &tolerance.maxContrastChange
                                                              : nullptr;
        if (limit) {
            const double high = limit == &tolerance.maxMeanShift ? 255 : limit == &tolerance.minSsim ? 1 : 10;
            if (i + 1 >= argc || !parseNumber(argv[i + 1], 0, high, *limit)) {
                fprintf(stderr, "velmora-sheet-compare: %s expects a number from 0 to %g\n%s", arg, high, kUsage);
                return 2;
            }
            ++i;
        } else if (!std::strcmp(arg, "--describe")) {
            describing = true;
        } else if (arg[0] == '-' && arg[1] == '-') {
            fprintf(stderr, "velmora-sheet-compare: unknown option %s\n%s", arg, kUsage);
            return 2;
        } else {
            files.push_back(arg);
        }
    }
    if (describing && files.size() == 1) return describe(files[0]);
    if (describing || files.size() != 2) {
        fputs(kUsage, stderr);
        return 2;
    }
    std::vector<SceneLook> looks;
    std::string error;
    if (!compareContactSheets(files[0], files[1], looks, error)) {
        fprintf(stderr, "velmora-sheet-compare: %s\n", error.c_str());
        return 2;
    }
    int outside = 0;
    double lowest = 1.0, largestMean = 0.0, largestContrast = 0.0;
    printf("scene     SSIM    mean shift R    G    B   contrast R    G    B\n");
    for (size_t i = 0; i < looks.size(); ++i) {
        const SceneLook& l = looks[i];
        const std::string problem = lookProblem(l, tolerance);
        outside += !problem.empty();
        lowest = std::min(lowest, l.ssim);
        for (int k = 0; k < 3; ++k) {
            largestMean = std::max(largestMean, std::fabs(l.meanShift[k]));
            largestContrast = std::max(largestContrast, std::fabs(l.contrastChange[k]));
        }
        printf("scene%-4d %.4f %12.1f %4.1f %4.1f %9.0f%% %3.0f%% %3.0f%%%s%s\n", kSceneStarts[i], l.ssim,
               l.meanShift[0], l.meanShift[1], l.meanShift[2], l.contrastChange[0] * 100, l.contrastChange[1] * 100,
               l.contrastChange[2] * 100, problem.empty() ? "" : "  changed: ", problem.c_str());
    }
    printf("lowest SSIM %.4f, largest mean shift %.1f levels, largest contrast change %.0f %%; "
           "%d of %zu scenes changed (limits: SSIM %.2f, %g levels, %.0f %%)\n",
           lowest, largestMean, largestContrast * 100, outside, looks.size(), tolerance.minSsim,
           tolerance.maxMeanShift, tolerance.maxContrastChange * 100);
    return outside ? 1 : 0;
}
