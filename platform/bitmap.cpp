#include "platform/bitmap.h"

#include <cstdlib>
#include <new>
#include <string>

#include "base/file_bytes.h"
#include "platform/resources.h"

namespace {

// The largest picture allowed, at 32 bits a pixel, plus room for its headers.
constexpr uint64_t MAX_FILE_BYTES = 4 * BITMAP_MAX_PIXELS + 65536;

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

Bitmap* newBitmap(int32_t width, int32_t height) {
    if (width <= 0 || height <= 0 || width > BITMAP_MAX_SIDE || height > BITMAP_MAX_SIDE ||
        int64_t{width} * height > BITMAP_MAX_PIXELS)
        return nullptr;
    auto* pixels = static_cast<uint32_t*>(std::calloc(static_cast<size_t>(width) * height, sizeof(uint32_t)));
    if (pixels == nullptr) return nullptr;
    auto* b = new (std::nothrow) Bitmap{width, height, pixels};
    if (b == nullptr) std::free(pixels);
    return b;
}

Bitmap* loadBitmapImage(BitmapName name, int32_t width, int32_t height) {
    Resource r = name.text ? findResource(name.text, "BITMAP") : findResource(name.id, "BITMAP");
    Bitmap* b = decodeBitmap(r.bytes, r.size);
    // Not among the resources: a file of that name.
    if (b == nullptr && name.text != nullptr && name.text[0] != '\0') {
        // A device, a pipe or a file too big to be a picture the card can
        // show is not read at all.
        const FileKind picture{"picture", "picture", MAX_FILE_BYTES, false};
        std::string file, error;
        if (readFileBytes(name.text, picture, file, error))
            b = decodeBitmap(reinterpret_cast<const uint8_t*>(file.data()),
                             static_cast<uint32_t>(file.size()));
    }
    return resized(b, width, height);
}

void freeBitmap(Bitmap* bitmap) {
    if (bitmap == nullptr) return;
    std::free(bitmap->pixels);
    delete bitmap;
}
