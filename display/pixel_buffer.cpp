#include "display/pixel_buffer.h"

#include <cstdlib>
#include <new>

namespace {
// Far beyond any picture the card uses; keeps height * pitch well inside 32 bits.
constexpr int32_t MAX_SIDE = 16384;
}  // namespace

PixelBuffer* createPixelBuffer(int32_t width, int32_t height, int32_t bitsPerPixel) {
    if (width <= 0 || height <= 0 || width > MAX_SIDE || height > MAX_SIDE) return nullptr;
    if (bitsPerPixel != 8 && bitsPerPixel != 16 && bitsPerPixel != 32) return nullptr;
    // Rows start on 4-byte boundaries, as the platform's surfaces did.
    int32_t pitch = (width * (bitsPerPixel / 8) + 3) & ~3;
    auto* pixels = static_cast<uint8_t*>(std::calloc(static_cast<size_t>(pitch) * height, 1));
    if (pixels == nullptr) return nullptr;
    auto* buffer = new (std::nothrow) PixelBuffer{width, height, bitsPerPixel, pitch, pixels};
    if (buffer == nullptr) std::free(pixels);
    return buffer;
}

void freePixelBuffer(PixelBuffer* buffer) {
    if (buffer == nullptr) return;
    std::free(buffer->pixels);
    delete buffer;
}

void buildRampPalette(PaletteEntry entries[256]) {
    for (int i = 0; i < 256; ++i) {
        uint8_t v = static_cast<uint8_t>((4 * i) % 256);
        PaletteEntry e{0, 0, 0, PC_NOCOLLAPSE};
        switch (i / 64) {
            case 0:
                e.red = v;
                break;
            case 1:
                e.green = v;
                break;
            case 2:
                e.blue = v;
                break;
            default:
                e.red = e.green = e.blue = v;
                break;
        }
        entries[i] = e;
    }
}

uint8_t nearestPaletteIndex(const PaletteEntry entries[256], uint32_t rgb) {
    int r = (rgb >> 16) & 0xFF, g = (rgb >> 8) & 0xFF, b = rgb & 0xFF;
    int best = 0;
    long bestDistance = -1;
    for (int i = 0; i < 256; ++i) {
        long dr = r - entries[i].red, dg = g - entries[i].green, db = b - entries[i].blue;
        long d = dr * dr + dg * dg + db * db;
        if (bestDistance < 0 || d < bestDistance) {
            bestDistance = d;
            best = i;
        }
    }
    return static_cast<uint8_t>(best);
}
