// The portable part of presenting a frame: where it goes on the output and
// the processor's copy into texture memory. Every backend shares these.
#include <algorithm>
#include <cstring>

#include "platform/screen_presenter.h"

PresentLayout presentLayout(int32_t frameWidth, int32_t frameHeight, int32_t outputWidth,
                            int32_t outputHeight) {
    PresentLayout l{1, 0, 0, frameWidth, frameHeight};
    if (frameWidth <= 0 || frameHeight <= 0 || outputWidth <= 0 || outputHeight <= 0) return l;
    // Largest size with the frame's aspect that fits, in integers so that a
    // whole-number fit comes out exact.
    if (int64_t{outputWidth} * frameHeight <= int64_t{outputHeight} * frameWidth) {
        l.w = outputWidth;
        l.h = static_cast<int32_t>(int64_t{outputWidth} * frameHeight / frameWidth);
    } else {
        l.h = outputHeight;
        l.w = static_cast<int32_t>(int64_t{outputHeight} * frameWidth / frameHeight);
    }
    l.scale = std::max(1, std::min(l.w / frameWidth, l.h / frameHeight));
    l.x = (outputWidth - l.w) / 2;
    l.y = (outputHeight - l.h) / 2;
    return l;
}

void convertFrame(uint8_t* dst, int32_t dstPitch, int32_t dstBitsPerPixel, const uint8_t* src,
                  int32_t srcPitch, int32_t srcBitsPerPixel, int32_t width, int32_t height,
                  const uint32_t* palette) {
    const size_t rowBytes = static_cast<size_t>(width) * (dstBitsPerPixel / 8);
    for (int32_t y = 0; y < height; ++y, dst += dstPitch, src += srcPitch) {
        if (srcBitsPerPixel == dstBitsPerPixel) {
            std::memcpy(dst, src, rowBytes);
        } else if (srcBitsPerPixel == 8 && dstBitsPerPixel == 32) {
            auto* d = reinterpret_cast<uint32_t*>(dst);
            for (int32_t x = 0; x < width; ++x) d[x] = palette[src[x]];
        }
    }
}
