#include "display/image_surface.h"

#include <cstdio>
#include <cstring>
#include <new>

#include "display/display_context.h"
#include "display/pixel_buffer.h"

ImageSurface::ImageSurface() = default;

// The picture's pixels are this object's own memory; give them back even
// when the owner never called release.
ImageSurface::~ImageSurface() {
    release();
}

int ImageSurface::create(DisplayContext* directDraw, int32_t newWidth, int32_t newHeight, uint32_t caps) {
    (void)caps;  // every picture lives in ordinary memory
    // safety: the service must exist (a display that failed to open has none),
    // and a surface made again must not leak the previous one.
    release();
    width = newWidth;
    height = newHeight;
    if (directDraw == nullptr) return 0;
    surface = createPixelBuffer(newWidth, newHeight, directDraw->bitsPerPixel);
    if (surface == nullptr) return 0;
    bitsPerPixel = surface->bitsPerPixel;
    if (bitsPerPixel == 8) {
        buildRampPalette(paletteEntries);
        palette = new (std::nothrow) Palette;
        if (palette == nullptr) {
            freePixelBuffer(surface);
            surface = nullptr;
            return 0;
        }
        std::memcpy(palette->entries, paletteEntries, sizeof paletteEntries);
    }
    return 1;
}

int ImageSurface::createFromBitmap(DisplayContext* directDraw, BitmapName name, uint32_t caps) {
    Bitmap* bitmap = loadBitmapImage(name, 0, 0);
    if (bitmap == nullptr) return 0;
    if (create(directDraw, bitmap->width, bitmap->height, caps)) copyBitmap(bitmap, 0, 0, 0, 0);
    freeBitmap(bitmap);
    return 1;
}

int ImageSurface::loadBitmap(BitmapName name, int32_t loadWidth, int32_t loadHeight) {
    Bitmap* bitmap = loadBitmapImage(name, loadWidth, loadHeight);
    if (bitmap == nullptr) return 0;
    copyBitmap(bitmap, 0, 0, 0, 0);
    freeBitmap(bitmap);
    return 1;
}

int ImageSurface::copyBitmap(const Bitmap* bitmap, int32_t sx, int32_t sy, int32_t sw, int32_t sh) {
    if (bitmap == nullptr || surface == nullptr) return 0;
    if (sw == 0) sw = bitmap->width;
    if (sh == 0) sh = bitmap->height;
    // safety: a region reaching outside the bitmap (or a negative size) is
    // refused rather than read out of bounds.
    if (sx < 0 || sy < 0 || sw < 0 || sh < 0 || int64_t{sx} + sw > bitmap->width ||
        int64_t{sy} + sh > bitmap->height)
        return 0;
    PixelBuffer& d = *surface;
    for (int32_t y = 0; y < d.height; ++y) {
        const uint32_t* src = bitmap->pixels + (sy + int64_t{y} * sh / d.height) * bitmap->width + sx;
        uint8_t* row = d.pixels + static_cast<size_t>(y) * d.pitch;
        for (int32_t x = 0; x < d.width; ++x) {
            uint32_t rgb = src[int64_t{x} * sw / d.width];
            switch (d.bitsPerPixel) {
                case 8:
                    row[x] = nearestPaletteIndex(paletteEntries, rgb);
                    break;
                case 16:
                    reinterpret_cast<uint16_t*>(row)[x] = rgb565FromRgb(rgb);
                    break;
                default:
                    reinterpret_cast<uint32_t*>(row)[x] = rgb;
                    break;
            }
        }
    }
    return 1;
}

int ImageSurface::release() {
    freePixelBuffer(surface);
    surface = nullptr;
    delete palette;
    palette = nullptr;
    lockPointer = nullptr;
    lockPitch = 0;
    return 1;
}
