// Whether two contact sheets of the show look the same, scene by scene: on structure (SSIM)
// and on colour (each channel's mean and contrast). SSIM alone misses a frame that keeps
// its shapes but loses its grade, so all three are judged.
#pragma once
#include <string>
#include <vector>

// One scene's frame of sheet B against the same frame of sheet A.
struct SceneLook {
    double ssim = 1.0;               // mean SSIM over the three channels, 1 = the same picture
    double meanShift[3] = {};        // B's channel mean minus A's, in 8-bit levels (R, G, B)
    double contrastChange[3] = {};   // B's channel contrast over A's, minus 1 (0.1 = 10 % more)
};

// What a kept look allows; the defaults are the show's own rule for a change that must not
// alter what a scene shows.
struct LookTolerance {
    double minSsim = 0.97;
    double maxMeanShift = 4.0;        // levels, any channel
    double maxContrastChange = 0.10;  // relative, any channel
};

// One scene's frame of a sheet: each channel's mean and contrast (standard deviation), in
// 8-bit levels, R, G, B.
struct SceneColour {
    double mean[3] = {};
    double contrast[3] = {};
};

// Contrast below this many levels counts as this many when a change is judged: a nearly
// flat frame (a fade, a white clear with its dither) would otherwise fail on the change of
// a fraction of a level.
constexpr double kFlatContrast = 8.0;

// Reads two sheets of the same size and compares them tile by tile, labels left out, in
// scene order. False with a one-line message when a file cannot be read as a picture or
// the two are not contact sheets of one size.
bool compareContactSheets(const std::string& pathA, const std::string& pathB, std::vector<SceneLook>& looks,
                          std::string& error);

// Each scene's colour figures of one sheet, in scene order; false with a message as above.
bool describeContactSheet(const std::string& path, std::vector<SceneColour>& colours, std::string& error);

// Empty when the scene keeps the look; otherwise what it breaks ("SSIM 0.95", "mean R +5.1",
// "contrast B -12 %"), joined with ", ".
std::string lookProblem(const SceneLook& look, const LookTolerance& tolerance);
