// The row tick: notes, instruments, the volume column and the row-tick part
// of the effects, seen through the channel and its voice.
#include <gtest/gtest.h>

#include <tuple>

#include "music/rows.h"
#include "song_builder.h"

using namespace testsong;

namespace {

constexpr int32_t C4_LINEAR = 4608;  // 7680 - 64 x 48
constexpr int32_t D4_LINEAR = 4480;

// A one-channel song of one pattern at speed 1, so every tick is a row tick.
struct OneChannel {
    Builder b{1};
    int p = b.pattern(16);
    int loud = b.instrument({.volume = 40, .panning = 100});
    int soft = b.instrument({.volume = 50, .panning = 200});
    Channel& ch = channels[0];
    Voice& voice = voices[0];

    OneChannel() {
        b.orders({0});
        b.song().defaultSpeed = 1;
    }
};

}  // namespace

TEST(RowProcessing, TonePortamentoRowKeepsSampleAndNoteButResetsVolume) {
    OneChannel t;
    t.b.put(t.p, 0, 0, C4, t.loud, 0x30);  // volume 32 from the column
    t.b.put(t.p, 1, 0, D4, t.soft, 0, EFFECT_TONE_PORTA, 0x10);
    t.b.start();
    t.b.tick();
    ASSERT_EQ(t.ch.volume, 32);
    const Sample* first = t.voice.sample;
    ASSERT_NE(first, nullptr);
    t.voice.positionInt = 500;  // as if the mixer had played on

    t.b.tick();
    EXPECT_EQ(t.ch.instrument, t.loud - 1);
    EXPECT_EQ(t.ch.note, 48);
    EXPECT_EQ(t.ch.period, C4_LINEAR);
    EXPECT_EQ(t.ch.portaTarget, D4_LINEAR);
    EXPECT_EQ(t.ch.portaSpeed, 0x10);
    EXPECT_EQ(t.voice.sample, first);
    EXPECT_EQ(t.voice.positionInt, 500) << "the sample must not restart";
    EXPECT_EQ(t.ch.volume, 40) << "volume comes back from the old sample";
    EXPECT_EQ(t.ch.pan, 100);
}

TEST(RowProcessing, VolumeColumnTonePortamentoJumpsPeriodWithoutRestart) {
    OneChannel t;
    t.b.put(t.p, 0, 0, D4, t.loud);
    t.b.put(t.p, 1, 0, C4, 0, 0xF3);
    t.b.start();
    t.b.tick();
    t.voice.positionInt = 500;
    t.b.tick();
    EXPECT_EQ(t.ch.period, C4_LINEAR);
    EXPECT_EQ(t.ch.portaTarget, C4_LINEAR);
    EXPECT_EQ(t.ch.portaSpeed, 48);
    EXPECT_EQ(t.voice.positionInt, 500);
}

TEST(RowProcessing, InstrumentOnlyRowResetsVolumeWithoutTrigger) {
    OneChannel t;
    t.b.put(t.p, 0, 0, C4, t.loud, 0x20);
    t.b.put(t.p, 1, 0, 0, t.loud);
    t.b.start();
    t.b.tick();
    ASSERT_EQ(t.ch.volume, 16);
    t.voice.positionInt = 500;
    t.b.tick();
    EXPECT_EQ(t.ch.volume, 40);
    EXPECT_EQ(t.voice.positionInt, 500);
    EXPECT_EQ(t.ch.flags & UPDATE_TRIGGER, 0);
}

TEST(RowProcessing, KeyOffWithoutEnvelopeSilencesAtOnce) {
    for (uint8_t effect : {uint8_t{0}, uint8_t{EFFECT_KEY_OFF}}) {
        OneChannel t;
        t.b.put(t.p, 0, 0, C4, t.loud);
        if (effect == 0) {
            t.b.put(t.p, 1, 0, KEY_OFF);
        } else {
            t.b.put(t.p, 1, 0, 0, 0, 0, effect, 0x05);  // whatever the parameter
        }
        t.b.start();
        t.b.tick();
        ASSERT_GT(t.voice.volume, 0);
        t.b.tick();
        EXPECT_EQ(t.ch.keyOff, 1);
        EXPECT_EQ(t.voice.volume, 0) << "effect " << int(effect);
    }
}

