#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

#include "music/audio_output.h"
#include "music/loader.h"
#include "music/music_player.h"
#include "music/output_format.h"
#include "music/resource_stream.h"
#include "music/song.h"
#include "platform/audio_device.h"

namespace {

// A device that plays nothing by itself: the test moves its position.
class PositionDevice final : public AudioDevice {
  public:
    bool open(int32_t) override { return true; }
    void loop(const int16_t*, uint32_t) override { played.store(0); }
    uint64_t bytesPlayed() override { return played.load(); }
    int32_t framesPerTransfer() const override { return 0; }
    void published() override {}
    void reset() override {}
    void close() override {}
    std::atomic<uint64_t> played{0};
};

class AudioStats : public ::testing::Test {
  protected:
    void SetUp() override {
        registerResourceCallbacks();
        useAudioDevice(&device);
        unsetenv("YULECARD_AUDIO_STATS");
    }
    void TearDown() override {
        unsetenv("YULECARD_AUDIO_STATS");
        closeOutput();
        useAudioDevice(nullptr);
    }
    PositionDevice device;
};

TEST_F(AudioStats, CountersFollowThePreFillTheFeederAndTheDevice) {
    ASSERT_TRUE(openOutput(44000));
    Song* song = createSong("TRACK", nullptr);
    ASSERT_NE(song, nullptr) << "the card's module: " << lastLoadError().message;
    ASSERT_TRUE(startPlayback(song));
    stopPlayback(song);  // the device has not moved: only the pre-fill
    EXPECT_EQ(blocksFilled(), 100u);
    EXPECT_EQ(underrunBlocks(), 0u);
    EXPECT_EQ(framesPlayed(), 0u);

    // A new playback counts afresh; the device moves into block 3 and the
    // feeder thread refills blocks 0, 1 and 2, in time.
    ASSERT_TRUE(startPlayback(song));
    device.played.store((3u * blockFrames + 10) * 4);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (blocksFilled() < 103u && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    stopPlayback(song);
    EXPECT_EQ(blocksFilled(), 103u);
    EXPECT_EQ(underrunBlocks(), 0u);
    EXPECT_EQ(framesPlayed(), 3u * blockFrames + 10);

    freeSong(song);
    closeOutput();
    EXPECT_EQ(framesPlayed(), 0u) << "no device, nothing played";
}

TEST_F(AudioStats, MusicPlayerStopPrintsOneLineOnlyWhenAsked) {
    MusicPlayer player;
    ASSERT_EQ(player.init(44000), 1);
    ASSERT_EQ(player.load("TRACK", nullptr), 1) << "the card's module: " << lastLoadError().message;

    ASSERT_EQ(player.play(), 1);
    testing::internal::CaptureStderr();
    EXPECT_EQ(player.stop(), 1);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");

    setenv("YULECARD_AUDIO_STATS", "1", 1);
    ASSERT_EQ(player.play(), 1);
    testing::internal::CaptureStderr();
    EXPECT_EQ(player.stop(), 1);
    const std::string line = testing::internal::GetCapturedStderr();
    // The feeder may have refilled blocks before the stop; the device never moved.
    EXPECT_EQ(line.rfind("yulecard: audio: ", 0), 0u) << line;
    EXPECT_NE(line.find(" blocks filled, 0 underrun blocks, 0 frames played\n"), std::string::npos) << line;
    EXPECT_EQ(line.find('\n'), line.size() - 1) << "one line";
    player.close();
}

}  // namespace
