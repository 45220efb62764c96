// Drawing a picture across the current viewport, filtered linearly: how the show enlarges
// its finished picture, drawn at the render scale, to the window.
#pragma once
#include "platform/gl.h"

// Draws texture over the whole viewport of the bound framebuffer with a program of its own
// (one filtered read per pixel: on llvmpipe a third cheaper than the fixed-function
// textured quad); sets the texture's filters to linear. Leaves no program in use. Falls
// back to the fixed-function quad where the program cannot be built.
void drawPictureEnlarged(GLuint texture);
