// The recorder end to end: card-like pictures and sound go in, the file is
// decoded back as a player would, and what comes out is held against what
// went in: streams, timing, every picture, the sound, its sync and its fade.
#include "tools/record/video_writer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "decoded_file.h"
#include "display/pixel_buffer.h"
#include "media_checks.h"
#include "stream_checks.h"
#include "support/scratch_folder.h"
#include "tests/support/card_like_media.h"
#include "tools/picture/frame_picture.h"

namespace {

namespace fs = std::filesystem;

static_assert(RECORD_SOUND_FRAMES_PER_PICTURE == 924);
static_assert(card_like::WIDTH == RECORD_WIDTH && card_like::HEIGHT == RECORD_HEIGHT);

constexpr int64_t PER_PICTURE = RECORD_SOUND_FRAMES_PER_PICTURE;
constexpr double MS = 0.001;

struct FrameDeleter {
    void operator()(PixelBuffer* p) const { freePixelBuffer(p); }
};
using Frame = std::unique_ptr<PixelBuffer, FrameDeleter>;

// Feeds pictures [0, count) with their sound; stops at the first error.
bool feed(VideoWriter& writer, int count) {
    Frame frame(createPixelBuffer(RECORD_WIDTH, RECORD_HEIGHT, 16));
    std::vector<int16_t> pcm(static_cast<size_t>(PER_PICTURE) * 2);
    for (int i = 0; i < count; ++i) {
        card_like::drawFrame(*frame, i);
        card_like::sound(i * PER_PICTURE, static_cast<int32_t>(PER_PICTURE), pcm.data());
        if (!writer.addPicture(*frame) || !writer.addSound(pcm.data(), static_cast<int32_t>(PER_PICTURE)))
            return false;
    }
    return true;
}

// The top-level boxes of an MP4 file, in file order.
std::vector<std::string> mp4Boxes(const fs::path& path) {
    std::vector<std::string> boxes;
    std::ifstream in(path, std::ios::binary);
    uint8_t head[8];
    while (in.read(reinterpret_cast<char*>(head), 8)) {
        const uint64_t size = static_cast<uint64_t>(head[0]) << 24 | head[1] << 16 | head[2] << 8 | head[3];
        boxes.emplace_back(reinterpret_cast<const char*>(head + 4), 4);
        if (size < 8) break;  // 64-bit and to-the-end sizes do not occur in a short recording
        in.seekg(static_cast<std::streamoff>(size - 8), std::ios::cur);
    }
    return boxes;
}

void record(const fs::path& path, const RecordSettings& settings, int pictures) {
    std::string error;
    auto writer = VideoWriter::create(path.string(), settings, error);
    ASSERT_TRUE(writer) << error;
    ASSERT_TRUE(feed(*writer, pictures)) << writer->error();
    ASSERT_TRUE(writer->finish()) << writer->error();
    EXPECT_EQ(writer->pictures(), pictures);
}

// The source pictures around the one being checked, each drawn once.
class SourcePictures {
  public:
    const RgbImage& at(int index) {
        for (Cached& c : cache_)
            if (c.index == index) return c.picture;
        Cached& slot = cache_[static_cast<size_t>(index) % cache_.size()];
        card_like::drawFrame(*frame_, index);
        pictureFromFrame(*frame_, slot.picture);
        slot.index = index;
        return slot.picture;
    }

