// The mixer's behaviour on hand-built voices: interpolation and gains, loop
// boundaries, the end of a sample, volume ramps, and the 16-bit conversion.
#include "music/mixer.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <limits>
#include <vector>

#include "mixer_support.h"

namespace {

class Mixer : public ::testing::Test {
  protected:
    void SetUp() override {
        setOutputFormat(44000);
        resetVoiceTable();
    }
    void TearDown() override { resetVoiceTable(); }
};

// What a value adds to an empty entry at the full gain 255 (slightly above
// 1: the float 1/255 is rounded up).
float full(double value) {
    return addedAtGain(value, 255);
}

// A long constant loop, so that ramps are not cut into short runs.
std::vector<int16_t> flat(int16_t value, size_t frames = 1024) {
    return std::vector<int16_t>(frames, value);
}

std::vector<float> mixed(int32_t frames) {
    std::vector<float> buffer(2 * frames, 0.0f);
    mixVoices(buffer.data(), frames);
    return buffer;
}

// ---- interpolation and gains ----

TEST_F(Mixer, InterpolatesInDoublePrecisionAndDropsTheLowestFractionBit) {
    TestSample s({0, 1000, -32768, 32767}, SAMPLE_NO_LOOP);
    startVoice(0, &s.sample, ONE / 2, ONE, 255, 127);
    auto b = mixed(3);
    // 0.5 between 0 and 1000 at gains 255/255 and 127/255.
    EXPECT_EQ(b[0], full(500.0));
    EXPECT_EQ(b[1], addedAtGain(500.0, 127));
    // Between 1000 and -32768: 1000 - 33768 / 2 = -15884.
    EXPECT_EQ(b[2], full(-15884.0));
    EXPECT_EQ(b[4], full(-0.5));  // -32768 + 65535 / 2

    // A fraction of 1 is read as 0: the weight is (fraction >> 1) x 2^-31.
    resetVoiceTable();
    startVoice(0, &s.sample, 1, ONE, 255, 255);
    auto c = mixed(1);
    EXPECT_EQ(c[0], 0.0f);
}

TEST_F(Mixer, AddsToTheBufferInDoubleAndStoresFloat) {
    // 1 at gain 255/255 adds 1.0000000591. Summed in double, 16777216 +
    // that rounds up to the float 16777218; rounding the product to float
    // first (1.0) would make a tie that goes to the even 16777216.
    TestSample s({1, 1, 1, 1}, SAMPLE_FORWARD_LOOP, 0, 4);
    startVoice(0, &s.sample, 0, ONE, 255, 0);
    std::vector<float> b(4, 0.0f);
    b[0] = 16777216.0f;
    mixVoices(b.data(), 1);
    EXPECT_EQ(b[0], 16777218.0f);
    EXPECT_EQ(b[1], 0.0f);  // a right gain of 0 adds nothing
}

TEST_F(Mixer, LeavesTheBufferAloneWithoutFramesOrVoices) {
    TestSample s({5000, 5000}, SAMPLE_FORWARD_LOOP, 0, 2);
    std::vector<float> b(8, 0.0f);
    mixVoices(b.data(), 4);  // no voice active
    for (float x : b) EXPECT_EQ(x, 0.0f);
    std::array<int16_t, 8> pcm{};
    pcm.fill(7);
    convertToPcm16(pcm.data(), b.data(), 4);
    for (int16_t x : pcm) EXPECT_EQ(x, 0);

    Voice& v = startVoice(0, &s.sample, 0, ONE / 3, 200, 200);
    mixVoices(b.data(), 0);
    mixVoices(b.data(), -5);
    for (float x : b) EXPECT_EQ(x, 0.0f);
    EXPECT_EQ(positionOf(v), 0u);
}

TEST_F(Mixer, MixesVoicesZeroToThirtyOneOnly) {
    TestSample s({100, 100, 100, 100}, SAMPLE_FORWARD_LOOP, 0, 4);
    for (int i = 31; i < VOICE_COUNT; ++i) startVoice(i, &s.sample, 0, ONE, 255, 255);
    auto b = mixed(2);
    EXPECT_EQ(b[0], full(100.0));  // voice 31 alone
    EXPECT_EQ(positionOf(voices[31]), 2 * ONE);
    EXPECT_EQ(positionOf(voices[32]), 0u);
    EXPECT_EQ(positionOf(voices[255]), 0u);
}

// ---- boundaries ----

TEST_F(Mixer, SampleWithoutLoopEndsInTheBufferAndInterpolatesToTheZeroFrame) {
    TestSample s({1000, 2000, 3000}, SAMPLE_NO_LOOP);
    Voice& v = startVoice(0, &s.sample, 0, ONE / 2, 255, 255);
    auto b = mixed(8);
    const float expected[8] = {1000, 1500, 2000, 2500, 3000, 1500, 0, 0};
    for (int k = 0; k < 8; ++k) {
        EXPECT_EQ(b[2 * k], full(expected[k])) << "frame " << k;
        EXPECT_EQ(b[2 * k + 1], full(expected[k])) << "frame " << k;
    }
    EXPECT_EQ(v.sample, nullptr);
    EXPECT_EQ(v.positionInt, 0);
    EXPECT_EQ(v.positionFrac, 0u);
    // Idle from now on.
    auto again = mixed(4);
    for (float x : again) EXPECT_EQ(x, 0.0f);
}

TEST_F(Mixer, SampleOfLengthZeroStopsAtOnceWithoutReading) {
    Sample empty{};  // no data, length 0, loop end 0
    empty.loopType = SAMPLE_NO_LOOP;
    Voice& v = startVoice(0, &empty, 0, ONE, 255, 255);
    auto b = mixed(4);
    for (float x : b) EXPECT_EQ(x, 0.0f);
    EXPECT_EQ(v.sample, nullptr);

    Sample zeroed{};  // as the placeholder for missing samples: all zero
    startVoice(1, &zeroed, 0, ONE, 255, 255);
    mixed(4);
    EXPECT_EQ(voices[1].sample, nullptr);
}

TEST_F(Mixer, BoundaryOnTheLastFrameOfTheBufferIsHandledInTheSameCall) {
    TestSample forward({1, 2, 3, 4}, SAMPLE_FORWARD_LOOP, 0, 4);
    TestSample pingpong({1, 2, 3, 4}, SAMPLE_PINGPONG_LOOP, 0, 4);
    TestSample once({1, 2, 3, 4}, SAMPLE_NO_LOOP);
    startVoice(0, &forward.sample, 0, ONE, 255, 255);
    startVoice(1, &pingpong.sample, 0, ONE, 255, 255);
    startVoice(2, &once.sample, 0, ONE, 255, 255);
    mixed(4);
    EXPECT_EQ(positionOf(voices[0]), 0u);           // wrapped to the loop start
    EXPECT_EQ(positionOf(voices[1]), 4 * ONE - 1);  // reflected: 2 x 4 - 4 - 2^-32
    EXPECT_EQ(voices[1].direction, VOICE_BACKWARD);
    EXPECT_EQ(voices[2].sample, nullptr);
}

TEST_F(Mixer, VoiceOnItsBoundaryIsHandledBeforeMixing) {
    TestSample s({10, 20, 30, 40, 50}, SAMPLE_FORWARD_LOOP, 1, 4);
    Voice& v = startVoice(0, &s.sample, 5 * ONE, ONE, 255, 255);
    auto b = mixed(1);
    EXPECT_EQ(b[0], full(20.0));  // the loop start frame
    EXPECT_EQ(positionOf(v), 2 * ONE);
}

TEST_F(Mixer, ForwardLoopWrapsSeveralTimesInOneStep) {
    TestSample s({10, 20, 30, 40, 50, 60}, SAMPLE_FORWARD_LOOP, 2, 3);
    Voice& v = startVoice(0, &s.sample, 4 * ONE, 7 * ONE, 255, 255);
    auto b = mixed(2);
    // 4 -> 11 -> 8 -> 5 -> 2; then 2 -> 9 -> 6 -> 3.
    EXPECT_EQ(b[0], full(50.0));
    EXPECT_EQ(b[2], full(30.0));
    EXPECT_EQ(positionOf(v), 3 * ONE);
}

TEST_F(Mixer, PingPongReflectsAtBothEndsUntilInside) {
    TestSample s({10, 20, 30, 40, 50, 60}, SAMPLE_PINGPONG_LOOP, 2, 3);
    Voice& v = startVoice(0, &s.sample, 4 * ONE, 7 * ONE, 255, 255);
    mixed(1);
    // 11 at the end -> -1 - 2^-32 backward, at the start -> 5 forward, at the
    // end again -> 5 - 2^-32 backward.
    EXPECT_EQ(v.direction, VOICE_BACKWARD);
    EXPECT_EQ(positionOf(v), 5 * ONE - 1);

    // Backward exactly onto the loop start: reflected to 2^-32 below it.
    resetVoiceTable();
    TestSample t({10, 20, 30, 40, 50, 60, 70}, SAMPLE_PINGPONG_LOOP, 2, 4);
    Voice& w = startVoice(0, &t.sample, 4 * ONE, ONE, 255, 255);
    w.direction = VOICE_BACKWARD;
    std::vector<float> b(4, 0.0f);
    mixVoices(b.data(), 2);
    EXPECT_EQ(b[0], full(50.0));
    EXPECT_EQ(b[2], full(40.0));
    EXPECT_EQ(w.direction, VOICE_FORWARD);
    EXPECT_EQ(w.positionInt, 1);
    EXPECT_EQ(w.positionFrac, 0xFFFFFFFFu);
}

TEST_F(Mixer, ForwardWrapStoppedShortOfALoopAtZeroReadsTheZeroFrameBeforeTheData) {
    // The boundary count drops 8 fraction bits: from 3 + 128 x 2^-32 with a
    // step of 1 - 256 x 2^-32 one frame is counted, and the voice stops 128 x
    // 2^-32 short of the end. One loop length back puts it a hair below
    // frame 0, where it stays (not walked further down as if it were past
    // the end) and reads the zero frame before the data.
    TestSample s({100, 100, 100, 100}, SAMPLE_FORWARD_LOOP, 0, 4);
    Voice& v = startVoice(0, &s.sample, 3 * ONE + 0x80, 0xFFFFFF00u, 255, 255);
    auto b = mixed(2);
    EXPECT_EQ(b[0], full(100.0));
    const double weight = static_cast<double>(0xFFFFFF80u >> 1) * 0x1p-31;
    EXPECT_EQ(b[2], addedAtGain(100.0 * weight, 255));
    EXPECT_LT(b[2], full(100.0));
    EXPECT_EQ(v.positionInt, 0);
    EXPECT_EQ(v.positionFrac, 0xFFFFFE80u);
}

TEST_F(Mixer, ForwardWrapStoppedShortOfALaterLoopEndsJustBelowTheLoopStart) {
    TestSample s({7, 100, 100, 100, 100}, SAMPLE_FORWARD_LOOP, 1, 4);
    Voice& v = startVoice(0, &s.sample, 4 * ONE + 0x80, 0xFFFFFF00u, 255, 255);
    mixed(1);
    EXPECT_EQ(v.positionInt, 0);  // loop start - 1
    EXPECT_EQ(v.positionFrac, 0xFFFFFF80u);
}

TEST_F(Mixer, VoiceLeftAHairPastItsEndByABufferEndIsStoppedOrWrappedNextCall) {
    // Step 1000 x 2^-24 + 255 x 2^-32 and 10001 x 2^-24 to go: 11 frames are
    // counted, but after 10 (where this buffer ends) the dropped bits have
    // carried the position 2294 x 2^-32 past the end.
    const uint64_t step = 256255;
    const uint64_t start = 4 * ONE - 2560256;
    TestSample once({500, 500, 500, 500}, SAMPLE_NO_LOOP);
    TestSample loop({500, 500, 500, 500}, SAMPLE_FORWARD_LOOP, 0, 4);
    Voice& a = startVoice(0, &once.sample, start, step, 255, 255);
    Voice& b = startVoice(1, &loop.sample, start, step, 255, 255);
    mixed(10);
    EXPECT_EQ(positionOf(a), 4 * ONE + 2294);
    EXPECT_EQ(a.sample, &once.sample);
    auto next = mixed(10);
    EXPECT_EQ(a.sample, nullptr);     // ended at once, nothing read past the end
    EXPECT_EQ(b.positionInt, 0);      // wrapped back into the loop
    EXPECT_EQ(next[0], full(500.0));  // only the looping voice sounds
    EXPECT_EQ(next[18], full(500.0));
}

TEST_F(Mixer, FarBoundaryStillStopsAVoiceWhoseStepReachesItInOneRun) {
    // 2^24 + 8 frames from the end, stepping 2^18 frames a frame: the end is
    // passed at frame 65. Frames behind the end are readable and loud here,
    // so a voice that ran past it would be heard.
    const uint32_t length = (1u << 24) + 8;
    const uint64_t step = (uint64_t{1} << 18) * ONE;
    TestSample s(std::vector<int16_t>(length + 300000, 1000), SAMPLE_NO_LOOP);
    s.sample.length = s.sample.loopLength = length;
    Voice& v = startVoice(0, &s.sample, 0, step, 255, 255);
    auto b = mixed(66);
    EXPECT_EQ(b[2 * 64], full(1000.0));  // at frame 2^24, still inside
    EXPECT_EQ(b[2 * 65], 0.0f);          // past the end: silent
    EXPECT_EQ(v.sample, nullptr);
}

// ---- volume ramps ----

TEST_F(Mixer, RampSpreadOverTwoCallsEndsOnTheTarget) {
    TestSample s(flat(1000), SAMPLE_FORWARD_LOOP, 0, 1024);
    Voice& v = startVoice(0, &s.sample, 0, ONE / 4, 0, 0, false);
    v.leftVolume = 100;
    v.rightVolume = 37;
    std::vector<float> b(2 * 127, 0.0f);
    mixVoices(b.data(), 27);
    EXPECT_EQ(v.rampFramesLeft, 100);
    EXPECT_EQ(v.seenLeftVolume, 100);
    EXPECT_GT(v.currentLeftVolume, 0);
    EXPECT_LT(v.currentLeftVolume, 100);
    EXPECT_EQ(b[0], 0.0f);  // the first frame plays at the old gain
    EXPECT_GT(b[2], 0.0f);
    mixVoices(b.data() + 54, 100);
    EXPECT_EQ(v.rampFramesLeft, 0);
    EXPECT_EQ(v.currentLeftVolume, 100);
    EXPECT_EQ(v.currentRightVolume, 37);
    // Gains rise frame by frame.
    for (int k = 1; k < 127; ++k) EXPECT_GT(b[2 * k], b[2 * k - 2]) << k;
    // Settled: the next call plays at the target gains without a ramp.
    auto after = mixed(2);
    EXPECT_EQ(after[0], addedAtGain(1000.0, 100));
    EXPECT_EQ(after[1], addedAtGain(1000.0, 37));
    EXPECT_EQ(v.rampFramesLeft, 0);
}

TEST_F(Mixer, RampStepsAreStoredAsFloatAndTheLengthFollowsTheRate) {
    TestSample s(flat(0), SAMPLE_FORWARD_LOOP, 0, 1024);
    Voice& v = startVoice(0, &s.sample, 0, ONE, 0, 0, false);
    v.leftVolume = 255;
    v.rightVolume = 0;
    mixed(1);
    EXPECT_EQ(v.rampLeftStep, static_cast<float>(255.0 * static_cast<double>(1.0f / 255.0f) *
                                                 static_cast<double>(static_cast<float>(1.0 / 127.0))));
    EXPECT_EQ(v.rampRightStep, 0.0f);
    EXPECT_EQ(v.rampFramesLeft, 126);

    setOutputFormat(22050);  // 64 frames
    resetVoiceTable();
    Voice& w = startVoice(0, &s.sample, 0, ONE, 0, 0, false);
    w.rightVolume = 10;
    mixed(64);
    EXPECT_EQ(w.rampFramesLeft, 0);
    EXPECT_EQ(w.currentRightVolume, 10);
}

TEST_F(Mixer, FadeOutToZeroAndTargetChangeMidRampRestartsFromTheRoundedVolume) {
    TestSample s(flat(2000), SAMPLE_FORWARD_LOOP, 0, 1024);
    Voice& v = startVoice(0, &s.sample, 0, ONE, 200, 200);
    v.leftVolume = 0;
    v.rightVolume = 0;
    auto b = mixed(200);
    EXPECT_EQ(v.currentLeftVolume, 0);
    EXPECT_GT(b[2 * 126], 0.0f);
    EXPECT_EQ(b[2 * 127], 0.0f);  // silent once the ramp has ended
    EXPECT_EQ(b[2 * 199], 0.0f);

    v.leftVolume = 250;
    mixed(50);
    const uint8_t reached = v.currentLeftVolume;
    EXPECT_GT(reached, 0);
    EXPECT_LT(reached, 250);
    v.leftVolume = 20;  // new target halfway
    mixed(1);
    EXPECT_EQ(v.rampFramesLeft, 126);  // full length again
    EXPECT_EQ(v.rampLeftStep, static_cast<float>((20.0 - reached) * static_cast<double>(1.0f / 255.0f) *
                                                 static_cast<double>(rampReciprocal)));
    mixed(126);
    EXPECT_EQ(v.currentLeftVolume, 20);
}

TEST_F(Mixer, RoundingPastTheTargetIsClampedNotWrapped) {
    // 3 down to 0 in runs of 34, 71 and 22 frames rounds to 2, 0, then -1.
    TestSample s(flat(3000), SAMPLE_FORWARD_LOOP, 0, 1024);
    Voice& v = startVoice(0, &s.sample, 0, ONE, 3, 3);
    v.leftVolume = 0;
    mixed(34);
    EXPECT_EQ(v.currentLeftVolume, 2);
    mixed(71);
    EXPECT_EQ(v.currentLeftVolume, 0);
    mixed(22);
    EXPECT_EQ(v.currentLeftVolume, 0);  // not 255
    EXPECT_EQ(v.rampFramesLeft, 0);
    auto after = mixed(127);
    EXPECT_EQ(v.rampFramesLeft, 0);  // no new ramp down
    for (int k = 0; k < 127; ++k) EXPECT_EQ(after[2 * k], 0.0f) << k;
    EXPECT_EQ(v.currentRightVolume, 3);
}

TEST_F(Mixer, RampGoesOnAcrossALoopBoundary) {
    // A boundary every 100 frames ends runs inside the ramp; it goes on.
    TestSample s(flat(100, 100), SAMPLE_FORWARD_LOOP, 0, 100);
    Voice& v = startVoice(0, &s.sample, 0, ONE, 0, 0, false);
    v.leftVolume = 255;
    auto b = mixed(127);
    EXPECT_EQ(v.rampFramesLeft, 0);
    EXPECT_EQ(v.currentLeftVolume, 255);
    for (int k = 1; k < 127; ++k) EXPECT_GT(b[2 * k], b[2 * k - 2]) << k;
}

TEST_F(Mixer, NoteStopSilencesAtOnceAndTheNextTriggerRampsFromTheOldVolumes) {
    TestSample s(flat(1000), SAMPLE_FORWARD_LOOP, 0, 1024);
    Voice& v = startVoice(0, &s.sample, 0, ONE, 120, 60);
    mixed(10);
    v.sample = nullptr;  // as the voice update stops a note
    v.leftVolume = 0;
    auto silent = mixed(10);
    for (float x : silent) EXPECT_EQ(x, 0.0f);
    EXPECT_EQ(v.currentLeftVolume, 120);
    EXPECT_EQ(v.currentRightVolume, 60);
    v.sample = &s.sample;
    v.leftVolume = 30;
    v.rightVolume = 60;
    auto b = mixed(2);
    EXPECT_EQ(b[0], addedAtGain(1000.0, 120));  // ramp starts from 120
    EXPECT_EQ(v.rampFramesLeft, 125);
    EXPECT_EQ(v.rampRightStep, 0.0f);
}

// ---- conversion ----

TEST(ConvertToPcm16, RoundsHalvesToEvenAndClamps) {
    const float inf = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const std::vector<float> in = {2.5f,     3.5f,      -2.5f,     0.5f,      1.5f, -0.4f, 32767.5f, 40000.0f,
                                   32767.4f, -32768.5f, -40000.0f, -32767.6f, 3e9f, -3e9f, inf,      nan};
    const std::vector<int16_t> expected = {2,     4,      -2,     0,      2,      0,      32767,  32767,
                                           32767, -32768, -32768, -32768, -32768, -32768, -32768, -32768};
    std::vector<int16_t> out(in.size(), 99);
    convertToPcm16(out.data(), in.data(), static_cast<int32_t>(in.size() / 2));
    EXPECT_EQ(out, expected);
}

TEST(ConvertToPcm16, EveryValueConvertsTheSameWhereverItStands) {
    // Values are converted eight at a time with a one-by-one tail: each edge
    // value is put at every position of a block and in the tail.
    const float inf = std::numeric_limits<float>::infinity();
    const std::vector<std::pair<float, int16_t>> cases = {{2.5f, 2},
                                                          {3.5f, 4},
                                                          {-2.5f, -2},
                                                          {32767.5f, 32767},
                                                          {-32768.5f, -32768},
                                                          {-40000.0f, -32768},
                                                          {2147483520.0f, 32767},
                                                          {2147483648.0f, -32768},
                                                          {-inf, -32768},
                                                          {std::numeric_limits<float>::quiet_NaN(), -32768},
                                                          {-0.5f, 0},
                                                          {12345.49f, 12345}};
    for (const auto& [value, expected] : cases) {
        for (int32_t frames = 1; frames <= 9; ++frames) {
            for (int32_t at = 0; at < 2 * frames; ++at) {
                std::vector<float> in(2 * frames, 7.0f);
                in[at] = value;
                std::vector<int16_t> out(2 * frames, 99);
                convertToPcm16(out.data(), in.data(), frames);
                EXPECT_EQ(out[at], expected) << value << " at " << at << " of " << 2 * frames;
                EXPECT_EQ(out[at == 0 ? 1 : 0], 7);
            }
        }
    }
}

TEST(ConvertToPcm16, IgnoresEmptyCountsAndNullPointers) {
    const float in[4] = {1, 2, 3, 4};
    int16_t out[4] = {9, 9, 9, 9};
    convertToPcm16(out, in, 0);
    convertToPcm16(out, in, -1);
    convertToPcm16(nullptr, in, 2);
    convertToPcm16(out, nullptr, 2);
    for (int16_t x : out) EXPECT_EQ(x, 9);
    convertToPcm16(out, in, 1);  // one frame is two values
    EXPECT_EQ(out[1], 2);
    EXPECT_EQ(out[2], 9);
}

}  // namespace
