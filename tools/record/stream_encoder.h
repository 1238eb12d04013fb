#pragma once
// One encoder and the stream it fills in the output file: frames go in,
// packets come out in the encoder's own time and go to the muxer, which
// interleaves them with the other stream's.
#include <span>
#include <string>

#include "tools/record/ffmpeg_handles.h"
#include "tools/record/recording_format.h"

class StreamEncoder {
  public:
    // Finds the encoder `name` and adds its stream to `muxer`, which writes
    // `fileName` (for messages). The caller sets up context() before open().
    bool create(AVFormatContext* muxer, const char* name, const std::string& fileName, std::string& error);
    AVCodecContext* context() const { return context_.get(); }
    const AVCodec* codec() const { return codec_; }

    // Opens the encoder with `options`; an option it does not take is an
    // error, not a silent fallback to its default. Then describes the stream.
    bool open(std::span<const CodecOption> options, std::string& error);

    // Encodes one frame (null: the end, which drains the encoder) and hands
    // every packet that is ready to the muxer.
    bool encode(const AVFrame* frame, std::string& error);

  private:
    AVFormatContext* muxer_ = nullptr;
    std::string fileName_;
    const AVCodec* codec_ = nullptr;
    CodecContextPtr context_;
    AVStream* stream_ = nullptr;
    PacketPtr packet_;
};
