// The frames of a contact sheet, rendered the same way on every system; each system's
// writer lays them out and writes the picture.
#pragma once
#include <functional>

class Part_Clips;

constexpr int kColumns = 5, kRows = 5;
constexpr int kLabelHeight = 24;  // under each frame

struct ContactSheetLayout {
    int cellW = 0, cellH = 0;  // one frame's tile
};
ContactSheetLayout contactSheetLayout(const Part_Clips& clips);

// Renders scene i (0..24) at its position x and hands over the finished frame: w x h
// BGRA pixels, bottom row first, as GL reads them back.
using ContactSheetFrame = std::function<void(int i, float x, const unsigned char* pixels, int w, int h)>;
void renderContactSheetFrames(Part_Clips& clips, const ContactSheetFrame& frame);
