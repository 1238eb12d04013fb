#pragma once
// Writes 24-bit RGB pictures as PNG or BMP files, with no library beyond the
// standard one.
#include <cstdint>
#include <string>
#include <vector>

struct RgbImage {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint8_t> rgb;  // rows top-down, 3 bytes a pixel: red, green, blue
};

// Each returns true when the whole file was written; on false, `error` says why.
bool writePng(const std::string& path, const RgbImage& image, std::string& error);
bool writeBmp(const std::string& path, const RgbImage& image, std::string& error);
