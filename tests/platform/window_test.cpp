// The card's window between full screen and a desktop window, its size
// there, and what the card says when there is no display to show it on.
#include "platform/window.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <string>

#include "platform/sdl/display_access.h"
#include "platform/sdl/sdl_window.h"

namespace {

TEST(WindowScale, TwiceWhereItFitsElseTheLargestWholeScaleAtLeastOnce) {
    struct Case {
        int32_t areaWidth, areaHeight, scale;
    } cases[] = {
        {1920, 1050, 2},  // a common desktop less its panel
        {1280, 960, 2},   // exactly twice
        {1279, 960, 1},   // one pixel short in width
        {1280, 959, 1},   // and in height
        {3840, 2100, 2},  // more room is what full screen is for
        {1366, 720, 1},  {640, 480, 1},
        {320, 240, 1},  // a screen smaller than the picture: still the picture's size
        {0, 0, 1},       {-5, 100, 1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(windowScale(640, 480, c.areaWidth, c.areaHeight), c.scale)
            << c.areaWidth << "x" << c.areaHeight;
    EXPECT_EQ(windowScale(0, 480, 1920, 1080), 1) << "no picture, no division by zero";
}

// The real window on SDL's headless driver, whose one screen is 1024 x 768:
// twice the 640 x 480 picture does not fit there, so a window takes it once.
class MainWindow : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!startPlatform()) GTEST_SKIP() << "no video driver: " << platformError();
        ASSERT_EQ(0, SDL_GetDisplayBounds(0, &screen)) << SDL_GetError();
    }
    void TearDown() override {
        destroyMainWindow(window);
        stopPlatform();
    }

    static SDL_Rect rectOf(const PlatformWindow* w) {
        SDL_Rect r;
        SDL_GetWindowPosition(w->sdl, &r.x, &r.y);
        SDL_GetWindowSize(w->sdl, &r.w, &r.h);
        return r;
    }
    void expectFullScreen() const {
        EXPECT_EQ(windowPlacement(window), WindowPlacement::FullScreen);
        const Uint32 flags = SDL_GetWindowFlags(window->sdl);
        EXPECT_NE(flags & SDL_WINDOW_FULLSCREEN_DESKTOP, 0u);
        EXPECT_NE(flags & SDL_WINDOW_BORDERLESS, 0u);
        const SDL_Rect r = rectOf(window);
        EXPECT_EQ(r.w, screen.w);
        EXPECT_EQ(r.h, screen.h);
    }
    // The headless driver keeps a window's frame as it was made (the frame
    // after a switch is checked on a real X server, tests/e2e/card_window.sh).
    void expectDesktopWindow(int w, int h, bool madeSo = false) const {
        EXPECT_EQ(windowPlacement(window), WindowPlacement::Window);
        const Uint32 flags = SDL_GetWindowFlags(window->sdl);
        EXPECT_EQ(flags & SDL_WINDOW_FULLSCREEN_DESKTOP, 0u);
        if (madeSo) {
            EXPECT_EQ(flags & SDL_WINDOW_BORDERLESS, 0u) << "decorated";
            EXPECT_NE(flags & SDL_WINDOW_RESIZABLE, 0u);
        }
        const SDL_Rect r = rectOf(window);
        EXPECT_EQ(r.w, w);
        EXPECT_EQ(r.h, h);
    }

    SDL_Rect screen{};
    PlatformWindow* window = nullptr;
};

TEST_F(MainWindow, StartsInAWindowCentredAtTheChosenScale) {
    window = createMainWindow(640, 480, WindowPlacement::Window);
    ASSERT_NE(window, nullptr) << platformError();
    EXPECT_STREQ(SDL_GetWindowTitle(window->sdl), DESKTOP_WINDOW_TITLE);
    const int32_t scale = windowScale(640, 480, screen.w, screen.h);
    expectDesktopWindow(640 * scale, 480 * scale, true);
    const SDL_Rect r = rectOf(window);
    EXPECT_EQ(r.x, screen.x + (screen.w - r.w) / 2);
    EXPECT_EQ(r.y, screen.y + (screen.h - r.h) / 2);
}

TEST_F(MainWindow, SwitchesBackAndForthAndComesBackWhereTheUserLeftIt) {
    window = createMainWindow(640, 480);
    ASSERT_NE(window, nullptr) << platformError();
    expectFullScreen();

    ASSERT_TRUE(setWindowPlacement(window, WindowPlacement::Window)) << platformError();
    expectDesktopWindow(640, 480);

    // The user moves and resizes the window, goes full screen and back.
    SDL_SetWindowSize(window->sdl, 800, 500);
    SDL_SetWindowPosition(window->sdl, 30, 40);
    ASSERT_TRUE(setWindowPlacement(window, WindowPlacement::FullScreen)) << platformError();
    expectFullScreen();
    EXPECT_STREQ(SDL_GetWindowTitle(window->sdl), WINDOW_TITLE);
    ASSERT_TRUE(setWindowPlacement(window, WindowPlacement::Window)) << platformError();
    expectDesktopWindow(800, 500);
    EXPECT_STREQ(SDL_GetWindowTitle(window->sdl), DESKTOP_WINDOW_TITLE) << "a desktop window says what it is";
    const SDL_Rect r = rectOf(window);
    EXPECT_EQ(r.x, 30);
    EXPECT_EQ(r.y, 40);

    EXPECT_TRUE(setWindowPlacement(window, WindowPlacement::Window)) << "already there: nothing to do";
    expectDesktopWindow(800, 500);
    EXPECT_FALSE(setWindowPlacement(nullptr, WindowPlacement::Window));
}

