#include <string>
#include <vector>

#include "channel_fixture.h"

namespace {

enum class Which { Volume, Panning };

const char* nameOf(Which which) {
    return which == Which::Volume ? "volume" : "panning";
}

class EnvelopeTest : public ChannelTest {
  protected:
    EnvelopeState& state(Which which) { return which == Which::Volume ? channel.volEnv : channel.panEnv; }
    Envelope view(Which which) const {
        return which == Which::Volume ? volumeEnvelope(instrument) : panningEnvelope(instrument);
    }

    void setPoints(const std::vector<EnvelopePoint>& points, Which which = Which::Volume) {
        EnvelopePoint* to = which == Which::Volume ? instrument.volumePoints : instrument.panningPoints;
        int i = 0;
        for (EnvelopePoint p : points) to[i++] = p;
        (which == Which::Volume ? instrument.volumePointCount : instrument.panningPointCount) =
            static_cast<uint8_t>(i);
        (which == Which::Volume ? instrument.volumeFlags : instrument.panningFlags) |= ENVELOPE_ON;
    }
    // One tick of an envelope, as the sequencer calls it; returns false once
    // the envelope is done and would no longer be called.
    bool step(Which which = Which::Volume) {
        if (state(which).done) return false;
        state(which).advance(view(which), channel.keyOff != 0);
        return true;
    }
    void setPosition(int32_t position, Which which = Which::Volume) {
        state(which).moveTo(view(which), position);
    }
    // Steps until done (at most `limit` ticks) and returns every output.
    std::vector<int32_t> run(Which which, int limit = 100000) {
        std::vector<int32_t> outputs;
        while (static_cast<int>(outputs.size()) < limit && step(which)) outputs.push_back(state(which).out);
        return outputs;
    }
};

std::vector<int32_t> repeated(int32_t value, int times, const std::vector<int32_t>& then = {}) {
    std::vector<int32_t> out(static_cast<size_t>(times), value);
    out.insert(out.end(), then.begin(), then.end());
    return out;
}

}  // namespace

TEST_F(EnvelopeTest, SustainHoldsUntilKeyOffThenFallsToDone) {
    setPoints({{0, 64}, {10, 0}});
    instrument.volumeFlags = ENVELOPE_ON | ENVELOPE_SUSTAIN;
    instrument.volumeSustain = 0;
    for (int t = 0; t < 5; ++t) {
        ASSERT_TRUE(step());
        EXPECT_EQ(channel.volEnv.out, 64);
        EXPECT_EQ(channel.volEnv.tick, 0);
    }
    channel.keyOff = 1;
    const int outputs[] = {64, 57, 51, 44, 38, 32, 25, 19, 12, 6, 0};
    for (int t = 0; t <= 10; ++t) {
        ASSERT_TRUE(step());
        EXPECT_EQ(channel.volEnv.out, outputs[t]) << "tick " << t;
    }
    EXPECT_EQ(channel.volEnv.done, 1);
    EXPECT_EQ(channel.volEnv.tick, 10);  // not advanced on the last point
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
        EXPECT_EQ(channel.volEnv.out, out);
    }
    EXPECT_EQ(channel.volEnv.done, 0);
}

TEST_F(EnvelopeTest, SustainInsideLoopReleasedByKeyOff) {
    setPoints({{0, 64}, {2, 32}, {4, 0}});
    instrument.volumeFlags = ENVELOPE_ON | ENVELOPE_SUSTAIN;
    instrument.volumeSustain = 1;
    const int held[] = {64, 48, 32, 32, 32};
    for (int out : held) {
        ASSERT_TRUE(step());
        EXPECT_EQ(channel.volEnv.out, out);
    }
    EXPECT_EQ(channel.volEnv.tick, 2);
    channel.keyOff = 1;  // continues past the sustain point from this tick
    const int released[] = {32, 16, 0};
    for (int out : released) {
        ASSERT_TRUE(step());
        EXPECT_EQ(channel.volEnv.out, out);
    }
    EXPECT_EQ(channel.volEnv.done, 1);
}

