// The software mixer: adds voices 0..31 into the float stereo buffer, one
// voice at a time, in runs that end at the loop boundary or where a volume
// ramp ends, so that the inner loops test nothing but the frame count.
#include "music/mixer.h"

#include <cmath>
#include <cstdint>

#include "music/mixer_kernels.h"
#include "music/output_format.h"
#include "music/song.h"
#include "music/voice.h"

namespace {

// ---- path selection ----

struct ActivePath {
    MixPath path;
    const MixKernels* kernels;
};

ActivePath fastestPath() {
    MixPath path = MixPath::Scalar;
    if (mixPathSupported(MixPath::Avx512)) {
        path = MixPath::Avx512;
    } else if (mixPathSupported(MixPath::Avx2)) {
        path = MixPath::Avx2;
    }
    return ActivePath{path, mixKernelsOf(path)};
}

ActivePath& activePath() {
    static ActivePath active = fastestPath();
    return active;
}

// ---- one voice ----

inline uint64_t packPosition(int32_t integer, uint32_t fraction) {
    return (static_cast<uint64_t>(static_cast<uint32_t>(integer)) << 32) | fraction;
}

inline int32_t integerPart(uint64_t position) {
    return static_cast<int32_t>(static_cast<uint32_t>(position >> 32));
}

// Output frames until a voice `distance` (32.32, not negative) away from its
// boundary reaches or passes it. Both values lose their lowest 8 fraction bits
// first, so a voice may stop up to 255 x 2^-32 frame short of the boundary.
inline uint64_t framesToBoundary(uint64_t distance, uint64_t step) {
    const uint64_t d = distance >> 8;
    const uint64_t s = step >> 8;
    if (s != 0) return (d + s - 1) / s;
    // safety: a step below 2^-24 frame would divide by zero; count with the
    // full step so the voice still stops at its boundary, or never if it
    // does not move.
    if (step == 0) return UINT64_MAX;
    return distance / step + (distance % step != 0);
}

inline uint8_t roundedVolume(double gain) {
    // fix: rounding after short runs can step past the target (3 down to 0
    // over runs of 34, 71 and 22 frames ends at -1); clamp instead of letting
    // the byte wrap to 255, which clicked and started a new ramp down.
    const double v = std::nearbyint(gain * 255.0);
    if (v <= 0.0) return 0;
    if (v >= 255.0) return 255;
    return static_cast<uint8_t>(v);
}

// Takes up changed targets: a new ramp from the current volumes, or none when
// they already match. A pending ramp with unchanged targets goes on as it is.
void updateRamp(Voice& voice) {
    if (voice.rampFramesLeft != 0 && voice.leftVolume == voice.seenLeftVolume &&
        voice.rightVolume == voice.seenRightVolume) {
        return;
    }
    voice.seenLeftVolume = voice.leftVolume;
    voice.seenRightVolume = voice.rightVolume;
    const bool left = voice.leftVolume != voice.currentLeftVolume;
    const bool right = voice.rightVolume != voice.currentRightVolume;
    const double reciprocal = rampReciprocal;
    voice.rampLeftStep =
        left ? static_cast<float>(static_cast<double>(voice.leftVolume - voice.currentLeftVolume) *
                                  MIX_GAIN_UNIT * reciprocal)
             : 0.0f;
    voice.rampRightStep =
        right ? static_cast<float>(static_cast<double>(voice.rightVolume - voice.currentRightVolume) *
                                   MIX_GAIN_UNIT * reciprocal)
              : 0.0f;
    voice.rampFramesLeft = (left || right) ? rampFrames : 0;
}

// Forward loop: back by whole loop lengths until the position is below the
// loop end; always at least once, since the run counted to the boundary.
int64_t wrapForward(int64_t integer, int64_t loopEnd, int64_t loopLength) {
    integer -= loopLength;
    // fix: compared signed. Taken as unsigned, the -1 that a voice stopped a
    // hair short of the end of a loop starting at frame 0 lands on would count
    // as past the end, and the position would be walked down by up to 2^32
    // loop lengths to a wrong place.
    if (integer >= loopEnd) integer -= ((integer - loopEnd) / loopLength + 1) * loopLength;
    return integer;
}

// Ping-pong loop: reflect at the end (forward) or the start (backward), and
// keep reflecting at alternate ends until the integer part lies in the loop.
// The first reflection always happens: the run counted to the boundary, even
// when it stopped a hair short of it. A pair of reflections moves the position
// by twice the loop length, so a long way outside is folded by division
// instead of one reflection at a time (same result). Unsigned arithmetic: the
// values are two's complement 32.32 and wrap where the true result fits.
void reflect(uint64_t& position, int32_t& direction, int64_t loopStart, int64_t loopEnd) {
    const uint64_t start = static_cast<uint64_t>(loopStart) << 32;
    const uint64_t end = static_cast<uint64_t>(loopEnd) << 32;
    const uint64_t period = 2 * (end - start);
    for (bool first = true;; first = false) {
        const int64_t p = static_cast<int64_t>(position);
        if (direction == VOICE_BACKWARD) {
            if (!first && p >= static_cast<int64_t>(start)) return;
            if (p < static_cast<int64_t>(start)) {
                const uint64_t below = start - position;
                if (below > period) position += (below - 1) / period * period;
            }
            position = 2 * start - position - 1;
            direction = VOICE_FORWARD;
        } else {
            if (!first && p < static_cast<int64_t>(end)) return;
            if (p >= static_cast<int64_t>(end)) {
                const uint64_t above = position - end;
                if (above >= period) position -= above / period * period;
            }
            position = 2 * end - position - 1;
            direction = VOICE_BACKWARD;
        }
    }
}

void mixVoice(Voice& voice, float* buffer, int32_t frames, const MixKernels& kernels) {
    const Sample& sample = *voice.sample;
    const int16_t* data = sample.data;
    const int64_t loopStart = sample.loopStart;
    const int64_t loopLength = sample.loopLength;
    const int64_t loopEnd = loopStart + loopLength;
    // safety: positions are 32-bit frame numbers; a loop ending past them
    // cannot be played (no loader passes one), so it ends like a sample
    // without data.
    const bool playable = data != nullptr && loopEnd <= INT32_MAX;
    const uint64_t step = packPosition(voice.stepInt, voice.stepFrac);
    uint64_t position = packPosition(voice.positionInt, voice.positionFrac);
    int32_t direction = voice.direction;
    int32_t done = 0;

    for (;;) {
        // 1-2: the run ends with the buffer, or at the boundary if closer.
        uint32_t run = static_cast<uint32_t>(frames - done);
        bool reachesBoundary = false;
        const bool backward = direction == VOICE_BACKWARD;
        const uint64_t start = static_cast<uint64_t>(loopStart) << 32;
        const uint64_t end = static_cast<uint64_t>(loopEnd) << 32;
        const int64_t distance = static_cast<int64_t>(backward ? position - start : end - position);
        if (distance < 0 || !playable) {
            // fix: a voice can end a run a hair past its boundary without the
            // run reaching it: the frame count is worked out with 8 fraction
            // bits dropped, so the step's dropped bits can carry the position
            // over before the counted frame when the buffer or a ramp ends the
            // run first. The negative distance would then make every later run
            // ignore the boundary and play on past the data; handle it now.
            // A voice without data has nothing to read and ends here too.
            run = 0;
            reachesBoundary = true;
        } else {
            // fix: the boundary counts however far off it is. Ignored from
            // 2^24 frames on, a voice with a huge step (a sample of over 2^24
            // frames played many octaves up) ran past the end of its data
            // within one run; nearer boundaries count exactly as before.
            const uint64_t toBoundary = framesToBoundary(static_cast<uint64_t>(distance), step);
            if (toBoundary <= run) {
                run = static_cast<uint32_t>(toBoundary);
                reachesBoundary = true;
            }
        }

        // 3: the ramp may cut the run shorter.
        updateRamp(voice);
        const bool ramping = voice.rampFramesLeft != 0;
        bool rampEndsRun = false;
        if (ramping && static_cast<uint32_t>(voice.rampFramesLeft) < run) {
            run = static_cast<uint32_t>(voice.rampFramesLeft);
            rampEndsRun = true;
            reachesBoundary = false;
        }

        // 4-5: mix.
        const uint64_t signedStep = backward ? 0 - step : step;
        float* out = buffer + 2 * static_cast<int64_t>(done);
        const int32_t n = static_cast<int32_t>(run);
        double leftGain = voice.currentLeftVolume * MIX_GAIN_UNIT;
        double rightGain = voice.currentRightVolume * MIX_GAIN_UNIT;
        if (ramping) {
            if (n > 0) {
                position = kernels.ramp(out, data, n, position, signedStep, &leftGain, &rightGain,
                                        voice.rampLeftStep, voice.rampRightStep);
            }
            voice.currentLeftVolume = roundedVolume(leftGain);
            voice.currentRightVolume = roundedVolume(rightGain);
            voice.rampFramesLeft -= n;
        } else if (voice.currentLeftVolume == 0 && voice.currentRightVolume == 0) {
            // A silent voice (a note faded out or at volume 0, often a fifth
            // of all voice frames) adds only zeros, which change no entry but
            // the sign of a -0, and no block holds one (blocks start at +0;
            // non-zero terms never sum to -0). Only its position moves, by
            // exactly what the kernel would have stepped it.
            position += static_cast<uint64_t>(n) * signedStep;
        } else if (n > 0) {
            position = kernels.run(out, data, n, position, signedStep, leftGain, rightGain);
        }
        done += n;

        // 6: the position is the voice's again.
        voice.positionInt = integerPart(position);
        voice.positionFrac = static_cast<uint32_t>(position);

        // 7: what follows the run.
        if (rampEndsRun) continue;
        if (!reachesBoundary) return;
        const bool loops = sample.loopType == SAMPLE_FORWARD_LOOP || sample.loopType == SAMPLE_PINGPONG_LOOP;
        // safety: a loop of no frames would never let the position back in;
        // such a sample ends like one without a loop.
        if (loops && loopLength > 0 && playable) {
            if (sample.loopType == SAMPLE_FORWARD_LOOP) {
                const int64_t integer = wrapForward(voice.positionInt, loopEnd, loopLength);
                voice.positionInt = static_cast<int32_t>(integer);
            } else {
                reflect(position, direction, loopStart, loopEnd);
                voice.positionInt = integerPart(position);
                voice.positionFrac = static_cast<uint32_t>(position);
                voice.direction = direction;
            }
            position = packPosition(voice.positionInt, voice.positionFrac);
            if (done >= frames) return;
        } else {
            voice.sample = nullptr;
            voice.positionInt = 0;
            voice.positionFrac = 0;
            return;
        }
    }
}

}  // namespace

