#pragma once
// Writes the card as a video file: its 640x480 16-bit frames, one every
// 21 ms, and its 16-bit stereo sound at 44,000 Hz. The container and the
// codecs follow the file's extension (see recording_format.h). Frames and
// sound stream through; nothing holds the whole video.
//
// The file appears only when finish() succeeds: until then it is a hidden
// temporary file beside it, which an error, abort() or the writer's end
// removes.
#include <cstdint>
#include <memory>
#include <string>

#include "effects/frame_period.h"
#include "tools/record/recording_format.h"

struct PixelBuffer;

// The card's timeline: a picture every frame period, 924 sound frames to a
// picture.
constexpr int32_t RECORD_WIDTH = 640;
constexpr int32_t RECORD_HEIGHT = 480;
constexpr int32_t RECORD_SOUND_RATE = 44000;
constexpr int32_t RECORD_SOUND_FRAMES_PER_PICTURE = RECORD_SOUND_RATE / 1000 * FRAME_PERIOD_MS;
// Neither AAC nor Opus takes 44,000 Hz; both take this.
constexpr int32_t RECORD_CODEC_RATE = 48000;
// The music fades out over the last second instead of stopping mid-note.
constexpr int32_t RECORD_FADE_FRAMES = RECORD_SOUND_RATE;

struct RecordSettings {
    int32_t scale = 2;  // whole pixels: 1 (640x480), 2 (1280x960) or 3 (1920x1440)
    bool fast = false;  // quicker encoder settings, a little softer
};

class VideoWriter {
  public:
    // Opens `path` for a recording. Null, with `error` set to one line, for
    // an extension that is not a video format, a scale out of range, a
    // folder that cannot be written, or an encoder that cannot start.
    static std::unique_ptr<VideoWriter> create(const std::string& path, const RecordSettings& settings,
                                               std::string& error);
    ~VideoWriter();
    VideoWriter(const VideoWriter&) = delete;
    VideoWriter& operator=(const VideoWriter&) = delete;

    // The next picture, shown FRAME_PERIOD_MS after the previous one.
    bool addPicture(const PixelBuffer& frame);
    // The next `frames` stereo frames of sound; sound frame 0 plays with picture 0.
    bool addSound(const int16_t* pcm, int32_t frames);
    // Fades the sound out, drains the encoders, completes the file and puts
    // it in place. After an error, or after abort(), false.
    bool finish();
    // Stops: the temporary file goes, nothing is left at the path.
    void abort();

    // After a false return: what went wrong, in one line.
    const std::string& error() const;
    int64_t pictures() const;

  private:
    struct Parts;
    explicit VideoWriter(std::unique_ptr<Parts> parts);
    std::unique_ptr<Parts> parts_;
};