// The tick's envelope step: each envelope switched on steps and flags its
// own change, a done one no longer does, a released note fades.
TEST_F(EnvelopeTest, EachTickStepsTheEnvelopesSwitchedOnAndFadesAReleasedNote) {
    instrument.panningPoints[0] = {0, 0};
    instrument.panningPoints[1] = {2, 64};
    instrument.panningPointCount = 2;
    instrument.panningFlags = ENVELOPE_ON;
    instrument.fadeout = 1000;
    channel.fadeout = 65536;
    const int outputs[] = {0, 32, 64};
    for (int out : outputs) {
        channel.flags = 0;
        stepEnvelopesAndFadeout(&channel, instrument);
        EXPECT_EQ(channel.panEnv.out, out);
        EXPECT_EQ(channel.flags, UPDATE_PAN) << "the volume envelope is off";
    }
    EXPECT_EQ(channel.panEnv.done, 1);
    EXPECT_EQ(channel.volEnv.done, 0);
    channel.flags = 0;
    stepEnvelopesAndFadeout(&channel, instrument);
    EXPECT_EQ(channel.flags, 0) << "a done envelope steps no more";
    channel.keyOff = 1;
    stepEnvelopesAndFadeout(&channel, instrument);
    EXPECT_EQ(channel.flags, UPDATE_VOLUME);
    EXPECT_EQ(channel.fadeout, 64536);
}

TEST_F(EnvelopeTest, EqualXGivesFlatSegmentWithoutDividing) {
    setPoints({{0, 10}, {0, 50}, {5, 0}});
    instrument.volumeFlags = ENVELOPE_ON;
    for (int t = 0; t < 50; ++t) {
        ASSERT_TRUE(step());
        EXPECT_EQ(channel.volEnv.out, 10);
    }
}

TEST_F(EnvelopeTest, MalformedPointsStayBoundedAndInside) {
    // A point before its predecessor: the tick never meets it.
    setPoints({{10, 64}, {5, 0}, {20, 64}});
    instrument.volumeFlags = ENVELOPE_ON;
    channel.volEnv.tick = 10;
    for (int t = 0; t < 5000; ++t) {
        ASSERT_TRUE(step());
        ASSERT_GE(channel.volEnv.out, 0);
        ASSERT_LE(channel.volEnv.out, 64);
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
        ASSERT_LE(channel.volEnv.out, 64);
        ++ticks;
    }
    EXPECT_EQ(channel.volEnv.done, 1);
    EXPECT_EQ(channel.volEnv.out, 64);
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
            ASSERT_GE(channel.volEnv.out, 0) << "trial " << trial << " tick " << t;
            ASSERT_LE(channel.volEnv.out, 64) << "trial " << trial << " tick " << t;
        }
    }
}

// The set-envelope-position effect on an envelope whose first point lies at
// a later tick, for every kind of position, on both envelopes: the output
// right after the move, then every output until the envelope is done.
TEST_F(EnvelopeTest, SetPositionAnywhereStaysOnItsSegment) {
    struct Case {
        const char* where;
        int32_t position;
        int32_t outAtOnce;
        std::vector<int32_t> outputs;
    };
    // Rise 8 a tick from (10,16) to (14,48), fall 8 a tick to (20,0). A
    // position on a segment counts from the next tick on, so the steps run
    // one tick ahead of a note's own.
    const std::vector<int32_t> fromFirst = {16, 24, 32, 40, 48, 40, 32, 24, 16, 8, 0};
    const Case cases[] = {
        {"at tick 0, before the first point", 0, 16, repeated(16, 10, fromFirst)},
        {"just before the first point", 9, 16, repeated(16, 1, fromFirst)},
        {"on the first point", 10, 16, {24, 32, 40, 48, 48, 40, 32, 24, 16, 8, 0}},
        {"between points", 12, 32, {40, 48, 48, 40, 32, 24, 16, 8, 0}},
        {"on an inner point", 14, 48, {48, 40, 32, 24, 16, 8, 0}},
        {"on the falling segment", 17, 24, {16, 8, 0, 0}},
        {"on the last point", 20, 0, {0}},
        {"after the last point", 21, 0, {}},
        {"at the largest position", 255, 0, {}},
    };
    for (Which which : {Which::Volume, Which::Panning}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(nameOf(which)) + ", " + c.where);
            std::memset(&channel, 0, sizeof channel);
            setPoints({{10, 16}, {14, 48}, {20, 0}}, which);
            setPosition(c.position, which);
            EXPECT_EQ(state(which).out, c.outAtOnce);
            EXPECT_EQ(run(which), c.outputs);
            EXPECT_EQ(state(which).done, 1);
        }
    }
}

