// The recorder's own path end to end: the card's show and music go through
// recordCard as yulecard-record sends them, the file is decoded back as a
// player would, and what comes out is held against the show's own frames
// (every picture), yulecard-shot's pictures and xmrender's sound.
#include "tools/record/card_recording.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "app/card_content.h"
#include "app/scene_host.h"
#include "decoded_file.h"
#include "media_checks.h"
#include "stream_checks.h"
#include "support/scratch_folder.h"
#include "tests/support/read_png.h"
#include "tools/picture/frame_picture.h"
#include "tools/record/recording_length.h"
#include "tools/record/recording_timeline.h"

namespace {

namespace fs = std::filesystem;

constexpr double MS = 0.001;
constexpr int64_t RATE = RECORD_SOUND_RATE;
const fs::path TOOLS = fs::path(YULE_BINARY_DIR) / "tools";
const std::string TRACK = YULE_SOURCE_DIR "/resources/track.xm";

// A frame of the writing phase (which starts at frame 330) with a few
// glyphs on the palm, and one of the slide-in.
constexpr int64_t WRITING_FRAME = 347;
constexpr int64_t SLIDE_FRAME = 52;

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
            if (newest_ == WRITING_FRAME) writingSeen_ = show_.writing() && show_.glyphsOnPalm() > 0;
        }
        return ring_[static_cast<size_t>(frame % 3)];
    }
    // Whether WRITING_FRAME had glyphs on the palm.
    bool writingSeen() const { return writingSeen_; }

  private:
    SceneHost show_;
    bool opened_ = false;
    std::string error_;
    std::array<RgbImage, 3> ring_;
    int64_t newest_ = -1;
    bool writingSeen_ = false;
};

struct PictureScores {
    double worst = 1e9;
    int64_t worstPicture = -1;
    double sum = 0;
    int64_t compared = 0;
    double heldWorst = 1e9;    // the lead-in's pictures against the first frame
    double bestNeighbour = 0;  // the closest a moving picture came to the frame before or after
    bool writingSeen = false;
    std::map<int64_t, RgbImage> kept;  // decoded pictures asked for, by number
};

// Decodes `path` with every picture held against its frame of the show
// (run with the content in use), keeping the pictures `keep` names.
void decodeAgainstShow(const fs::path& path, int64_t clock, const std::vector<int64_t>& keep, DecodedFile& f,
                       PictureScores& s) {
    ShowFrames show(clock);
    ASSERT_TRUE(show.opened()) << show.error();
    std::string error;
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
                s.bestNeighbour = std::max(s.bestNeighbour, psnr(got, show.at(frame + 1)));
            }
            if (std::find(keep.begin(), keep.end(), p) != keep.end()) s.kept[p] = got;
        },
        error);
    ASSERT_TRUE(decoded) << error;
    s.writingSeen = show.writingSeen();
}

// Pictures: each its own frame's and not its neighbours'; the lead-in holds
// the first frame (not black).
void checkPictures(const PictureScores& s, int64_t pictures, double bound) {
    EXPECT_EQ(s.compared, pictures);
    EXPECT_GE(s.worst, bound) << "picture " << s.worstPicture;
    EXPECT_GE(s.heldWorst, bound);
    EXPECT_LT(s.bestNeighbour, bound);
}

int run(const std::string& command) {
    return std::system((command + " >/dev/null 2>&1").c_str());
}

// xmrender's rendering of `module`: 16-bit stereo after a 44-byte header.
void renderWithXmrender(const std::string& module, const fs::path& wav, std::vector<int16_t>& pcm) {
    const fs::path xmrender = TOOLS / "xmrender" / "xmrender";
    ASSERT_TRUE(fs::exists(xmrender)) << xmrender;
    ASSERT_EQ(run(xmrender.string() + " '" + module + "' -q --seconds 30 -o '" + wav.string() + "'"), 0);
    std::ifstream in(wav, std::ios::binary);
    const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_GT(bytes.size(), 44u);
    pcm.resize((bytes.size() - 44) / 2);
    for (size_t i = 0; i < pcm.size(); ++i)
        pcm[i] = static_cast<int16_t>(static_cast<uint8_t>(bytes[44 + 2 * i]) |
                                      static_cast<uint8_t>(bytes[45 + 2 * i]) << 8);
}

struct SoundScores {
    int64_t lag = 0;     // samples
    double levelDb = 0;  // the recording's level against xmrender's
};

