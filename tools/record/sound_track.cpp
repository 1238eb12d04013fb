#include "tools/record/sound_track.h"

extern "C" {
#include <libavutil/channel_layout.h>
}

#include <algorithm>

#include "tools/record/ffmpeg_error.h"

namespace {
// Encoders with no fixed frame size take this many samples at a time.
constexpr int32_t DEFAULT_FRAME_SAMPLES = 1024;
}  // namespace

bool SoundTrack::open(StreamEncoder& encoder, std::string& error) {
    encoder_ = &encoder;
    // Not const: this FFmpeg's swr_alloc_set_opts2 takes its layouts so.
    AVCodecContext* c = encoder.context();
    frameSize_ = c->frame_size > 0 ? c->frame_size : DEFAULT_FRAME_SAMPLES;
    AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
    SwrContext* swr = nullptr;
    int r = swr_alloc_set_opts2(&swr, &c->ch_layout, c->sample_fmt, c->sample_rate, &stereo,
                                AV_SAMPLE_FMT_S16, sourceRate_, 0, nullptr);
    resampler_.reset(swr);
    if (r >= 0) r = swr_init(resampler_.get());
    if (r < 0) {
        error = ffmpegError("cannot set up the resampler", r);
        return false;
    }
    fifo_.reset(av_audio_fifo_alloc(c->sample_fmt, c->ch_layout.nb_channels, frameSize_ * 4));
    converted_.reset(av_frame_alloc());
    frame_.reset(av_frame_alloc());
    if (!fifo_ || !converted_ || !frame_) {
        error = "out of memory for the sound";
        return false;
    }
    return true;
}

bool SoundTrack::add(const int16_t* pcm, int32_t frames, std::string& error) {
    fade_.push(pcm, frames, released_);
    return released_.empty() || resample(released_.data(), static_cast<int32_t>(released_.size() / 2), error);
}

bool SoundTrack::finish(std::string& error) {
    fade_.finish(released_);
    if (!released_.empty() && !resample(released_.data(), static_cast<int32_t>(released_.size() / 2), error))
        return false;
    // What the resampler still holds, then every sample, then the encoder's own delay.
    return resample(nullptr, 0, error) && sendFrames(true, error) && encoder_->encode(nullptr, error);
}

bool SoundTrack::resample(const int16_t* pcm, int32_t frames, std::string& error) {
    const AVCodecContext* c = encoder_->context();
    const int room = swr_get_out_samples(resampler_.get(), frames);
    if (room < 0) {
        error = ffmpegError("the resampler failed", room);
        return false;
    }
    AVFrame* out = converted_.get();
    if (out->nb_samples < room) {
        av_frame_unref(out);
        out->format = c->sample_fmt;
        out->sample_rate = c->sample_rate;
        out->nb_samples = std::max(room, frameSize_);
        if (int r = av_channel_layout_copy(&out->ch_layout, &c->ch_layout);
            r < 0 || (r = av_frame_get_buffer(out, 0)) < 0) {
            error = ffmpegError("cannot allocate sound", r);
            return false;
        }
    }
    const uint8_t* in[1] = {reinterpret_cast<const uint8_t*>(pcm)};
    const int got =
        swr_convert(resampler_.get(), out->extended_data, out->nb_samples, pcm ? in : nullptr, frames);
    if (got < 0) {
        error = ffmpegError("the resampler failed", got);
        return false;
    }
    if (got > 0 &&
        av_audio_fifo_write(fifo_.get(), reinterpret_cast<void**>(out->extended_data), got) < got) {
        error = "out of memory for the sound";
        return false;
    }
    return sendFrames(false, error);
}

bool SoundTrack::sendFrames(bool all, std::string& error) {
    const AVCodecContext* c = encoder_->context();
    AVFrame* f = frame_.get();
    for (;;) {
        const int waiting = av_audio_fifo_size(fifo_.get());
        if (waiting == 0 || (waiting < frameSize_ && !all)) return true;
        // Only the last frame may be short, where the encoder allows it;
        // elsewhere it is padded with silence.
        const bool shortAllowed = encoder_->codec()->capabilities & AV_CODEC_CAP_SMALL_LAST_FRAME;
        const int take = std::min(waiting, frameSize_);
        // The encoder may still hold the previous frame's buffer: a fresh one each time.
        av_frame_unref(f);
        f->format = c->sample_fmt;
        f->sample_rate = c->sample_rate;
        f->nb_samples = shortAllowed ? take : frameSize_;
        if (int r = av_channel_layout_copy(&f->ch_layout, &c->ch_layout);
            r < 0 || (r = av_frame_get_buffer(f, 0)) < 0) {
            error = ffmpegError("cannot allocate sound", r);
            return false;
        }
        if (take < f->nb_samples)
            av_samples_set_silence(f->extended_data, take, f->nb_samples - take, c->ch_layout.nb_channels,
                                   c->sample_fmt);
        av_audio_fifo_read(fifo_.get(), reinterpret_cast<void**>(f->extended_data), take);
        f->pts = nextPts_;
        nextPts_ += f->nb_samples;
        if (!encoder_->encode(f, error)) return false;
    }
}
