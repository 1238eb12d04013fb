// Inner loops for processors with AVX2: four frames at a time. Within a run
// the position of frame k is position + k x step, exact in 64-bit integers,
// so the frames are independent and each lane does the scalar frame's
// arithmetic: the same double operations in the same order (no fused
// multiply-add), one rounding to float per entry.
#include "music/mixer_kernels.h"

#ifdef YULE_MIX_X86

#include <immintrin.h>

#define YULE_TARGET_AVX2 __attribute__((target("avx2")))

namespace {

// Four frames at `position` (four 64-bit lanes) into out[0..7].
YULE_TARGET_AVX2 inline void mixFour(float* out, const int* pairs, __m256i position,
                                     __m256d gainsLow, __m256d gainsHigh) {
    // Integer parts into the low half, fractions into the high half.
    const __m256i parts = _mm256_permutevar8x32_epi32(position, _mm256_setr_epi32(1, 3, 5, 7, 0, 2, 4, 6));
    const __m128i index = _mm256_castsi256_si128(parts);
    const __m128i fraction = _mm256_extracti128_si256(parts, 1);
    // One 32-bit read per frame fetches data[i] (low half) and data[i + 1].
    const __m128i pair = _mm_i32gather_epi32(pairs, index, 2);
    const __m128i a = _mm_srai_epi32(_mm_slli_epi32(pair, 16), 16);
    const __m128i b = _mm_srai_epi32(pair, 16);
    const __m256d weight =
        _mm256_mul_pd(_mm256_cvtepi32_pd(_mm_srli_epi32(fraction, 1)), _mm256_set1_pd(0x1p-31));
    const __m256d value = _mm256_add_pd(
        _mm256_cvtepi32_pd(a), _mm256_mul_pd(_mm256_cvtepi32_pd(_mm_sub_epi32(b, a)), weight));
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
    return _mm256_setr_epi64x(static_cast<long long>(position),
                              static_cast<long long>(position + step),
                              static_cast<long long>(position + 2 * step),
                              static_cast<long long>(position + 3 * step));
}

YULE_TARGET_AVX2 uint64_t avx2Run(float* out, const int16_t* data, int32_t frames,
                                  uint64_t position, uint64_t step, double leftGain,
                                  double rightGain) {
    const int* pairs = reinterpret_cast<const int*>(data);
    const __m256d gains = _mm256_setr_pd(leftGain, rightGain, leftGain, rightGain);
    const __m256i stride = _mm256_set1_epi64x(static_cast<long long>(4 * step));
    __m256i lanes = fourPositions(position, step);
    int32_t k = 0;
    for (; k + 4 <= frames; k += 4) {
        mixFour(out + 2 * k, pairs, lanes, gains, gains);
        lanes = _mm256_add_epi64(lanes, stride);
    }
    position += static_cast<uint64_t>(k) * step;
    for (; k < frames; ++k) {
        mixFrame(out + 2 * k, data, position, leftGain, rightGain);
        position += step;
    }
    return position;
}

YULE_TARGET_AVX2 uint64_t avx2Ramp(float* out, const int16_t* data, int32_t frames,
                                   uint64_t position, uint64_t step, double* leftGain,
                                   double* rightGain, double leftStep, double rightStep) {
    // The gains are a running sum, added frame by frame as in the scalar
    // loop; they are worked out a chunk ahead (left, right per frame, the
    // buffer's own layout) and the frames are then mixed four at a time.
    constexpr int32_t CHUNK = 64;
    alignas(32) double gains[2 * CHUNK];
    const int* pairs = reinterpret_cast<const int*>(data);
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
        __m256i lanes = fourPositions(position, step);
        const __m256i stride = _mm256_set1_epi64x(static_cast<long long>(4 * step));
        int32_t k = 0;
        for (; k + 4 <= n; k += 4) {
            mixFour(chunk + 2 * k, pairs, lanes, _mm256_load_pd(gains + 2 * k),
                    _mm256_load_pd(gains + 2 * k + 4));
            lanes = _mm256_add_epi64(lanes, stride);
        }
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
