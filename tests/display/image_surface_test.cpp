#include "display/image_surface.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "display/display_context.h"
#include "display/display_device.h"
#include "display/pixel_buffer.h"
#include "platform/bitmap.h"

namespace {

uint16_t pixelAt(const PixelBuffer* p, int x, int y) {
    return reinterpret_cast<const uint16_t*>(p->pixels + y * p->pitch)[x];
}

// Writes an 8-bit paletted BMP (bottom-up, as the card's pictures are)
// whose pixel (x, y) has palette colour colours[y * w + x].
std::string writeBmp(const std::string& name, int w, int h, const std::vector<uint32_t>& colours) {
    std::filesystem::create_directories(YULE_TEST_OUT);
    std::string path = std::string(YULE_TEST_OUT) + "/" + name;
    SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, w, h, 8, SDL_PIXELFORMAT_INDEX8);
    SDL_Color palette[256] = {};
    int used = 0;
    for (int i = 0; i < w * h; ++i) {
        int index = -1;
        for (int j = 0; j < used; ++j)
            if (((palette[j].r << 16) | (palette[j].g << 8) | palette[j].b) == int(colours[i])) index = j;
        if (index < 0) {
            index = used++;
            palette[index] =
                SDL_Color{uint8_t(colours[i] >> 16), uint8_t(colours[i] >> 8), uint8_t(colours[i]), 255};
        }
        static_cast<uint8_t*>(s->pixels)[(i / w) * s->pitch + i % w] = uint8_t(index);
    }
    SDL_SetPaletteColors(s->format->palette, palette, 0, 256);
    EXPECT_EQ(0, SDL_SaveBMP(s, path.c_str())) << SDL_GetError();
    SDL_FreeSurface(s);
    return path;
}

class ImageSurfaceTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(1, display.create(nullptr, 640, 480, 16, DisplayMode::FullScreen));
        const ClipRect screen{0, 0, 640, 480};
        display.setClipList(1, &screen);
    }
    // Fills the back buffer with a colour no picture uses, to see what a blit leaves alone.
    void paintBackBuffer(uint16_t colour) {
        for (int y = 0; y < 480; ++y)
            for (int x = 0; x < 640; ++x)
                reinterpret_cast<uint16_t*>(display.surface->pixels + y * display.surface->pitch)[x] = colour;
    }
    DisplayDevice display;
};

TEST_F(ImageSurfaceTest, EveryColourThatBecomesZeroIsTransparent) {
    // Pure black, and colours too dark for 5-6-5 bits (red and blue below 8,
    // green below 4) are all 0 after conversion; one step brighter is not.
    std::vector<uint32_t> colours = {0x000000, 0x070307, 0x070000, 0x000300, 0x000007,
                                     0x080000, 0x000400, 0x000008, 0xFFFFFF, 0x102030};
    std::string path = writeBmp("dark.bmp", 10, 1, colours);
    ImageSurface picture;
    ASSERT_EQ(1, picture.createFromBitmap(display.directDraw, path.c_str(), DDSCAPS_SYSTEMMEMORY));
    ASSERT_EQ(10, picture.width);
    paintBackBuffer(0x1234);
    ASSERT_EQ(1, picture.blit(display, 0, 0, 10, 1, 0, 0, 10, 1));
    for (int x = 0; x < 5; ++x) EXPECT_EQ(0x1234u, pixelAt(display.surface, x, 0)) << "colour " << x;
    EXPECT_EQ(0x0800u, pixelAt(display.surface, 5, 0));
    EXPECT_EQ(0x0020u, pixelAt(display.surface, 6, 0));
    EXPECT_EQ(0x0001u, pixelAt(display.surface, 7, 0));
    EXPECT_EQ(0xFFFFu, pixelAt(display.surface, 8, 0));
    EXPECT_EQ(rgb565FromRgb(0x102030), pixelAt(display.surface, 9, 0));
}

TEST_F(ImageSurfaceTest, BottomUpBitmapComesOutTopDown) {
    std::string path = writeBmp("rows.bmp", 2, 2, {0xFF0000, 0xFF0000, 0x0000FF, 0x0000FF});
    ImageSurface picture;
    ASSERT_EQ(1, picture.createFromBitmap(display.directDraw, path.c_str(), DDSCAPS_SYSTEMMEMORY));
    picture.lock();
    EXPECT_EQ(0xF800u, pixelAt(picture.surface, 0, 0)) << "first row on top";
    EXPECT_EQ(0x001Fu, pixelAt(picture.surface, 1, 1));
    picture.unlock();
}

TEST_F(ImageSurfaceTest, CopyBitmapWholeOrRegionStretchedOverTheSurface) {
    // Four quadrants of 2 x 2 pixels.
    std::vector<uint32_t> c(16);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            c[y * 4 + x] = (y < 2 ? (x < 2 ? 0xFF0000 : 0x00FF00) : (x < 2 ? 0x0000FF : 0xFFFFFF));
    std::string path = writeBmp("quadrants.bmp", 4, 4, c);
    Bitmap* bitmap = loadBitmapImage(path.c_str(), 0, 0);
    ASSERT_NE(bitmap, nullptr);
    ImageSurface picture;
    ASSERT_EQ(1, picture.create(display.directDraw, 8, 8, DDSCAPS_SYSTEMMEMORY));

    ASSERT_EQ(1, picture.copyBitmap(bitmap, 0, 0, 0, 0));
    EXPECT_EQ(0xF800u, pixelAt(picture.surface, 3, 3));
    EXPECT_EQ(0x07E0u, pixelAt(picture.surface, 4, 3));
    EXPECT_EQ(0xFFFFu, pixelAt(picture.surface, 7, 7));

    ASSERT_EQ(1, picture.copyBitmap(bitmap, 2, 2, 2, 2)) << "the white quadrant over everything";
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) ASSERT_EQ(0xFFFFu, pixelAt(picture.surface, x, y));

    EXPECT_EQ(0, picture.copyBitmap(bitmap, 3, 0, 2, 2)) << "region beyond the bitmap";
    EXPECT_EQ(0, picture.copyBitmap(nullptr, 0, 0, 0, 0));
    ImageSurface empty;
    EXPECT_EQ(0, empty.copyBitmap(bitmap, 0, 0, 0, 0));
    freeBitmap(bitmap);
}

