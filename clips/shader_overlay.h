// The errors of shader programs that failed to build, drawn over the finished picture in
// the stroke font until their files are saved fixed.
#pragma once
#include <string>
#include <vector>

// Draws every non-empty text of `errors` (lines split at line feeds) into the bound
// window framebuffer of width x height pixels: small red lines on a dark band, top left,
// cut to the width. Draws nothing when all texts are empty.
void drawShaderErrors(const std::vector<std::string>& errors, int width, int height);
