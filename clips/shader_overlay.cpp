// The shader error overlay: each line once, in red on the text band.
#include "clips/shader_overlay.h"

#include <algorithm>
#include <sstream>

#include "models/text_band.h"

void drawShaderErrors(const std::vector<std::string>& errors, int width, int height) {
    std::vector<std::string> lines;
    for (const std::string& text : errors) {
        std::istringstream in(text);
        // An error in a shared #include breaks every program that uses it: say it once.
        for (std::string line; std::getline(in, line);)
            if (std::find(lines.begin(), lines.end(), line) == lines.end()) lines.push_back(line);
    }
    drawOverlayLines(lines, width, height, 1.0f, 0.3f, 0.25f);
}
