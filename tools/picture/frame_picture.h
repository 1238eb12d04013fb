#pragma once
// The card's frames as pictures for the tools: 16-bit RGB565 widened to
// 24-bit RGB by the card's own rule, and enlarged by whole pixels.
#include <cstdint>
#include <vector>

struct PixelBuffer;

struct RgbImage {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint8_t> rgb;  // rows top-down, 3 bytes a pixel: red, green, blue
};

// Sizes the tools enlarge to: 640x480 times 1, 2 or 3.
constexpr int32_t MIN_PICTURE_SCALE = 1;
constexpr int32_t MAX_PICTURE_SCALE = 3;

// Widens a 16-bit frame into `image` (resized to fit), each channel's top
// bits repeated into its low ones, so white stays 255 and every colour
// matches what the card shows. False, leaving `image` alone, for any other
// depth.
bool pictureFromFrame(const PixelBuffer& frame, RgbImage& image);

// Each pixel becomes a scale x scale block: never smoothed, so 1-pixel detail
// stays sharp. `scale` from MIN_PICTURE_SCALE to MAX_PICTURE_SCALE; any
// other value gives an empty picture.
RgbImage scaledByWholePixels(const RgbImage& image, int32_t scale);
