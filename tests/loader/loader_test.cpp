#include "music/loader.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "music/song_check.h"
#include "music/song_clock.h"
#include "xm_builder.h"

using namespace xmtest;

namespace {

// Owns a loaded song for one test.
struct Loaded {
    Song* song = nullptr;
    explicit Loaded(const std::vector<uint8_t>& bytes, SampleLoadCallback cb = nullptr)
        : song(createSongFromMemory(bytes.data(), bytes.size(), cb)) {}
    explicit Loaded(const ModuleSpec& m, SampleLoadCallback cb = nullptr) : Loaded(buildXm(m), cb) {}
    ~Loaded() { freeSong(song); }
    Song* operator->() const { return song; }
    const Sample& sample(int instrument = 0, int slot = 0) const {
        return *song->instruments[instrument].samples[slot];
    }
};

std::vector<uint8_t> cellBytes(std::initializer_list<int> bytes) {
    std::vector<uint8_t> out;
    for (int b : bytes) out.push_back(static_cast<uint8_t>(b));
    return out;
}

TEST(Loader, HeaderFieldsAndOrdersLoad) {
    ModuleSpec m;
    m.songLength = 3;
    m.restart = 1;
    m.channels = 14;
    m.flags = 1;
    m.speed = 6;
    m.bpm = 128;
    m.orders = {1, 0, 1};
    m.patterns = {PatternSpec{}, PatternSpec{}};
    Loaded s(m);
    ASSERT_NE(s.song, nullptr) << lastLoadError().message;
    EXPECT_EQ(lastLoadError().code, LoadErrorCode::None);
    EXPECT_EQ(lastLoadRepairs().count, 0) << lastLoadRepairs().first;
    EXPECT_EQ(s->songLength, 3);
    EXPECT_EQ(s->restartPosition, 1);
    EXPECT_EQ(s->channelCount, 14);
    EXPECT_EQ(s->flags, 1);
    EXPECT_EQ(s->defaultSpeed, 6);
    EXPECT_EQ(s->defaultBpm, 128);
    EXPECT_EQ(s->orders[0], 1);
    EXPECT_EQ(s->usedPatternCount, 2);
    EXPECT_EQ(s->initialGlobalVolume, 64);
    EXPECT_EQ(s->tickCallback, &songTick);
    EXPECT_EQ(s->instrumentCount, 0);
    EXPECT_EQ(s->globalVolume, 0) << "playback fields wait for playback start";
    EXPECT_EQ(checkSong(s.song), "");
}

TEST(Loader, IdMustMatchByteForByte) {
    ModuleSpec m;
    m.id = "Extended module: ";
    std::vector<uint8_t> bytes = buildXm(m);
    EXPECT_EQ(Loaded(bytes).song, nullptr);
    EXPECT_EQ(lastLoadError().code, LoadErrorCode::NotXm);
    EXPECT_STREQ(lastLoadError().message, "not an XM file");
    // Sixteen bytes of a correct id are not an id.
    std::vector<uint8_t> shortId(bytes.begin(), bytes.begin() + 16);
    std::memcpy(shortId.data(), "Extended Module:", 16);
    EXPECT_EQ(Loaded(shortId).song, nullptr);
    EXPECT_EQ(lastLoadError().code, LoadErrorCode::NotXm);
}

TEST(Loader, OrdersPastTheStoredPatternsAddEmptyPatterns) {
    ModuleSpec m;
    m.songLength = 2;
    m.orders = {12, 0};
    m.patterns.assign(10, PatternSpec{});
    m.patterns[0].rows = 32;
    Loaded s(m);
    ASSERT_NE(s.song, nullptr) << lastLoadError().message;
    EXPECT_EQ(s->usedPatternCount, 13);
    EXPECT_EQ(s->patternCount, 13);
    EXPECT_EQ(s->patterns[0].rows, 32);
    for (int p = 10; p <= 12; ++p) {
        EXPECT_EQ(s->patterns[p].rows, 64);
        for (int c = 0; c < 64 * 2; ++c) EXPECT_EQ(s->patterns[p].cells[c].note, 0);
    }

    m.songLength = 3;
    m.orders = {7, 0, 3};
    Loaded all(m);
    ASSERT_NE(all.song, nullptr);
    EXPECT_EQ(all->usedPatternCount, 8);
    EXPECT_EQ(all->patternCount, 10) << "stored patterns load even when no order names them";
}

TEST(Loader, PackedAndUnpackedCellsDecode) {
    ModuleSpec m;
    m.channels = 2;
    PatternSpec p;
    p.rows = 2;
    p.packed = cellBytes({0x80,                         // five zeros
                          0x81, 97,                     // key off
                          0x9E, 3, 0x40, 0x0C, 0x20,    // all but the note
                          50, 200, 0x10, 0x0F, 0x06});  // unpacked, instrument 200
    m.patterns = {p};
    Loaded s(m);
    ASSERT_NE(s.song, nullptr) << lastLoadError().message;
    const NoteCell* c = s->patterns[0].cells;
    EXPECT_EQ(std::memcmp(&c[0], "\0\0\0\0\0", 5), 0);
    EXPECT_EQ(c[1].note, 255);
    EXPECT_EQ(c[2].note, 0);
    EXPECT_EQ(c[2].instrument, 3);
    EXPECT_EQ(c[2].volume, 0x40);
    EXPECT_EQ(c[2].effect, 0x0C);
    EXPECT_EQ(c[2].param, 0x20);
    EXPECT_EQ(c[3].note, 50);
    EXPECT_EQ(c[3].instrument, 0) << "instruments above 128 become none";
    EXPECT_EQ(c[3].volume, 0x10);
    EXPECT_EQ(c[3].param, 0x06);

    p.packed = cellBytes({0x82, 128, 0x80, 0x80, 0x80});
    m.patterns = {p};
    Loaded kept(m);
    ASSERT_NE(kept.song, nullptr);
    EXPECT_EQ(kept->patterns[0].cells[0].instrument, 128);
}

TEST(Loader, PatternWithPackedSizeZeroReadsNothing) {
    ModuleSpec m;
    m.songLength = 2;
    m.orders = {0, 1};
    PatternSpec empty;
    empty.rows = 48;
    PatternSpec full;
    full.rows = 1;
    full.packed = cellBytes({0x81, 49, 0x81, 50});
    m.patterns = {empty, full};
    Loaded s(m);
    ASSERT_NE(s.song, nullptr) << lastLoadError().message;
    EXPECT_EQ(s->patterns[0].rows, 48);
    for (int c = 0; c < 48 * 2; ++c) EXPECT_EQ(s->patterns[0].cells[c].note, 0);
    EXPECT_EQ(s->patterns[1].cells[0].note, 49) << "the next pattern starts right after";
    EXPECT_EQ(s->patterns[1].cells[1].note, 50);
}

TEST(Loader, InstrumentWithoutSamplesContinuesAtItsHeaderSize) {
    ModuleSpec m;
    InstrumentSpec none;
    none.headerSize = 29;
    InstrumentSpec padded;
    padded.headerSize = 33;
    InstrumentSpec one;
    one.headerSize = 243;
    one.sampleMap[10] = 0;
    one.samples.push_back(SampleSpec{});
    one.samples[0].data = {1, 2, 3};
    m.instruments = {none, padded, one};
    Loaded s(m);
    ASSERT_NE(s.song, nullptr) << lastLoadError().message;
    ASSERT_EQ(s->instrumentCount, 3);
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(s->instruments[i].sampleCount, 0);
        for (Sample* slot : s->instruments[i].samples) EXPECT_EQ(slot, &emptySample);
    }
    EXPECT_EQ(s->instruments[2].sampleCount, 1);
    EXPECT_EQ(s.sample(2).length, 3u);
    EXPECT_EQ(s.sample(2).data[2], 6 << 8);
    EXPECT_EQ(s->instruments[2].samples[1], &emptySample);
}

