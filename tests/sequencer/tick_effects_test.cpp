// The ticks after the row tick: one expected value per tick.
#include <gtest/gtest.h>

#include <vector>

#include "music/rows.h"
#include "song_builder.h"

using namespace testsong;

namespace {

constexpr int32_t C4_LINEAR = 4608;

// Runs `count` ticks and records a value after each.
template <typename F>
std::vector<int32_t> perTick(Builder& b, int count, F value) {
    std::vector<int32_t> out;
    for (int i = 0; i < count; ++i) {
        b.tick();
        out.push_back(value());
    }
    return out;
}

using Values = std::vector<int32_t>;

// One channel, one 8-row pattern, speed 6, an instrument at full volume.
struct Fixture {
    Builder b;
    int p;
    int in;
    explicit Fixture(int channels = 1, bool linear = true) : b(channels, linear) {
        p = b.pattern(8);
        in = b.instrument();
        b.orders({0});
    }
};

}  // namespace

TEST(TickEffects, ArpeggioLinear) {
    Fixture f;
    f.b.put(f.p, 0, 0, C4, f.in, 0, EFFECT_ARPEGGIO, 0x37);
    f.b.start();
    EXPECT_EQ(perTick(f.b, 6, [] { return channels[0].periodDelta; }), (Values{0, 192, 448, 0, 192, 448}));
    EXPECT_EQ(channels[0].period, C4_LINEAR);
}

TEST(TickEffects, ArpeggioAmigaRaisesPitch) {
    Fixture f(1, false);
    f.b.put(f.p, 0, 0, C4, f.in, 0, EFFECT_ARPEGGIO, 0x37);
    f.b.start();
    const int32_t base = amigaPeriod(48, 0);
    EXPECT_EQ(perTick(f.b, 3, [] { return channels[0].periodDelta; }),
              (Values{0, amigaPeriod(51, 0) - base, amigaPeriod(55, 0) - base}));
    EXPECT_LT(channels[0].periodDelta, 0);
}

TEST(TickEffects, ArpeggioWithoutParameterDoesNothing) {
    Fixture f;
    f.b.put(f.p, 0, 0, C4, f.in);
    f.b.start();
    EXPECT_EQ(perTick(f.b, 3, [] { return channels[0].periodDelta; }), (Values{0, 0, 0}));
}

TEST(TickEffects, PortamentoUpStopsAt56AndDownHasNoLimit) {
    Fixture f;
    f.b.put(f.p, 0, 0, C4, f.in, 0, EFFECT_PORTA_UP, 0x20);
    f.b.put(f.p, 1, 0, 96, f.in, 0, EFFECT_PORTA_UP, 0xFF);  // B-7: period 1600
    f.b.put(f.p, 2, 0, 0, 0, 0, EFFECT_PORTA_DOWN, 0x20);
    f.b.put(f.p, 3, 0, 0, 0, 0, EFFECT_PORTA_DOWN, 0x20);
    f.b.start();
    auto period = [] { return channels[0].period; };
    EXPECT_EQ(perTick(f.b, 6, period), (Values{4608, 4480, 4352, 4224, 4096, 3968}));
    EXPECT_EQ(perTick(f.b, 6, period), (Values{1600, 580, 56, 56, 56, 56}));
    EXPECT_EQ(perTick(f.b, 6, period), (Values{56, 184, 312, 440, 568, 696}));

    f.b.tick();
    channels[0].period = (1 << 30) - 10;  // a slide held for hours
    f.b.tick();
    EXPECT_EQ(channels[0].period, 1 << 30) << "the period must not overflow";
}

TEST(TickEffects, VolumeColumnSlideVersusFineSlide) {
    Fixture f;
    f.b.put(f.p, 0, 0, C4, f.in, 0x62);
    f.b.put(f.p, 1, 0, 0, 0, 0x62);
    f.b.put(f.p, 2, 0, 0, 0, 0x82);
    f.b.put(f.p, 3, 0, 0, 0, 0x82);
    f.b.start();
    auto volume = [] { return channels[0].volume; };
    EXPECT_EQ(perTick(f.b, 6, volume), (Values{62, 60, 58, 56, 54, 52}));
    EXPECT_EQ(perTick(f.b, 6, volume), (Values{50, 48, 46, 44, 42, 40}));
    EXPECT_EQ(perTick(f.b, 6, volume), (Values{38, 38, 38, 38, 38, 38}));
    EXPECT_EQ(perTick(f.b, 6, volume), (Values{36, 36, 36, 36, 36, 36}));
}

