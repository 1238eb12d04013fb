#include "music/audio_output.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "audio/audio_fixture.h"
#include "music/channel.h"
#include "music/file_callbacks.h"
#include "music/loader.h"
#include "music/music_player.h"
#include "music/output_format.h"
#include "music/render.h"
#include "music/resource_stream.h"
#include "music/song.h"
#include "music/voice.h"
#include "platform/audio_device.h"

namespace {

using audiotest::AudioOutputTest;
using audiotest::tinyModule;

TEST_F(AudioOutputTest, SizesFollowTheRate) {
    struct Case {
        int32_t rate, block, ring, ramp;
    } cases[] = {
        {44000, 880, 88000, 127}, {44100, 884, 88400, 128}, {22050, 444, 44400, 64}, {8000, 160, 16000, 23}};
    for (const Case& c : cases) {
        ASSERT_TRUE(openOutput(c.rate)) << c.rate;
        EXPECT_EQ(outputRate, c.rate);
        EXPECT_EQ(blockFrames, c.block) << c.rate;
        EXPECT_EQ(ringFrames, c.ring) << c.rate;
        EXPECT_EQ(blockCount(), 100);
        EXPECT_EQ(rampFrames, c.ramp) << c.rate;
        EXPECT_EQ(rampReciprocal, static_cast<float>(1.0 / c.ramp));
        closeOutput();
    }
}

TEST_F(AudioOutputTest, RateTooLowForAFrameABlockStillPlaysInBlocksOfFour) {
    // 20 x 20 / 1000 rounds to no frames at all; the ring must still divide
    // into 100 blocks, or filling it would divide by zero.
    ASSERT_TRUE(openOutput(20));
    EXPECT_EQ(blockFrames, 4);
    EXPECT_EQ(ringFrames, 400);
    EXPECT_EQ(blockCount(), 100);
    ASSERT_NE(load(125), nullptr);
    ASSERT_TRUE(startPlayback(song));
    EXPECT_EQ(writeIndex(), 0);
    EXPECT_EQ(song->samplesPerTick, 1);
    EXPECT_TRUE(stopPlayback(song));
}

TEST_F(AudioOutputTest, OpenRefusesAbsurdRatesWithoutAskingTheDevice) {
    ASSERT_TRUE(openOutput(44000));
    closeOutput();
    fake.openedRate = 0;
    for (int32_t rate : {0, -44100, 384001, 200000000}) {
        EXPECT_FALSE(openOutput(rate)) << rate;
        EXPECT_EQ(fake.openedRate, 0) << rate;
        EXPECT_EQ(blockFrames, 880) << rate;  // the sizes keep their earlier values
    }
    EXPECT_TRUE(openOutput(384000));
    EXPECT_EQ(blockFrames, 7680);
}

TEST_F(AudioOutputTest, OpenRefusesWithoutFileCallbacksAndLeavesTheDeviceAlone) {
    FileCallbacks saved = registeredFileCallbacks();
    registerFileCallbacks(nullptr, nullptr, nullptr, nullptr, nullptr);
    EXPECT_FALSE(openOutput(44000));
    EXPECT_EQ(fake.openedRate, 0);
    registerFileCallbacks(saved);
    fake.opens = false;
    EXPECT_FALSE(openOutput(22050));
    EXPECT_EQ(outputRate, 22050);  // stored before the device refused
}

TEST_F(AudioOutputTest, OpenClearsTheVoices) {
    voices[3].volume = 99;
    voices[200].stepInt = 7;
    ASSERT_TRUE(openOutput(44000));
    EXPECT_EQ(voices[3].volume, 0);
    EXPECT_EQ(voices[200].stepInt, 1);
    EXPECT_EQ(voices[0].stepInt, 1);
}

TEST_F(AudioOutputTest, StartPlaybackPrefillsTheWholeRingThenLoopsIt) {
    ASSERT_TRUE(openOutput(44000));
    ASSERT_NE(load(125), nullptr);
    ASSERT_TRUE(startPlayback(song));
    EXPECT_EQ(fake.loops, 1);
    EXPECT_EQ(fake.ringBytes, 88000u * 4);
    EXPECT_EQ(fake.ring, ringBuffer());
    EXPECT_EQ(writeIndex(), 0);
    EXPECT_GE(fake.publishes.load(), 100);
    // 125 BPM at 44,000: one tick per block, so 100 ticks have run.
    EXPECT_EQ(song->samplesPerTick, 880);
    EXPECT_EQ(song->samplesLeftInTick, 0);
    EXPECT_TRUE(stopPlayback(song));
}

TEST_F(AudioOutputTest, TickStraddlingBlocksKeepsItsRest) {
    // A tick of 1,000 frames against 880-frame blocks (110 BPM at 44,000).
    ASSERT_TRUE(openOutput(44000));
    ASSERT_NE(load(110), nullptr);
    resetPlayback(song);
    ASSERT_EQ(song->samplesPerTick, 1000);
    std::vector<float> block(880 * 2);
    renderBlock(song, block.data(), 880);
    EXPECT_EQ(song->samplesLeftInTick, 120);
    renderBlock(song, block.data(), 880);
    EXPECT_EQ(song->samplesLeftInTick, 240);
}

TEST_F(AudioOutputTest, PlayingStreamIsTheOfflineRendering) {
    ASSERT_TRUE(openOutput(44000));
    ASSERT_NE(load(128), nullptr);
    ASSERT_TRUE(startPlayback(song));
    // Walk the device through three laps of the ring; after each step wait
    // until the feeder thread has refilled every block the device left, then
    // capture the block the device is entering.
    std::vector<int16_t> heard;
    const int32_t count = blockCount();
    const int prefill = fake.publishes.load();
    ASSERT_EQ(prefill, count);
    for (int32_t b = 0; b < 3 * count; ++b) {
        fake.played.store(static_cast<uint64_t>(b) * blockFrames * 4);
        for (int i = 0; i < 2000 && fake.publishes.load() < prefill + b; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        ASSERT_EQ(fake.publishes.load(), prefill + b) << "block " << b;
        const int16_t* blk = ringBuffer() + static_cast<size_t>(b % count) * blockFrames * 2;
        heard.insert(heard.end(), blk, blk + blockFrames * 2);
    }
    stopPlayback(song);

    Song* again = nullptr;
    {
        auto bytes = tinyModule(128);
        again = createSongFromMemory(bytes.data(), bytes.size());
    }
    ASSERT_NE(again, nullptr);
    OfflineRender offline;
    ASSERT_TRUE(startOfflineRender(offline, again, 44000));
    std::vector<int16_t> expected(heard.size());
    renderPcm16(offline, expected.data(), static_cast<int32_t>(heard.size() / 2));
    freeSong(again);
    ASSERT_EQ(heard.size(), expected.size());
    size_t firstDiff = 0;
    while (firstDiff < heard.size() && heard[firstDiff] == expected[firstDiff]) ++firstDiff;
    EXPECT_EQ(firstDiff, heard.size()) << "streams differ at sample " << firstDiff;
    bool sound = false;
    for (int16_t s : heard) sound |= s != 0;
    EXPECT_TRUE(sound);
}

TEST_F(AudioOutputTest, FreeingASongIdlesEveryVoiceThatPlayedIt) {
    ASSERT_TRUE(openOutput(44000));
    ASSERT_NE(load(125), nullptr);
    ASSERT_TRUE(startPlayback(song));
    ASSERT_TRUE(stopPlayback(song));
    ASSERT_NE(voices[0].sample, nullptr);  // the note still sounds in the voice
    freeSong(song);
    song = nullptr;
    for (const Voice& v : voices) ASSERT_EQ(v.sample, nullptr);
    // A new song started without reopening the output mixes no freed sample
    // (the address sanitizer build would report it).
    ASSERT_NE(load(128), nullptr);
    EXPECT_TRUE(startPlayback(song));
    EXPECT_TRUE(stopPlayback(song));
}

// The fill rule: how many blocks one pass fills, and from where.
TEST(Feeder, FillRule) {
    struct Case {
        int32_t p, write, filled;
    } cases[] = {
        {0, 97, 3},   // 97, 98, 99
        {1, 0, 1},    // 0
        {1, 98, 3},   // 98, 99, 0
        {5, 3, 2},    // 3, 4
        {5, 7, 98},   // the device ran 98 blocks on, past the end: all 98 it left
        {0, 0, 0},    // right after the start
        {1, 99, 2},   // 99, 0
        {2, 0, 2},    // 0, 1
        {99, 98, 1},  // steady state
        {0, 1, 99},   // device in block 0: fill up to the end of the ring
        {3, 97, 6},   // moved past the end of the ring: 97, 98, 99, 0, 1, 2
        {2, 99, 3},   // 99, 0, 1
    };
    for (const Case& c : cases)
        EXPECT_EQ(blocksToFill(c.p, c.write, 100), c.filled) << "P=" << c.p << " write=" << c.write;
}

TEST_F(AudioOutputTest, FeederThreadRefillsTheBlockTheDeviceLeft) {
    ASSERT_TRUE(openOutput(44000));
    ASSERT_NE(load(125), nullptr);
    ASSERT_TRUE(startPlayback(song));
    const int before = fake.publishes.load();
    // The device in block 0: the feeder fills nothing.
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    EXPECT_EQ(fake.publishes.load(), before);
    // The device enters block 1: block 0 is refilled, once.
    fake.played.store(static_cast<uint64_t>(blockFrames) * 4);
    for (int i = 0; i < 200 && fake.publishes.load() == before; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    EXPECT_EQ(fake.publishes.load(), before + 1);
    EXPECT_TRUE(stopPlayback(song));
    EXPECT_EQ(writeIndex(), 1);
    EXPECT_EQ(underrunBlocks(), 0u);
}

TEST_F(AudioOutputTest, CloseOrReopenWhilePlayingEndsTheFeederBeforeTheRingGoes) {
    for (bool reopen : {false, true}) {
        ASSERT_TRUE(openOutput(44000));
        if (song == nullptr) {
            ASSERT_NE(load(125), nullptr);
        }
        ASSERT_TRUE(startPlayback(song));
        if (reopen) {
            ASSERT_TRUE(openOutput(44000));
        } else {
            closeOutput();
        }
        // The device moves on: a feeder still running would now refill
        // blocks of a ring that is gone.
        const uint64_t filled = blocksFilled();
        fake.played.store(static_cast<uint64_t>(blockFrames) * 4 * 50);
        std::this_thread::sleep_for(std::chrono::milliseconds(40));
        EXPECT_EQ(blocksFilled(), filled) << (reopen ? "reopen" : "close");
        closeOutput();
        EXPECT_EQ(ringBuffer(), nullptr);
    }
}

TEST_F(AudioOutputTest, UnderrunsAreCountedWhenTheDeviceOvertakesTheFeeder) {
    ASSERT_TRUE(openOutput(44000));
    ASSERT_NE(load(125), nullptr);
    ASSERT_TRUE(startPlayback(song));
    stopPlayback(song);  // no feeder: the device runs on alone
    // The device is three blocks into its second lap: blocks 0, 1, 2 of that
    // lap were never refilled.
    fake.played.store((static_cast<uint64_t>(ringFrames) + 2 * blockFrames + 10) * 4);
    feederPass();
    EXPECT_EQ(underrunBlocks(), 3u);
}

TEST(Playback, StopWithoutPlaybackReturnsAtOnce) {
    Song dummy{};
    auto t0 = std::chrono::steady_clock::now();
    EXPECT_TRUE(stopPlayback(&dummy));
    EXPECT_FALSE(stopPlayback(nullptr));
    EXPECT_FALSE(startPlayback(nullptr));
    EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(1));
}

TEST_F(AudioOutputTest, PlaybackCyclesReleaseEverything) {
    // Run under the thread and leak sanitizers in CI: no race, no leak.
    for (int i = 0; i < 100; ++i) {
        ASSERT_TRUE(openOutput(8000));
        ASSERT_NE(load(255), nullptr);
        ASSERT_TRUE(startPlayback(song));
        fake.played.store(static_cast<uint64_t>(blockFrames) * 4 * (i % 7));
        std::this_thread::sleep_for(std::chrono::microseconds(200));
        ASSERT_TRUE(stopPlayback(song));
        freeSong(song);
        song = nullptr;
        closeOutput();
    }
    EXPECT_EQ(ringBuffer(), nullptr);
}

TEST(MusicPlayer, SilentWithoutTheModuleOrTheDevice) {
    MusicPlayer player;  // registers the resource callbacks
    EXPECT_TRUE(fileCallbacksRegistered());
    EXPECT_EQ(player.load("NO_SUCH_MODULE", nullptr), 0);
    EXPECT_EQ(player.play(), 0);
    EXPECT_EQ(player.stop(), 0);
    EXPECT_EQ(player.close(), 1);
}

TEST(MusicPlayer, PlaysTheCardsModuleThroughTheDummyDriver) {
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    MusicPlayer player;
    if (player.init(44000) == 0) GTEST_SKIP() << "no sound driver here";
    ASSERT_EQ(player.load("TRACK", nullptr), 1) << "the card's module: " << lastLoadError().message;
    EXPECT_EQ(player.play(), 1);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(player.stop(), 1);
    EXPECT_EQ(player.close(), 1);
}

}  // namespace