TEST(Loader, SixteenBitLoopOfLengthZeroBecomesNoLoop) {
    SampleSpec smp;
    smp.data.assign(200, 0);
    smp.loopStart = 40;
    smp.loopLength = 0;
    smp.type = 0x11;
    Loaded s(withSample(smp));
    ASSERT_NE(s.song, nullptr) << lastLoadError().message;
    const Sample& x = s.sample();
    EXPECT_EQ(x.length, 100u);
    EXPECT_EQ(x.loopStart, 0u);
    EXPECT_EQ(x.loopLength, 100u);
    EXPECT_EQ(x.loopType, SAMPLE_NO_LOOP);
    EXPECT_EQ(x.bits, 16);
}

TEST(Loader, EightBitDeltasWidenAndTheGuardFrameCopiesTheLoopStart) {
    SampleSpec smp;
    smp.data = {10, 246, 0};
    smp.loopStart = 1;
    smp.loopLength = 2;
    smp.type = 0x01;
    Loaded s(withSample(smp));
    ASSERT_NE(s.song, nullptr) << lastLoadError().message;
    const Sample& x = s.sample();
    EXPECT_EQ(x.data[0], 2560);
    EXPECT_EQ(x.data[1], 0);
    EXPECT_EQ(x.data[2], 0);
    EXPECT_EQ(x.data[3], 0);
    EXPECT_EQ(x.data[-1], 0) << "the zero frame ahead of the data";
    EXPECT_EQ(x.bits, 16);
    EXPECT_EQ(x.loopType, SAMPLE_FORWARD_LOOP);

    // A loop starting on a non-zero frame: the guard frame is its copy.
    smp.data = {10, 5, 5, 5};
    smp.loopStart = 1;
    smp.loopLength = 3;
    Loaded t(withSample(smp));
    ASSERT_NE(t.song, nullptr);
    EXPECT_EQ(t.sample().data[4], t.sample().data[1]);
    EXPECT_EQ(t.sample().data[1], 15 << 8);
}

