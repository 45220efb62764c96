// velmora-sheet-compare A.png B.png [--min 0.97] [--levels N] [--contrast F]: tells
// whether two contact sheets of the show (velmora --contact-sheet) look the same, scene by
// scene, by the structural similarity of each frame; with --levels, also each channel's
// mean within N levels, and with --contrast, the grey levels' standard deviation within
// the fraction F of A's. Exit status 0 when every scene passes, 1 when one does not, 2
// when the sheets cannot be compared.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "clips/contact_sheet.h"
#include "clips/frame_rules.h"

int main(int argc, char** argv) {
    double minimum = 0.97, levels = -1, contrast = -1;  // negative: not checked
    std::vector<std::string> files;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--min") && i + 1 < argc)
            minimum = std::atof(argv[++i]);
        else if (!std::strcmp(argv[i], "--levels") && i + 1 < argc)
            levels = std::atof(argv[++i]);
        else if (!std::strcmp(argv[i], "--contrast") && i + 1 < argc)
            contrast = std::atof(argv[++i]);
        else
            files.push_back(argv[i]);
    }
    if (files.size() != 2) {
        fprintf(stderr, "usage: velmora-sheet-compare A.png B.png [--min 0.97] [--levels N] [--contrast F]\n");
        return 2;
    }
    std::vector<TileComparison> tiles;
    std::string error;
    if (!compareContactSheetTiles(files[0], files[1], tiles, error)) {
        fprintf(stderr, "velmora-sheet-compare: %s\n", error.c_str());
        return 2;
    }
    int below = 0;
    double lowest = 1.0, widestMean = 0, widestContrast = 0;
    for (size_t i = 0; i < tiles.size(); ++i) {
        const TileComparison& t = tiles[i];
        double meanApart = 0;
        for (int c = 0; c < 3; ++c) meanApart = std::max(meanApart, std::fabs(t.meanA[c] - t.meanB[c]));
        // Relative to A's contrast, with a floor of one level for a flat (black) frame.
        const double contrastApart = std::fabs(t.contrastA - t.contrastB) / std::max(1.0, t.contrastA);
        std::string why;
        if (t.ssim < minimum) why += "  SSIM below the minimum";
        if (levels >= 0 && meanApart > levels) why += "  means too far apart";
        if (contrast >= 0 && contrastApart > contrast) why += "  contrast too far apart";
        below += !why.empty();
        lowest = std::min(lowest, t.ssim);
        widestMean = std::max(widestMean, meanApart);
        widestContrast = std::max(widestContrast, contrastApart);
        printf("scene%-4d SSIM %.4f  means %5.1f %5.1f %5.1f / %5.1f %5.1f %5.1f  contrast %5.1f / %5.1f%s\n",
               kSceneStarts[i], t.ssim, t.meanA[2], t.meanA[1], t.meanA[0], t.meanB[2], t.meanB[1], t.meanB[0],
               t.contrastA, t.contrastB, why.c_str());
    }
    printf("lowest SSIM %.4f, means at most %.2f levels apart, contrast at most %.1f %% apart; %d of %zu scenes "
           "fail\n", lowest, widestMean, widestContrast * 100, below, tiles.size());
    return below ? 1 : 0;
}
