// velmora-sheet-compare A.png B.png [--min 0.97]: tells whether two contact sheets of the
// show (velmora --contact-sheet) look the same, scene by scene, by the structural
// similarity of each frame. Exit status 0 when every scene reaches the minimum, 1 when one
// does not, 2 when the sheets cannot be compared.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "clips/contact_sheet.h"
#include "clips/frame_rules.h"

int main(int argc, char** argv) {
    double minimum = 0.97;
    std::vector<std::string> files;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--min") && i + 1 < argc)
            minimum = std::atof(argv[++i]);
        else
            files.push_back(argv[i]);
    }
    if (files.size() != 2) {
        fprintf(stderr, "usage: velmora-sheet-compare A.png B.png [--min 0.97]\n");
        return 2;
    }
    std::vector<double> similarity;
    std::string error;
    if (!compareContactSheets(files[0], files[1], similarity, error)) {
        fprintf(stderr, "velmora-sheet-compare: %s\n", error.c_str());
        return 2;
    }
    int below = 0;
    double lowest = 1.0;
    for (size_t i = 0; i < similarity.size(); ++i) {
        const bool low = similarity[i] < minimum;
        below += low;
        lowest = std::min(lowest, similarity[i]);
        printf("scene%-4d SSIM %.4f%s\n", kSceneStarts[i], similarity[i], low ? "  below the minimum" : "");
    }
    printf("lowest %.4f; %d of %zu scenes below %.2f\n", lowest, below, similarity.size(), minimum);
    return below ? 1 : 0;
}
