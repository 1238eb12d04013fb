// Random voices, loops, steps, ramps and call sizes, mixed by the slow
// reference and by every inner-loop path this processor has, with and
// without the copies of short loops: the buffers and the voices must come
// out bit for bit the same.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <random>
#include <vector>

#include "mixer_support.h"
#include "music/mixer.h"
#include "music/mixer_kernels.h"
#include "reference_mixer.h"

namespace {

struct Scenario {
    std::vector<std::unique_ptr<TestSample>> samples;
    Voice start[VOICE_COUNT];
    std::vector<float> buffer;
    // Calls in order: frame count and offset into the buffer; between calls
    // some voices get new targets or a new trigger.
    struct Call {
        int32_t offset;
        int32_t frames;
        int voice;     // voice changed before the call, -1 none
        uint8_t left;  // its new targets
        uint8_t right;
        bool retrigger;  // and a new start at the beginning
    };
    std::vector<Call> calls;
};

uint64_t anyStep(std::mt19937_64& rng) {
    switch (rng() % 6) {
        case 0:  // below one frame, as most notes play
            return rng() % ONE;
        case 1:  // up to a few frames
            return rng() % (4 * ONE);
        case 2:  // whole frames
            return (1 + rng() % 3) * ONE;
        case 3:  // larger than short loops: several wraps per frame
            return rng() % (40 * ONE);
        case 4:  // tiny, with low bits that the boundary count drops
            return (1u << 20) + rng() % 4096;
        default:  // a truncated multiple plus 255: carries past the counted frame
            return ((rng() % (ONE >> 8)) << 8) | 255;
    }
}

// Steps are never below 100 Hz at the output rate (about 2^23); the smallest
// drawn here, 2^16, still keeps the boundary count's divisor above zero.
uint64_t randomStep(std::mt19937_64& rng) {
    const uint64_t step = anyStep(rng);
    return step < (1u << 16) ? step + (1u << 16) : step;
}

std::unique_ptr<TestSample> randomSample(std::mt19937_64& rng, bool loopCopy) {
    const uint32_t length = rng() % 3 == 0 ? 1 + rng() % 8 : 1 + rng() % 3000;
    std::vector<int16_t> frames(length);
    for (int16_t& f : frames) {
        f = rng() % 10 == 0 ? (rng() % 2 ? 32767 : -32768) : static_cast<int16_t>(rng());
    }
    const uint8_t types[3] = {SAMPLE_NO_LOOP, SAMPLE_FORWARD_LOOP, SAMPLE_PINGPONG_LOOP};
    const uint8_t type = types[rng() % 3];
    const uint32_t start = rng() % 2 ? 0 : rng() % length;
    const uint32_t loop = 1 + rng() % (length - start);
    return std::make_unique<TestSample>(frames, type, start, loop, loopCopy);
}

void randomVoice(std::mt19937_64& rng, Voice& v, const Sample* s) {
    std::memset(static_cast<void*>(&v), 0, sizeof v);
    v.sample = s;
    const uint64_t end = static_cast<uint64_t>(s->loopStart + s->loopLength) << 32;
    const uint64_t start = static_cast<uint64_t>(s->loopStart) << 32;
    v.direction = VOICE_FORWARD;
    uint64_t pos = rng() % end;
    if (s->loopType == SAMPLE_PINGPONG_LOOP && rng() % 2) {
        v.direction = VOICE_BACKWARD;
        pos = start + rng() % (end - start);
    }
    if (rng() % 8 == 0) pos = rng() % 2 ? end : start;  // on a boundary
    setPosition(v, pos);
    setStep(v, randomStep(rng));
    v.leftVolume = static_cast<uint8_t>(rng());
    v.rightVolume = static_cast<uint8_t>(rng());
    switch (rng() % 3) {
        case 0:  // settled
            v.seenLeftVolume = v.currentLeftVolume = v.leftVolume;
            v.seenRightVolume = v.currentRightVolume = v.rightVolume;
            break;
        case 1:  // about to ramp
            v.currentLeftVolume = static_cast<uint8_t>(rng());
            v.currentRightVolume = static_cast<uint8_t>(rng());
            break;
        default:  // in the middle of a ramp
            v.seenLeftVolume = v.leftVolume;
            v.seenRightVolume = v.rightVolume;
            v.currentLeftVolume = static_cast<uint8_t>(rng());
            v.currentRightVolume = static_cast<uint8_t>(rng());
            v.rampFramesLeft = 1 + static_cast<int32_t>(rng() % 127);
            v.rampLeftStep = (v.leftVolume - v.currentLeftVolume) / 255.0f / 127.0f;
            v.rampRightStep = (v.rightVolume - v.currentRightVolume) / 255.0f / 127.0f;
            break;
    }
}

// With `loopCopies`, short forward loops get the loader's copy, and the
// mixer gathers their runs from it.
Scenario randomScenario(uint64_t seed, bool loopCopies = false) {
    std::mt19937_64 rng(seed);
    Scenario sc;
    const int sampleCount = 1 + static_cast<int>(rng() % 8);
    for (int k = 0; k < sampleCount; ++k) sc.samples.push_back(randomSample(rng, loopCopies));
    std::memset(static_cast<void*>(sc.start), 0, sizeof sc.start);
    for (int i = 0; i < 40; ++i) {  // a few beyond the mixed ones as well
        if (rng() % 4 == 0) continue;
        randomVoice(rng, sc.start[i], &sc.samples[rng() % sc.samples.size()]->sample);
    }
    int32_t offset = 0;
    const int callCount = 1 + static_cast<int>(rng() % 12);
    for (int k = 0; k < callCount; ++k) {
        Scenario::Call c{};
        c.offset = offset;
        c.frames =
            rng() % 10 == 0 ? static_cast<int32_t>(rng() % 3) - 1 : static_cast<int32_t>(1 + rng() % 900);
        c.voice = rng() % 2 ? static_cast<int>(rng() % MIXED_VOICES) : -1;
        c.left = static_cast<uint8_t>(rng());
        c.right = static_cast<uint8_t>(rng());
        c.retrigger = rng() % 4 == 0;
        if (c.frames > 0) offset += c.frames;
        sc.calls.push_back(c);
    }
    sc.buffer.resize(2 * static_cast<size_t>(offset) + 2);
    for (float& x : sc.buffer) x = static_cast<float>(static_cast<int32_t>(rng() % 20001) - 10000) / 7.0f;
    return sc;
}

using MixFunction = void (*)(float*, int32_t);

std::vector<float> play(const Scenario& sc, MixFunction mix, Voice (&end)[VOICE_COUNT]) {
    std::memcpy(static_cast<void*>(voices), sc.start, sizeof voices);
    std::vector<float> buffer = sc.buffer;
    for (const Scenario::Call& c : sc.calls) {
        if (c.voice >= 0) {
            Voice& v = voices[c.voice];
            v.leftVolume = c.left;
            v.rightVolume = c.right;
            if (c.retrigger && sc.start[c.voice].sample != nullptr) {
                v.sample = sc.start[c.voice].sample;
                v.positionInt = 0;
                v.positionFrac = 0;
                v.direction = VOICE_FORWARD;
            }
        }
        mix(buffer.data() + 2 * c.offset, c.frames);
    }
    std::memcpy(static_cast<void*>(end), voices, sizeof voices);
    return buffer;
}

void expectSameVoices(const Voice (&a)[VOICE_COUNT], const Voice (&b)[VOICE_COUNT], uint64_t seed) {
    for (int i = 0; i < VOICE_COUNT; ++i) {
        const Voice& x = a[i];
        const Voice& y = b[i];
        const bool same = x.sample == y.sample && x.positionInt == y.positionInt &&
                          x.positionFrac == y.positionFrac && x.direction == y.direction &&
                          x.seenLeftVolume == y.seenLeftVolume && x.seenRightVolume == y.seenRightVolume &&
                          x.currentLeftVolume == y.currentLeftVolume &&
                          x.currentRightVolume == y.currentRightVolume &&
                          std::memcmp(&x.rampLeftStep, &y.rampLeftStep, sizeof(float)) == 0 &&
                          std::memcmp(&x.rampRightStep, &y.rampRightStep, sizeof(float)) == 0 &&
                          x.rampFramesLeft == y.rampFramesLeft;
        EXPECT_TRUE(same) << "seed " << seed << " voice " << i;
    }
}

class MixerPaths : public ::testing::TestWithParam<MixPath> {
  protected:
    void SetUp() override {
        if (!mixPathSupported(GetParam())) {
            GTEST_SKIP() << pathName(GetParam()) << " is not available on this processor";
        }
        saved_ = mixPath();
        setOutputFormat(44000);
        ASSERT_TRUE(setMixPath(GetParam()));
    }
    void TearDown() override {
        setMixPath(saved_);
        resetVoiceTable();
    }
    MixPath saved_ = MixPath::Scalar;
};

TEST_P(MixerPaths, RandomVoicesMatchTheReferenceBitForBit) {
    for (uint64_t seed = 1; seed <= 800; ++seed) {
        const Scenario sc = randomScenario(seed, seed > 400);
        Voice expectedVoices[VOICE_COUNT];
        Voice actualVoices[VOICE_COUNT];
        const std::vector<float> expected = play(sc, reference::mixVoices, expectedVoices);
        const std::vector<float> actual = play(sc, mixVoices, actualVoices);
        ASSERT_EQ(expected.size(), actual.size());
        size_t firstDiff = expected.size();
        for (size_t k = 0; k < expected.size() && firstDiff == expected.size(); ++k) {
            if (std::memcmp(&expected[k], &actual[k], sizeof(float)) != 0) firstDiff = k;
        }
        ASSERT_EQ(firstDiff, expected.size()) << "seed " << seed << ": entry " << firstDiff << " is "
                                              << actual[firstDiff] << ", expected " << expected[firstDiff];
        expectSameVoices(expectedVoices, actualVoices, seed);
        if (HasFailure()) return;
    }
}

TEST_P(MixerPaths, LongRunsAtEveryAlignmentMatchTheReference) {
    // One voice over long runs without boundaries, starting at every offset
    // and length near the vector widths, forward and backward, with and
    // without a ramp.
    std::mt19937_64 rng(99);
    std::vector<int16_t> frames(20000);
    for (int16_t& f : frames) f = static_cast<int16_t>(rng());
    TestSample s(frames, SAMPLE_PINGPONG_LOOP, 0, 20000);
    for (int32_t count = 1; count <= 40; ++count) {
        for (int mode = 0; mode < 4; ++mode) {
            Scenario sc;
            std::memset(static_cast<void*>(sc.start), 0, sizeof sc.start);
            Voice& v = sc.start[3];
            v.sample = &s.sample;
            setPosition(v, 10000 * ONE + rng() % ONE);
            setStep(v, (mode & 1) ? rng() % (3 * ONE) : rng() % ONE);
            v.direction = (mode & 2) ? VOICE_BACKWARD : VOICE_FORWARD;
            v.leftVolume = 200;
            v.rightVolume = 17;
            if (count % 2) {  // settled, else a ramp from silence
                v.seenLeftVolume = v.currentLeftVolume = 200;
                v.seenRightVolume = v.currentRightVolume = 17;
            }
            sc.calls.push_back({static_cast<int32_t>(count % 3), count, -1, 0, 0, false});
            sc.calls.push_back({count % 3 + count, 300 - count, -1, 0, 0, false});
            sc.buffer.assign(2 * 310, 0.5f);
            Voice expectedVoices[VOICE_COUNT];
            Voice actualVoices[VOICE_COUNT];
            const std::vector<float> expected = play(sc, reference::mixVoices, expectedVoices);
            const std::vector<float> actual = play(sc, mixVoices, actualVoices);
            ASSERT_EQ(0, std::memcmp(expected.data(), actual.data(), expected.size() * sizeof(float)))
                << "count " << count << " mode " << mode;
            expectSameVoices(expectedVoices, actualVoices, static_cast<uint64_t>(count));
        }
    }
}

TEST_P(MixerPaths, SilentAndFadingVoicesMatchTheReference) {
    // Voices at volume 0 (only their positions move) through loops of every
    // kind and length, and voices ramping down to silence and on in it, with
    // new silent targets between calls.
    for (uint64_t seed = 1000; seed < 1300; ++seed) {
        Scenario sc = randomScenario(seed);
        std::mt19937_64 rng(seed);
        for (Voice& v : sc.start) {
            v.leftVolume = v.rightVolume = 0;
            v.seenLeftVolume = v.seenRightVolume = 0;
            v.rampFramesLeft = 0;
            const bool fading = rng() % 3 == 0;
            v.currentLeftVolume = fading ? static_cast<uint8_t>(rng()) : 0;
            v.currentRightVolume = fading ? static_cast<uint8_t>(rng()) : 0;
        }
        for (Scenario::Call& c : sc.calls) c.left = c.right = 0;
        Voice expectedVoices[VOICE_COUNT];
        Voice actualVoices[VOICE_COUNT];
        const std::vector<float> expected = play(sc, reference::mixVoices, expectedVoices);
        const std::vector<float> actual = play(sc, mixVoices, actualVoices);
        ASSERT_EQ(0, std::memcmp(expected.data(), actual.data(), expected.size() * sizeof(float)))
            << "seed " << seed;
        expectSameVoices(expectedVoices, actualVoices, seed);
        if (HasFailure()) return;
    }
}

INSTANTIATE_TEST_SUITE_P(AllPaths, MixerPaths,
                         ::testing::Values(MixPath::Scalar, MixPath::Avx2, MixPath::Avx512), pathTestName);

TEST(MixerPathSelection, PicksASupportedPathAndRefusesOthers) {
    EXPECT_TRUE(mixPathSupported(MixPath::Scalar));
    EXPECT_TRUE(mixPathSupported(mixPath()));
    const MixPath before = mixPath();
    for (MixPath p : {MixPath::Avx2, MixPath::Avx512}) {
        if (!mixPathSupported(p)) {
            EXPECT_FALSE(setMixPath(p));
        }
    }
    EXPECT_EQ(mixPath(), before);
}

}  // namespace
