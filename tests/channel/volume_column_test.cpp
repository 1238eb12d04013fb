#include "channel_fixture.h"

using VolumeColumnTest = ChannelTest;

TEST_F(VolumeColumnTest, VolumeAndPanCommands) {
    struct Case {
        uint8_t byte;
        int volumeBefore, panBefore;
        int volume, pan;
        uint8_t flags;
    };
    const Case cases[] = {
        {0x10, 30, 128, 0, 128, UPDATE_VOLUME},
        {0x30, 30, 128, 32, 128, UPDATE_VOLUME},
        {0x50, 30, 128, 64, 128, UPDATE_VOLUME},
        {0x51, 30, 128, 30, 128, 0},
        {0x5F, 30, 128, 30, 128, 0},
        {0x0F, 30, 128, 30, 128, 0},
        {0x62, 30, 128, 28, 128, UPDATE_VOLUME},  // slide down
        {0x65, 3, 128, 0, 128, UPDATE_VOLUME},    // not below 0
        {0x82, 30, 128, 28, 128, UPDATE_VOLUME},  // fine slide down
        {0x8F, 10, 128, 0, 128, UPDATE_VOLUME},
        {0x75, 30, 128, 35, 128, UPDATE_VOLUME},  // slide up
        {0x7F, 60, 128, 64, 128, UPDATE_VOLUME},  // not above 64
        {0x9F, 60, 128, 64, 128, UPDATE_VOLUME},
        {0xC0, 30, 128, 30, 0, UPDATE_PAN},
        {0xCF, 30, 128, 30, 240, UPDATE_PAN},
        {0xD5, 30, 2, 30, -3, UPDATE_PAN},  // no limit on the channel pan
        {0xE5, 30, 253, 30, 258, UPDATE_PAN},
    };
    for (const Case& c : cases) {
        channel.volume = c.volumeBefore;
        channel.pan = c.panBefore;
        channel.flags = 0;
        applyVolumeColumn(&channel, c.byte);
        EXPECT_EQ(channel.volume, c.volume) << std::hex << int(c.byte);
        EXPECT_EQ(channel.pan, c.pan) << std::hex << int(c.byte);
        EXPECT_EQ(channel.flags, c.flags) << std::hex << int(c.byte);
    }
}

TEST_F(VolumeColumnTest, VibratoSettingsOnly) {
    applyVolumeColumn(&channel, 0xA7);
    applyVolumeColumn(&channel, 0xBC);
    EXPECT_EQ(channel.vibratoSpeed, 7);
    EXPECT_EQ(channel.vibratoDepth, 12);
    EXPECT_EQ(channel.flags, 0);
    EXPECT_EQ(channel.periodDelta, 0);
}

TEST_F(VolumeColumnTest, TonePortamentoKeepsSampleRunning) {
    channel.notePeriod = 4608;
    channel.flags = UPDATE_TRIGGER | UPDATE_FREQUENCY | UPDATE_VOLUME;
    applyVolumeColumn(&channel, 0xF3);
    EXPECT_EQ(channel.portaSpeed, 48);
    EXPECT_EQ(channel.portaTarget, 4608);
    EXPECT_EQ(channel.flags, UPDATE_FREQUENCY | UPDATE_VOLUME);

    // 0xF0 keeps the remembered speed but still retargets and holds the sample.
    channel.notePeriod = 4000;
    channel.flags = UPDATE_TRIGGER;
    applyVolumeColumn(&channel, 0xF0);
    EXPECT_EQ(channel.portaSpeed, 48);
    EXPECT_EQ(channel.portaTarget, 4000);
    EXPECT_EQ(channel.flags, 0);
}

using ResetNoteTest = ChannelTest;

TEST_F(ResetNoteTest, ResetsNoteStateButKeepsEnvelopeValues) {
    channel.volEnv.tick = 7;
    channel.volEnv.point = 2;
    channel.volEnv.value = 12345;
    channel.volEnv.step = -3;
    channel.volEnv.done = 1;
    channel.volEnv.out = 5;
    channel.panEnv.tick = 4;
    channel.panEnv.point = 1;
    channel.panEnv.value = 777;
    channel.panEnv.step = 9;
    channel.panEnv.done = 1;
    channel.panEnv.out = 60;
    channel.keyOff = 1;
    channel.fadeout = 100;
    channel.autoVibratoPos = 99;
    channel.autoVibratoTicks = 3;
    channel.vibratoPos = -5;
    channel.tremoloPos = 9;
    channel.tremorCount = 2;
    channel.vibratoDepth = 6;  // memories survive
    channel.portaSpeed = 3;
    channel.flags = UPDATE_TRIGGER;

    resetNote(&channel, &sample);

    EXPECT_EQ(channel.volume, 48);
    EXPECT_EQ(channel.pan, 96);
    EXPECT_EQ(channel.volEnv.out, 64);
    EXPECT_EQ(channel.panEnv.out, 32);
    EXPECT_EQ(channel.volEnv.tick, 0);
    EXPECT_EQ(channel.volEnv.point, 0);
    EXPECT_EQ(channel.volEnv.step, 0);
    EXPECT_EQ(channel.volEnv.done, 0);
    EXPECT_EQ(channel.panEnv.tick, 0);
    EXPECT_EQ(channel.panEnv.point, 0);
    EXPECT_EQ(channel.panEnv.step, 0);
    EXPECT_EQ(channel.panEnv.done, 0);
    EXPECT_EQ(channel.volEnv.value, 12345);
    EXPECT_EQ(channel.panEnv.value, 777);
    EXPECT_EQ(channel.keyOff, 0);
    EXPECT_EQ(channel.fadeout, 65536);
    EXPECT_EQ(channel.autoVibratoPos, 0);
    EXPECT_EQ(channel.autoVibratoTicks, 0);
    EXPECT_EQ(channel.vibratoPos, 0);
    EXPECT_EQ(channel.tremoloPos, 0);
    EXPECT_EQ(channel.tremorCount, 0);
    EXPECT_EQ(channel.vibratoDepth, 6);
    EXPECT_EQ(channel.portaSpeed, 3);
    EXPECT_EQ(channel.flags, UPDATE_TRIGGER | UPDATE_VOLUME | UPDATE_PAN);
}
