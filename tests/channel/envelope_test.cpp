#include "channel_fixture.h"

namespace {

class EnvelopeTest : public ChannelTest {
  protected:
    void setPoints(std::initializer_list<EnvelopePoint> points) {
        int i = 0;
        for (EnvelopePoint p : points) instrument.volumePoints[i++] = p;
        instrument.volumePointCount = static_cast<uint8_t>(i);
    }
    // One tick of the volume envelope, as the sequencer calls it; returns
    // false once the envelope is done and would no longer be called.
    bool step() {
        if (channel.volEnvDone) return false;
        channel.flags = 0;
        stepEnvelope(&channel, volumeEnvelope(instrument), &channel.volEnvTick, &channel.volEnvPoint,
                     &channel.volEnvValue, &channel.volEnvStep, &channel.volEnvOut, &channel.volEnvDone,
                     UPDATE_VOLUME);
        EXPECT_EQ(channel.flags, UPDATE_VOLUME);
        return true;
    }
};

}  // namespace

TEST_F(EnvelopeTest, SustainHoldsUntilKeyOffThenFallsToDone) {
    setPoints({{0, 64}, {10, 0}});
    instrument.volumeFlags = ENVELOPE_ON | ENVELOPE_SUSTAIN;
    instrument.volumeSustain = 0;
    for (int t = 0; t < 5; ++t) {
        ASSERT_TRUE(step());
        EXPECT_EQ(channel.volEnvOut, 64);
        EXPECT_EQ(channel.volEnvTick, 0);
    }
    channel.keyOff = 1;
    const int outputs[] = {64, 57, 51, 44, 38, 32, 25, 19, 12, 6, 0};
    for (int t = 0; t <= 10; ++t) {
        ASSERT_TRUE(step());
        EXPECT_EQ(channel.volEnvOut, outputs[t]) << "tick " << t;
    }
    EXPECT_EQ(channel.volEnvDone, 1);
    EXPECT_EQ(channel.volEnvTick, 10);  // not advanced on the last point
    EXPECT_FALSE(step());
}

TEST_F(EnvelopeTest, LoopRepeatsBetweenItsPoints) {
    setPoints({{0, 0}, {4, 64}, {8, 0}});
    instrument.volumeFlags = ENVELOPE_ON | ENVELOPE_LOOP;
    instrument.volumeLoopStart = 0;
    instrument.volumeLoopEnd = 2;  // the last point: the loop wins over "done"
    const int outputs[] = {0, 16, 32, 48, 64, 48, 32, 16, 0, 16, 32, 48, 64, 48, 32, 16, 0, 16};
    for (int out : outputs) {
        ASSERT_TRUE(step());
        EXPECT_EQ(channel.volEnvOut, out);
    }
    EXPECT_EQ(channel.volEnvDone, 0);
}

TEST_F(EnvelopeTest, SustainInsideLoopReleasedByKeyOff) {
    setPoints({{0, 64}, {2, 32}, {4, 0}});
    instrument.volumeFlags = ENVELOPE_ON | ENVELOPE_SUSTAIN;
    instrument.volumeSustain = 1;
    const int held[] = {64, 48, 32, 32, 32};
    for (int out : held) {
        ASSERT_TRUE(step());
        EXPECT_EQ(channel.volEnvOut, out);
    }
    EXPECT_EQ(channel.volEnvTick, 2);
    channel.keyOff = 1;  // continues past the sustain point from this tick
    const int released[] = {32, 16, 0};
    for (int out : released) {
        ASSERT_TRUE(step());
        EXPECT_EQ(channel.volEnvOut, out);
    }
    EXPECT_EQ(channel.volEnvDone, 1);
}

