#include "display/display_device.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <tuple>

#include "display/clip_list.h"
#include "display/display_context.h"
#include "display/image_surface.h"
#include "display/pixel_buffer.h"
#include "platform/screen_presenter.h"
#include "platform/sdl/sdl_window.h"

namespace {

uint16_t pixelAt(const PixelBuffer* p, int x, int y) {
    return reinterpret_cast<const uint16_t*>(p->pixels + y * p->pitch)[x];
}

// A picture of one colour, drawn through the display's real blit.
struct Solid {
    ImageSurface image;
    Solid(DisplayDevice& d, int w, int h, uint16_t colour) {
        image.create(d.directDraw, w, h, DDSCAPS_SYSTEMMEMORY);
        uint8_t* p = image.lock();
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                if (image.bitsPerPixel == 8)
                    p[y * image.lockPitch + x] = uint8_t(colour);
                else
                    reinterpret_cast<uint16_t*>(p + y * image.lockPitch)[x] = colour;
            }
        image.unlock();
    }
};

TEST(DisplayDevice, LockTwiceGivesSameAddressAndUnlockOnlyWhenLocked) {
    DisplayDevice d;
    ASSERT_EQ(1, d.create(nullptr, 640, 480, 16, DisplayMode::FullScreen));
    EXPECT_EQ(0, d.unlock()) << "not locked yet";
    uint8_t* first = d.lock();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(d.lockPitch, 1280);
    EXPECT_EQ(d.lock(), first);
    EXPECT_EQ(1, d.unlock());
    EXPECT_EQ(d.lockPointer, nullptr);
    EXPECT_EQ(d.lockPitch, 0);
    EXPECT_EQ(0, d.unlock());
}

TEST(DisplayDevice, PresentWhileLockedShowsNothingThenFlipsAfterUnlock) {
    DisplayDevice d;
    ASSERT_EQ(1, d.create(nullptr, 640, 480, 16, DisplayMode::FullScreen));
    uint8_t* p = d.lock();
    reinterpret_cast<uint16_t*>(p)[0] = 0xF800;
    EXPECT_EQ(0, d.present());
    EXPECT_EQ(0u, pixelAt(d.primary, 0, 0)) << "nothing shown while locked";
    EXPECT_EQ(0u, d.directDraw->framesShown);
    d.unlock();
    EXPECT_EQ(1, d.present());
    EXPECT_EQ(0xF800u, pixelAt(d.primary, 0, 0));
    EXPECT_EQ(1u, d.directDraw->framesShown);
}

TEST(DisplayDevice, ClearedBackBufferStartsEveryFrameBlack) {
    DisplayDevice d;
    ASSERT_EQ(1, d.create(nullptr, 640, 480, 16, DisplayMode::FullScreen));
    Solid white(d, 640, 480, 0xFFFF);
    white.image.blit(d, 0, 0, 640, 480, 0, 0, 640, 480);
    d.present();
    d.clear();
    for (int y = 0; y < 480; y += 7)
        for (int x = 0; x < 640; x += 13) ASSERT_EQ(0u, pixelAt(d.surface, x, y));
}

TEST(DisplayDevice, ClipListBoundsAndUnion) {
    DisplayDevice d;
    ASSERT_EQ(1, d.create(nullptr, 640, 480, 16, DisplayMode::FullScreen));
    ASSERT_EQ(1, d.setClipList(0, nullptr));
    EXPECT_EQ(d.clipper->count, 0);
    EXPECT_EQ(d.clipper->bounds.left, 64000);
    EXPECT_EQ(d.clipper->bounds.top, 64000);
    EXPECT_EQ(d.clipper->bounds.right, -64000);
    EXPECT_EQ(d.clipper->bounds.bottom, -64000);

    const ClipRect two[2] = {{10, 20, 30, 40}, {100, 5, 120, 25}};
    ASSERT_EQ(1, d.setClipList(2, two));
    EXPECT_EQ(d.clipper->bounds.left, 10);
    EXPECT_EQ(d.clipper->bounds.top, 5);
    EXPECT_EQ(d.clipper->bounds.right, 120);
    EXPECT_EQ(d.clipper->bounds.bottom, 40);

    Solid red(d, 640, 480, 0xF800);
    red.image.blit(d, 0, 0, 640, 480, 0, 0, 640, 480);
    EXPECT_EQ(0xF800u, pixelAt(d.surface, 10, 20));
    EXPECT_EQ(0xF800u, pixelAt(d.surface, 29, 39));
    EXPECT_EQ(0u, pixelAt(d.surface, 30, 39)) << "right edge is exclusive";
    EXPECT_EQ(0xF800u, pixelAt(d.surface, 100, 5));
    EXPECT_EQ(0u, pixelAt(d.surface, 50, 20)) << "between the rectangles";
    EXPECT_EQ(0u, pixelAt(d.surface, 0, 0));
}