TEST(TickEffects, VolumeColumnPanSlidesHaveNoLimit) {
    Fixture f;
    f.b.put(f.p, 0, 0, C4, f.in, 0xC0);  // pan 0
    f.b.put(f.p, 1, 0, 0, 0, 0xD5);
    f.b.start();
    f.b.ticks(8);
    EXPECT_EQ(channels[0].pan, -10);
    EXPECT_EQ(voices[0].pan, 0);
    EXPECT_EQ(voices[0].rightVolume, voices[0].volume);
}

TEST(TickEffects, MultiRetrigTriggersOnIntervalTicksOnly) {
    Fixture f;
    f.b.put(f.p, 0, 0, C4, f.in);
    f.b.put(f.p, 1, 0, 0, 0, 0, EFFECT_MULTI_RETRIG, 0x83);
    f.b.start();
    f.b.ticks(6);
    EXPECT_EQ(perTick(f.b, 6, [] { return channels[0].flags & UPDATE_TRIGGER ? 1 : 0; }),
              (Values{0, 0, 0, 1, 0, 0}));
    EXPECT_EQ(channels[0].volume, 64);
}

TEST(TickEffects, MultiRetrigVolumeChanges) {
    struct Case {
        uint8_t param;
        uint8_t startVolume;  // volume-column byte
        int32_t volume;       // after tick 3
    };
    const Case cases[] = {
        {0x63, 0x10 + 48, 32}, {0xF3, 0x10 + 40, 64}, {0x13, 0x10 + 0, 0},   {0x73, 0x10 + 33, 16},
        {0xE3, 0x10 + 33, 49}, {0x53, 0x10 + 20, 4},  {0x03, 0x10 + 20, 20}, {0x83, 0x10 + 20, 20},
    };
    for (const Case& c : cases) {
        Fixture f;
        f.b.put(f.p, 0, 0, C4, f.in, c.startVolume, EFFECT_MULTI_RETRIG, c.param);
        f.b.start();
        f.b.ticks(4);
        EXPECT_EQ(channels[0].volume, c.volume) << std::hex << int(c.param);
        EXPECT_TRUE(channels[0].flags & UPDATE_TRIGGER);
        EXPECT_EQ((channels[0].flags & UPDATE_VOLUME) != 0, (c.param >> 4) != 0)
            << "type 0 sets no volume update";
    }
}

TEST(TickEffects, GlobalVolumeSlideReachesVoicesAtTheirNextVolumeUpdate) {
    Fixture f(2);
    f.b.put(f.p, 0, 0, C4, f.in);
    f.b.put(f.p, 0, 1, 0, 0, 0, EFFECT_GLOBAL_VOLUME_SLIDE, 0x01);
    f.b.put(f.p, 1, 1, 0, 0, 0, EFFECT_GLOBAL_VOLUME_SLIDE, 0x00);  // the memory
    f.b.put(f.p, 2, 1, 0, 0, 0, EFFECT_GLOBAL_VOLUME_SLIDE, 0x30);
    Song* song = f.b.start();
    f.b.tick();
    ASSERT_EQ(voices[0].volume, 127);
    EXPECT_EQ(perTick(f.b, 5, [&] { return song->globalVolume; }), (Values{63, 62, 61, 60, 59}));
    EXPECT_EQ(voices[0].volume, 127) << "no update flag: the held note keeps its loudness";
    f.b.tick();  // the next row tick updates every channel's volume
    EXPECT_EQ(voices[0].volume, 59 * 255 / 128);
    EXPECT_EQ(perTick(f.b, 5, [&] { return song->globalVolume; }), (Values{58, 57, 56, 55, 54}));
    EXPECT_EQ(perTick(f.b, 6, [&] { return song->globalVolume; }), (Values{54, 57, 60, 63, 64, 64}));
}

