#include "platform/window.h"

#include <SDL.h>

#include "platform/resources.h"

int startPlatform() {
    // SDL turns Ctrl-C and SIGTERM into its quit event; the message pump
    // hands that on as a close request, so they end the card like Esc.
    if (SDL_InitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS | SDL_INIT_TIMER) != 0) return 0;
    return 1;
}

void stopPlatform() {
    SDL_QuitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS | SDL_INIT_TIMER);
}

SDL_Window* createMainWindow(int32_t width, int32_t height) {
    SDL_Window* window =
        SDL_CreateWindow(WINDOW_TITLE, 0, 0, width, height, SDL_WINDOW_BORDERLESS | SDL_WINDOW_SHOWN);
    if (window == nullptr) return nullptr;
    setWindowIconFromResource(window, 101);
    // Take the keyboard at once, so Esc reaches the card without a click.
    SDL_RaiseWindow(window);
    return window;
}

void destroyMainWindow(SDL_Window* window) {
    if (window != nullptr) SDL_DestroyWindow(window);
}

int setWindowIconFromResource(SDL_Window* window, int id) {
    if (window == nullptr) return 0;
    Resource icon = findResource(id, "ICON");
    if (icon.bytes == nullptr) return 0;
    SDL_RWops* rw = SDL_RWFromConstMem(icon.bytes, static_cast<int>(icon.size));
    SDL_Surface* picture = rw ? SDL_LoadBMP_RW(rw, 1) : nullptr;
    if (picture == nullptr) return 0;
    SDL_SetWindowIcon(window, picture);
    SDL_FreeSurface(picture);
    return 1;
}

const char* platformError() {
    return SDL_GetError();
}
