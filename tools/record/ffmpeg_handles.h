#pragma once
// Owning handles for the FFmpeg objects the recorder keeps, so every exit
// path, error or not, frees them in one place.
extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/audio_fifo.h>
#include <libavutil/frame.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

#include <memory>

struct FfmpegFree {
    void operator()(AVCodecContext* p) const { avcodec_free_context(&p); }
    void operator()(AVFrame* p) const { av_frame_free(&p); }
    void operator()(AVPacket* p) const { av_packet_free(&p); }
    void operator()(SwsContext* p) const { sws_freeContext(p); }
    void operator()(SwrContext* p) const { swr_free(&p); }
    void operator()(AVAudioFifo* p) const { av_audio_fifo_free(p); }
    void operator()(AVDictionary* p) const { av_dict_free(&p); }
};

using CodecContextPtr = std::unique_ptr<AVCodecContext, FfmpegFree>;
using FramePtr = std::unique_ptr<AVFrame, FfmpegFree>;
using PacketPtr = std::unique_ptr<AVPacket, FfmpegFree>;
using SwsPtr = std::unique_ptr<SwsContext, FfmpegFree>;
using SwrPtr = std::unique_ptr<SwrContext, FfmpegFree>;
using AudioFifoPtr = std::unique_ptr<AVAudioFifo, FfmpegFree>;
