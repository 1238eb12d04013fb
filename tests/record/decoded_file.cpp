#include "decoded_file.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

#include <memory>

namespace {

constexpr int CARD_WIDTH = 640;
constexpr int CARD_HEIGHT = 480;
constexpr int CARD_RATE = 44000;

std::string failure(const char* what, int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = "";
    av_strerror(code, text, sizeof text);
    return std::string(what) + ": " + text;
}

struct Decoder {
    AVCodecContext* context = nullptr;
    ~Decoder() { avcodec_free_context(&context); }
};

struct Input {
    AVFormatContext* context = nullptr;
    ~Input() { avformat_close_input(&context); }
};

bool openDecoder(AVFormatContext* in, int stream, Decoder& d, std::string& error) {
    const AVCodecParameters* parameters = in->streams[stream]->codecpar;
    const AVCodec* codec = avcodec_find_decoder(parameters->codec_id);
    d.context = avcodec_alloc_context3(codec);
    if (!codec || !d.context) {
        error = "no decoder";
        return false;
    }
    int r = avcodec_parameters_to_context(d.context, parameters);
    d.context->pkt_timebase = in->streams[stream]->time_base;
    if (r >= 0) r = avcodec_open2(d.context, codec, nullptr);
    if (r < 0) error = failure("avcodec_open2", r);
    return r >= 0;
}

}  // namespace

bool decodeFile(const std::string& path, DecodedFile& out, const PictureCheck& check, std::string& error) {
    Input in;
    int r = avformat_open_input(&in.context, path.c_str(), nullptr, nullptr);
    if (r >= 0) r = avformat_find_stream_info(in.context, nullptr);
    if (r < 0) {
        error = failure("cannot read the file", r);
        return false;
    }
    out.duration = in.context->duration > 0 ? static_cast<double>(in.context->duration) / AV_TIME_BASE : 0;
    const int videoIndex = av_find_best_stream(in.context, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    const int audioIndex = av_find_best_stream(in.context, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
    if (videoIndex < 0 || audioIndex < 0) {
        error = "the file lacks a picture or a sound stream";
        return false;
    }
    Decoder video, audio;
    if (!openDecoder(in.context, videoIndex, video, error) ||
        !openDecoder(in.context, audioIndex, audio, error))
        return false;
    const AVStream* videoStream = in.context->streams[videoIndex];
    const AVStream* audioStream = in.context->streams[audioIndex];
    const AVCodecParameters* vp = videoStream->codecpar;
    out.videoCodec = avcodec_get_name(vp->codec_id);
    out.width = vp->width;
    out.height = vp->height;
    out.pixelFormat = static_cast<AVPixelFormat>(vp->format);
    out.colorSpace = vp->color_space;
    out.primaries = vp->color_primaries;
    out.transfer = vp->color_trc;
    out.range = vp->color_range;
    out.frameRate = av_q2d(videoStream->avg_frame_rate);
    const AVCodecParameters* ap = audioStream->codecpar;
    out.audioCodec = avcodec_get_name(ap->codec_id);
    out.sampleRate = ap->sample_rate;
    out.channels = ap->ch_layout.nb_channels;

    SwsContext* sws = nullptr;
    SwrContext* swr = nullptr;
    std::unique_ptr<SwsContext, void (*)(SwsContext*)> swsOwner(nullptr, sws_freeContext);
    std::unique_ptr<SwrContext*, void (*)(SwrContext**)> swrOwner(&swr, swr_free);
    RgbImage picture;
    picture.width = CARD_WIDTH;
    picture.height = CARD_HEIGHT;
    picture.rgb.resize(CARD_WIDTH * CARD_HEIGHT * 3);
    bool firstSound = true;

    auto onPicture = [&](const AVFrame* f) {
        out.pictureTimes.push_back(static_cast<double>(f->best_effort_timestamp) *
                                   av_q2d(videoStream->time_base));
        if (!sws) {
            sws = sws_getContext(f->width, f->height, static_cast<AVPixelFormat>(f->format), CARD_WIDTH,
                                 CARD_HEIGHT, AV_PIX_FMT_RGB24,
                                 SWS_AREA | SWS_ACCURATE_RND | SWS_FULL_CHR_H_INT, nullptr, nullptr, nullptr);
            swsOwner.reset(sws);
            // swscale assumes BT.601 unless told: the stream's own tags say what it is.
            const int space = f->colorspace == AVCOL_SPC_BT709 ? SWS_CS_ITU709 : SWS_CS_ITU601;
            sws_setColorspaceDetails(sws, sws_getCoefficients(space), f->color_range == AVCOL_RANGE_JPEG,
                                     sws_getCoefficients(SWS_CS_ITU709), 1, 0, 1 << 16, 1 << 16);
        }
        uint8_t* planes[1] = {picture.rgb.data()};
        const int strides[1] = {CARD_WIDTH * 3};
        sws_scale(sws, f->data, f->linesize, 0, f->height, planes, strides);
        if (check) check(static_cast<int>(out.pictureTimes.size()) - 1, picture);
    };
    auto onSound = [&](const AVFrame* f) {
        if (firstSound) {
            out.firstSoundTime = static_cast<double>(f->pts) * av_q2d(audioStream->time_base);
            firstSound = false;
        }
        if (!swr) {
            AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
            AVChannelLayout layout = f->ch_layout;  // a plain copy: the call takes it by non-const pointer
            swr_alloc_set_opts2(&swr, &stereo, AV_SAMPLE_FMT_S16, CARD_RATE, &layout,
                                static_cast<AVSampleFormat>(f->format), f->sample_rate, 0, nullptr);
            swr_init(swr);
        }
        const int room = swr_get_out_samples(swr, f->nb_samples);
        const size_t at = out.sound.size();
        out.sound.resize(at + 2 * static_cast<size_t>(room));
        uint8_t* planes[1] = {reinterpret_cast<uint8_t*>(out.sound.data() + at)};
        const int got =
            swr_convert(swr, planes, room, const_cast<const uint8_t**>(f->extended_data), f->nb_samples);
        out.sound.resize(at + 2 * static_cast<size_t>(got > 0 ? got : 0));
    };

    AVPacket* packet = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    auto drain = [&](Decoder& d, bool isVideo) {
        while (avcodec_receive_frame(d.context, frame) >= 0) {
            if (isVideo)
                onPicture(frame);
            else
                onSound(frame);
            av_frame_unref(frame);
        }
    };
    bool ok = true;
    while (ok && av_read_frame(in.context, packet) >= 0) {
        const bool isVideo = packet->stream_index == videoIndex;
        if (isVideo || packet->stream_index == audioIndex) {
            Decoder& d = isVideo ? video : audio;
            if ((r = avcodec_send_packet(d.context, packet)) < 0) {
                error = failure("cannot decode", r);
                ok = false;
            }
            drain(d, isVideo);
        }
        av_packet_unref(packet);
    }
    for (Decoder* d : {&video, &audio}) {
        avcodec_send_packet(d->context, nullptr);
        drain(*d, d == &video);
    }
    if (swr) {  // what the resampler still holds
        const int room = swr_get_out_samples(swr, 0);
        const size_t at = out.sound.size();
        out.sound.resize(at + 2 * static_cast<size_t>(room));
        uint8_t* planes[1] = {reinterpret_cast<uint8_t*>(out.sound.data() + at)};
        const int got = swr_convert(swr, planes, room, nullptr, 0);
        out.sound.resize(at + 2 * static_cast<size_t>(got > 0 ? got : 0));
    }
    av_frame_free(&frame);
    av_packet_free(&packet);
    return ok;
}
