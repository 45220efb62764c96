// A contact sheet of the show: one finished frame of each of the 25 scenes, labelled, in
// one PNG, so a person sees the whole show at a glance; and its comparison with another,
// which tells whether a change kept the look.
#pragma once
#include <string>
#include <vector>

class Part_Clips;

// Renders every scene at a representative edit position into the window and writes the
// sheet. Needs a loaded part with its owner set. Returns false with a message on failure.
bool writeContactSheet(Part_Clips& clips, const std::string& path, std::string& error);

// The edit position shown for scene index i (0..24).
float contactSheetPosition(int index);

// How alike two sheets of the same size are, tile by tile: the structural similarity
// (SSIM, 1 = the same picture) of each scene's frame, labels left out, in scene order.
// False with a message when a file cannot be read or the two do not have the same size.
bool compareContactSheets(const std::string& pathA, const std::string& pathB, std::vector<double>& similarity,
                          std::string& error);

// One scene's tile in two sheets: how alike, and the brightness and contrast of each.
struct TileComparison {
    double ssim = 0;
    double meanA[3] = {}, meanB[3] = {};  // each channel's mean level, blue green red
    double contrastA = 0, contrastB = 0;  // standard deviation of the grey levels
};
// compareContactSheets with each tile's means and contrast (Linux: reads with OpenCV).
bool compareContactSheetTiles(const std::string& pathA, const std::string& pathB, std::vector<TileComparison>& tiles,
                              std::string& error);
