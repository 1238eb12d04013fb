// The card's frames as the encoders' pictures: BT.709 colours from the
// card's own widening, whole-pixel enlargement, and at 2x every colour kept.
#include "tools/record/picture_converter.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "display/pixel_buffer.h"
#include "media_checks.h"
#include "tests/support/card_like_media.h"

namespace {

struct FrameDeleter {
    void operator()(PixelBuffer* p) const { freePixelBuffer(p); }
};
using Frame = std::unique_ptr<PixelBuffer, FrameDeleter>;

Frame filled(int32_t width, int32_t height, uint16_t pixel) {
    Frame f(createPixelBuffer(width, height, 16));
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x) std::memcpy(f->pixels + f->pitch * y + 2 * x, &pixel, 2);
    return f;
}

FramePtr picture(int32_t width, int32_t height) {
    FramePtr f(av_frame_alloc());
    f->format = AV_PIX_FMT_YUV420P;
    f->width = width;
    f->height = height;
    EXPECT_GE(av_frame_get_buffer(f.get(), 0), 0);
    return f;
}

struct Yuv {
    int y, cb, cr;
};

Yuv centre(const AVFrame& f) {
    const int x = f.width / 2, y = f.height / 2;
    return {f.data[0][f.linesize[0] * y + x], f.data[1][f.linesize[1] * (y / 2) + x / 2],
            f.data[2][f.linesize[2] * (y / 2) + x / 2]};
}

TEST(PictureConverter, ColoursAreTheCardsWidenedThroughBt709) {
    PictureConverter converter;
    std::string error;
    ASSERT_TRUE(converter.open(16, 16, 2, error)) << error;
    FramePtr out = picture(32, 32);
    struct Case {
        uint16_t pixel;
        Yuv want;
    };
    // White must reach the top of the range: read as r<<3 alone it would
    // come out at 0xF8F8F8, six levels of brightness short.
    for (const Case& c : {Case{0xFFFF, {235, 128, 128}}, Case{0x0000, {16, 128, 128}},
                          Case{0xF800, {63, 102, 240}},  // red: BT.601 would give 81, 90, 240
                          Case{0x07E0, {173, 42, 26}}, Case{0x001F, {32, 240, 118}}}) {
        Frame frame = filled(16, 16, c.pixel);
        ASSERT_TRUE(converter.convert(*frame, *out, error)) << error;
        const Yuv got = centre(*out);
        EXPECT_NEAR(got.y, c.want.y, 1) << std::hex << c.pixel;
        EXPECT_NEAR(got.cb, c.want.cb, 1) << std::hex << c.pixel;
        EXPECT_NEAR(got.cr, c.want.cr, 1) << std::hex << c.pixel;
    }
}

TEST(PictureConverter, EnlargesByWholePixelsWithoutBlending) {
    // A checker of single pixels: any smoothing would show as a mixed value.
    Frame frame(createPixelBuffer(8, 6, 16));
    for (int32_t y = 0; y < 6; ++y)
        for (int32_t x = 0; x < 8; ++x) {
            const uint16_t p = (x + y) % 2 ? 0xFFFF : 0x0000;
            std::memcpy(frame->pixels + frame->pitch * y + 2 * x, &p, 2);
        }
    for (int32_t scale : {1, 2, 3}) {
        PictureConverter converter;
        std::string error;
        ASSERT_TRUE(converter.open(8, 6, scale, error)) << error;
        FramePtr out = picture(8 * scale, 6 * scale);
        ASSERT_TRUE(converter.convert(*frame, *out, error)) << error;
        for (int32_t y = 0; y < 6 * scale; ++y)
            for (int32_t x = 0; x < 8 * scale; ++x) {
                const int want = ((x / scale + y / scale) % 2) ? 235 : 16;
                ASSERT_EQ(out->data[0][out->linesize[0] * y + x], want) << scale << ": " << x << "," << y;
            }
    }
}

TEST(PictureConverter, EachColourSampleIsTheMeanOfThePixelsUnderIt) {
    // Red in the top-left corner of black: red is Cb 102, Cr 240; black 128, 128.
    Frame frame = filled(2, 2, 0x0000);
    const uint16_t red = 0xF800;
    std::memcpy(frame->pixels, &red, 2);
    struct Case {
        int32_t scale;
        int x, y;    // a colour sample
        int cb, cr;  // what it should hold
    };
    for (const Case& c : {Case{1, 0, 0, 122, 156},     // one red and three black pixels under it
                          Case{2, 0, 0, 102, 240},     // exactly the red pixel
                          Case{2, 1, 0, 128, 128},     // exactly a black one
                          Case{3, 0, 0, 102, 240},     // inside the red pixel's 3x3 block
                          Case{3, 1, 0, 115, 184},     // half over red, half over black
                          Case{3, 1, 1, 122, 156}}) {  // over the corner where all four meet
        PictureConverter converter;
        std::string error;
        ASSERT_TRUE(converter.open(2, 2, c.scale, error)) << error;
        FramePtr out = picture(2 * c.scale, 2 * c.scale);
        ASSERT_TRUE(converter.convert(*frame, *out, error)) << error;
        EXPECT_NEAR(out->data[1][out->linesize[1] * c.y + c.x], c.cb, 1)
            << c.scale << ": " << c.x << "," << c.y;
        EXPECT_NEAR(out->data[2][out->linesize[2] * c.y + c.x], c.cr, 1)
            << c.scale << ": " << c.x << "," << c.y;
    }
}

