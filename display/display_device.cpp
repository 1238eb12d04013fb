#include "display/display_device.h"

#include <cstdio>
#include <cstring>
#include <new>

#include "display/clip_list.h"
#include "display/display_context.h"
#include "display/pixel_buffer.h"
#include "platform/screen_presenter.h"
#include "platform/window.h"

namespace {

char lastError[256] = "";

bool fail(const char* what, const char* cause) {
    std::snprintf(lastError, sizeof lastError, "%s%s%s", what, cause && cause[0] ? ": " : "",
                  cause ? cause : "");
    return false;
}

bool fullScreenDepth(int32_t bits) {
    return bits == 8 || bits == 16 || bits == 32;
}

}  // namespace

const char* displayError() {
    return lastError;
}

DisplayDevice::DisplayDevice() = default;

// The scene releases the display at shutdown; this only catches a device
// left open (tools, tests) so nothing it holds outlives it.
DisplayDevice::~DisplayDevice() {
    release();
}

bool DisplayDevice::create(PlatformWindow* window, int32_t newWidth, int32_t newHeight, int32_t bits,
                           DisplayMode newMode) {
    // safety: a second create would otherwise drop what the first one holds.
    release();
    lastError[0] = '\0';
    width = newWidth;
    height = newHeight;
    mode_ = newMode;
    const bool windowed = mode_ == DisplayMode::Windowed;
    // A window shows the back buffer at the desktop's depth; off screen the
    // card keeps its own.
    bitsPerPixel = !windowed ? bits : window != nullptr ? desktopDepth(window) : 16;

    if (width <= 0 || height <= 0) return fail("cannot open the display", "empty screen size");
    if (!fullScreenDepth(bitsPerPixel)) {
        char cause[64];
        std::snprintf(cause, sizeof cause, "no %dx%d mode at %d bits per pixel", static_cast<int>(width),
                      static_cast<int>(height), static_cast<int>(bitsPerPixel));
        return fail("cannot open the display", cause);
    }
    directDraw = new (std::nothrow) DisplayContext{nullptr, bitsPerPixel, 0, 0};
    if (directDraw == nullptr) return fail("cannot open the display", "out of memory");

    if (window != nullptr) {
        // The card's own screen keeps its shape in whatever the window is;
        // the desktop's copy fills the window it was made for.
        directDraw->presenter = openPresenter(window, width, height, bitsPerPixel,
                                              windowed ? PresentFit::Stretch : PresentFit::KeepShape);
        if (directDraw->presenter == nullptr) {
            fail(windowed ? "cannot open the display in a window" : "cannot open the display",
                 platformError());
            release();
            return false;
        }
    }
    primary = createPixelBuffer(width, height, bitsPerPixel);
    surface = createPixelBuffer(width, height, bitsPerPixel);
    if (bitsPerPixel == 8) {
        buildRampPalette(paletteEntries);
        palette = new (std::nothrow) Palette;
        if (palette) std::memcpy(palette->entries, paletteEntries, sizeof paletteEntries);
    }
    if (primary == nullptr || surface == nullptr || (bitsPerPixel == 8 && palette == nullptr)) {
        fail("cannot open the display", "out of memory for the screen buffers");
        release();
        return false;
    }
    clear();
    return true;
}

bool DisplayDevice::setClipList(int32_t count, const ClipRect* rects) {
    if (directDraw == nullptr) return false;
    ClipList* list = createClipList(count, rects);
    if (list == nullptr) return false;
    freeClipList(clipper);
    clipper = list;
    return true;
}

bool DisplayDevice::present() {
    if (directDraw == nullptr || surface == nullptr || primary == nullptr) return false;
    if (mode_ == DisplayMode::Windowed) {
        // The primary is the desktop's copy of the frame; the window shows it stretched.
        std::memcpy(primary->pixels, surface->pixels, static_cast<size_t>(surface->pitch) * surface->height);
    } else {
        if (lockPointer != nullptr) return false;
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
        const bool shownOk = directDraw->presenter == nullptr ||
                             presentFrame(directDraw->presenter, primary->pixels, primary->pitch,
                                          palette != nullptr ? colours : nullptr);
        if (shownOk) {
            ++directDraw->framesShown;
            return true;
        }
    }
    ++directDraw->framesDropped;
    // fix: a windowed present that the platform refused was reported as
    // shown; now both modes report the dropped frame.
    return false;
}

bool DisplayDevice::release() {
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
    return true;
}
