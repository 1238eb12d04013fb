#include <cmath>

#include "channel_fixture.h"

TEST(VibratoTables, MatchTheirFormulas) {
    for (int p = -32; p <= 32; ++p) {
        double a = std::fabs(std::sin(2.0 * p * static_cast<double>(0.049087375f))) * 256.0;
        EXPECT_EQ(vibratoSine(p), static_cast<int32_t>(a)) << p;
    }
    for (int p = 0; p < 256; ++p) {
        double a = std::sin(p * static_cast<double>(0.0245436877f)) * 64.0;
        EXPECT_EQ(autoVibratoWave(0, p), static_cast<int32_t>(a)) << p;
    }
    // Far positions still give a bounded amplitude.
    EXPECT_LE(vibratoSine(-128), 255);
    EXPECT_GE(vibratoSine(100), 0);
}

TEST(VibratoTables, AutoVibratoWaveforms) {
    struct Case {
        uint8_t type;
        int position, value;
    };
    const Case cases[] = {
        {0, 64, 63}, {0, 192, -63}, {0, 128, 0},   {1, 0, 64},    {1, 127, 64}, {1, 128, -64}, {1, 255, -64},
        {2, 0, 0},   {2, 1, -1},    {2, 127, -64}, {2, 128, 64},  {2, 255, 0},  {3, 0, 0},     {3, 1, 0},
        {3, 2, 1},   {3, 127, 63},  {3, 128, 64},  {3, 129, -64}, {3, 255, -1}, {4, 64, 0},    {255, 10, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(autoVibratoWave(c.type, c.position), c.value)
            << "type " << int(c.type) << " position " << c.position;
    }
}

using VibratoTest = ChannelTest;

TEST_F(VibratoTest, DepthFifteenSignsAndPositionStays) {
    channel.vibratoDepth = 15;
    channel.vibratoPos = 16;
    channel.periodDelta = 1000;  // assigned, not added
    applyVibrato(&channel);
    EXPECT_EQ(channel.periodDelta, -116);  // (255 x 15) >> 5 = 119, low bits cleared
    EXPECT_EQ(channel.vibratoPos, 16);
    EXPECT_EQ(channel.flags, UPDATE_FREQUENCY);

    channel.vibratoPos = -16;
    applyVibrato(&channel);
    EXPECT_EQ(channel.periodDelta, 116);

    channel.vibratoPos = 0;
    applyVibrato(&channel);
    EXPECT_EQ(channel.periodDelta, 0);
}

TEST_F(VibratoTest, AdvanceWrapsIntoRange) {
    channel.vibratoSpeed = 15;
    const int positions[] = {15, 30, -19, -4, 11, 26, -23, -8};
    for (int p : positions) {
        advanceVibrato(&channel);
        EXPECT_EQ(channel.vibratoPos, p);
    }
    channel.vibratoPos = 31;
    channel.vibratoSpeed = 1;
    advanceVibrato(&channel);
    EXPECT_EQ(channel.vibratoPos, -32);
    applyVibrato(&channel);  // position -32 reads the table's last entry
    EXPECT_EQ(channel.periodDelta, 0);
}

using TremoloTest = ChannelTest;

TEST_F(TremoloTest, CapsKeepVolumeInRange) {
    channel.tremoloDepth = 15;
    channel.tremoloPos = 16;
    channel.volume = 60;
    applyTremolo(&channel);
    EXPECT_EQ(channel.volumeDelta, 4);  // 59 capped: volume 64 for this tick
    EXPECT_EQ(channel.tremoloPos, 16);  // speed 0
    EXPECT_EQ(channel.flags, UPDATE_VOLUME);

    channel.tremoloPos = -16;
    channel.volume = 30;
    applyTremolo(&channel);
    EXPECT_EQ(channel.volumeDelta, -30);

    channel.volume = 64;
    applyTremolo(&channel);
    EXPECT_EQ(channel.volumeDelta, -59);
}

TEST_F(TremoloTest, OneValuePerTick) {
    channel.volume = 32;
    channel.tremoloDepth = 8;
    channel.tremoloSpeed = 8;
    // Positions 0, 8, 16, 24, -32, -24, -16, -8, 0: (a x 8) >> 6.
    const int deltas[] = {0, 22, 31, 22, 0, -22, -31, -22, 0};
    for (int d : deltas) {
        applyTremolo(&channel);
        EXPECT_EQ(channel.volumeDelta, d);
    }
}

using TremorTest = ChannelTest;

TEST_F(TremorTest, OnTwoOffThreeCycle) {
    channel.volume = 40;
    channel.tremorOn = 2;
    channel.tremorOff = 3;
    const int deltas[] = {0, 0, -40, -40, -40, 0, 0, -40};
    const int counts[] = {1, 2, 3, 4, 0, 1, 2, 3};
    for (int t = 0; t < 8; ++t) {
        channel.volumeDelta = 0;  // the caller clears it every tick
        channel.flags = 0;
        stepTremor(&channel);
        EXPECT_EQ(channel.volumeDelta, deltas[t]) << "tick " << t;
        EXPECT_EQ(channel.tremorCount, counts[t]) << "tick " << t;
        EXPECT_EQ(channel.flags, UPDATE_VOLUME);
    }
}

using AutoVibratoTest = ChannelTest;

TEST_F(AutoVibratoTest, SineWithoutSweep) {
    instrument.autoVibratoType = 0;
    instrument.autoVibratoDepth = 8;
    instrument.autoVibratoRate = 16;
    // Positions 0, 16, 32, 48, 64 -> (sine x 8) >> 6.
    const int deltas[] = {0, 3, 5, 7, 7};
    for (int d : deltas) {
        channel.periodDelta = 0;
        applyAutoVibrato(&channel, &instrument);
        EXPECT_EQ(channel.periodDelta, d);
    }
    EXPECT_EQ(channel.autoVibratoPos, 80);
    EXPECT_EQ(channel.autoVibratoTicks, 0);  // capped at a sweep of 0
}

TEST_F(AutoVibratoTest, SweepRampsDepthAndAddsToDelta) {
    instrument.autoVibratoType = 1;  // square: +64 for the first half
    instrument.autoVibratoDepth = 16;
    instrument.autoVibratoRate = 0;
    instrument.autoVibratoSweep = 4;
    // a = 64 x 16 = 1024, scaled by ticks / 4, then >> 6.
    const int deltas[] = {0, 4, 8, 12, 16, 16};
    const int ticks[] = {1, 2, 3, 4, 4, 4};
    for (int t = 0; t < 6; ++t) {
        channel.periodDelta = 100;
        applyAutoVibrato(&channel, &instrument);
        EXPECT_EQ(channel.periodDelta, 100 + deltas[t]) << t;
        EXPECT_EQ(channel.autoVibratoTicks, ticks[t]) << t;
    }
}

TEST_F(AutoVibratoTest, NegativeHalfShiftsArithmeticallyAndPositionWraps) {
    instrument.autoVibratoType = 2;
    instrument.autoVibratoDepth = 1;
    instrument.autoVibratoRate = 10;
    channel.autoVibratoPos = 1;  // wave -1, x 1 >> 6 = -1 (floor, not 0)
    applyAutoVibrato(&channel, &instrument);
    EXPECT_EQ(channel.periodDelta, -1);
    channel.autoVibratoPos = 250;
    applyAutoVibrato(&channel, &instrument);
    EXPECT_EQ(channel.autoVibratoPos, 4);
}

TEST_F(AutoVibratoTest, AlwaysFlagsFrequency) {
    applyAutoVibrato(&channel, &emptyInstrument);
    EXPECT_EQ(channel.periodDelta, 0);
    EXPECT_EQ(channel.flags, UPDATE_FREQUENCY);
}
