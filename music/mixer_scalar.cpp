// The portable inner loops.
#include "music/mixer_kernels.h"

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

}  // namespace

const MixKernels scalarMixKernels{scalarRun, scalarRamp};
