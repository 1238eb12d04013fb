// Starting and stopping playback when things go wrong, a host that drives
// the feeder itself, and songs freed while they play.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <thread>
#include <vector>

#include "audio/audio_fixture.h"
#include "music/audio_output.h"
#include "music/music_player.h"
#include "music/output_format.h"
#include "music/render.h"
#include "music/voice.h"
#include "platform/audio_device.h"
#include "tests/support/allocation_counter.h"

namespace {

using audiotest::AudioOutputTest;
using audiotest::tinyModule;
using namespace std::chrono_literals;

// Waits (up to ten seconds) until the fake device has seen `n` publishes.
bool waitForPublishes(const audiotest::FakeDevice& device, int n) {
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (device.publishes.load() < n) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

TEST_F(AudioOutputTest, OpenRefusesADeviceThatTakesMoreThanHalfTheRingAtATime) {
    fake.transferFrames = 44001;  // more than a second
    EXPECT_FALSE(openOutput(44000));
    EXPECT_FALSE(fake.isOpen);
    EXPECT_EQ(fake.closes, 1);
    fake.transferFrames = 44000;
    EXPECT_TRUE(openOutput(44000));
}

TEST(SoundDevice, TakesAbout370MillisecondsAtATime) {
    // Measured on a loaded machine: shorter buffers let a sound server run
    // dry. The dummy driver grants what is asked, as every driver must here.
    AudioDevice* device = platformAudioDevice();
    if (device == nullptr) GTEST_SKIP() << "no sound device on this platform";
    const struct { int32_t rate, frames; } cases[] = {{44000, 16384}, {8000, 2048}, {384000, 32768}};
    for (const auto& c : cases) {
        if (!device->open(c.rate)) GTEST_SKIP() << "no sound driver here";
        EXPECT_EQ(device->framesPerTransfer(), c.frames) << c.rate << " Hz";
        device->close();
    }
}

TEST_F(AudioOutputTest, StartFailsWhenItsBuffersCannotBeAllocated) {
    ASSERT_TRUE(openOutput(44000));
    ASSERT_NE(load(125), nullptr);
    ASSERT_TRUE(startPlayback(song));
    ASSERT_TRUE(stopPlayback(song));
    ASSERT_NE(fake.ring, nullptr) << "a stopped playback's ring keeps looping";
    {
        const RefusedAllocations refused(static_cast<size_t>(ringFrames) * 4);
        EXPECT_FALSE(startPlayback(song));
    }
    EXPECT_EQ(fake.ring, nullptr) << "the device no longer plays the ring that went";
    EXPECT_EQ(ringBuffer(), nullptr);
    EXPECT_EQ(playingSong(), nullptr);
    EXPECT_EQ(fake.loops, 1);

    // With memory back the same song plays.
    EXPECT_TRUE(startPlayback(song));
    EXPECT_EQ(playingSong(), song);
    EXPECT_EQ(fake.loops, 2);
    EXPECT_EQ(fake.ring, ringBuffer());
}

TEST_F(AudioOutputTest, StartFailsWhenTheFeederThreadCannotBeCreated) {
    ASSERT_TRUE(openOutput(44000));
    ASSERT_NE(load(125), nullptr);
    auto startWithoutRoomForAThread = [this] {
        // No new process or thread for this user; root, whom the limit does
        // not bind, becomes nobody first.
        const rlimit none{0, 0};
        if (setrlimit(RLIMIT_NPROC, &none) != 0) std::_Exit(3);
        if (getuid() == 0 && setuid(65534) != 0) std::_Exit(3);
        if (startPlayback(song)) std::_Exit(1);
        std::_Exit(fake.ring == nullptr && ringBuffer() == nullptr && playingSong() == nullptr ? 0 : 2);
    };
    // 0: refused and silent; 1: reported success; 2: refused but the device
    // still loops; 3: the limit could not be set.
    EXPECT_EXIT(startWithoutRoomForAThread(), ::testing::ExitedWithCode(0), "");
}

TEST_F(AudioOutputTest, AHostCanDriveTheFeederWithoutAThread) {
    setFeeding(Feeding::ByHost);
    ASSERT_TRUE(openOutput(44000));
    ASSERT_NE(load(128), nullptr);
    ASSERT_TRUE(startPlayback(song));
    const int prefill = fake.publishes.load();
    fake.played.store(static_cast<uint64_t>(blockFrames) * 4 * 3 + 40);
    std::this_thread::sleep_for(30ms);
    EXPECT_EQ(fake.publishes.load(), prefill) << "no thread of its own refilled the ring";
    feederPass();
    EXPECT_EQ(fake.publishes.load(), prefill + 3);
    EXPECT_EQ(writeIndex(), 3);
    ASSERT_TRUE(stopPlayback(song));

    // Blocks 0 to 2 hold the music's blocks 100 to 102, the others 3 to 99.
    Song* again = nullptr;
    {
        auto bytes = tinyModule(128);
        again = createSongFromMemory(bytes.data(), bytes.size());
    }
    ASSERT_NE(again, nullptr);
    OfflineRender offline;
    ASSERT_TRUE(startOfflineRender(offline, again, 44000));
    const size_t blockSamples = static_cast<size_t>(blockFrames) * 2;
    std::vector<int16_t> music(103 * blockSamples);
    renderPcm16(offline, music.data(), 103 * blockFrames);
    freeSong(again);
    for (int32_t k = 0; k < blockCount(); ++k) {
        const int32_t from = k < 3 ? 100 + k : k;
        EXPECT_TRUE(std::equal(ringBuffer() + k * blockSamples, ringBuffer() + (k + 1) * blockSamples,
                               music.begin() + from * blockSamples))
            << "block " << k;
    }
}

// freeSong may be called while the feeder mixes the song: the output's
// release guard ends the feeder first. Many times over, at the moment the
// feeder is busy (the thread and address sanitizer builds report any race or
// read of freed memory).
TEST_F(AudioOutputTest, FreeingASongThatPlaysStopsThePlaybackFirst) {
    ASSERT_TRUE(openOutput(44000));
    for (int round = 0; round < 40; ++round) {
        ASSERT_NE(load(125 + round % 7), nullptr);
        ASSERT_TRUE(startPlayback(song));
        const int filled = fake.publishes.load();
        // Most of the ring is left to refill: the feeder is busy when the song goes.
        fake.played.store(static_cast<uint64_t>(blockFrames) * 4 * (60 + round % 30));
        ASSERT_TRUE(waitForPublishes(fake, filled + 1));
        ASSERT_TRUE(freeSong(song));
        song = nullptr;
        EXPECT_EQ(playingSong(), nullptr);
        const int after = fake.publishes.load();
        std::this_thread::sleep_for(10ms);
        ASSERT_EQ(fake.publishes.load(), after) << "round " << round << ": mixed after the song was freed";
        for (const Voice& v : voices) ASSERT_EQ(v.sample, nullptr);
    }
}

// Voices may still sound an earlier song's samples in the next playback, so
// freeing any song ends whatever plays; and the silent card, which plays
// without a device, is stopped the same way.
TEST_F(AudioOutputTest, FreeingAnySongStopsThePlaybackWithOrWithoutADevice) {
    ASSERT_NE(load(125), nullptr);
    for (const bool device : {true, false}) {
        fake.opens = device;
        openOutput(44000);
        auto bytes = tinyModule(130);
        Song* other = createSongFromMemory(bytes.data(), bytes.size());
        ASSERT_NE(other, nullptr);
        ASSERT_TRUE(startPlayback(song));
        ASSERT_EQ(playingSong(), song);
        freeSong(other);
        EXPECT_EQ(playingSong(), nullptr) << (device ? "device" : "no device");
        closeOutput();
    }
    // A closed output guards nothing: a song is freed as it is.
    ASSERT_TRUE(freeSong(song));
    song = nullptr;
}

TEST_F(AudioOutputTest, ThePlayerStopsItsSongBeforeGivingItUp) {
    {
        MusicPlayer player;
        ASSERT_EQ(player.init(44000), 1);
        ASSERT_EQ(player.load("TRACK", nullptr), 1) << "the card's module: " << lastLoadError().message;
        ASSERT_EQ(player.play(), 1);
        // The device is nearly round the ring: the feeder has most of it to mix.
        int filled = fake.publishes.load();
        fake.played.store(static_cast<uint64_t>(blockFrames) * 4 * 99);
        ASSERT_TRUE(waitForPublishes(fake, filled + 1));

        // A new song replaces the playing one: the old one stops, then goes.
        ASSERT_EQ(player.load("TRACK", nullptr), 1);
        EXPECT_EQ(playingSong(), nullptr);
        ASSERT_EQ(player.play(), 1);
        EXPECT_EQ(playingSong(), player.song);
        filled = fake.publishes.load();
        fake.played.store(static_cast<uint64_t>(blockFrames) * 4 * 99);
        ASSERT_TRUE(waitForPublishes(fake, filled + 1));
    }  // the player goes while its song plays (the card's exit without a stop)
    EXPECT_EQ(playingSong(), nullptr);
    const int after = fake.publishes.load();
    std::this_thread::sleep_for(20ms);
    EXPECT_EQ(fake.publishes.load(), after) << "nothing is mixed any more";
}

}  // namespace
