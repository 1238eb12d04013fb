// The portable inner loops, and the per-frame arithmetic every other path
// must reproduce bit for bit.
#include "music/mixer_kernels.h"

namespace {

// One output frame: linear interpolation in double precision between the
// frames at i and i + 1 with weight (fraction >> 1) x 2^-31, scaled by each
// gain and added to the float entries (the sum is rounded to float once).
inline void mixFrame(float* out, const int16_t* data, uint64_t position, double leftGain,
                     double rightGain) {
    const int32_t i = static_cast<int32_t>(position >> 32);
    const uint32_t fraction = static_cast<uint32_t>(position);
    const int32_t a = data[i];
    const int32_t b = data[i + 1];
    const double weight = static_cast<double>(fraction >> 1) * 0x1p-31;
    const double value = static_cast<double>(a) + static_cast<double>(b - a) * weight;
    out[0] = static_cast<float>(static_cast<double>(out[0]) + value * leftGain);
    out[1] = static_cast<float>(static_cast<double>(out[1]) + value * rightGain);
}

uint64_t scalarRun(float* out, const int16_t* data, int32_t frames, uint64_t position,
                   uint64_t step, double leftGain, double rightGain) {
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

uint64_t scalarRamp(float* out, const int16_t* data, int32_t frames, uint64_t position,
                    uint64_t step, double* leftGain, double* rightGain, double leftStep,
                    double rightStep) {
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

}  // namespace

const MixKernels scalarMixKernels{scalarRun, scalarRamp};
