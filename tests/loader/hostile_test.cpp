// Modules that break the format's limits: each is refused with its reason or
// repaired into a song that passes the player's invariant check. The
// sanitizer build runs these too.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "music/loader.h"
#include "music/song_check.h"
#include "xm_builder.h"

using namespace xmtest;

namespace {

struct Loaded {
    Song* song;
    explicit Loaded(const std::vector<uint8_t>& bytes)
        : song(createSongFromMemory(bytes.data(), bytes.size())) {}
    explicit Loaded(const ModuleSpec& m) : Loaded(buildXm(m)) {}
    ~Loaded() { freeSong(song); }
    Song* operator->() const { return song; }
    const Sample& sample(int instrument = 0, int slot = 0) const {
        return *song->instruments[instrument].samples[slot];
    }
};

void expectRefused(const ModuleSpec& m, LoadErrorCode code, const std::string& message) {
    Loaded s(m);
    EXPECT_EQ(s.song, nullptr);
    EXPECT_EQ(lastLoadError().code, code);
    EXPECT_EQ(std::string(lastLoadError().message), message);
}

// A repaired module: loaded, at least one repair counted, and the song
// passes the check. (A macro so that ASSERT ends the test itself.)
#define EXPECT_REPAIRED(loaded)                                       \
    do {                                                              \
        ASSERT_NE((loaded).song, nullptr) << lastLoadError().message; \
        EXPECT_GT(lastLoadRepairs().count, 0);                        \
        EXPECT_EQ(checkSong((loaded).song), "");                      \
    } while (0)

TEST(LoaderRefuses, ChannelCountsThePlayerCannotPlay) {
    ModuleSpec m;
    m.channels = 0;
    expectRefused(m, LoadErrorCode::NoChannels, "the module has no channels");
    m.channels = 33;
    expectRefused(m, LoadErrorCode::TooManyChannels, "the module has 33 channels; at most 32");
    m.channels = 0xFFFF;  // negative as a signed 16-bit count
    expectRefused(m, LoadErrorCode::TooManyChannels, "the module has 65535 channels; at most 32");
    m.channels = 32;
    Loaded ok(m);
    EXPECT_NE(ok.song, nullptr);
}

TEST(LoaderRefuses, AnInstrumentWithMoreThanSixteenSamplesAfterOthersLoaded) {
    ModuleSpec m;
    InstrumentSpec good;
    good.samples.assign(2, SampleSpec{});
    good.samples[0].data.assign(64, 1);
    InstrumentSpec bad;
    bad.samples.assign(20, SampleSpec{});
    m.instruments = {good, good, good, good, bad};
    // Everything loaded so far is released (the leak checker sees to it).
    expectRefused(m, LoadErrorCode::TooManySamples, "instrument 5 has 20 samples; at most 16");
    bad.samples.resize(16);
    m.instruments = {good, bad};
    Loaded ok(m);
    ASSERT_NE(ok.song, nullptr);
    EXPECT_EQ(ok->instruments[1].sampleCount, 16);
}

TEST(LoaderRepairs, SongLengthRestartAndTempo) {
    ModuleSpec m;
    m.songLength = 0;
    m.restart = 0;
    m.bpm = 0;
    Loaded zero(m);
    EXPECT_REPAIRED(zero);
    EXPECT_EQ(zero->songLength, 1);
    EXPECT_EQ(zero->usedPatternCount, 1);
    EXPECT_EQ(zero->defaultBpm, 125);

    m.songLength = 300;
    m.restart = 300;
    m.bpm = 40000;
    m.orders.assign(256, 0);
    Loaded huge(m);
    EXPECT_REPAIRED(huge);
    EXPECT_EQ(huge->songLength, 256);
    EXPECT_EQ(huge->restartPosition, 0);
    EXPECT_EQ(huge->defaultBpm, 255);

    m.songLength = 4;
    m.restart = 4;
    m.bpm = 125;
    Loaded restart(m);
    EXPECT_REPAIRED(restart);
    EXPECT_EQ(restart->restartPosition, 0);
    EXPECT_STREQ(lastLoadRepairs().first, "restart position 4 at or past the song length 4; 0 used");
}

TEST(LoaderRepairs, PatternRowCountsAndNotes) {
    ModuleSpec m;
    m.channels = 1;
    m.songLength = 3;
    m.orders = {0, 1, 2};
    PatternSpec none;
    none.rows = 0;
    none.packed = {0x81, 5};  // passed over: a pattern of no rows holds nothing
    PatternSpec tall;
    tall.rows = 300;
    for (int r = 0; r < 300; ++r) {
        tall.packed.push_back(0x81);
        tall.packed.push_back(static_cast<uint8_t>(1 + r % 96));
    }
    PatternSpec notes;
    notes.rows = 4;
    notes.packed = {98,   1,   0, 0, 0,  // unpacked note 98
                    0x81, 200,           // packed note 200
                    0x81, 97,            // key off
                    0x81, 96};
    m.patterns = {none, tall, notes};
    Loaded s(m);
    EXPECT_REPAIRED(s);
    EXPECT_EQ(s->patterns[0].rows, 64);
    EXPECT_EQ(s->patterns[1].rows, 256);
    EXPECT_EQ(s->patterns[1].cells[255].note, 1 + 255 % 96);
    // Rows past 256 were read, so the next pattern is found where it is.
    const NoteCell* c = s->patterns[2].cells;
    EXPECT_EQ(c[0].note, 0);
    EXPECT_EQ(c[0].instrument, 1);
    EXPECT_EQ(c[1].note, 0);
    EXPECT_EQ(c[2].note, 255);
    EXPECT_EQ(c[3].note, 96);
    EXPECT_STREQ(lastLoadRepairs().first, "pattern 0 has no rows; 64 empty rows used");
    EXPECT_EQ(lastLoadRepairs().count, 4);
}

TEST(LoaderRepairs, PatternAndInstrumentCountsBeyondWhatCanBeNamed) {
    ModuleSpec m;
    m.channels = 1;
    PatternSpec tiny;
    tiny.rows = 1;
    m.patterns.assign(300, tiny);
    m.patterns[299].rows = 2;
    m.patterns[299].packed = {0x81, 1, 0x81, 2};
    InstrumentSpec in;
    in.headerSize = 29;
    m.instruments.assign(130, in);
    m.instruments[127].headerSize = 263;
    m.instruments[127].samples = {SampleSpec{}};
    m.instruments[127].samples[0].data = {7};
    Loaded s(m);
    EXPECT_REPAIRED(s);
    EXPECT_EQ(s->patternCount, 256);
    EXPECT_EQ(s->instrumentCount, 128);
    // Patterns 256..299 were read past, so instrument 128 is in its place.
    EXPECT_EQ(s.sample(127).data[0], 7 << 8);
}

TEST(LoaderRepairs, EnvelopesStayWithinTheirPoints) {
    ModuleSpec m;
    InstrumentSpec in;
    in.samples = {SampleSpec{}};
    in.volume.count = 200;
    in.volume.flags = 0x07;
    for (int k = 0; k < 12; ++k) {
        in.volume.x[k] = static_cast<uint16_t>(k * 10);
        in.volume.y[k] = 64;
    }
    in.volume.x[5] = 30;  // not after point 4 (40)
    in.volume.y[3] = 300;
    in.volume.sustain = 12;
    in.volume.loopStart = 200;
    in.volume.loopEnd = 255;
    in.panning.count = 3;
    in.panning.flags = 0x03;
    in.panning.x[0] = 0;
    in.panning.x[1] = 0xFFFF;
    in.panning.x[2] = 0xFFFF;  // cannot be moved after 65535
    in.panning.sustain = 2;
    in.vibratoType = 9;
    m.instruments = {in};
    Loaded s(m);
    EXPECT_REPAIRED(s);
    const Instrument& x = s->instruments[0];
    EXPECT_EQ(x.volumePointCount, 12);
    EXPECT_EQ(x.volumeSustain, 11);
    EXPECT_EQ(x.volumeLoopStart, 11);
    EXPECT_EQ(x.volumeLoopEnd, 11);
    EXPECT_EQ(x.volumePoints[5].x, 41);
    EXPECT_EQ(x.volumePoints[6].x, 60);
    EXPECT_EQ(x.volumePoints[3].y, 64);
    EXPECT_EQ(x.volumeFlags, 0x07);
    EXPECT_EQ(x.panningPointCount, 2);
    EXPECT_EQ(x.panningSustain, 1);
    EXPECT_EQ(x.autoVibratoType, 0);
    EXPECT_STREQ(lastLoadRepairs().first, "instrument 1: 200 volume envelope points; 12 used");
}

TEST(LoaderRepairs, LoopsStayInsideTheSample) {
    struct Case {
        uint32_t loopStart, loopLength;
        uint8_t type;
        uint32_t wantStart, wantLength;
        uint8_t wantType;
    };
    // A 10-frame 8-bit sample.
    const Case cases[] = {
        {4, 20, 0x01, 4, 6, SAMPLE_FORWARD_LOOP},
        {10, 2, 0x02, 0, 10, SAMPLE_NO_LOOP},
        {0xFFFFFFF0u, 0x20, 0x01, 0, 10, SAMPLE_NO_LOOP},  // start + length overflows
        {9, 0xFFFFFFFFu, 0x02, 9, 1, SAMPLE_PINGPONG_LOOP},
        {2, 8, 0x01, 2, 8, SAMPLE_FORWARD_LOOP},  // exactly to the end: kept
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.loopStart << " + " << c.loopLength);
        SampleSpec smp;
        smp.data = {1, 1, 1, 1, 1, 1, 1, 1, 1, 1};
        smp.loopStart = c.loopStart;
        smp.loopLength = c.loopLength;
        smp.type = c.type;
        Loaded s(withSample(smp));
        ASSERT_NE(s.song, nullptr);
        EXPECT_EQ(checkSong(s.song), "");
        EXPECT_EQ(s.sample().loopStart, c.wantStart);
        EXPECT_EQ(s.sample().loopLength, c.wantLength);
        EXPECT_EQ(s.sample().loopType, c.wantType);
    }
}

