#include <gtest/gtest.h>

#include <vector>

#include "app/scene.h"
#include "app/scene_frame.h"
#include "app/scene_state.h"
#include "platform/wall_clock.h"
#include "tests/support/allocation_counter.h"

namespace {
void noWait(uint32_t) {}
}  // namespace

namespace {

TEST(SceneAllocation, CounterSeesAnAllocation) {
    // Without this the test below would pass with a counter that never counts.
    const long before = allocationCount();
    auto* p = new std::vector<int>(16);
    const long during = allocationCount() - before;
    delete p;
    EXPECT_GE(during, 1);
}

TEST(SceneAllocation, FramesAllocateNothingInAnyPhase) {
    fixWallClock(1'765'000'000);
    setSceneSleep(noWait);
    ASSERT_EQ(sceneInit(), 1);
    // Slide-in, approach, and the first page with line feeds and glides.
    const long before = allocationCount();
    for (int frame = 0; frame < 1200; ++frame) sceneFrame();
    const long during = allocationCount() - before;
    const int32_t reached = phase;
    sceneShutdown();
    setSceneSleep(nullptr);
    releaseWallClock();
    EXPECT_EQ(reached, SCENE_WRITING);
    EXPECT_EQ(during, 0);
}

}  // namespace
