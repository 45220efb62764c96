#include "platform/desktop.h"

#include <windows.h>

namespace platform {

DesktopRect desktop_rect() {
    DesktopRect rect;
    RECT desk;
    if (GetWindowRect(GetDesktopWindow(), &desk)) {
        rect.left = desk.left;
        rect.top = desk.top;
        rect.right = desk.right;
        rect.bottom = desk.bottom;
    }
    return rect;
}

}  // namespace platform
