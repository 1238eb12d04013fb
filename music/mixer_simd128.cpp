// Inner loops for WebAssembly's 128-bit vectors: two frames at a time, each
// lane doing the scalar frame's arithmetic (see mixer_avx2.cpp); WebAssembly
// has no fused multiply-add, and its conversions round as the scalar ones do.
#if defined(__wasm_simd128__)

#include <wasm_simd128.h>

#include <cstdint>
#include <cstring>

#define YULE_VECTOR_TARGET
#define YULE_LANE_STEP __attribute__((always_inline)) static inline
#include "music/mixer_kernels.h"

namespace {

// The sample frames under the two lanes: data[i] and data[i + 1] in the
// first two 32-bit lanes.
struct Pairs {
    v128_t a;
    v128_t b;
};

// A 32-bit read at frame i: data[i] in the low half, data[i + 1] in the high.
inline int32_t readPair(const int16_t* data, uint64_t position) {
    int32_t pair;
    std::memcpy(&pair, data + static_cast<int32_t>(static_cast<uint32_t>(position >> 32)), sizeof pair);
    return pair;
}

struct Simd128Lanes {
    static constexpr int32_t WIDTH = 2;
    static constexpr double GAIN_SCALE = 1.0;
    using Positions = v128_t;  // two 64-bit positions
    using Gains = v128_t;      // left and right of one frame

    YULE_LANE_STEP Positions start(uint64_t position, uint64_t step) {
        return wasm_i64x2_make(static_cast<int64_t>(position), static_cast<int64_t>(position + step));
    }
    YULE_LANE_STEP Positions splat(uint64_t value) { return wasm_i64x2_splat(static_cast<int64_t>(value)); }
    YULE_LANE_STEP Positions advance(Positions lanes, Positions stride) {
        return wasm_i64x2_add(lanes, stride);
    }

    YULE_LANE_STEP Gains loadGains(const double* gains) { return wasm_v128_load(gains); }
    YULE_LANE_STEP Gains addGains(Gains a, Gains b) { return wasm_f64x2_add(a, b); }
    YULE_LANE_STEP Gains mulGains(Gains a, Gains b) { return wasm_f64x2_mul(a, b); }
    YULE_LANE_STEP Gains pairGains(double left, double right) { return wasm_f64x2_make(left, right); }
    YULE_LANE_STEP Gains frameNumbers(int32_t first) { return wasm_f64x2_splat(first); }

    // Two reads; a second lane past `count` reads the first frame's pair.
    YULE_LANE_STEP Pairs pairs(const int16_t* data, Positions, uint64_t first, uint64_t step, int32_t count,
                               const Reach&) {
        const int32_t p0 = readPair(data, first);
        const int32_t p1 = count > 1 ? readPair(data, first + step) : p0;
        const v128_t pair = wasm_i32x4_make(p0, p1, 0, 0);
        return Pairs{wasm_i32x4_shr(wasm_i32x4_shl(pair, 16), 16), wasm_i32x4_shr(pair, 16)};
    }

    // The value under each lane, as the scalar frame works it out.
    YULE_LANE_STEP v128_t valueOf(Pairs p, Positions lanes) {
        const v128_t fraction = wasm_u32x4_shr(wasm_i32x4_shuffle(lanes, lanes, 0, 2, 0, 2), 1);
        const v128_t weight =
            wasm_f64x2_mul(wasm_f64x2_convert_low_i32x4(fraction), wasm_f64x2_splat(0x1p-31));
        return wasm_f64x2_add(wasm_f64x2_convert_low_i32x4(p.a),
                              wasm_f64x2_mul(wasm_f64x2_convert_low_i32x4(wasm_i32x4_sub(p.b, p.a)), weight));
    }

    // The first frame's two entries of `entries` (as floats) plus its products.
    YULE_LANE_STEP v128_t sum(v128_t entries, v128_t value, int lane, Gains gains) {
        const v128_t values =
            lane == 0 ? wasm_i64x2_shuffle(value, value, 0, 0) : wasm_i64x2_shuffle(value, value, 1, 1);
        return wasm_f32x4_demote_f64x2_zero(
            wasm_f64x2_add(wasm_f64x2_promote_low_f32x4(entries), wasm_f64x2_mul(values, gains)));
    }

    // Two frames into out[0..3], frame 0 against gainsLow.
    YULE_LANE_STEP void mix(float* out, Pairs p, Positions lanes, Gains gainsLow, Gains gainsHigh) {
        const v128_t value = valueOf(p, lanes);
        const v128_t entries = wasm_v128_load(out);
        const v128_t low = sum(entries, value, 0, gainsLow);
        const v128_t high = sum(wasm_i32x4_shuffle(entries, entries, 2, 3, 2, 3), value, 1, gainsHigh);
        wasm_v128_store(out, wasm_i32x4_shuffle(low, high, 0, 1, 4, 5));
    }

    // The one frame left over: nothing past its two entries is read or written.
    YULE_LANE_STEP void mixTail(float* out, Pairs p, Positions lanes, Gains gainsLow, Gains, int32_t) {
        wasm_v128_store64_lane(out, sum(wasm_v128_load64_zero(out), valueOf(p, lanes), 0, gainsLow), 0);
    }

    static void convert(int16_t* out, const float* in, int32_t count) {
        for (int32_t k = 0; k < count; ++k) out[k] = pcm16Of(in[k]);
    }
};

}  // namespace

const MixKernels simd128MixKernels = VectorKernels<Simd128Lanes>::kernels();

#endif
