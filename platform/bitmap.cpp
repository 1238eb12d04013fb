#include "platform/bitmap.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <new>
#include <vector>

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

// The whole of a regular file, or nothing: a device, a pipe or a file too
// big to be a picture the card can show is not read at all.
std::vector<uint8_t> readPictureFile(const char* path) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) return {};
    const uintmax_t size = std::filesystem::file_size(path, ec);
    if (ec || size == 0 || size > MAX_FILE_BYTES) return {};
    std::FILE* file = std::fopen(path, "rb");
    if (file == nullptr) return {};
    std::vector<uint8_t> bytes(static_cast<size_t>(size));
    const size_t got = std::fread(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
    if (got != bytes.size()) return {};
    return bytes;
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
        const std::vector<uint8_t> file = readPictureFile(name.text);
        b = decodeBitmap(file.data(), static_cast<uint32_t>(file.size()));
    }
    return resized(b, width, height);
}

void freeBitmap(Bitmap* bitmap) {
    if (bitmap == nullptr) return;
    std::free(bitmap->pixels);
    delete bitmap;
}
