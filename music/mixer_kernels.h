#pragma once
// The mixer's inner loops. mixVoices cuts every voice into runs that meet
// neither a loop boundary nor a ramp change; a kernel mixes one such run.
// Positions and steps are 32.32 fixed point held in 64 bits (two's
// complement, so a backward step is the negated step and a position a hair
// below frame 0 is negative). Every kernel gives bit-identical results: the
// vector ones only do the same per-frame arithmetic on several frames at once.
#include <cmath>
#include <cstdint>
#include <cstring>

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
// The vector paths do the same arithmetic in every lane. Always inlined: an
// out-of-line copy built for another instruction set must never serve the
// portable path.
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

// The exponents of the lowest and the highest set bit of a finite, non-zero
// double, read from its bits (cheaper than the library's frexp per ramp).
struct BitSpan {
    int32_t lowest;
    int32_t highest;
};
inline BitSpan bitSpan(double x) {
    uint64_t bits;
    std::memcpy(&bits, &x, sizeof bits);
    const int32_t field = static_cast<int32_t>((bits >> 52) & 0x7FF);
    uint64_t mantissa = bits & ((uint64_t{1} << 52) - 1);
    if (field != 0) mantissa |= uint64_t{1} << 52;
    const int32_t scale = (field != 0 ? field : 1) - 1075;  // x = mantissa x 2^scale
    return BitSpan{scale + __builtin_ctzll(mantissa), scale + 63 - __builtin_clzll(mantissa)};
}

// Whether a ramp's running sums gain + step, gain + 2 step, ... over
// `frames` frames are all exact, so that frame k's gain is gain + k x step
// however it is worked out: true when every sum is a whole multiple of the
// lowest bit of gain and step and stays within a double's 53 bits. The
// mixer's gains (a volume byte times 1/255 as a float) and steps (floats)
// always pass; anything else must be summed one frame at a time.
inline bool rampSumsExact(double gain, double step, int32_t frames) {
    if (!std::isfinite(gain) || !std::isfinite(step) || frames < 1) return false;
    if (step == 0.0) return true;
    const BitSpan s = bitSpan(step);
    int32_t lowest = s.lowest;
    // |gain| + frames x |step| < 2^top
    int32_t top = s.highest + 1 + (32 - __builtin_clz(static_cast<uint32_t>(frames)));
    if (gain != 0.0) {
        const BitSpan g = bitSpan(gain);
        if (g.lowest < lowest) lowest = g.lowest;
        if (g.highest + 1 > top) top = g.highest + 1;
    }
    return top + 1 <= lowest + 53;
}

// Converts `count` floats of the mix to 16-bit samples, each as pcm16Of.
using ConvertKernel = void (*)(int16_t* out, const float* in, int32_t count);

// One float of the mix as a 16-bit sample: rounded half to even (the default
// rounding mode), clamped to -32768..32767, and -32768 for NaN and anything
// outside the 32-bit range, which is what the processors' vector conversion
// and saturation give; so the vector paths convert exactly as this does.
[[gnu::always_inline]] inline int16_t pcm16Of(float x) {
    const float rounded = std::nearbyint(x);
    int32_t value = -32768;
    if (rounded >= -2147483648.0f && rounded < 2147483648.0f) value = static_cast<int32_t>(rounded);
    if (value < -32768) value = -32768;
    if (value > 32767) value = 32767;
    return static_cast<int16_t>(value);
}

struct MixKernels {
    MixRunKernel run;
    MixRampKernel ramp;
    ConvertKernel convert;
};

enum class MixPath { Scalar, Avx2, Avx512, Simd128 };

extern const MixKernels scalarMixKernels;
#if defined(__x86_64__) || defined(__i386__)
#define YULE_MIX_X86 1
extern const MixKernels avx2MixKernels;
extern const MixKernels avx512MixKernels;
#endif
#if defined(__wasm_simd128__)
extern const MixKernels simd128MixKernels;
#endif