TEST(Loader, SixteenBitDeltasWrapAndPingPongCopiesTheLastLoopFrame) {
    SampleSpec smp;
    // Frames as deltas: 0x7FFF, +2 (wraps to -0x7FFF), -1, +300.
    smp.data = {0xFF, 0x7F, 0x02, 0x00, 0xFF, 0xFF, 0x2C, 0x01};
    smp.type = 0x13;  // both loop bits: ping-pong
    smp.loopStart = 2;
    smp.loopLength = 4;
    Loaded s(withSample(smp));
    ASSERT_NE(s.song, nullptr) << lastLoadError().message;
    const Sample& x = s.sample();
    EXPECT_EQ(x.loopType, SAMPLE_PINGPONG_LOOP);
    EXPECT_EQ(x.length, 4u);
    EXPECT_EQ(x.loopStart, 1u);
    EXPECT_EQ(x.loopLength, 2u);
    EXPECT_EQ(x.data[0], 32767);
    EXPECT_EQ(x.data[1], -32767);
    EXPECT_EQ(x.data[2], -32768);
    // Frame 3 (-32468) lies behind the loop end: the guard, a copy of the
    // last loop frame, takes its place, as no playing position reaches it.
    EXPECT_EQ(x.data[3], -32768);
    EXPECT_EQ(x.data[4], 0);
}

TEST(Loader, NoLoopLeavesTheFrameAfterTheEndZero) {
    SampleSpec smp;
    smp.data = {100, 0, 0};
    Loaded s(withSample(smp));
    ASSERT_NE(s.song, nullptr);
    EXPECT_EQ(s.sample().data[2], 100 << 8);
    EXPECT_EQ(s.sample().data[3], 0);
}

