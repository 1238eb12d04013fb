// Inner loops for processors with AVX2: four frames at a time. Within a run
// the position of frame k is position + k x step, exact in 64-bit integers,
// so the frames are independent and each lane does the scalar frame's
// arithmetic: the same double operations in the same order (no fused
// multiply-add), one rounding to float per entry.
#if defined(__x86_64__) || defined(__i386__)

#include <immintrin.h>

#include <cstdint>
#include <cstring>

#define YULE_VECTOR_TARGET __attribute__((target("avx2")))
// The lanes' steps are inlined into the driver's loop whatever the
// compiler's estimate of their size.
#define YULE_LANE_STEP __attribute__((target("avx2"), always_inline)) static inline
#include "music/mixer_kernels.h"

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

struct Avx2Lanes {
    static constexpr int32_t WIDTH = 4;
    using Positions = __m256i;

    YULE_LANE_STEP Positions start(uint64_t position, uint64_t step) {
        return _mm256_setr_epi64x(static_cast<long long>(position), static_cast<long long>(position + step),
                                  static_cast<long long>(position + 2 * step),
                                  static_cast<long long>(position + 3 * step));
    }
    using Gains = __m256d;

    YULE_LANE_STEP Gains loadGains(const double* gains) { return _mm256_loadu_pd(gains); }
    YULE_LANE_STEP Gains addGains(Gains a, Gains b) { return _mm256_add_pd(a, b); }

    YULE_LANE_STEP Positions splat(uint64_t value) {
        return _mm256_set1_epi64x(static_cast<long long>(value));
    }
    YULE_LANE_STEP Positions advance(Positions lanes, Positions stride) {
        return _mm256_add_epi64(lanes, stride);
    }

    // Integer parts into the low half, fractions into the high half.
    YULE_LANE_STEP __m256i split(Positions lanes) {
        return _mm256_permutevar8x32_epi32(lanes, _mm256_setr_epi32(1, 3, 5, 7, 0, 2, 4, 6));
    }

    // Four reads put straight into a register; on the processors at hand
    // faster than a gather (and than a pass through memory, which stalls).
    // When all four frames lie within 8 sample frames from `lowest` (steps
    // below 2 frames), one load and two permutes replace them.
    YULE_LANE_STEP Pairs pairs(const int16_t* data, Positions lanes, uint64_t first, uint64_t step,
                               int32_t lowest, int32_t highest) {
        const uint64_t magnitude = static_cast<int64_t>(step) < 0 ? 0 - step : step;
        if (magnitude < (uint64_t{2} << 32) && lowest <= highest - 7) {
            const __m256i window =
                _mm256_cvtepi16_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(data + lowest)));
            const __m128i offset =
                _mm_sub_epi32(_mm256_castsi256_si128(split(lanes)), _mm_set1_epi32(lowest));
            const __m256i a = _mm256_zextsi128_si256(offset);
            const __m256i b = _mm256_zextsi128_si256(_mm_add_epi32(offset, _mm_set1_epi32(1)));
            return Pairs{_mm256_castsi256_si128(_mm256_permutevar8x32_epi32(window, a)),
                         _mm256_castsi256_si128(_mm256_permutevar8x32_epi32(window, b))};
        }
        __m128i pair = _mm_cvtsi32_si128(readPair(data, first));
        pair = _mm_insert_epi32(pair, readPair(data, first + step), 1);
        pair = _mm_insert_epi32(pair, readPair(data, first + 2 * step), 2);
        pair = _mm_insert_epi32(pair, readPair(data, first + 3 * step), 3);
        return Pairs{_mm_srai_epi32(_mm_slli_epi32(pair, 16), 16), _mm_srai_epi32(pair, 16)};
    }

    // Sixteen values at a time: the pack works within each half, so the
    // halves' middle quarters swap back afterwards.
    YULE_VECTOR_TARGET static void convert(int16_t* out, const float* in, int32_t count) {
        int32_t k = 0;
        for (; k + 16 <= count; k += 16) {
            const __m256i low = _mm256_cvtps_epi32(_mm256_loadu_ps(in + k));
            const __m256i high = _mm256_cvtps_epi32(_mm256_loadu_ps(in + k + 8));
            const __m256i packed = _mm256_permute4x64_epi64(_mm256_packs_epi32(low, high), 0xD8);
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + k), packed);
        }
        for (; k < count; ++k) out[k] = pcm16Of(in[k]);
    }

    // Four frames into out[0..7], frames 0 and 1 against gainsLow.
    YULE_LANE_STEP void mix(float* out, Pairs p, Positions lanes, Gains gainsLow, Gains gainsHigh) {
        const __m128i fraction = _mm256_extracti128_si256(split(lanes), 1);
        const __m256d weight =
            _mm256_mul_pd(_mm256_cvtepi32_pd(_mm_srli_epi32(fraction, 1)), _mm256_set1_pd(0x1p-31));
        const __m256d value = _mm256_add_pd(
            _mm256_cvtepi32_pd(p.a), _mm256_mul_pd(_mm256_cvtepi32_pd(_mm_sub_epi32(p.b, p.a)), weight));
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
};

}  // namespace

const MixKernels avx2MixKernels = VectorKernels<Avx2Lanes>::kernels();

#endif
