// The portable BMP decoder: the same pixels as SDL's loader for every
// embedded picture and every layout the decoder reads, and nothing read
// past the end of damaged or hostile bytes.
#include <SDL.h>
#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "platform/bitmap.h"
#include "platform/resources.h"

namespace {

struct Pixels {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint32_t> rgb;  // 0x00RRGGBB, rows top-down
    bool operator==(const Pixels&) const = default;
};

// What the card read before it had its own decoder: SDL's loader, converted
// to true colour.
bool decodeWithSdl(const std::vector<uint8_t>& bytes, Pixels& out) {
    SDL_Surface* loaded = SDL_LoadBMP_RW(SDL_RWFromConstMem(bytes.data(), int(bytes.size())), 1);
    if (loaded == nullptr) return false;
    SDL_Surface* rgb = SDL_ConvertSurfaceFormat(loaded, SDL_PIXELFORMAT_RGB888, 0);
    SDL_FreeSurface(loaded);
    if (rgb == nullptr) return false;
    out.width = rgb->w;
    out.height = rgb->h;
    out.rgb.clear();
    for (int y = 0; y < rgb->h; ++y) {
        const auto* row =
            reinterpret_cast<const uint32_t*>(static_cast<const uint8_t*>(rgb->pixels) + y * rgb->pitch);
        for (int x = 0; x < rgb->w; ++x) out.rgb.push_back(row[x] & 0x00FFFFFF);
    }
    SDL_FreeSurface(rgb);
    return true;
}

bool decodeWithOurs(const std::vector<uint8_t>& bytes, Pixels& out) {
    Bitmap* b = decodeBitmap(bytes.data(), uint32_t(bytes.size()));
    if (b == nullptr) return false;
    out.width = b->width;
    out.height = b->height;
    out.rgb.assign(b->pixels, b->pixels + size_t(b->width) * b->height);
    freeBitmap(b);
    return true;
}

// A BMP file made to order: header kind, depth, compression, palette,
// masks and the raw value of each pixel (a palette index, or the packed
// pixel as it is stored).
struct BmpRecipe {
    uint32_t headerBytes = 40;  // 12, 40, 108 or 124
    int32_t width = 5;
    int32_t height = 3;  // negative: rows stored top-down
    uint16_t bitsPerPixel = 8;
    uint32_t compression = 0;
    std::vector<uint32_t> palette = {};  // 0x00RRGGBB
    uint32_t clrUsed = 0;
    std::vector<uint32_t> masks = {};  // red, green, blue
    std::function<uint32_t(int, int)> pixel = [](int x, int y) { return uint32_t(x + 3 * y); };
};

void put16(std::vector<uint8_t>& b, uint32_t v) {
    b.push_back(uint8_t(v));
    b.push_back(uint8_t(v >> 8));
}
void put32(std::vector<uint8_t>& b, uint32_t v) {
    put16(b, v & 0xFFFF);
    put16(b, v >> 16);
}

std::vector<uint8_t> makeBmp(const BmpRecipe& s) {
    const bool core = s.headerBytes == 12;
    const bool masksAfterHeader = s.compression == 3 && s.headerBytes == 40;
    const uint32_t entry = core ? 3 : 4;
    const uint32_t paletteAt = 14 + s.headerBytes + (masksAfterHeader ? 12 : 0);
    const uint32_t pixelsAt = paletteAt + uint32_t(s.palette.size()) * entry;
    const int32_t rows = s.height < 0 ? -s.height : s.height;
    const uint32_t rowBytes = (uint32_t(s.width) * s.bitsPerPixel + 31) / 32 * 4;
    std::vector<uint8_t> b = {'B', 'M'};
    put32(b, pixelsAt + rowBytes * rows);
    put32(b, 0);
    put32(b, pixelsAt);
    put32(b, s.headerBytes);
    if (core) {
        put16(b, uint16_t(s.width));
        put16(b, uint16_t(s.height));
        put16(b, 1);
        put16(b, s.bitsPerPixel);
    } else {
        put32(b, uint32_t(s.width));
        put32(b, uint32_t(s.height));
        put16(b, 1);
        put16(b, s.bitsPerPixel);
        put32(b, s.compression);
        put32(b, rowBytes * rows);
        put32(b, 2835);
        put32(b, 2835);
        put32(b, s.clrUsed);
        put32(b, 0);
        for (uint32_t i = 40; i < s.headerBytes; i += 4)  // masks first, then the rest left zero
            put32(b, i < 52 && !s.masks.empty() ? s.masks[(i - 40) / 4] : (i == 56 ? 0x73524742 : 0));
        if (masksAfterHeader)
            for (uint32_t m : s.masks) put32(b, m);
    }
    for (uint32_t c : s.palette) {
        b.push_back(uint8_t(c));
        b.push_back(uint8_t(c >> 8));
        b.push_back(uint8_t(c >> 16));
        if (!core) b.push_back(0);
    }
    for (int32_t r = 0; r < rows; ++r) {
        const int y = s.height < 0 ? r : rows - 1 - r;  // bottom-up unless the height is negative
        std::vector<uint8_t> row(rowBytes, 0);
        for (int x = 0; x < s.width; ++x) {
            const uint32_t v = s.pixel(x, y);
            switch (s.bitsPerPixel) {
                case 1:
                    row[x / 8] |= uint8_t((v & 1) << (7 - x % 8));
                    break;
                case 4:
                    row[x / 2] |= uint8_t((v & 15) << (x % 2 ? 0 : 4));
                    break;
                case 8:
                    row[x] = uint8_t(v);
                    break;
                case 16:
                    row[2 * x] = uint8_t(v), row[2 * x + 1] = uint8_t(v >> 8);
                    break;
                case 24:
                    row[3 * x] = uint8_t(v), row[3 * x + 1] = uint8_t(v >> 8),
                            row[3 * x + 2] = uint8_t(v >> 16);
                    break;
                default:
                    for (int k = 0; k < 4; ++k) row[4 * x + k] = uint8_t(v >> (8 * k));
            }
        }
        b.insert(b.end(), row.begin(), row.end());
    }
    return b;
}

std::vector<uint32_t> greyRamp(int n) {
    std::vector<uint32_t> p;
    for (int i = 0; i < n; ++i) {
        const uint32_t v = uint32_t(i * 255 / (n > 1 ? n - 1 : 1));
        p.push_back(v << 16 | (255 - v) << 8 | (v * 7 & 0xFF));
    }
    return p;
}

TEST(BmpDecoder, EveryEmbeddedPictureDecodesAsSdlsLoaderDecodesIt) {
    int pictures = 0;
    for (int i = 0; i < embeddedResourceCount(); ++i) {
        const Resource r = embeddedResource(i);
        if (r.size < 2 || r.bytes[0] != 'B' || r.bytes[1] != 'M') continue;
        const std::vector<uint8_t> bytes(r.bytes, r.bytes + r.size);
        Pixels sdl, ours;
        ASSERT_TRUE(decodeWithSdl(bytes, sdl)) << r.id << ": " << SDL_GetError();
        ASSERT_TRUE(decodeWithOurs(bytes, ours)) << r.id;
        EXPECT_TRUE(ours == sdl) << "resource " << r.id << " differs";
        ++pictures;
    }
    EXPECT_EQ(pictures, 7) << "the icon and the six pictures";
}

TEST(BmpDecoder, EveryLayoutItReadsMatchesSdl) {
    struct Case {
        const char* name;
        BmpRecipe recipe;
    };
    const auto any32 = [](int x, int y) { return uint32_t(x * 0x01234567u + y * 0x89ABCDEFu); };
    const Case cases[] = {
        {"1 bit, 13 wide", {.width = 13, .height = 4, .bitsPerPixel = 1, .palette = {0x000000, 0xFFEEDD}}},
        {"4 bits, 7 wide",
         {.width = 7,
          .bitsPerPixel = 4,
          .palette = greyRamp(16),
          .pixel = [](int x, int y) { return uint32_t((x + 5 * y) % 16); }}},
        {"8 bits, 20 colours",
         {.width = 6,
          .bitsPerPixel = 8,
          .palette = greyRamp(20),
          .clrUsed = 20,
          .pixel = [](int x, int y) { return uint32_t((x * 3 + y) % 20); }}},
        {"8 bits, top-down", {.width = 5, .height = -4, .bitsPerPixel = 8, .palette = greyRamp(256)}},
        {"8 bits, OS/2 header", {.headerBytes = 12, .width = 5, .bitsPerPixel = 8, .palette = greyRamp(256)}},
        {"24 bits, 3 wide", {.width = 3, .height = 5, .bitsPerPixel = 24, .pixel = any32}},
        {"24 bits, v5 header", {.headerBytes = 124, .width = 6, .bitsPerPixel = 24, .pixel = any32}},
        {"32 bits", {.width = 4, .bitsPerPixel = 32, .pixel = any32}},
        {"32 bits, masks in a v4 header",
         {.headerBytes = 108,
          .width = 3,
          .bitsPerPixel = 32,
          .compression = 3,
          .masks = {0x00FF0000, 0x0000FF00, 0x000000FF},
          .pixel = any32}},
        {"32 bits, masks",
         {.width = 4,
          .bitsPerPixel = 32,
          .compression = 3,
          .masks = {0x0000FF00, 0x00FF0000, 0xFF000000},
          .pixel = any32}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<uint8_t> bytes = makeBmp(c.recipe);
        Pixels sdl, ours;
        ASSERT_TRUE(decodeWithOurs(bytes, ours));
        ASSERT_TRUE(decodeWithSdl(bytes, sdl)) << SDL_GetError();
        EXPECT_EQ(ours.width, sdl.width);
        EXPECT_EQ(ours.height, sdl.height);
        EXPECT_EQ(ours.rgb, sdl.rgb);
    }
}

// SDL widens 16-bit fields by tables that round down (and has no 4-4-4 at
// all); the decoder widens every field as the display widens RGB565: its
// bits repeated, so that a full field gives 255 and the steps are even.
TEST(BmpDecoder, MaskedFieldsAreWidenedByRepeatingTheirBits) {
    struct Case {
        std::vector<uint32_t> masks;
        uint32_t pixel;
        uint32_t rgb;
    };
    const Case cases[] = {
        {{0xF800, 0x07E0, 0x001F}, 0xFFFF, 0xFFFFFF},
        {{0xF800, 0x07E0, 0x001F}, 0x0000, 0x000000},
        {{0xF800, 0x07E0, 0x001F}, 0x8FF3, 0x8CFF9C},
        {{0xF800, 0x07E0, 0x001F}, 0x0821, 0x080408},
        {{0x0F00, 0x00F0, 0x000F}, 0x0F00, 0xFF0000},
        {{0x0F00, 0x00F0, 0x000F}, 0x0851, 0x885511},
        {{0x7C00, 0x03E0, 0x001F}, 0x5AF7, 0xB5BDBD},
        {{}, 0x7FFF, 0xFFFFFF},
        {{}, 0x2D79, 0x5A5ACE},
        {{0x8000, 0x7FFF, 0x0000}, 0x8001, 0xFF0000},
        {{0x8000, 0x7FFF, 0x0000}, 0x7FFF, 0x00FF00},
    };
    for (const Case& c : cases) {
        // No masks: the 5-5-5 of an uncompressed 16-bit picture.
        const BmpRecipe recipe{.width = 1,
                               .height = 1,
                               .bitsPerPixel = 16,
                               .compression = c.masks.empty() ? 0u : 3u,
                               .masks = c.masks,
                               .pixel = [&](int, int) { return c.pixel; }};
        Pixels ours;
        ASSERT_TRUE(decodeWithOurs(makeBmp(recipe), ours));
        EXPECT_EQ(ours.rgb, std::vector<uint32_t>{c.rgb}) << std::hex << c.pixel;
    }
}

TEST(BmpDecoder, CutShortAtAnyByteIsRefused) {
    for (const BmpRecipe& recipe :
         {BmpRecipe{.width = 5, .bitsPerPixel = 8, .palette = greyRamp(256)},
          BmpRecipe{.width = 3, .bitsPerPixel = 24},
          BmpRecipe{.width = 3, .bitsPerPixel = 16, .compression = 3, .masks = {0xF800, 0x07E0, 0x1F}},
          BmpRecipe{.headerBytes = 12, .width = 9, .bitsPerPixel = 4, .palette = greyRamp(16)}}) {
        const std::vector<uint8_t> whole = makeBmp(recipe);
        Bitmap* full = decodeBitmap(whole.data(), uint32_t(whole.size()));
        ASSERT_NE(full, nullptr);
        freeBitmap(full);
        for (size_t n = 0; n < whole.size(); ++n) {
            // A copy of exactly n bytes, so a read past them is caught by the sanitizers.
            const std::vector<uint8_t> cut(whole.begin(), whole.begin() + long(n));
            Bitmap* b = decodeBitmap(cut.data(), uint32_t(cut.size()));
            EXPECT_EQ(b, nullptr) << "cut to " << n << " of " << whole.size() << " bytes";
            freeBitmap(b);
        }
    }
}

TEST(BmpDecoder, ImpossibleHeadersAndPixelsAreRefused) {
    const auto refused = [](const std::vector<uint8_t>& bytes) {
        Bitmap* b = decodeBitmap(bytes.data(), uint32_t(bytes.size()));
        freeBitmap(b);
        return b == nullptr;
    };
    const BmpRecipe eightBit{
        .width = 4, .bitsPerPixel = 8, .palette = greyRamp(16), .clrUsed = 16, .pixel = [](int x, int) {
            return uint32_t(x);
        }};
    EXPECT_FALSE(refused(makeBmp(eightBit)));

    BmpRecipe outside = eightBit;
    outside.pixel = [](int x, int y) { return uint32_t(x == 3 && y == 2 ? 16 : 0); };
    EXPECT_TRUE(refused(makeBmp(outside))) << "a pixel past the palette's 16 colours";

    std::vector<uint8_t> rle = makeBmp(eightBit);
    rle[30] = 1;  // compression: RLE8
    EXPECT_TRUE(refused(rle));

    const auto withField = [&](size_t at, uint32_t value) {
        std::vector<uint8_t> b = makeBmp(eightBit);
        for (int k = 0; k < 4; ++k) b[at + k] = uint8_t(value >> (8 * k));
        return b;
    };
    EXPECT_TRUE(refused(withField(18, 0))) << "no width";
    EXPECT_TRUE(refused(withField(18, 0x80000000u))) << "negative width";
    EXPECT_TRUE(refused(withField(22, 0))) << "no height";
    EXPECT_TRUE(refused(withField(22, uint32_t(INT32_MIN)))) << "a height with no positive twin";
    EXPECT_TRUE(refused(withField(18, 16384 * 4))) << "wider than any picture, and than its data";
    EXPECT_TRUE(refused(withField(18, 4000))) << "wider than its data";
    EXPECT_TRUE(refused(withField(10, 0xFFFFFFF0u))) << "pixels beyond the end";
    EXPECT_TRUE(refused(withField(14, 13))) << "no such header";
    EXPECT_TRUE(refused(withField(14, 0xFFFFFFFFu))) << "a header longer than the file";
    for (uint16_t bits : {0, 2, 64}) {
        std::vector<uint8_t> b = makeBmp(eightBit);
        b[28] = uint8_t(bits);
        EXPECT_TRUE(refused(b)) << bits << " bits per pixel";
    }

    const BmpRecipe holes{
        .width = 2, .bitsPerPixel = 16, .compression = 3, .masks = {0xF0F0, 0x0F00, 0x000F}};
    EXPECT_TRUE(refused(makeBmp(holes))) << "a mask with a hole";
    const BmpRecipe wide{
        .width = 2, .bitsPerPixel = 16, .compression = 3, .masks = {0x1F0000, 0x07E0, 0x001F}};
    EXPECT_TRUE(refused(makeBmp(wide))) << "a mask wider than the pixel";
    EXPECT_TRUE(refused({'B', 'M'}));
    EXPECT_EQ(decodeBitmap(nullptr, 100), nullptr);
}

TEST(BmpDecoder, MissingPixelOffsetIsTakenAsRightAfterThePalette) {
    const BmpRecipe recipe{.width = 4, .bitsPerPixel = 8, .palette = greyRamp(256)};
    std::vector<uint8_t> bytes = makeBmp(recipe);
    Pixels want, got;
    ASSERT_TRUE(decodeWithOurs(bytes, want));
    for (int k = 0; k < 4; ++k) bytes[10 + k] = 0;
    ASSERT_TRUE(decodeWithOurs(bytes, got));
    EXPECT_TRUE(got == want);
}

TEST(BitmapFile, NamedFileIsReadWhenNoResourceHasTheName) {
    namespace fs = std::filesystem;
    const fs::path dir = fs::path(YULE_TEST_OUT) / "bitmap-file";
    fs::create_directories(dir);
    const fs::path path = dir / "picture.bmp";
    const std::vector<uint8_t> bytes = makeBmp(BmpRecipe{.width = 3, .height = 2, .bitsPerPixel = 24});
    std::FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    ASSERT_EQ(std::fwrite(bytes.data(), 1, bytes.size(), f), bytes.size());
    std::fclose(f);

    Bitmap* b = loadBitmapImage(path.c_str(), 0, 0);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->width, 3);
    EXPECT_EQ(b->height, 2);
    freeBitmap(b);

    // Not a picture file: a folder, a device that never ends, nothing at all.
    for (const std::string& name : {dir.string(), std::string("/dev/zero"), (dir / "missing.bmp").string()})
        EXPECT_EQ(loadBitmapImage(name.c_str(), 0, 0), nullptr) << name;
}

}  // namespace
