#include "platform/cursor.h"

#include <SDL.h>

void hideCursor() {
    SDL_ShowCursor(SDL_DISABLE);
}

void showCursor() {
    SDL_ShowCursor(SDL_ENABLE);
}

bool cursorShown() {
    return SDL_ShowCursor(SDL_QUERY) == SDL_ENABLE;
}