TEST(RowProcessing, KeyOffReleasesSustainedEnvelope) {
    Builder b{1};
    int p = b.pattern(8);
    int in = b.instrument();
    Instrument& r = b.instrumentRecord(in);
    r.volumePoints[0] = {0, 64};
    r.volumePoints[1] = {10, 0};
    r.volumePointCount = 2;
    r.volumeSustain = 0;
    r.volumeFlags = ENVELOPE_ON | ENVELOPE_SUSTAIN;
    b.orders({0});
    b.put(p, 0, 0, C4, in);
    b.put(p, 1, 0, KEY_OFF);
    b.start();

    for (int i = 0; i < 6; ++i) {  // held through row 0
        b.tick();
        EXPECT_EQ(channels[0].volEnv.out, 64);
        EXPECT_EQ(channels[0].volEnv.tick, 0);
    }
    std::vector<int32_t> outs;
    for (int i = 0; i < 11; ++i) {
        b.tick();
        outs.push_back(channels[0].volEnv.out);
    }
    EXPECT_EQ(outs, (std::vector<int32_t>{64, 57, 51, 44, 38, 32, 25, 19, 12, 6, 0}));
    EXPECT_EQ(channels[0].volEnv.done, 1);
}

TEST(RowProcessing, SampleOffset) {
    OneChannel t;
    const int longOne = t.b.instrument({.length = 10000});
    t.b.put(t.p, 0, 0, C4, longOne, 0, EFFECT_SAMPLE_OFFSET, 0x10);  // 4096
    t.b.put(t.p, 1, 0, 0, 0, 0, EFFECT_SAMPLE_OFFSET, 0x30);         // 12288: past the end
    t.b.put(t.p, 2, 0, 0, 0, 0, EFFECT_SAMPLE_OFFSET, 0x20);         // 8192, pending
    t.b.put(t.p, 3, 0, C4, 0);
    t.b.put(t.p, 4, 0, C4, 0, 0, EFFECT_SAMPLE_OFFSET, 0);  // the memory: 8192
    t.b.start();

    t.b.tick();
    EXPECT_EQ(t.voice.positionInt, 4096);
    EXPECT_EQ(t.voice.startOffset, 0u);
    t.b.tick();
    EXPECT_EQ(t.voice.sample, nullptr) << "an offset past the loop end stops the voice";
    t.b.tick();
    EXPECT_EQ(t.voice.sample, nullptr);
    EXPECT_EQ(t.voice.startOffset, 8192u) << "no note: the offset waits in the voice";
    t.b.tick();
    EXPECT_NE(t.voice.sample, nullptr);
    EXPECT_EQ(t.voice.positionInt, 8192);
    t.b.tick();
    EXPECT_EQ(t.voice.positionInt, 8192);
}

TEST(RowProcessing, SetVolumeGlobalVolumeAndPanningLimits) {
    OneChannel t;
    t.b.put(t.p, 0, 0, C4, t.loud, 0, EFFECT_SET_VOLUME, 0x50);
    t.b.put(t.p, 1, 0, 0, 0, 0, EFFECT_SET_GLOBAL_VOLUME, 0x70);
    t.b.put(t.p, 2, 0, 0, 0, 0, EFFECT_SET_PANNING, 0xFF);
    t.b.put(t.p, 3, 0, 0, 0, 0, EFFECT_SET_GLOBAL_VOLUME, 0x20);
    t.b.start();
    t.b.tick();
    EXPECT_EQ(t.ch.volume, 64);
    t.b.tick();
    EXPECT_EQ(t.b.song().globalVolume, 64);
    t.b.tick();
    EXPECT_EQ(t.ch.pan, 255);
    t.b.tick();
    EXPECT_EQ(t.b.song().globalVolume, 32);
    EXPECT_EQ(t.voice.volume, 63) << "set global volume updates its own channel";
}

TEST(RowProcessing, SpeedAndTempo) {
    OneChannel t;
    t.b.put(t.p, 0, 0, 0, 0, 0, EFFECT_SET_SPEED, 0x1F);
    t.b.put(t.p, 1, 0, 0, 0, 0, EFFECT_SET_SPEED, 0x20);
    t.b.start();
    EXPECT_EQ(t.b.song().samplesPerTick, 880);
    t.b.tick();
    EXPECT_EQ(t.b.song().speed, 31);
    t.b.ticks(31);
    EXPECT_EQ(t.b.song().row, 1);
    EXPECT_EQ(t.b.song().samplesPerTick, 3437);
    EXPECT_EQ(t.b.song().speed, 31);
}

