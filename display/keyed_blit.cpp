#include "display/keyed_blit.h"

#include <algorithm>
#include <cstring>

#include "display/clip_list.h"
#include "display/pixel_buffer.h"

namespace {

// One row of a same-size keyed copy. Sixteen bytes at a time, as a blend
// of source and destination (d = s | (d & (s == 0))), so that the loop has
// no branch per pixel; the tail goes pixel by pixel.
template <typename T>
void keyedRow(T* d, const T* s, int32_t n) {
    typedef T Vec __attribute__((vector_size(16)));
    constexpr int32_t lanes = 16 / sizeof(T);
    int32_t i = 0;
    for (; i + lanes <= n; i += lanes) {
        Vec vs, vd;
        std::memcpy(&vs, s + i, sizeof vs);
        std::memcpy(&vd, d + i, sizeof vd);
        Vec transparent = reinterpret_cast<Vec>(vs == 0);
        vd = vs | (vd & transparent);
        std::memcpy(d + i, &vd, sizeof vd);
    }
    for (; i < n; ++i)
        if (s[i] != 0) d[i] = s[i];
}

struct Span {
    int64_t x0, y0, x1, y1;  // destination pixels [x0, x1) x [y0, y1)
};

template <typename T>
void drawSpan(PixelBuffer& dst, const PixelBuffer& src, const Span& c, int64_t dx, int64_t dy, int64_t dw,
              int64_t dh, int64_t sx, int64_t sy, int64_t sw, int64_t sh) {
    const int32_t n = static_cast<int32_t>(c.x1 - c.x0);
    if (dw == sw && dh == sh) {
        for (int64_t y = c.y0; y < c.y1; ++y) {
            T* d = reinterpret_cast<T*>(dst.pixels + y * dst.pitch) + c.x0;
            const T* s =
                reinterpret_cast<const T*>(src.pixels + (sy + y - dy) * src.pitch) + sx + (c.x0 - dx);
            keyedRow(d, s, n);
        }
        return;
    }
    // Stretch: each destination pixel takes the source pixel its offset maps
    // to, measured from the unclipped rectangle so clipping never shifts it.
    for (int64_t y = c.y0; y < c.y1; ++y) {
        T* d = reinterpret_cast<T*>(dst.pixels + y * dst.pitch);
        const T* s = reinterpret_cast<const T*>(src.pixels + (sy + (y - dy) * sh / dh) * src.pitch);
        for (int64_t x = c.x0; x < c.x1; ++x) {
            T p = s[sx + (x - dx) * sw / dw];
            if (p != 0) d[x] = p;
        }
    }
}

}  // namespace

int keyedBlit(PixelBuffer& dst, const ClipList* clip, const PixelBuffer& src, int32_t dx, int32_t dy,
              int32_t dw, int32_t dh, int32_t sx, int32_t sy, int32_t sw, int32_t sh) {
    if (dw <= 0 || dh <= 0 || sw <= 0 || sh <= 0) return 0;
    if (dst.bitsPerPixel != src.bitsPerPixel) return 0;
    // 64-bit edges: positions far off the screen must not wrap into it.
    if (sx < 0 || sy < 0 || int64_t{sx} + sw > src.width || int64_t{sy} + sh > src.height) return 0;
    const Span dest{dx, dy, int64_t{dx} + dw, int64_t{dy} + dh};
    const Span surfaceBounds{0, 0, dst.width, dst.height};
    static const ClipRect wholeSurface{INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX};
    const ClipRect* rects = clip ? clip->rects : &wholeSurface;
    const int32_t count = clip ? clip->count : 1;

    // Overlapping clip rectangles draw their common part twice; a keyed
    // copy gives the same pixels either way.
    for (int32_t i = 0; i < count; ++i) {
        Span c{std::max({dest.x0, surfaceBounds.x0, int64_t{rects[i].left}}),
               std::max({dest.y0, surfaceBounds.y0, int64_t{rects[i].top}}),
               std::min({dest.x1, surfaceBounds.x1, int64_t{rects[i].right}}),
               std::min({dest.y1, surfaceBounds.y1, int64_t{rects[i].bottom}})};
        if (c.x0 >= c.x1 || c.y0 >= c.y1) continue;
        switch (dst.bitsPerPixel) {
            case 8:
                drawSpan<uint8_t>(dst, src, c, dx, dy, dw, dh, sx, sy, sw, sh);
                break;
            case 16:
                drawSpan<uint16_t>(dst, src, c, dx, dy, dw, dh, sx, sy, sw, sh);
                break;
            case 32:
                drawSpan<uint32_t>(dst, src, c, dx, dy, dw, dh, sx, sy, sw, sh);
                break;
            default:
                return 0;
        }
    }
    return 1;
}
