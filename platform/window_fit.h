// Fitting a window into the part of a display that other windows may use (the display less
// its task bar or panels), borders and title bar included: the arithmetic both window
// halves share.
#pragma once
#include "platform/desktop.h"

namespace platform {

struct WindowPlace {
    int x = 0, y = 0;           // the client area's top left corner, in desktop pixels
    int width = 0, height = 0;  // the client area's size
};

// How far the window's frame reaches past its client area on each side (all >= 0).
struct FrameMargins {
    int left = 0, top = 0, right = 0, bottom = 0;
};

// The client area `asked` moved where its frame would stick out of workArea, and, where the
// frame cannot fit at all, made as large as fits with the same shape (the width to height
// ratio, to within a pixel). A frame larger than the work area goes to its top left
// corner, so that the title bar stays reachable.
WindowPlace fit_window(const WindowPlace& asked, const FrameMargins& frame, const DesktopRect& workArea);

}  // namespace platform
