// Rendering without a sound device: the block core, the offline renderer,
// the length of one pass, and every corpus module.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "music/loader.h"
#include "music/mixer.h"
#include "music/rows.h"
#include "song_builder.h"

using namespace testsong;

namespace {

int clockCalls = 0;
void countingTick(Song* song) {
    ++clockCalls;
    songTick(song);
}

// A short busy song: looping and one-shot samples, slides, vibrato, arpeggio,
// a retrig, a tempo change and a jump back to order 1.
struct BusySong {
    Builder b{4};
    BusySong() {
        int a = b.pattern(16);
        int c = b.pattern(8);
        int loop = b.instrument(
            {.length = 3000, .loopStart = 1000, .loopLength = 1500, .loopType = SAMPLE_FORWARD_LOOP});
        int pingpong = b.instrument({.length = 2000,
                                     .loopStart = 200,
                                     .loopLength = 700,
                                     .loopType = SAMPLE_PINGPONG_LOOP,
                                     .panning = 40});
        int shot = b.instrument({.length = 5000, .volume = 50, .relativeNote = -12});
        b.put(a, 0, 0, C4, loop, 0, EFFECT_VIBRATO, 0x46);
        b.put(a, 0, 1, 61, pingpong, 0x30, EFFECT_ARPEGGIO, 0x47);
        b.put(a, 0, 2, 37, shot, 0, EFFECT_SET_SPEED, 0x90);
        b.put(a, 4, 1, 0, 0, 0, EFFECT_VOLUME_SLIDE, 0x03);
        b.put(a, 6, 3, D4, shot, 0, EFFECT_MULTI_RETRIG, 0x52);
        b.put(a, 8, 0, 73, 0, 0, EFFECT_TONE_PORTA, 0x08);
        b.put(a, 10, 2, 0, 0, 0xC8, EFFECT_PANNING_SLIDE, 0x0A);
        b.put(a, 12, 1, KEY_OFF);
        b.put(c, 0, 0, 25, loop, 0x40, EFFECT_PORTA_DOWN, 0x04);
        b.put(c, 3, 3, C4, pingpong, 0, EFFECT_SAMPLE_OFFSET, 0x02);
        b.put(c, 7, 0, 0, 0, 0, EFFECT_POSITION_JUMP, 1);
        b.orders({static_cast<uint8_t>(a), static_cast<uint8_t>(c)});
    }
};

std::vector<int16_t> renderAll(Song* song, int32_t rate, int32_t frames) {
    OfflineRender render;
    EXPECT_TRUE(startOfflineRender(render, song, rate));
    std::vector<int16_t> pcm(static_cast<size_t>(frames) * 2);
    renderPcm16(render, pcm.data(), frames);
    return pcm;
}

bool silent(const std::vector<int16_t>& pcm) {
    return std::all_of(pcm.begin(), pcm.end(), [](int16_t s) { return s == 0; });
}

}  // namespace

TEST(RenderBlock, RunsTheClockBeforeTheFirstFrame) {
    Builder b{1};
    b.pattern(4);
    b.orders({0});
    Song* song = b.start();
    song->tickCallback = countingTick;
    clockCalls = 0;
    std::vector<float> block(880 * 2, 1.0f);
    renderBlock(song, block.data(), 880);
    EXPECT_EQ(clockCalls, 1);
    EXPECT_EQ(song->samplesLeftInTick, 0);
    EXPECT_TRUE(std::all_of(block.begin(), block.end(), [](float v) { return v == 0.0f; }))
        << "the block is cleared before mixing";
}

TEST(RenderBlock, TicksLongerThanABlockCarryOver) {
    Builder b{1};
    b.pattern(4);
    b.orders({0});
    b.song().defaultBpm = 110;  // 1,000 frames per tick at 44,000
    Song* song = b.start();
    song->tickCallback = countingTick;
    clockCalls = 0;
    std::vector<float> block(880 * 2);
    renderBlock(song, block.data(), 880);
    EXPECT_EQ(clockCalls, 1);
    EXPECT_EQ(song->samplesLeftInTick, 120);
    renderBlock(song, block.data(), 880);
    EXPECT_EQ(clockCalls, 2);
    EXPECT_EQ(song->samplesLeftInTick, 240);
}

