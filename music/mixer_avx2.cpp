// Inner loops for processors with AVX2: four frames at a time. Within a run
// the position of frame k is position + k x step, exact in 64-bit integers,
// so the frames are independent and each lane does the scalar frame's
// arithmetic: the same double operations in the same order (no fused
// multiply-add), one rounding to float per entry.
#include "music/mixer_kernels.h"

#ifdef YULE_MIX_X86

#include <immintrin.h>

#include <cstring>

#define YULE_TARGET_AVX2 __attribute__((target("avx2")))

namespace {

// The sample frames under four lanes: data[i] and data[i + 1] as 32-bit values.
struct Pairs {
    __m128i a;
    __m128i b;
};

// A 32-bit read at frame i: data[i] in the low half, data[i + 1] in the high.
inline int32_t readPair(const int16_t* data, uint64_t position) {
    int32_t pair;
    std::memcpy(&pair, data + static_cast<int32_t>(static_cast<uint32_t>(position >> 32)), sizeof pair);
    return pair;
}

// Four such reads put straight into a register; on the processors at hand
// faster than a gather (and than a pass through memory, which stalls).
YULE_TARGET_AVX2 inline Pairs readPairs(const int16_t* data, uint64_t first, uint64_t step) {
    __m128i pair = _mm_cvtsi32_si128(readPair(data, first));
    pair = _mm_insert_epi32(pair, readPair(data, first + step), 1);
    pair = _mm_insert_epi32(pair, readPair(data, first + 2 * step), 2);
    pair = _mm_insert_epi32(pair, readPair(data, first + 3 * step), 3);
    return Pairs{_mm_srai_epi32(_mm_slli_epi32(pair, 16), 16), _mm_srai_epi32(pair, 16)};
}

// When all four frames lie within 8 sample frames from `lowest` (steps below
// 2 frames), one load and two permutes replace the four reads.
YULE_TARGET_AVX2 inline Pairs windowPairs(const int16_t* data, int32_t lowest, __m128i index) {
    const __m256i window =
        _mm256_cvtepi16_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(data + lowest)));
    const __m128i offset = _mm_sub_epi32(index, _mm_set1_epi32(lowest));
    const __m256i first = _mm256_zextsi128_si256(offset);
    const __m256i second = _mm256_zextsi128_si256(_mm_add_epi32(offset, _mm_set1_epi32(1)));
    return Pairs{_mm256_castsi256_si128(_mm256_permutevar8x32_epi32(window, first)),
                 _mm256_castsi256_si128(_mm256_permutevar8x32_epi32(window, second))};
}

// Four frames with fractions `fraction` and sample pairs `p` into out[0..7].
YULE_TARGET_AVX2 inline void mixFour(float* out, Pairs p, __m128i fraction, __m256d gainsLow,
                                     __m256d gainsHigh) {
    const __m256d weight =
        _mm256_mul_pd(_mm256_cvtepi32_pd(_mm_srli_epi32(fraction, 1)), _mm256_set1_pd(0x1p-31));
    const __m256d value = _mm256_add_pd(_mm256_cvtepi32_pd(p.a),
                                        _mm256_mul_pd(_mm256_cvtepi32_pd(_mm_sub_epi32(p.b, p.a)), weight));
    // (v0 v0 v1 v1) and (v2 v2 v3 v3) against left, right, left, right.
    const __m256d low = _mm256_permute4x64_pd(value, 0x50);
    const __m256d high = _mm256_permute4x64_pd(value, 0xFA);
    const __m256 mix = _mm256_loadu_ps(out);
    const __m256d sumLow =
        _mm256_add_pd(_mm256_cvtps_pd(_mm256_castps256_ps128(mix)), _mm256_mul_pd(low, gainsLow));
    const __m256d sumHigh =
        _mm256_add_pd(_mm256_cvtps_pd(_mm256_extractf128_ps(mix, 1)), _mm256_mul_pd(high, gainsHigh));
    _mm256_storeu_ps(out, _mm256_set_m128(_mm256_cvtpd_ps(sumHigh), _mm256_cvtpd_ps(sumLow)));
}

