#include "platform/screen_presenter.h"

#include <emscripten.h>

#include <cstddef>
#include <cstring>
#include <new>
#include <vector>

#include "platform/web/web_bridge.h"
#include "platform/web/web_screen.h"
#include "platform/web/web_window.h"

struct ScreenPresenter {
    int32_t width, height, bitsPerPixel;
    PresentFit fit;
    std::vector<uint32_t> rgba;  // the frame as the canvas takes it: bytes R, G, B, A
};

namespace {

constexpr uint32_t OPAQUE = 0xFF000000u;

bool holdingPictures = false;
// The presenter whose last frame waits to be drawn at the end of a hold.
ScreenPresenter* heldPresenter = nullptr;

// 0x00RRGGBB as the canvas's bytes R, G, B, 255 in a little-endian word.
uint32_t canvasPixel(uint32_t rgb) {
    return OPAQUE | (rgb & 0x0000FF00u) | (rgb >> 16 & 0xFFu) | (rgb & 0xFFu) << 16;
}

// RGB565 widened as the desktop widens it: the top bits repeat into the low ones.
uint32_t canvasPixelFrom565(uint16_t p) {
    const uint32_t r = (p >> 11) & 0x1F, g = (p >> 5) & 0x3F, b = p & 0x1F;
    return OPAQUE | (b << 3 | b >> 2) << 16 | (g << 2 | g >> 4) << 8 | (r << 3 | r >> 2);
}

void widenFrame(ScreenPresenter& p, const uint8_t* pixels, int32_t pitch, const uint32_t* palette) {
    uint32_t* out = p.rgba.data();
    for (int32_t y = 0; y < p.height; ++y, out += p.width) {
        const uint8_t* row = pixels + static_cast<ptrdiff_t>(pitch) * y;
        if (p.bitsPerPixel == 16) {
            for (int32_t x = 0; x < p.width; ++x) {
                uint16_t v;
                std::memcpy(&v, row + 2 * x, 2);
                out[x] = canvasPixelFrom565(v);
            }
        } else if (p.bitsPerPixel == 32) {
            for (int32_t x = 0; x < p.width; ++x) {
                uint32_t v;
                std::memcpy(&v, row + 4 * x, 4);
                out[x] = canvasPixel(v);
            }
        } else {
            for (int32_t x = 0; x < p.width; ++x) out[x] = palette ? canvasPixel(palette[row[x]]) : OPAQUE;
        }
    }
}

}  // namespace

ScreenPresenter* openPresenter(PlatformWindow* window, int32_t width, int32_t height, int32_t bitsPerPixel,
                               PresentFit fit) {
    if (window == nullptr || width <= 0 || height <= 0) {
        setWebPlatformError("no window to present into");
        return nullptr;
    }
    if (bitsPerPixel != 8 && bitsPerPixel != 16 && bitsPerPixel != 32) {
        setWebPlatformError("the frame's depth cannot be shown");
        return nullptr;
    }
    auto* p = new (std::nothrow) ScreenPresenter{width, height, bitsPerPixel, fit, {}};
    if (p == nullptr) {
        setWebPlatformError("out of memory");
        return nullptr;
    }
    // All the memory a frame needs is taken here, so presenting allocates nothing.
    p->rgba.assign(static_cast<size_t>(width) * static_cast<size_t>(height), OPAQUE);
    return p;
}

void closePresenter(ScreenPresenter* presenter) {
    if (heldPresenter == presenter) heldPresenter = nullptr;
    delete presenter;
}

namespace {

// The picture as large as the canvas allows, sharp, aspect kept, black
// around; or stretched over the whole canvas.
void showWidened(const ScreenPresenter& p) {
    const int32_t outputWidth = yuleCanvasWidth(), outputHeight = yuleCanvasHeight();
    PresentLayout l = presentLayout(p.width, p.height, outputWidth, outputHeight);
    if (p.fit == PresentFit::Stretch) l = PresentLayout{l.scale, 0, 0, outputWidth, outputHeight};
    yuleShowPicture(reinterpret_cast<const uint8_t*>(p.rgba.data()), p.width, p.height, l.scale, l.x, l.y,
                    l.w, l.h);
}

}  // namespace

bool presentFrame(ScreenPresenter* p, const uint8_t* pixels, int32_t pitch, const uint32_t* palette) {
    if (p == nullptr || pixels == nullptr) return false;
    // Widened at once: the frame's pixels and palette are the caller's only
    // for this call.
    widenFrame(*p, pixels, pitch, palette);
    if (holdingPictures)
        heldPresenter = p;
    else
        showWidened(*p);
    return true;
}

void holdPictures() {
    holdingPictures = true;
}

void showHeldPicture() {
    holdingPictures = false;
    if (heldPresenter != nullptr) showWidened(*heldPresenter);
    heldPresenter = nullptr;
}

// The page asks where a picture goes after the window changed size, to
// redraw the last one at once: scale, x, y, w, h for a card-sized frame.
extern "C" EMSCRIPTEN_KEEPALIVE const int32_t* yuleLayoutFor(int32_t frameWidth, int32_t frameHeight,
                                                             int32_t outputWidth, int32_t outputHeight) {
    static int32_t numbers[5];
    const PresentLayout l = presentLayout(frameWidth, frameHeight, outputWidth, outputHeight);
    numbers[0] = l.scale;
    numbers[1] = l.x;
    numbers[2] = l.y;
    numbers[3] = l.w;
    numbers[4] = l.h;
    return numbers;
}