TEST(RenderBlock, TempoChangeAppliesToItsOwnTick) {
    Builder b{1};
    int p = b.pattern(4);
    b.orders({0});
    b.put(p, 0, 0, 0, 0, 0, EFFECT_SET_SPEED, 255);  // 431 frames per tick
    Song* song = b.start();
    std::vector<float> block(880 * 2);
    renderBlock(song, block.data(), 880);
    EXPECT_EQ(song->samplesLeftInTick, 431 * 3 - 880);
}

TEST(RenderBlock, NoTickWithoutFrames) {
    Builder b{1};
    b.pattern(4);
    b.orders({0});
    Song* song = b.start();
    clockCalls = 0;
    std::vector<float> block(100 * 2);
    song->tickCallback = [](Song* s) {
        ++clockCalls;
        s->samplesPerTick = 0;
    };
    renderBlock(song, block.data(), 100);
    EXPECT_EQ(clockCalls, 100) << "a tick of no frames counts as one frame";
}

TEST(OfflineRender, SameSongTwiceGivesTheSameStream) {
    BusySong s;
    Song* song = s.b.start();
    std::vector<int16_t> first = renderAll(song, 44000, 44000 * 3);
    std::vector<int16_t> second = renderAll(song, 44000, 44000 * 3);
    ASSERT_FALSE(silent(first));
    EXPECT_EQ(first, second);
}

TEST(OfflineRender, ChunkSizesDoNotChangeTheStream) {
    BusySong s;
    Song* song = s.b.start();
    const int32_t total = 44100 * 2;
    std::vector<int16_t> whole = renderAll(song, 44100, total);

    OfflineRender render;
    ASSERT_TRUE(startOfflineRender(render, song, 44100));
    std::vector<int16_t> pieces(static_cast<size_t>(total) * 2);
    int32_t done = 0;
    const int32_t sizes[] = {1, 333, 7000, 884, 2, 50000};
    for (int i = 0; done < total; ++i) {
        const int32_t n = std::min(sizes[i % 6], total - done);
        renderPcm16(render, pieces.data() + static_cast<size_t>(done) * 2, n);
        done += n;
    }
    EXPECT_EQ(render.framesOut, total);
    EXPECT_EQ(whole, pieces);
}

// The offline stream is what the audio output's ring receives: blocks of
// blockFrames, each rendered whole and converted.
TEST(OfflineRender, MatchesTheDeviceBlocks) {
    for (int32_t rate : {44000, 44100, 22050, 8000}) {
        BusySong s;
        Song* song = s.b.start(rate);  // sets blockFrames for the rate
        const int32_t blocks = 60;
        std::vector<int16_t> offline = renderAll(song, rate, blocks * blockFrames);

        clearVoices();
        resetPlayback(song);
        std::vector<float> mix(static_cast<size_t>(blockFrames) * 2);
        std::vector<int16_t> ring(static_cast<size_t>(blocks) * blockFrames * 2);
        for (int k = 0; k < blocks; ++k) {
            renderBlock(song, mix.data(), blockFrames);
            convertToPcm16(ring.data() + static_cast<size_t>(k) * blockFrames * 2, mix.data(), blockFrames);
        }
        EXPECT_EQ(offline, ring) << rate << " Hz";
    }
}

TEST(OfflineRender, SplitPointsArePartOfTheSound) {
    // Guards the reason the block size is fixed: cutting the same frames
    // differently rounds the ramps differently.
    BusySong s;
    Song* song = s.b.start();
    std::vector<int16_t> blocksOf880 = renderAll(song, 44000, 44000);
    clearVoices();
    resetPlayback(song);
    std::vector<float> mix(44000 * 2);
    for (int32_t done = 0; done < 44000; done += 1000) {
        renderBlock(song, mix.data() + done * 2, 1000);
    }
    std::vector<int16_t> blocksOf1000(44000 * 2);
    convertToPcm16(blocksOf1000.data(), mix.data(), 44000);
    EXPECT_NE(blocksOf880, blocksOf1000);
}

