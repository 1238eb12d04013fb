#pragma once
// The figures of the open audio output that the player's other parts read:
// the output rate (voice steps, tick length) and the mixer's ramp length.
// openOutput sets them; until then they hold the values for 44,000 Hz.
#include <cstdint>

extern int32_t outputRate;    // frames per second
extern int32_t blockFrames;   // frames per 20 ms block, a multiple of 4
extern int32_t ringFrames;    // frames in the two-second ring
extern int32_t rampFrames;    // volume ramp length: rate x 128 / 44100
extern float rampReciprocal;  // 1 / rampFrames as a 32-bit float

// Sets all of the above for a rate, as opening the output does.
void setOutputFormat(int32_t rate);
