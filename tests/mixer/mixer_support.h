#pragma once
// Hand-built samples and voices for the mixer tests.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "music/mixer.h"
#include "music/mixer_kernels.h"
#include "music/output_format.h"
#include "music/song.h"
#include "music/voice.h"

// A sample laid out as the loader lays it out: one zero frame before the
// data, the frames, then 8 spare frames, the first of which holds the copy
// the interpolation reads behind the loop end; with `loopCopy`, then the
// mixer's copy of a short forward loop as the loader makes it.
struct TestSample {
    std::vector<int16_t> storage;
    Sample sample{};

    TestSample(const std::vector<int16_t>& frames, uint8_t loopType, uint32_t loopStart = 0,
               uint32_t loopLength = 0, bool loopCopy = false) {
        const uint32_t length = static_cast<uint32_t>(frames.size());
        const size_t copyAt = 1 + length + 8;
        Sample shape{};
        shape.loopType = loopType;
        shape.loopLength = loopLength;
        storage.assign(copyAt + (loopCopy ? loopCopySize(shape) : 0), 0);
        for (size_t k = 0; k < frames.size(); ++k) storage[1 + k] = frames[k];
        sample.data = length ? storage.data() + 1 : nullptr;
        sample.length = length;
        sample.bits = 16;
        sample.loopType = loopType;
        if (loopType == SAMPLE_FORWARD_LOOP || loopType == SAMPLE_PINGPONG_LOOP) {
            sample.loopStart = loopStart;
            sample.loopLength = loopLength;
            const uint32_t end = loopStart + loopLength;
            sample.data[end] =
                loopType == SAMPLE_FORWARD_LOOP ? sample.data[loopStart] : sample.data[end - 1];
            if (loopCopy) writeLoopCopy(sample, storage.data() + copyAt);
        } else {
            sample.loopStart = 0;
            sample.loopLength = length;
        }
    }
    TestSample(const TestSample&) = delete;
    TestSample& operator=(const TestSample&) = delete;
};

inline void resetVoiceTable() {
    std::memset(static_cast<void*>(voices), 0, sizeof(voices));
    for (Voice& v : voices) v.stepInt = 1;
}

constexpr uint64_t ONE = uint64_t{1} << 32;  // one frame in 32.32

inline void setPosition(Voice& v, uint64_t position) {
    v.positionInt = static_cast<int32_t>(static_cast<uint32_t>(position >> 32));
    v.positionFrac = static_cast<uint32_t>(position);
}
inline void setStep(Voice& v, uint64_t step) {
    v.stepInt = static_cast<int32_t>(step >> 32);
    v.stepFrac = static_cast<uint32_t>(step);
}
inline uint64_t positionOf(const Voice& v) {
    return (static_cast<uint64_t>(static_cast<uint32_t>(v.positionInt)) << 32) | v.positionFrac;
}

// Starts a voice as a trigger would; `settled` gives it current volumes equal
// to its targets, so that it plays without a ramp.
inline Voice& startVoice(int index, const Sample* sample, uint64_t position, uint64_t step, uint8_t left,
                         uint8_t right, bool settled = true) {
    Voice& v = voices[index];
    v.sample = sample;
    setPosition(v, position);
    setStep(v, step);
    v.direction = VOICE_FORWARD;
    v.leftVolume = left;
    v.rightVolume = right;
    if (settled) {
        v.seenLeftVolume = v.currentLeftVolume = left;
        v.seenRightVolume = v.currentRightVolume = right;
        v.rampFramesLeft = 0;
    }
    return v;
}

// What one frame at gain byte g adds to a zero buffer entry for value x.
inline float addedAtGain(double value, uint8_t gain) {
    return static_cast<float>(value * (gain * static_cast<double>(1.0f / 255.0f)));
}

inline const char* pathName(MixPath path) {
    switch (path) {
        case MixPath::Avx2:
            return "avx2";
        case MixPath::Avx512:
            return "avx512";
        default:
            return "scalar";
    }
}
// Names the instances of a test run on every path.
inline std::string pathTestName(const ::testing::TestParamInfo<MixPath>& info) {
    return pathName(info.param);
}
