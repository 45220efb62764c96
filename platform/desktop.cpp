#include "platform/desktop.h"

#include <SDL.h>

namespace platform {

DesktopRect desktop_rect() {
    DesktopRect rect;
    if (SDL_WasInit(SDL_INIT_VIDEO) == 0 && SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return rect;
    SDL_Rect bounds;
    if (SDL_GetDisplayBounds(0, &bounds) == 0) {
        rect.left = bounds.x;
        rect.top = bounds.y;
        rect.right = bounds.x + bounds.w;
        rect.bottom = bounds.y + bounds.h;
    }
    return rect;
}

std::vector<Display> displays() {
    std::vector<Display> list;
    if (SDL_WasInit(SDL_INIT_VIDEO) == 0 && SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return list;
    for (int i = 0; i < SDL_GetNumVideoDisplays(); ++i) {
        SDL_Rect bounds;
        if (SDL_GetDisplayBounds(i, &bounds) != 0) continue;
        const char* name = SDL_GetDisplayName(i);
        list.push_back({{bounds.x, bounds.y, bounds.x + bounds.w, bounds.y + bounds.h}, name ? name : ""});
    }
    return list;
}

}  // namespace platform
