#pragma once
// The card's 16-bit frame as the encoders' 4:2:0 picture, enlarged by whole
// pixels and never smoothed. Colours are widened by the card's own rule
// first (FFmpeg's own RGB565 reader leaves the low bits empty, up to seven
// levels too dark), then converted with BT.709 into limited range.
//
// 4:2:0 keeps one colour sample for each 2x2 block of output pixels: the
// mean of the card's pixels under it. At 2x that is exactly one card pixel,
// so nothing of the picture is lost but the rounding; at 1x and 3x a sample
// straddles pixels and the mean keeps the error least (on the card's frames,
// decoded back without loss: 31.8 dB at 1x and 40.0 at 3x, against 28.9 and
// 37.7 for the pixel under the sample's corner).
//
// A 16-bit frame has only 65,536 colours, so each one's BT.709 value is
// worked out once, by FFmpeg's converter, and a frame converts by table:
// the same values in a fifth of the work.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "tools/picture/frame_picture.h"
#include "tools/record/ffmpeg_handles.h"

struct PixelBuffer;

class PictureConverter {
  public:
    // For frames of width x height, enlarged `scale` times.
    bool open(int32_t width, int32_t height, int32_t scale, std::string& error);

    // Fills `out`, a yuv420p frame of the enlarged size, from `frame`.
    // False, with `error` set, for a frame of another size or depth.
    bool convert(const PixelBuffer& frame, AVFrame& out, std::string& error);

  private:
    bool buildColourTables(std::string& error);
    void fillFullPlanes(const PixelBuffer& frame);

    int32_t width_ = 0;
    int32_t height_ = 0;
    int32_t scale_ = 0;
    // Y, Cb and Cr of each 16-bit colour, widened by the card's rule.
    std::array<std::array<uint8_t, 65536>, 3> colourTables_{};
    FramePtr full_;  // the frame in 4:4:4 at its own size
    // For each output colour column (row): the source columns (rows) under
    // its two output pixels.
    std::vector<int32_t> colourColumns_;
    std::vector<int32_t> colourRows_;
};
