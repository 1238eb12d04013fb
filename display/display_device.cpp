#include "display/display_device.h"

#include <SDL.h>

#include <cstdio>
#include <cstring>
#include <new>

#include "display/clip_list.h"
#include "display/display_context.h"
#include "display/pixel_buffer.h"
#include "platform/screen_presenter.h"

namespace {

char lastError[256] = "";

int fail(const char* what, const char* cause) {
    std::snprintf(lastError, sizeof lastError, "%s%s%s", what, cause && cause[0] ? ": " : "",
                  cause ? cause : "");
    return 0;
}

// The depth the desktop shows a window at: the windowed back buffer takes it.
int32_t desktopDepth(SDL_Window* window) {
    if (window == nullptr) return 16;
    Uint32 format = SDL_GetWindowPixelFormat(window);
    return format != SDL_PIXELFORMAT_UNKNOWN && SDL_BYTESPERPIXEL(format) <= 2 ? 16 : 32;
}

}  // namespace

int32_t failDisplayCreates = 0;

const char* displayError() {
    return lastError;
}

DisplayDevice::DisplayDevice() = default;

// The scene releases the display at shutdown; this only catches a device
// left open (tools, tests) so nothing it holds outlives it.
DisplayDevice::~DisplayDevice() {
    release();
}

int DisplayDevice::create(SDL_Window* newWindow, int32_t newWidth, int32_t newHeight, int32_t bits,
                          int32_t newWindowed) {
    // safety: a second create would otherwise drop what the first one holds.
    release();
    lastError[0] = '\0';
    window = newWindow;
    width = newWidth;
    height = newHeight;
    windowed = newWindowed;
    bitsPerPixel = windowed == 1 ? -1 : bits;
    if (width <= 0 || height <= 0) return fail("cannot open the display", "empty screen size");
    if (windowed != 1 && bits != 8 && bits != 16 && bits != 32) {
        char cause[64];
        std::snprintf(cause, sizeof cause, "no %dx%d mode at %d bits per pixel", static_cast<int>(width),
                      static_cast<int>(height), static_cast<int>(bits));
        return fail("cannot open the display", cause);
    }
    if (failDisplayCreates > 0) {
        --failDisplayCreates;
        return fail("cannot open the display", "the screen mode was refused");
    }
    directDraw = new (std::nothrow) DisplayContext{window, nullptr, 0, 0, 0, 0};
    if (directDraw == nullptr) return fail("cannot open the display", "out of memory");

    if (windowed != 1) {
        if (window != nullptr) {
            directDraw->presenter = openPresenter(window, width, height, bits, true);
            if (directDraw->presenter == nullptr) {
                fail("cannot open the full-screen display", SDL_GetError());
                release();
                return 0;
            }
        }
        directDraw->bitsPerPixel = bits;
        primary = createPixelBuffer(width, height, bits);
        surface = createPixelBuffer(width, height, bits);
        if (bits == 8) {
            buildRampPalette(paletteEntries);
            palette = new (std::nothrow) Palette;
            if (palette) std::memcpy(palette->entries, paletteEntries, sizeof paletteEntries);
        }
        if (primary == nullptr || surface == nullptr || (bits == 8 && palette == nullptr)) {
            fail("cannot open the display", "out of memory for the screen buffers");
            release();
            return 0;
        }
        clear();
        return 1;
    }

    bitsPerPixel = desktopDepth(window);
    directDraw->bitsPerPixel = bitsPerPixel;
    if (window != nullptr) {
        directDraw->presenter = openPresenter(window, width, height, bitsPerPixel, false);
        if (directDraw->presenter == nullptr) {
            fail("cannot open the display in a window", SDL_GetError());
            release();
            return 0;
        }
    }
    primary = createPixelBuffer(width, height, bitsPerPixel);
    surface = createPixelBuffer(width, height, bitsPerPixel);
    if (primary == nullptr || surface == nullptr) {
        fail("cannot open the display", "out of memory for the screen buffers");
        release();
        return 0;
    }
    clear();
    return 1;
}

int DisplayDevice::setClipList(int32_t count, const ClipRect* rects) {
    if (directDraw == nullptr) return 0;
    ClipList* list = createClipList(count, rects);
    if (list == nullptr) return 0;
    freeClipList(clipper);
    clipper = list;
    return 1;
}

int DisplayDevice::present() {
    if (directDraw == nullptr || surface == nullptr || primary == nullptr) return 0;
    if (windowed == 1) {
        // The primary is the desktop's copy of the frame; the window shows it stretched.
        std::memcpy(primary->pixels, surface->pixels, static_cast<size_t>(surface->pitch) * surface->height);
    } else {
        if (lockPointer != nullptr) return 0;
        // The flip: the back buffer becomes the screen and the screen the back buffer.
        uint8_t* shown = surface->pixels;
        surface->pixels = primary->pixels;
        primary->pixels = shown;
    }

    uint32_t colours[256];
    if (palette != nullptr)
        for (int i = 0; i < 256; ++i)
            colours[i] = uint32_t{palette->entries[i].red} << 16 | uint32_t{palette->entries[i].green} << 8 |
                         palette->entries[i].blue;
    // fix: a refused present is retried a bounded number of times, then the
    // frame is dropped and reported, instead of retrying for ever.
    for (int32_t attempt = 0; attempt < PRESENT_ATTEMPTS; ++attempt) {
        bool shownOk;
        if (directDraw->failPresentAttempts > 0) {
            --directDraw->failPresentAttempts;
            shownOk = false;
        } else {
            shownOk = directDraw->presenter == nullptr ||
                      presentFrame(directDraw->presenter, primary->pixels, primary->pitch, colours) == 1;
        }
        if (shownOk) {
            ++directDraw->framesShown;
            return 1;
        }
    }
    ++directDraw->framesDropped;
    // Windowed presents report success whatever the platform said.
    return windowed == 1 ? 1 : 0;
}

int DisplayDevice::release() {
    // The clip list and palette go before the service they belong to, so
    // nothing is freed twice when the destructor runs later.
    freeClipList(clipper);
    clipper = nullptr;
    delete palette;
    palette = nullptr;
    freePixelBuffer(primary);
    primary = nullptr;
    freePixelBuffer(surface);
    surface = nullptr;
    if (directDraw != nullptr) {
        closePresenter(directDraw->presenter);
        delete directDraw;
        directDraw = nullptr;
    }
    lockPointer = nullptr;
    lockPitch = 0;
    return 1;
}
