// Converting the card's sound to a rate the device insists on: exact at
// equal rates, band-limited and drift-free otherwise, and the same however
// the stream is cut into calls.
#include "platform/rate_converter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

namespace {

constexpr double PI = 3.14159265358979323846;

// `frames` stereo frames of a sine at `hz` (the right channel a quarter
// period later), at 3/4 of full scale.
std::vector<int16_t> sine(double hz, int32_t rate, int32_t frames) {
    std::vector<int16_t> pcm(static_cast<size_t>(frames) * 2);
    for (int32_t i = 0; i < frames; ++i) {
        const double phase = 2.0 * PI * hz * i / rate;
        pcm[2 * i] = static_cast<int16_t>(std::lround(24576.0 * std::sin(phase)));
        pcm[2 * i + 1] = static_cast<int16_t>(std::lround(24576.0 * std::cos(phase)));
    }
    return pcm;
}

std::vector<float> convertAll(RateConverter& c, const std::vector<int16_t>& pcm, int32_t chunk) {
    std::vector<float> out;
    const auto frames = static_cast<int32_t>(pcm.size() / 2);
    for (int32_t at = 0; at < frames; at += chunk)
        c.convert(pcm.data() + 2 * at, std::min(chunk, frames - at), out);
    return out;
}

// Root-mean-square difference between the left channel and a sine at `hz`
// and `rate` (phase and latency fitted), relative to the sine's amplitude,
// over the frames after the converter's start.
double sineError(const std::vector<float>& out, double hz, int32_t rate, int32_t skip) {
    // Fit a sin + b cos by least squares over the window.
    double ss = 0, cc = 0, sc = 0, ys = 0, yc = 0;
    const size_t frames = out.size() / 2;
    for (size_t i = static_cast<size_t>(skip); i < frames; ++i) {
        const double p = 2.0 * PI * hz * static_cast<double>(i) / rate;
        const double s = std::sin(p), c = std::cos(p), y = out[2 * i];
        ss += s * s, cc += c * c, sc += s * c, ys += y * s, yc += y * c;
    }
    const double det = ss * cc - sc * sc;
    const double a = (ys * cc - yc * sc) / det, b = (yc * ss - ys * sc) / det;
    double error = 0;
    for (size_t i = static_cast<size_t>(skip); i < frames; ++i) {
        const double p = 2.0 * PI * hz * static_cast<double>(i) / rate;
        const double d = out[2 * i] - (a * std::sin(p) + b * std::cos(p));
        error += d * d;
    }
    const double amplitude = std::hypot(a, b);
    return std::sqrt(error / static_cast<double>(frames - static_cast<size_t>(skip))) / amplitude;
}

double peakAfter(const std::vector<float>& out, size_t skipFrames) {
    double peak = 0;
    for (size_t i = skipFrames * 2; i < out.size(); ++i) peak = std::max(peak, std::fabs(double{out[i]}));
    return peak;
}

TEST(RateConverter, EqualRatesOnlyScaleEachSampleExactly) {
    RateConverter c;
    ASSERT_TRUE(c.start(44000, 44000));
    EXPECT_TRUE(c.passThrough());
    const std::vector<int16_t> pcm{-32768, 32767, 0, 1, -1, 12345};
    std::vector<float> out;
    EXPECT_EQ(c.convert(pcm.data(), 3, out), 3u);
    ASSERT_EQ(out.size(), 6u);
    for (size_t i = 0; i < pcm.size(); ++i) EXPECT_EQ(out[i] * 32768.0f, static_cast<float>(pcm[i])) << i;
}

TEST(RateConverter, RefusesRatesOutOfRangeAndConvertsNothingThen) {
    RateConverter c;
    EXPECT_FALSE(c.start(44000, 0));
    EXPECT_FALSE(c.start(999, 48000));
    EXPECT_FALSE(c.start(44000, RateConverter::MAX_RATE + 1));
    const std::vector<int16_t> pcm(20, 100);
    std::vector<float> out;
    EXPECT_EQ(c.convert(pcm.data(), 10, out), 0u);
    EXPECT_TRUE(out.empty());
}

TEST(RateConverter, UpTo48000KeepsATonesPitchAndShape) {
    RateConverter c;
    ASSERT_TRUE(c.start(44000, 48000));
    const std::vector<float> out = convertAll(c, sine(1000.0, 44000, 44000), 2048);
    // One second in, 48,000 frames out, less the converter's lag.
    EXPECT_NEAR(static_cast<double>(out.size() / 2), 48000.0 - RateConverter::HALF_TAPS * 48000.0 / 44000.0,
                2.0);
    // Fitted over the whole second: a step that drifted would show as a
    // growing phase error.
    EXPECT_LT(sineError(out, 1000.0, 48000, 100), 1e-3);
}

TEST(RateConverter, HighTonesStayCleanWhenGoingUp) {
    // 18 kHz sits near the card's Nyquist limit: nearest or linear
    // interpolation would leave loud images; the windowed sinc does not.
    RateConverter c;
    ASSERT_TRUE(c.start(44000, 48000));
    const std::vector<float> out = convertAll(c, sine(18000.0, 44000, 22000), 1000);
    EXPECT_LT(sineError(out, 18000.0, 48000, 100), 0.01);
}

TEST(RateConverter, DownToALowerRateRemovesWhatCannotBeHeldThere) {
    // 15 kHz cannot exist at 22,050 Hz: it must be filtered out, not folded
    // down to an audible 7 kHz.
    RateConverter c;
    ASSERT_TRUE(c.start(44000, 22050));
    const std::vector<float> out = convertAll(c, sine(15000.0, 44000, 44000), 4096);
    EXPECT_LT(peakAfter(out, 100), 0.75 * 0.01) << "at least 40 dB down";
    RateConverter d;
    ASSERT_TRUE(d.start(44000, 22050));
    EXPECT_LT(sineError(convertAll(d, sine(3000.0, 44000, 44000), 4096), 3000.0, 22050, 100), 1e-3);
}

TEST(RateConverter, ConstantInputComesOutConstant) {
    RateConverter c;
    ASSERT_TRUE(c.start(44000, 44100));
    const std::vector<int16_t> pcm(2 * 8000, 16384);
    const std::vector<float> out = convertAll(c, pcm, 777);
    for (size_t i = 2 * 200; i < out.size(); ++i) ASSERT_NEAR(out[i], 0.5f, 1e-4f) << i;
}

TEST(RateConverter, HowTheStreamIsCutDoesNotChangeTheOutput) {
    const std::vector<int16_t> pcm = sine(440.0, 44000, 20000);
    RateConverter whole, pieces, single;
    ASSERT_TRUE(whole.start(44000, 48000));
    ASSERT_TRUE(pieces.start(44000, 48000));
    ASSERT_TRUE(single.start(44000, 48000));
    const std::vector<float> a = convertAll(whole, pcm, 20000);
    const std::vector<float> b = convertAll(pieces, pcm, 2048);
    const std::vector<float> c = convertAll(single, pcm, 1);
    EXPECT_EQ(a, b);
    EXPECT_EQ(a, c);
}

TEST(RateConverter, StartingAgainForgetsTheOldStream) {
    RateConverter c;
    ASSERT_TRUE(c.start(44000, 48000));
    convertAll(c, sine(440.0, 44000, 5000), 512);
    ASSERT_TRUE(c.start(44000, 48000));
    RateConverter fresh;
    ASSERT_TRUE(fresh.start(44000, 48000));
    const std::vector<int16_t> pcm = sine(700.0, 44000, 3000);
    EXPECT_EQ(convertAll(c, pcm, 300), convertAll(fresh, pcm, 300));
}

}  // namespace
