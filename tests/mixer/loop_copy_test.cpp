// The copy of a short forward loop that the mixer gathers runs from: which
// samples the loader gives one and what it holds, and the two places where
// a frame near the loop's ends must read the data rather than the copy.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "loader/xm_builder.h"
#include "mixer_support.h"
#include "music/loader.h"
#include "music/mixer.h"
#include "music/mixer_kernels.h"
#include "music/song_check.h"
#include "reference_mixer.h"

namespace {

using xmtest::buildXm;
using xmtest::SampleSpec;
using xmtest::withSample;

// The first entry where two buffers differ bit for bit; -1 when none does.
long firstDifference(const std::vector<float>& a, const std::vector<float>& b) {
    if (a.size() != b.size()) return 0;
    for (size_t k = 0; k < a.size(); ++k) {
        if (std::memcmp(&a[k], &b[k], sizeof(float)) != 0) return static_cast<long>(k);
    }
    return -1;
}

struct LoadedSample {
    Song* song = nullptr;
    explicit LoadedSample(const SampleSpec& spec) {
        const std::vector<uint8_t> bytes = buildXm(withSample(spec));
        song = createSongFromMemory(bytes.data(), bytes.size());
    }
    ~LoadedSample() { freeSong(song); }
    LoadedSample(const LoadedSample&) = delete;
    LoadedSample& operator=(const LoadedSample&) = delete;
    const Sample& sample() const { return *song->instruments[0].samples[0]; }
};

TEST(LoopCopy, TheLoaderRepeatsShortForwardLoopsAndNothingElse) {
    struct Case {
        const char* what;
        uint8_t type;  // the file's type byte
        uint32_t frames;
        uint32_t loopStart;
        uint32_t loopLength;
        bool copied;
    };
    const Case cases[] = {
        {"a loop of one frame", 0x01, 40, 39, 1, true},
        {"a short loop inside the sample", 0x01, 300, 100, 77, true},
        {"the longest loop copied", 0x01, 600, 0, 511, true},
        {"a long loop", 0x01, 600, 0, 512, false},
        {"a ping-pong loop", 0x02, 300, 100, 77, false},
        {"no loop", 0x00, 300, 0, 0, false},
    };
    for (const Case& c : cases) {
        SampleSpec spec;
        spec.data.resize(c.frames);
        for (uint32_t k = 0; k < c.frames; ++k) spec.data[k] = static_cast<uint8_t>(k * 37 + 11);  // deltas
        spec.loopStart = c.loopStart;
        spec.loopLength = c.loopLength;
        spec.type = c.type;
        LoadedSample loaded(spec);
        ASSERT_NE(loaded.song, nullptr) << c.what << ": " << lastLoadError().message;
        const Sample& s = loaded.sample();
        if (!c.copied) {
            EXPECT_EQ(s.loopCopy, nullptr) << c.what;
            EXPECT_EQ(s.loopCopyFrames, 0u) << c.what;
            continue;
        }
        ASSERT_NE(s.loopCopy, nullptr) << c.what;
        EXPECT_EQ(s.loopCopyFrames, loopCopySize(s)) << c.what;
        EXPECT_GT(s.loopCopyFrames, 1024 + s.loopLength) << c.what << ": room for a long gathered run";
        for (uint32_t k = 0; k < s.loopCopyFrames; ++k) {
            ASSERT_EQ(s.loopCopy[k], s.data[s.loopStart + k % s.loopLength]) << c.what << ", frame " << k;
        }
        // The data and its spare frames stay as they were.
        EXPECT_EQ(s.data[s.loopStart + s.loopLength], s.data[s.loopStart]) << c.what;
        for (uint32_t k = 1; k < 8; ++k) EXPECT_EQ(s.data[s.length + k], 0) << c.what;
    }
}

TEST(LoopCopy, TheSongCheckRefusesACopyThatDiffersFromItsLoop) {
    SampleSpec spec;
    spec.data.assign(64, 3);
    spec.loopStart = 10;
    spec.loopLength = 20;
    spec.type = 0x01;
    LoadedSample loaded(spec);
    ASSERT_NE(loaded.song, nullptr) << lastLoadError().message;
    ASSERT_EQ(checkSong(loaded.song), "");
    Sample& s = *loaded.song->instruments[0].samples[0];
    int16_t* copy = const_cast<int16_t*>(s.loopCopy);
    copy[s.loopCopyFrames - 1] ^= 1;  // the last frame a gathered run may read
    EXPECT_NE(checkSong(loaded.song).find("loop copy frame"), std::string::npos);
    copy[s.loopCopyFrames - 1] ^= 1;
    s.loopCopyFrames = s.loopLength;  // too short to hold a turn and its partner
    EXPECT_NE(checkSong(loaded.song).find("loop copy of"), std::string::npos);
}

class LoopCopyPaths : public ::testing::TestWithParam<MixPath> {
  protected:
    void SetUp() override {
        if (!mixPathSupported(GetParam()))
            GTEST_SKIP() << pathName(GetParam()) << " is not available on this processor";
        saved_ = mixPath();
        setOutputFormat(44000);
        ASSERT_TRUE(setMixPath(GetParam()));
    }
    void TearDown() override {
        setMixPath(saved_);
        resetVoiceTable();
    }

