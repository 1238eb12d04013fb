#pragma once
// The mixer's inner loops. mixVoices cuts every voice into runs that meet
// neither a loop boundary nor a ramp change; a kernel mixes one such run.
// Positions and steps are 32.32 fixed point held in 64 bits (two's
// complement, so a backward step is the negated step and a position a hair
// below frame 0 is negative). Every kernel gives bit-identical results: the
// vector ones only do the same per-frame arithmetic on several frames at once.
#include <cstdint>

// 1/255 as the 32-bit float it is stored as; gains are volume bytes times this.
constexpr double MIX_GAIN_UNIT = static_cast<double>(1.0f / 255.0f);

// Mixes `frames` frames at fixed gains into `out` (left, right pairs), reading
// data[i] and data[i + 1] at the integer part i of each position. Returns the
// position after the last frame.
using MixRunKernel = uint64_t (*)(float* out, const int16_t* data, int32_t frames, uint64_t position,
                                  uint64_t step, double leftGain, double rightGain);

// As above, but each gain grows by its step after every frame; the gains are
// read from and written back to *leftGain and *rightGain.
using MixRampKernel = uint64_t (*)(float* out, const int16_t* data, int32_t frames, uint64_t position,
                                   uint64_t step, double* leftGain, double* rightGain, double leftStep,
                                   double rightStep);

// One output frame: linear interpolation in double precision between the
// frames at i and i + 1 with weight (fraction >> 1) x 2^-31, scaled by each
// gain and added to the float entries (the sum is rounded to float once).
// The vector paths mix the frames left over from their groups with it.
inline void mixFrame(float* out, const int16_t* data, uint64_t position, double leftGain, double rightGain) {
    const int32_t i = static_cast<int32_t>(static_cast<uint32_t>(position >> 32));
    const uint32_t fraction = static_cast<uint32_t>(position);
    const int32_t a = data[i];
    const int32_t b = data[i + 1];
    const double weight = static_cast<double>(fraction >> 1) * 0x1p-31;
    const double value = static_cast<double>(a) + static_cast<double>(b - a) * weight;
    out[0] = static_cast<float>(static_cast<double>(out[0]) + value * leftGain);
    out[1] = static_cast<float>(static_cast<double>(out[1]) + value * rightGain);
}

struct MixKernels {
    MixRunKernel run;
    MixRampKernel ramp;
};

enum class MixPath { Scalar, Avx2, Avx512 };

extern const MixKernels scalarMixKernels;
#if defined(__x86_64__) || defined(__i386__)
#define YULE_MIX_X86 1
extern const MixKernels avx2MixKernels;
extern const MixKernels avx512MixKernels;
#endif

// Whether this processor can run a path.
bool mixPathSupported(MixPath path);
// The path mixVoices uses; the fastest supported one until told otherwise.
MixPath mixPath();
// Makes mixVoices use `path`; false (and nothing changes) when unsupported.
// For tests and benchmarks; not to be called while a block is being mixed.
bool setMixPath(MixPath path);
