// The card on the null platform backend: no window, no sound device, no
// SDL linked at all. The show runs through the same entry points and the
// same shell, and its frames, presented to memory, are the desktop's.
#include <gtest/gtest.h>

#include <cinttypes>
#include <cstdio>
#include <string>
#include <vector>

#include "app/frame_loop.h"
#include "app/scene.h"
#include "app/scene_frame.h"
#include "app/scene_host.h"
#include "platform/audio_device.h"
#include "platform/messages.h"
#include "platform/null/memory_window.h"
#include "platform/ticks.h"
#include "platform/wall_clock.h"
#include "platform/window.h"
#include "support/fnv1a.h"

namespace {

// FNV-1a over the rows of a frame, as the golden pins of the show hash them.
std::string frameHash(const PresentedFrame& f) {
    uint64_t hash = testsupport::FNV1A_BASIS;
    for (int32_t y = 0; y < f.height; ++y)
        hash = testsupport::fnv1a(f.pixels.data() + static_cast<size_t>(y) * f.pitch,
                                  static_cast<size_t>(f.width) * 2, hash);
    return testsupport::hex64(hash);
}

TEST(NullBackend, HasNoSoundDeviceAndAWindowOfMemory) {
    EXPECT_EQ(platformAudioDevice(), nullptr);
    ASSERT_TRUE(startPlatform());
    PlatformWindow* window = createMainWindow(640, 480);
    ASSERT_NE(window, nullptr) << platformError();
    EXPECT_EQ(window->frame.count, 0u) << "nothing presented yet";
    EXPECT_EQ(createMainWindow(0, 480), nullptr);
    EXPECT_STRNE(platformError(), "");
    destroyMainWindow(window);
    stopPlatform();
}

TEST(NullBackend, ShowPresentsTheDesktopsFramesToMemory) {
    SceneHost show;
    std::string error;
    ASSERT_TRUE(show.open(SHOW_DEFAULT_CLOCK, error))
        << "the music fails to find a device and the show goes on "
           "silently: "
        << error;
    std::vector<std::string> hashes;
    for (int frame = 0; frame <= 330; ++frame) {
        show.nextFrame();
        if (frame == 0 || frame == 95 || frame == 330) hashes.push_back(frameHash(mainWindow->frame));
    }
    EXPECT_EQ(mainWindow->frame.count, 331u);
    EXPECT_EQ(mainWindow->frame.bitsPerPixel, 16);
    // The pins of the golden test, taken on the desktop before the backends.
    EXPECT_EQ(hashes, (std::vector<std::string>{"603eada70b50fcf0", "7428dce6f7946696", "3abf0a210610f35b"}));
    show.close();
    EXPECT_EQ(mainWindow, nullptr);
}

// The card's sky alone, for a page's invitation: presented once, then
// everything given up.
TEST(NullBackend, TheBackdropAloneIsShownOnceAndEverythingGivenUp) {
    SceneHost host;
    std::string error;
    ASSERT_TRUE(host.showBackdrop(error)) << error;
    EXPECT_EQ(mainWindow, nullptr);
    EXPECT_EQ(display.primary, nullptr);
    ASSERT_TRUE(host.open(SHOW_DEFAULT_CLOCK, error)) << error;
    host.nextFrame();
    EXPECT_EQ(frameHash(mainWindow->frame), "603eada70b50fcf0") << "a show after it starts as ever";
}

// The whole shell: window, set-up with the scene's own one-second head
// start, frames on the desktop rule, Esc, shutdown.
int framesSeen;
uint32_t firstFrameAt;
int countFramesThenEsc() {
    if (framesSeen++ == 0) firstFrameAt = tickCount();
    if (framesSeen == 10) postMessage(WM_KEYDOWN, VK_ESCAPE);
    return sceneFrame();
}

TEST(NullBackend, CardRunsThroughTheShellWithItsHeadStart) {
    fixWallClock(1765000000);
    framesSeen = 0;
    const uint32_t begin = tickCount();
    EXPECT_EQ(0, runCard(FrameLoopHooks{sceneInit, countFramesThenEsc, sceneShutdown}));
    const uint32_t spent = tickCount() - begin;
    releaseWallClock();
    EXPECT_EQ(framesSeen, 10);
    EXPECT_GE(firstFrameAt - begin, SCENE_START_WAIT_MS + 21) << "the music's head start is kept";
    EXPECT_GE(spent, SCENE_START_WAIT_MS + 10 * 21 - 21);
    EXPECT_LT(spent, SCENE_START_WAIT_MS + 10 * 21 + 1000) << "and the frames follow at their pace";
    EXPECT_EQ(mainWindow, nullptr);
}

}  // namespace
