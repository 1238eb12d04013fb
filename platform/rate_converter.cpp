#include "platform/rate_converter.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double PI = 3.14159265358979323846;
// The pass band ends this far below the lower of the two Nyquist limits, so
// the kernel's transition band falls short of where images would appear.
constexpr double CUTOFF_SHARE = 0.92;
// Kaiser window: about 80 dB of stop-band rejection at this length.
constexpr double KAISER_BETA = 8.0;

// Modified Bessel function of order 0, by its series (converges fast for
// the window's arguments).
double besselI0(double x) {
    double sum = 1.0, term = 1.0;
    for (int k = 1; k < 50 && term > sum * 1e-17; ++k) {
        const double half = x / (2.0 * k);
        term *= half * half;
        sum += term;
    }
    return sum;
}

}  // namespace

bool RateConverter::start(int32_t inputRate, int32_t outputRate) {
    inputRate_ = outputRate_ = 0;
    history_.clear();
    kernel_.clear();
    index_ = 0;
    phase_ = 0;
    if (inputRate < MIN_RATE || inputRate > MAX_RATE || outputRate < MIN_RATE || outputRate > MAX_RATE)
        return false;
    inputRate_ = inputRate;
    outputRate_ = outputRate;
    if (passThrough()) return true;

    const double cutoff = CUTOFF_SHARE * std::min(1.0, static_cast<double>(outputRate) / inputRate);
    const int32_t points = HALF_TAPS * 2 * PHASES + 1;
    kernel_.resize(static_cast<size_t>(points));
    const double windowNorm = besselI0(KAISER_BETA);
    for (int32_t m = 0; m < points; ++m) {
        const double x = static_cast<double>(m - HALF_TAPS * PHASES) / PHASES;  // in input frames
        const double t = x / HALF_TAPS;
        const double window = besselI0(KAISER_BETA * std::sqrt(std::max(0.0, 1.0 - t * t))) / windowNorm;
        const double sinc = x == 0.0 ? 1.0 : std::sin(PI * cutoff * x) / (PI * cutoff * x);
        kernel_[static_cast<size_t>(m)] = static_cast<float>(cutoff * sinc * window);
    }
    // Silence before the first frame, so the first outputs have all their taps.
    history_.assign(static_cast<size_t>(HALF_TAPS) * 2, 0.0f);
    index_ = HALF_TAPS;
    return true;
}

float RateConverter::kernelAt(int32_t tap, double fraction) const {
    // The kernel at distance tap - fraction input frames from the output.
    const double at = (static_cast<double>(tap) - fraction + HALF_TAPS) * PHASES;
    const auto below = static_cast<size_t>(at);
    const double weight = at - static_cast<double>(below);
    const float a = kernel_[below];
    const float b = below + 1 < kernel_.size() ? kernel_[below + 1] : 0.0f;
    return static_cast<float>(a + (b - a) * weight);
}

size_t RateConverter::convert(const int16_t* in, int32_t frames, std::vector<float>& out) {
    if (inputRate_ == 0 || frames <= 0) return 0;
    constexpr float SCALE = 1.0f / 32768.0f;
    if (passThrough()) {
        for (int32_t i = 0; i < frames * 2; ++i) out.push_back(static_cast<float>(in[i]) * SCALE);
        return static_cast<size_t>(frames);
    }
    for (int32_t i = 0; i < frames * 2; ++i) history_.push_back(static_cast<float>(in[i]) * SCALE);

    size_t made = 0;
    const size_t available = history_.size() / 2;
    // An output frame needs its HALF_TAPS frames after index_ as well.
    while (index_ + HALF_TAPS < available) {
        const double fraction = static_cast<double>(phase_) / outputRate_;
        double left = 0.0, right = 0.0;
        for (int32_t tap = 1 - HALF_TAPS; tap <= HALF_TAPS; ++tap) {
            const float k = kernelAt(tap, fraction);
            const size_t at = (index_ + static_cast<size_t>(tap + HALF_TAPS) - HALF_TAPS) * 2;
            left += static_cast<double>(history_[at] * k);
            right += static_cast<double>(history_[at + 1] * k);
        }
        out.push_back(static_cast<float>(left));
        out.push_back(static_cast<float>(right));
        ++made;
        // Exact stepping: inputRate / outputRate input frames per output frame.
        phase_ += inputRate_;
        index_ += static_cast<size_t>(phase_ / outputRate_);
        phase_ %= outputRate_;
    }
    // Drop what no tap will reach again.
    const size_t keep = index_ >= HALF_TAPS ? index_ - HALF_TAPS : 0;
    if (keep > 0) {
        history_.erase(history_.begin(), history_.begin() + static_cast<ptrdiff_t>(keep * 2));
        index_ -= keep;
    }
    return made;
}