TEST(PictureConverter, AtTwiceTheSizeEveryColourSurvives) {
    // Each 4:2:0 colour sample covers one card pixel: decoded back, the
    // frame is the card's up to rounding (51.6 dB with FFmpeg's converter).
    Frame frame(createPixelBuffer(640, 480, 16));
    card_like::drawFrame(*frame, 200);
    PictureConverter converter;
    std::string error;
    ASSERT_TRUE(converter.open(640, 480, 2, error)) << error;
    FramePtr out = picture(1280, 960);
    ASSERT_TRUE(converter.convert(*frame, *out, error)) << error;

    SwsPtr back(sws_getContext(1280, 960, AV_PIX_FMT_YUV420P, 640, 480, AV_PIX_FMT_RGB24,
                               SWS_AREA | SWS_ACCURATE_RND | SWS_FULL_CHR_H_INT, nullptr, nullptr, nullptr));
    const int* bt709 = sws_getCoefficients(SWS_CS_ITU709);
    sws_setColorspaceDetails(back.get(), bt709, 0, bt709, 1, 0, 1 << 16, 1 << 16);
    RgbImage decoded;
    decoded.width = 640;
    decoded.height = 480;
    decoded.rgb.resize(640 * 480 * 3);
    uint8_t* planes[1] = {decoded.rgb.data()};
    const int strides[1] = {640 * 3};
    sws_scale(back.get(), out->data, out->linesize, 0, 960, planes, strides);
    RgbImage source;
    ASSERT_TRUE(pictureFromFrame(*frame, source));
    EXPECT_GE(psnr(decoded, source), 50.0);
}

// The plain way: the frame widened to 24 bits, then all of it through
// FFmpeg's converter at its own size into 4:4:4.
FramePtr plainConversion(const PixelBuffer& frame) {
    RgbImage rgb;
    EXPECT_TRUE(pictureFromFrame(frame, rgb));
    FramePtr yuv(av_frame_alloc());
    yuv->format = AV_PIX_FMT_YUV444P;
    yuv->width = frame.width;
    yuv->height = frame.height;
    EXPECT_GE(av_frame_get_buffer(yuv.get(), 0), 0);
    SwsPtr sws(sws_getContext(frame.width, frame.height, AV_PIX_FMT_RGB24, frame.width, frame.height,
                              AV_PIX_FMT_YUV444P, SWS_POINT | SWS_ACCURATE_RND, nullptr, nullptr, nullptr));
    const int* bt709 = sws_getCoefficients(SWS_CS_ITU709);
    sws_setColorspaceDetails(sws.get(), bt709, 1, bt709, 0, 0, 1 << 16, 1 << 16);
    const uint8_t* planes[1] = {rgb.rgb.data()};
    const int strides[1] = {frame.width * 3};
    sws_scale(sws.get(), planes, strides, 0, frame.height, yuv->data, yuv->linesize);
    return yuv;
}

TEST(PictureConverter, ConvertsByTableExactlyAsFfmpegDoesPixelByPixel) {
    // Every 16-bit colour (scattered, each several times) and the card-like frame.
    Frame everyColour(createPixelBuffer(640, 480, 16));
    for (int32_t i = 0; i < 640 * 480; ++i) {
        const uint16_t colour = static_cast<uint16_t>(i * 40503u);
        std::memcpy(everyColour->pixels + everyColour->pitch * (i / 640) + 2 * (i % 640), &colour, 2);
    }
    Frame cardLike(createPixelBuffer(640, 480, 16));
    card_like::drawFrame(*cardLike, 300);
    PictureConverter converter;
    std::string error;
    ASSERT_TRUE(converter.open(640, 480, 2, error)) << error;
    FramePtr out = picture(1280, 960);
    for (const PixelBuffer* frame : {everyColour.get(), cardLike.get()}) {
        ASSERT_TRUE(converter.convert(*frame, *out, error)) << error;
        const FramePtr plain = plainConversion(*frame);
        int differences = 0;
        // At twice the size every sample of the plain conversion is in the
        // picture as it is: brightness four times, colour once.
        for (int32_t y = 0; y < 480; ++y)
            for (int32_t x = 0; x < 640; ++x) {
                const uint8_t want[3] = {plain->data[0][plain->linesize[0] * y + x],
                                         plain->data[1][plain->linesize[1] * y + x],
                                         plain->data[2][plain->linesize[2] * y + x]};
                for (int32_t k = 0; k < 4; ++k)
                    differences +=
                        out->data[0][out->linesize[0] * (2 * y + k / 2) + 2 * x + k % 2] != want[0];
                differences += out->data[1][out->linesize[1] * y + x] != want[1];
                differences += out->data[2][out->linesize[2] * y + x] != want[2];
            }
        EXPECT_EQ(differences, 0);
    }
}

TEST(PictureConverter, RefusesFramesAndPicturesOfTheWrongShape) {
    PictureConverter converter;
    std::string error;
    EXPECT_FALSE(converter.open(640, 480, 4, error));
    EXPECT_FALSE(converter.open(5, 5, 1, error)) << "4:2:0 needs an even size";
    ASSERT_TRUE(converter.open(640, 480, 2, error)) << error;
    FramePtr out = picture(1280, 960);
    Frame small = filled(320, 240, 0xFFFF);
    EXPECT_FALSE(converter.convert(*small, *out, error));
    EXPECT_NE(error.find("320x240"), std::string::npos) << error;
    Frame deep(createPixelBuffer(640, 480, 32));
    EXPECT_FALSE(converter.convert(*deep, *out, error));
    Frame right = filled(640, 480, 0xFFFF);
    FramePtr wrongSize = picture(640, 480);
    EXPECT_FALSE(converter.convert(*right, *wrongSize, error));
    EXPECT_TRUE(converter.convert(*right, *out, error)) << error;
}

}  // namespace
