// Inner loops for processors with AVX-512: eight frames at a time, each lane
// giving what the scalar frame gives (see mixer_avx2.cpp). The interpolated
// value is worked out exactly in integers: a + (b - a) x (fraction >> 1) x
// 2^-31 needs at most 49 bits, so the double arithmetic of the scalar frame
// rounds nowhere, and a x 2^31 + (b - a) x (fraction >> 1) converted to
// double is the same value times 2^31. The gains come scaled by 2^-31, which
// rounds nothing either (short of gains below 2^-991, whose products are too
// small for a float to hold), so each product is the scalar frame's product.
#if defined(__x86_64__) || defined(__i386__)

// GCC 12 reports its own AVX-512 intrinsics (they start from an undefined
// register) as maybe uninitialised once inlined; they are not.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

#include <immintrin.h>

#include <climits>
#include <cstdint>
#include <cstring>

#define YULE_VECTOR_TARGET __attribute__((target("avx512f,avx512dq,avx2")))
// The lanes' steps are inlined into the driver's loop whatever the
// compiler's estimate of their size.
#define YULE_LANE_STEP __attribute__((target("avx512f,avx512dq,avx2"), always_inline)) static inline
#include "music/mixer_kernels.h"

namespace {

// The sample frames under eight lanes, data[i] and data[i + 1], each in the
// low half of a 64-bit lane (what the high halves hold does not matter).
struct Pairs {
    __m512i a;
    __m512i b;
};

// A 32-bit read at frame i: data[i] in the low half, data[i + 1] in the high.
inline int32_t readPair(const int16_t* data, uint64_t position) {
    int32_t pair;
    std::memcpy(&pair, data + static_cast<int32_t>(static_cast<uint32_t>(position >> 32)), sizeof pair);
    return pair;
}

struct Avx512Lanes {
    static constexpr int32_t WIDTH = 8;
    // Lane j plays frame ORDER[j] of its group: then the unpacking within
    // each 128-bit lane, cheaper than a permute across them, puts frames 0 to
    // 3 and 4 to 7 each twice in a row, beside their left and right entries.
    static constexpr int32_t ORDER[WIDTH] = {0, 4, 1, 5, 2, 6, 3, 7};
    static constexpr double GAIN_SCALE = 0x1p-31;
    using Positions = __m512i;
    using Gains = __m512d;

    // Built in registers: written to memory and loaded back as one vector,
    // they would wait for the stores (a stall on every call).
    YULE_LANE_STEP Positions start(uint64_t position, uint64_t step) {
        const __m512i order =
            _mm512_setr_epi64(ORDER[0], ORDER[1], ORDER[2], ORDER[3], ORDER[4], ORDER[5], ORDER[6], ORDER[7]);
        return _mm512_add_epi64(splat(position), _mm512_mullo_epi64(order, splat(step)));
    }

    YULE_LANE_STEP Gains loadGains(const double* gains) { return _mm512_loadu_pd(gains); }
    YULE_LANE_STEP Gains addGains(Gains a, Gains b) { return _mm512_add_pd(a, b); }
    YULE_LANE_STEP Gains mulGains(Gains a, Gains b) { return _mm512_mul_pd(a, b); }
    YULE_LANE_STEP Gains pairGains(double left, double right) {
        return _mm512_mask_blend_pd(0xAA, _mm512_set1_pd(left), _mm512_set1_pd(right));
    }
    YULE_LANE_STEP Gains frameNumbers(int32_t first) {
        return _mm512_add_pd(_mm512_set1_pd(first), _mm512_setr_pd(0, 0, 1, 1, 2, 2, 3, 3));
    }

    YULE_LANE_STEP Positions splat(uint64_t value) {
        return _mm512_set1_epi64(static_cast<long long>(value));
    }
    YULE_LANE_STEP Positions advance(Positions lanes, Positions stride) {
        return _mm512_add_epi64(lanes, stride);
    }

