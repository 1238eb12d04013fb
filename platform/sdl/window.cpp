#include "platform/window.h"

#include <SDL.h>

#include <new>
#include <string>

#include "platform/bitmap.h"
#include "platform/resources.h"
#include "platform/sdl/display_access.h"
#include "platform/sdl/sdl_window.h"

namespace {

// Room for a title bar and borders: the desktop tells their size only once
// it has framed the window, and the window's size is chosen before that.
constexpr int32_t FRAME_ALLOWANCE_WIDTH = 16;
constexpr int32_t FRAME_ALLOWANCE_HEIGHT = 48;

// A window can be made small, down to a quarter of the picture's size.
constexpr int32_t SMALLEST_WINDOW_DIVISOR = 4;

bool fail(const std::string& line) {
    SDL_SetError("%s", line.c_str());
    return false;
}

// The desktop window's first place: centred on `display`, as large as
// windowScale() allows there.
SDL_Rect firstWindowRect(const PlatformWindow* window, int display) {
    if (display < 0) display = 0;
    SDL_Rect area;
    if (SDL_GetDisplayUsableBounds(display, &area) != 0) {
        // Nothing known of the desktop: the picture's own size, wherever SDL puts it.
        area = SDL_Rect{0, 0, window->pictureWidth + FRAME_ALLOWANCE_WIDTH,
                        window->pictureHeight + FRAME_ALLOWANCE_HEIGHT};
    }
    const int32_t scale = windowScale(window->pictureWidth, window->pictureHeight,
                                      area.w - FRAME_ALLOWANCE_WIDTH, area.h - FRAME_ALLOWANCE_HEIGHT);
    const int centred = static_cast<int>(SDL_WINDOWPOS_CENTERED_DISPLAY(display));
    return SDL_Rect{centred, centred, window->pictureWidth * scale, window->pictureHeight * scale};
}

// The frame's size above and left of the window's inside, as SDL knows it
// now (nothing without a window manager, or while the window has no frame).
SDL_Point frameOffset(SDL_Window* sdl) {
    int top = 0, left = 0;
    if (SDL_GetWindowBordersSize(sdl, &top, &left, nullptr, nullptr) != 0) top = left = 0;
    return SDL_Point{left, top};
}

// Moves the window so that its frame's top left is at `frame`. SDL places
// the inside and takes off the frame it knows, which just after a switch
// is none yet: given the inside alone, the window crept down by its title
// bar at every return from full screen.
void placeFrame(SDL_Window* sdl, SDL_Point frame) {
    const SDL_Point known = frameOffset(sdl);
    SDL_SetWindowPosition(sdl, frame.x + known.x, frame.y + known.y);
}

bool enterFullScreen(PlatformWindow* window) {
    SDL_Window* sdl = window->sdl;
    if (window->placement == WindowPlacement::Window) {
        SDL_GetWindowPosition(sdl, &window->windowed.x, &window->windowed.y);
        SDL_GetWindowSize(sdl, &window->windowed.w, &window->windowed.h);
        const SDL_Point frame = frameOffset(sdl);
        window->windowed.x -= frame.x;
        window->windowed.y -= frame.y;
    }
    SDL_SetWindowBordered(sdl, SDL_FALSE);
    // Cover the desktop by size as well: without a window manager (a bare X
    // server) nobody acts on the full-screen request, and the window would
    // keep its size while being drawn as if it were larger.
    SDL_Rect bounds;
    const int index = SDL_GetWindowDisplayIndex(sdl);
    if (index >= 0 && SDL_GetDisplayBounds(index, &bounds) == 0) {
        SDL_SetWindowPosition(sdl, bounds.x, bounds.y);
        SDL_SetWindowSize(sdl, bounds.w, bounds.h);
    }
    if (SDL_SetWindowFullscreen(sdl, SDL_WINDOW_FULLSCREEN_DESKTOP) != 0) {
        if (window->placement == WindowPlacement::Window) {
            // Refused: the desktop window stays as it was.
            SDL_SetWindowBordered(sdl, SDL_TRUE);
            SDL_SetWindowSize(sdl, window->windowed.w, window->windowed.h);
            placeFrame(sdl, SDL_Point{window->windowed.x, window->windowed.y});
        }
        return false;
    }
    window->placement = WindowPlacement::FullScreen;
    SDL_SetWindowTitle(sdl, WINDOW_TITLE);
    return true;
}

// Framed, titled with the card's name and resizable, but never so small that
// the picture vanishes.
void frameAsDesktopWindow(const PlatformWindow* window) {
    SDL_SetWindowTitle(window->sdl, DESKTOP_WINDOW_TITLE);
    SDL_SetWindowBordered(window->sdl, SDL_TRUE);
    SDL_SetWindowResizable(window->sdl, SDL_TRUE);
    SDL_SetWindowMinimumSize(window->sdl, window->pictureWidth / SMALLEST_WINDOW_DIVISOR,
                             window->pictureHeight / SMALLEST_WINDOW_DIVISOR);
}

bool enterWindow(PlatformWindow* window) {
    SDL_Window* sdl = window->sdl;
    if (SDL_SetWindowFullscreen(sdl, 0) != 0) return false;
    frameAsDesktopWindow(window);
    if (window->windowed.w > 0) {
        SDL_SetWindowSize(sdl, window->windowed.w, window->windowed.h);
        placeFrame(sdl, SDL_Point{window->windowed.x, window->windowed.y});
    } else {
        const SDL_Rect first = firstWindowRect(window, SDL_GetWindowDisplayIndex(sdl));
        SDL_SetWindowSize(sdl, first.w, first.h);
        SDL_SetWindowPosition(sdl, first.x, first.y);
    }
    window->placement = WindowPlacement::Window;
    return true;
}

}  // namespace

