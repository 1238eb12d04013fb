#pragma once
// The null backend's window: no screen, only memory. Each presented frame
// is kept, as the display sent it, for the program to read back (the frame
// shot tool, a recorder, tests). Only programs that link this backend
// include this.
#include <array>
#include <cstdint>
#include <vector>

#include "platform/window.h"

struct PresentedFrame {
    int32_t width = 0;
    int32_t height = 0;
    int32_t bitsPerPixel = 0;  // 8, 16 (RGB565) or 32 (0x00RRGGBB)
    int32_t pitch = 0;         // bytes per row of `pixels`
    std::vector<uint8_t> pixels;
    std::array<uint32_t, 256> palette{};  // 0x00RRGGBB, for 8-bit frames
    uint64_t count = 0;                   // frames presented so far; 0: `pixels` holds none yet
};

struct PlatformWindow {
    int32_t width;
    int32_t height;
    PresentedFrame frame;                                     // the frame last presented into the window
    WindowPlacement placement = WindowPlacement::FullScreen;  // kept only: nothing is on a screen
    // For tests, a screen that goes away: the next this-many presenters
    // cannot be opened on the window, the next this-many frames are refused.
    int32_t refuseOpens = 0;
    int32_t refusePresents = 0;
};
