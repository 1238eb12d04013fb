#pragma once
// The card's one window: borderless, at the top left of the screen, with the
// card's title and icon. It paints nothing itself; the display draws into it.
// What a window is belongs to the backend (a desktop window, a canvas, a
// frame in memory); the rest of the card only holds it.
#include <cstdint>

struct PlatformWindow;

constexpr const char* WINDOW_TITLE = "Tessary DirectDraw Wrapper";

// Starts the platform's video and event services. False with the cause in
// platformError().
bool startPlatform();
// Ends what startPlatform began (also after a failed start).
void stopPlatform();

// Creates the window: title WINDOW_TITLE, borderless, at (0, 0), width x
// height, shown, with the icon of resource 101. Null on failure (cause in
// platformError()); a missing icon is no failure.
PlatformWindow* createMainWindow(int32_t width, int32_t height);
void destroyMainWindow(PlatformWindow* window);

// Sets the window's icon from the "ICON" resource `id` (a BMP). False when
// there is no such picture or the platform refuses it.
bool setWindowIconFromResource(PlatformWindow* window, int id);

// The depth the desktop shows `window` at: 16 or 32 bits per pixel.
int32_t desktopDepth(PlatformWindow* window);

// The cause of the last failure of this layer, as one line.
const char* platformError();
