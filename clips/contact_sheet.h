// A contact sheet of the show: one finished frame of each of the 25 scenes, labelled, in
// one PNG, so a person sees the whole show at a glance (sheet_compare.h tells whether two
// sheets look the same).
#pragma once
#include <string>

class Part_Clips;

// The sheet's layout: 5 x 5 frames of equal size, each with a label strip under it.
constexpr int kSheetColumns = 5, kSheetRows = 5;
constexpr int kSheetLabelHeight = 24;

// Renders every scene at a representative edit position into the window and writes the
// sheet. Needs a loaded part with its owner set. Returns false with a message on failure.
bool writeContactSheet(Part_Clips& clips, const std::string& path, std::string& error);

// The edit position shown for scene index i (0..24).
float contactSheetPosition(int index);
