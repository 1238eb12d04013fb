// The portable inner loops.
#include "music/mixer_kernels.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

uint64_t scalarRun(float* out, const int16_t* data, int32_t frames, uint64_t position, uint64_t step,
                   double leftGain, double rightGain) {
    // Two frames per pass with a one-frame tail; every frame is independent
    // of the others, so the pairing changes nothing in the results.
    int32_t k = 0;
    for (; k + 2 <= frames; k += 2) {
        mixFrame(out + 2 * k, data, position, leftGain, rightGain);
        mixFrame(out + 2 * k + 2, data, position + step, leftGain, rightGain);
        position += 2 * step;
    }
    if (k < frames) {
        mixFrame(out + 2 * k, data, position, leftGain, rightGain);
        position += step;
    }
    return position;
}

uint64_t scalarRamp(float* out, const int16_t* data, int32_t frames, uint64_t position, uint64_t step,
                    double* leftGain, double* rightGain, double leftStep, double rightStep) {
    double left = *leftGain;
    double right = *rightGain;
    for (int32_t k = 0; k < frames; ++k) {
        mixFrame(out + 2 * k, data, position, left, right);
        position += step;
        left += leftStep;
        right += rightStep;
    }
    *leftGain = left;
    *rightGain = right;
    return position;
}

void scalarConvert(int16_t* out, const float* in, int32_t count) {
    int32_t k = 0;
#if defined(__SSE2__)
    // The conversion instruction rounds halves to even and gives 0x80000000
    // for NaN and for anything outside the 32-bit range; the saturating pack
    // then clamps: eight values at a time exactly as pcm16Of makes them.
    for (; k + 8 <= count; k += 8) {
        const __m128i low = _mm_cvtps_epi32(_mm_loadu_ps(in + k));
        const __m128i high = _mm_cvtps_epi32(_mm_loadu_ps(in + k + 4));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + k), _mm_packs_epi32(low, high));
    }
#endif
    for (; k < count; ++k) out[k] = pcm16Of(in[k]);
}

}  // namespace

const MixKernels scalarMixKernels{scalarRun, scalarRamp, scalarConvert};
