#pragma once
// The memory behind a surface and the 8-bit palette that may go with it.
#include <cstdint>

#include "display/surface.h"

struct PixelBuffer {
    int32_t width;
    int32_t height;
    int32_t bitsPerPixel;  // 8, 16 or 32
    int32_t pitch;         // bytes per row
    uint8_t* pixels;       // height * pitch bytes, owned
};

struct Palette {
    PaletteEntry entries[256];
};

// A zero-filled (black) buffer, or null when the size or depth is not usable.
PixelBuffer* createPixelBuffer(int32_t width, int32_t height, int32_t bitsPerPixel);
void freePixelBuffer(PixelBuffer* buffer);

// The card's 8-bit palette: four ramps of 64 entries (reds, greens, blues,
// greys), each stepping 0, 4, ... 252, all flagged PC_NOCOLLAPSE.
void buildRampPalette(PaletteEntry entries[256]);

// Pixel values in a surface's format for a 0x00RRGGBB colour. Black always
// gives 0; so does every colour too dark for the format to tell from black.
inline uint16_t rgb565FromRgb(uint32_t rgb) {
    return static_cast<uint16_t>(((rgb >> 8) & 0xF800) | ((rgb >> 5) & 0x07E0) | ((rgb >> 3) & 0x001F));
}
inline uint32_t rgbFromRgb565(uint16_t p) {
    uint32_t r = (p >> 11) & 0x1F, g = (p >> 5) & 0x3F, b = p & 0x1F;
    return ((r << 3 | r >> 2) << 16) | ((g << 2 | g >> 4) << 8) | (b << 3 | b >> 2);
}
// Index of the palette entry nearest to `rgb` (the first of equals).
uint8_t nearestPaletteIndex(const PaletteEntry entries[256], uint32_t rgb);