TEST_F(MainWindow, AWindowCannotBeMadeSoSmallThatThePictureVanishes) {
    window = createMainWindow(640, 480, WindowPlacement::Window);
    ASSERT_NE(window, nullptr) << platformError();
    SDL_SetWindowSize(window->sdl, 10, 10);
    int w = 0, h = 0;
    SDL_GetWindowSize(window->sdl, &w, &h);
    EXPECT_GE(w, 160);
    EXPECT_GE(h, 120);
}

TEST(DisplayAccess, DriversThatShowNothingOnlyWhenAskedFor) {
    DisplayEnvironment desktop;
    desktop.display = ":0";
    EXPECT_TRUE(driverAcceptable("x11", desktop));
    EXPECT_TRUE(driverAcceptable("wayland", desktop));
    EXPECT_TRUE(driverAcceptable("KMSDRM", desktop));
    for (const char* invisible : {"offscreen", "dummy", "evdev"}) {
        EXPECT_FALSE(driverAcceptable(invisible, desktop)) << invisible << ": the fallback of a lost session";
        DisplayEnvironment asked = desktop;
        asked.requestedDrivers = invisible;
        EXPECT_TRUE(driverAcceptable(invisible, asked)) << invisible;
    }
    EXPECT_FALSE(driverAcceptable(nullptr, desktop)) << "no driver at all";

    // SDL_VIDEODRIVER may name several, in any letter case.
    EXPECT_TRUE(driverRequested("offscreen", "x11,OffScreen"));
    EXPECT_TRUE(driverRequested("dummy", "dummy,"));
    EXPECT_FALSE(driverRequested("dummy", "x11,wayland"));
    EXPECT_FALSE(driverRequested("dummy", "dumm"));
    EXPECT_FALSE(driverRequested("dummy", "dummyx"));
    EXPECT_FALSE(driverRequested("dummy", ""));
    EXPECT_FALSE(driverRequested("dummy", nullptr));
}

TEST(DisplayAccess, TheMessageSaysWhatIsMissingAndWhatToDoInOneLine) {
    DisplayEnvironment none;
    EXPECT_EQ(noDisplayMessage(none, nullptr),
              "no graphical display (DISPLAY and WAYLAND_DISPLAY are not set); run the card in a desktop "
              "session, or set SDL_VIDEODRIVER");

    DisplayEnvironment gone;
    gone.display = ":77";
    EXPECT_EQ(noDisplayMessage(gone, nullptr),
              "cannot reach the graphical display (DISPLAY=:77); run the card in a desktop session, or set "
              "SDL_VIDEODRIVER");
    gone.waylandDisplay = "wayland-9";
    EXPECT_EQ(
        noDisplayMessage(gone, "no server\non this line"),
        "cannot reach the graphical display (DISPLAY=:77, WAYLAND_DISPLAY=wayland-9): no server on this "
        "line; run the card in a desktop session, or set SDL_VIDEODRIVER");

    DisplayEnvironment chosen;
    chosen.requestedDrivers = "x11";
    EXPECT_EQ(noDisplayMessage(chosen, "x11 not available"),
              "cannot start the video driver SDL_VIDEODRIVER=x11: x11 not available");
    EXPECT_EQ(noDisplayMessage(chosen, ""), "cannot start the video driver SDL_VIDEODRIVER=x11");
}

TEST(DisplayAccess, NoSessionFailsAtOnceWithTheMessage) {
    // The tests choose SDL's headless driver; without it (and with no
    // session named) the start must fail rather than run unseen.
    const std::string saved[] = {getenv("SDL_VIDEODRIVER") ? getenv("SDL_VIDEODRIVER") : "",
                                 getenv("DISPLAY") ? getenv("DISPLAY") : "",
                                 getenv("WAYLAND_DISPLAY") ? getenv("WAYLAND_DISPLAY") : ""};
    const char* names[] = {"SDL_VIDEODRIVER", "DISPLAY", "WAYLAND_DISPLAY"};
    for (const char* name : names) unsetenv(name);
    EXPECT_FALSE(startPlatform());
    EXPECT_EQ(std::string(platformError()).rfind("no graphical display (", 0), 0u) << platformError();
    stopPlatform();
    setenv("DISPLAY", "", 1);  // exported empty: still no session
    EXPECT_FALSE(startPlatform());
    EXPECT_EQ(std::string(platformError()).rfind("no graphical display (", 0), 0u) << platformError();
    stopPlatform();
    unsetenv("DISPLAY");
    for (int i = 0; i < 3; ++i)
        if (!saved[i].empty()) setenv(names[i], saved[i].c_str(), 1);
}

}  // namespace