// The kernels of a path (the scalar ones where the build has no others).
const MixKernels* mixKernelsOf(MixPath path);
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
//   Reach                          what a group may read: the run's lowest
//                                  and highest frames, and the group's own
//                                  lowest
//   pairs(data, lanes, first, step, count, reach)
//                                  data[i] and data[i + 1] under each of the
//                                  first count lanes (the frames from first),
//                                  reading nothing outside the run's frames
//   Gains                          left, right, left, right ... for half a
//                                  group's frames
//   GAIN_SCALE                     a power of two the gains are handed over
//                                  multiplied by (exactly, but for gains too
//                                  small to show in a float)
//   loadGains(g), addGains(a, b), mulGains(a, b)
//                                  from memory; lane by lane
//   pairGains(left, right)         left, right, left, right ...
//   frameNumbers(first)            first, first, first + 1, first + 1 ... as
//                                  doubles, the frames of half a group
//   mix(out, pairs, lanes, low, high)
//                                  WIDTH frames into out, as mixFrame does,
//                                  the first half with gains low
//   mixTail(out, pairs, lanes, low, high, count)
//                                  as mix for the first count frames only
//   convert                        a ConvertKernel
#ifdef YULE_VECTOR_TARGET
// The frames a group of a run may read: nothing outside the run's own.
struct Reach {
    int32_t runLowest;   // the run's lowest frame read
    int32_t runHighest;  // ... and its highest (the last frame's partner)
    int32_t lowest;      // the group's lowest frame read
    // The start of a window of `size` frames that holds the group's frames
    // and lies within the run's, or runLowest - 1 when none does: the
    // group's lowest, or for a group near the run's top, the top's window.
    int32_t window(int32_t size) const {
        const int32_t top = runHighest - (size - 1);
        return lowest <= top ? lowest : top >= runLowest ? top : runLowest - 1;
    }
};

template <class Lanes>
struct VectorKernels {
    static constexpr int32_t WIDTH = Lanes::WIDTH;
    using Gains = typename Lanes::Gains;

    // Where each group's gains come from. Fixed for a run.
    struct FixedGains {
        Gains low;
        Gains high;
        void next() {}
    };
    // A ramp whose sums are exact (see rampSumsExact): each lane moves on by
    // a whole group's change, WIDTH independent sums instead of one chain.
    struct SteppedGains {
        Gains low;
        Gains high;
        Gains change;
        YULE_VECTOR_TARGET void next() {
            low = Lanes::addGains(low, change);
            high = Lanes::addGains(high, change);
        }
    };
    // Any other ramp: a table of the running sums, left and right per frame.
    struct TableGains {
        const double* table;
        Gains low;
        Gains high;
        YULE_VECTOR_TARGET void next() {
            table += 2 * WIDTH;
            low = Lanes::loadGains(table);
            high = Lanes::loadGains(table + WIDTH);
        }
    };

    // Mixes a run a group at a time with gains from `source`; the frames
    // left over make a last group of their own, whose lanes past the run
    // read the run's first frame again and store nothing.
    template <class Source>
    [[gnu::always_inline]] YULE_VECTOR_TARGET static inline void mixGroups(float* out, const int16_t* data,
                                                                           int32_t frames, uint64_t position,
                                                                           uint64_t step, Source& source) {
        // The run itself reads data[first .. last + 1]; a group may not read
        // beyond that, since nothing more is known to be readable.
        const bool backward = static_cast<int64_t>(step) < 0;
        const uint64_t lastPosition = position + static_cast<uint64_t>(frames - 1) * step;
        Reach reach{integerOf(backward ? lastPosition : position),
                    integerOf(backward ? position : lastPosition) + 1, 0};
        const typename Lanes::Positions stride = Lanes::splat(WIDTH * step);
        typename Lanes::Positions lanes = Lanes::start(position, step);
        int32_t k = 0;
        for (; k + WIDTH <= frames; k += WIDTH) {
            const uint64_t first = position + static_cast<uint64_t>(k) * step;
            reach.lowest = integerOf(backward ? first + (WIDTH - 1) * step : first);
            const auto p = Lanes::pairs(data, lanes, first, step, WIDTH, reach);
            Lanes::mix(out + 2 * k, p, lanes, source.low, source.high);
            source.next();
            lanes = Lanes::advance(lanes, stride);
        }
        if (k < frames) {
            const uint64_t first = position + static_cast<uint64_t>(k) * step;
            reach.lowest = backward ? reach.runLowest : integerOf(first);
            const auto p = Lanes::pairs(data, lanes, first, step, frames - k, reach);
            Lanes::mixTail(out + 2 * k, p, lanes, source.low, source.high, frames - k);
        }
    }

