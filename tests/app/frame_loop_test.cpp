#include "app/frame_loop.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/cursor.h"
#include "platform/messages.h"
#include "platform/ticks.h"
#include "platform/window.h"

namespace {

TEST(FrameDue, MoreThanTwentyMillisecondsInUnsignedArithmetic) {
    EXPECT_FALSE(frameDue(1020, 1000));
    EXPECT_TRUE(frameDue(1021, 1000));
    EXPECT_FALSE(frameDue(1000, 1000));
    // The counter wraps past 2^32: 0xFFFFFFF5 + 21 = 0x0000000A.
    EXPECT_FALSE(frameDue(0x00000009u, 0xFFFFFFF5u));
    EXPECT_TRUE(frameDue(0x0000000Au, 0xFFFFFFF5u));
    EXPECT_TRUE(frameDue(0x00001000u, 0xFFFFF000u));
}

TEST(WindowProc, EscPostsDestroyWhichPostsQuitAndCloseGoesTheSameWay) {
    clearPostedMessages();
    Message m{};
    windowProc(Message{WM_KEYDOWN, 'a'});
    EXPECT_EQ(0, peekMessage(m)) << "other keys do nothing";
    EXPECT_EQ(0u, windowProc(Message{WM_PAINT, 0}));
    EXPECT_EQ(0, peekMessage(m)) << "the window never paints";

    windowProc(Message{WM_KEYDOWN, VK_ESCAPE});
    ASSERT_EQ(1, peekMessage(m));
    EXPECT_EQ(WM_DESTROY, m.message);
    windowProc(m);
    ASSERT_EQ(1, peekMessage(m));
    EXPECT_EQ(WM_QUIT, m.message);
    EXPECT_EQ(0u, m.wParam);

    windowProc(Message{WM_CLOSE, 0});
    ASSERT_EQ(1, peekMessage(m));
    EXPECT_EQ(WM_QUIT, m.message);
    EXPECT_EQ(0, peekMessage(m));
}

TEST(WindowProc, AltEnterAndF11SwitchTheWindowAndThePointerFollows) {
    if (!startPlatform()) GTEST_SKIP() << "no video driver: " << platformError();
    clearPostedMessages();
    mainWindow = createMainWindow(640, 480);
    ASSERT_NE(mainWindow, nullptr) << platformError();
    hideCursor();
    struct Step {
        Message key;
        WindowPlacement after;
        bool pointerShown;
    } steps[] = {
        {{WM_SYSKEYDOWN, VK_RETURN}, WindowPlacement::Window, true},
        {{WM_SYSKEYDOWN, VK_RETURN}, WindowPlacement::FullScreen, false},
        {{WM_KEYDOWN, VK_F11}, WindowPlacement::Window, true},
        {{WM_KEYDOWN, VK_RETURN}, WindowPlacement::Window, true},  // Enter alone is no switch
        {{WM_SYSKEYDOWN, 'x'}, WindowPlacement::Window, true},
        {{WM_SYSKEYDOWN, VK_F11}, WindowPlacement::FullScreen, false},
    };
    for (const Step& step : steps) {
        windowProc(step.key);
        EXPECT_EQ(windowPlacement(mainWindow), step.after) << step.key.message << " " << step.key.wParam;
        EXPECT_EQ(cursorShown(), step.pointerShown) << step.key.message << " " << step.key.wParam;
    }
    Message m{};
    while (peekMessage(m)) EXPECT_EQ(m.message, WM_NULL) << "switching ends nothing";
    windowProc(Message{WM_SYSKEYDOWN, VK_ESCAPE});
    ASSERT_EQ(1, peekMessage(m));
    EXPECT_EQ(WM_DESTROY, m.message) << "Esc with Alt held still ends the card";
    destroyMainWindow(mainWindow);
    mainWindow = nullptr;
    toggleFullScreen();  // no window: nothing to switch, no crash
    stopPlatform();
    clearPostedMessages();
}

TEST(Messages, PostedQueueKeepsOrderAndNeverLosesTheQuit) {
    clearPostedMessages();
    for (uint32_t i = 0; i < 1000; ++i) postMessage(WM_NULL, i);
    postQuitMessage(3);
    Message m{};
    uint32_t last = 0;
    int taken = 0;
    while (peekMessage(m) && m.message != WM_QUIT) {
        if (taken > 0) {
            EXPECT_EQ(last + 1, m.wParam);
        }
        last = m.wParam;
        ++taken;
    }
    EXPECT_EQ(WM_QUIT, m.message) << "a full queue still ends the loop";
    EXPECT_EQ(3u, m.wParam);
    clearPostedMessages();
}

// Records when each frame starts; asks to quit with Esc after `stopAfter`.
struct FrameLog {
    std::vector<uint32_t> starts;
    int stopAfter = 5;
    uint32_t firstFrameSleep = 0;
};
FrameLog* frameLog = nullptr;

int noInit() {
    return 1;
}
int noShutdown() {
    return 1;
}
int recordFrame() {
    frameLog->starts.push_back(tickCount());
    if (frameLog->starts.size() == 1 && frameLog->firstFrameSleep) SDL_Delay(frameLog->firstFrameSleep);
    if (int(frameLog->starts.size()) == frameLog->stopAfter) postMessage(WM_KEYDOWN, VK_ESCAPE);
    return 1;
}

TEST(FrameLoop, FramesStartMoreThanTwentyMillisecondsApartUntilEsc) {
    clearPostedMessages();
    FrameLog frames;
    frameLog = &frames;
    uint32_t begin = tickCount();
    EXPECT_EQ(0u, frameLoop(FrameLoopHooks{noInit, recordFrame, noShutdown}, tickCount()));
    uint32_t spent = tickCount() - begin;
    ASSERT_EQ(5u, frames.starts.size()) << "no frame after the quit";
    for (size_t i = 1; i < frames.starts.size(); ++i) EXPECT_GE(frames.starts[i] - frames.starts[i - 1], 21u);
    EXPECT_LT(spent, 2000u) << "the loop must wake up for its frames";
}

TEST(FrameLoop, ASlowFrameIsFollowedAtOnceButLostTimeIsNeverMadeUp) {
    clearPostedMessages();
    FrameLog frames;
    frames.stopAfter = 4;
    frames.firstFrameSleep = 80;
    frameLog = &frames;
    frameLoop(FrameLoopHooks{noInit, recordFrame, noShutdown}, tickCount());
    ASSERT_EQ(4u, frames.starts.size());
    EXPECT_GE(frames.starts[1] - frames.starts[0], 80u);
    EXPECT_LT(frames.starts[1] - frames.starts[0], 80u + 21u + 40u) << "no extra wait after a slow frame";
    EXPECT_GE(frames.starts[2] - frames.starts[1], 21u) << "no burst of frames to catch up";
    EXPECT_GE(frames.starts[3] - frames.starts[2], 21u);
}

TEST(FrameLoop, QuitTakenBeforeAnyFrameEndsWithItsCode) {
    clearPostedMessages();
    FrameLog frames;
    frameLog = &frames;
    postQuitMessage(7);
    EXPECT_EQ(7u, frameLoop(FrameLoopHooks{noInit, recordFrame, noShutdown}, tickCount()));
    EXPECT_TRUE(frames.starts.empty());
}

// The whole shell on SDL's headless video driver.
int initCalls, frameCalls, shutdownCalls;
bool windowSeenAtInit;
SDL_EventType endWith;
int countInit() {
    ++initCalls;
    windowSeenAtInit = mainWindow != nullptr;
    return 1;
}
int failInit() {
    ++initCalls;
    return 0;
}
int countFrame() {
    if (++frameCalls == 3) {
        SDL_Event e{};
        if (endWith == SDL_KEYDOWN) {
            e.type = SDL_KEYDOWN;
            e.key.keysym.sym = SDLK_ESCAPE;
        } else {
            e.type = SDL_QUIT;
        }
        SDL_PushEvent(&e);
    }
    return 1;
}
int countShutdown() {
    ++shutdownCalls;
    return 1;
}

class Shell : public ::testing::Test {
  protected:
    void SetUp() override {
        initCalls = frameCalls = shutdownCalls = 0;
        windowSeenAtInit = false;
        clearPostedMessages();
        if (SDL_VideoInit(nullptr) != 0) GTEST_SKIP() << "no video driver: " << SDL_GetError();
        SDL_VideoQuit();
    }
};

TEST_F(Shell, EscAndTheSystemCloseEndWithStatusZeroAndOneShutdown) {
    for (SDL_EventType how : {SDL_KEYDOWN, SDL_QUIT}) {
        initCalls = frameCalls = shutdownCalls = 0;
        endWith = how;
        EXPECT_EQ(0, runCard(FrameLoopHooks{countInit, countFrame, countShutdown}));
        EXPECT_EQ(1, initCalls);
        EXPECT_TRUE(windowSeenAtInit);
        EXPECT_GE(frameCalls, 3);
        EXPECT_EQ(1, shutdownCalls);
        EXPECT_EQ(mainWindow, nullptr);
    }
}

TEST_F(Shell, DisplayThatCannotOpenEndsWithStatusOneAndOneLineOnStderr) {
    testing::internal::CaptureStderr();
    int status = runCard(FrameLoopHooks{failInit, countFrame, countShutdown});
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(1, status);
    EXPECT_EQ(0, frameCalls) << "no frame after a failed set-up";
    EXPECT_EQ(1, shutdownCalls) << "the shutdown still runs, once";
    ASSERT_FALSE(err.empty());
    EXPECT_EQ(err.find('\n'), err.size() - 1) << "one line: " << err;
    EXPECT_EQ(0u, err.rfind("yulecard: ", 0)) << err;
}

// The head start the set-up asks for holds the first frame back without
// blocking: the shell keeps handling messages meanwhile.
uint32_t initEnded;
std::vector<uint32_t> shellFrames;
int deferringInit() {
    deferFirstFrame(300);
    initEnded = tickCount();
    return 1;
}
int deferringInitThenEsc() {
    deferFirstFrame(5000);
    SDL_Event e{};
    e.type = SDL_KEYDOWN;
    e.key.keysym.sym = SDLK_ESCAPE;
    SDL_PushEvent(&e);
    initEnded = tickCount();
    return 1;
}
int twoFrames() {
    shellFrames.push_back(tickCount());
    if (shellFrames.size() == 2) postMessage(WM_KEYDOWN, VK_ESCAPE);
    return 1;
}

TEST_F(Shell, HeadStartHoldsTheFirstFrameWithoutBlocking) {
    shellFrames.clear();
    EXPECT_EQ(0, runCard(FrameLoopHooks{deferringInit, twoFrames, countShutdown}));
    ASSERT_EQ(shellFrames.size(), 2u);
    // As when the set-up slept: the first frame 21 ms after the wait.
    EXPECT_GE(shellFrames[0] - initEnded, 300u + 21u);
    EXPECT_LT(shellFrames[0] - initEnded, 300u + 21u + 100u);
    EXPECT_GE(shellFrames[1] - shellFrames[0], 21u);

    shellFrames.clear();
    const uint32_t begin = tickCount();
    EXPECT_EQ(0, runCard(FrameLoopHooks{deferringInitThenEsc, twoFrames, countShutdown}));
    EXPECT_TRUE(shellFrames.empty());
    EXPECT_LT(tickCount() - begin, 2000u) << "Esc ends the card during the head start";
    EXPECT_EQ(takeFirstFrameDelay(), 0u) << "the shell took the request";
}

// Starts in a window, switches to full screen at the third frame (as the
// F11 key arrives from the platform) and ends with Esc at the eighth: the
// frames go on through the switch, and the pointer follows the placement.
struct SwitchLog {
    std::vector<WindowPlacement> placements;
    std::vector<bool> pointerShown;
} switchLog;
int switchingFrame() {
    switchLog.placements.push_back(windowPlacement(mainWindow));
    switchLog.pointerShown.push_back(cursorShown());
    SDL_Event e{};
    e.type = SDL_KEYDOWN;
    if (switchLog.placements.size() == 3) e.key.keysym.sym = SDLK_F11;
    if (switchLog.placements.size() == 8) e.key.keysym.sym = SDLK_ESCAPE;
    if (e.key.keysym.sym != 0) SDL_PushEvent(&e);
    return 1;
}
int hidingInit() {
    hideCursor();  // as the scene does
    return 1;
}

TEST_F(Shell, StartsInAWindowAndSwitchesWithoutStoppingTheFrames) {
    switchLog = {};
    EXPECT_EQ(0, runCard(FrameLoopHooks{hidingInit, switchingFrame, countShutdown}, WindowPlacement::Window));
    ASSERT_EQ(switchLog.placements.size(), 8u);
    for (size_t i = 0; i < 8; ++i) {
        const bool window = i < 3;
        EXPECT_EQ(switchLog.placements[i], window ? WindowPlacement::Window : WindowPlacement::FullScreen)
            << i;
        EXPECT_EQ(switchLog.pointerShown[i], window) << i;
    }
    EXPECT_EQ(shutdownCalls, 1);
}

}  // namespace
