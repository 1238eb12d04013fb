#include <SDL.h>
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "platform/bitmap.h"
#include "platform/cursor.h"
#include "platform/resources.h"
#include "platform/sdl/sdl_window.h"
#include "platform/window.h"

namespace {

TEST(Bitmap, EmbeddedPicturesDecodeAtTheirSizes) {
    struct Expect {
        int id, w, h;
    } sizes[] = {{102, 640, 480}, {103, 640, 480}, {104, 475, 480}, {105, 608, 560}, {107, 140, 274}};
    for (const Expect& e : sizes) {
        Bitmap* b = loadBitmapImage(e.id, 0, 0);
        ASSERT_NE(b, nullptr) << e.id;
        EXPECT_EQ(e.w, b->width) << e.id;
        EXPECT_EQ(e.h, b->height) << e.id;
        freeBitmap(b);
    }
    Bitmap* font = loadBitmapImage(106, 0, 0);
    ASSERT_NE(font, nullptr);
    EXPECT_EQ(273, font->width);
    EXPECT_EQ(562, font->height);  // 33 rows of glyphs
    freeBitmap(font);
}

TEST(Bitmap, DamagedOrForeignBytesAreRefused) {
    Resource r = findResource(102, "BITMAP");
    ASSERT_NE(r.bytes, nullptr);
    EXPECT_EQ(decodeBitmap(r.bytes, 40), nullptr) << "cut inside the header";
    EXPECT_EQ(decodeBitmap(r.bytes, r.size / 2), nullptr) << "cut inside the pixels";
    std::vector<uint8_t> bad(r.bytes, r.bytes + r.size);
    bad[0] = 'X';
    EXPECT_EQ(decodeBitmap(bad.data(), uint32_t(bad.size())), nullptr) << "not a BMP";
    EXPECT_EQ(decodeBitmap(nullptr, 100), nullptr);
    EXPECT_EQ(loadBitmapImage(12345, 0, 0), nullptr);
    EXPECT_EQ(loadBitmapImage("", 0, 0), nullptr);
}

TEST(Bitmap, SizeAskedForAtLoadScalesEachSideOnItsOwn) {
    Bitmap* b = loadBitmapImage(104, 100, 0);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(100, b->width);
    EXPECT_EQ(480, b->height);
    freeBitmap(b);
}

TEST(Window, TitleIconAndHiddenCursorOnTheHeadlessDriver) {
    if (!startPlatform()) GTEST_SKIP() << "no video driver: " << platformError();
    PlatformWindow* window = createMainWindow(640, 480);
    ASSERT_NE(window, nullptr) << platformError();
    SDL_Window* w = window->sdl;
    EXPECT_STREQ("Tessary DirectDraw Wrapper", SDL_GetWindowTitle(w));
    EXPECT_NE(0u, SDL_GetWindowFlags(w) & SDL_WINDOW_BORDERLESS);
    // Full screen covers the screen, whatever the picture's size.
    SDL_Rect screen;
    ASSERT_EQ(0, SDL_GetDisplayBounds(0, &screen)) << SDL_GetError();
    int width = 0, height = 0;
    SDL_GetWindowSize(w, &width, &height);
    EXPECT_EQ(screen.w, width);
    EXPECT_EQ(screen.h, height);
    EXPECT_EQ(1, setWindowIconFromResource(window, 101));
    EXPECT_EQ(0, setWindowIconFromResource(window, 102)) << "102 is no icon";
    hideCursor();
    EXPECT_EQ(0, cursorShown());
    destroyMainWindow(window);
    stopPlatform();
}

}  // namespace
