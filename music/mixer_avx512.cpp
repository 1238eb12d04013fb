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

#include <cstring>

#define YULE_TARGET_AVX512 __attribute__((target("avx512f,avx2")))

namespace {

YULE_TARGET_AVX512 inline __m512i eightPositions(uint64_t position, uint64_t step) {
    return _mm512_setr_epi64(
        static_cast<long long>(position), static_cast<long long>(position + step),
        static_cast<long long>(position + 2 * step), static_cast<long long>(position + 3 * step),
        static_cast<long long>(position + 4 * step), static_cast<long long>(position + 5 * step),
        static_cast<long long>(position + 6 * step), static_cast<long long>(position + 7 * step));
}

// The sample frames under eight lanes: data[i] and data[i + 1] as 32-bit values.
struct Pairs {
    __m256i a;
    __m256i b;
};

// A 32-bit read at frame i: data[i] in the low half, data[i + 1] in the high.
inline int32_t readPair(const int16_t* data, uint64_t position) {
    int32_t pair;
    std::memcpy(&pair, data + static_cast<int32_t>(static_cast<uint32_t>(position >> 32)), sizeof pair);
    return pair;
}

// Eight such reads put straight into a register; on the processors at hand
// faster than a gather (and than a pass through memory, which stalls).
YULE_TARGET_AVX512 inline Pairs readPairs(const int16_t* data, uint64_t first, uint64_t step) {
    __m128i low = _mm_cvtsi32_si128(readPair(data, first));
    low = _mm_insert_epi32(low, readPair(data, first + step), 1);
    low = _mm_insert_epi32(low, readPair(data, first + 2 * step), 2);
    low = _mm_insert_epi32(low, readPair(data, first + 3 * step), 3);
    __m128i high = _mm_cvtsi32_si128(readPair(data, first + 4 * step));
    high = _mm_insert_epi32(high, readPair(data, first + 5 * step), 1);
    high = _mm_insert_epi32(high, readPair(data, first + 6 * step), 2);
    high = _mm_insert_epi32(high, readPair(data, first + 7 * step), 3);
    const __m256i pair = _mm256_inserti128_si256(_mm256_castsi128_si256(low), high, 1);
    return Pairs{_mm256_srai_epi32(_mm256_slli_epi32(pair, 16), 16), _mm256_srai_epi32(pair, 16)};
}

// When all eight frames lie within 16 sample frames from `lowest` (steps
// below 2 frames), one load and two permutes replace the eight reads.
YULE_TARGET_AVX512 inline Pairs windowPairs(const int16_t* data, int32_t lowest, __m256i index) {
    const __m512i window =
        _mm512_cvtepi16_epi32(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(data + lowest)));
    const __m256i offset = _mm256_sub_epi32(index, _mm256_set1_epi32(lowest));
    const __m512i first = _mm512_zextsi256_si512(offset);
    const __m512i second = _mm512_zextsi256_si512(_mm256_add_epi32(offset, _mm256_set1_epi32(1)));
    return Pairs{_mm512_castsi512_si256(_mm512_permutexvar_epi32(first, window)),
                 _mm512_castsi512_si256(_mm512_permutexvar_epi32(second, window))};
}

// The same over 32 sample frames from `lowest`, for steps below 4 frames.
YULE_TARGET_AVX512 inline Pairs wideWindowPairs(const int16_t* data, int32_t lowest, __m256i index) {
    const __m512i low =
        _mm512_cvtepi16_epi32(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(data + lowest)));
    const __m512i high =
        _mm512_cvtepi16_epi32(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(data + lowest + 16)));
    const __m256i offset = _mm256_sub_epi32(index, _mm256_set1_epi32(lowest));
    const __m512i first = _mm512_zextsi256_si512(offset);
    const __m512i second = _mm512_zextsi256_si512(_mm256_add_epi32(offset, _mm256_set1_epi32(1)));
    return Pairs{_mm512_castsi512_si256(_mm512_permutex2var_epi32(low, first, high)),
                 _mm512_castsi512_si256(_mm512_permutex2var_epi32(low, second, high))};
}

