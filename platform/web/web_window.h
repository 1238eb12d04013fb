#pragma once
// The web backend's window: the page's one canvas, which the backend draws
// into through the page's script. Only the web backend's files include this.
#include <cstdint>

#include "platform/window.h"

struct PlatformWindow {
    int32_t width;
    int32_t height;
    // What the card asked for; the page always gives the canvas the whole
    // window (the browser's own full screen is the page's to ask for).
    WindowPlacement placement;
};

// Where the backend's files leave the cause of a failure for platformError().
void setWebPlatformError(const char* cause);
