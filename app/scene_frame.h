#pragma once
// The scene's three entry points, which the frame loop calls, and the screen
// they open: sceneInit once the window exists, sceneFrame at every frame
// tick, sceneShutdown once after the loop (also after a failed sceneInit).
#include <cstdint>

#include "display/display_device.h"

constexpr int32_t SCREEN_WIDTH = 640;
constexpr int32_t SCREEN_HEIGHT = 480;
constexpr int32_t SCREEN_BPP = 16;

// The screen; defined with the scene's other globals in app/scene_state.cpp.
extern DisplayDevice display;

// Opens the full-screen display, sets the clip list to the screen, hides the
// cursor, then sets up the content. Returns 1, or 0 when the display cannot
// be opened (nothing else is set up then).
int sceneInit();
// Clears the back buffer, draws the content, presents. Returns 1.
int sceneFrame();
// Gives up the content, then the display. Returns 1.
int sceneShutdown();
// The card's sky before the show opens (a web page's invitation): opens the
// display, draws the backdrop alone, presents it and releases the display.
// Returns 1, or 0 when nothing could be shown.
int sceneShowBackdrop();
