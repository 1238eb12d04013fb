#pragma once
// A recorded file decoded back with FFmpeg's own demuxers and decoders, the
// way a player would: what its streams say about themselves, when each
// picture is shown, each picture at the card's size, and the sound back at
// the card's rate.
#include <functional>
#include <string>
#include <vector>

extern "C" {
#include <libavutil/pixfmt.h>
}

#include "tools/picture/frame_picture.h"

struct DecodedFile {
    double duration = 0;  // the container's, in seconds

    std::string videoCodec;
    int width = 0;
    int height = 0;
    AVPixelFormat pixelFormat = AV_PIX_FMT_NONE;
    AVColorSpace colorSpace = AVCOL_SPC_UNSPECIFIED;
    AVColorPrimaries primaries = AVCOL_PRI_UNSPECIFIED;
    AVColorTransferCharacteristic transfer = AVCOL_TRC_UNSPECIFIED;
    AVColorRange range = AVCOL_RANGE_UNSPECIFIED;
    double frameRate = 0;              // the stream's average
    std::vector<double> pictureTimes;  // seconds, in the order shown

    std::string audioCodec;
    int sampleRate = 0;
    int channels = 0;
    double firstSoundTime = 0;   // when the first decoded sample plays
    std::vector<int16_t> sound;  // interleaved stereo at 44,000 Hz
};

// Called with each picture's number (in showing order) and the picture
// brought back to 640x480 with a box filter: each enlarged block becomes its
// pixel again.
using PictureCheck = std::function<void(int index, const RgbImage& picture)>;

// False with `error` set when the file cannot be read or decoded.
bool decodeFile(const std::string& path, DecodedFile& out, const PictureCheck& check, std::string& error);
