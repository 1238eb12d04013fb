// The recorder's own path end to end: the card's show and music go through
// recordCard as yulecard-record sends them, the file is decoded back as a
// player would, and what comes out is held against the show's own frames
// (every picture), yulecard-shot's pictures and xmrender's sound.
#include "tools/record/card_recording.h"

#include <gtest/gtest.h>
#include <png.h>

#include <array>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "app/scene_state.h"
#include "decoded_file.h"
#include "media_checks.h"
#include "scratch_folder.h"
#include "tools/picture/frame_picture.h"
#include "tools/record/headless_show.h"
#include "tools/record/recording_timeline.h"

namespace {

namespace fs = std::filesystem;

constexpr double MS = 0.001;
constexpr int64_t RATE = RECORD_SOUND_RATE;
const fs::path TOOLS = fs::path(YULE_BINARY_DIR) / "tools";

// The show's frames beside the decoding: a frame and both its neighbours,
// the show run one frame ahead of the one asked for.
class ShowFrames {
  public:
    explicit ShowFrames(int64_t clock) { opened_ = show_.open(clock, error_); }
    bool opened() const { return opened_; }
    const std::string& error() const { return error_; }

    // Frames only go forward: `frame` at least the newest one asked for before minus one.
    const RgbImage& at(int64_t frame) {
        while (newest_ < frame + 1) {
            ++newest_;
            pictureFromFrame(show_.nextFrame(), ring_[static_cast<size_t>(newest_ % 3)]);
            if (newest_ == WRITING_FRAME)
                writingAtWritingFrame_ = phase == SCENE_WRITING && textWriter.glyphCount() > 0;
        }
        return ring_[static_cast<size_t>(frame % 3)];
    }

    // A frame of the writing phase with a few glyphs on the palm.
    static constexpr int64_t WRITING_FRAME = 347;
    bool writingAtWritingFrame() const { return writingAtWritingFrame_; }

  private:
    HeadlessShow show_;
    bool opened_ = false;
    std::string error_;
    std::array<RgbImage, 3> ring_;
    int64_t newest_ = -1;
    bool writingAtWritingFrame_ = false;
};

struct PictureScores {
    double worst = 1e9;
    int64_t worstPicture = -1;
    double sum = 0;
    int64_t compared = 0;
    double heldWorst = 1e9;    // the lead-in's pictures against the first frame
    double bestNeighbour = 0;  // the closest a moving picture came to the frame before or after
    std::map<int64_t, RgbImage> kept;
};

struct Case {
    const char* name;
    const char* file;
    int64_t pictures;
    const char* videoCodec;
    const char* audioCodec;
    double bound;  // every picture at least this close to its frame, in dB
};

void PrintTo(const Case& c, std::ostream* os) {
    *os << c.name;
}

// Pictures kept for the comparison with yulecard-shot: the first and last
// of the lead-in, the show's first frame, one of the slide-in and one of
// the writing.
constexpr int64_t SLIDE_FRAME = 52;
const std::vector<int64_t> KEPT_PICTURES = {0, LEAD_IN_PICTURES - 1, LEAD_IN_PICTURES,
                                            LEAD_IN_PICTURES + SLIDE_FRAME,
                                            LEAD_IN_PICTURES + ShowFrames::WRITING_FRAME};

bool readPng(const fs::path& path, RgbImage& image) {
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&png, path.c_str())) return false;
    png.format = PNG_FORMAT_RGB;
    image.width = static_cast<int32_t>(png.width);
    image.height = static_cast<int32_t>(png.height);
    image.rgb.resize(PNG_IMAGE_SIZE(png));
    return png_image_finish_read(&png, nullptr, image.rgb.data(), 0, nullptr) != 0;
}