TEST(Loader, InstrumentFieldsEnvelopesAndFadeout) {
    ModuleSpec m;
    InstrumentSpec in;
    in.sampleMap[0] = 1;
    in.sampleMap[95] = 0;
    in.volume.count = 1;
    in.volume.flags = 0x07;
    in.volume.x[0] = 0;
    in.volume.y[0] = 64;
    in.panning.count = 3;
    in.panning.flags = 0x05;
    in.panning.x[1] = 10;
    in.panning.x[2] = 20;
    in.panning.y[1] = 32;
    in.panning.loopStart = 1;
    in.panning.loopEnd = 2;
    in.vibratoType = 2;
    in.vibratoSweep = 3;
    in.vibratoDepth = 4;
    in.vibratoRate = 5;
    in.fadeout = 0x0400;
    in.samples = {SampleSpec{}, SampleSpec{}};
    in.samples[0].data = {1};
    in.samples[0].finetune = -16;
    in.samples[0].relativeNote = -12;
    in.samples[0].panning = 200;
    in.samples[0].volume = 40;
    in.samples[1].data = {};
    m.instruments = {in};
    Loaded s(m);
    ASSERT_NE(s.song, nullptr) << lastLoadError().message;
    const Instrument& x = s->instruments[0];
    EXPECT_EQ(x.sampleMap[0], 1);
    EXPECT_EQ(x.volumePointCount, 1);
    EXPECT_EQ(x.volumeFlags, 0) << "one point: envelope off";
    EXPECT_EQ(x.panningFlags, 0x05);
    EXPECT_EQ(x.panningPoints[2].x, 20);
    EXPECT_EQ(x.panningLoopEnd, 2);
    EXPECT_EQ(x.autoVibratoType, 2);
    EXPECT_EQ(x.autoVibratoRate, 5);
    EXPECT_EQ(x.fadeout, 0x0800);
    EXPECT_EQ(s.sample().finetune, -16);
    EXPECT_EQ(s.sample().relativeNote, -12);
    EXPECT_EQ(s.sample().panning, 200);
    EXPECT_EQ(s.sample().volume, 40);
    const Sample& empty = s.sample(0, 1);
    EXPECT_EQ(empty.data, nullptr);
    EXPECT_EQ(empty.length, 0u);
    EXPECT_EQ(empty.loopLength, 0u);

    in.fadeout = 32767;
    m.instruments = {in};
    Loaded big(m);
    ASSERT_NE(big.song, nullptr);
    EXPECT_EQ(big->instruments[0].fadeout, 65534);
}

// Fills the buffer with frames 1, 2, 3... (not delta-encoded) in the file's
// width, plus 10 per instrument, and records what it was asked for.
std::vector<std::vector<int32_t>> callbackCalls;
void countingFrames(void* buffer, int32_t byteCount, int32_t bits, int32_t instrument, int32_t sample) {
    callbackCalls.push_back({byteCount, bits, instrument, sample});
    auto* b = static_cast<uint8_t*>(buffer);
    const int32_t width = bits / 8;
    for (int32_t k = 0; k < byteCount / width; ++k) {
        b[k * width] = static_cast<uint8_t>(k + 1 + 10 * instrument);
        if (width == 2) b[k * width + 1] = 0;
    }
}

TEST(Loader, SampleLoadCallbackSkipsDeltaDecodingAndTheStreamAdvances) {
    ModuleSpec m;
    InstrumentSpec first;
    first.samples = {SampleSpec{}, SampleSpec{}};
    first.samples[0].data = {9, 9, 9, 9};
    first.samples[1].data = {9, 9, 9, 9};
    first.samples[1].type = 0x10;
    InstrumentSpec second;
    second.samples = {SampleSpec{}};
    second.samples[0].data = {9};
    m.instruments = {first, second};
    callbackCalls.clear();
    Loaded s(m, countingFrames);
    ASSERT_NE(s.song, nullptr) << lastLoadError().message;
    const std::vector<std::vector<int32_t>> expected = {{4, 8, 0, 0}, {4, 16, 0, 1}, {1, 8, 1, 0}};
    EXPECT_EQ(callbackCalls, expected);
    EXPECT_EQ(s->sampleLoadCallback, &countingFrames);
    EXPECT_EQ(s.sample().data[0], 1 << 8);
    EXPECT_EQ(s.sample().data[3], 4 << 8) << "not delta-decoded";
    EXPECT_EQ(s.sample(0, 1).data[1], 2);
    // The second instrument is found behind the skipped bytes.
    EXPECT_EQ(s.sample(1).length, 1u);
    EXPECT_EQ(s.sample(1).data[0], 11 << 8);
    EXPECT_FALSE(lastLoadRepairs().truncated);
}

TEST(Loader, FreeSongRefusesNull) {
    EXPECT_FALSE(freeSong(nullptr));
}

}  // namespace