// Eight frames with fractions `fraction` and sample pairs `p` into out[0..15].
YULE_TARGET_AVX512 inline void mixEight(float* out, Pairs p, __m256i fraction, __m512d gainsLow,
                                        __m512d gainsHigh) {
    const __m512d weight =
        _mm512_mul_pd(_mm512_cvtepi32_pd(_mm256_srli_epi32(fraction, 1)), _mm512_set1_pd(0x1p-31));
    const __m512d value = _mm512_add_pd(
        _mm512_cvtepi32_pd(p.a), _mm512_mul_pd(_mm512_cvtepi32_pd(_mm256_sub_epi32(p.b, p.a)), weight));
    // Each value twice, against left, right, left, right, ...
    const __m512d low = _mm512_permutexvar_pd(_mm512_setr_epi64(0, 0, 1, 1, 2, 2, 3, 3), value);
    const __m512d high = _mm512_permutexvar_pd(_mm512_setr_epi64(4, 4, 5, 5, 6, 6, 7, 7), value);
    const __m512d mix = _mm512_castps_pd(_mm512_loadu_ps(out));
    const __m512d sumLow = _mm512_add_pd(_mm512_cvtps_pd(_mm256_castpd_ps(_mm512_castpd512_pd256(mix))),
                                         _mm512_mul_pd(low, gainsLow));
    const __m512d sumHigh = _mm512_add_pd(_mm512_cvtps_pd(_mm256_castpd_ps(_mm512_extractf64x4_pd(mix, 1))),
                                          _mm512_mul_pd(high, gainsHigh));
    const __m512d both = _mm512_insertf64x4(_mm512_castpd256_pd512(_mm256_castps_pd(_mm512_cvtpd_ps(sumLow))),
                                            _mm256_castps_pd(_mm512_cvtpd_ps(sumHigh)), 1);
    _mm512_storeu_ps(out, _mm512_castpd_ps(both));
}

// Mixes the whole groups of eight frames of a run. The gains of frame k are
// gains[2k x perFrame] (left) and the entry after it (right): perFrame 0 for
// fixed gains, 1 for a ramp's running gains. Returns the frames done.
YULE_TARGET_AVX512 inline int32_t mixGroups(float* out, const int16_t* data, int32_t frames,
                                            uint64_t position, uint64_t step, const double* gains,
                                            int32_t perFrame) {
    // The run itself reads data[first .. last + 1]; a window may not reach
    // beyond that, since nothing more is known to be readable.
    const bool backward = static_cast<int64_t>(step) < 0;
    const uint64_t magnitude = backward ? 0 - step : step;
    const uint64_t lastPosition = position + static_cast<uint64_t>(frames - 1) * step;
    const int32_t highest =
        static_cast<int32_t>(static_cast<uint32_t>((backward ? position : lastPosition) >> 32)) + 1;
    const bool narrow = magnitude < (uint64_t{2} << 32);
    const bool wide = magnitude < (uint64_t{4} << 32);
    const __m512i stride = _mm512_set1_epi64(static_cast<long long>(8 * step));
    __m512i lanes = eightPositions(position, step);
    int32_t k = 0;
    for (; k + 8 <= frames; k += 8) {
        const __m256i index = _mm512_cvtepi64_epi32(_mm512_srli_epi64(lanes, 32));
        const __m256i fraction = _mm512_cvtepi64_epi32(lanes);  // keeps the low halves
        const uint64_t first = position + static_cast<uint64_t>(k) * step;
        const int32_t lowest =
            static_cast<int32_t>(static_cast<uint32_t>((backward ? first + 7 * step : first) >> 32));
        Pairs p;
        if (narrow && lowest <= highest - 15) {
            p = windowPairs(data, lowest, index);
        } else if (wide && lowest <= highest - 31) {
            p = wideWindowPairs(data, lowest, index);
        } else {
            p = readPairs(data, first, step);
        }
        const double* g = gains + 2 * k * perFrame;
        mixEight(out + 2 * k, p, fraction, _mm512_loadu_pd(g), _mm512_loadu_pd(g + 8 * perFrame));
        lanes = _mm512_add_epi64(lanes, stride);
    }
    return k;
}

YULE_TARGET_AVX512 uint64_t avx512Run(float* out, const int16_t* data, int32_t frames, uint64_t position,
                                      uint64_t step, double leftGain, double rightGain) {
    alignas(64) const double gains[8] = {leftGain, rightGain, leftGain, rightGain,
                                         leftGain, rightGain, leftGain, rightGain};
    int32_t k = mixGroups(out, data, frames, position, step, gains, 0);
    position += static_cast<uint64_t>(k) * step;
    for (; k < frames; ++k) {
        mixFrame(out + 2 * k, data, position, leftGain, rightGain);
        position += step;
    }
    return position;
}

YULE_TARGET_AVX512 uint64_t avx512Ramp(float* out, const int16_t* data, int32_t frames, uint64_t position,
                                       uint64_t step, double* leftGain, double* rightGain, double leftStep,
                                       double rightStep) {
    // The gains are a running sum, worked out a chunk ahead frame by frame
    // (left, right per frame, the buffer's layout), then mixed eight at a time.
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

}  // namespace

const MixKernels avx512MixKernels{avx512Run, avx512Ramp};

#endif
