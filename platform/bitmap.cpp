#include "platform/bitmap.h"

#include <SDL.h>

#include <cstdlib>
#include <new>

#include "platform/resources.h"

namespace {

constexpr int32_t MAX_SIDE = 16384;

Bitmap* newBitmap(int32_t width, int32_t height) {
    if (width <= 0 || height <= 0 || width > MAX_SIDE || height > MAX_SIDE) return nullptr;
    auto* pixels = static_cast<uint32_t*>(std::calloc(static_cast<size_t>(width) * height, sizeof(uint32_t)));
    if (pixels == nullptr) return nullptr;
    auto* b = new (std::nothrow) Bitmap{width, height, pixels};
    if (b == nullptr) std::free(pixels);
    return b;
}

Bitmap* fromSdlSurface(SDL_Surface* loaded) {
    if (loaded == nullptr) return nullptr;
    SDL_Surface* rgb = SDL_ConvertSurfaceFormat(loaded, SDL_PIXELFORMAT_RGB888, 0);
    SDL_FreeSurface(loaded);
    if (rgb == nullptr) return nullptr;
    Bitmap* b = newBitmap(rgb->w, rgb->h);
    if (b != nullptr && SDL_LockSurface(rgb) == 0) {
        for (int32_t y = 0; y < b->height; ++y) {
            auto* row =
                reinterpret_cast<const uint32_t*>(static_cast<const uint8_t*>(rgb->pixels) + y * rgb->pitch);
            for (int32_t x = 0; x < b->width; ++x) b->pixels[y * b->width + x] = row[x] & 0x00FFFFFF;
        }
        SDL_UnlockSurface(rgb);
    }
    SDL_FreeSurface(rgb);
    return b;
}

// Nearest-neighbour resize to the size asked for at load; 0 keeps a side.
Bitmap* resized(Bitmap* b, int32_t width, int32_t height) {
    if (b == nullptr) return nullptr;
    if (width <= 0) width = b->width;
    if (height <= 0) height = b->height;
    if (width == b->width && height == b->height) return b;
    Bitmap* r = newBitmap(width, height);
    if (r != nullptr) {
        for (int32_t y = 0; y < height; ++y) {
            const uint32_t* src = b->pixels + int64_t{y} * b->height / height * b->width;
            for (int32_t x = 0; x < width; ++x) r->pixels[y * width + x] = src[int64_t{x} * b->width / width];
        }
    }
    freeBitmap(b);
    return r;
}

}  // namespace

Bitmap* decodeBitmap(const uint8_t* bytes, uint32_t size) {
    if (bytes == nullptr || size == 0 || size > static_cast<uint32_t>(INT32_MAX)) return nullptr;
    SDL_RWops* rw = SDL_RWFromConstMem(bytes, static_cast<int>(size));
    if (rw == nullptr) return nullptr;
    return fromSdlSurface(SDL_LoadBMP_RW(rw, 1));
}

Bitmap* loadBitmapImage(BitmapName name, int32_t width, int32_t height) {
    Resource r = name.text ? findResource(name.text, "BITMAP") : findResource(name.id, "BITMAP");
    Bitmap* b = decodeBitmap(r.bytes, r.size);
    // Not among the resources: a file of that name.
    if (b == nullptr && name.text != nullptr && name.text[0] != '\0')
        b = fromSdlSurface(SDL_LoadBMP(name.text));
    return resized(b, width, height);
}

void freeBitmap(Bitmap* bitmap) {
    if (bitmap == nullptr) return;
    std::free(bitmap->pixels);
    delete bitmap;
}
