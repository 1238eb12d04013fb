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
    static constexpr double GAIN_SCALE = 1.0;
    using Positions = __m256i;

    // Lane j plays frame ORDER[j] of its group: then the unpacking within
    // each 128-bit lane, cheaper than a permute across them, puts frames 0
    // and 1, and 2 and 3, each twice in a row beside their entries.
    static constexpr int32_t ORDER[WIDTH] = {0, 2, 1, 3};

    YULE_LANE_STEP Positions start(uint64_t position, uint64_t step) {
        return _mm256_setr_epi64x(
            static_cast<long long>(position), static_cast<long long>(position + 2 * step),
            static_cast<long long>(position + step), static_cast<long long>(position + 3 * step));
    }
    using Gains = __m256d;

    YULE_LANE_STEP Gains loadGains(const double* gains) { return _mm256_loadu_pd(gains); }
    YULE_LANE_STEP Gains addGains(Gains a, Gains b) { return _mm256_add_pd(a, b); }
    YULE_LANE_STEP Gains mulGains(Gains a, Gains b) { return _mm256_mul_pd(a, b); }
    YULE_LANE_STEP Gains pairGains(double left, double right) {
        return _mm256_setr_pd(left, right, left, right);
    }
    YULE_LANE_STEP Gains frameNumbers(int32_t first) {
        return _mm256_add_pd(_mm256_set1_pd(first), _mm256_setr_pd(0, 0, 1, 1));
    }

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

    // When a window of 8 sample frames within the run holds all four frames
    // (steps below 2 frames), one load and two permutes fetch them; else
    // four reads put straight into a register, on the processors at hand
    // faster than a gather (and than a pass through memory, which stalls).
    // The lanes past `count` take what the permutes give them, or the first
    // frame's pair.
    YULE_LANE_STEP Pairs pairs(const int16_t* data, Positions lanes, uint64_t first, uint64_t step,
                               int32_t count, const Reach& reach) {
        const uint64_t magnitude = static_cast<int64_t>(step) < 0 ? 0 - step : step;
        const int32_t base = reach.window(8);
        if (magnitude < (uint64_t{2} << 32) && base >= reach.runLowest) {
            const __m256i window =
                _mm256_cvtepi16_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(data + base)));
            const __m128i offset = _mm_sub_epi32(_mm256_castsi256_si128(split(lanes)), _mm_set1_epi32(base));
            const __m256i a = _mm256_zextsi128_si256(offset);
            const __m256i b = _mm256_zextsi128_si256(_mm_add_epi32(offset, _mm_set1_epi32(1)));
            return Pairs{_mm256_castsi256_si128(_mm256_permutevar8x32_epi32(window, a)),
                         _mm256_castsi256_si128(_mm256_permutevar8x32_epi32(window, b))};
        }
        auto at = [&](int32_t j) {
            const int32_t frame = ORDER[j] < count ? ORDER[j] : 0;
            return readPair(data, first + static_cast<uint64_t>(frame) * step);
        };
        __m128i pair = _mm_cvtsi32_si128(at(0));
        pair = _mm_insert_epi32(pair, at(1), 1);
        pair = _mm_insert_epi32(pair, at(2), 2);
        pair = _mm_insert_epi32(pair, at(3), 3);
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

    YULE_LANE_STEP void mix(float* out, Pairs p, Positions lanes, Gains gainsLow, Gains gainsHigh) {
        const __m256d value = valueOf(p, lanes);
        const __m256d low = _mm256_add_pd(_mm256_cvtps_pd(_mm_loadu_ps(out)),
                                          _mm256_mul_pd(_mm256_unpacklo_pd(value, value), gainsLow));
        const __m256d high = _mm256_add_pd(_mm256_cvtps_pd(_mm_loadu_ps(out + 4)),
                                           _mm256_mul_pd(_mm256_unpackhi_pd(value, value), gainsHigh));
        _mm_storeu_ps(out, _mm256_cvtpd_ps(low));
        _mm_storeu_ps(out + 4, _mm256_cvtpd_ps(high));
    }
    YULE_LANE_STEP void mixTail(float* out, Pairs p, Positions lanes, Gains gainsLow, Gains gainsHigh,
                                int32_t count) {
        const __m256i entries =
            _mm256_cmpgt_epi32(_mm256_set1_epi32(2 * count), _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7));
        _mm256_maskstore_ps(out, entries,
                            mixed(_mm256_maskload_ps(out, entries), p, lanes, gainsLow, gainsHigh));
    }

    // The value under each lane, as the scalar frame works it out.
    YULE_LANE_STEP __m256d valueOf(Pairs p, Positions lanes) {
        const __m128i fraction = _mm256_extracti128_si256(split(lanes), 1);
        const __m256d weight =
            _mm256_mul_pd(_mm256_cvtepi32_pd(_mm_srli_epi32(fraction, 1)), _mm256_set1_pd(0x1p-31));
        return _mm256_add_pd(_mm256_cvtepi32_pd(p.a),
                             _mm256_mul_pd(_mm256_cvtepi32_pd(_mm_sub_epi32(p.b, p.a)), weight));
    }

    // Four frames added to the mix's 8 entries, frames 0 and 1 against
    // gainsLow.
    YULE_LANE_STEP __m256 mixed(__m256 mix, Pairs p, Positions lanes, Gains gainsLow, Gains gainsHigh) {
        const __m256d value = valueOf(p, lanes);
        const __m256d sumLow = _mm256_add_pd(_mm256_cvtps_pd(_mm256_castps256_ps128(mix)),
                                             _mm256_mul_pd(_mm256_unpacklo_pd(value, value), gainsLow));
        const __m256d sumHigh = _mm256_add_pd(_mm256_cvtps_pd(_mm256_extractf128_ps(mix, 1)),
                                              _mm256_mul_pd(_mm256_unpackhi_pd(value, value), gainsHigh));
        return _mm256_set_m128(_mm256_cvtpd_ps(sumHigh), _mm256_cvtpd_ps(sumLow));
    }
};

}  // namespace

const MixKernels avx2MixKernels = VectorKernels<Avx2Lanes>::kernels();

#endif
