#pragma once
// The screen: a back buffer that every frame is drawn into and that present
// shows whole, full screen (scaled sharply, 4:3 kept) or into a window.
#include <cstdint>

#include "display/surface.h"

struct SDL_Window;
struct DisplayContext;  // the display service that surfaces are made from (display/display_context.h)

// A clip rectangle: right and bottom are exclusive.
struct ClipRect {
    int32_t left;
    int32_t top;
    int32_t right;
    int32_t bottom;
};

class DisplayDevice : public Surface {
  public:
    DisplayDevice();
    ~DisplayDevice() override;

    // Opens the display for `window`: full screen (windowed 0) with a
    // width x height back buffer of `bitsPerPixel` (16, or 8 with the ramp
    // palette), or windowed (1) at the desktop's depth. Returns 1 or 0; on 0
    // nothing is left held. A null window gives an off-screen display whose
    // present only flips (for tools and tests).
    int create(SDL_Window* window, int32_t width, int32_t height, int32_t bitsPerPixel, int32_t windowed);
    // Replaces the clip list of the back buffer by the union of `count`
    // rectangles. Returns 1 or 0.
    int setClipList(int32_t count, const ClipRect* rects);
    // Shows the back buffer. Returns 0 (showing nothing) while the back
    // buffer is locked in full-screen mode, else 1.
    int present();
    // Gives up the back buffer, the primary and the display service. Returns 1.
    int release();

    DisplayContext* directDraw = nullptr;  // image surfaces are created from it
    PixelBuffer* primary = nullptr;        // what is on the screen
    SDL_Window* window = nullptr;
    int32_t windowed = 0;
};

// Why the last DisplayDevice::create failed, as one line ("" after a success).
const char* displayError();