TEST(DisplayDevice, ScreenClipShowsOnlyTheOnScreenPartOfAPicture) {
    DisplayDevice d;
    ASSERT_EQ(1, d.create(nullptr, 640, 480, 16, DisplayMode::FullScreen));
    const ClipRect screen{0, 0, 640, 480};
    d.setClipList(1, &screen);
    Solid palm(d, 475, 480, 0x07E0);
    EXPECT_EQ(1, palm.image.blit(d, -476, 0, 475, 480, 0, 0, 475, 480)) << "wholly off the left";
    EXPECT_EQ(0u, pixelAt(d.surface, 0, 0));
    EXPECT_EQ(1, palm.image.blit(d, -400, 0, 475, 480, 0, 0, 475, 480));
    EXPECT_EQ(0x07E0u, pixelAt(d.surface, 74, 479));
    EXPECT_EQ(0u, pixelAt(d.surface, 75, 0));
    d.clear();
    EXPECT_EQ(1, palm.image.blit(d, 600, -50, 475, 480, 0, 0, 475, 480));
    EXPECT_EQ(0x07E0u, pixelAt(d.surface, 639, 0));
    EXPECT_EQ(0x07E0u, pixelAt(d.surface, 600, 429));
    EXPECT_EQ(0u, pixelAt(d.surface, 600, 430));
}

TEST(DisplayDevice, EightBitModeHasTheFourRampPalette) {
    DisplayDevice d;
    ASSERT_EQ(1, d.create(nullptr, 640, 480, 8, DisplayMode::FullScreen));
    ASSERT_NE(d.palette, nullptr);
    const PaletteEntry* e = d.palette->entries;
    EXPECT_EQ((PaletteEntry{0, 0, 0, PC_NOCOLLAPSE}).flags, e[0].flags);
    EXPECT_EQ(252, e[63].red);
    EXPECT_EQ(0, e[63].green);
    EXPECT_EQ(0, e[64].green);
    EXPECT_EQ(4, e[65].green);
    EXPECT_EQ(0, e[65].red);
    EXPECT_EQ(252, e[191].blue);
    EXPECT_EQ(8, e[194].red);
    EXPECT_EQ(8, e[194].green);
    EXPECT_EQ(8, e[194].blue);
    for (int i = 0; i < 256; ++i) ASSERT_EQ(PC_NOCOLLAPSE, e[i].flags);
    EXPECT_EQ(8, d.surface->bitsPerPixel);
    EXPECT_EQ(1, d.present());

    DisplayDevice d16;
    ASSERT_EQ(1, d16.create(nullptr, 640, 480, 16, DisplayMode::FullScreen));
    EXPECT_EQ(d16.palette, nullptr) << "no palette in 16-bit mode";
}

TEST(DisplayDevice, FailedCreateHoldsNothingAndSaysWhy) {
    DisplayDevice d;
    EXPECT_EQ(0, d.create(nullptr, 640, 480, 24, DisplayMode::FullScreen));
    EXPECT_EQ(d.directDraw, nullptr);
    EXPECT_EQ(d.surface, nullptr);
    EXPECT_EQ(d.primary, nullptr);
    EXPECT_NE(std::string(displayError()).find("24 bits"), std::string::npos) << displayError();
    EXPECT_EQ(0, d.present());
    EXPECT_EQ(0, d.setClipList(0, nullptr));
    EXPECT_EQ(1, d.release());
    EXPECT_EQ(1, d.release());
}

