// The tools' pictures of the card's frames: colours widened by the card's
// rule whatever the buffer's row pitch, and whole-pixel enlargement.
#include "tools/picture/frame_picture.h"

#include <gtest/gtest.h>

#include <cstring>

#include "display/pixel_buffer.h"

namespace {

void set(PixelBuffer& f, int32_t x, int32_t y, uint16_t p) {
    std::memcpy(f.pixels + f.pitch * y + 2 * x, &p, 2);
}

TEST(FramePicture, WidensEachChannelByRepeatingItsTopBits) {
    // 3 pixels wide: rows are padded to 8 bytes, so the pitch is not width * 2.
    PixelBuffer* frame = createPixelBuffer(3, 2, 16);
    ASSERT_NE(frame->pitch, 6);
    set(*frame, 0, 0, 0xFFFF);           // white stays white, not 0xF8FCF8
    set(*frame, 1, 0, 0x0000);           // black
    set(*frame, 2, 0, 0x8410);           // r 16, g 32, b 16: the middle greys
    set(*frame, 0, 1, 0x0841);           // r 1, g 2, b 1: the darkest step
    set(*frame, 1, 1, 0xF800);           // red
    set(*frame, 2, 1, 0x07E0 | 0x001F);  // green and blue
    RgbImage image;
    ASSERT_TRUE(pictureFromFrame(*frame, image));
    freePixelBuffer(frame);
    ASSERT_EQ(image.width, 3);
    ASSERT_EQ(image.height, 2);
    const std::vector<uint8_t> want = {255, 255, 255, 0,   0, 0, 132, 130, 132,
                                       8,   8,   8,   255, 0, 0, 0,   255, 255};
    EXPECT_EQ(image.rgb, want);
}

TEST(FramePicture, RefusesFramesOfAnotherDepth) {
    PixelBuffer* frame = createPixelBuffer(4, 4, 32);
    RgbImage image;
    image.width = 7;
    EXPECT_FALSE(pictureFromFrame(*frame, image));
    EXPECT_EQ(image.width, 7) << "left alone";
    freePixelBuffer(frame);
}

TEST(FramePicture, EnlargesByWholePixels) {
    RgbImage image;
    image.width = 2;
    image.height = 2;
    image.rgb = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    for (int32_t scale : {1, 2, 3}) {
        const RgbImage big = scaledByWholePixels(image, scale);
        ASSERT_EQ(big.width, 2 * scale);
        ASSERT_EQ(big.height, 2 * scale);
        ASSERT_EQ(big.rgb.size(), static_cast<size_t>(12 * scale * scale));
        for (int32_t y = 0; y < big.height; ++y)
            for (int32_t x = 0; x < big.width; ++x)
                for (int c = 0; c < 3; ++c)
                    ASSERT_EQ(big.rgb[(y * big.width + x) * 3 + c],
                              image.rgb[((y / scale) * 2 + x / scale) * 3 + c])
                        << scale << ": " << x << "," << y;
    }
    EXPECT_TRUE(scaledByWholePixels(image, 0).rgb.empty());
    EXPECT_TRUE(scaledByWholePixels(image, 4).rgb.empty());
    EXPECT_TRUE(scaledByWholePixels(RgbImage{}, 2).rgb.empty());
}

}  // namespace