    // When a window of 16 sample frames within the run holds all eight
    // frames (steps below 2 frames), or one of 32 (steps below 4), one or
    // two loads and two permutes fetch them; else eight reads put straight
    // into a register, on the processors at hand faster than a gather. The
    // lanes past `count` take what the permutes give them, or the first
    // frame's pair.
    YULE_LANE_STEP Pairs pairs(const int16_t* data, Positions lanes, uint64_t first, uint64_t step,
                               int32_t count, const Reach& reach) {
        const uint64_t magnitude = static_cast<int64_t>(step) < 0 ? 0 - step : step;
        if (magnitude < (uint64_t{4} << 32)) {
            const bool narrow = magnitude < (uint64_t{2} << 32);
            const int32_t base = reach.window(narrow ? 16 : 32);
            if (base >= reach.runLowest) {
                const __m512i a = _mm512_sub_epi32(_mm512_srli_epi64(lanes, 32), _mm512_set1_epi32(base));
                const __m512i b = _mm512_add_epi32(a, _mm512_set1_epi32(1));
                const __m512i low =
                    _mm512_cvtepi16_epi32(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(data + base)));
                if (narrow) return Pairs{_mm512_permutexvar_epi32(a, low), _mm512_permutexvar_epi32(b, low)};
                const __m512i high = _mm512_cvtepi16_epi32(
                    _mm256_loadu_si256(reinterpret_cast<const __m256i*>(data + base + 16)));
                return Pairs{_mm512_permutex2var_epi32(low, a, high),
                             _mm512_permutex2var_epi32(low, b, high)};
            }
        }
        auto at = [&](int32_t j) {
            const int32_t frame = ORDER[j] < count ? ORDER[j] : 0;
            return readPair(data, first + static_cast<uint64_t>(frame) * step);
        };
        __m128i low = _mm_cvtsi32_si128(at(0));
        low = _mm_insert_epi32(low, at(1), 1);
        low = _mm_insert_epi32(low, at(2), 2);
        low = _mm_insert_epi32(low, at(3), 3);
        __m128i high = _mm_cvtsi32_si128(at(4));
        high = _mm_insert_epi32(high, at(5), 1);
        high = _mm_insert_epi32(high, at(6), 2);
        high = _mm_insert_epi32(high, at(7), 3);
        const __m512i wide =
            _mm512_cvtepu32_epi64(_mm256_inserti128_si256(_mm256_castsi128_si256(low), high, 1));
        return Pairs{_mm512_srai_epi32(_mm512_slli_epi32(wide, 16), 16), _mm512_srai_epi32(wide, 16)};
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

    // The value under each lane times 2^31, exactly: a x 2^31 + (b - a) x
    // (fraction >> 1), in 64-bit integers, then as a double.
    YULE_LANE_STEP __m512d scaledValues(Pairs p, Positions lanes) {
        const __m512i weight = _mm512_srli_epi32(lanes, 1);  // the fraction's half, in each lane's low half
        const __m512i slope = _mm512_mul_epi32(_mm512_sub_epi32(p.b, p.a), weight);
        // -a x 2^31, as a times -2^31, the one 32-bit factor that gives it.
        const __m512i base = _mm512_mul_epi32(p.a, _mm512_set1_epi32(INT32_MIN));
        return _mm512_cvtepi64_pd(_mm512_sub_epi64(slope, base));
    }

    // Eight frames into out[0..15], frames 0 to 3 against gainsLow.
    YULE_LANE_STEP void mix(float* out, Pairs p, Positions lanes, Gains gainsLow, Gains gainsHigh) {
        const __m512d values = scaledValues(p, lanes);
        const __m512d low = _mm512_add_pd(_mm512_cvtps_pd(_mm256_loadu_ps(out)),
                                          _mm512_mul_pd(_mm512_unpacklo_pd(values, values), gainsLow));
        const __m512d high = _mm512_add_pd(_mm512_cvtps_pd(_mm256_loadu_ps(out + 8)),
                                           _mm512_mul_pd(_mm512_unpackhi_pd(values, values), gainsHigh));
        _mm256_storeu_ps(out, _mm512_cvtpd_ps(low));
        _mm256_storeu_ps(out + 8, _mm512_cvtpd_ps(high));
    }

    // As mix for the first `count` frames only; nothing else is read or written.
    YULE_LANE_STEP void mixTail(float* out, Pairs p, Positions lanes, Gains gainsLow, Gains gainsHigh,
                                int32_t count) {
        const __m512d values = scaledValues(p, lanes);
        const auto entries = static_cast<__mmask16>((1u << (2 * count)) - 1);
        const __m512 mix = _mm512_maskz_loadu_ps(entries, out);
        const __m512d low = _mm512_add_pd(_mm512_cvtps_pd(_mm512_castps512_ps256(mix)),
                                          _mm512_mul_pd(_mm512_unpacklo_pd(values, values), gainsLow));
        const __m512d high =
            _mm512_add_pd(_mm512_cvtps_pd(_mm256_castpd_ps(_mm512_extractf64x4_pd(_mm512_castps_pd(mix), 1))),
                          _mm512_mul_pd(_mm512_unpackhi_pd(values, values), gainsHigh));
        const __m512d both =
            _mm512_insertf64x4(_mm512_castpd256_pd512(_mm256_castps_pd(_mm512_cvtpd_ps(low))),
                               _mm256_castps_pd(_mm512_cvtpd_ps(high)), 1);
        _mm512_mask_storeu_ps(out, entries, _mm512_castpd_ps(both));
    }
};

}  // namespace

const MixKernels avx512MixKernels = VectorKernels<Avx512Lanes>::kernels();

#endif