TEST(DisplayDevice, ReleaseThenPicturesGiveUpHarmlessly) {
    DisplayDevice d;
    ImageSurface picture;
    ASSERT_EQ(1, d.create(nullptr, 640, 480, 16, DisplayMode::FullScreen));
    ASSERT_EQ(1, picture.create(d.directDraw, 32, 32, DDSCAPS_VIDEOMEMORY));
    d.release();
    EXPECT_EQ(0, picture.blit(d, 0, 0, 32, 32, 0, 0, 32, 32)) << "no back buffer any more";
    EXPECT_EQ(1, picture.release());
    EXPECT_EQ(1, picture.release());
    EXPECT_EQ(picture.surface, nullptr);
}

TEST(DisplayDevice, WindowedModeTakesTheDesktopDepth) {
    DisplayDevice d;
    ASSERT_EQ(1, d.create(nullptr, 320, 240, 8, DisplayMode::Windowed));
    EXPECT_EQ(16, d.bitsPerPixel) << "an off-screen window has the card's own depth";
    EXPECT_EQ(d.palette, nullptr);
    EXPECT_EQ(1, d.present());
}

TEST(DisplayDevice, CreatingAgainReplacesWhatTheFirstHeld) {
    DisplayDevice d;
    ASSERT_TRUE(d.create(nullptr, 64, 48, 8, DisplayMode::FullScreen));
    ASSERT_TRUE(d.setClipList(0, nullptr));
    ASSERT_TRUE(d.create(nullptr, 32, 16, 16, DisplayMode::Windowed));
    EXPECT_EQ(d.clipper, nullptr);
    EXPECT_EQ(d.palette, nullptr) << "a 16-bit display has no palette";
    EXPECT_EQ(d.surface->width, 32);
    EXPECT_EQ(d.directDraw->bitsPerPixel, 16);
    EXPECT_FALSE(d.create(nullptr, 0, 16, 16, DisplayMode::Windowed));
    EXPECT_NE(std::string(displayError()).find("empty"), std::string::npos) << displayError();
    EXPECT_EQ(d.directDraw, nullptr);
}

TEST(PresentLayout, KeepsFourByThreeAndFindsTheWholeScale) {
    PresentLayout same = presentLayout(640, 480, 640, 480);
    EXPECT_EQ((std::tuple(1, 0, 0, 640, 480)), std::tuple(same.scale, same.x, same.y, same.w, same.h));
    PresentLayout hd = presentLayout(640, 480, 1920, 1080);
    EXPECT_EQ((std::tuple(2, 240, 0, 1440, 1080)), std::tuple(hd.scale, hd.x, hd.y, hd.w, hd.h));
    PresentLayout qhd = presentLayout(640, 480, 2560, 1440);
    EXPECT_EQ((std::tuple(3, 320, 0, 1920, 1440)), std::tuple(qhd.scale, qhd.x, qhd.y, qhd.w, qhd.h));
    PresentLayout exact = presentLayout(640, 480, 1280, 960);
    EXPECT_EQ((std::tuple(2, 0, 0, 1280, 960)), std::tuple(exact.scale, exact.x, exact.y, exact.w, exact.h));
    PresentLayout tall = presentLayout(640, 480, 1080, 1920);
    EXPECT_EQ((std::tuple(1, 0, 555, 1080, 810)), std::tuple(tall.scale, tall.x, tall.y, tall.w, tall.h));
    PresentLayout small = presentLayout(640, 480, 320, 200);
    EXPECT_EQ((std::tuple(1, 27, 0, 266, 200)), std::tuple(small.scale, small.x, small.y, small.w, small.h));
}

