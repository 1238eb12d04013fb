#pragma once
// The SDL backend's window. Only code that links this backend and must
// reach SDL itself (the backend's own files, tests) includes this.
#include <SDL.h>

#include "platform/window.h"

struct PlatformWindow {
    SDL_Window* sdl;
    // The picture the window was made for: a desktop window shows it at a
    // whole multiple of this size.
    int32_t pictureWidth = 0;
    int32_t pictureHeight = 0;
    WindowPlacement placement = WindowPlacement::FullScreen;
    // Where the window was last on the desktop, to come back there from full
    // screen: the top left of its frame (window managers place a window by
    // its frame) and the size of its inside; w == 0: it has not been a
    // desktop window yet.
    SDL_Rect windowed{};
};
