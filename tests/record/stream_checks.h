#pragma once
// What a player sees of a recording before any picture: its streams as a
// phone's player wants them, and every picture on the card's 21 ms grid.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>

#include "decoded_file.h"
#include "tools/record/video_writer.h"

inline void checkStreams(const DecodedFile& f, int64_t pictures, const std::string& videoCodec,
                         const std::string& audioCodec, int32_t scale) {
    constexpr double MS = 0.001;
    EXPECT_EQ(f.videoCodec, videoCodec);
    EXPECT_EQ(f.width, RECORD_WIDTH * scale);
    EXPECT_EQ(f.height, RECORD_HEIGHT * scale);
    EXPECT_EQ(f.pixelFormat, AV_PIX_FMT_YUV420P);
    EXPECT_EQ(f.colorSpace, AVCOL_SPC_BT709);
    EXPECT_EQ(f.primaries, AVCOL_PRI_BT709);
    EXPECT_EQ(f.transfer, AVCOL_TRC_BT709);
    EXPECT_EQ(f.range, AVCOL_RANGE_MPEG);
    EXPECT_NEAR(f.frameRate, 1000.0 / FRAME_PERIOD_MS, 1e-6);
    EXPECT_EQ(f.audioCodec, audioCodec);
    EXPECT_EQ(f.sampleRate, RECORD_CODEC_RATE);
    EXPECT_EQ(f.channels, 2);

    ASSERT_EQ(static_cast<int64_t>(f.pictureTimes.size()), pictures);
    const double start = f.pictureTimes[0];
    EXPECT_NEAR(start, 0.0, 1 * MS);
    int64_t offGrid = 0;
    for (int64_t k = 0; k < pictures; ++k)
        if (std::abs(f.pictureTimes[static_cast<size_t>(k)] - start -
                     static_cast<double>(k) * FRAME_PERIOD_MS * MS) > 0.5 * MS)
            ++offGrid;
    EXPECT_EQ(offGrid, 0);
    EXPECT_NEAR(f.duration, static_cast<double>(pictures) * FRAME_PERIOD_MS * MS, 25 * MS);
}
