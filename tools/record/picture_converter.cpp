#include "tools/record/picture_converter.h"

#include <cstring>
#include <iterator>

#include "display/pixel_buffer.h"
#include "tools/record/ffmpeg_error.h"

namespace {

// Every 16-bit colour, one a pixel, as a square picture.
constexpr int32_t ALL_COLOURS_SIDE = 256;

// A row of brightness samples, each `Scale` times: with the scale known the
// loop has no inner count to test.
template <int32_t Scale>
void enlargeRow(const uint8_t* in, uint8_t* out, int32_t width) {
    for (int32_t x = 0; x < width; ++x)
        for (int32_t k = 0; k < Scale; ++k) out[x * Scale + k] = in[x];
}

using EnlargeRow = void (*)(const uint8_t*, uint8_t*, int32_t);
constexpr EnlargeRow ENLARGE_ROW[] = {nullptr, nullptr, enlargeRow<2>, enlargeRow<3>};
static_assert(std::size(ENLARGE_ROW) == MAX_PICTURE_SCALE + 1);

// A full-resolution YUV picture with its planes allocated; empty, with
// `error` set, when that fails.
FramePtr newYuv444Picture(int32_t width, int32_t height, std::string& error) {
    FramePtr picture(av_frame_alloc());
    if (!picture) {
        error = "out of memory for a picture";
        return picture;
    }
    picture->format = AV_PIX_FMT_YUV444P;
    picture->width = width;
    picture->height = height;
    if (const int r = av_frame_get_buffer(picture.get(), 0); r < 0) {
        error = ffmpegError("cannot allocate a picture", r);
        picture.reset();
    }
    return picture;
}

}  // namespace

bool PictureConverter::buildColourTables(std::string& error) {
    const int32_t side = ALL_COLOURS_SIDE;
    // Same size in and out: only the colour matrix works, so the point
    // filter never blends a pixel with its neighbour and each pixel's value
    // is its colour's alone.
    SwsPtr toYuv(sws_getContext(side, side, AV_PIX_FMT_RGB24, side, side, AV_PIX_FMT_YUV444P,
                                SWS_POINT | SWS_ACCURATE_RND, nullptr, nullptr, nullptr));
    if (!toYuv) {
        error = "cannot set up the colour conversion";
        return false;
    }
    const FramePtr yuv = newYuv444Picture(side, side, error);
    if (!yuv) return false;
    const int* bt709 = sws_getCoefficients(SWS_CS_ITU709);
    // Full-range RGB in, limited-range YUV out, no brightness, contrast or saturation change.
    sws_setColorspaceDetails(toYuv.get(), bt709, 1, bt709, 0, 0, 1 << 16, 1 << 16);
    std::vector<uint8_t> rgb(static_cast<size_t>(side) * side * 3);
    for (uint32_t colour = 0; colour < 65536; ++colour) {
        const uint32_t wide = rgbFromRgb565(static_cast<uint16_t>(colour));
        rgb[3 * colour] = static_cast<uint8_t>(wide >> 16);
        rgb[3 * colour + 1] = static_cast<uint8_t>(wide >> 8);
        rgb[3 * colour + 2] = static_cast<uint8_t>(wide);
    }
    const uint8_t* rgbPlanes[1] = {rgb.data()};
    const int rgbStrides[1] = {side * 3};
    sws_scale(toYuv.get(), rgbPlanes, rgbStrides, 0, side, yuv->data, yuv->linesize);
    for (int plane = 0; plane < 3; ++plane)
        for (int32_t y = 0; y < side; ++y)
            std::memcpy(colourTables_[static_cast<size_t>(plane)].data() + static_cast<ptrdiff_t>(y) * side,
                        yuv->data[plane] + static_cast<ptrdiff_t>(yuv->linesize[plane]) * y,
                        static_cast<size_t>(side));
    return true;
}

void PictureConverter::fillFullPlanes(const PixelBuffer& frame) {
    const auto& [luma, blue, red] = colourTables_;
    for (int32_t y = 0; y < height_; ++y) {
        const uint8_t* in = frame.pixels + static_cast<ptrdiff_t>(frame.pitch) * y;
        uint8_t* outY = full_->data[0] + static_cast<ptrdiff_t>(full_->linesize[0]) * y;
        uint8_t* outCb = full_->data[1] + static_cast<ptrdiff_t>(full_->linesize[1]) * y;
        uint8_t* outCr = full_->data[2] + static_cast<ptrdiff_t>(full_->linesize[2]) * y;
        for (int32_t x = 0; x < width_; ++x) {
            uint16_t colour;
            std::memcpy(&colour, in + 2 * x, 2);
            outY[x] = luma[colour];
            outCb[x] = blue[colour];
            outCr[x] = red[colour];
        }
    }
}

