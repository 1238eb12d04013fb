#pragma once
// The card's one window, with the card's title and icon. It paints nothing
// itself; the display draws into it. It is either full screen (borderless,
// covering the screen) or a normal desktop window (decorated, movable,
// resizable) and can change between the two while the card runs; what the
// card draws does not change with it. What a window is belongs to the
// backend (a desktop window, a canvas, a frame in memory); the rest of the
// card only holds it.
#include <cstdint>

struct PlatformWindow;

// The full-screen window keeps the card's historic title; a desktop window,
// which a title bar, a task bar and a window switcher show, takes the card's
// name, which tells a person what it is.
constexpr const char* WINDOW_TITLE = "Tessary DirectDraw Wrapper";
constexpr const char* DESKTOP_WINDOW_TITLE = "yulecard";

enum class WindowPlacement {
    FullScreen,  // borderless over the whole screen; the screen's mode is not changed
    Window,      // a normal window on the desktop
};

// Starts the platform's video and event services. False with the cause in
// platformError(), as one line a user can act on (no graphical display:
// what is missing and what to do).
bool startPlatform();
// Ends what startPlatform began (also after a failed start).
void stopPlatform();

// Creates the window for a picture of width x height, titled WINDOW_TITLE
// (DESKTOP_WINDOW_TITLE as a desktop window), shown, with the icon of
// resource 101. Full screen, it starts borderless
// at (0, 0) with the picture's size and then covers the screen; as a
// window, it is centred at the size windowScale() chooses. Null on failure
// (cause in platformError()); a missing icon is no failure.
PlatformWindow* createMainWindow(int32_t width, int32_t height,
                                 WindowPlacement placement = WindowPlacement::FullScreen);
void destroyMainWindow(PlatformWindow* window);

// Moves the window between full screen and a desktop window, with the
// placement's title. Back in a window, it takes the place and size it had
// there last (the first time: centred at the size windowScale() chooses). False when the platform
// refused; the window then keeps its placement.
bool setWindowPlacement(PlatformWindow* window, WindowPlacement placement);
WindowPlacement windowPlacement(const PlatformWindow* window);

// The whole-number scale a window shows a pictureWidth x pictureHeight
// picture at, on a desktop whose free area is areaWidth x areaHeight (the
// window's frame included): 2 where that fits, else the largest that fits,
// at least 1.
int32_t windowScale(int32_t pictureWidth, int32_t pictureHeight, int32_t areaWidth, int32_t areaHeight);

// Sets the window's icon from the "ICON" resource `id` (a BMP). False when
// there is no such picture or the platform refuses it.
bool setWindowIconFromResource(PlatformWindow* window, int id);

// The depth the desktop shows `window` at: 16 or 32 bits per pixel.
int32_t desktopDepth(PlatformWindow* window);

// The cause of the last failure of this layer, as one line.
const char* platformError();