TEST_F(ImageSurfaceTest, LoadBitmapStretchesToTheSurfaceOrScalesWhileLoading) {
    ImageSurface small;
    ASSERT_EQ(1, small.create(display.directDraw, 64, 48, DDSCAPS_SYSTEMMEMORY));
    ASSERT_EQ(1, small.loadBitmap(102, 0, 0));
    ImageSurface full;
    ASSERT_EQ(1, full.create(display.directDraw, 640, 480, DDSCAPS_SYSTEMMEMORY));
    ASSERT_EQ(1, full.loadBitmap(102, 0, 0));
    for (int y = 0; y < 48; y += 5)
        for (int x = 0; x < 64; x += 7)
            ASSERT_EQ(pixelAt(full.surface, x * 10, y * 10), pixelAt(small.surface, x, y)) << x << "," << y;

    ImageSurface scaled;
    ASSERT_EQ(1, scaled.create(display.directDraw, 64, 48, DDSCAPS_SYSTEMMEMORY));
    ASSERT_EQ(1, scaled.loadBitmap(102, 64, 48));
    for (int y = 0; y < 48; y += 5)
        for (int x = 0; x < 64; x += 7)
            ASSERT_EQ(pixelAt(small.surface, x, y), pixelAt(scaled.surface, x, y));
}

TEST_F(ImageSurfaceTest, BitmapNamesResolveByIdByNameThenByFile) {
    ImageSurface byId, byName, byFile, missing;
    ASSERT_EQ(1, byId.createFromBitmap(display.directDraw, 104, DDSCAPS_SYSTEMMEMORY));
    EXPECT_EQ(475, byId.width);
    EXPECT_EQ(480, byId.height);
    ASSERT_EQ(1, byName.createFromBitmap(display.directDraw, "#104", DDSCAPS_SYSTEMMEMORY));
    EXPECT_EQ(475, byName.width);
    std::string path = writeBmp("file.bmp", 3, 2, std::vector<uint32_t>(6, 0xFFFFFF));
    ASSERT_EQ(1, byFile.createFromBitmap(display.directDraw, path.c_str(), DDSCAPS_SYSTEMMEMORY));
    EXPECT_EQ(3, byFile.width);

    ASSERT_EQ(1, missing.create(display.directDraw, 4, 4, DDSCAPS_SYSTEMMEMORY));
    missing.lock();
    reinterpret_cast<uint16_t*>(missing.lockPointer)[0] = 0xABCD;
    missing.unlock();
    EXPECT_EQ(0, missing.loadBitmap("no-such-picture.bmp", 0, 0));
    EXPECT_EQ(0, missing.loadBitmap(999, 0, 0));
    EXPECT_EQ(0xABCDu, pixelAt(missing.surface, 0, 0)) << "a failed load leaves the surface alone";
    ImageSurface none;
    EXPECT_EQ(0, none.createFromBitmap(display.directDraw, "no-such-picture.bmp", DDSCAPS_SYSTEMMEMORY));
    EXPECT_EQ(none.surface, nullptr);
}

TEST_F(ImageSurfaceTest, CreateNeedsAnOpenDisplayAndASize) {
    ImageSurface a, b;
    EXPECT_EQ(0, a.create(nullptr, 16, 16, DDSCAPS_SYSTEMMEMORY));
    EXPECT_EQ(a.surface, nullptr);
    EXPECT_EQ(0, b.create(display.directDraw, 0, 16, DDSCAPS_SYSTEMMEMORY));
    EXPECT_EQ(0, b.blit(display, 0, 0, 16, 16, 0, 0, 16, 16)) << "no surface, no blit";
    ASSERT_EQ(1, b.create(display.directDraw, 16, 16, DDSCAPS_VIDEOMEMORY));
    EXPECT_EQ(16, b.bitsPerPixel);
    EXPECT_EQ(b.palette, nullptr);
    ASSERT_EQ(1, b.create(display.directDraw, 8, 8, DDSCAPS_VIDEOMEMORY)) << "made again";
    EXPECT_EQ(8, b.surface->width);
}

TEST(ImageSurfaceEightBit, PicturesTakeTheNearestRampColour) {
    DisplayDevice d;
    ASSERT_EQ(1, d.create(nullptr, 64, 64, 8, DisplayMode::FullScreen));
    std::string path = writeBmp("ramp.bmp", 4, 1, {0xFF0000, 0x00FF00, 0x808080, 0x000000});
    ImageSurface picture;
    ASSERT_EQ(1, picture.createFromBitmap(d.directDraw, path.c_str(), DDSCAPS_SYSTEMMEMORY));
    ASSERT_EQ(8, picture.bitsPerPixel);
    ASSERT_NE(picture.palette, nullptr);
    const uint8_t* row = picture.lock();
    EXPECT_EQ(63, row[0]) << "red 252";
    EXPECT_EQ(127, row[1]) << "green 252";
    EXPECT_EQ(224, row[2]) << "grey 128";
    EXPECT_EQ(0, row[3]) << "black is index 0, the transparent one";
    picture.unlock();
}

}  // namespace
