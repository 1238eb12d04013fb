#include "platform/ticks.h"

#include <emscripten.h>

uint32_t tickCount() {
    // The page's monotonic clock in milliseconds since the first reading.
    static const double start = emscripten_get_now();
    return static_cast<uint32_t>(static_cast<uint64_t>(emscripten_get_now() - start));
}
