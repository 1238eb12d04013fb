#include "platform/ticks.h"

#include <chrono>

uint32_t tickCount() {
    // Milliseconds of the monotonic clock since the first reading.
    using Clock = std::chrono::steady_clock;
    static const Clock::time_point start = Clock::now();
    const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
    return static_cast<uint32_t>(elapsed.count());
}
