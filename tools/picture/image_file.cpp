#include "tools/picture/image_file.h"

#include <png.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

void putLittleEndian(std::vector<uint8_t>& out, uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

bool validImage(const RgbImage& image, std::string& error) {
    if (image.width <= 0 || image.height <= 0 ||
        image.rgb.size() != static_cast<size_t>(image.width) * static_cast<size_t>(image.height) * 3) {
        error = "picture has no pixels or the wrong number of them";
        return false;
    }
    return true;
}

// Creates `path`, lets `write` fill it and closes it; a file that could not
// be written whole is removed. `write` returns false with `error` set, or
// with errno telling why the stream failed.
template <typename Write>
bool writeFile(const std::string& path, std::string& error, Write&& write) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) {
        error = "cannot create " + path + ": " + std::strerror(errno);
        return false;
    }
    // fix: only a regular file is removed after a failed write; run as root,
    // a path naming a device (/dev/full) would otherwise delete the device.
    struct stat info {};
    const bool removable = fstat(fileno(f), &info) == 0 && S_ISREG(info.st_mode);
    error.clear();
    errno = 0;
    const bool written = write(f, error) && std::fflush(f) == 0 && !std::ferror(f);
    const int writeErrno = errno;
    // A failed close (a full disk, say) loses the data as surely as a failed write.
    const bool closed = std::fclose(f) == 0;
    if (!written || !closed) {
        if (error.empty()) {
            const int cause = !written ? writeErrno : errno;
            error = "cannot write " + path + ": " + (cause ? std::strerror(cause) : "write failed");
        }
        if (removable) std::remove(path.c_str());
        return false;
    }
    return true;
}

}  // namespace

bool writePng(const std::string& path, const RgbImage& image, std::string& error) {
    if (!validImage(image, error)) return false;
    return writeFile(path, error, [&](FILE* f, std::string& why) {
        png_image png{};
        png.version = PNG_IMAGE_VERSION;
        png.width = static_cast<png_uint_32>(image.width);
        png.height = static_cast<png_uint_32>(image.height);
        png.format = PNG_FORMAT_RGB;
        const bool ok = png_image_write_to_stdio(&png, f, 0, image.rgb.data(), image.width * 3, nullptr) != 0;
        // libpng says what went wrong in the image's message; a failed stream
        // write leaves errno to say it better.
        if (!ok && errno == 0) why = "cannot write " + path + ": " + png.message;
        png_image_free(&png);
        return ok;
    });
}

bool writeBmp(const std::string& path, const RgbImage& image, std::string& error) {
    if (!validImage(image, error)) return false;
    const uint32_t rowBytes = (static_cast<uint32_t>(image.width) * 3 + 3) & ~3u;
    const uint32_t pixelBytes = rowBytes * static_cast<uint32_t>(image.height);
    std::vector<uint8_t> file;
    file.reserve(54 + pixelBytes);
    file.push_back('B');
    file.push_back('M');
    putLittleEndian(file, 54 + pixelBytes, 4);
    putLittleEndian(file, 0, 4);
    putLittleEndian(file, 54, 4);  // offset of the pixels
    putLittleEndian(file, 40, 4);  // BITMAPINFOHEADER
    putLittleEndian(file, static_cast<uint32_t>(image.width), 4);
    putLittleEndian(file, static_cast<uint32_t>(image.height), 4);  // positive: bottom-up rows
    putLittleEndian(file, 1, 2);
    putLittleEndian(file, 24, 2);
    putLittleEndian(file, 0, 4);  // uncompressed
    putLittleEndian(file, pixelBytes, 4);
    putLittleEndian(file, 2835, 4);  // 72 dots per inch
    putLittleEndian(file, 2835, 4);
    putLittleEndian(file, 0, 4);
    putLittleEndian(file, 0, 4);
    for (int32_t y = image.height - 1; y >= 0; --y) {
        const uint8_t* row = image.rgb.data() + static_cast<size_t>(y) * image.width * 3;
        for (int32_t x = 0; x < image.width; ++x) {
            file.push_back(row[3 * x + 2]);
            file.push_back(row[3 * x + 1]);
            file.push_back(row[3 * x]);
        }
        for (uint32_t pad = static_cast<uint32_t>(image.width) * 3; pad < rowBytes; ++pad) file.push_back(0);
    }
    return writeFile(path, error, [&](FILE* f, std::string&) {
        return std::fwrite(file.data(), 1, file.size(), f) == file.size();
    });
}
