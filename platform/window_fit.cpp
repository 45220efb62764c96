#include "platform/window_fit.h"

#include <algorithm>
#include <cstdint>

namespace platform {

WindowPlace fit_window(const WindowPlace& asked, const FrameMargins& frame, const DesktopRect& workArea) {
    WindowPlace place = asked;
    const int64_t roomW = std::max(1, workArea.right - workArea.left - frame.left - frame.right);
    const int64_t roomH = std::max(1, workArea.bottom - workArea.top - frame.top - frame.bottom);
    const int64_t w = std::max(1, asked.width), h = std::max(1, asked.height);
    if (w > roomW || h > roomH) {
        // The side that runs out of room first sets the scale; the other follows it.
        if (roomW * h <= roomH * w) {
            place.width = static_cast<int>(roomW);
            place.height = static_cast<int>(std::max<int64_t>(1, roomW * h / w));
        } else {
            place.height = static_cast<int>(roomH);
            place.width = static_cast<int>(std::max<int64_t>(1, roomH * w / h));
        }
    }
    // The frame's left and top edges, pushed back inside: the far edges first, then the
    // near ones, so that the near ones win when nothing else can.
    const int outerW = place.width + frame.left + frame.right, outerH = place.height + frame.top + frame.bottom;
    int left = std::min(asked.x - frame.left, workArea.right - outerW);
    int top = std::min(asked.y - frame.top, workArea.bottom - outerH);
    left = std::max(left, workArea.left);
    top = std::max(top, workArea.top);
    place.x = left + frame.left;
    place.y = top + frame.top;
    return place;
}

}  // namespace platform