// xmrender's rendering of the card's module: 16-bit stereo after a 44-byte header.
bool readWav(const fs::path& path, std::vector<int16_t>& pcm) {
    std::ifstream in(path, std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (bytes.size() < 44) return false;
    pcm.resize((bytes.size() - 44) / 2);
    for (size_t i = 0; i < pcm.size(); ++i)
        pcm[i] = static_cast<int16_t>(static_cast<uint8_t>(bytes[44 + 2 * i]) |
                                      static_cast<uint8_t>(bytes[45 + 2 * i]) << 8);
    return true;
}

int run(const std::string& command) {
    return std::system((command + " >/dev/null 2>&1").c_str());
}

class CardRecordingRoundTrip : public testing::TestWithParam<Case> {};

TEST_P(CardRecordingRoundTrip, IsTheCardsShowAndMusic) {
    const Case& c = GetParam();
    const fs::path dir = scratchFolder(std::string("card_") + c.name);
    const fs::path path = dir / c.file;
    CardRecording recording;
    recording.path = path.string();
    recording.pictures = c.pictures;
    std::atomic<bool> stop{false};
    int64_t lastDone = 0;
    std::string error;
    ASSERT_EQ(recordCard(
                  recording, stop, [&](int64_t done, int64_t) { lastDone = done; }, error),
              RecordOutcome::Written)
        << error;
    EXPECT_EQ(lastDone, c.pictures);
    EXPECT_EQ(folderEntries(dir), std::vector<std::string>{c.file}) << "only the video, no temporary file";

    // Decoded with every picture held against its frame of the show.
    ShowFrames show(recording.clock);
    ASSERT_TRUE(show.opened()) << show.error();
    PictureScores s;
    DecodedFile f;
    const bool decoded = decodeFile(
        path.string(), f,
        [&](int index, const RgbImage& got) {
            const int64_t p = index;
            const int64_t frame = showFrameOfPicture(p);
            const double own = psnr(got, show.at(frame));
            if (own < s.worst) {
                s.worst = own;
                s.worstPicture = p;
            }
            s.sum += own;
            ++s.compared;
            if (p < LEAD_IN_PICTURES) s.heldWorst = std::min(s.heldWorst, own);
            // Every fifth moving picture against both neighbours: frames
            // out of step or out of order show there.
            if (p >= LEAD_IN_PICTURES && p % 5 == 0) {
                if (frame > 0) s.bestNeighbour = std::max(s.bestNeighbour, psnr(got, show.at(frame - 1)));
                if (p + 1 < c.pictures)
                    s.bestNeighbour = std::max(s.bestNeighbour, psnr(got, show.at(frame + 1)));
            }
            if (std::find(KEPT_PICTURES.begin(), KEPT_PICTURES.end(), p) != KEPT_PICTURES.end())
                s.kept[p] = got;
        },
        error);
    ASSERT_TRUE(decoded) << error;

    // Streams and timeline: every picture on the 21 ms grid from 0.
    EXPECT_EQ(f.videoCodec, c.videoCodec);
    EXPECT_EQ(f.width, 1280);
    EXPECT_EQ(f.height, 960);
    EXPECT_EQ(f.pixelFormat, AV_PIX_FMT_YUV420P);
    EXPECT_EQ(f.colorSpace, AVCOL_SPC_BT709);
    EXPECT_NEAR(f.frameRate, 1000.0 / RECORD_FRAME_MS, 1e-6);
    EXPECT_EQ(f.audioCodec, c.audioCodec);
    EXPECT_EQ(f.sampleRate, 48000);
    EXPECT_EQ(f.channels, 2);
    ASSERT_EQ(static_cast<int64_t>(f.pictureTimes.size()), c.pictures);
    EXPECT_NEAR(f.pictureTimes[0], 0.0, 1 * MS);
    int offGrid = 0;
    for (size_t k = 0; k < f.pictureTimes.size(); ++k)
        if (std::abs(f.pictureTimes[k] - static_cast<double>(k) * RECORD_FRAME_MS * MS) > 0.5 * MS) ++offGrid;
    EXPECT_EQ(offGrid, 0);
    EXPECT_NEAR(f.duration, static_cast<double>(c.pictures) * RECORD_FRAME_MS * MS, 25 * MS);

    // Pictures: each its own frame's and not its neighbours'; the lead-in
    // holds the first frame (not black).
    EXPECT_EQ(s.compared, c.pictures);
    EXPECT_GE(s.worst, c.bound) << "picture " << s.worstPicture;
    EXPECT_GE(s.heldWorst, c.bound);
    EXPECT_LT(s.bestNeighbour, c.bound);

    // Sound: xmrender's rendering of the card's module, behind the
    // lead-in's short silence, in step with the pictures.
    const fs::path xmrender = TOOLS / "xmrender" / "xmrender";
    if (!fs::exists(xmrender)) GTEST_SKIP() << "no " << xmrender;
    const fs::path wav = dir / "track.wav";
    ASSERT_EQ(run(xmrender.string() + " " + YULE_SOURCE_DIR "/resources/track.xm -q --seconds 10 -o " +
                  wav.string()),
              0);
    std::vector<int16_t> music;
    ASSERT_TRUE(readWav(wav, music));
    std::vector<int16_t> want(2 * LEAD_IN_SILENT_FRAMES, 0);
    want.insert(want.end(), music.begin(), music.end());
    const int64_t frames = c.pictures * RECORD_SOUND_FRAMES_PER_PICTURE;
    const int64_t got = static_cast<int64_t>(f.sound.size() / 2);
    EXPECT_GE(got, frames - 2 * RATE / 1000);
    EXPECT_LE(got, frames + 25 * RATE / 1000);
    // Up to 23 ms either way: a lost lead-in silence (8 ms) or a picture's
    // worth of sound (21 ms) would show.
    const int64_t lag = bestLag(f.sound, want, RATE, 2 * RATE, RATE * 23 / 1000);
    EXPECT_LE(std::abs(lag), RATE / 1000) << "lag in samples";
    EXPECT_NEAR(f.firstSoundTime + static_cast<double>(lag) / RATE, f.pictureTimes[0], 1 * MS);
    const int64_t fadeStart = frames - RECORD_FADE_FRAMES;
    EXPECT_NEAR(levelDb(f.sound, RATE / 10, fadeStart), levelDb(want, RATE / 10, fadeStart), 0.5) << "level";

    std::printf(
        "[ figures  ] %s: PSNR worst %.2f dB (picture %lld), mean %.2f dB, lead-in worst %.2f dB, "
        "nearest neighbour %.2f dB; sound lag %lld samples, level %+.2f dB\n",
        c.name, s.worst, static_cast<long long>(s.worstPicture), s.sum / static_cast<double>(s.compared),
        s.heldWorst, s.bestNeighbour, static_cast<long long>(lag),
        levelDb(f.sound, RATE / 10, fadeStart) - levelDb(want, RATE / 10, fadeStart));

    // The same pictures as yulecard-shot writes, when the recording reaches them.
    if (c.pictures <= KEPT_PICTURES.back()) return;
    EXPECT_TRUE(show.writingAtWritingFrame())
        << "frame " << ShowFrames::WRITING_FRAME << " is not of the writing";
    const fs::path shot = TOOLS / "shot" / "yulecard-shot";
    if (!fs::exists(shot)) GTEST_SKIP() << "no " << shot;
    const int64_t w = ShowFrames::WRITING_FRAME;
    const std::vector<int64_t> shotFrames = {0, 1, SLIDE_FRAME, SLIDE_FRAME + 1, w - 1, w};
    std::string list;
    for (int64_t frame : shotFrames) list += (list.empty() ? "" : ",") + std::to_string(frame);
    ASSERT_EQ(run(shot.string() + " --clock " + std::to_string(recording.clock) + " --frames " + list +
                  " --out " + (dir / "shots").string()),
              0);
    std::map<int64_t, RgbImage> shots;
    for (int64_t frame : shotFrames) {
        char name[32];
        std::snprintf(name, sizeof name, "frame-%05lld.png", static_cast<long long>(frame));
        ASSERT_TRUE(readPng(dir / "shots" / name, shots[frame])) << name;
    }
    const int64_t lead = LEAD_IN_PICTURES;
    struct Pair {
        int64_t picture;
        int64_t own;        // the shot it shows
        int64_t neighbour;  // a shot it must not pass for, or -1
    } pairs[] = {{0, 0, -1},
                 {lead - 1, 0, -1},
                 {lead, 0, 1},
                 {lead + SLIDE_FRAME, SLIDE_FRAME, SLIDE_FRAME + 1},
                 {lead + w, w, w - 1}};
    for (const Pair& pair : pairs) {
        SCOPED_TRACE("picture " + std::to_string(pair.picture));
        const RgbImage& picture = s.kept.at(pair.picture);
        EXPECT_GE(psnr(picture, shots[pair.own]), c.bound);
        if (pair.neighbour >= 0) {
            EXPECT_LT(psnr(picture, shots[pair.neighbour]), c.bound);
        }
    }
}

// Bounds under what the card's frames reach with each format's defaults
// (worst picture: H.264 39.35 dB, VP9 38.1 dB). The MP4 runs into the
// writing, which starts at the show's frame 330.
INSTANTIATE_TEST_SUITE_P(Formats, CardRecordingRoundTrip,
                         testing::Values(Case{"mp4", "card.mp4", 400, "h264", "aac", 38.0},
                                         Case{"webm", "card.webm", 286, "vp9", "opus", 37.0}),
                         [](const testing::TestParamInfo<Case>& info) {
                             return std::string(info.param.name);
                         });

TEST(CardRecording, StoppedOrFailedLeavesNoFile) {
    const fs::path dir = scratchFolder("card_stopped");
    CardRecording recording;
    recording.path = (dir / "card.mp4").string();
    recording.settings.scale = 1;
    recording.settings.fast = true;
    recording.pictures = 200;
    std::string error;
    {
        SCOPED_TRACE("stopped between pictures");
        std::atomic<bool> stop{false};
        int64_t seen = 0;
        const RecordOutcome outcome = recordCard(
            recording, stop,
            [&](int64_t done, int64_t) {
                seen = done;
                if (done == 10) stop = true;
            },
            error);
        EXPECT_EQ(outcome, RecordOutcome::Stopped);
        EXPECT_EQ(seen, 10) << "not one picture after the stop";
        EXPECT_TRUE(folderEntries(dir).empty());
    }
    {
        SCOPED_TRACE("stopped while finding the greeting's length");
        std::atomic<bool> stop{true};
        CardRecording byDefault = recording;
        byDefault.pictures = 0;
        EXPECT_EQ(recordCard(byDefault, stop, nullptr, error), RecordOutcome::Stopped);
        EXPECT_TRUE(folderEntries(dir).empty());
    }
    {
        SCOPED_TRACE("a folder that is a file");
        std::ofstream(dir / "plain") << "x";
        CardRecording into = recording;
        into.path = (dir / "plain" / "card.mp4").string();
        std::atomic<bool> stop{false};
        EXPECT_EQ(recordCard(into, stop, nullptr, error), RecordOutcome::Failed);
        EXPECT_NE(error.find((dir / "plain").string()), std::string::npos) << error;
        EXPECT_EQ(error.find('\n'), std::string::npos) << "one line";
        EXPECT_EQ(folderEntries(dir), std::vector<std::string>{"plain"});
    }
}

}  // namespace