YULE_TARGET_AVX2 inline __m256i fourPositions(uint64_t position, uint64_t step) {
    return _mm256_setr_epi64x(static_cast<long long>(position), static_cast<long long>(position + step),
                              static_cast<long long>(position + 2 * step),
                              static_cast<long long>(position + 3 * step));
}

// Mixes the whole groups of four frames of a run. The gains of frame k are
// gains[2k x perFrame] (left) and the entry after it (right): perFrame 0 for
// fixed gains, 1 for a ramp's running gains. Returns the frames done.
YULE_TARGET_AVX2 inline int32_t mixGroups(float* out, const int16_t* data, int32_t frames, uint64_t position,
                                          uint64_t step, const double* gains, int32_t perFrame) {
    // The run itself reads data[first .. last + 1]; a window may not reach
    // beyond that, since nothing more is known to be readable.
    const bool backward = static_cast<int64_t>(step) < 0;
    const uint64_t magnitude = backward ? 0 - step : step;
    const uint64_t lastPosition = position + static_cast<uint64_t>(frames - 1) * step;
    const int32_t highest =
        static_cast<int32_t>(static_cast<uint32_t>((backward ? position : lastPosition) >> 32)) + 1;
    const bool windows = magnitude < (uint64_t{2} << 32);
    const __m256i stride = _mm256_set1_epi64x(static_cast<long long>(4 * step));
    const __m256i split = _mm256_setr_epi32(1, 3, 5, 7, 0, 2, 4, 6);
    __m256i lanes = fourPositions(position, step);
    int32_t k = 0;
    for (; k + 4 <= frames; k += 4) {
        // Integer parts into the low half, fractions into the high half.
        const __m256i parts = _mm256_permutevar8x32_epi32(lanes, split);
        const __m128i index = _mm256_castsi256_si128(parts);
        const __m128i fraction = _mm256_extracti128_si256(parts, 1);
        const uint64_t first = position + static_cast<uint64_t>(k) * step;
        const int32_t lowest =
            static_cast<int32_t>(static_cast<uint32_t>((backward ? first + 3 * step : first) >> 32));
        const Pairs p = windows && lowest <= highest - 7 ? windowPairs(data, lowest, index)
                                                         : readPairs(data, first, step);
        const double* g = gains + 2 * k * perFrame;
        mixFour(out + 2 * k, p, fraction, _mm256_loadu_pd(g), _mm256_loadu_pd(g + 4 * perFrame));
        lanes = _mm256_add_epi64(lanes, stride);
    }
    return k;
}

YULE_TARGET_AVX2 uint64_t avx2Run(float* out, const int16_t* data, int32_t frames, uint64_t position,
                                  uint64_t step, double leftGain, double rightGain) {
    alignas(32) const double gains[4] = {leftGain, rightGain, leftGain, rightGain};
    int32_t k = mixGroups(out, data, frames, position, step, gains, 0);
    position += static_cast<uint64_t>(k) * step;
    for (; k < frames; ++k) {
        mixFrame(out + 2 * k, data, position, leftGain, rightGain);
        position += step;
    }
    return position;
}

YULE_TARGET_AVX2 uint64_t avx2Ramp(float* out, const int16_t* data, int32_t frames, uint64_t position,
                                   uint64_t step, double* leftGain, double* rightGain, double leftStep,
                                   double rightStep) {
    // The gains are a running sum, added frame by frame as in the scalar
    // loop; they are worked out a chunk ahead (left, right per frame, the
    // buffer's own layout) and the frames are then mixed four at a time.
    constexpr int32_t CHUNK = 64;
    alignas(32) double gains[2 * CHUNK];
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

}  // namespace

const MixKernels avx2MixKernels{avx2Run, avx2Ramp};

#endif
