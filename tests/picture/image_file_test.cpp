// Picture files read back as other programs read them: the PNG through
// libpng, the BMP byte by byte; pixels compared, never file bytes.
#include "tools/picture/image_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "tests/support/read_png.h"

namespace {

namespace fs = std::filesystem;

fs::path scratch(const std::string& name) {
    const fs::path dir = fs::path(YULE_TEST_OUT) / "image-file" / name;
    fs::remove_all(dir);
    fs::create_directories(dir);
    return dir;
}

// Fine detail in every channel and odd sizes, so that row padding, filters
// and channel order would all show.
RgbImage testPicture(int32_t width, int32_t height) {
    RgbImage image;
    image.width = width;
    image.height = height;
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x) {
            image.rgb.push_back(static_cast<uint8_t>(x * 37 + y));
            image.rgb.push_back(static_cast<uint8_t>((x ^ y) * 11));
            image.rgb.push_back(static_cast<uint8_t>(y * 53 - x));
        }
    return image;
}

bool readBmp(const fs::path& path, RgbImage& image) {
    std::ifstream in(path, std::ios::binary);
    const std::vector<uint8_t> d((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    auto u32 = [&](size_t at) {
        return d[at] | d[at + 1] << 8 | d[at + 2] << 16 | static_cast<uint32_t>(d[at + 3]) << 24;
    };
    if (d.size() < 54 || d[0] != 'B' || d[1] != 'M' || d[28] != 24) return false;
    image.width = static_cast<int32_t>(u32(18));
    image.height = static_cast<int32_t>(u32(22));
    const size_t row = (static_cast<size_t>(image.width) * 3 + 3) & ~size_t{3};
    if (d.size() < u32(10) + row * image.height) return false;
    image.rgb.clear();
    for (int32_t y = 0; y < image.height; ++y) {
        const uint8_t* r = d.data() + u32(10) + row * (image.height - 1 - y);  // bottom-up
        for (int32_t x = 0; x < image.width; ++x) {
            image.rgb.push_back(r[3 * x + 2]);
            image.rgb.push_back(r[3 * x + 1]);
            image.rgb.push_back(r[3 * x]);
        }
    }
    return true;
}

TEST(ImageFile, PngAndBmpHoldThePixelsWritten) {
    const fs::path dir = scratch("round-trip");
    for (const RgbImage& picture : {testPicture(640, 480), testPicture(13, 7), testPicture(1, 1)}) {
        std::string error;
        const fs::path png = dir / "p.png", bmp = dir / "p.bmp";
        ASSERT_TRUE(writePng(png.string(), picture, error)) << error;
        ASSERT_TRUE(writeBmp(bmp.string(), picture, error)) << error;
        RgbImage fromPng, fromBmp;
        ASSERT_TRUE(readPng(png, fromPng));
        ASSERT_TRUE(readBmp(bmp, fromBmp));
        EXPECT_EQ(fromPng.width, picture.width);
        EXPECT_EQ(fromPng.height, picture.height);
        EXPECT_TRUE(fromPng.rgb == picture.rgb) << picture.width << "x" << picture.height;
        EXPECT_EQ(fromBmp.width, picture.width);
        EXPECT_EQ(fromBmp.height, picture.height);
        EXPECT_TRUE(fromBmp.rgb == picture.rgb) << picture.width << "x" << picture.height;
    }
}

TEST(ImageFile, FailuresSayWhyAndLeaveNoFile) {
    const fs::path dir = scratch("failures");
    std::string error;
    EXPECT_FALSE(writePng((dir / "missing" / "p.png").string(), testPicture(4, 4), error));
    EXPECT_NE(error.find("cannot create"), std::string::npos) << error;
    RgbImage broken = testPicture(4, 4);
    broken.rgb.pop_back();
    EXPECT_FALSE(writePng((dir / "p.png").string(), broken, error));
    EXPECT_FALSE(writeBmp((dir / "p.bmp").string(), broken, error));
    EXPECT_FALSE(writePng((dir / "e.png").string(), RgbImage{}, error));
    EXPECT_TRUE(fs::is_empty(dir));
    // A name for a device that is always full: the write fails and says so,
    // and the name stays (run as root, removing it once deleted /dev/full).
    // The link is ours, so even a regression removes nothing else.
    if (fs::exists("/dev/full")) {
        fs::create_symlink("/dev/full", dir / "full.png");
        EXPECT_FALSE(writePng((dir / "full.png").string(), testPicture(64, 64), error));
        EXPECT_NE(error.find("No space left"), std::string::npos) << error;
        EXPECT_TRUE(fs::is_symlink(dir / "full.png")) << "not ours to remove";
        EXPECT_FALSE(writeBmp((dir / "full.png").string(), testPicture(64, 64), error));
        EXPECT_TRUE(fs::is_symlink(dir / "full.png"));
        fs::remove(dir / "full.png");
    }
}

}  // namespace
