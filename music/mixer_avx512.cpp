// Inner loops for processors with AVX-512: eight frames at a time, with the
// same per-lane arithmetic as the scalar frame (see mixer_avx2.cpp).
#include "music/mixer_kernels.h"

#ifdef YULE_MIX_X86

// GCC 12 reports its own AVX-512 intrinsics (they start from an undefined
// register) as maybe uninitialised once inlined; they are not.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

#include <immintrin.h>

#define YULE_TARGET_AVX512 __attribute__((target("avx512f,avx2")))

namespace {

// Eight frames at `position` (eight 64-bit lanes) into out[0..15].
YULE_TARGET_AVX512 inline void mixEight(float* out, const int* pairs, __m512i position,
                                        __m512d gainsLow, __m512d gainsHigh) {
    const __m256i index = _mm512_cvtepi64_epi32(_mm512_srli_epi64(position, 32));
    const __m256i fraction = _mm512_cvtepi64_epi32(position);  // keeps the low halves
    // One 32-bit read per frame fetches data[i] (low half) and data[i + 1].
    const __m256i pair = _mm256_i32gather_epi32(pairs, index, 2);
    const __m256i a = _mm256_srai_epi32(_mm256_slli_epi32(pair, 16), 16);
    const __m256i b = _mm256_srai_epi32(pair, 16);
    const __m512d weight =
        _mm512_mul_pd(_mm512_cvtepi32_pd(_mm256_srli_epi32(fraction, 1)), _mm512_set1_pd(0x1p-31));
    const __m512d value = _mm512_add_pd(
        _mm512_cvtepi32_pd(a), _mm512_mul_pd(_mm512_cvtepi32_pd(_mm256_sub_epi32(b, a)), weight));
    // Each value twice, against left, right, left, right, ...
    const __m512d low = _mm512_permutexvar_pd(_mm512_setr_epi64(0, 0, 1, 1, 2, 2, 3, 3), value);
    const __m512d high = _mm512_permutexvar_pd(_mm512_setr_epi64(4, 4, 5, 5, 6, 6, 7, 7), value);
    const __m512d mix = _mm512_castps_pd(_mm512_loadu_ps(out));
    const __m512d sumLow = _mm512_add_pd(
        _mm512_cvtps_pd(_mm256_castpd_ps(_mm512_castpd512_pd256(mix))), _mm512_mul_pd(low, gainsLow));
    const __m512d sumHigh = _mm512_add_pd(
        _mm512_cvtps_pd(_mm256_castpd_ps(_mm512_extractf64x4_pd(mix, 1))), _mm512_mul_pd(high, gainsHigh));
    const __m512d both = _mm512_insertf64x4(_mm512_castpd256_pd512(_mm256_castps_pd(_mm512_cvtpd_ps(sumLow))),
                                            _mm256_castps_pd(_mm512_cvtpd_ps(sumHigh)), 1);
    _mm512_storeu_ps(out, _mm512_castpd_ps(both));
}

YULE_TARGET_AVX512 inline __m512i eightPositions(uint64_t position, uint64_t step) {
    return _mm512_setr_epi64(static_cast<long long>(position),
                             static_cast<long long>(position + step),
                             static_cast<long long>(position + 2 * step),
                             static_cast<long long>(position + 3 * step),
                             static_cast<long long>(position + 4 * step),
                             static_cast<long long>(position + 5 * step),
                             static_cast<long long>(position + 6 * step),
                             static_cast<long long>(position + 7 * step));
}

YULE_TARGET_AVX512 uint64_t avx512Run(float* out, const int16_t* data, int32_t frames,
                                      uint64_t position, uint64_t step, double leftGain,
                                      double rightGain) {
    const int* pairs = reinterpret_cast<const int*>(data);
    const __m512d gains = _mm512_setr_pd(leftGain, rightGain, leftGain, rightGain, leftGain,
                                         rightGain, leftGain, rightGain);
    const __m512i stride = _mm512_set1_epi64(static_cast<long long>(8 * step));
    __m512i lanes = eightPositions(position, step);
    int32_t k = 0;
    for (; k + 8 <= frames; k += 8) {
        mixEight(out + 2 * k, pairs, lanes, gains, gains);
        lanes = _mm512_add_epi64(lanes, stride);
    }
    position += static_cast<uint64_t>(k) * step;
    for (; k < frames; ++k) {
        mixFrame(out + 2 * k, data, position, leftGain, rightGain);
        position += step;
    }
    return position;
}

YULE_TARGET_AVX512 uint64_t avx512Ramp(float* out, const int16_t* data, int32_t frames,
                                       uint64_t position, uint64_t step, double* leftGain,
                                       double* rightGain, double leftStep, double rightStep) {
    // The gains are a running sum, worked out a chunk ahead frame by frame
    // (left, right per frame, the buffer's layout), then mixed eight at a time.
    constexpr int32_t CHUNK = 64;
    alignas(64) double gains[2 * CHUNK];
    const int* pairs = reinterpret_cast<const int*>(data);
    const __m512i stride = _mm512_set1_epi64(static_cast<long long>(8 * step));
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
        __m512i lanes = eightPositions(position, step);
        int32_t k = 0;
        for (; k + 8 <= n; k += 8) {
            mixEight(chunk + 2 * k, pairs, lanes, _mm512_load_pd(gains + 2 * k),
                     _mm512_load_pd(gains + 2 * k + 8));
            lanes = _mm512_add_epi64(lanes, stride);
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

const MixKernels avx512MixKernels{avx512Run, avx512Ramp};

#endif