// The sound: xmrender's rendering of `module` behind the lead-in's short
// silence, in step with the pictures, at its level.
void checkSound(const DecodedFile& f, int64_t pictures, const std::string& module, const fs::path& dir,
                SoundScores& scores) {
    std::vector<int16_t> music;
    renderWithXmrender(module, dir / "music.wav", music);
    if (testing::Test::HasFatalFailure()) return;
    std::vector<int16_t> want(2 * LEAD_IN_SILENT_FRAMES, 0);
    want.insert(want.end(), music.begin(), music.end());
    const int64_t frames = pictures * RECORD_SOUND_FRAMES_PER_PICTURE;
    const int64_t got = static_cast<int64_t>(f.sound.size() / 2);
    EXPECT_GE(got, frames - 2 * RATE / 1000);
    EXPECT_LE(got, frames + 25 * RATE / 1000);
    // Up to 23 ms either way: a lost lead-in silence (8 ms) or a picture's
    // worth of sound (21 ms) would show.
    scores.lag = bestLag(f.sound, want, RATE, 2 * RATE, RATE * 23 / 1000);
    EXPECT_LE(std::abs(scores.lag), RATE / 1000) << "lag in samples";
    EXPECT_NEAR(f.firstSoundTime + static_cast<double>(scores.lag) / RATE, f.pictureTimes.at(0), 1 * MS);
    const int64_t fadeStart = frames - RECORD_FADE_FRAMES;
    scores.levelDb = levelDb(f.sound, RATE / 10, fadeStart) - levelDb(want, RATE / 10, fadeStart);
    EXPECT_NEAR(scores.levelDb, 0, 0.5) << "level";
}

// yulecard-shot's pictures of `frames`, by number.
void shoot(int64_t clock, const std::vector<int64_t>& frames, const fs::path& dir,
           std::map<int64_t, RgbImage>& shots) {
    const fs::path shot = TOOLS / "shot" / "yulecard-shot";
    ASSERT_TRUE(fs::exists(shot)) << shot;
    std::string list;
    for (const int64_t frame : frames) list += (list.empty() ? "" : ",") + std::to_string(frame);
    ASSERT_EQ(run(shot.string() + " --clock " + std::to_string(clock) + " --frames " + list + " --out '" +
                  dir.string() + "'"),
              0);
    for (const int64_t frame : frames) {
        char name[32];
        std::snprintf(name, sizeof name, "frame-%05lld.png", static_cast<long long>(frame));
        ASSERT_TRUE(readPng(dir / name, shots[frame])) << name;
    }
}

RecordOutcome record(const CardRecording& recording, std::string& error) {
    const std::atomic<bool> stop{false};
    return recordCard(recording, stop, nullptr, error);
}

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

class CardRecordingRoundTrip : public testing::TestWithParam<Case> {};