bool PictureConverter::open(int32_t width, int32_t height, int32_t scale, std::string& error) {
    // 4:2:0 needs an even size: one colour sample for each 2x2 block.
    if (width <= 0 || height <= 0 || scale < MIN_PICTURE_SCALE || scale > MAX_PICTURE_SCALE ||
        (width * scale) % 2 != 0 || (height * scale) % 2 != 0) {
        error = "no picture size " + std::to_string(width) + "x" + std::to_string(height) + " times " +
                std::to_string(scale);
        return false;
    }
    width_ = width;
    height_ = height;
    scale_ = scale;
    if (!buildColourTables(error)) return false;
    full_ = newYuv444Picture(width, height, error);
    if (!full_) return false;
    // Colour sample c spans output pixels 2c and 2c + 1, which show source
    // pixels 2c / scale and (2c + 1) / scale.
    auto sourcesUnder = [scale](int32_t samples, std::vector<int32_t>& sources) {
        sources.resize(static_cast<size_t>(samples) * 2);
        for (int32_t c = 0; c < 2 * samples; ++c) sources[static_cast<size_t>(c)] = c / scale;
    };
    sourcesUnder(width * scale / 2, colourColumns_);
    sourcesUnder(height * scale / 2, colourRows_);
    return true;
}

bool PictureConverter::convert(const PixelBuffer& frame, AVFrame& out, std::string& error) {
    if (frame.width != width_ || frame.height != height_ || frame.bitsPerPixel != 16) {
        error = "a frame of " + std::to_string(frame.width) + "x" + std::to_string(frame.height) + " at " +
                std::to_string(frame.bitsPerPixel) + " bits, not " + std::to_string(width_) + "x" +
                std::to_string(height_) + " at 16";
        return false;
    }
    const int32_t outWidth = width_ * scale_;
    const int32_t outHeight = height_ * scale_;
    if (out.format != AV_PIX_FMT_YUV420P || out.width != outWidth || out.height != outHeight) {
        error = "the encoder's picture is not " + std::to_string(outWidth) + "x" + std::to_string(outHeight) +
                " yuv420p";
        return false;
    }
    fillFullPlanes(frame);

    // Brightness: each sample becomes a scale x scale block.
    const uint8_t* lumaIn = full_->data[0];
    const EnlargeRow enlarge = ENLARGE_ROW[scale_];
    for (int32_t y = 0; y < height_; ++y) {
        const uint8_t* in = lumaIn + static_cast<ptrdiff_t>(full_->linesize[0]) * y;
        uint8_t* first = out.data[0] + static_cast<ptrdiff_t>(out.linesize[0]) * y * scale_;
        if (scale_ == 1) {
            std::memcpy(first, in, static_cast<size_t>(width_));
            continue;
        }
        enlarge(in, first, width_);
        for (int32_t k = 1; k < scale_; ++k)
            std::memcpy(first + static_cast<ptrdiff_t>(out.linesize[0]) * k, first,
                        static_cast<size_t>(outWidth));
    }
    // Colour: one sample for each 2x2 block of output pixels.
    const int32_t colourRows = outHeight / 2;
    const int32_t colourColumns = outWidth / 2;
    for (int plane = 1; plane <= 2; ++plane) {
        const uint8_t* in = full_->data[plane];
        const ptrdiff_t inPitch = full_->linesize[plane];
        for (int32_t y = 0; y < colourRows; ++y) {
            uint8_t* o = out.data[plane] + static_cast<ptrdiff_t>(out.linesize[plane]) * y;
            const uint8_t* top = in + inPitch * colourRows_[static_cast<size_t>(2 * y)];
            const uint8_t* bottom = in + inPitch * colourRows_[static_cast<size_t>(2 * y + 1)];
            if (scale_ == 2) {
                std::memcpy(o, top, static_cast<size_t>(colourColumns));  // one card pixel each, as it is
                continue;
            }
            const int32_t* columns = colourColumns_.data();
            for (int32_t x = 0; x < colourColumns; ++x) {
                const int32_t left = columns[2 * x], right = columns[2 * x + 1];
                o[x] = static_cast<uint8_t>((top[left] + top[right] + bottom[left] + bottom[right] + 2) / 4);
            }
        }
    }
    return true;
}
