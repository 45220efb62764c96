// The desktop rectangle, used to centre the launcher. Needs SDL's video subsystem.
#pragma once

namespace platform {

struct DesktopRect {
    int left = 0, top = 0, right = 1920, bottom = 1080;
};

// Bounds of display 0; 1920 x 1080 when SDL cannot tell.
DesktopRect desktop_rect();

}  // namespace platform
