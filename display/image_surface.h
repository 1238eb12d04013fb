#pragma once
// An off-screen picture: a bitmap converted to the display's pixel format,
// or an empty layer that the processor draws into. Black (0) is transparent
// when it is blitted.
#include <cstdint>

#include "display/surface.h"
#include "platform/bitmap.h"

struct DisplayContext;

// Memory kinds a picture may ask for. Both give ordinary memory here; the
// flags are kept so callers state their intent.
constexpr uint32_t DDSCAPS_OFFSCREENPLAIN = 0x40;
constexpr uint32_t DDSCAPS_SYSTEMMEMORY = 0x800;
constexpr uint32_t DDSCAPS_VIDEOMEMORY = 0x4000;

class ImageSurface : public Surface {
  public:
    ImageSurface();
    ~ImageSurface() override;

    // Makes an empty (black) width x height surface in the display's pixel
    // format. Returns 1, or 0 without a surface.
    int create(DisplayContext* directDraw, int32_t width, int32_t height, uint32_t caps);
    // Makes a surface of the bitmap's own size holding the bitmap. Returns 1,
    // or 0 when the bitmap cannot be loaded.
    int createFromBitmap(DisplayContext* directDraw, BitmapName name, uint32_t caps);
    // Copies a bitmap onto the existing surface, stretched to fit. A non-zero
    // width or height scales the bitmap while loading. Returns 1, or 0 when
    // the bitmap cannot be loaded.
    int loadBitmap(BitmapName name, int32_t width, int32_t height);
    // Stretches the region (sx, sy, sw, sh) of `bitmap` over the whole
    // surface; sw or sh 0 stand for the bitmap's own width or height.
    // Returns 1, or 0 when the bitmap or the surface is missing.
    int copyBitmap(const Bitmap* bitmap, int32_t sx, int32_t sy, int32_t sw, int32_t sh);
    // Gives up the picture. Harmless when it was never made, was already
    // given up, or the display is gone. Returns 1.
    int release();
};
