#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/scene_host.h"
#include "tests/support/allocation_counter.h"

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
    SceneHost show;
    std::string error;
    ASSERT_TRUE(show.open(SHOW_DEFAULT_CLOCK, error, SceneHost::Screen::OffScreen)) << error;
    // Slide-in, approach, and the first page with line feeds and glides.
    const long before = allocationCount();
    for (int frame = 0; frame < 1200; ++frame) show.nextFrame();
    const long during = allocationCount() - before;
    EXPECT_TRUE(show.writing());
    EXPECT_EQ(during, 0);
}

}  // namespace
