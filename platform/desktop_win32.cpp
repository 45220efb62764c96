#include "platform/desktop.h"

#include <windows.h>

#include "platform/utf16_win32.h"

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

namespace {

BOOL CALLBACK addMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM list) {
    MONITORINFOEXW info{};
    info.cbSize = sizeof info;
    if (!GetMonitorInfoW(monitor, &info)) return TRUE;
    Display display{{info.rcMonitor.left, info.rcMonitor.top, info.rcMonitor.right, info.rcMonitor.bottom},
                    narrow(info.szDevice)};
    auto& displays = *reinterpret_cast<std::vector<Display>*>(list);
    // The primary display first, as display 0.
    if (info.dwFlags & MONITORINFOF_PRIMARY) displays.insert(displays.begin(), display);
    else displays.push_back(display);
    return TRUE;
}

}  // namespace

std::vector<Display> displays() {
    std::vector<Display> list;
    EnumDisplayMonitors(nullptr, nullptr, addMonitor, reinterpret_cast<LPARAM>(&list));
    return list;
}

}  // namespace platform
