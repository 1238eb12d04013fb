#include "display/surface.h"

#include <cstring>

#include "display/clip_list.h"
#include "display/display_device.h"
#include "display/keyed_blit.h"
#include "display/pixel_buffer.h"

Surface::Surface() = default;

Surface::~Surface() {
    delete palette;
    freeClipList(clipper);
    palette = nullptr;
    clipper = nullptr;
    surface = nullptr;
    lockPointer = nullptr;
}

int Surface::clear() {
    if (surface != nullptr)
        std::memset(surface->pixels, 0, static_cast<size_t>(surface->pitch) * surface->height);
    return 1;
}

uint8_t* Surface::lock() {
    if (lockPointer != nullptr) return lockPointer;
    if (surface == nullptr) return nullptr;
    lockPitch = surface->pitch;
    lockPointer = surface->pixels;
    return lockPointer;
}

int Surface::unlock() {
    if (lockPointer == nullptr) return 0;
    lockPointer = nullptr;
    lockPitch = 0;
    return 1;
}

int Surface::blit(DisplayDevice& display, int32_t dx, int32_t dy, int32_t dw, int32_t dh, int32_t sx,
                  int32_t sy, int32_t sw, int32_t sh) {
    if (surface == nullptr || display.surface == nullptr) return 0;
    return keyedBlit(*display.surface, display.clipper, *surface, dx, dy, dw, dh, sx, sy, sw, sh);
}
