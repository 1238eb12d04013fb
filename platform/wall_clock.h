#pragma once
// The wall clock in whole seconds, as the snowfall seeds its random numbers
// from it. Tests and the frame-shot tool fix it so that a run of the show is
// reproducible frame by frame; the card itself never fixes it.
#include <cstdint>

// Seconds since the epoch, or the fixed value while the clock is fixed.
int64_t wallClockSeconds();

// Makes wallClockSeconds() return `seconds` until releaseWallClock().
void fixWallClock(int64_t seconds);
void releaseWallClock();
