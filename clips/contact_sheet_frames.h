// The frames of a contact sheet, rendered the same way on every system; each system's
// writer lays them out and writes the picture.
#pragma once
#include <functional>

#include "clips/contact_sheet.h"

struct ContactSheetLayout {
    int cellW = 0, cellH = 0;  // one frame's tile: the window's picture, at most 480 wide
};
ContactSheetLayout contactSheetLayout(const Part_Clips& clips);

// Renders scene i (0..24) at its position x and hands over the finished frame: the
// picture's w x h BGRA pixels (the window's size; app/window_picture.h), bottom row
// first, as GL reads them back.
using ContactSheetFrame = std::function<void(int i, float x, const unsigned char* pixels, int w, int h)>;
void renderContactSheetFrames(Part_Clips& clips, const ContactSheetFrame& frame);
