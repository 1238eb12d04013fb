// The frame step driven by a fake clock and fake events: the two pacing
// rules, the head start and the messages handled before a frame.
#include <gtest/gtest.h>

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
            EXPECT_EQ(r.frameRan, frameStarts.size() > before);
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
        if (!r.frameRan) {
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
    ASSERT_TRUE(stepper.step().frameRan);
    frameCost = 0;
    const StepResult after = stepper.step();
    EXPECT_TRUE(after.frameRan) << "more than 20 ms have passed: the next frame starts at once";
    EXPECT_EQ(after.waitMs, 21u);
    EXPECT_FALSE(stepper.step().frameRan) << "no burst to catch up";
}

TEST_F(FrameStep, LongPauseRestartsTheDeadlineInsteadOfCatchingUp) {
    FrameStepper stepper(kHooks, FramePacer(FramePacing::RunningDeadline, 0), fakeClock);
    callBack(stepper, 60.0, 0, 1000);
    // A hidden tab: no callback for two seconds, then 60 Hz again.
    frameStarts.clear();
    callBack(stepper, 60.0, 3000, 1000);
    ASSERT_FALSE(frameStarts.empty());
    EXPECT_EQ(frameStarts.front(), 3000u) << "the late frame runs at the first callback";
    EXPECT_NEAR(double(frameStarts.size()), 1000.0 / 21.0, 1.5) << "and the pace is the normal one";
    EXPECT_NEAR(meanInterval(), 21.0, 0.5);
}

TEST_F(FrameStep, ShortStallIsMadeUpOneFramePerCallback) {
    FrameStepper stepper(kHooks, FramePacer(FramePacing::RunningDeadline, 0), fakeClock);
    callBack(stepper, 144.0, 0, 1000);
    const size_t before = frameStarts.size();
    // 80 ms without a callback, then 144 Hz: the frames that fell due are
    // run, one a callback, and the count over the whole run is kept.
    const std::vector<int> perCall = callBack(stepper, 144.0, 1080, 920);
    for (int n : perCall) ASSERT_LE(n, 1);
    EXPECT_NEAR(double(frameStarts.size()), 2000.0 / 21.0, 1.5);
    EXPECT_GT(frameStarts.size(), before);
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
    EXPECT_FALSE(r.frameRan);
    EXPECT_TRUE(frameStarts.empty());

    postQuitMessage(5);
    EXPECT_EQ(stepper.step().exitCode, 5u);
}

TEST_F(FrameStep, StatsCountTheFramesAndTheLongestGapBetweenThem) {
    FrameStepper stepper(kHooks, FramePacer(FramePacing::SinceLastStart, 0), fakeClock);
    EXPECT_EQ(stepper.stats().frames, 0u);
    for (uint32_t at : {21u, 42u, 63u, 400u, 421u, 442u}) {  // a stall of 337 ms in the middle
        fakeNow = at;
        ASSERT_TRUE(stepper.step().frameRan) << at;
    }
    fakeNow = 450;
    EXPECT_FALSE(stepper.step().frameRan);
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
