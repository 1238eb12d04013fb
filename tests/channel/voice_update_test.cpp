#include "channel_fixture.h"

namespace {

class VoiceUpdateTest : public ChannelTest {
  protected:
    void update(uint8_t flags) {
        channel.flags = flags;
        updateVoice(&channel, &sample, &song);
    }
};

}  // namespace

TEST_F(VoiceUpdateTest, LinearAndAmigaStepsForCFour) {
    struct Case {
        bool linear;
        int period, periodDelta;
        int32_t stepInt;
        uint32_t stepFrac;
    };
    const Case cases[] = {
        {true, 4608, 0, 0, 816336624u},      // 8363 Hz
        {true, 3840, 0, 0, 1632673249u},     // 16726 Hz, an octave up
        {true, 4608, 768, 0, 1632673249u},   // a larger delta raises the pitch
        {true, 2304, 0, 1, 2235725703u},     // 66904 Hz: the quotient joins the dividend
        {false, 1712, 0, 0, 816239012u},     // 8362 Hz
        {false, 1712, -100, 0, 866900103u},  // 8881 Hz: here a smaller pitch raises it
        {false, 200000, 0, 0, 9761289u},     // 71 Hz taken as 100 Hz
        {true, 20000, 0, 0, 9761289u},
    };
    for (const Case& c : cases) {
        song.flags = c.linear ? SONG_LINEAR_FREQUENCIES : 0;
        channel.period = c.period;
        channel.periodDelta = c.periodDelta;
        update(UPDATE_FREQUENCY);
        EXPECT_EQ(voice.stepInt, c.stepInt) << c.period << " " << c.periodDelta;
        EXPECT_EQ(voice.stepFrac, c.stepFrac) << c.period << " " << c.periodDelta;
    }
}

TEST_F(VoiceUpdateTest, ZeroPitchLeavesFrequencyInBothModes) {
    for (uint16_t flags : {uint16_t{SONG_LINEAR_FREQUENCIES}, uint16_t{0}}) {
        song.flags = flags;
        voice.stepInt = 3;
        voice.stepFrac = 1234;
        channel.period = 40;
        channel.periodDelta = -40;
        update(UPDATE_FREQUENCY);
        EXPECT_EQ(voice.stepInt, 3);
        EXPECT_EQ(voice.stepFrac, 1234u);
        EXPECT_EQ(channel.flags & UPDATE_FREQUENCY, 0);
    }
}

TEST_F(VoiceUpdateTest, FollowsTheOutputRate) {
    setOutputFormat(48000);
    channel.period = 4608;
    update(UPDATE_FREQUENCY);
    EXPECT_EQ(voice.stepInt, 0);
    EXPECT_EQ(voice.stepFrac, static_cast<uint32_t>((uint64_t{8363} << 32) / 48000));
    setOutputFormat(44000);
}

TEST_F(VoiceUpdateTest, TheStepOfAPitchIsWorkedOutAgainInTheOtherModeOrAtAnotherRate) {
    // The voice keeps the step of an unchanged pitch; the same numbers in
    // the other mode or at another rate must give the step a voice that
    // never played would work out.
    const struct {
        bool linear;
        int period, periodDelta;
        int32_t rate;
    } sequence[] = {
        {true, 1712, 0, 44000},    {false, 1712, 0, 44000}, {false, 1712, 0, 44000}, {true, 1712, 0, 44000},
        {true, 1702, -10, 44000},  // the same linear pitch from other numbers
        {false, 1702, -10, 44000}, {false, 1712, 0, 22050}, {true, 1712, 0, 96000},  {true, 1712, 0, 44000},
    };
    for (const auto& s : sequence) {
        setOutputFormat(s.rate);
        song.flags = s.linear ? SONG_LINEAR_FREQUENCIES : 0;
        channel.period = s.period;
        channel.periodDelta = s.periodDelta;
        update(UPDATE_FREQUENCY);
        const int32_t kept = voice.stepInt;
        const uint32_t keptFraction = voice.stepFrac;
        voice.stepRate = 0;  // forget: work it out afresh
        update(UPDATE_FREQUENCY);
        EXPECT_EQ(kept, voice.stepInt)
            << s.linear << " " << s.period << " " << s.periodDelta << " " << s.rate;
        EXPECT_EQ(keptFraction, voice.stepFrac) << s.linear << " " << s.period << " " << s.periodDelta;
    }
    setOutputFormat(44000);
}

TEST_F(VoiceUpdateTest, AbsurdPeriodsSaturate) {
    channel.period = -2000000000;  // long extra fine portamento up
    update(UPDATE_FREQUENCY);
    EXPECT_EQ(voice.stepInt, INT32_MAX / 44000);
    channel.period = 100;
    channel.periodDelta = 2000000000;
    update(UPDATE_FREQUENCY);
    EXPECT_EQ(voice.stepInt, INT32_MAX / 44000);
    song.flags = 0;
    channel.period = 1;
    channel.periodDelta = 0;
    update(UPDATE_FREQUENCY);
    EXPECT_EQ(voice.stepInt, 14317056 / 44000);
    channel.period = -5;  // a negative Amiga pitch is below 100 Hz
    update(UPDATE_FREQUENCY);
    EXPECT_EQ(voice.stepInt, 0);
    EXPECT_EQ(voice.stepFrac, 9761289u);
}

