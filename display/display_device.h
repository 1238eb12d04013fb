#pragma once
// The screen: a back buffer that every frame is drawn into and that present
// shows whole, scaled sharply with 4:3 kept (in whatever the platform window
// is: full screen or a desktop window), or copied at the desktop's depth and
// stretched over a window.
//
// The names come from the display interface the card was first written for:
//   directDraw  the display service pictures are made from (DisplayContext)
//   surface     a surface's pixels; on the display, the back buffer
//   primary     the pixels on the screen: the front buffer
//   clipper     the clip list of the back buffer
#include <cstdint>

#include "display/surface.h"

struct PlatformWindow;
struct DisplayContext;  // the display service that surfaces are made from (display/display_context.h)

// A clip rectangle: right and bottom are exclusive.
struct ClipRect {
    int32_t left;
    int32_t top;
    int32_t right;
    int32_t bottom;
};

enum class DisplayMode {
    FullScreen,  // the back buffer at the depth asked for; present flips; shape kept
    Windowed,    // the back buffer at the desktop's depth; present copies; stretched
};

class DisplayDevice : public Surface {
  public:
    DisplayDevice();
    ~DisplayDevice() override;

    // Opens the display for `window`: full screen with a width x height back
    // buffer of `bitsPerPixel` (16, 32, or 8 with the ramp palette), or
    // windowed at the desktop's depth (`bitsPerPixel` is then not used).
    // Returns false, holding nothing, with the cause in displayError(). A
    // null window gives an off-screen display whose present only flips (for
    // tools and tests).
    bool create(PlatformWindow* window, int32_t width, int32_t height, int32_t bitsPerPixel,
                DisplayMode mode);
    // Replaces the clip list of the back buffer by the union of `count`
    // rectangles. False without a display or out of memory.
    bool setClipList(int32_t count, const ClipRect* rects);
    // Shows the back buffer. False when nothing reached the screen: the back
    // buffer is locked in full-screen mode, or the platform refused the frame
    // PRESENT_ATTEMPTS times (the frame is then dropped).
    bool present();
    // Gives up the back buffer, the primary and the display service. Returns true.
    bool release();

    DisplayMode mode() const { return mode_; }

    DisplayContext* directDraw = nullptr;  // image surfaces are created from it
    PixelBuffer* primary = nullptr;        // what is on the screen

  private:
    DisplayMode mode_ = DisplayMode::FullScreen;
};

// Why the last DisplayDevice::create failed, as one line ("" after a success).
const char* displayError();
