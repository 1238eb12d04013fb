#include "platform/wall_clock.h"

#include <atomic>
#include <ctime>

namespace {
std::atomic<bool> clockFixed{false};
std::atomic<int64_t> fixedSeconds{0};
}  // namespace

int64_t wallClockSeconds() {
    if (clockFixed.load(std::memory_order_acquire)) return fixedSeconds.load(std::memory_order_relaxed);
    return static_cast<int64_t>(std::time(nullptr));
}

void fixWallClock(int64_t seconds) {
    fixedSeconds.store(seconds, std::memory_order_relaxed);
    clockFixed.store(true, std::memory_order_release);
}

void releaseWallClock() {
    clockFixed.store(false, std::memory_order_release);
}
