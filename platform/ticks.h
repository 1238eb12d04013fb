#pragma once
// The millisecond tick of the frame loop: 32 bits, wrapping after about 49
// days, so every comparison of two readings is a difference in unsigned
// 32-bit arithmetic.
#include <cstdint>

uint32_t tickCount();
