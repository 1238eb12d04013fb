#pragma once
// The display service a DisplayDevice opens and image surfaces are made
// from: the window's presenter and the pixel depth of every surface.
#include <cstdint>

struct ScreenPresenter;

// A failing present is tried this many times in all, then the frame is
// dropped, so that a screen that is gone for good cannot stall the loop.
constexpr int32_t PRESENT_ATTEMPTS = 3;

struct DisplayContext {
    ScreenPresenter* presenter;  // null for an off-screen display
    int32_t bitsPerPixel;        // depth of the surfaces made from it
    uint32_t framesShown;        // presents that reached the screen
    uint32_t framesDropped;      // presents given up after PRESENT_ATTEMPTS
};
