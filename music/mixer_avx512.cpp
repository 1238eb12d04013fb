// Inner loops for processors with AVX-512: eight frames at a time, with the
// same per-lane arithmetic as the scalar frame (see mixer_avx2.cpp).
#if defined(__x86_64__) || defined(__i386__)

// GCC 12 reports its own AVX-512 intrinsics (they start from an undefined
// register) as maybe uninitialised once inlined; they are not.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

#include <immintrin.h>

#include <cstdint>
#include <cstring>

#define YULE_VECTOR_TARGET __attribute__((target("avx512f,avx2")))
// The lanes' steps are inlined into the driver's loop whatever the
// compiler's estimate of their size.
#define YULE_LANE_STEP __attribute__((target("avx512f,avx2"), always_inline)) static inline
#include "music/mixer_kernels.h"

namespace {

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

struct Avx512Lanes {
    static constexpr int32_t WIDTH = 8;
    using Positions = __m512i;

    YULE_LANE_STEP Positions start(uint64_t position, uint64_t step) {
        return _mm512_setr_epi64(
            static_cast<long long>(position), static_cast<long long>(position + step),
            static_cast<long long>(position + 2 * step), static_cast<long long>(position + 3 * step),
            static_cast<long long>(position + 4 * step), static_cast<long long>(position + 5 * step),
            static_cast<long long>(position + 6 * step), static_cast<long long>(position + 7 * step));
    }
    using Gains = __m512d;

    YULE_LANE_STEP Gains loadGains(const double* gains) { return _mm512_loadu_pd(gains); }
    YULE_LANE_STEP Gains addGains(Gains a, Gains b) { return _mm512_add_pd(a, b); }

    YULE_LANE_STEP Positions splat(uint64_t value) {
        return _mm512_set1_epi64(static_cast<long long>(value));
    }
    YULE_LANE_STEP Positions advance(Positions lanes, Positions stride) {
        return _mm512_add_epi64(lanes, stride);
    }

    // Eight reads put straight into a register; on the processors at hand
    // faster than a gather (and than a pass through memory, which stalls).
    // When all eight frames lie within 16 sample frames from `lowest` (steps
    // below 2 frames), or within 32 (steps below 4), one or two loads and
    // two permutes replace them.
    YULE_LANE_STEP Pairs pairs(const int16_t* data, Positions lanes, uint64_t first, uint64_t step,
                               int32_t lowest, int32_t highest) {
        const uint64_t magnitude = static_cast<int64_t>(step) < 0 ? 0 - step : step;
        if (magnitude < (uint64_t{4} << 32) && lowest <= highest - 15) {
            const __m256i index = _mm512_cvtepi64_epi32(_mm512_srli_epi64(lanes, 32));
            const __m256i offset = _mm256_sub_epi32(index, _mm256_set1_epi32(lowest));
            const __m512i a = _mm512_zextsi256_si512(offset);
            const __m512i b = _mm512_zextsi256_si512(_mm256_add_epi32(offset, _mm256_set1_epi32(1)));
            const __m512i low =
                _mm512_cvtepi16_epi32(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(data + lowest)));
            if (magnitude < (uint64_t{2} << 32)) {
                return Pairs{_mm512_castsi512_si256(_mm512_permutexvar_epi32(a, low)),
                             _mm512_castsi512_si256(_mm512_permutexvar_epi32(b, low))};
            }
            if (lowest <= highest - 31) {
                const __m512i high = _mm512_cvtepi16_epi32(
                    _mm256_loadu_si256(reinterpret_cast<const __m256i*>(data + lowest + 16)));
                return Pairs{_mm512_castsi512_si256(_mm512_permutex2var_epi32(low, a, high)),
                             _mm512_castsi512_si256(_mm512_permutex2var_epi32(low, b, high))};
            }
        }
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

    // Sixteen values at a time, narrowed with signed saturation.
    YULE_VECTOR_TARGET static void convert(int16_t* out, const float* in, int32_t count) {
        int32_t k = 0;
        for (; k + 16 <= count; k += 16) {
            const __m512i whole = _mm512_cvtps_epi32(_mm512_loadu_ps(in + k));
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + k), _mm512_cvtsepi32_epi16(whole));
        }
        for (; k < count; ++k) out[k] = pcm16Of(in[k]);
    }

    // Eight frames into out[0..15], frames 0 to 3 against gainsLow.
    YULE_LANE_STEP void mix(float* out, Pairs p, Positions lanes, Gains gainsLow, Gains gainsHigh) {
        const __m256i fraction = _mm512_cvtepi64_epi32(lanes);  // keeps the low halves
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
        const __m512d sumHigh =
            _mm512_add_pd(_mm512_cvtps_pd(_mm256_castpd_ps(_mm512_extractf64x4_pd(mix, 1))),
                          _mm512_mul_pd(high, gainsHigh));
        const __m512d both =
            _mm512_insertf64x4(_mm512_castpd256_pd512(_mm256_castps_pd(_mm512_cvtpd_ps(sumLow))),
                               _mm256_castps_pd(_mm512_cvtpd_ps(sumHigh)), 1);
        _mm512_storeu_ps(out, _mm512_castpd_ps(both));
    }
};

}  // namespace

const MixKernels avx512MixKernels = VectorKernels<Avx512Lanes>::kernels();

#endif
