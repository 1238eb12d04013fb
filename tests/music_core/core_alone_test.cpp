// This program links the music core and nothing of the platform: it builds
// only while the core needs no sound device, window or thread library, and
// it checks that no SDL library came along at run time either.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "loader/xm_builder.h"
#include "music/loader.h"
#include "music/render.h"
#include "music/song.h"
#include "music/voice.h"
#include "support/fnv1a.h"

namespace {

// FNV-1a of the card's music, its first ten seconds at 44,000 Hz, as the
// card's xmrender wrote them before the house was rebuilt.
constexpr const char* TRACK_FIRST_TEN_SECONDS = "2d65f02bdc2e6722";

// One channel of a looped square wave, a note on row 0 of channel `channel`.
std::vector<uint8_t> squareWaveModule(uint8_t channel = 0) {
    xmtest::ModuleSpec m;
    m.channels = 2;
    xmtest::PatternSpec p;
    p.rows = 16;
    for (int row = 0; row < p.rows; ++row) {
        for (uint8_t c = 0; c < 2; ++c) {
            if (row == 0 && c == channel) {
                p.packed.insert(p.packed.end(), {49, 1, 0, 0, 0});  // C-4, instrument 1
            } else {
                p.packed.push_back(0x80);
            }
        }
    }
    m.patterns = {p};
    xmtest::SampleSpec s;
    int8_t previous = 0;
    for (int i = 0; i < 32; ++i) {
        const int8_t v = i < 16 ? 60 : -60;
        s.data.push_back(static_cast<uint8_t>(static_cast<int8_t>(v - previous)));
        previous = v;
    }
    s.loopLength = 32;
    s.type = 1;  // forward loop, 8-bit
    xmtest::InstrumentSpec in;
    in.samples.push_back(s);
    m.instruments.push_back(in);
    return xmtest::buildXm(m);
}

Song* load(const std::vector<uint8_t>& bytes) {
    return createSongFromMemory(bytes.data(), bytes.size());
}

std::vector<int16_t> render(Song* song, int32_t frames) {
    OfflineRender r;
    EXPECT_TRUE(startOfflineRender(r, song, 44000));
    std::vector<int16_t> pcm(static_cast<size_t>(frames) * 2);
    renderPcm16(r, pcm.data(), frames);
    return pcm;
}

TEST(MusicCore, LoadsAndRendersWithoutAnyDevice) {
    Song* song = load(squareWaveModule());
    ASSERT_NE(song, nullptr) << lastLoadError().message;
    const std::vector<int16_t> first = render(song, 44000);
    int peak = 0;
    for (int16_t s : first) peak = std::max(peak, std::abs(static_cast<int>(s)));
    EXPECT_GT(peak, 1000) << "the note is heard";
    EXPECT_EQ(render(song, 44000), first) << "a render starts the song afresh";
    freeSong(song);

    // The card's own module, from its file, sounds as the card plays it: its
    // first ten seconds against the golden pin's start, taken from the card.
    Song* track = createSongFromFile(YULE_SOURCE_DIR "/resources/track.xm");
    ASSERT_NE(track, nullptr) << lastLoadError().message;
    const std::vector<int16_t> music = render(track, 10 * 44000);
    EXPECT_EQ(testsupport::hex64(testsupport::fnv1a(music.data(), music.size() * 2)),
              TRACK_FIRST_TEN_SECONDS);
    freeSong(track);
}

TEST(MusicCore, NoSdlLibraryIsLoaded) {
    std::ifstream maps("/proc/self/maps");
    if (!maps) GTEST_SKIP() << "no /proc/self/maps here";
    std::string line;
    while (std::getline(maps, line)) EXPECT_EQ(line.find("libSDL"), std::string::npos) << line;
}

TEST(MusicCore, FreeingASongIdlesOnlyTheVoicesThatPointAtIt) {
    Song* a = load(squareWaveModule(0));
    Song* b = load(squareWaveModule(1));
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    // Voices keep their notes from one song to the next: after a render of
    // a and one of b, voice 0 still plays a's sample and voice 1 b's.
    OfflineRender ra;
    ASSERT_TRUE(startOfflineRender(ra, a, 44000));
    std::vector<int16_t> pcm(2 * 880);
    renderPcm16(ra, pcm.data(), 880);
    const Sample* sampleOfA = a->instruments[0].samples[0];
    const Sample* sampleOfB = b->instruments[0].samples[0];
    ASSERT_EQ(voices[0].sample, sampleOfA);
    resetPlayback(b);
    std::vector<float> block(2 * 880);
    renderBlock(b, block.data(), 880);
    ASSERT_EQ(voices[1].sample, sampleOfB);
    voices[2].sample = &emptySample;  // the shared placeholder belongs to no song

    freeSong(a);
    EXPECT_EQ(voices[0].sample, nullptr);
    EXPECT_EQ(voices[1].sample, sampleOfB);
    EXPECT_EQ(voices[2].sample, &emptySample);
    renderBlock(b, block.data(), 880);  // mixes no freed sample (the address sanitizer would say)
    freeSong(b);
    EXPECT_EQ(voices[1].sample, nullptr);
    clearVoices();
}

}  // namespace
