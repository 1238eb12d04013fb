#include "display/keyed_blit.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <random>
#include <vector>

#include "display/clip_list.h"
#include "display/pixel_buffer.h"

namespace {

struct Buffer {
    PixelBuffer* b;
    explicit Buffer(int32_t w, int32_t h, int32_t bpp) : b(createPixelBuffer(w, h, bpp)) {}
    ~Buffer() { freePixelBuffer(b); }
    std::vector<uint8_t> bytes() const { return {b->pixels, b->pixels + size_t(b->pitch) * b->height}; }
};

uint32_t get(const PixelBuffer& p, int64_t x, int64_t y) {
    const uint8_t* row = p.pixels + y * p.pitch;
    switch (p.bitsPerPixel) {
        case 8:
            return row[x];
        case 16:
            return reinterpret_cast<const uint16_t*>(row)[x];
        default:
            return reinterpret_cast<const uint32_t*>(row)[x];
    }
}
void put(PixelBuffer& p, int64_t x, int64_t y, uint32_t v) {
    uint8_t* row = p.pixels + y * p.pitch;
    switch (p.bitsPerPixel) {
        case 8:
            row[x] = uint8_t(v);
            break;
        case 16:
            reinterpret_cast<uint16_t*>(row)[x] = uint16_t(v);
            break;
        default:
            reinterpret_cast<uint32_t*>(row)[x] = v;
            break;
    }
}

// The plain loop the fast blit must agree with: every destination pixel of
// the rectangle, tested one by one against the surface and the clip list.
void referenceBlit(PixelBuffer& dst, const ClipList* clip, const PixelBuffer& src, int64_t dx, int64_t dy,
                   int64_t dw, int64_t dh, int64_t sx, int64_t sy, int64_t sw, int64_t sh) {
    for (int64_t y = dy; y < dy + dh; ++y)
        for (int64_t x = dx; x < dx + dw; ++x) {
            if (x < 0 || y < 0 || x >= dst.width || y >= dst.height) continue;
            bool inside = clip == nullptr;
            for (int32_t i = 0; clip && i < clip->count; ++i) {
                const ClipRect& r = clip->rects[i];
                if (x >= r.left && x < r.right && y >= r.top && y < r.bottom) inside = true;
            }
            if (!inside) continue;
            uint32_t p = get(src, sx + (x - dx) * sw / dw, sy + (y - dy) * sh / dh);
            if (p != 0) put(dst, x, y, p);
        }
}

void fillPattern(PixelBuffer& p, std::mt19937& rng) {
    for (int32_t y = 0; y < p.height; ++y)
        for (int32_t x = 0; x < p.width; ++x) put(p, x, y, rng() % 3 == 0 ? 0 : rng());
}

TEST(KeyedBlit, AgreesWithReferenceLoopOverRandomCases) {
    std::mt19937 rng(1234);
    for (int bpp : {16, 8, 32}) {
        for (int round = 0; round < 300; ++round) {
            Buffer dst(61, 47, bpp), expect(61, 47, bpp), src(37, 29, bpp);
            fillPattern(*dst.b, rng);
            std::memcpy(expect.b->pixels, dst.b->pixels, size_t(dst.b->pitch) * dst.b->height);
            fillPattern(*src.b, rng);
            int32_t sw = 1 + rng() % 37, sh = 1 + rng() % 29;
            int32_t sx = rng() % (38 - sw), sy = rng() % (30 - sh);
            bool stretch = round % 3 == 0;
            int32_t dw = stretch ? 1 + rng() % 90 : sw, dh = stretch ? 1 + rng() % 70 : sh;
            int32_t dx = int32_t(rng() % 140) - 70, dy = int32_t(rng() % 110) - 55;
            std::vector<ClipRect> rects;
            int n = rng() % 4;
            for (int i = 0; i < n; ++i) {
                int32_t l = int32_t(rng() % 90) - 15, t = int32_t(rng() % 70) - 10;
                rects.push_back({l, t, l + int32_t(rng() % 50), t + int32_t(rng() % 40)});
            }
            ClipList* clip = round % 5 == 0 ? nullptr : createClipList(n, rects.data());
            ASSERT_EQ(1, keyedBlit(*dst.b, clip, *src.b, dx, dy, dw, dh, sx, sy, sw, sh));
            referenceBlit(*expect.b, clip, *src.b, dx, dy, dw, dh, sx, sy, sw, sh);
            ASSERT_EQ(expect.bytes(), dst.bytes()) << "bpp " << bpp << " round " << round << " dest " << dx
                                                   << "," << dy << " " << dw << "x" << dh;
            freeClipList(clip);
        }
    }
}

TEST(KeyedBlit, FullScreenRowsMatchReferenceAtEveryAlignment) {
    // Row lengths around the 8-pixel vector width and odd start columns.
    std::mt19937 rng(7);
    Buffer src(640, 4, 16);
    fillPattern(*src.b, rng);
    for (int32_t x = -9; x <= 9; ++x) {
        for (int32_t w : {1, 7, 8, 9, 15, 16, 17, 640}) {
            Buffer dst(640, 4, 16), expect(640, 4, 16);
            fillPattern(*dst.b, rng);
            std::memcpy(expect.b->pixels, dst.b->pixels, size_t(dst.b->pitch) * 4);
            keyedBlit(*dst.b, nullptr, *src.b, x, 0, w, 4, 0, 0, w, 4);
            referenceBlit(*expect.b, nullptr, *src.b, x, 0, w, 4, 0, 0, w, 4);
            ASSERT_EQ(expect.bytes(), dst.bytes()) << "x " << x << " w " << w;
        }
    }
}

TEST(KeyedBlit, RefusesInvalidRectanglesAndLeavesDestinationAlone) {
    Buffer dst(16, 16, 16), src(8, 8, 16), src8(8, 8, 8);
    std::mt19937 rng(3);
    fillPattern(*src.b, rng);
    auto before = dst.bytes();
    EXPECT_EQ(0, keyedBlit(*dst.b, nullptr, *src.b, 0, 0, 4, 4, 5, 0, 4, 4)) << "source past the right edge";
    EXPECT_EQ(0, keyedBlit(*dst.b, nullptr, *src.b, 0, 0, 4, 4, -1, 0, 4, 4)) << "negative source";
    EXPECT_EQ(0, keyedBlit(*dst.b, nullptr, *src.b, 0, 0, 0, 4, 0, 0, 4, 4)) << "empty destination";
    EXPECT_EQ(0, keyedBlit(*dst.b, nullptr, *src.b, 0, 0, -4, 4, 0, 0, 4, 4)) << "negative width";
    EXPECT_EQ(0, keyedBlit(*dst.b, nullptr, *src8.b, 0, 0, 4, 4, 0, 0, 4, 4)) << "depths differ";
    EXPECT_EQ(before, dst.bytes());
}

TEST(KeyedBlit, DestinationsFarOffScreenDrawNothingAndDoNotWrap) {
    Buffer dst(16, 16, 16), src(8, 8, 16);
    std::memset(src.b->pixels, 0xFF, size_t(src.b->pitch) * 8);
    auto before = dst.bytes();
    EXPECT_EQ(1, keyedBlit(*dst.b, nullptr, *src.b, INT32_MAX - 2, 0, 8, 8, 0, 0, 8, 8));
    EXPECT_EQ(1, keyedBlit(*dst.b, nullptr, *src.b, 0, INT32_MIN, 8, 8, 0, 0, 8, 8));
    EXPECT_EQ(1, keyedBlit(*dst.b, nullptr, *src.b, 1248, 0, 8, 8, 0, 0, 8, 8));
    EXPECT_EQ(1, keyedBlit(*dst.b, nullptr, *src.b, -8, -8, 8, 8, 0, 0, 8, 8)) << "touching the corner only";
    EXPECT_EQ(before, dst.bytes());
}

TEST(KeyedBlit, ClipListOfNoRectanglesDrawsNothing) {
    Buffer dst(16, 16, 16), src(8, 8, 16);
    std::memset(src.b->pixels, 0xFF, size_t(src.b->pitch) * 8);
    ClipList* none = createClipList(0, nullptr);
    EXPECT_EQ(1, keyedBlit(*dst.b, none, *src.b, 0, 0, 8, 8, 0, 0, 8, 8));
    EXPECT_EQ(0u, get(*dst.b, 0, 0));
    freeClipList(none);
}

}  // namespace