TEST(OfflineRender, RefusesBadArguments) {
    BusySong s;
    Song* song = s.b.start();
    OfflineRender render;
    EXPECT_FALSE(startOfflineRender(render, nullptr, 44000));
    EXPECT_FALSE(startOfflineRender(render, song, 0));
    EXPECT_FALSE(startOfflineRender(render, song, 999));
    EXPECT_FALSE(startOfflineRender(render, song, 400000));
    EXPECT_TRUE(startOfflineRender(render, song, 1000));
    setOutputFormat(44000);
}

TEST(PassLength, StopsWhereThePlaybackRepeats) {
    {
        Builder b{1};
        b.pattern(4);
        b.pattern(4);
        b.orders({0, 1});
        Song* song = b.start();
        EXPECT_EQ(measurePassFrames(song, 10'000'000), 8 * 6 * 880);
        EXPECT_EQ(song->tick, 0);
        EXPECT_EQ(song->row, 0);
        EXPECT_EQ(song->nextRow, -1);
    }
    {
        Builder b{1};
        int p = b.pattern(4);
        int q = b.pattern(4);
        b.put(q, 1, 0, 0, 0, 0, EFFECT_POSITION_JUMP, 1);  // back to its own top
        b.orders({static_cast<uint8_t>(p), static_cast<uint8_t>(q)});
        Song* song = b.start();
        EXPECT_EQ(measurePassFrames(song, 10'000'000), 6 * 6 * 880);
        EXPECT_EQ(measurePassFrames(song, 1000), 1000) << "capped";
    }
    {
        // Restart position 1: the pass ends when order 1 comes round again.
        Builder b{1};
        int p = b.pattern(2);
        b.orders({static_cast<uint8_t>(p), static_cast<uint8_t>(p), static_cast<uint8_t>(p)}, 1);
        b.song().defaultSpeed = 0;  // every tick a row tick
        Song* song = b.start();
        EXPECT_EQ(measurePassFrames(song, 10'000'000), 6 * 880);
    }
}

// Every module of the corpus, 60 seconds of float mix: nothing that is not
// a finite number may come out.
class CorpusRender : public testing::TestWithParam<std::string> {};

namespace {

std::vector<std::string> corpusModules() {
    std::vector<std::string> names;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(YULE_CORPUS_DIR, error)) {
        if (entry.path().extension() == ".xm") names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace

TEST_P(CorpusRender, SixtySecondsOfFiniteSamples) {
    const std::string path = std::string(YULE_CORPUS_DIR) + "/" + GetParam();
    Song* song = createSongFromFile(path.c_str());
    ASSERT_NE(song, nullptr) << path;
    OfflineRender render;
    ASSERT_TRUE(startOfflineRender(render, song, 44000));
    std::vector<float> mix(44000 * 2);
    bool sound = false;
    for (int second = 0; second < 60; ++second) {
        renderFloat(render, mix.data(), 44000);
        for (size_t i = 0; i < mix.size(); ++i) {
            ASSERT_TRUE(std::isfinite(mix[i])) << GetParam() << " at second " << second;
            sound = sound || mix[i] != 0.0f;
        }
    }
    EXPECT_TRUE(sound) << "a minute of silence";
    freeSong(song);
}

INSTANTIATE_TEST_SUITE_P(Modules, CorpusRender, testing::ValuesIn(corpusModules()),
                         [](const testing::TestParamInfo<std::string>& info) {
                             std::string name = info.param.substr(0, info.param.size() - 3);
                             for (char& c : name) {
                                 if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                             }
                             return name;
                         });
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(CorpusRender);

// Where the corpus is at hand it gives the render tests above their modules:
// a listing that found none fails here rather than running no test at all.
TEST(CorpusRenderPresent, TheCorpusGivesTheRenderTestsTheirModules) {
    if (!std::filesystem::is_directory(YULE_CORPUS_DIR))
        GTEST_SKIP() << "no XM corpus at " << YULE_CORPUS_DIR;
    EXPECT_FALSE(corpusModules().empty()) << YULE_CORPUS_DIR << " holds no .xm module";
}
