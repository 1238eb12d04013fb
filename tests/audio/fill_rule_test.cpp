// The feeder against devices that report their position coarsely or late:
// each case moves the fake device's play position as a real device would and
// runs feeder passes by hand (the host-driven feeder, so no thread decides
// when), then checks the underrun count and that the ring holds exactly the
// blocks the offline renderer gives for the card's module.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "audio/audio_fixture.h"
#include "music/audio_output.h"
#include "music/output_format.h"
#include "music/render.h"
#include "platform/resources.h"

namespace {

constexpr int32_t RATE = 44000;
constexpr int32_t BLOCK = 880;  // frames per block at that rate
constexpr int32_t BLOCKS = 100;
constexpr int32_t OFFLINE_BLOCKS = 2000;  // 40 s: more than any case plays

// The card's module rendered offline, block after block (its first minute
// never repeats, so a block out of place cannot pass for the right one).
const std::vector<int16_t>& offlineMusic() {
    static const std::vector<int16_t> music = [] {
        std::vector<int16_t> pcm(static_cast<size_t>(OFFLINE_BLOCKS) * BLOCK * 2);
        const Resource track = findResource("TRACK", "XM");
        Song* song = createSongFromMemory(track.bytes, track.size);
        if (song == nullptr) return std::vector<int16_t>{};
        OfflineRender render;
        startOfflineRender(render, song, RATE);
        renderPcm16(render, pcm.data(), OFFLINE_BLOCKS * BLOCK);
        freeSong(song);
        return pcm;
    }();
    return music;
}

class FillRule : public audiotest::AudioOutputTest {
  protected:
    void SetUp() override {
        AudioOutputTest::SetUp();
        ASSERT_FALSE(offlineMusic().empty()) << "the card's module does not load";
        setFeeding(Feeding::ByHost);
        ASSERT_TRUE(openOutput(RATE));
        ASSERT_EQ(blockFrames, BLOCK);
        song = createSong("TRACK", nullptr);
        ASSERT_NE(song, nullptr);
        ASSERT_TRUE(startPlayback(song));
    }

    // The device has played `frames` frames since the start; a feeder pass
    // follows unless the feeder is stalled.
    void playTo(uint64_t frames, bool pass = true) {
        played = frames;
        fake.played.store(frames * 4);
        if (pass) feederPass();
    }

    // Moves the device on in steps of `step` frames, a pass after each, until
    // it has played `until` frames.
    void playInSteps(uint64_t step, uint64_t until) {
        while (played + step <= until) playTo(played + step);
    }

    // Every ring block but the one the device plays holds the music block the
    // writer put there: going back from the last one filled, blocks
    // blocksFilled - 1, - 2, ... of the offline rendering.
    void expectRingIsTheMusic(const std::string& when) {
        const uint64_t filled = blocksFilled();
        ASSERT_LE(filled, static_cast<uint64_t>(OFFLINE_BLOCKS)) << when;
        const size_t samples = static_cast<size_t>(BLOCK) * 2;
        const int32_t playing = static_cast<int32_t>(played / BLOCK % BLOCKS);
        const int32_t next = writeIndex();
        for (int32_t back = 1; back < BLOCKS && back <= static_cast<int32_t>(filled); ++back) {
            const int32_t slot = (next - back + BLOCKS) % BLOCKS;
            if (slot == playing) continue;
            const int16_t* ring = ringBuffer() + slot * samples;
            const int16_t* expected = offlineMusic().data() + (filled - back) * samples;
            ASSERT_TRUE(std::equal(ring, ring + samples, expected))
                << when << ": ring block " << slot << " is not music block " << filled - back;
        }
    }

    uint64_t played = 0;
};

TEST_F(FillRule, PositionsThatJumpByManyBlocksLeaveNoGap) {
    // One block (a device with a small buffer), 4,096 and 8,192 frames (4.65
    // and 9.3 blocks: a device that takes that much at a time) and a whole
    // second; three laps of the ring each, crossing its end in every phase.
    for (const uint64_t step : {uint64_t{BLOCK}, uint64_t{4096}, uint64_t{8192}, uint64_t{RATE}}) {
        const uint64_t start = played;
        while (played + step <= start + 3u * BLOCKS * BLOCK) {
            playTo(played + step);
            expectRingIsTheMusic("steps of " + std::to_string(step) + " frames, at frame " +
                                 std::to_string(played));
            if (HasFatalFailure()) return;
        }
        EXPECT_EQ(underrunBlocks(), 0u) << "steps of " << step << " frames";
        EXPECT_EQ(blocksFilled(), BLOCKS + played / BLOCK) << "steps of " << step << " frames";
    }
}

TEST_F(FillRule, AJumpAcrossTheEndOfTheRingFillsEveryBlockTheDeviceLeft) {
    playTo(97 * BLOCK + 100);
    expectRingIsTheMusic("in block 97");
    playTo(103 * BLOCK + 100);  // 97 -> 3: blocks 97, 98, 99, 0, 1 and 2 are refilled
    expectRingIsTheMusic("in block 3");
    EXPECT_EQ(blocksFilled(), 203u);
    playTo(197 * BLOCK + 100);
    playTo(203 * BLOCK + 100);  // and again a lap later
    expectRingIsTheMusic("in block 3, a lap later");
    EXPECT_EQ(underrunBlocks(), 0u);
}

TEST_F(FillRule, AFeederStalledSixtyMillisecondsAtTheWrapCatchesUp) {
    // A device with a 512-frame buffer and a pass every 5 ms, except that the
    // feeder sleeps 60 ms (2,640 frames) just after the device entered the
    // last block of the ring, so it next looks from block 2 of the next lap.
    const uint64_t stallFrom = 99u * BLOCK + 100;
    const uint64_t stallTo = stallFrom + 60 * RATE / 1000;
    playInSteps(512, stallFrom);
    playTo(stallFrom);
    while (played + 512 < stallTo) playTo(played + 512, false);
    playTo(stallTo);
    EXPECT_EQ(played / BLOCK, 102u);
    expectRingIsTheMusic("after the stall");
    playInSteps(512, 3u * BLOCKS * BLOCK);
    expectRingIsTheMusic("two laps later");
    EXPECT_EQ(underrunBlocks(), 0u);
}

TEST_F(FillRule, AStallOfMoreThanTheRingSkipsToWhereTheDevicePlaysAndCountsTheGap) {
    playInSteps(4096, 150u * BLOCK);
    playTo(150u * BLOCK);  // the device enters block 150; 250 is the next to fill
    ASSERT_EQ(underrunBlocks(), 0u);
    const uint64_t before = blocksFilled();
    ASSERT_EQ(before, 250u);
    // 2.2 s without a pass: the device played the lap the feeder had filled
    // and went on into blocks 250 to 259, never refilled, and is in 260.
    const uint64_t at = played + 110u * BLOCK + 300;
    const uint64_t playing = at / BLOCK;
    playTo(at);
    EXPECT_EQ(underrunBlocks(), 11u);
    EXPECT_EQ(writeIndex(), static_cast<int32_t>(playing % BLOCKS)) << "filled round to the device";
    EXPECT_EQ(blocksFilled(), before + 99)
        << "every block but the one playing, with the music that comes next";
    expectRingIsTheMusic("after the skip");
    // From there on it plays as before.
    playInSteps(4096, played + 2u * BLOCKS * BLOCK);
    expectRingIsTheMusic("two laps after the skip");
    EXPECT_EQ(underrunBlocks(), 11u);
}

}  // namespace
