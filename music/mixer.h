#pragma once
// The software mixer: adds voices 0..31 into an interleaved float stereo
// buffer, and converts such a buffer to 16-bit PCM.
#include <cstdint>

struct Sample;

// The ramp length and its reciprocal come from music/output_format.h.

// Adds every active voice's contribution to `frames` frames of `buffer`
// (left, right pairs). Does nothing for frames < 1.
void mixVoices(float* buffer, int32_t frames);

// Converts 2 x frames floats into int16, rounding half to even and clamping.
void convertToPcm16(int16_t* out, const float* in, int32_t frames);

// A short forward loop cuts a voice into as many runs as the loop repeats.
// Repeated a few times over in a copy, the loop lets the runs that follow
// one another across its end be mixed as one: the loader reserves
// loopCopySize(sample) frames behind the sample's data (0: the sample gets
// no copy) and fills them with writeLoopCopy once the data is final.
uint32_t loopCopySize(const Sample& sample);
void writeLoopCopy(Sample& sample, int16_t* copy);
