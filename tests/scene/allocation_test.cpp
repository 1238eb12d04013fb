#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "app/scene.h"
#include "app/scene_frame.h"
#include "app/scene_state.h"
#include "platform/wall_clock.h"

namespace {
std::atomic<long> allocations{0};
void noWait(uint32_t) {}
}  // namespace

// Counts every allocation of this test program.
// (GCC cannot see that this pair matches and warns about free.)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void* operator new(size_t size) {
    allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
void* operator new[](size_t size) {
    return operator new(size);
}
void* operator new(size_t size, const std::nothrow_t&) noexcept {
    allocations.fetch_add(1, std::memory_order_relaxed);
    return std::malloc(size ? size : 1);
}
void* operator new[](size_t size, const std::nothrow_t& tag) noexcept {
    return operator new(size, tag);
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete[](void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, size_t) noexcept {
    std::free(p);
}
void operator delete[](void* p, size_t) noexcept {
    std::free(p);
}
void operator delete(void* p, const std::nothrow_t&) noexcept {
    std::free(p);
}
void operator delete[](void* p, const std::nothrow_t&) noexcept {
    std::free(p);
}

namespace {

TEST(SceneAllocation, FramesAllocateNothingInAnyPhase) {
    fixWallClock(1'765'000'000);
    setSceneSleep(noWait);
    ASSERT_EQ(sceneInit(), 1);
    // Slide-in, approach, and the first page with line feeds and glides.
    const long before = allocations.load();
    for (int frame = 0; frame < 1200; ++frame) sceneFrame();
    const long during = allocations.load() - before;
    const int32_t reached = phase;
    sceneShutdown();
    setSceneSleep(nullptr);
    releaseWallClock();
    EXPECT_EQ(reached, SCENE_WRITING);
    EXPECT_EQ(during, 0);
}

}  // namespace