TEST_P(CardRecordingRoundTrip, IsTheCardsShowAndMusic) {
    const Case& c = GetParam();
    const fs::path dir = scratchFolder(std::string("card_") + c.name);
    CardRecording recording;
    recording.path = (dir / c.file).string();
    recording.pictures = c.pictures;
    const std::atomic<bool> stop{false};
    int64_t lastDone = 0;
    std::string error;
    ASSERT_EQ(recordCard(
                  recording, stop, [&](int64_t done, int64_t) { lastDone = done; }, error),
              RecordOutcome::Written)
        << error;
    EXPECT_EQ(lastDone, c.pictures);
    EXPECT_EQ(folderEntries(dir), std::vector<std::string>{c.file}) << "only the video, no temporary file";

    const int64_t lead = LEAD_IN_PICTURES;
    const int64_t w = WRITING_FRAME;
    const std::vector<int64_t> keep = {0, lead - 1, lead, lead + SLIDE_FRAME, lead + w};
    DecodedFile f;
    PictureScores s;
    decodeAgainstShow(recording.path, recording.clock, keep, f, s);
    if (HasFatalFailure()) return;
    checkStreams(f, c.pictures, c.videoCodec, c.audioCodec, 2);
    if (HasFatalFailure()) return;
    checkPictures(s, c.pictures, c.bound);
    SoundScores sound;
    checkSound(f, c.pictures, TRACK, dir, sound);
    std::printf(
        "[ figures  ] %s: PSNR worst %.2f dB (picture %lld), mean %.2f dB, lead-in worst %.2f dB, "
        "nearest neighbour %.2f dB; sound lag %lld samples, level %+.2f dB\n",
        c.name, s.worst, static_cast<long long>(s.worstPicture), s.sum / static_cast<double>(s.compared),
        s.heldWorst, s.bestNeighbour, static_cast<long long>(sound.lag), sound.levelDb);

    // The same pictures as yulecard-shot writes, where the recording reaches them.
    if (c.pictures <= lead + w) return;
    EXPECT_TRUE(s.writingSeen) << "frame " << w << " is not of the writing";
    std::map<int64_t, RgbImage> shots;
    shoot(recording.clock, {0, 1, SLIDE_FRAME, SLIDE_FRAME + 1, w - 1, w}, dir / "shots", shots);
    if (HasFatalFailure()) return;
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
// writing.
INSTANTIATE_TEST_SUITE_P(Formats, CardRecordingRoundTrip,
                         testing::Values(Case{"mp4", "card.mp4", 400, "h264", "aac", 38.0},
                                         Case{"webm", "card.webm", 286, "vp9", "opus", 37.0}),
                         [](const testing::TestParamInfo<Case>& info) {
                             return std::string(info.param.name);
                         });

// The sender's greeting and music reach the recording, and its default
// length follows their greeting.
TEST(CardRecording, TheSendersOwnCard) {
    const fs::path dir = scratchFolder("card_own");
    std::ofstream(dir / "wishes.txt") << "Happy holidays from\nthe recorder's test!\n";
    const std::string module = YULE_SOURCE_DIR "/fuzz/seeds/notes_8bit_loop.xm";
    LoadedCardContent content;
    std::string error;
    ASSERT_TRUE(loadCardContent({(dir / "wishes.txt").string(), module}, content, error)) << error;
    useCardContent(content);
    struct BackToOurs {
        ~BackToOurs() { useCardContent(LoadedCardContent{}); }
    } backToOurs;

    CardRecording recording;
    recording.path = (dir / "own.mp4").string();
    recording.settings.fast = true;
    ASSERT_EQ(record(recording, error), RecordOutcome::Written) << error;

    // One pass of their greeting (shorter than ours) and two seconds.
    const std::atomic<bool> stop{false};
    const int64_t pass = greetingPassFrames(recording.clock, MAX_RECORD_PICTURES, stop, error);
    const int64_t pictures = LEAD_IN_PICTURES + pass + TAIL_PICTURES;
    // Far enough into the writing for a line of their words.
    constexpr int64_t THEIR_LINE = 420;
    ASSERT_GT(pass, THEIR_LINE);
    const int64_t writing = LEAD_IN_PICTURES + THEIR_LINE;
    DecodedFile f;
    PictureScores s;
    decodeAgainstShow(recording.path, recording.clock, {writing}, f, s);
    if (HasFatalFailure()) return;
    checkStreams(f, pictures, "h264", "aac", 2);
    if (HasFatalFailure()) return;
    constexpr double BOUND = 36.5;  // --fast: 37.4 dB at worst on our card
    checkPictures(s, pictures, BOUND);
    EXPECT_TRUE(s.writingSeen);
    SoundScores sound;
    checkSound(f, pictures, module, dir, sound);

    // Their words, not ours, on the palm.
    useCardContent(LoadedCardContent{});
    std::map<int64_t, RgbImage> ours;
    shoot(recording.clock, {THEIR_LINE}, dir / "ours", ours);
    if (HasFatalFailure()) return;
    const double againstOurs = psnr(s.kept.at(writing), ours[THEIR_LINE]);
    EXPECT_LT(againstOurs, BOUND - 3);
    std::printf(
        "[ figures  ] own card: %lld pictures, PSNR worst %.2f dB; frame %lld against ours %.2f dB; "
        "sound lag %lld samples, level %+.2f dB\n",
        static_cast<long long>(pictures), s.worst, static_cast<long long>(THEIR_LINE), againstOurs,
        static_cast<long long>(sound.lag), sound.levelDb);
}

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
        const std::atomic<bool> stop{true};
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
        EXPECT_EQ(record(into, error), RecordOutcome::Failed);
        EXPECT_NE(error.find((dir / "plain").string()), std::string::npos) << error;
        EXPECT_EQ(error.find('\n'), std::string::npos) << "one line";
        EXPECT_EQ(folderEntries(dir), std::vector<std::string>{"plain"});
    }
}

}  // namespace