bool startPlatform() {
    const DisplayEnvironment env = displayEnvironment();
    // Outside a graphical session there is nothing to look for (and probing
    // would only have the display libraries print their own complaints).
    if (!sessionNamed(env)) return fail(noDisplayMessage(env, nullptr));
    // SDL turns Ctrl-C and SIGTERM into its quit event; the message pump
    // hands that on as a close request, so they end the card like Esc.
    if (SDL_InitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS | SDL_INIT_TIMER) != 0)
        return fail(noDisplayMessage(env, SDL_GetError()));
    // safety: when the session cannot be reached SDL falls back to a driver
    // that shows nothing, and the card ran unseen until killed; such a
    // driver is taken only when asked for by name.
    if (!driverAcceptable(SDL_GetCurrentVideoDriver(), env)) return fail(noDisplayMessage(env, nullptr));
    return true;
}

void stopPlatform() {
    SDL_QuitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS | SDL_INIT_TIMER);
}

PlatformWindow* createMainWindow(int32_t width, int32_t height, WindowPlacement placement) {
    auto* window = new (std::nothrow) PlatformWindow{nullptr, width, height};
    if (window == nullptr) {
        SDL_SetError("out of memory");
        return nullptr;
    }
    if (placement == WindowPlacement::FullScreen) {
        window->sdl =
            SDL_CreateWindow(WINDOW_TITLE, 0, 0, width, height, SDL_WINDOW_BORDERLESS | SDL_WINDOW_SHOWN);
    } else if (width > 0 && height > 0) {
        const SDL_Rect place = firstWindowRect(window, 0);
        window->sdl = SDL_CreateWindow(DESKTOP_WINDOW_TITLE, place.x, place.y, place.w, place.h,
                                       SDL_WINDOW_RESIZABLE | SDL_WINDOW_SHOWN);
        window->placement = WindowPlacement::Window;
    } else {
        SDL_SetError("the window has no size");
    }
    if (window->sdl == nullptr) {
        delete window;
        return nullptr;
    }
    setWindowIconFromResource(window, 101);
    if (placement == WindowPlacement::FullScreen) {
        if (!enterFullScreen(window)) {
            destroyMainWindow(window);
            return nullptr;
        }
    } else {
        frameAsDesktopWindow(window);
    }
    // Take the keyboard at once, so Esc reaches the card without a click.
    SDL_RaiseWindow(window->sdl);
    return window;
}

void destroyMainWindow(PlatformWindow* window) {
    if (window == nullptr) return;
    SDL_DestroyWindow(window->sdl);
    delete window;
}

bool setWindowPlacement(PlatformWindow* window, WindowPlacement placement) {
    if (window == nullptr || window->sdl == nullptr) return false;
    if (placement == window->placement) return true;
    return placement == WindowPlacement::FullScreen ? enterFullScreen(window) : enterWindow(window);
}

WindowPlacement windowPlacement(const PlatformWindow* window) {
    return window != nullptr ? window->placement : WindowPlacement::FullScreen;
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
