#include "platform/screen_presenter.h"

#include <cstddef>
#include <cstring>
#include <new>

#include "platform/null/memory_window.h"
#include "platform/null/null_error.h"

struct ScreenPresenter {
    PlatformWindow* window;
};

ScreenPresenter* openPresenter(PlatformWindow* window, int32_t width, int32_t height, int32_t bitsPerPixel,
                               PresentFit) {
    if (window == nullptr || width <= 0 || height <= 0) {
        setNullPlatformError("no window to present into");
        return nullptr;
    }
    if (bitsPerPixel != 8 && bitsPerPixel != 16 && bitsPerPixel != 32) {
        setNullPlatformError("the frame's depth cannot be shown");
        return nullptr;
    }
    if (window->refuseOpens > 0) {
        --window->refuseOpens;
        setNullPlatformError("the screen mode was refused");
        return nullptr;
    }
    auto* p = new (std::nothrow) ScreenPresenter{window};
    if (p == nullptr) {
        setNullPlatformError("out of memory");
        return nullptr;
    }
    // All the memory a frame needs is taken here, so presenting allocates nothing.
    PresentedFrame& f = window->frame;
    f.width = width;
    f.height = height;
    f.bitsPerPixel = bitsPerPixel;
    f.pitch = width * (bitsPerPixel / 8);
    f.pixels.assign(static_cast<size_t>(f.pitch) * height, 0);
    f.count = 0;
    return p;
}

void closePresenter(ScreenPresenter* presenter) {
    delete presenter;
}

bool presentFrame(ScreenPresenter* p, const uint8_t* pixels, int32_t pitch, const uint32_t* palette) {
    if (p == nullptr || pixels == nullptr) return false;
    if (p->window->refusePresents > 0) {
        --p->window->refusePresents;
        return false;
    }
    PresentedFrame& f = p->window->frame;
    for (int32_t y = 0; y < f.height; ++y)
        std::memcpy(f.pixels.data() + static_cast<size_t>(f.pitch) * y,
                    pixels + static_cast<ptrdiff_t>(pitch) * y, static_cast<size_t>(f.pitch));
    if (f.bitsPerPixel == 8 && palette != nullptr) std::memcpy(f.palette.data(), palette, sizeof f.palette);
    ++f.count;
    return true;
}