    YULE_VECTOR_TARGET static uint64_t run(float* out, const int16_t* data, int32_t frames, uint64_t position,
                                           uint64_t step, double leftGain, double rightGain) {
        const Gains gains = Lanes::pairGains(leftGain * Lanes::GAIN_SCALE, rightGain * Lanes::GAIN_SCALE);
        FixedGains source{gains, gains};
        mixGroups(out, data, frames, position, step, source);
        return position + static_cast<uint64_t>(frames) * step;
    }

    YULE_VECTOR_TARGET static uint64_t ramp(float* out, const int16_t* data, int32_t frames,
                                            uint64_t position, uint64_t step, double* leftGain,
                                            double* rightGain, double leftStep, double rightStep) {
        const double left = *leftGain;
        const double right = *rightGain;
        if (rampSumsExact(left, leftStep, frames) && rampSumsExact(right, rightStep, frames)) {
            // Frame k's gains are left + k x leftStep and right + k x
            // rightStep exactly, as the sums frame by frame give them.
            const Gains start = Lanes::pairGains(left, right);
            const Gains steps = Lanes::pairGains(leftStep, rightStep);
            SteppedGains source{rampGains(start, steps, 0), rampGains(start, steps, WIDTH / 2),
                                Lanes::pairGains(static_cast<double>(WIDTH) * leftStep * Lanes::GAIN_SCALE,
                                                 static_cast<double>(WIDTH) * rightStep * Lanes::GAIN_SCALE)};
            mixGroups(out, data, frames, position, step, source);
            *leftGain = left + static_cast<double>(frames) * leftStep;
            *rightGain = right + static_cast<double>(frames) * rightStep;
            return position + static_cast<uint64_t>(frames) * step;
        }
        return summedRamp(out, data, frames, position, step, leftGain, rightGain, leftStep, rightStep);
    }

    static constexpr MixKernels kernels() { return MixKernels{run, ramp, Lanes::convert}; }

  private:
    // The gains of frames first, first + 1 ... for half a group: start + k x
    // steps, scaled.
    [[gnu::always_inline]] YULE_VECTOR_TARGET static inline Gains rampGains(Gains start, Gains steps,
                                                                            int32_t first) {
        const Gains scale = Lanes::pairGains(Lanes::GAIN_SCALE, Lanes::GAIN_SCALE);
        return Lanes::mulGains(Lanes::addGains(start, Lanes::mulGains(Lanes::frameNumbers(first), steps)),
                               scale);
    }

    static int32_t integerOf(uint64_t position) {
        return static_cast<int32_t>(static_cast<uint32_t>(position >> 32));
    }

    // The gains as a running sum, added frame by frame as in the scalar loop,
    // worked out a chunk ahead (left, right per frame, the buffer's own
    // layout); the frames are then mixed a group at a time.
    YULE_VECTOR_TARGET static uint64_t summedRamp(float* out, const int16_t* data, int32_t frames,
                                                  uint64_t position, uint64_t step, double* leftGain,
                                                  double* rightGain, double leftStep, double rightStep) {
        constexpr int32_t CHUNK = 64;
        // A group more than a chunk: the last group loads past the chunk's
        // frames (what it loads there is never stored).
        alignas(64) double gains[2 * (CHUNK + WIDTH)] = {};
        double left = *leftGain;
        double right = *rightGain;
        for (int32_t done = 0; done < frames; done += CHUNK) {
            const int32_t n = frames - done < CHUNK ? frames - done : CHUNK;
            for (int32_t k = 0; k < n; ++k) {
                gains[2 * k] = left * Lanes::GAIN_SCALE;
                gains[2 * k + 1] = right * Lanes::GAIN_SCALE;
                left += leftStep;
                right += rightStep;
            }
            float* chunk = out + 2 * done;
            TableGains source{gains, Lanes::loadGains(gains), Lanes::loadGains(gains + WIDTH)};
            mixGroups(chunk, data, n, position, step, source);
            position += static_cast<uint64_t>(n) * step;
        }
        *leftGain = left;
        *rightGain = right;
        return position;
    }
};
#endif
