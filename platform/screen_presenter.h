#pragma once
// Shows the card's frames in its window, whatever the window's size. With
// the frame's shape kept, the frame is scaled as large as the window allows,
// black bars around: nearest-neighbour up to the largest whole-number scale,
// then one linear pass to the final size, so pixels come out sharp and even.
// Stretched, it covers the whole client area. The window's size is read at
// every present, so the window may change (full screen, a desktop window
// the user resizes) while the presenter is open. Vsync where the platform
// offers it; the pace of frames stays the caller's.
#include <cstdint>

struct PlatformWindow;
struct ScreenPresenter;

enum class PresentFit {
    KeepShape,  // largest whole-then-smooth scale that fits, centred, black bars
    Stretch,    // over the whole client area
};

struct PresentLayout {
    int32_t scale;  // whole-number scale of the nearest-neighbour pass (at least 1)
    int32_t x, y;   // top left of the picture in the output
    int32_t w, h;   // size of the picture in the output
};

// Where a frameWidth x frameHeight picture goes in an outputWidth x
// outputHeight output, aspect kept and centred.
PresentLayout presentLayout(int32_t frameWidth, int32_t frameHeight, int32_t outputWidth,
                            int32_t outputHeight);

// Opens the presenter for frames of width x height at bitsPerPixel (8, 16 or
// 32). Null on failure, with the cause in platformError().
ScreenPresenter* openPresenter(PlatformWindow* window, int32_t width, int32_t height, int32_t bitsPerPixel,
                               PresentFit fit);
void closePresenter(ScreenPresenter* presenter);

// Shows one frame. `palette` (256 entries of 0x00RRGGBB) is used for 8-bit
// frames only. False when the platform refused it; the next call rebuilds
// what the platform may have lost.
bool presentFrame(ScreenPresenter* presenter, const uint8_t* pixels, int32_t pitch, const uint32_t* palette);

// The processor's share of a present: a frame copied into texture memory of
// `dstBitsPerPixel` (16 or 32). 8-bit frames go through `palette`.
void convertFrame(uint8_t* dst, int32_t dstPitch, int32_t dstBitsPerPixel, const uint8_t* src,
                  int32_t srcPitch, int32_t srcBitsPerPixel, int32_t width, int32_t height,
                  const uint32_t* palette);
