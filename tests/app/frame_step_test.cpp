// The frame step driven by a fake clock and fake events: the two pacing
// rules, the head start and the messages handled before a frame.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "app/frame_loop.h"
#include "platform/messages.h"

namespace {

uint32_t fakeNow = 0;
uint32_t fakeClock() {
    return fakeNow;
}

// Frames started, by the fake clock; a frame costs `frameCost` ms.
std::vector<uint32_t> frameStarts;
uint32_t frameCost = 0;
int noInit() {
    return 1;
}
int recordFrame() {
    frameStarts.push_back(fakeNow);
    fakeNow += frameCost;
    return 1;
}
int noShutdown() {
    return 1;
}
constexpr FrameLoopHooks kHooks{noInit, recordFrame, noShutdown};

class FrameStep : public ::testing::Test {
  protected:
    void SetUp() override {
        clearPostedMessages();
        frameStarts.clear();
        frameCost = 0;
    }
    void TearDown() override { clearPostedMessages(); }

    // A host calling back at `hz` from `from` for `ms` milliseconds, on
    // whole-millisecond ticks. Returns the frames run in each callback.
    static std::vector<int> callBack(FrameStepper& stepper, double hz, uint32_t from, uint32_t ms) {
        std::vector<int> perCall;
        for (int k = 0;; ++k) {
            const uint32_t at = from + static_cast<uint32_t>(k * 1000.0 / hz);
            if (at - from >= ms) break;
            fakeNow = at;
            const size_t before = frameStarts.size();
            const StepResult r = stepper.step();
            EXPECT_FALSE(r.quit);
            EXPECT_EQ(r.framesRan, frameStarts.size() - before);
            perCall.push_back(static_cast<int>(frameStarts.size() - before));
        }
        return perCall;
    }