  private:
    struct Cached {
        int index = -1;
        RgbImage picture;
    };
    Frame frame_{createPixelBuffer(RECORD_WIDTH, RECORD_HEIGHT, 16)};
    std::vector<Cached> cache_ = std::vector<Cached>(4);
};

struct PictureScores {
    double worst = 1e9;
    double sum = 0;
    int worstIndex = -1;
    double bestNeighbour = 0;  // the closest any picture came to the one before or after it
    int compared = 0;
};

struct Decoded {
    DecodedFile file;
    PictureScores scores;
};

void decode(const fs::path& path, int pictures, Decoded& d) {
    SourcePictures sources;
    std::string error;
    const bool ok = decodeFile(
        path.string(), d.file,
        [&](int k, const RgbImage& got) {
            if (k >= pictures) return;
            const double own = psnr(got, sources.at(k));
            PictureScores& s = d.scores;
            if (own < s.worst) {
                s.worst = own;
                s.worstIndex = k;
            }
            s.sum += own;
            ++s.compared;
            // Every fifth picture against both neighbours: enough to catch
            // pictures out of order or out of step, at a fifth of the cost.
            if (k % 5 != 0) return;
            if (k > 0) s.bestNeighbour = std::max(s.bestNeighbour, psnr(got, sources.at(k - 1)));
            if (k + 1 < pictures) s.bestNeighbour = std::max(s.bestNeighbour, psnr(got, sources.at(k + 1)));
        },
        error);
    ASSERT_TRUE(ok) << error;
}

// The sound that went in, faded as the end of a recording should be: the
// gain falls as the square of the time left over the last second.
std::vector<int16_t> expectedSound(int pictures) {
    const int64_t frames = pictures * PER_PICTURE;
    std::vector<int16_t> pcm(static_cast<size_t>(frames) * 2);
    card_like::sound(0, static_cast<int32_t>(frames), pcm.data());
    const int64_t fade = std::min<int64_t>(RECORD_FADE_FRAMES, frames);
    for (int64_t i = frames - fade; i < frames; ++i) {
        const double left = static_cast<double>(frames - i) / static_cast<double>(fade);
        for (int c = 0; c < 2; ++c) {
            int16_t& s = pcm[static_cast<size_t>(2 * i + c)];
            s = static_cast<int16_t>(s * left * left);
        }
    }
    return pcm;
}

struct Bounds {
    double worstPicture;  // every picture at least this close to its source, in dB
};

// Everything a player sees and hears, against what went in.
void checkRecording(const std::string& name, const Decoded& d, const std::string& videoCodec,
                    const std::string& audioCodec, int scale, int pictures, const Bounds& bounds) {
    const DecodedFile& f = d.file;
    SCOPED_TRACE(name);
    checkStreams(f, pictures, videoCodec, audioCodec, scale);
    if (testing::Test::HasFatalFailure()) return;
    const double start = f.pictureTimes[0];

    // Each picture is its own source's and not its neighbour's.
    const PictureScores& s = d.scores;
    ASSERT_EQ(s.compared, pictures);
    EXPECT_GE(s.worst, bounds.worstPicture) << "picture " << s.worstIndex;
    EXPECT_LT(s.bestNeighbour, bounds.worstPicture);

    // The sound: all of it, at its level, in step with the pictures.
    const std::vector<int16_t> want = expectedSound(pictures);
    const int64_t frames = pictures * PER_PICTURE;
    const int64_t got = static_cast<int64_t>(f.sound.size() / 2);
    // Codecs may pad the end by up to one of their frames.
    EXPECT_GE(got, frames - 2 * card_like::SOUND_RATE / 1000);
    EXPECT_LE(got, frames + 25 * card_like::SOUND_RATE / 1000);
    const int64_t lag = bestLag(f.sound, want, card_like::SOUND_RATE / 2, card_like::SOUND_RATE / 4,
                                card_like::SOUND_RATE / 100);
    EXPECT_LE(std::abs(lag), card_like::SOUND_RATE / 1000) << "lag in samples";
    const double soundOffset = f.firstSoundTime + static_cast<double>(lag) / card_like::SOUND_RATE;
    EXPECT_NEAR(soundOffset, start, 1 * MS) << "sound against pictures";
    // Fed a stretch of sound shifted by the lag, so the level compares like with like.
    std::vector<int16_t> aligned(f.sound.size());
    for (int64_t i = 0; i < got; ++i) {
        aligned[static_cast<size_t>(2 * i)] = static_cast<int16_t>(monoAt(f.sound, i + lag));
        aligned[static_cast<size_t>(2 * i + 1)] = aligned[static_cast<size_t>(2 * i)];
    }
    const int64_t fadeStart = frames - RECORD_FADE_FRAMES;
    const int64_t steady = card_like::SOUND_RATE / 10;
    EXPECT_NEAR(levelDb(aligned, steady, fadeStart), levelDb(want, steady, fadeStart), 0.5) << "level";
    // The fade: each quarter of the last second as loud as predicted, and
    // the end all but silent.
    const int64_t quarter = RECORD_FADE_FRAMES / 4;
    for (int q = 0; q < 3; ++q) {
        const int64_t from = fadeStart + q * quarter;
        EXPECT_NEAR(levelDb(aligned, from, from + quarter), levelDb(want, from, from + quarter), 1.0)
            << "fade, quarter " << q;
    }
    const int64_t lastMs = card_like::SOUND_RATE / 50;
    EXPECT_LT(levelDb(aligned, frames - lastMs, frames), levelDb(want, steady, fadeStart) - 40) << "the end";

    std::printf(
        "[ figures  ] %s: PSNR worst %.2f dB (picture %d), mean %.2f dB, nearest neighbour %.2f dB; "
        "sound lag %lld samples, offset %+.2f ms\n",
        name.c_str(), s.worst, s.worstIndex, s.sum / s.compared, s.bestNeighbour, static_cast<long long>(lag),
        (soundOffset - start) * 1000);
}

struct Case {
    const char* name;
    const char* file;
    RecordSettings settings;
    int pictures;
    const char* videoCodec;
    const char* audioCodec;
    Bounds bounds;
};

void PrintTo(const Case& c, std::ostream* os) {
    *os << c.name;
}

class RoundTrip : public testing::TestWithParam<Case> {};

TEST_P(RoundTrip, DecodesToWhatWentIn) {
    const Case& c = GetParam();
    const fs::path dir = scratchFolder(c.name);
    const fs::path path = dir / c.file;
    record(path, c.settings, c.pictures);
    if (HasFatalFailure()) return;
    EXPECT_EQ(folderEntries(dir), std::vector<std::string>{c.file}) << "only the video, no temporary file";
    if (std::string(c.videoCodec) == "h264") {
        // The index before the data, so a page can play the file while it downloads.
        const std::vector<std::string> boxes = mp4Boxes(path);
        const auto moov = std::find(boxes.begin(), boxes.end(), "moov");
        EXPECT_LT(moov - boxes.begin(), std::find(boxes.begin(), boxes.end(), "mdat") - boxes.begin());
        EXPECT_NE(moov, boxes.end());
    }
    Decoded d;
    decode(path, c.pictures, d);
    if (HasFatalFailure()) return;
    checkRecording(c.name, d, c.videoCodec, c.audioCodec, c.settings.scale, c.pictures, c.bounds);
}

// A few seconds for each format's default, shorter runs for the other
// settings. Each bound sits under what the card's own frames reach, so it
// holds for them too (worst picture over the first ten seconds, 1280x960:
// 39.35 dB with H.264, 37.45 with --fast, 38.1 with VP9, 37.2 with VP9
// --fast; 640x480, where 4:2:0 halves the colour: 31.0; 1920x1440 --fast: 36.8).
INSTANTIATE_TEST_SUITE_P(
    Formats, RoundTrip,
    testing::Values(Case{"mp4", "card.mp4", {2, false}, 100, "h264", "aac", {38.0}},
                    Case{"webm", "card.webm", {2, false}, 100, "vp9", "opus", {37.0}},
                    Case{"mp4_fast", "card.MP4", {2, true}, 72, "h264", "aac", {37.0}},
                    Case{"webm_fast", "card.webm", {2, true}, 72, "vp9", "opus", {36.0}},
                    Case{"mp4_640x480", "card.mp4", {1, false}, 72, "h264", "aac", {30.0}},
                    Case{"mp4_1920x1440", "card.mp4", {3, true}, 72, "h264", "aac", {36.0}}),
    [](const testing::TestParamInfo<Case>& info) { return std::string(info.param.name); });

}  // namespace