TEST_F(EnvelopeTest, PanningEnvelopeSetsItsOwnFlag) {
    instrument.panningPoints[0] = {0, 0};
    instrument.panningPoints[1] = {2, 64};
    instrument.panningPointCount = 2;
    instrument.panningFlags = ENVELOPE_ON;
    const int outputs[] = {0, 32, 64};
    for (int out : outputs) {
        channel.flags = 0;
        stepEnvelope(&channel, panningEnvelope(instrument), &channel.panEnvTick, &channel.panEnvPoint,
                     &channel.panEnvValue, &channel.panEnvStep, &channel.panEnvOut, &channel.panEnvDone,
                     UPDATE_PAN);
        EXPECT_EQ(channel.panEnvOut, out);
        EXPECT_EQ(channel.flags, UPDATE_PAN);
    }
    EXPECT_EQ(channel.panEnvDone, 1);
    EXPECT_EQ(channel.volEnvDone, 0);
}

TEST_F(EnvelopeTest, EqualXGivesFlatSegmentWithoutDividing) {
    setPoints({{0, 10}, {0, 50}, {5, 0}});
    instrument.volumeFlags = ENVELOPE_ON;
    for (int t = 0; t < 50; ++t) {
        ASSERT_TRUE(step());
        EXPECT_EQ(channel.volEnvOut, 10);
    }
}

TEST_F(EnvelopeTest, MalformedPointsStayBoundedAndInside) {
    // A point before its predecessor: the tick never meets it.
    setPoints({{10, 64}, {5, 0}, {20, 64}});
    instrument.volumeFlags = ENVELOPE_ON;
    channel.volEnvTick = 10;
    for (int t = 0; t < 5000; ++t) {
        ASSERT_TRUE(step());
        ASSERT_GE(channel.volEnvOut, 0);
        ASSERT_LE(channel.volEnvOut, 64);
    }

    // Counts past the record, loop points past the count, y above 64.
    std::memset(&channel, 0, sizeof channel);
    for (int i = 0; i < ENVELOPE_POINTS; ++i) {
        instrument.volumePoints[i] = {static_cast<uint16_t>(i * 2), 0xFFFF};
    }
    instrument.volumePointCount = 255;
    instrument.volumeFlags = ENVELOPE_ON | ENVELOPE_LOOP | ENVELOPE_SUSTAIN;
    instrument.volumeLoopStart = 200;
    instrument.volumeLoopEnd = 3;
    instrument.volumeSustain = 250;
    int ticks = 0;
    while (step() && ticks < 1000) {
        ASSERT_LE(channel.volEnvOut, 64);
        ++ticks;
    }
    EXPECT_EQ(channel.volEnvDone, 1);
    EXPECT_EQ(channel.volEnvOut, 64);
}

TEST_F(EnvelopeTest, AnyEnvelopeDataStaysInRange) {
    // Whatever a module stores (points in any order, counts, loop and
    // sustain points out of range), the output stays 0..64 and nothing is
    // read outside the record.
    uint32_t seed = 12345;
    auto next = [&seed]() {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 16) & 0x7FFF;
    };
    for (int trial = 0; trial < 300; ++trial) {
        std::memset(&channel, 0, sizeof channel);
        for (EnvelopePoint& p : instrument.volumePoints) {
            p = {static_cast<uint16_t>(next() % 40), static_cast<uint16_t>(next() % 80)};
        }
        instrument.volumePointCount = static_cast<uint8_t>(next() % 24);
        instrument.volumeFlags = static_cast<uint8_t>(ENVELOPE_ON | (next() & 6));
        instrument.volumeLoopStart = static_cast<uint8_t>(next() % 24);
        instrument.volumeLoopEnd = static_cast<uint8_t>(next() % 24);
        instrument.volumeSustain = static_cast<uint8_t>(next() % 24);
        for (int t = 0; t < 400 && step(); ++t) {
            if (t == 200) channel.keyOff = 1;
            ASSERT_GE(channel.volEnvOut, 0) << "trial " << trial << " tick " << t;
            ASSERT_LE(channel.volEnvOut, 64) << "trial " << trial << " tick " << t;
        }
    }
}
