#include "tools/record/video_writer.h"

#include <cmath>

#include "base/partial_file.h"
#include "display/pixel_buffer.h"
#include "tools/record/ffmpeg_error.h"
#include "tools/record/ffmpeg_handles.h"
#include "tools/record/picture_converter.h"
#include "tools/record/sound_track.h"
#include "tools/record/stream_encoder.h"

namespace {

// A key frame at least every 240 frames (5 s) for seeking; every second
// would cost half as much again in size.
constexpr int GOP_FRAMES = 240;

enum class State { Open, Finished, Failed };

}  // namespace

struct VideoWriter::Parts {
    std::string path;
    const RecordingFormat* format = nullptr;
    RecordSettings settings;
    PartialFile file;
    AVFormatContext* muxer = nullptr;
    StreamEncoder video;
    StreamEncoder audio;
    PictureConverter converter;
    FramePtr picture;
    SoundTrack sound{RECORD_SOUND_RATE, RECORD_FADE_FRAMES};
    int64_t pictures = 0;
    int64_t firstPicturePts = 0;
    State state = State::Open;
    std::string error;

    ~Parts() { closeMuxer(); }

    bool fail(std::string message) {
        error = std::move(message);
        state = State::Failed;
        closeMuxer();
        file.discard();
        return false;
    }

    void closeMuxer() {
        if (!muxer) return;
        if (muxer->pb) avio_closep(&muxer->pb);
        avformat_free_context(muxer);
        muxer = nullptr;
    }

    bool open();
    bool openVideo();
    bool openAudio();
    bool openFile();
};

bool VideoWriter::Parts::open() {
    const std::string url = "file:" + file.temporaryPath();  // never taken for another protocol
    if (const int r = avformat_alloc_output_context2(&muxer, nullptr, format->muxer, url.c_str()); r < 0)
        return fail(ffmpegError("cannot set up the " + std::string(format->muxer) + " container", r));
    return openVideo() && openAudio() && openFile();
}

bool VideoWriter::Parts::openVideo() {
    if (!video.create(muxer, format->videoEncoder, path, error)) return fail(error);
    AVCodecContext* c = video.context();
    c->width = RECORD_WIDTH * settings.scale;
    c->height = RECORD_HEIGHT * settings.scale;
    c->pix_fmt = AV_PIX_FMT_YUV420P;
    // Milliseconds, so every frame's time is exact: frame i at 21 * i.
    c->time_base = {1, 1000};
    c->framerate = {1000, FRAME_PERIOD_MS};
    c->gop_size = GOP_FRAMES;
    c->thread_count = 0;  // as many as the machine has
    c->bit_rate = 0;      // constant quality: the crf alone, no bit-rate target
    c->colorspace = AVCOL_SPC_BT709;
    c->color_primaries = AVCOL_PRI_BT709;
    c->color_trc = AVCOL_TRC_BT709;
    c->color_range = AVCOL_RANGE_MPEG;
    if (!video.open(settings.fast ? format->fastOptions : format->videoOptions, error)) return fail(error);
    if (!converter.open(RECORD_WIDTH, RECORD_HEIGHT, settings.scale, error)) return fail(error);
    picture.reset(av_frame_alloc());
    if (!picture) return fail("out of memory for a picture");
    picture->format = c->pix_fmt;
    picture->width = c->width;
    picture->height = c->height;
    if (const int r = av_frame_get_buffer(picture.get(), 0); r < 0)
        return fail(ffmpegError("cannot allocate a picture", r));
    return true;
}

bool VideoWriter::Parts::openAudio() {
    if (!audio.create(muxer, format->audioEncoder, path, error)) return fail(error);
    AVCodecContext* c = audio.context();
    const AVCodec* codec = audio.codec();
    c->sample_rate = RECORD_CODEC_RATE;
    c->sample_fmt = codec->sample_fmts ? codec->sample_fmts[0] : AV_SAMPLE_FMT_FLTP;
    const AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
    if (const int r = av_channel_layout_copy(&c->ch_layout, &stereo); r < 0)
        return fail(ffmpegError("cannot set the sound's channels", r));
    c->bit_rate = format->audioBitRate;
    c->time_base = {1, RECORD_CODEC_RATE};
    c->thread_count = 1;
    if (!audio.open({}, error) || !sound.open(audio, error)) return fail(error);
    if (format->picturesLeadByPreSkip)
        firstPicturePts = -std::llround(c->initial_padding * 1000.0 / c->sample_rate);
    return true;
}

