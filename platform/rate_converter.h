#pragma once
// Converts the card's 16-bit stereo sound to float stereo at the rate a
// sound device insists on, when it refuses the card's own. A windowed-sinc
// interpolator (band-limited, so no images or aliases of the music are
// heard), stepped in exact integer ratios so the pitch never drifts. At
// equal rates it only converts the samples, exactly (v / 32768).
#include <cstddef>
#include <cstdint>
#include <vector>

class RateConverter {
  public:
    // Taps on each side of an output sample, and kernel values between two
    // input frames (interpolated linearly between them).
    static constexpr int32_t HALF_TAPS = 16;
    static constexpr int32_t PHASES = 256;
    static constexpr int32_t MIN_RATE = 1000;
    static constexpr int32_t MAX_RATE = 768000;

    // Starts afresh from silence for `inputRate` -> `outputRate`. False (and
    // nothing to convert) for a rate out of MIN_RATE..MAX_RATE.
    bool start(int32_t inputRate, int32_t outputRate);
    bool passThrough() const { return inputRate_ == outputRate_; }

    // Takes `frames` input frames (left, right pairs) and appends to `out`
    // (left, right float pairs) every output frame they complete. Returns
    // the number of frames appended. The output lags the input by
    // HALF_TAPS input frames when converting; how the input is cut into
    // calls does not change the output.
    size_t convert(const int16_t* in, int32_t frames, std::vector<float>& out);

  private:
    float kernelAt(int32_t tap, double fraction) const;

    int32_t inputRate_ = 0;
    int32_t outputRate_ = 0;
    std::vector<float> kernel_;   // HALF_TAPS * 2 * PHASES + 1 values over -HALF_TAPS..HALF_TAPS
    std::vector<float> history_;  // input frames (pairs) not yet behind every tap
    // The next output frame lies at input frame index_ + phase_ / outputRate_
    // of history_.
    size_t index_ = 0;
    int64_t phase_ = 0;
};
