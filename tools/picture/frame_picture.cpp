#include "tools/picture/frame_picture.h"

#include <array>
#include <cstring>
#include <memory>

#include "display/pixel_buffer.h"

namespace {

// Every RGB565 value widened once (256 KB): a frame then costs one look-up a
// pixel, and the rule itself stays the display's.
const std::array<uint32_t, 65536>& widened() {
    static const std::unique_ptr<std::array<uint32_t, 65536>> table = [] {
        auto t = std::make_unique<std::array<uint32_t, 65536>>();
        for (uint32_t p = 0; p < t->size(); ++p) (*t)[p] = rgbFromRgb565(static_cast<uint16_t>(p));
        return t;
    }();
    return *table;
}

}  // namespace

bool pictureFromFrame(const PixelBuffer& frame, RgbImage& image) {
    if (frame.bitsPerPixel != 16 || frame.width <= 0 || frame.height <= 0 || !frame.pixels) return false;
    const auto& table = widened();
    image.width = frame.width;
    image.height = frame.height;
    image.rgb.resize(static_cast<size_t>(frame.width) * static_cast<size_t>(frame.height) * 3);
    uint8_t* out = image.rgb.data();
    for (int32_t y = 0; y < frame.height; ++y) {
        const uint8_t* row = frame.pixels + static_cast<ptrdiff_t>(frame.pitch) * y;
        for (int32_t x = 0; x < frame.width; ++x) {
            uint16_t p;
            std::memcpy(&p, row + 2 * x, 2);
            const uint32_t rgb = table[p];
            *out++ = static_cast<uint8_t>(rgb >> 16);
            *out++ = static_cast<uint8_t>(rgb >> 8);
            *out++ = static_cast<uint8_t>(rgb);
        }
    }
    return true;
}

RgbImage scaledByWholePixels(const RgbImage& image, int32_t scale) {
    RgbImage out;
    if (scale < MIN_PICTURE_SCALE || scale > MAX_PICTURE_SCALE || image.width <= 0 || image.height <= 0)
        return out;
    out.width = image.width * scale;
    out.height = image.height * scale;
    const size_t inRow = static_cast<size_t>(image.width) * 3;
    const size_t outRow = static_cast<size_t>(out.width) * 3;
    out.rgb.resize(outRow * static_cast<size_t>(out.height));
    for (int32_t y = 0; y < image.height; ++y) {
        const uint8_t* in = image.rgb.data() + inRow * static_cast<size_t>(y);
        uint8_t* first = out.rgb.data() + outRow * static_cast<size_t>(y) * static_cast<size_t>(scale);
        uint8_t* o = first;
        for (int32_t x = 0; x < image.width; ++x, in += 3) {
            for (int32_t k = 0; k < scale; ++k, o += 3) std::memcpy(o, in, 3);
        }
        // The other rows of the block repeat the first.
        for (int32_t k = 1; k < scale; ++k)
            std::memcpy(first + outRow * static_cast<size_t>(k), first, outRow);
    }
    return out;
}
