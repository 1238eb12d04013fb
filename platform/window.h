#pragma once
// The card's one window: borderless, at the top left of the screen, with the
// card's title and icon. It paints nothing itself; the display draws into it.
#include <cstdint>

struct SDL_Window;

constexpr const char* WINDOW_TITLE = "Tessary DirectDraw Wrapper";

// Starts the platform's video and event services. Returns 1, or 0 with the
// cause in platformError().
int startPlatform();
// Ends what startPlatform began (also after a failed start).
void stopPlatform();

// Creates the window: title WINDOW_TITLE, borderless, at (0, 0), width x
// height, shown, with the icon of resource 101. Null on failure (cause in
// platformError()); a missing icon is no failure.
SDL_Window* createMainWindow(int32_t width, int32_t height);
void destroyMainWindow(SDL_Window* window);

// Sets the window's icon from the "ICON" resource `id` (a BMP). Returns 1 or 0.
int setWindowIconFromResource(SDL_Window* window, int id);

// The cause of the last failure of this layer, as one line.
const char* platformError();