TEST(TickEffects, VolumeSlideUpperNibbleWins) {
    Fixture f;
    f.b.put(f.p, 0, 0, C4, f.in, 0x10 + 58, EFFECT_VOLUME_SLIDE, 0x23);
    f.b.put(f.p, 1, 0, 0, 0, 0, EFFECT_VOLUME_SLIDE, 0x04);
    f.b.put(f.p, 2, 0, 0, 0, 0, EFFECT_TONE_PORTA_VOLUME_SLIDE, 0x00);  // memory of A
    f.b.start();
    auto volume = [] { return channels[0].volume; };
    EXPECT_EQ(perTick(f.b, 6, volume), (Values{58, 60, 62, 64, 64, 64}));
    EXPECT_EQ(perTick(f.b, 6, volume), (Values{64, 60, 56, 52, 48, 44}));
    EXPECT_EQ(perTick(f.b, 6, volume), (Values{44, 40, 36, 32, 28, 24}));
}

TEST(TickEffects, PanningSlideLimits) {
    Fixture f;
    f.b.put(f.p, 0, 0, C4, f.in, 0, EFFECT_SET_PANNING, 250);
    f.b.put(f.p, 1, 0, 0, 0, 0, EFFECT_PANNING_SLIDE, 0xF0);
    f.b.put(f.p, 2, 0, 0, 0, 0, EFFECT_SET_PANNING, 10);
    f.b.put(f.p, 3, 0, 0, 0, 0, EFFECT_PANNING_SLIDE, 0x0F);
    f.b.start();
    auto pan = [] { return channels[0].pan; };
    f.b.ticks(6);
    EXPECT_EQ(perTick(f.b, 6, pan), (Values{250, 255, 255, 255, 255, 255}));
    f.b.ticks(6);
    EXPECT_EQ(perTick(f.b, 6, pan), (Values{10, 0, 0, 0, 0, 0}));
}

TEST(TickEffects, TremorCycle) {
    Fixture f;
    f.b.put(f.p, 0, 0, C4, f.in, 0x10 + 40, EFFECT_TREMOR, 0x12);  // on 2, off 3
    f.b.put(f.p, 1, 0, 0, 0, 0, EFFECT_TREMOR, 0x00);
    f.b.start();
    EXPECT_EQ(perTick(f.b, 12, [] { return channels[0].volumeDelta; }),
              (Values{0, 0, -40, -40, -40, 0, 0, -40, -40, -40, 0, 0}));
}

TEST(TickEffects, TonePortamentoReachesTargetAndStops) {
    Fixture f;
    f.b.put(f.p, 0, 0, C4, f.in);
    f.b.put(f.p, 1, 0, D4, 0, 0, EFFECT_TONE_PORTA, 0x0A);  // 40 per tick toward 4480
    f.b.start();
    f.b.ticks(6);
    EXPECT_EQ(perTick(f.b, 6, [] { return channels[0].period; }),
              (Values{4608, 4568, 4528, 4488, 4480, 4480}));
}

TEST(TickEffects, VibratoMovesOnlyAfterTheRowTick) {
    Fixture f;
    f.b.put(f.p, 0, 0, C4, f.in, 0, EFFECT_VIBRATO, 0x8F);
    f.b.start();
    // Positions 0, 0, 8, 16, 24, 32 - 64 = -32: |sin| 0, 0, 181, 255, 181, 0.
    EXPECT_EQ(perTick(f.b, 6, [] { return channels[0].periodDelta; }), (Values{0, 0, -84, -116, -84, 0}));
}

TEST(TickEffects, SpeedZeroMakesEveryTickARowTick) {
    Fixture f;
    f.b.put(f.p, 0, 0, C4, f.in, 0, EFFECT_SET_SPEED, 0);
    Song* song = f.b.start();
    EXPECT_EQ(perTick(f.b, 5, [&] { return song->row; }), (Values{0, 1, 2, 3, 4}));
    EXPECT_EQ(song->tick, 0);
}

TEST(TickEffects, VolumeColumnVibratoAndTonePortamento) {
    Fixture f;
    f.b.put(f.p, 0, 0, C4, f.in, 0xA8);  // vibrato speed 8, on the row tick only
    f.b.put(f.p, 1, 0, 0, 0, 0xBF);      // depth 15, moving on the other ticks
    // Tone portamento in both columns: each moves the period by 16 per tick.
    f.b.put(f.p, 2, 0, D4, 0, 0xF0, EFFECT_TONE_PORTA, 0x04);
    f.b.start();
    f.b.ticks(6);
    EXPECT_EQ(perTick(f.b, 6, [] { return channels[0].periodDelta; }), (Values{0, 0, -84, -116, -84, 0}));
    EXPECT_EQ(perTick(f.b, 6, [] { return channels[0].period; }),
              (Values{4608, 4576, 4544, 4512, 4480, 4480}));
}
