#include "channel_fixture.h"

TEST(NotePeriod, LinearPeriodsAndFinetuneRounding) {
    struct Case {
        int note, finetune, period;
    };
    const Case cases[] = {
        {48, 0, 4608},   // C-4
        {48, -1, 4608},  // -1 / 2 truncates to 0
        {48, -3, 4609},  // -3 / 2 truncates to -1
        {48, 3, 4607},  {48, 127, 4545}, {48, -128, 4672}, {0, 0, 7680}, {95, 0, 1600},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(periodForNote(c.note, c.finetune, true), c.period) << c.note << " " << c.finetune;
    }
}

TEST(NotePeriod, AmigaPeriods) {
    EXPECT_EQ(amigaPeriod(48, 0), 1712);
    EXPECT_EQ(amigaPeriod(0, 0), 27392);
    EXPECT_EQ(amigaPeriod(95, 0), 113);
    EXPECT_EQ(periodForNote(48, 0, false), 1712);
    // A finetune moves the period linearly toward the neighbouring semitone.
    EXPECT_EQ(amigaPeriod(48, 64), 1664);
    EXPECT_EQ(amigaPeriod(48, -64), 1762);
    EXPECT_EQ(amigaPeriod(48, -128), amigaPeriod(47, 0));
    EXPECT_EQ(amigaPeriod(48, -128), 1813);
    EXPECT_EQ(amigaPeriod(60, -1), 856);
    EXPECT_EQ(amigaPeriod(95, 127), 108);
    // Note 0 has no lower neighbour: a negative finetune uses the upper gap.
    EXPECT_EQ(amigaPeriod(0, -64), 28161);
    EXPECT_EQ(amigaPeriod(0, -128), 28930);
}

TEST(NotePeriod, AmigaPeriodsFallMonotonically) {
    for (int note = 1; note < 96; ++note) {
        EXPECT_LT(amigaPeriod(note, 0), amigaPeriod(note - 1, 0)) << note;
    }
}

TEST(NotePeriod, FarNotesDoNotOverflow) {
    // Arpeggio offsets above a wild relative note reach past 255.
    EXPECT_EQ(amigaPeriod(270, 0), 0);
    EXPECT_GT(amigaPeriod(-2000, 0), 0);
    EXPECT_EQ(periodForNote(255, 0, true), 7680 - 64 * 255);
}

using FindSampleTest = ChannelTest;

TEST_F(FindSampleTest, MapsNoteThroughInstrument) {
    Sample second{};
    instrument.samples[1] = &second;
    instrument.sampleMap[60] = 1;
    channel.instrument = 0;
    channel.note = 60;
    const Instrument* in = nullptr;
    const Sample* s = nullptr;
    findSample(&channel, &song, &in, &s);
    EXPECT_EQ(in, &instrument);
    EXPECT_EQ(s, &second);
    channel.note = 59;
    findSample(&channel, &song, &in, &s);
    EXPECT_EQ(s, &sample);
}

TEST_F(FindSampleTest, MissingInstrumentSlotOrNoteGivesPlaceholders) {
    const Instrument* in = nullptr;
    const Sample* s = nullptr;

    channel.instrument = 1;  // == instrumentCount
    findSample(&channel, &song, &in, &s);
    EXPECT_EQ(in, &emptyInstrument);
    EXPECT_EQ(s, &emptySample);

    channel.instrument = 0;
    channel.note = 10;
    instrument.sampleMap[10] = 16;  // no such slot
    findSample(&channel, &song, &in, &s);
    EXPECT_EQ(in, &instrument);
    EXPECT_EQ(s, &emptySample);

    instrument.sampleMap[10] = 255;
    findSample(&channel, &song, &in, &s);
    EXPECT_EQ(s, &emptySample);

    channel.note = 200;  // past the 96-entry map
    findSample(&channel, &song, &in, &s);
    EXPECT_EQ(s, &emptySample);

    instrument.sampleMap[10] = 5;  // slot beyond sampleCount
    channel.note = 10;
    findSample(&channel, &song, &in, &s);
    EXPECT_EQ(s, &emptySample);
}

using TonePortaTest = ChannelTest;

TEST_F(TonePortaTest, StopsAtTargetFromEitherSide) {
    channel.period = 1000;
    channel.portaTarget = 990;
    channel.portaSpeed = 4;
    stepTonePorta(&channel);
    EXPECT_EQ(channel.period, 990);  // not 984
    EXPECT_EQ(channel.flags, UPDATE_FREQUENCY);

    channel.period = 900;
    channel.portaSpeed = 10;
    const int expected[] = {940, 980, 990, 990};
    for (int period : expected) {
        stepTonePorta(&channel);
        EXPECT_EQ(channel.period, period);
    }

    channel.flags = 0;
    stepTonePorta(&channel);  // already there: still flags the frequency
    EXPECT_EQ(channel.flags, UPDATE_FREQUENCY);
}