    static double meanInterval() {
        if (frameStarts.size() < 2) return 0;
        return double(frameStarts.back() - frameStarts.front()) / double(frameStarts.size() - 1);
    }
};

TEST_F(FrameStep, DisplayRateCallbacksRunOneFrameEvery21MillisecondsAndNeverTwoInOneStep) {
    for (double hz : {60.0, 144.0, 48.0, 240.0}) {
        SCOPED_TRACE(hz);
        frameStarts.clear();
        FrameStepper stepper(kHooks, FramePacer(FramePacing::RunningDeadline, 5000), fakeClock);
        const std::vector<int> perCall = callBack(stepper, hz, 5000, 21000);
        for (int n : perCall) ASSERT_LE(n, 1);
        // 21 s at one frame per 21 ms, the first due 21 ms after the start.
        EXPECT_NEAR(double(frameStarts.size()), 999.0, 1.0);
        EXPECT_NEAR(meanInterval(), 21.0, 0.05);
        EXPECT_GE(frameStarts.front(), 5021u);
    }
}

TEST_F(FrameStep, HeadStartHoldsTheFirstFrameUnderBothRules) {
    for (FramePacing rule : {FramePacing::SinceLastStart, FramePacing::RunningDeadline}) {
        frameStarts.clear();
        FramePacer pacer(rule, 1000);
        pacer.holdUntil(1000 + 1000);
        FrameStepper stepper(kHooks, pacer, fakeClock);
        callBack(stepper, 144.0, 1000, 3000);
        ASSERT_FALSE(frameStarts.empty());
        // The desktop started its first frame 21 ms after its one-second
        // sleep; so do both rules after the head start.
        EXPECT_GE(frameStarts.front(), 2021u);
        EXPECT_LT(frameStarts.front(), 2021u + 7u) << "at the first callback once due";
    }
}

TEST_F(FrameStep, DesktopRuleKeepsItsPaceAndTellsHowLongToSleep) {
    FramePacer pacer(FramePacing::SinceLastStart, 100);
    pacer.holdUntil(1100);
    FrameStepper stepper(kHooks, pacer, fakeClock);
    fakeNow = 100;
    frameCost = 4;
    // The desktop loop: step, then sleep for as long as the step says.
    for (int i = 0; i < 200 && frameStarts.size() < 50; ++i) {
        const StepResult r = stepper.step();
        ASSERT_FALSE(r.quit);
        if (r.framesRan == 0) {
            ASSERT_GT(r.waitMs, 0u) << "a step that runs nothing must not ask to spin";
        }
        fakeNow += r.waitMs;
    }
    ASSERT_EQ(frameStarts.size(), 50u);
    EXPECT_EQ(frameStarts.front(), 1121u);
    for (size_t i = 1; i < frameStarts.size(); ++i) EXPECT_EQ(frameStarts[i] - frameStarts[i - 1], 21u);
}

TEST_F(FrameStep, DesktopRuleFollowsASlowFrameAtOnceWithoutMakingUpTime) {
    FrameStepper stepper(kHooks, FramePacer(FramePacing::SinceLastStart, 0), fakeClock);
    fakeNow = 21;
    frameCost = 80;
    ASSERT_EQ(stepper.step().framesRan, 1u);
    frameCost = 0;
    const StepResult after = stepper.step();
    EXPECT_EQ(after.framesRan, 1u) << "more than 20 ms have passed: the next frame starts at once";
    EXPECT_EQ(after.waitMs, 21u);
    EXPECT_EQ(stepper.step().framesRan, 0u) << "no burst to catch up";
}

TEST_F(FrameStep, LongPauseRunsTheBoundThenRestartsTheDeadlineInsteadOfCatchingUp) {
    FrameStepper stepper(kHooks, FramePacer(FramePacing::RunningDeadline, 0), fakeClock);
    callBack(stepper, 60.0, 0, 1000);
    // A hidden tab: no callback for two seconds, then 60 Hz again.
    frameStarts.clear();
    const std::vector<int> perCall = callBack(stepper, 60.0, 3000, 1000);
    ASSERT_FALSE(perCall.empty());
    EXPECT_EQ(perCall.front(), int(MAX_FRAMES_PER_CALL)) << "about 100 ms of the late frames, no more";
    EXPECT_EQ(frameStarts.front(), 3000u);
    for (size_t i = 1; i < perCall.size(); ++i) ASSERT_LE(perCall[i], 1) << "then the normal pace";
    EXPECT_NEAR(double(frameStarts.size() - MAX_FRAMES_PER_CALL), (1000.0 - 21.0) / 21.0, 1.0);

    // The next frame was due at 987 (the last callback at 983 ran the one
    // due at 966); the 5 frames cover 987 to 1071, the rest is withheld.
    EXPECT_EQ(stepper.pacer().skippedMs(), 3000u - 987u - 4u * 21u);

    // Late by a little more or a little less than the bound: as many frames.
    for (uint32_t late : {99u, 100u, 101u, 130u}) {
        FramePacer pacer(FramePacing::RunningDeadline, 0);
        EXPECT_EQ(pacer.beginDueFrames(21 + late), MAX_FRAMES_PER_CALL) << late;
    }
}

TEST_F(FrameStep, ShortStallIsMadeUpAtTheNextCallback) {
    FrameStepper stepper(kHooks, FramePacer(FramePacing::RunningDeadline, 0), fakeClock);
    callBack(stepper, 144.0, 0, 1000);
    // 80 ms without a callback, then 144 Hz: the frames that fell due run at
    // the first callback, and the count over the whole run is kept.
    const std::vector<int> perCall = callBack(stepper, 144.0, 1080, 920);
    ASSERT_FALSE(perCall.empty());
    EXPECT_GE(perCall.front(), 3);
    for (size_t i = 1; i < perCall.size(); ++i) ASSERT_LE(perCall[i], 1) << "caught up at once";
    EXPECT_NEAR(double(frameStarts.size()), 2000.0 / 21.0, 1.5);
}

// The show's pace whatever rate the host calls back at: a browser that
// composites slowly (20-35 Hz), a power saver (30 Hz), the usual 60 Hz and
// fast displays. After 10 s of callbacks the show has run 10000 / 21 frames.
TEST_F(FrameStep, ShowKeepsItsPaceAtEveryCallbackRate) {
    for (double hz : {17.0, 20.0, 24.0, 30.0, 48.0, 60.0, 75.0, 120.0, 144.0}) {
        SCOPED_TRACE(hz);
        frameStarts.clear();
        FrameStepper stepper(kHooks, FramePacer(FramePacing::RunningDeadline, 0), fakeClock);
        const std::vector<int> perCall = callBack(stepper, hz, 0, 10001);
        EXPECT_NEAR(double(frameStarts.size()), 476.0, 1.0);
        EXPECT_LE(*std::max_element(perCall.begin(), perCall.end()), int(MAX_FRAMES_PER_CALL));
        if (hz >= 48.0) {
            EXPECT_EQ(*std::max_element(perCall.begin(), perCall.end()), 1)
                << "as fast as the show: one a callback";
        }
    }
}

TEST_F(FrameStep, ShowKeepsItsPaceWithJitteredCallbacksAndNeverRunsMoreThanTheBound) {
    for (uint32_t longest : {30u, 60u, 100u}) {
        SCOPED_TRACE(longest);
        frameStarts.clear();
        FrameStepper stepper(kHooks, FramePacer(FramePacing::RunningDeadline, 0), fakeClock);
        std::mt19937 random(longest);
        std::uniform_int_distribution<uint32_t> interval(1, longest);
        int most = 0;
        for (fakeNow = 0; fakeNow < 10000;) {
            fakeNow = std::min(fakeNow + interval(random), 10000u);
            const size_t before = frameStarts.size();
            stepper.step();
            most = std::max(most, static_cast<int>(frameStarts.size() - before));
        }
        EXPECT_NEAR(double(frameStarts.size()), 476.0, 1.0);
        EXPECT_LE(most, int(MAX_FRAMES_PER_CALL));
        EXPECT_EQ(MAX_FRAMES_PER_CALL, 5u) << "about 100 ms of frames";
    }
}

TEST_F(FrameStep, FramesRunTogetherBeginAtTheCallbackAndTheDesktopNeverRunsTwo) {
    FrameStepper browser(kHooks, FramePacer(FramePacing::RunningDeadline, 0), fakeClock);
    fakeNow = 100;  // 21, 42, 63, 84 are due
    const StepResult r = browser.step();
    EXPECT_EQ(r.framesRan, 4u);
    EXPECT_EQ(frameStarts, (std::vector<uint32_t>{100, 100, 100, 100}));
    EXPECT_EQ(r.waitMs, 5u) << "the next is due at 105";

    frameStarts.clear();
    FrameStepper desktop(kHooks, FramePacer(FramePacing::SinceLastStart, 0), fakeClock);
    fakeNow = 1000;
    EXPECT_EQ(desktop.step().framesRan, 1u) << "lost time is not made up";
}

TEST_F(FrameStep, DeadlineSurvivesTheTickWrapping) {
    const uint32_t start = 0xFFFFFF00u;
    FrameStepper stepper(kHooks, FramePacer(FramePacing::RunningDeadline, start), fakeClock);
    const std::vector<int> perCall = callBack(stepper, 60.0, start, 2100);
    for (int n : perCall) ASSERT_LE(n, 1);
    EXPECT_NEAR(double(frameStarts.size()), 100.0, 1.0);
}

TEST_F(FrameStep, WaitingMessagesAreHandledFirstAndEscEndsWithoutAFrame) {
    FrameStepper stepper(kHooks, FramePacer(FramePacing::RunningDeadline, 0), fakeClock);
    fakeNow = 100;  // a frame is due
    postMessage(WM_PAINT, 0);
    postMessage(WM_KEYDOWN, 'a');
    postMessage(WM_KEYDOWN, VK_ESCAPE);
    const StepResult r = stepper.step();
    EXPECT_TRUE(r.quit) << "Esc, its destroy and the quit are all handled in the one step";
    EXPECT_EQ(r.exitCode, 0u);
    EXPECT_EQ(r.framesRan, 0u);
    EXPECT_TRUE(frameStarts.empty());

    postQuitMessage(5);
    EXPECT_EQ(stepper.step().exitCode, 5u);
}

TEST_F(FrameStep, StatsCountTheFramesAndTheLongestGapBetweenThem) {
    FrameStepper stepper(kHooks, FramePacer(FramePacing::SinceLastStart, 0), fakeClock);
    EXPECT_EQ(stepper.stats().frames, 0u);
    for (uint32_t at : {21u, 42u, 63u, 400u, 421u, 442u}) {  // a stall of 337 ms in the middle
        fakeNow = at;
        ASSERT_EQ(stepper.step().framesRan, 1u) << at;
    }
    fakeNow = 450;
    EXPECT_EQ(stepper.step().framesRan, 0u);
    const FrameStats& stats = stepper.stats();
    EXPECT_EQ(stats.frames, 6u);
    EXPECT_EQ(stats.firstStart, 21u);
    EXPECT_EQ(stats.lastStart, 442u);
    EXPECT_EQ(stats.longestGap, 337u);

    FrameStats wrapping;
    wrapping.frameBegins(0xFFFFFFF0u);
    wrapping.frameBegins(0x00000010u);
    EXPECT_EQ(wrapping.longestGap, 0x20u) << "the tick's wrap is no gap of 49 days";
}

}  // namespace