TEST(RowProcessing, TremoloOffsetStaysInVolumeAfterwards) {
    Builder b{1};
    int p = b.pattern(4);
    int in = b.instrument();
    b.orders({0});
    b.put(p, 0, 0, C4, in, 0x30, EFFECT_TREMOLO, 0x48);
    b.put(p, 1, 0, 0, 0, 0, 0, 0);
    b.start();
    b.ticks(6);
    const int32_t last = channels[0].volumeDelta;
    ASSERT_NE(last, 0);
    b.tick();
    EXPECT_EQ(channels[0].volume, 32 + last);
    EXPECT_EQ(channels[0].volumeDelta, 0);
}

TEST(RowProcessing, SetEnvelopePosition) {
    Builder b{1};
    int p = b.pattern(4);
    int in = b.instrument();
    Instrument& r = b.instrumentRecord(in);
    r.volumePoints[0] = {0, 64};
    r.volumePoints[1] = {10, 0};
    r.volumePoints[2] = {20, 32};
    r.volumePointCount = 3;
    r.volumeFlags = ENVELOPE_ON;
    int flat = b.instrument();
    b.orders({0});
    b.song().defaultSpeed = 1;
    b.put(p, 0, 0, C4, in, 0, EFFECT_SET_ENVELOPE_POSITION, 5);
    b.put(p, 1, 0, 0, 0, 0, EFFECT_SET_ENVELOPE_POSITION, 30);
    b.put(p, 2, 0, C4, flat, 0, EFFECT_SET_ENVELOPE_POSITION, 5);
    b.start();
    Channel& ch = channels[0];

    b.tick();
    EXPECT_EQ(ch.volEnv.point, 1);
    EXPECT_EQ(ch.volEnv.tick, 5);
    EXPECT_EQ(ch.volEnv.step, -419430);
    EXPECT_EQ(ch.volEnv.value, 5 * -419430 + 64 * 65536);
    EXPECT_EQ(ch.volEnv.out, 32);
    EXPECT_EQ(ch.volEnv.done, 0);

    b.tick();  // past the last point
    EXPECT_EQ(ch.volEnv.out, 32);
    EXPECT_EQ(ch.volEnv.done, 1);

    b.tick();  // no envelope: nothing moves
    EXPECT_EQ(ch.volEnv.out, 64);
    EXPECT_EQ(ch.volEnv.tick, 0);
}

TEST(RowProcessing, EnvelopeWithoutPointsIgnoresSetPosition) {
    Builder b{1};
    int p = b.pattern(2);
    int in = b.instrument();
    b.instrumentRecord(in).volumeFlags = ENVELOPE_ON;  // on, but no points
    b.orders({0});
    b.put(p, 0, 0, C4, in, 0, EFFECT_SET_ENVELOPE_POSITION, 3);
    b.start();
    b.tick();
    EXPECT_EQ(channels[0].volEnv.done, 0);
}

TEST(RowProcessing, ExtraFinePortamento) {
    OneChannel t;
    t.b.put(t.p, 0, 0, C4, t.loud, 0, EFFECT_EXTRA_FINE_PORTA, 0x13);
    t.b.put(t.p, 1, 0, 0, 0, 0, EFFECT_EXTRA_FINE_PORTA, 0x10);  // memory
    t.b.put(t.p, 2, 0, 0, 0, 0, EFFECT_EXTRA_FINE_PORTA, 0x25);
    t.b.put(t.p, 3, 0, 0, 0, 0, EFFECT_EXTRA_FINE_PORTA, 0x37);  // not a direction
    t.b.start();
    t.b.tick();
    EXPECT_EQ(t.ch.period, C4_LINEAR - 3);
    t.b.tick();
    EXPECT_EQ(t.ch.period, C4_LINEAR - 6);
    t.b.tick();
    EXPECT_EQ(t.ch.period, C4_LINEAR - 1);
    t.b.tick();
    EXPECT_EQ(t.ch.period, C4_LINEAR - 1);
}

namespace {

// Everything of a channel that could show an effect, lastEffect aside.
auto channelState(const Channel& c) {
    return std::make_tuple(
        c.note, c.flags, c.period, c.volume, c.pan, c.volumeDelta, c.periodDelta, c.volEnv.tick,
        c.volEnv.point, c.volEnv.value, c.volEnv.out, c.panEnv.out, c.fadeout, c.autoVibratoPos, c.keyOff,
        c.instrument, c.realNote, c.notePeriod, c.sampleOffset, c.portaDownSpeed, c.portaUpSpeed,
        c.xfinePortaDownSpeed, c.xfinePortaUpSpeed, c.volSlideParam, c.panSlideParam, c.retrigVolumeType,
        c.retrigInterval, c.portaTarget, c.portaSpeed, c.vibratoPos, c.vibratoSpeed, c.vibratoDepth,
        c.tremoloPos, c.tremoloSpeed, c.tremoloDepth, c.tremorCount, c.tremorOn, c.tremorOff);
}

auto voiceState(const Voice& v) {
    return std::make_tuple(v.volume, v.pan, v.startOffset, v.sample != nullptr, v.leftVolume, v.rightVolume,
                           v.positionInt, v.positionFrac, v.stepFrac, v.stepInt, v.direction);
}

}  // namespace