const MixKernels* mixKernelsOf(MixPath path) {
    switch (path) {
#ifdef YULE_MIX_X86
        case MixPath::Avx2:
            return &avx2MixKernels;
        case MixPath::Avx512:
            return &avx512MixKernels;
#endif
        default:
            return &scalarMixKernels;
    }
}

bool mixPathSupported(MixPath path) {
#ifdef YULE_MIX_X86
    __builtin_cpu_init();
    switch (path) {
        case MixPath::Scalar:
            return true;
        case MixPath::Avx2:
            return __builtin_cpu_supports("avx2");
        case MixPath::Avx512:
            return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx2");
    }
    return false;
#else
    return path == MixPath::Scalar;
#endif
}

MixPath mixPath() {
    return activePath().path;
}

bool setMixPath(MixPath path) {
    if (!mixPathSupported(path)) return false;
    activePath() = ActivePath{path, mixKernelsOf(path)};
    return true;
}

void mixVoices(float* buffer, int32_t frames) {
    if (frames < 1 || buffer == nullptr) return;
    const MixKernels& kernels = *activePath().kernels;
    for (int v = 0; v < MIXED_VOICES; ++v) {
        if (voices[v].sample != nullptr) mixVoice(voices[v], buffer, frames, kernels);
    }
}

void convertToPcm16(int16_t* out, const float* in, int32_t frames) {
    if (frames <= 0 || out == nullptr || in == nullptr) return;
    activePath().kernels->convert(out, in, 2 * frames);
}