// Extremes of the point data: late first points with the steepest segments
// (the fuzzer's finding, whose backward extrapolation overflowed), the
// highest x, and values above 64 in a record the loader did not repair.
TEST_F(EnvelopeTest, SetPositionBeforeALateSteepFirstPointHoldsItsValue) {
    struct Case {
        const char* what;
        std::vector<EnvelopePoint> points;
        int32_t position;
        int32_t holds;  // ticks at the first point's value before it is reached
        int32_t first;  // that value
        int32_t last;   // the output once done
    };
    const Case cases[] = {
        {"a rise of 16 in one tick at 2304", {{2304, 0}, {2305, 16}, {2306, 64}}, 65, 2240, 0, 64},
        {"the same from the largest position", {{2304, 0}, {2305, 16}, {2306, 64}}, 255, 2050, 0, 64},
        {"a fall of 64 in one tick at the highest x", {{65534, 64}, {65535, 0}}, 0, 65535, 64, 0},
        {"values above 64", {{300, 0xFFFF}, {301, 0}, {302, 0xFFFF}}, 7, 294, 64, 64},
    };
    for (Which which : {Which::Volume, Which::Panning}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(nameOf(which)) + ", " + c.what);
            std::memset(&channel, 0, sizeof channel);
            setPoints(c.points, which);
            setPosition(c.position, which);
            EXPECT_EQ(state(which).out, c.first);
            EXPECT_EQ(state(which).step, 0);
            const std::vector<int32_t> outputs = run(which);
            ASSERT_GE(outputs.size(), static_cast<size_t>(c.holds));
            EXPECT_EQ(std::vector<int32_t>(outputs.begin(), outputs.begin() + c.holds),
                      repeated(c.first, c.holds));
            for (int32_t out : outputs) ASSERT_TRUE(out >= 0 && out <= 64) << out;
            EXPECT_EQ(outputs.back(), c.last);
            EXPECT_EQ(state(which).done, 1);
        }
    }
}

// A loop whose start lies after its end jumps forward once and never comes
// back to the end; a position before the first point takes that path too.
TEST_F(EnvelopeTest, SetPositionBeforeALoopWhoseStartIsAfterItsEnd) {
    setPoints({{10, 16}, {14, 48}, {20, 0}, {30, 64}});
    instrument.volumeFlags = ENVELOPE_ON | ENVELOPE_LOOP;
    instrument.volumeLoopStart = 2;
    instrument.volumeLoopEnd = 1;
    setPosition(3);
    // Held to tick 10, up to 48 at tick 14 (the loop end), on from point 2
    // at tick 20: 6.4 a tick up to 64 at tick 30.
    EXPECT_EQ(run(Which::Volume), repeated(16, 8, {24, 32, 40, 0, 6, 12, 19, 25, 31, 38, 44, 51, 57, 64}));
    EXPECT_EQ(channel.volEnv.tick, 30);
}

// safety: however the tick came to run past the point its envelope heads
// for (a state an older position effect left), the value stays where it is
// instead of stepping on without end.
TEST_F(EnvelopeTest, TickPastItsPointHoldsTheValue) {
    for (Which which : {Which::Volume, Which::Panning}) {
        SCOPED_TRACE(nameOf(which));
        std::memset(&channel, 0, sizeof channel);
        setPoints({{10, 16}, {14, 48}, {20, 0}}, which);
        EnvelopeState& e = state(which);
        e.tick = 40;
        e.point = 1;
        e.value = 48 * 65536;
        e.step = 8 * 65536;
        for (int t = 0; t < 5000; ++t) {
            ASSERT_TRUE(step(which));
            ASSERT_EQ(e.out, 48) << "tick " << t;
        }
    }
}

// A note-on resets the tick but not the value: before a late first point the
// envelope keeps the value it had (here left by an earlier note), as a note
// without a position effect always has, then takes the first point's.
TEST_F(EnvelopeTest, NoteOnBeforeALateFirstPointKeepsThePreviousValue) {
    setPoints({{10, 16}, {14, 48}}, Which::Volume);
    setPoints({{6, 0}, {8, 64}}, Which::Panning);
    channel.volEnv.value = 40 * 65536;
    channel.volEnv.step = -5 * 65536;  // a stale step from the earlier note
    channel.panEnv.value = 20 * 65536;
    resetNote(&channel, &sample);
    EXPECT_EQ(run(Which::Volume), repeated(40, 10, {16, 24, 32, 40, 48}));
    EXPECT_EQ(run(Which::Panning), repeated(20, 6, {0, 32, 64}));
}
