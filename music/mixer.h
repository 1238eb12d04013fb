#pragma once
// The software mixer: adds voices 0..31 into an interleaved float stereo
// buffer, and converts such a buffer to 16-bit PCM.
#include <cstdint>

// The ramp length and its reciprocal come from music/output_format.h.

// Adds every active voice's contribution to `frames` frames of `buffer`
// (left, right pairs). Does nothing for frames < 1.
void mixVoices(float* buffer, int32_t frames);

// Converts 2 x frames floats into int16, rounding half to even and clamping.
void convertToPcm16(int16_t* out, const float* in, int32_t frames);