// The real presentation path, on SDL's headless video driver, into the
// card's own window (full screen at first).
class DisplayOnWindow : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!startPlatform()) GTEST_SKIP() << "no video driver: " << platformError();
        platformWindow = createMainWindow(640, 480);
        ASSERT_NE(platformWindow, nullptr) << platformError();
        window = platformWindow->sdl;
    }
    void TearDown() override {
        destroyMainWindow(platformWindow);
        stopPlatform();
    }
    SDL_Window* window = nullptr;
    PlatformWindow* platformWindow = nullptr;
};

TEST_F(DisplayOnWindow, BothModesPresentWholeFramesAndLeaveTheWindowWhereItIs) {
    for (WindowPlacement placement : {WindowPlacement::FullScreen, WindowPlacement::Window}) {
        ASSERT_TRUE(setWindowPlacement(platformWindow, placement));
        const bool fullScreen = placement == WindowPlacement::FullScreen;
        for (int bits : {16, 8}) {
            DisplayDevice d;
            ASSERT_EQ(1, d.create(platformWindow, 640, 480, bits, DisplayMode::FullScreen)) << displayError();
            EXPECT_EQ(bits, d.bitsPerPixel) << "the card's own depth in a window too";
            Solid white(d, 640, 480, bits == 8 ? 255 : 0xFFFF);
            for (int i = 0; i < 3; ++i) {
                d.clear();
                white.image.blit(d, 0, 0, 640, 480, 0, 0, 640, 480);
                EXPECT_EQ(1, d.present()) << SDL_GetError();
            }
            EXPECT_EQ(3u, d.directDraw->framesShown);
            d.release();
            EXPECT_EQ(fullScreen, (SDL_GetWindowFlags(window) & SDL_WINDOW_FULLSCREEN_DESKTOP) != 0)
                << "the window's placement is the window's business";
        }
    }
    DisplayDevice w;
    ASSERT_EQ(1, w.create(platformWindow, 640, 480, 8, DisplayMode::Windowed)) << displayError();
    EXPECT_TRUE(w.bitsPerPixel == 16 || w.bitsPerPixel == 32)
        << "the desktop's depth, not 8: " << w.bitsPerPixel;
    EXPECT_EQ(1, w.present());
}

// What reached the window, read back from the window's surface (the
// headless driver has no hardware renderer, so the card draws there itself).
uint32_t shownAt(SDL_Window* window, int x, int y) {
    SDL_Surface* s = SDL_GetWindowSurface(window);
    if (s == nullptr) return 0xDEADBEEF;
    uint32_t raw = 0;
    std::memcpy(&raw, static_cast<uint8_t*>(s->pixels) + y * s->pitch + x * s->format->BytesPerPixel,
                s->format->BytesPerPixel);
    uint8_t r, g, b;
    SDL_GetRGB(raw, s->format, &r, &g, &b);
    return uint32_t(r) << 16 | uint32_t(g) << 8 | b;
}

// Red on the left half, blue on the right, presented.
void presentRedAndBlue(DisplayDevice& d) {
    Solid red(d, 320, 480, 0xF800), blue(d, 320, 480, 0x001F);
    d.clear();
    red.image.blit(d, 0, 0, 320, 480, 0, 0, 320, 480);
    blue.image.blit(d, 320, 0, 320, 480, 0, 0, 320, 480);
    ASSERT_EQ(1, d.present()) << SDL_GetError();
}

