#include "music/output_format.h"

int32_t outputRate = 44000;
int32_t blockFrames = 880;
int32_t ringFrames = 88000;
int32_t rampFrames = 127;
float rampReciprocal = static_cast<float>(1.0 / 127.0);

void setOutputFormat(int32_t rate) {
    outputRate = rate;
    blockFrames = (rate * 20 / 1000 + 3) & ~3;
    // safety: below 50 Hz the block would have no frames, and counting the
    // ring's blocks would divide by zero; the shortest block is 4 frames.
    if (blockFrames < 4) blockFrames = 4;
    ringFrames = (1000 / 20) * blockFrames * 2;
    rampFrames = rate * 128 / 44100;
    // safety: a rate below 345 Hz would give a ramp of 0 frames and an
    // infinite reciprocal; one frame is the shortest ramp there is.
    if (rampFrames < 1) rampFrames = 1;
    rampReciprocal = static_cast<float>(1.0 / rampFrames);
}
