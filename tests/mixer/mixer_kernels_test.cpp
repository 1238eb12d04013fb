// The inner loops on their own: every path's ramp against the plain running
// sum frame by frame, on the gains the mixer hands them and on any others;
// the test that decides when a ramp's gains may be worked out directly; and
// every path's 16-bit conversion against the one-by-one rule.
#include "music/mixer_kernels.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "music/mixer.h"
#include "music/output_format.h"

namespace {

const MixKernels* kernelsFor(MixPath path) {
    return mixPathSupported(path) ? mixKernelsOf(path) : nullptr;
}

// The definition: one frame at a time, the gains a running sum.
uint64_t plainRamp(float* out, const int16_t* data, int32_t frames, uint64_t position, uint64_t step,
                   double* leftGain, double* rightGain, double leftStep, double rightStep) {
    for (int32_t k = 0; k < frames; ++k) {
        mixFrame(out + 2 * k, data, position, *leftGain, *rightGain);
        position += step;
        *leftGain += leftStep;
        *rightGain += rightStep;
    }
    return position;
}

struct RampCase {
    double left;
    double right;
    double leftStep;
    double rightStep;
};

// A gain and step as the mixer makes them: a volume byte times 1/255 as a
// float, and the float step of a ramp from it to another byte. (The step
// goes through a volatile float: GCC was seen to keep the unrounded double
// here once the call was inlined into a table of cases.)
double rampStep(int from, int to) {
    volatile float step = static_cast<float>(static_cast<double>(to - from) * MIX_GAIN_UNIT * rampReciprocal);
    return static_cast<double>(step);
}

RampCase mixerRamp(int from, int to, int otherFrom, int otherTo) {
    return RampCase{from * MIX_GAIN_UNIT, otherFrom * MIX_GAIN_UNIT, rampStep(from, to),
                    rampStep(otherFrom, otherTo)};
}

class MixKernelPaths : public ::testing::TestWithParam<MixPath> {
  protected:
    void SetUp() override {
        kernels_ = kernelsFor(GetParam());
        if (kernels_ == nullptr) GTEST_SKIP() << "path not available on this processor";
        setOutputFormat(44000);
        std::mt19937 rng(5);
        data_.resize(4000);
        for (int16_t& v : data_) v = static_cast<int16_t>(rng());
    }

    // Runs the path's ramp and the plain one on the same buffer and start,
    // forward and backward, and expects the same bits everywhere.
    void expectSameRamp(const RampCase& c, int32_t frames, uint64_t step) {
        for (const bool backward : {false, true}) {
            const uint64_t signedStep = backward ? 0 - step : step;
            const uint64_t start = (uint64_t{2000} << 32) + 0x9abcdef1u;
            std::vector<float> expected(2 * static_cast<size_t>(frames), 0.25f);
            std::vector<float> actual = expected;
            double el = c.left, er = c.right, al = c.left, ar = c.right;
            const uint64_t ep = plainRamp(expected.data(), data_.data(), frames, start, signedStep, &el, &er,
                                          c.leftStep, c.rightStep);
            const uint64_t ap = kernels_->ramp(actual.data(), data_.data(), frames, start, signedStep, &al,
                                               &ar, c.leftStep, c.rightStep);
            ASSERT_EQ(ap, ep) << frames << " frames";
            ASSERT_EQ(0, std::memcmp(&al, &el, sizeof al))
                << frames << " frames: left gain " << al << " vs " << el;
            ASSERT_EQ(0, std::memcmp(&ar, &er, sizeof ar)) << frames << " frames: right gain";
            ASSERT_EQ(0, std::memcmp(actual.data(), expected.data(), expected.size() * sizeof(float)))
                << frames << " frames, backward " << backward;
        }
    }

