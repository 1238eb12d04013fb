// The module the card carries: its structure as the card and the player
// expect it, the file fields other players read, and how it sounds through
// our own player (levels, no gaps, a seamless loop).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <set>
#include <vector>

#include "music/file_callbacks.h"
#include "music/loader.h"
#include "music/output_format.h"
#include "music/render.h"
#include "music/resource_stream.h"
#include "music/song.h"
#include "platform/resources.h"

namespace {

constexpr int32_t RATE = 44000;

struct SongDeleter {
    void operator()(Song* s) const { freeSong(s); }
};
using SongPtr = std::unique_ptr<Song, SongDeleter>;

SongPtr loadTrack() {
    registerResourceCallbacks();
    return SongPtr(createSong("TRACK", nullptr));
}

uint16_t le16(const uint8_t* p) {
    return uint16_t(p[0] | p[1] << 8);
}
uint32_t le32(const uint8_t* p) {
    return uint32_t(le16(p)) | uint32_t(le16(p + 2)) << 16;
}

// Where each stored pattern and instrument starts in the raw file, walked
// with the sizes the file gives (independently of the loader).
struct RawLayout {
    std::vector<uint32_t> patterns;
    std::vector<uint32_t> instruments;
    uint32_t end = 0;
};

RawLayout walk(const Resource& r) {
    RawLayout out;
    uint32_t at = 60 + le32(r.bytes + 60);
    const uint16_t patternCount = le16(r.bytes + 70);
    const uint16_t instrumentCount = le16(r.bytes + 72);
    for (int p = 0; p < patternCount && at + 9 <= r.size; ++p) {
        out.patterns.push_back(at);
        at += le32(r.bytes + at) + le16(r.bytes + at + 7);
    }
    for (int i = 0; i < instrumentCount && at + 29 <= r.size; ++i) {
        out.instruments.push_back(at);
        const uint32_t headerSize = le32(r.bytes + at);
        const uint16_t samples = le16(r.bytes + at + 27);
        uint32_t sampleHeaders = at + headerSize;
        uint32_t dataBytes = 0;
        for (int s = 0; s < samples && sampleHeaders + 40 <= r.size; ++s, sampleHeaders += 40)
            dataBytes += le32(r.bytes + sampleHeaders);
        at = sampleHeaders + dataBytes;
    }
    out.end = at;
    return out;
}

TEST(Track, IsEmbeddedAsTrackOfTypeXmWithItsFileHeader) {
    const Resource r = findResource("TRACK", "XM");
    ASSERT_NE(r.bytes, nullptr);
    ASSERT_GT(r.size, 336u);
    EXPECT_LT(r.size, 65536u);
    EXPECT_EQ(0, std::memcmp(r.bytes, "Extended Module: ", 17));
    char name[21] = {};
    std::memcpy(name, r.bytes + 17, 20);
    EXPECT_STREQ(name, "yulecard");
    EXPECT_EQ(r.bytes[37], 0x1A);
    EXPECT_NE(r.bytes[38], 0) << "a tracker name";
    EXPECT_EQ(le16(r.bytes + 58), 0x0104);
    EXPECT_EQ(le32(r.bytes + 60), 276u);

    // The file is exactly its parts: nothing missing, nothing trailing.
    const RawLayout layout = walk(r);
    ASSERT_EQ(layout.patterns.size(), 10u);
    ASSERT_EQ(layout.instruments.size(), 12u);
    EXPECT_EQ(layout.end, r.size);
    for (uint32_t at : layout.patterns) {
        EXPECT_EQ(le32(r.bytes + at), 9u);
        EXPECT_EQ(le16(r.bytes + at + 5), 64);
    }
    EXPECT_EQ(le16(r.bytes + layout.patterns[8] + 7), 0) << "pattern 8 is stored empty";
    for (int p = 0; p < 10; ++p) {
        if (p != 8) {
            EXPECT_GT(le16(r.bytes + layout.patterns[p] + 7), 64 * 14) << "pattern " << p;
        }
    }
}

TEST(Track, SamplesAreStoredIn8And16BitWithBothLoopKinds) {
    const Resource r = findResource("TRACK", "XM");
    ASSERT_NE(r.bytes, nullptr);
    const RawLayout layout = walk(r);
    ASSERT_EQ(layout.instruments.size(), 12u);
    std::set<int> widths, loops;
    for (int i = 0; i < 12; ++i) {
        const uint8_t* in = r.bytes + layout.instruments[i];
        const uint8_t* sh = in + le32(in);
        for (int s = 0; s < le16(in + 27); ++s, sh += 40) {
            if (le32(sh) == 0) continue;
            const int type = sh[14];
            widths.insert(type & 0x10 ? 16 : 8);
            loops.insert(type & 3);
            if (type & 0x10) {
                EXPECT_EQ(le32(sh) % 2, 0u) << "16-bit sample of odd byte length";
            }
            EXPECT_EQ(sh[17], 0) << "reserved byte (not ADPCM)";
        }
    }
    EXPECT_EQ(widths, (std::set<int>{8, 16}));
    EXPECT_EQ(loops, (std::set<int>{0, 1, 2}));  // one-shots, forward and ping-pong
}

TEST(Track, LoadsWithTheStructureTheCardExpects) {
    SongPtr song = loadTrack();
    ASSERT_NE(song, nullptr) << lastLoadError().message;
    EXPECT_EQ(lastLoadRepairs().count, 0) << lastLoadRepairs().first;
    EXPECT_EQ(song->channelCount, 14);
    EXPECT_EQ(song->songLength, 9);
    EXPECT_EQ(song->restartPosition, 1);
    const uint8_t orders[9] = {9, 0, 1, 2, 3, 4, 5, 6, 7};
    EXPECT_EQ(0, std::memcmp(song->orders, orders, 9));
    for (int i = 9; i < 256; ++i) EXPECT_EQ(song->orders[i], 0) << "order " << i;
    EXPECT_EQ(song->usedPatternCount, 10);
    EXPECT_EQ(song->patternCount, 10);
    EXPECT_EQ(song->instrumentCount, 12);
    EXPECT_EQ(song->flags, SONG_LINEAR_FREQUENCIES);
    EXPECT_EQ(song->defaultSpeed, 6);
    EXPECT_EQ(song->defaultBpm, 128);

    for (int p = 0; p < 10; ++p) EXPECT_EQ(song->patterns[p].rows, 64) << "pattern " << p;
    const NoteCell* unused = song->patterns[8].cells;
    for (int c = 0; c < 64 * 14; ++c) EXPECT_EQ(unused[c].note | unused[c].instrument, 0);

    for (int i = 4; i <= 8; ++i) {  // instruments 5 to 9 of the file
        const Instrument& in = song->instruments[i];
        EXPECT_EQ(in.sampleCount, 1) << "instrument " << i + 1;
        EXPECT_EQ(in.samples[0]->length, 0u);
        EXPECT_EQ(in.samples[0]->data, nullptr);
    }
}

TEST(Track, InstrumentsUseEnvelopesFadeoutAndAutoVibrato) {
    SongPtr song = loadTrack();
    ASSERT_NE(song, nullptr) << lastLoadError().message;
    bool volumeSustain = false, volumeLoop = false, panning = false, vibrato = false;
    int withFadeout = 0;
    for (int i : {0, 1, 2, 3, 9, 10, 11}) {
        const Instrument& in = song->instruments[i];
        ASSERT_GE(in.sampleCount, 1) << "instrument " << i + 1;
        for (int s = 0; s < in.sampleCount; ++s) {
            const Sample& sm = *in.samples[s];
            EXPECT_GT(sm.length, 0u) << "instrument " << i + 1 << " sample " << s;
            EXPECT_LE(uint64_t(sm.loopStart) + sm.loopLength, sm.length);
        }
        volumeSustain |= (in.volumeFlags & (ENVELOPE_ON | ENVELOPE_SUSTAIN)) == 3;
        volumeLoop |= (in.volumeFlags & (ENVELOPE_ON | ENVELOPE_LOOP)) == 5;
        panning |= (in.panningFlags & ENVELOPE_ON) != 0;
        vibrato |= in.autoVibratoDepth != 0 && in.autoVibratoRate != 0;
        withFadeout += in.fadeout != 0;
        for (const Envelope& e : {volumeEnvelope(in), panningEnvelope(in)}) {
            if (!(e.flags & ENVELOPE_ON)) continue;
            ASSERT_LE(e.pointCount, ENVELOPE_FILE_POINTS);
            for (int p = 1; p < e.pointCount; ++p) EXPECT_GT(e.points[p].x, e.points[p - 1].x);
            if (e.flags & ENVELOPE_SUSTAIN) {
                EXPECT_LT(e.sustain, e.pointCount);
            }
            if (e.flags & ENVELOPE_LOOP) {
                EXPECT_LT(e.loopEnd, e.pointCount);
                EXPECT_LE(e.loopStart, e.loopEnd);
            }
        }
    }
    EXPECT_TRUE(volumeSustain);
    EXPECT_TRUE(volumeLoop);
    EXPECT_TRUE(panning);
    EXPECT_TRUE(vibrato);
    EXPECT_GE(withFadeout, 3);
}

TEST(Track, EveryNoteSoundsAndOnlyEffectsThePlayerActsOnAreUsed) {
    SongPtr song = loadTrack();
    ASSERT_NE(song, nullptr) << lastLoadError().message;
    // Effect types the player acts on (the E commands and the rest are
    // ignored, so music relying on them would not sound as written).
    const std::set<int> acted = {0,  1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11,
                                 12, 13, 15, 16, 17, 20, 21, 25, 27, 29, 33};
    int notes = 0;
    for (int p = 0; p < 10; ++p) {
        const Pattern& pat = song->patterns[p];
        for (int c = 0; c < pat.rows * song->channelCount; ++c) {
            const NoteCell& cell = pat.cells[c];
            if (cell.effect || cell.param) {
                EXPECT_TRUE(acted.count(cell.effect)) << "pattern " << p << " cell " << c;
            }
            if (cell.effect == 15) ADD_FAILURE() << "tempo changes would break the pass length";
            if (cell.note == 0 || cell.note == 255 || cell.instrument == 0) continue;
            ASSERT_LE(cell.note, 96);
            ASSERT_LE(cell.instrument, song->instrumentCount);
            const Instrument& in = song->instruments[cell.instrument - 1];
            const int slot = in.sampleMap[cell.note - 1];
            ASSERT_LT(slot, in.sampleCount) << "pattern " << p << " cell " << c;
            EXPECT_GT(in.samples[slot]->length, 0u) << "a silent note, pattern " << p;
            ++notes;
        }
    }
    EXPECT_GT(notes, 500);
}

// Renders the intro, one pass of the loop and a little of the next pass.
struct Rendered {
    std::vector<int16_t> pcm;  // stereo frames
    int64_t introFrames = 0;
    int64_t passEnd = 0;  // first frame of the second pass
};

double dbfs(double rms) {
    return 20.0 * std::log10(rms / 32768.0);
}

double rmsOf(const std::vector<int16_t>& pcm, int64_t from, int64_t to) {
    double sum = 0;
    for (int64_t i = 2 * from; i < 2 * to; ++i) sum += double(pcm[i]) * pcm[i];
    return std::sqrt(sum / double(2 * (to - from)));
}

class TrackSound : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        song_ = loadTrack().release();
        ASSERT_NE(song_, nullptr) << lastLoadError().message;
    }
    static void TearDownTestSuite() {
        freeSong(song_);
        song_ = nullptr;
        rendered_ = Rendered{};
    }
    // Rendered on first use only: the render is the slow part of the suite.
    static const Rendered& rendered() {
        if (rendered_.pcm.empty() && song_ != nullptr) {
            // 9 orders of 64 rows, 6 ticks a row, 859 frames a tick at 128 BPM.
            const int64_t patternFrames = 64 * 6 * 859;
            rendered_.introFrames = patternFrames;
            rendered_.passEnd = 9 * patternFrames;
            const int64_t frames = rendered_.passEnd + RATE;
            rendered_.pcm.assign(size_t(2 * frames), 0);
            OfflineRender render;
            if (startOfflineRender(render, song_, RATE)) {
                renderPcm16(render, rendered_.pcm.data(), int32_t(frames));
            }
        }
        return rendered_;
    }
    static inline Song* song_ = nullptr;
    static inline Rendered rendered_;
};

