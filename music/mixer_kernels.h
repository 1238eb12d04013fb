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
// Always inlined: the vector files are built for other instruction sets, and
// an out-of-line copy from one of them must never serve the portable path.
[[gnu::always_inline]] inline void mixFrame(float* out, const int16_t* data, uint64_t position,
                                            double leftGain, double rightGain) {
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

// ---- the vector driver ----
// The run and ramp loops of every vector width. A vector file defines
// YULE_VECTOR_TARGET as its instruction set's target attribute before it
// includes this header, and instantiates VectorKernels with a Lanes class:
//   WIDTH                          frames per group
//   Positions                      the 32.32 positions of a group's frames
//   start(position, step)          the positions of frames 0 .. WIDTH - 1
//   splat(value)                   every lane set to value
//   advance(lanes, stride)         every lane plus stride
//   pairs(data, lanes, first, step, lowest, highest)
//                                  data[i] and data[i + 1] under each lane,
//                                  reading nothing outside [lowest, highest]
//   mix(out, pairs, lanes, gains, perFrame)
//                                  WIDTH frames into out, as mixFrame does
#ifdef YULE_VECTOR_TARGET
template <class Lanes>
struct VectorKernels {
    static constexpr int32_t WIDTH = Lanes::WIDTH;

    // Mixes the whole groups of a run. The gains of frame k are
    // gains[2k x perFrame] (left) and the entry after it (right): perFrame 0
    // for fixed gains, 1 for a ramp's running gains. Returns the frames done.
    [[gnu::always_inline]] YULE_VECTOR_TARGET static inline int32_t mixGroups(
        float* out, const int16_t* data, int32_t frames, uint64_t position, uint64_t step,
        const double* gains, int32_t perFrame) {
        // The run itself reads data[first .. last + 1]; a group may not read
        // beyond that, since nothing more is known to be readable.
        const bool backward = static_cast<int64_t>(step) < 0;
        const uint64_t lastPosition = position + static_cast<uint64_t>(frames - 1) * step;
        const int32_t highest = integerOf(backward ? position : lastPosition) + 1;
        const typename Lanes::Positions stride = Lanes::splat(WIDTH * step);
        typename Lanes::Positions lanes = Lanes::start(position, step);
        int32_t k = 0;
        for (; k + WIDTH <= frames; k += WIDTH) {
            const uint64_t first = position + static_cast<uint64_t>(k) * step;
            const int32_t lowest = integerOf(backward ? first + (WIDTH - 1) * step : first);
            const auto p = Lanes::pairs(data, lanes, first, step, lowest, highest);
            Lanes::mix(out + 2 * k, p, lanes, gains + 2 * k * perFrame, perFrame);
            lanes = Lanes::advance(lanes, stride);
        }
        return k;
    }

    YULE_VECTOR_TARGET static uint64_t run(float* out, const int16_t* data, int32_t frames, uint64_t position,
                                           uint64_t step, double leftGain, double rightGain) {
        alignas(64) double gains[2 * WIDTH];
        for (int32_t k = 0; k < WIDTH; ++k) {
            gains[2 * k] = leftGain;
            gains[2 * k + 1] = rightGain;
        }
        int32_t k = mixGroups(out, data, frames, position, step, gains, 0);
        position += static_cast<uint64_t>(k) * step;
        for (; k < frames; ++k) {
            mixFrame(out + 2 * k, data, position, leftGain, rightGain);
            position += step;
        }
        return position;
    }

    YULE_VECTOR_TARGET static uint64_t ramp(float* out, const int16_t* data, int32_t frames,
                                            uint64_t position, uint64_t step, double* leftGain,
                                            double* rightGain, double leftStep, double rightStep) {
        // The gains are a running sum, added frame by frame as in the scalar
        // loop; they are worked out a chunk ahead (left, right per frame, the
        // buffer's own layout) and the frames are then mixed a group at a time.
        constexpr int32_t CHUNK = 64;
        alignas(64) double gains[2 * CHUNK];
        double left = *leftGain;
        double right = *rightGain;
        for (int32_t done = 0; done < frames; done += CHUNK) {
            const int32_t n = frames - done < CHUNK ? frames - done : CHUNK;
            for (int32_t k = 0; k < n; ++k) {
                gains[2 * k] = left;
                gains[2 * k + 1] = right;
                left += leftStep;
                right += rightStep;
            }
            float* chunk = out + 2 * done;
            int32_t k = mixGroups(chunk, data, n, position, step, gains, 1);
            position += static_cast<uint64_t>(k) * step;
            for (; k < n; ++k) {
                mixFrame(chunk + 2 * k, data, position, gains[2 * k], gains[2 * k + 1]);
                position += step;
            }
        }
        *leftGain = left;
        *rightGain = right;
        return position;
    }

    static constexpr MixKernels kernels() { return MixKernels{run, ramp}; }

  private:
    static int32_t integerOf(uint64_t position) {
        return static_cast<int32_t>(static_cast<uint32_t>(position >> 32));
    }
};
#endif
