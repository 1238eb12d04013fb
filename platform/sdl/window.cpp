#include "platform/window.h"

#include <SDL.h>

#include <new>

#include "platform/bitmap.h"
#include "platform/resources.h"
#include "platform/sdl/sdl_window.h"

bool startPlatform() {
    // SDL turns Ctrl-C and SIGTERM into its quit event; the message pump
    // hands that on as a close request, so they end the card like Esc.
    return SDL_InitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS | SDL_INIT_TIMER) == 0;
}

void stopPlatform() {
    SDL_QuitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS | SDL_INIT_TIMER);
}

PlatformWindow* createMainWindow(int32_t width, int32_t height) {
    SDL_Window* sdl =
        SDL_CreateWindow(WINDOW_TITLE, 0, 0, width, height, SDL_WINDOW_BORDERLESS | SDL_WINDOW_SHOWN);
    if (sdl == nullptr) return nullptr;
    auto* window = new (std::nothrow) PlatformWindow{sdl};
    if (window == nullptr) {
        SDL_DestroyWindow(sdl);
        SDL_SetError("out of memory");
        return nullptr;
    }
    setWindowIconFromResource(window, 101);
    // Take the keyboard at once, so Esc reaches the card without a click.
    SDL_RaiseWindow(sdl);
    return window;
}

void destroyMainWindow(PlatformWindow* window) {
    if (window == nullptr) return;
    SDL_DestroyWindow(window->sdl);
    delete window;
}

bool setWindowIconFromResource(PlatformWindow* window, int id) {
    if (window == nullptr) return false;
    Resource icon = findResource(id, "ICON");
    Bitmap* picture = decodeBitmap(icon.bytes, icon.size);
    if (picture == nullptr) return false;
    // The decoded rows are 0x00RRGGBB words, which SDL calls RGB888.
    SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormatFrom(
        picture->pixels, picture->width, picture->height, 32, picture->width * 4, SDL_PIXELFORMAT_RGB888);
    if (surface != nullptr) {
        SDL_SetWindowIcon(window->sdl, surface);
        SDL_FreeSurface(surface);
    }
    freeBitmap(picture);
    return surface != nullptr;
}

int32_t desktopDepth(PlatformWindow* window) {
    if (window == nullptr) return 16;
    Uint32 format = SDL_GetWindowPixelFormat(window->sdl);
    return format != SDL_PIXELFORMAT_UNKNOWN && SDL_BYTESPERPIXEL(format) <= 2 ? 16 : 32;
}

const char* platformError() {
    return SDL_GetError();
}