TEST_F(TrackSound, OnePassIsTheIntroAndAMinuteOfLoop) {
    ASSERT_NE(song_, nullptr);
    setOutputFormat(RATE);  // the tick length depends on the rate
    EXPECT_EQ(measurePassFrames(song_, 10 * 60 * RATE), 9 * 64 * 6 * 859);
    // The loop alone: 8 patterns, 2,638,848 frames or 59.97 s.
}

TEST_F(TrackSound, IsLoudEnoughWithoutClippingAndNeverFallsSilent) {
    const Rendered& r = rendered();
    const auto& pcm = r.pcm;
    ASSERT_FALSE(pcm.empty());
    int peak = 0;
    for (int16_t v : pcm) peak = std::max(peak, std::abs(int(v)));
    EXPECT_LT(peak, 32767) << "the mix reaches full scale";
    const double loudness = dbfs(rmsOf(pcm, r.introFrames, r.passEnd));
    EXPECT_GT(loudness, -18.0);
    EXPECT_LT(loudness, -12.0);

    // Near-silence (below -60 dBFS) in 10 ms windows, after the intro.
    const int64_t window = RATE / 100;
    int64_t quiet = 0, longest = 0;
    for (int64_t f = r.introFrames; f + window <= r.passEnd; f += window) {
        quiet = dbfs(rmsOf(pcm, f, f + window)) < -60.0 ? quiet + window : 0;
        longest = std::max(longest, quiet);
    }
    EXPECT_LE(longest, RATE / 2) << "a silent gap of " << longest << " frames";
}

