#pragma once
// The card's sound on its way into the file: 16-bit stereo at the card's
// rate, faded out at the end, resampled to the encoder's rate and format,
// and cut into the encoder's frame size (the last frame may be shorter).
#include <cstdint>
#include <string>
#include <vector>

#include "tools/record/end_fade.h"
#include "tools/record/ffmpeg_handles.h"
#include "tools/record/stream_encoder.h"

class SoundTrack {
  public:
    SoundTrack(int32_t sourceRate, int32_t fadeFrames) : sourceRate_(sourceRate), fade_(fadeFrames) {}

    // Feeds `encoder`, already open.
    bool open(StreamEncoder& encoder, std::string& error);

    // `frames` interleaved stereo frames at the source rate.
    bool add(const int16_t* pcm, int32_t frames, std::string& error);

    // Fades the held end, drains the resampler and the encoder.
    bool finish(std::string& error);

  private:
    bool resample(const int16_t* pcm, int32_t frames, std::string& error);
    bool sendFrames(bool all, std::string& error);

    int32_t sourceRate_;
    EndFade fade_;
    StreamEncoder* encoder_ = nullptr;
    int32_t frameSize_ = 0;
    SwrPtr resampler_;
    AudioFifoPtr fifo_;   // resampled, waiting for a whole encoder frame
    FramePtr converted_;  // the resampler's output for one call
    FramePtr frame_;      // one encoder frame
    std::vector<int16_t> released_;
    int64_t nextPts_ = 0;  // in samples at the encoder's rate
};
