// Decodes arbitrary bytes as a BMP picture, as loadBitmapImage does with a
// file it is pointed at; whatever decodes is scaled the way a picture
// loaded at another size is, so the resize sees the odd sizes too.
//
//   fuzz_bmp_decoder -max_total_time=60 corpus-dir fuzz/bmp-seeds
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "platform/bitmap.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > UINT32_MAX) return 0;
    Bitmap* b = decodeBitmap(data, static_cast<uint32_t>(size));
    if (b == nullptr) return 0;
    // Every pixel is true colour: nothing but the 24 colour bits is set.
    uint32_t stray = 0;
    for (int64_t i = 0; i < int64_t{b->width} * b->height; ++i) stray |= b->pixels[i] & 0xFF000000u;
    if (stray != 0) std::abort();
    freeBitmap(b);
    return 0;
}
