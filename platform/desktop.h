// The desktop rectangle, used to centre the launcher, and the displays a show may play
// on. Needs SDL's video subsystem on Linux.
#pragma once
#include <string>
#include <vector>

namespace platform {

struct DesktopRect {
    int left = 0, top = 0, right = 1920, bottom = 1080;
};

// Bounds of display 0; 1920 x 1080 when SDL cannot tell.
DesktopRect desktop_rect();

struct Display {
    DesktopRect bounds;  // where it sits on the desktop, in pixels
    std::string name;    // as the system names it
};
// The displays, in the system's order (the primary one first on Windows).
std::vector<Display> displays();

}  // namespace platform