// The E commands and the types without an action do nothing on any tick.
TEST(RowProcessing, EffectsWithoutActionChangeNothing) {
    const uint8_t types[] = {14, 18, 19, 22, 23, 24, 26, 28, 30, 31, 32, 34, 35, 200, 255};
    for (uint8_t type : types) {
        for (uint8_t param : {uint8_t{0x00}, uint8_t{0x13}, uint8_t{0xC2}, uint8_t{0xFF}}) {
            Builder plain{1}, marked{1};
            for (Builder* b : {&plain, &marked}) {
                int p = b->pattern(4);
                int in = b->instrument({.volume = 30});
                b->orders({0});
                b->put(p, 0, 0, C4, in, 0, EFFECT_VIBRATO, 0x44);
                b->put(p, 1, 0, 0, 0, 0, b == &marked ? type : 0, b == &marked ? param : 0);
                b->put(p, 2, 0, D4, in, 0x25, b == &marked ? type : 0, b == &marked ? param : 0);
            }
            Song* songs[2] = {plain.start(), marked.start()};
            for (int tick = 0; tick < 18; ++tick) {
                Channel results[2];
                Voice voiceResults[2];
                for (int s = 0; s < 2; ++s) {
                    // Each run starts from the same cleared tables.
                    clearVoices();
                    resetPlayback(songs[s]);
                    for (int i = 0; i <= tick; ++i) songTick(songs[s]);
                    results[s] = channels[0];
                    voiceResults[s] = voices[0];
                }
                EXPECT_EQ(channelState(results[0]), channelState(results[1]))
                    << "type " << int(type) << " param " << int(param) << " tick " << tick;
                EXPECT_EQ(voiceState(voiceResults[0]), voiceState(voiceResults[1]));
                EXPECT_EQ(songs[0]->globalVolume, songs[1]->globalVolume);
                EXPECT_EQ(songs[0]->samplesPerTick, songs[1]->samplesPerTick);
                EXPECT_EQ(songs[0]->speed, songs[1]->speed);
            }
        }
    }
}

TEST(RowProcessing, NoteBytesPastB7AreNoNote) {
    OneChannel t;
    t.b.put(t.p, 0, 0, C4, t.loud);
    t.b.put(t.p, 1, 0, 150, t.loud);
    t.b.start();
    t.b.tick();
    t.voice.positionInt = 500;
    t.b.tick();
    EXPECT_EQ(t.ch.note, 48);
    EXPECT_EQ(t.ch.period, C4_LINEAR);
    EXPECT_EQ(t.voice.positionInt, 500);
}

TEST(SetBpm, TickLengthsAtTheOutputRate) {
    Builder b{1};
    b.pattern(1);
    b.orders({0});
    Song* song = b.start(44000);
    const std::pair<int, int> cases[] = {{125, 880}, {128, 859}, {32, 3437}, {255, 431}, {110, 1000}};
    for (auto [bpm, frames] : cases) {
        setBpm(song, bpm);
        EXPECT_EQ(song->samplesPerTick, frames) << bpm << " BPM";
    }
    setOutputFormat(22050);
    setBpm(song, 125);
    EXPECT_EQ(song->samplesPerTick, 441);
}

TEST(SetBpm, ZeroNegativeAndHugeTemposStayPlayable) {
    Builder b{1};
    b.pattern(1);
    b.orders({0});
    Song* song = b.start(44000);
    setBpm(song, 0);
    EXPECT_EQ(song->samplesPerTick, 880);
    setBpm(song, -5);
    EXPECT_EQ(song->samplesPerTick, 880);
    setOutputFormat(1000);
    setBpm(song, 32767);
    EXPECT_EQ(song->samplesPerTick, 1) << "never a tick without frames";
    setOutputFormat(44000);

    b.song().defaultBpm = 0;
    resetPlayback(song);
    EXPECT_EQ(song->samplesPerTick, 880);
}
