// Enlarging the finished picture, drawn below the window's size, to the window while
// keeping its edges: each quad of texels is interpolated along the edge that runs through
// it, and a little of the contrast a linear blend takes off is given back.
#pragma once
#include "platform/gl.h"

// Draws picture (width x height texels) over the whole viewport of the bound framebuffer
// with a program of its own. Where the viewport is not larger than the picture on both
// sides, or the program cannot be built, the plain linear copy (picture_copy.h) draws
// instead. Leaves no program in use.
void drawPictureSharpened(GLuint picture, int width, int height);

// Whether the program built (it is built on the first call of either function).
bool pictureSharpeningAvailable();
