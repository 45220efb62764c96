// Lines of text on a dark band across the top of the window, over the finished picture:
// shader errors, the learn walk's prompt.
#pragma once
#include <string>
#include <vector>

// Draws the lines in the colour (r, g, b) into the bound window framebuffer of width x
// height pixels, each cut to the width. Draws nothing for no lines.
void drawOverlayLines(const std::vector<std::string>& lines, int width, int height, float r, float g, float b);