TEST(LoaderRepairs, OddSixteenBitByteLengthSkipsTheOddByte) {
    ModuleSpec m;
    InstrumentSpec in;
    in.samples = {SampleSpec{}, SampleSpec{}};
    in.samples[0].type = 0x10;
    in.samples[0].data = {0x10, 0x00, 0x20, 0x00, 0xAA};  // 2 frames and a stray byte
    in.samples[1].data = {3, 1};
    m.instruments = {in};
    Loaded s(m);
    EXPECT_REPAIRED(s);
    EXPECT_EQ(s.sample(0, 0).length, 2u);
    EXPECT_EQ(s.sample(0, 0).data[1], 0x30);
    // The next sample starts after the stray byte, not on it.
    EXPECT_EQ(s.sample(0, 1).data[0], 3 << 8);
    EXPECT_EQ(s.sample(0, 1).data[1], 4 << 8);
    EXPECT_FALSE(lastLoadRepairs().truncated);
}

TEST(LoaderRepairs, SampleLengthsBeyondTheDataAreCutToIt) {
    SampleSpec smp;
    smp.length(0xFFFFFFFFu);
    smp.data = {1, 2, 3};
    smp.type = 0x01;
    smp.loopStart = 0;
    smp.loopLength = 0xFFFFFFFFu;
    smp.volume = 200;
    Loaded s(withSample(smp));
    EXPECT_REPAIRED(s);
    EXPECT_EQ(s.sample().length, 3u);
    EXPECT_EQ(s.sample().loopLength, 3u);
    EXPECT_EQ(s.sample().volume, 64);
    EXPECT_EQ(s.sample().data[2], 6 << 8);
    EXPECT_TRUE(lastLoadRepairs().truncated);

    // Sixteen-bit: an odd number of bytes left gives the whole frames.
    smp.length(0x80000000u);
    smp.type = 0x10;
    smp.data = {1, 0, 2, 0, 3};
    Loaded wide(withSample(smp));
    EXPECT_REPAIRED(wide);
    EXPECT_EQ(wide.sample().length, 2u);
    EXPECT_EQ(wide.sample().data[1], 3);
}

