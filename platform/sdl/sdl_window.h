#pragma once
// The SDL backend's window. Only code that links this backend and must
// reach SDL itself (the backend's own files, tests) includes this.
#include <SDL.h>

struct PlatformWindow {
    SDL_Window* sdl;
};