TEST_F(DisplayOnWindow, AWindowOfAnyShapeShowsThePictureCentredWithItsShapeAndBarsAround) {
    ASSERT_TRUE(setWindowPlacement(platformWindow, WindowPlacement::Window));
    DisplayDevice d;
    ASSERT_EQ(1, d.create(platformWindow, 640, 480, 16, DisplayMode::FullScreen)) << displayError();
    struct Shape {
        int w, h;
        PresentLayout expected;  // scale, x, y, w, h
    } shapes[] = {
        {1000, 500, {1, 167, 0, 666, 500}},  // wide: bars left and right
        {700, 900, {1, 0, 187, 700, 525}},   // tall: bars above and below
        {1400, 960, {2, 60, 0, 1280, 960}},  // twice in height, wider
    };
    for (const Shape& s : shapes) {
        SDL_SetWindowSize(window, s.w, s.h);
        presentRedAndBlue(d);
        const PresentLayout& l = s.expected;
        const PresentLayout got = presentLayout(640, 480, s.w, s.h);
        EXPECT_EQ(std::tuple(l.scale, l.x, l.y, l.w, l.h), std::tuple(got.scale, got.x, got.y, got.w, got.h));
        SCOPED_TRACE(std::to_string(s.w) + "x" + std::to_string(s.h));
        EXPECT_EQ(0xFF0000u, shownAt(window, l.x + 1, l.y + l.h / 2));
        EXPECT_EQ(0x0000FFu, shownAt(window, l.x + l.w - 2, l.y + l.h / 2));
        EXPECT_EQ(0xFF0000u, shownAt(window, l.x + l.w / 4, l.y));
        EXPECT_EQ(0x0000FFu, shownAt(window, l.x + 3 * l.w / 4, l.y + l.h - 1));
        // The bars, black up to the picture's edge.
        if (l.x > 0) {
            EXPECT_EQ(0u, shownAt(window, 0, s.h / 2));
            EXPECT_EQ(0u, shownAt(window, l.x - 1, s.h / 2));
            EXPECT_EQ(0u, shownAt(window, l.x + l.w, s.h / 2));
            EXPECT_EQ(0u, shownAt(window, s.w - 1, s.h / 2));
        }
        if (l.y > 0) {
            EXPECT_EQ(0u, shownAt(window, s.w / 2, 0));
            EXPECT_EQ(0u, shownAt(window, s.w / 4, l.y - 1));
            EXPECT_EQ(0u, shownAt(window, s.w / 4, l.y + l.h));
            EXPECT_EQ(0u, shownAt(window, s.w / 2, s.h - 1));
        }
    }
}

TEST_F(DisplayOnWindow, AtAWholeScaleEveryPixelBecomesASharpSquare) {
    ASSERT_TRUE(setWindowPlacement(platformWindow, WindowPlacement::Window));
    SDL_SetWindowSize(window, 1280, 960);
    DisplayDevice d;
    ASSERT_EQ(1, d.create(platformWindow, 640, 480, 16, DisplayMode::FullScreen)) << displayError();
    // A checkerboard of single pixels: any smoothing would mix its colours.
    uint8_t* p = d.lock();
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 640; ++x)
            reinterpret_cast<uint16_t*>(p + y * d.lockPitch)[x] = (x + y) % 2 ? 0xFFFF : 0x07E0;
    d.unlock();
    ASSERT_EQ(1, d.present());
    int wrong = 0;
    for (int y = 0; y < 960; y += 3)
        for (int x = 0; x < 1280; x += 5)
            wrong += shownAt(window, x, y) != ((x / 2 + y / 2) % 2 ? 0xFFFFFFu : 0x00FF00u);
    EXPECT_EQ(wrong, 0);
}

TEST_F(DisplayOnWindow, FrameFillsTheScreenWithItsLeftAndRightInPlace) {
    DisplayDevice d;
    ASSERT_EQ(1, d.create(platformWindow, 640, 480, 16, DisplayMode::FullScreen)) << displayError();
    Solid red(d, 320, 480, 0xF800), blue(d, 320, 480, 0x001F);
    red.image.blit(d, 0, 0, 320, 480, 0, 0, 320, 480);
    blue.image.blit(d, 320, 0, 320, 480, 0, 0, 320, 480);
    ASSERT_EQ(1, d.present());
    int w = 0, h = 0;
    SDL_GetWindowSize(window, &w, &h);
    PresentLayout l = presentLayout(640, 480, w, h);
    EXPECT_EQ(0xFF0000u, shownAt(window, l.x + 2, l.y + l.h / 2));
    EXPECT_EQ(0x0000FFu, shownAt(window, l.x + l.w - 3, l.y + l.h / 2));
    EXPECT_EQ(0xFF0000u, shownAt(window, l.x + l.w / 4, l.y + 1));
    EXPECT_EQ(0x0000FFu, shownAt(window, l.x + 3 * l.w / 4, l.y + l.h - 2));
}

}  // namespace
