// The software mixer: adds voices 0..31 into the float stereo buffer, one
// voice at a time, in runs that end at the loop boundary or where a volume
// ramp ends, so that the inner loops test nothing but the frame count. Runs
// of a short forward loop are gathered from its copy into fewer calls.
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
    } else if (mixPathSupported(MixPath::Simd128)) {
        path = MixPath::Simd128;
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

// Fixed-gain runs of a voice on a short forward loop, gathered from the
// loop copy into one kernel call. A frame in the loop reads the same two
// values at its place in the copy (a whole number of loop lengths on) as at
// its place in the loop, and every output frame takes one addition from the
// voice whenever it is made, so gathering changes the number of calls only.
struct GatheredRun {
    float* out = nullptr;  // the first frame's output
    uint64_t start = 0;    // position in the copy of the first frame
    uint64_t next = 0;     // ... and of the frame after the last
    int32_t frames = 0;
};

// One voice through one call: its runs from the first frame of the buffer to
// the last, or until its sample ends.
struct VoiceRuns {
    Voice& voice;
    const Sample& sample;
    const MixKernels& kernels;
    float* const buffer;
    const int32_t frames;
    const int64_t loopStart;
    const int64_t loopLength;
    const int64_t loopEnd;
    // safety: positions are 32-bit frame numbers; a loop ending past them
    // cannot be played (no loader passes one), so it ends like a sample
    // without data.
    const bool playable;
    // safety: a copy shorter than a turn of its loop (only a hand-made
    // sample could have one) is not used.
    const bool hasCopy;
    const uint64_t step;
    uint64_t position;
    int32_t direction;
    int32_t done = 0;
    GatheredRun gathered;

    VoiceRuns(Voice& v, float* out, int32_t count, const MixKernels& k)
        : voice(v),
          sample(*v.sample),
          kernels(k),
          buffer(out),
          frames(count),
          loopStart(sample.loopStart),
          loopLength(sample.loopLength),
          loopEnd(loopStart + loopLength),
          playable(sample.data != nullptr && loopEnd <= INT32_MAX),
          hasCopy(sample.loopCopy != nullptr && sample.loopCopyFrames > sample.loopLength),
          step(packPosition(v.stepInt, v.stepFrac)),
          position(packPosition(v.positionInt, v.positionFrac)),
          direction(v.direction) {}

    void mix();

  private:
    bool mixSettledLoop();
    void mixFixed(int32_t n, double leftGain, double rightGain);
    void mixGathered(double leftGain, double rightGain);
};

void VoiceRuns::mix() {
    for (;;) {
        // The volume ramp: new targets start one, a pending one goes on.
        updateRamp(voice);
        const bool ramping = voice.rampFramesLeft != 0;
        const bool forward = direction != VOICE_BACKWARD;
        if (!ramping && forward && playable && loopLength > 0 && sample.loopType == SAMPLE_FORWARD_LOOP &&
            mixSettledLoop()) {
            break;
        }

        // The run's length: what is left of the buffer, or the frames to the
        // boundary if that is fewer, or to the ramp's end if that is fewer.
        uint32_t run = static_cast<uint32_t>(frames - done);
        bool reachesBoundary = false;
        const uint64_t start = static_cast<uint64_t>(loopStart) << 32;
        const uint64_t end = static_cast<uint64_t>(loopEnd) << 32;
        const int64_t distance = static_cast<int64_t>(forward ? end - position : position - start);
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
        bool rampEndsRun = false;
        if (ramping && static_cast<uint32_t>(voice.rampFramesLeft) < run) {
            run = static_cast<uint32_t>(voice.rampFramesLeft);
            rampEndsRun = true;
            reachesBoundary = false;
        }

        // Mixing, at gains that ramp or stay.
        const uint64_t signedStep = forward ? step : 0 - step;
        float* out = buffer + 2 * static_cast<int64_t>(done);
        const int32_t n = static_cast<int32_t>(run);
        double leftGain = voice.currentLeftVolume * MIX_GAIN_UNIT;
        double rightGain = voice.currentRightVolume * MIX_GAIN_UNIT;
        if (ramping) {
            if (n > 0) {
                position = kernels.ramp(out, sample.data, n, position, signedStep, &leftGain, &rightGain,
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
            position = kernels.run(out, sample.data, n, position, signedStep, leftGain, rightGain);
        }
        done += n;

        // What follows the run: the next run after a ramp, the end of the
        // call, or the boundary's turn by the loop type.
        if (rampEndsRun) continue;
        if (!reachesBoundary) break;
        const bool loops = sample.loopType == SAMPLE_FORWARD_LOOP || sample.loopType == SAMPLE_PINGPONG_LOOP;
        // safety: a loop of no frames would never let the position back in;
        // such a sample ends like one without a loop.
        if (!loops || loopLength <= 0 || !playable) {
            voice.sample = nullptr;
            position = 0;
            break;
        }
        if (sample.loopType == SAMPLE_FORWARD_LOOP) {
            position =
                packPosition(static_cast<int32_t>(wrapForward(integerPart(position), loopEnd, loopLength)),
                             static_cast<uint32_t>(position));
        } else {
            reflect(position, direction, loopStart, loopEnd);
        }
        if (done >= frames) break;
    }
    voice.positionInt = integerPart(position);
    voice.positionFrac = static_cast<uint32_t>(position);
    voice.direction = direction;
}

// The runs of a voice at settled gains on a forward loop, from boundary to
// boundary, as the general loop would take them, with less to decide per
// run. True when the call is done; false, with nothing changed, when the
// voice is a hair past the loop end, which the general loop handles.
bool VoiceRuns::mixSettledLoop() {
    const uint64_t end = static_cast<uint64_t>(loopEnd) << 32;
    const bool silent = voice.currentLeftVolume == 0 && voice.currentRightVolume == 0;
    const double leftGain = voice.currentLeftVolume * MIX_GAIN_UNIT;
    const double rightGain = voice.currentRightVolume * MIX_GAIN_UNIT;
    for (;;) {
        const int64_t distance = static_cast<int64_t>(end - position);
        if (distance < 0) {
            mixGathered(leftGain, rightGain);
            return false;
        }
        const uint64_t toBoundary = framesToBoundary(static_cast<uint64_t>(distance), step);
        const auto left = static_cast<uint32_t>(frames - done);
        const bool reaches = toBoundary <= left;
        const int32_t n = static_cast<int32_t>(reaches ? toBoundary : left);
        if (n > 0 && !silent) mixFixed(n, leftGain, rightGain);
        position += static_cast<uint64_t>(n) * step;
        done += n;
        if (reaches) {
            position =
                packPosition(static_cast<int32_t>(wrapForward(integerPart(position), loopEnd, loopLength)),
                             static_cast<uint32_t>(position));
        }
        if (!reaches || done >= frames) {
            mixGathered(leftGain, rightGain);
            return true;
        }
    }
}

// n frames from the current position at fixed gains: gathered when they
// lie in the loop, after the frames gathered so far or in their place once
// those are mixed; else mixed from the data at once.
void VoiceRuns::mixFixed(int32_t n, double leftGain, double rightGain) {
    float* out = buffer + 2 * static_cast<int64_t>(done);
    const uint64_t start = static_cast<uint64_t>(loopStart) << 32;
    const uint64_t end = static_cast<uint64_t>(loopEnd) << 32;
    const uint64_t span = static_cast<uint64_t>(n - 1) * step;
    // Not in the loop: the first run of a note, a frame a hair past the
    // end, or a hair before the start after a wrap.
    const bool inLoop = position >= start && position < end && span < end - position;
    if (hasCopy && inLoop) {
        // The last frame read must leave the copy's last frame as its partner.
        const uint64_t limit = static_cast<uint64_t>(sample.loopCopyFrames - 1) << 32;
        if (gathered.frames > 0 && gathered.next < limit && span < limit - gathered.next) {
            gathered.frames += n;
            gathered.next += span + step;
            return;
        }
        mixGathered(leftGain, rightGain);
        const uint64_t inCopy = position - start;
        if (inCopy < limit && span < limit - inCopy) {
            gathered = GatheredRun{out, inCopy, inCopy + span + step, n};
            return;
        }
    }
    mixGathered(leftGain, rightGain);
    kernels.run(out, sample.data, n, position, step, leftGain, rightGain);
}

void VoiceRuns::mixGathered(double leftGain, double rightGain) {
    if (gathered.frames == 0) return;
    kernels.run(gathered.out, sample.loopCopy, gathered.frames, gathered.start, step, leftGain, rightGain);
    gathered.frames = 0;
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
#if defined(__wasm_simd128__)
        case MixPath::Simd128:
            return &simd128MixKernels;
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
            return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512dq") &&
                   __builtin_cpu_supports("avx2");
        default:
            return false;
    }
#elif defined(__wasm_simd128__)
    return path == MixPath::Scalar || path == MixPath::Simd128;
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
        if (voices[v].sample != nullptr) VoiceRuns(voices[v], buffer, frames, kernels).mix();
    }
}

uint32_t loopCopySize(const Sample& sample) {
    // Longer loops cut a voice seldom enough; a copy of a shorter one holds
    // a gathered run of at least LOOP_COPY_SPAN sample frames.
    constexpr uint32_t LOOP_COPY_BELOW = 512;
    constexpr uint32_t LOOP_COPY_SPAN = 1024;
    const uint32_t length = sample.loopLength;
    if (sample.loopType != SAMPLE_FORWARD_LOOP || length == 0 || length >= LOOP_COPY_BELOW) return 0;
    // Room for a start anywhere in the first repeat, the span after it, and
    // the interpolation's partner of the last frame read.
    return ((LOOP_COPY_SPAN + length - 1) / length + 1) * length + 1;
}

void writeLoopCopy(Sample& sample, int16_t* copy) {
    const uint32_t size = loopCopySize(sample);
    if (size == 0 || sample.data == nullptr || copy == nullptr) return;
    const int16_t* loop = sample.data + sample.loopStart;
    for (uint32_t k = 0; k < size; ++k) copy[k] = loop[k % sample.loopLength];
    sample.loopCopy = copy;
    sample.loopCopyFrames = size;
}

void convertToPcm16(int16_t* out, const float* in, int32_t frames) {
    if (frames <= 0 || out == nullptr || in == nullptr) return;
    activePath().kernels->convert(out, in, 2 * frames);
}