    // The buffer after one call of `frames` frames on voice 0, started from
    // `position` at `step` with settled full gains, by either mixer.
    static std::vector<float> mixed(void (*mix)(float*, int32_t), const Sample& sample, uint64_t position,
                                    uint64_t step, int32_t frames) {
        resetVoiceTable();
        startVoice(0, &sample, position, step, 255, 255);
        std::vector<float> buffer(2 * static_cast<size_t>(frames), 0.0f);
        mix(buffer.data(), frames);
        return buffer;
    }

    MixPath saved_ = MixPath::Scalar;
};

TEST_P(LoopCopyPaths, AFrameAHairPastTheLoopEndReadsTheDataBehindIt) {
    // A low note whose step has the 8 low bits the boundary count drops set:
    // over a 100-frame loop the count falls a whole output frame late, and
    // that frame interpolates a hair past the loop end, towards the frame
    // behind the guard. That frame is the data's, not the copy's.
    std::vector<int16_t> frames(200, 0);
    for (int k = 0; k < 100; ++k) frames[k] = static_cast<int16_t>(k % 2 ? -32768 : 1);
    const uint64_t step = (uint64_t{1} << 23) + 255;
    const int32_t count = 3 * 51300;  // three times round the loop
    TestSample withCopy(frames, SAMPLE_FORWARD_LOOP, 0, 100, true);
    ASSERT_NE(withCopy.sample.loopCopy, nullptr);
    frames[101] = 32767;
    TestSample otherBehind(frames, SAMPLE_FORWARD_LOOP, 0, 100);
    // The case is met: what lies behind the guard shows in the sound.
    const std::vector<float> expected = mixed(reference::mixVoices, withCopy.sample, 0, step, count);
    ASSERT_NE(firstDifference(expected, mixed(reference::mixVoices, otherBehind.sample, 0, step, count)), -1);
    EXPECT_EQ(firstDifference(mixed(mixVoices, withCopy.sample, 0, step, count), expected), -1);
}

TEST_P(LoopCopyPaths, AWrapAHairShortOfTheLoopStartReadsTheFrameBeforeIt) {
    // From 56 x 2^-32 past the loop start of a 4-frame loop, a step of 256 x
    // (2^26 - 1) / 3 frames x 2^-32 reaches the counted boundary 200 x 2^-32
    // short of it: the wrap lands a hair below the loop start, whose first
    // frame interpolates from the frame before the loop, not the loop's last.
    std::vector<int16_t> frames = {0, 0, 0, 0, 0, 0, 0, 0, 0, 32767, 1, 5, 9, -32768, 0, 0};
    TestSample withCopy(frames, SAMPLE_FORWARD_LOOP, 10, 4, true);
    ASSERT_NE(withCopy.sample.loopCopy, nullptr);
    const uint64_t start = (uint64_t{10} << 32) + 56;
    const uint64_t step = uint64_t{256} * ((uint64_t{1} << 26) - 1) / 3;
    resetVoiceTable();
    Voice& v = startVoice(0, &withCopy.sample, start, step, 255, 255);
    float first[6] = {};
    reference::mixVoices(first, 3);
    ASSERT_EQ(v.positionInt, 9) << "the wrap lands below the loop start";
    EXPECT_EQ(firstDifference(mixed(mixVoices, withCopy.sample, start, step, 500),
                              mixed(reference::mixVoices, withCopy.sample, start, step, 500)),
              -1);
}

INSTANTIATE_TEST_SUITE_P(AllPaths, LoopCopyPaths,
                         ::testing::Values(MixPath::Scalar, MixPath::Avx2, MixPath::Avx512), pathTestName);

}  // namespace