TEST(LoaderRepairs, HeaderSizePastTheEndLeavesAnEmptySong) {
    std::vector<uint8_t> bytes = buildXm(ModuleSpec{});
    // Patch the header size only: the rest of the file stays where it is.
    bytes[60] = 0xF0;
    bytes[61] = bytes[62] = bytes[63] = 0xFF;
    Loaded s(bytes);
    EXPECT_REPAIRED(s);
    EXPECT_TRUE(lastLoadRepairs().truncated);
    EXPECT_EQ(s->patterns[0].rows, 64);
}

// One module with every section, cut at every byte: each prefix is refused
// (no id, no channel count) or loads and passes the check.
TEST(LoaderTruncation, EveryCutIsRefusedOrLoadsSafely) {
    ModuleSpec m;
    m.channels = 3;
    m.songLength = 2;
    m.orders = {0, 1};
    PatternSpec p;
    p.rows = 2;
    p.packed = {0x83, 49, 1, 0x80, 60, 2, 0x10, 0x0F, 0x06, 0x81, 97, 0x80, 0x81, 50};
    m.patterns = {p, PatternSpec{}};
    InstrumentSpec in;
    in.volume.count = 2;
    in.volume.flags = 1;
    in.volume.x[1] = 10;
    in.samples = {SampleSpec{}, SampleSpec{}};
    in.samples[0].data = {10, 20, 30, 40, 50, 60};
    in.samples[0].type = 0x02;
    in.samples[0].loopStart = 2;
    in.samples[0].loopLength = 4;
    in.samples[1].data = {1, 0, 2, 0, 3, 0, 4, 0};
    in.samples[1].type = 0x11;
    in.samples[1].loopStart = 4;
    in.samples[1].loopLength = 4;
    InstrumentSpec none;
    none.headerSize = 29;
    m.instruments = {in, none, in};
    Layout layout;
    const std::vector<uint8_t> bytes = buildXm(m, &layout);

    for (size_t cut = 0; cut <= bytes.size(); ++cut) {
        SCOPED_TRACE(testing::Message() << "cut at " << cut << " of " << bytes.size());
        std::vector<uint8_t> prefix(bytes.begin(), bytes.begin() + cut);
        Loaded s(prefix);
        if (cut < 69) {
            EXPECT_EQ(s.song, nullptr);
            continue;
        }
        ASSERT_NE(s.song, nullptr) << lastLoadError().message;
        ASSERT_EQ(checkSong(s.song), "");
        EXPECT_EQ(lastLoadRepairs().truncated, cut < bytes.size());
        if (cut == layout.sampleDataStarts[0] + 3) {
            // Cut inside the first sample: its frames are those that are there.
            EXPECT_EQ(s.sample().length, 3u);
            EXPECT_EQ(s.sample().loopLength, 1u);
            EXPECT_EQ(s.sample(0, 1).length, 0u);
        }
        if (cut == bytes.size()) {
            EXPECT_EQ(s->patterns[0].cells[2].note, 60);
            EXPECT_EQ(s->patterns[0].cells[3].note, 255);
            EXPECT_EQ(s.sample(2, 1).data[3], 10);
        }
    }
}

}  // namespace
