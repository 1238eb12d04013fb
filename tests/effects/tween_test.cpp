#include "effects/tween.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

// Advances `t` by one frame `n` times and returns how many calls reported
// finished.
int advanceFrames(Tween& t, int n) {
    int finished = 0;
    for (int i = 0; i < n; ++i) finished += t.advance(1.0f) ? 1 : 0;
    return finished;
}

TEST(Tween, FreshTweenIsFinishedAndStill) {
    Tween t;
    EXPECT_TRUE(t.advance(1.0f));
    EXPECT_EQ(t.value, 0.0f);
    EXPECT_EQ(t.framesLeft, 0.0f);
}

TEST(Tween, ApproachValuesAreSinglePrecisionSums) {
    // The writing hand's approach: the run is not snapped to its target.
    Tween x;
    ASSERT_TRUE(x.set(1248.0f, 138.0f, 70.0f));
    for (int i = 1; i <= 69; ++i) ASSERT_FALSE(x.advance(1.0f)) << "call " << i;
    EXPECT_TRUE(x.advance(1.0f));
    EXPECT_EQ(x.value, 138.000244f);
    EXPECT_EQ(static_cast<int>(x.value), 138);

    Tween y;
    ASSERT_TRUE(y.set(0.0f, -50.0f, 70.0f));
    EXPECT_EQ(advanceFrames(y, 69), 0);
    EXPECT_TRUE(y.advance(1.0f));
    EXPECT_EQ(y.value, -50.0000114f);
    EXPECT_EQ(static_cast<int>(y.value), -50);

    // The glide back to the margin lands just short of it.
    Tween g;
    ASSERT_TRUE(g.set(154.0f, 138.0f, 20.0f));
    EXPECT_EQ(advanceFrames(g, 20), 1);
    EXPECT_EQ(g.value, 137.99994f);
    EXPECT_EQ(static_cast<int>(g.value), 137);
}

TEST(Tween, FirstStepsOfTheApproach) {
    Tween x;
    x.set(1248.0f, 138.0f, 70.0f);
    const int expected[] = {1232, 1216, 1200, 1184, 1168, 1152};
    for (int want : expected) {
        x.advance(1.0f);
        EXPECT_EQ(static_cast<int>(x.value), want);
    }
}

TEST(Tween, SetRefusesNegativeAndNaNFrameCounts) {
    Tween t;
    ASSERT_TRUE(t.set(1.0f, 3.0f, 4.0f));
    t.advance(1.0f);
    const Tween before = t;

    EXPECT_FALSE(t.set(5.0f, 9.0f, -1.0f));
    EXPECT_FALSE(t.set(5.0f, 9.0f, std::nanf("")));
    EXPECT_FALSE(t.set(5.0f, 9.0f, -0.0001f));
    EXPECT_EQ(t.value, before.value);
    EXPECT_EQ(t.stepPerFrame, before.stepPerFrame);
    EXPECT_EQ(t.framesLeft, before.framesLeft);
}

TEST(Tween, ZeroFramesFinishesAtTheStart) {
    Tween t;
    ASSERT_TRUE(t.set(5.0f, 9.0f, 0.0f));
    EXPECT_TRUE(std::isfinite(t.stepPerFrame));
    EXPECT_TRUE(t.advance(1.0f));
    EXPECT_EQ(t.value, 5.0f);
    EXPECT_TRUE(t.advance(1.0f));
    EXPECT_EQ(t.value, 5.0f);
}

TEST(Tween, FractionalFrameCountOvershoots) {
    Tween t;
    ASSERT_TRUE(t.set(0.0f, 10.0f, 2.5f));
    EXPECT_FALSE(t.advance(1.0f));
    EXPECT_FALSE(t.advance(1.0f));
    EXPECT_TRUE(t.advance(1.0f));
    EXPECT_EQ(t.value, 12.0f);
    EXPECT_EQ(t.framesLeft, -0.5f);
    // Finished: later calls change nothing.
    EXPECT_TRUE(t.advance(1.0f));
    EXPECT_EQ(t.value, 12.0f);
}

TEST(Tween, SetReplacesARunningTween) {
    Tween t;
    t.set(0.0f, 100.0f, 10.0f);
    advanceFrames(t, 3);
    ASSERT_TRUE(t.set(50.0f, 40.0f, 2.0f));
    EXPECT_EQ(t.value, 50.0f);
    EXPECT_FALSE(t.advance(1.0f));
    EXPECT_EQ(t.value, 45.0f);
    EXPECT_TRUE(t.advance(1.0f));
    EXPECT_EQ(t.value, 40.0f);
}

TEST(Tween, LShapedMoveRunsTheSecondOnlyAfterTheFirst) {
    // The caller's pattern: advance y only once x reports finished.
    Tween x, y;
    x.set(0.0f, 3.0f, 3.0f);
    y.set(0.0f, 2.0f, 2.0f);
    struct Step {
        float x, y;
        bool over;
    };
    const Step expected[] = {
        {1, 0, false},
        {2, 0, false},
        {3, 1, false},
        {3, 2, true},
    };
    for (const Step& s : expected) {
        bool over = x.advance(1.0f) && y.advance(1.0f);
        EXPECT_EQ(x.value, s.x);
        EXPECT_EQ(y.value, s.y);
        EXPECT_EQ(over, s.over);
    }
}

}  // namespace
