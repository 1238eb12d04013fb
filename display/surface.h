#pragma once
// The base of every picture the card draws: one block of pixels with its
// palette, clip list and lock state. Pixels of the card's 16-bit mode are
// RGB565; 0 is black and is the transparent colour of every blit.
#include <cstdint>

class DisplayDevice;
struct PixelBuffer;  // the pixels of one surface (display/pixel_buffer.h)
struct ClipList;     // a clip list of rectangles (display/clip_list.h)
struct Palette;      // a 256-entry palette (display/pixel_buffer.h)

// One palette colour, laid out as the card's 8-bit palettes are built.
struct PaletteEntry {
    uint8_t red;
    uint8_t green;
    uint8_t blue;
    uint8_t flags;
};

constexpr uint8_t PC_NOCOLLAPSE = 0x04;

class Surface {
  public:
    Surface();
    virtual ~Surface();
    Surface(const Surface&) = delete;
    Surface& operator=(const Surface&) = delete;

    // Fills the whole surface with 0 (black). Returns 1.
    int clear();
    // Returns the address of the first pixel and sets lockPitch, or null
    // when there are no pixels. A second lock returns the same address.
    uint8_t* lock();
    // Returns 1, or 0 when the surface is not locked.
    int unlock();
    // Draws the rectangle (sx, sy, sw, sh) of this surface onto the display's
    // back buffer at (dx, dy, dw, dh), black transparent, clipped to the
    // display's clip list; stretches when the sizes differ. Returns 1 when
    // the blit was accepted, 0 when either side has no pixels, a rectangle is
    // empty or the formats differ.
    int blit(DisplayDevice& display, int32_t dx, int32_t dy, int32_t dw, int32_t dh, int32_t sx, int32_t sy,
             int32_t sw, int32_t sh);

    PixelBuffer* surface = nullptr;  // the back buffer of a display, the picture of an image
    ClipList* clipper = nullptr;
    Palette* palette = nullptr;  // made for 8-bit surfaces only
    PaletteEntry paletteEntries[256] = {};
    int32_t lockPitch = 0;           // bytes per row while locked, else 0
    uint8_t* lockPointer = nullptr;  // first pixel while locked, else null
    int32_t bitsPerPixel = 0;
    int32_t width = 0;
    int32_t height = 0;
};