    const MixKernels* kernels_ = nullptr;
    std::vector<int16_t> data_;
};

TEST_P(MixKernelPaths, RampsFromTheMixersGainsMatchTheRunningSum) {
    const RampCase cases[] = {mixerRamp(0, 255, 255, 0), mixerRamp(17, 200, 3, 0), mixerRamp(255, 254, 1, 2),
                              mixerRamp(128, 128, 90, 91)};
    for (const RampCase& c : cases) {
        // These take the direct way; the running sum must agree with it.
        ASSERT_TRUE(rampSumsExact(c.left, c.leftStep, rampFrames) &&
                    rampSumsExact(c.right, c.rightStep, rampFrames));
        for (int32_t frames = 1; frames <= rampFrames; ++frames) {
            expectSameRamp(c, frames, (uint64_t{1} << 32) / 3 + 7);
        }
    }
}

TEST_P(MixKernelPaths, RampsFromAnyOtherGainsStillMatchTheRunningSum) {
    // Gains and steps with all 53 bits in use, whose sums round: the path
    // must add them up frame by frame, as the plain loop does.
    const RampCase cases[] = {
        {0.1, 0.7, 1e-3 / 3, -2e-3 / 7}, {1.0, 0.0, 0x1p-60, 0.0}, {1e-300, 3.5, 1e-301, 1e-17}};
    for (const RampCase& c : cases) {
        for (int32_t frames : {1, 3, 4, 7, 8, 9, 63, 64, 65, 200}) {
            expectSameRamp(c, frames, (uint64_t{5} << 32) / 7);
        }
    }
}

TEST_P(MixKernelPaths, ConvertsEveryValueAsTheOneByOneRuleWhereverItStands) {
    // Edge values at every place of counts around the vector widths, among
    // random values, so that each lands in a vector group and in the tail.
    const float inf = std::numeric_limits<float>::infinity();
    const float edges[] = {2.5f,          3.5f,      -2.5f,         -0.5f,         32767.5f, -32768.5f,
                           40000.0f,      -40000.0f, 2147483520.0f, 2147483648.0f, -inf,     inf,
                           std::nanf(""), 12345.49f, -0.0f,         1e-40f};
    std::mt19937 rng(11);
    for (int32_t count = 1; count <= 70; ++count) {
        std::vector<float> in(static_cast<size_t>(count));
        for (float& x : in) x = static_cast<float>(static_cast<int32_t>(rng() % 90001) - 45000) * 0.75f;
        for (int32_t at = 0; at < count; ++at) {
            for (const float edge : edges) {
                std::vector<float> values = in;
                values[static_cast<size_t>(at)] = edge;
                std::vector<int16_t> out(static_cast<size_t>(count) + 1, 99);
                kernels_->convert(out.data(), values.data(), count);
                for (int32_t k = 0; k < count; ++k) {
                    ASSERT_EQ(out[static_cast<size_t>(k)], pcm16Of(values[static_cast<size_t>(k)]))
                        << "value " << values[static_cast<size_t>(k)] << " at " << k << " of " << count;
                }
                ASSERT_EQ(out[static_cast<size_t>(count)], 99) << "wrote past " << count << " values";
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(AllPaths, MixKernelPaths,
                         ::testing::Values(MixPath::Scalar, MixPath::Avx2, MixPath::Avx512));

TEST(RampSumsExact, HoldsForEveryRampTheMixerMakes) {
    // Every pair of volume bytes at the ramp lengths of the lowest, the
    // usual and the highest rates.
    for (const int32_t rate : {1000, 44000, 384000}) {
        setOutputFormat(rate);
        for (int from = 0; from < 256; ++from) {
            for (int to = 0; to < 256; ++to) {
                const RampCase c = mixerRamp(from, to, 0, 0);
                ASSERT_TRUE(rampSumsExact(c.left, c.leftStep, rampFrames))
                    << rate << " Hz, " << from << " to " << to;
            }
        }
    }
    setOutputFormat(44000);
}

TEST(RampSumsExact, RefusesSumsThatRound) {
    EXPECT_FALSE(rampSumsExact(0.1, 1e-3 / 3, 2));  // 53-bit mantissas a decade apart
    EXPECT_FALSE(rampSumsExact(1.0, 0x1p-60, 1));   // the step falls below the gain's last bit
    EXPECT_FALSE(rampSumsExact(0x1p53, 1.0, 1));    // the sum needs a 54th bit
    EXPECT_FALSE(rampSumsExact(1.5, 0x1p-53, 1));   // half the last bit of 1.5
    EXPECT_FALSE(rampSumsExact(std::nan(""), 0.0, 1));
    EXPECT_FALSE(rampSumsExact(0.0, std::numeric_limits<double>::infinity(), 1));
    EXPECT_TRUE(rampSumsExact(0.5, 0x1p-52, 1));
    EXPECT_TRUE(rampSumsExact(0.25, 0.0, 1000000));  // no step: nothing to sum
    EXPECT_TRUE(rampSumsExact(0.0, -0.125, 1000));
}

}  // namespace
