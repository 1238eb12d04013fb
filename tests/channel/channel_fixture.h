#pragma once
// Hand-built records for the channel tests: one zeroed channel bound to a
// zeroed voice, a song in either frequency mode, and a one-sample instrument.
#include <gtest/gtest.h>

#include <cstring>

#include "music/channel.h"
#include "music/output_format.h"
#include "music/song.h"
#include "music/voice.h"

class ChannelTest : public ::testing::Test {
  protected:
    void SetUp() override {
        setOutputFormat(44000);
        std::memset(&channel, 0, sizeof channel);
        std::memset(&voice, 0, sizeof voice);
        std::memset(&song, 0, sizeof song);
        std::memset(&instrument, 0, sizeof instrument);
        std::memset(&sample, 0, sizeof sample);
        channel.voice = &voice;
        song.flags = SONG_LINEAR_FREQUENCIES;
        song.globalVolume = 64;
        song.instruments = &instrument;
        song.instrumentCount = 1;
        instrument.sampleCount = 1;
        for (Sample*& slot : instrument.samples) slot = &emptySample;
        instrument.samples[0] = &sample;
        sample.length = 1000;
        sample.loopStart = 100;
        sample.loopLength = 400;
        sample.volume = 48;
        sample.panning = 96;
    }

    // Full volume at centre pan, as a freshly reset note would be.
    void fullVolume() {
        channel.volume = 64;
        channel.volEnv.out = 64;
        channel.fadeout = 65536;
        channel.pan = 128;
        channel.panEnv.out = 32;
    }

    Channel channel;
    Voice voice;
    Song song;
    Instrument instrument;
    Sample sample;
};
