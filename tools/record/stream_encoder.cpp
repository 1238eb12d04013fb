#include "tools/record/stream_encoder.h"

#include "tools/record/ffmpeg_error.h"

bool StreamEncoder::create(AVFormatContext* muxer, const char* name, const std::string& fileName,
                           std::string& error) {
    muxer_ = muxer;
    fileName_ = fileName;
    codec_ = avcodec_find_encoder_by_name(name);
    if (!codec_) {
        error = std::string("this FFmpeg has no ") + name + " encoder";
        return false;
    }
    context_.reset(avcodec_alloc_context3(codec_));
    packet_.reset(av_packet_alloc());
    stream_ = avformat_new_stream(muxer, nullptr);
    if (!context_ || !packet_ || !stream_) {
        error = std::string("out of memory for the ") + name + " encoder";
        return false;
    }
    // Containers that keep the codec's set-up in their header want it there
    // rather than in the first packet.
    if (muxer->oformat->flags & AVFMT_GLOBALHEADER) context_->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    return true;
}

bool StreamEncoder::open(std::span<const CodecOption> options, std::string& error) {
    AVDictionary* given = nullptr;
    for (const CodecOption& option : options) av_dict_set(&given, option.key, option.value, 0);
    const int opened = avcodec_open2(context_.get(), codec_, &given);
    // What the encoder took is gone from the dictionary; what is left it refused.
    const AVDictionaryEntry* refused = av_dict_get(given, "", nullptr, AV_DICT_IGNORE_SUFFIX);
    const std::string refusedText = refused ? std::string(refused->key) + "=" + refused->value : "";
    av_dict_free(&given);
    if (opened < 0) {
        error = ffmpegError(std::string("cannot open the ") + codec_->name + " encoder", opened);
        return false;
    }
    if (!refusedText.empty()) {
        error = std::string("the ") + codec_->name + " encoder does not take the option " + refusedText;
        return false;
    }
    if (const int r = avcodec_parameters_from_context(stream_->codecpar, context_.get()); r < 0) {
        error = ffmpegError(std::string("cannot describe the ") + codec_->name + " stream", r);
        return false;
    }
    // A hint only: the muxer picks its own time base when it writes the header.
    stream_->time_base = context_->time_base;
    if (context_->codec_type == AVMEDIA_TYPE_VIDEO) stream_->avg_frame_rate = context_->framerate;
    return true;
}

bool StreamEncoder::encode(const AVFrame* frame, std::string& error) {
    if (const int r = avcodec_send_frame(context_.get(), frame); r < 0) {
        error = ffmpegError(std::string("the ") + codec_->name + " encoder failed", r);
        return false;
    }
    for (;;) {
        const int r = avcodec_receive_packet(context_.get(), packet_.get());
        if (r == AVERROR(EAGAIN) || r == AVERROR_EOF) return true;
        if (r < 0) {
            error = ffmpegError(std::string("the ") + codec_->name + " encoder failed", r);
            return false;
        }
        // Packets come in decode order with their own timestamps; only the
        // time base changes on the way into the file.
        av_packet_rescale_ts(packet_.get(), context_->time_base, stream_->time_base);
        packet_->stream_index = stream_->index;
        // The muxer takes the packet's data and leaves packet_ empty.
        if (const int w = av_interleaved_write_frame(muxer_, packet_.get()); w < 0) {
            error = ffmpegError("cannot write " + fileName_, w);
            return false;
        }
    }
}