bool VideoWriter::Parts::openFile() {
    if (const int r = avio_open(&muxer->pb, muxer->url, AVIO_FLAG_WRITE); r < 0)
        return fail(ffmpegError("cannot write " + path, r));
    AVDictionary* options = nullptr;
    for (const CodecOption& option : format->muxerOptions) av_dict_set(&options, option.key, option.value, 0);
    const int r = avformat_write_header(muxer, &options);
    const AVDictionaryEntry* refused = av_dict_get(options, "", nullptr, AV_DICT_IGNORE_SUFFIX);
    const std::string refusedText = refused ? std::string(refused->key) + "=" + refused->value : "";
    av_dict_free(&options);
    if (r < 0) return fail(ffmpegError("cannot write " + path, r));
    if (!refusedText.empty())
        return fail("the " + std::string(format->muxer) + " container does not take the option " +
                    refusedText);
    return true;
}

std::unique_ptr<VideoWriter> VideoWriter::create(const std::string& path, const RecordSettings& settings,
                                                 std::string& error) {
    captureFfmpegLog();
    clearFfmpegMessage();
    auto parts = std::make_unique<Parts>();
    parts->path = path;
    parts->settings = settings;
    parts->format = recordingFormatFor(path, error);
    if (!parts->format) return nullptr;
    if (settings.scale < MIN_PICTURE_SCALE || settings.scale > MAX_PICTURE_SCALE) {
        error = "the picture can be 1, 2 or 3 times the card's size, not " + std::to_string(settings.scale);
        return nullptr;
    }
    if (!parts->file.create(path, error)) return nullptr;
    if (!parts->open()) {
        error = parts->error;
        return nullptr;
    }
    return std::unique_ptr<VideoWriter>(new VideoWriter(std::move(parts)));
}

VideoWriter::VideoWriter(std::unique_ptr<Parts> parts) : parts_(std::move(parts)) {}

VideoWriter::~VideoWriter() {
    abort();
}

bool VideoWriter::addPicture(const PixelBuffer& frame) {
    Parts& p = *parts_;
    if (p.state != State::Open) return false;
    clearFfmpegMessage();
    AVFrame* picture = p.picture.get();
    // The encoder may still hold the last picture: then this gets a new buffer.
    if (const int r = av_frame_make_writable(picture); r < 0)
        return p.fail(ffmpegError("cannot allocate a picture", r));
    if (!p.converter.convert(frame, *picture, p.error)) return p.fail(p.error);
    picture->pts = p.firstPicturePts + p.pictures * FRAME_PERIOD_MS;
    if (!p.video.encode(picture, p.error)) return p.fail(p.error);
    ++p.pictures;
    return true;
}

bool VideoWriter::addSound(const int16_t* pcm, int32_t frames) {
    Parts& p = *parts_;
    if (p.state != State::Open) return false;
    clearFfmpegMessage();
    if (frames <= 0) return true;
    return p.sound.add(pcm, frames, p.error) || p.fail(p.error);
}

bool VideoWriter::finish() {
    Parts& p = *parts_;
    if (p.state != State::Open) return false;
    clearFfmpegMessage();
    if (!p.sound.finish(p.error) || !p.video.encode(nullptr, p.error)) return p.fail(p.error);
    if (const int r = av_write_trailer(p.muxer); r < 0)
        return p.fail(ffmpegError("cannot write " + p.path, r));
    // Writes that failed on the way (a full disk) show here at the latest.
    if (const int r = avio_closep(&p.muxer->pb); r < 0)
        return p.fail(ffmpegError("cannot write " + p.path, r));
    p.closeMuxer();
    if (!p.file.commit(p.error)) return p.fail(p.error);
    p.state = State::Finished;
    return true;
}

void VideoWriter::abort() {
    Parts& p = *parts_;
    if (p.state != State::Open) return;
    p.state = State::Failed;
    p.error = "stopped before the end";
    p.closeMuxer();
    p.file.discard();
}

const std::string& VideoWriter::error() const {
    return parts_->error;
}

int64_t VideoWriter::pictures() const {
    return parts_->pictures;
}