TEST_F(TrackSound, LoopSeamIsNoRougherThanAnyOtherPatternStart) {
    const Rendered& r = rendered();
    const auto& pcm = r.pcm;
    ASSERT_FALSE(pcm.empty());
    const int64_t seam = r.passEnd, first = r.introFrames, n20 = RATE / 50;
    const int64_t patternFrames = (seam - first) / 8;

    // Coming round again sounds like coming in from the intro, and the end
    // of the pass does not drop out before it.
    const double again = dbfs(rmsOf(pcm, seam, seam + n20));
    const double firstTime = dbfs(rmsOf(pcm, first, first + n20));
    const double before = dbfs(rmsOf(pcm, seam - n20, seam));
    EXPECT_NEAR(again, firstTime, 1.5);
    EXPECT_GT(before, -30.0);
    EXPECT_LT(again - before, 12.0);

    // A click is a step between neighbouring frames. Every pattern starts
    // on a downbeat, so the largest step within 2 ms of the seam is compared
    // with the same around the other pattern starts.
    auto roughness = [&](int64_t at) {
        int most = 0;
        for (int64_t f = at - RATE / 500; f < at + RATE / 500; ++f) {
            most = std::max(
                {most, std::abs(pcm[2 * f] - pcm[2 * f - 2]), std::abs(pcm[2 * f + 1] - pcm[2 * f - 1])});
        }
        return most;
    };
    int others = 0;
    for (int p = 0; p < 8; ++p) others = std::max(others, roughness(first + p * patternFrames));
    EXPECT_LE(roughness(seam), others * 11 / 10);
}

}  // namespace
