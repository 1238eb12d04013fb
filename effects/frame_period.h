#pragma once
// The show's one clock: a frame every 21 ms. Every animation moves by a fixed
// amount a frame, the writer's pauses count frames, a recording shows one
// picture a frame; the desktop loop starts a frame at its first tick past
// 20 ms, and a browser keeps a running deadline of one frame a period.
#include <cstdint>

constexpr int32_t FRAME_PERIOD_MS = 21;
