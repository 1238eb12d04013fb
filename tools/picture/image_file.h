#pragma once
// Writes 24-bit RGB pictures as PNG (through libpng) or BMP files.
#include <string>

#include "tools/picture/frame_picture.h"

// Each returns true when the whole file was written; on false, `error` says
// why and no file is left at `path`.
bool writePng(const std::string& path, const RgbImage& image, std::string& error);
bool writeBmp(const std::string& path, const RgbImage& image, std::string& error);