TEST_F(VoiceUpdateTest, VolumeFormulaAndGains) {
    struct Case {
        int volume, volumeDelta, envelope, fadeout, global, pan;
        int voiceVolume, left, right;
    };
    const Case cases[] = {
        {64, 0, 64, 65536, 64, 128, 127, 63, 63},
        {32, 0, 64, 65536, 64, 128, 63, 31, 31},   // 63.75 truncates
        {60, 4, 64, 65536, 64, 255, 127, 127, 0},  // tremolo offset counts; pan 255 is all left
        {64, -64, 64, 65536, 64, 0, 0, 0, 0},      // tremor silence
        {64, 0, 32, 32768, 64, 0, 31, 0, 31},
        {64, 0, 64, 65536, 0, 128, 0, 0, 0},
        {64, 0, 64, 65536, 255, 128, 127, 63, 63},  // an overlarge global volume does not wrap
        {200, 0, 64, 65536, 64, 128, 127, 63, 63},
    };
    for (const Case& c : cases) {
        channel.volume = c.volume;
        channel.volumeDelta = c.volumeDelta;
        channel.volEnv.out = c.envelope;
        channel.fadeout = c.fadeout;
        song.globalVolume = c.global;
        voice.pan = c.pan;
        update(UPDATE_VOLUME);
        EXPECT_EQ(voice.volume, c.voiceVolume) << c.volume << " " << c.global;
        EXPECT_EQ(voice.leftVolume, c.left) << c.volume << " " << c.global;
        EXPECT_EQ(voice.rightVolume, c.right) << c.volume << " " << c.global;
    }
}

TEST_F(VoiceUpdateTest, PanLimitsAndEnvelopeSwing) {
    struct Case {
        int pan, envelope, voicePan;
    };
    const Case cases[] = {
        {-3, 32, 0},                     // volume-column slides leave the channel pan unlimited
        {258, 32, 255}, {128, 64, 255},  // 4 x 32 at the centre
        {128, 0, 0},    {100, 40, 124},  // (128 - 28) / 32 = 3, x 8
        {250, 0, 250},                   // (128 - 122) / 32 = 0: no swing near the extremes
        {-300, 64, 0},                   // far outside: (128 - 428) / 32 = -9 swings the other way
    };
    fullVolume();
    update(UPDATE_VOLUME);
    for (const Case& c : cases) {
        channel.pan = c.pan;
        channel.panEnv.out = c.envelope;
        update(UPDATE_PAN);
        EXPECT_EQ(voice.pan, c.voicePan) << c.pan << " " << c.envelope;
        EXPECT_EQ(voice.leftVolume, 127 * c.voicePan / 255);
        EXPECT_EQ(voice.rightVolume, (255 - c.voicePan) * 127 / 255);
    }
}

TEST_F(VoiceUpdateTest, TriggerStartsAtPendingOffsetInsideLoop) {
    voice.startOffset = 300;  // loop runs 100..500
    voice.positionFrac = 77;
    voice.direction = VOICE_BACKWARD;
    update(UPDATE_TRIGGER);
    EXPECT_EQ(voice.sample, &sample);
    EXPECT_EQ(voice.positionInt, 300);
    EXPECT_EQ(voice.positionFrac, 0u);
    EXPECT_EQ(voice.startOffset, 0u);
    EXPECT_EQ(voice.direction, VOICE_FORWARD);

    voice.startOffset = 500;  // at the loop end: from the beginning
    update(UPDATE_TRIGGER);
    EXPECT_EQ(voice.positionInt, 0);

    sample.loopLength = 2000;  // malformed: loop past the data
    voice.startOffset = 1200;
    update(UPDATE_TRIGGER);
    EXPECT_EQ(voice.positionInt, 0);

    // The placeholder sample has no frames: any offset restarts at 0.
    voice.startOffset = 5;
    channel.flags = UPDATE_TRIGGER;
    updateVoice(&channel, &emptySample, &song);
    EXPECT_EQ(voice.sample, &emptySample);
    EXPECT_EQ(voice.positionInt, 0);
}

TEST_F(VoiceUpdateTest, StopSilencesAfterEverythingElse) {
    voice.positionInt = 40;
    voice.positionFrac = 5;
    voice.startOffset = 256;
    fullVolume();
    channel.period = 4608;
    update(UPDATE_TRIGGER | UPDATE_VOLUME | UPDATE_FREQUENCY | UPDATE_STOP);
    EXPECT_EQ(voice.sample, nullptr);
    EXPECT_EQ(voice.positionInt, 0);
    EXPECT_EQ(voice.positionFrac, 0u);
    EXPECT_EQ(voice.startOffset, 0u);
    EXPECT_EQ(voice.volume, 127);
    EXPECT_EQ(voice.stepFrac, 816336624u);
}

TEST_F(VoiceUpdateTest, UnflaggedFieldsStayUntouched) {
    voice.volume = 11;
    voice.pan = 22;
    voice.stepFrac = 33;
    voice.positionInt = 44;
    fullVolume();
    channel.period = 4608;
    update(0);
    EXPECT_EQ(voice.volume, 11);
    EXPECT_EQ(voice.pan, 22);
    EXPECT_EQ(voice.stepFrac, 33u);
    EXPECT_EQ(voice.positionInt, 44);
}
