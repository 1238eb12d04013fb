#pragma once
// Reads a PNG file back as 24-bit RGB with libpng, so a test compares
// pictures by their pixels, never by the file's bytes.
#include <png.h>

#include <filesystem>

#include "tools/picture/frame_picture.h"

inline bool readPng(const std::filesystem::path& path, RgbImage& image) {
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&png, path.c_str())) return false;
    png.format = PNG_FORMAT_RGB;
    image.width = static_cast<int32_t>(png.width);
    image.height = static_cast<int32_t>(png.height);
    image.rgb.resize(PNG_IMAGE_SIZE(png));
    return png_image_finish_read(&png, nullptr, image.rgb.data(), 0, nullptr) != 0;
}
