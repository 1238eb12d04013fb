#include "base/decimal_seconds.h"

namespace {

constexpr int64_t NANOSECONDS_PER_SECOND = 1'000'000'000;
constexpr size_t MAX_DIGITS = 9;

// The value of up to nine digits; nothing for another character.
std::optional<int64_t> digitsValue(std::string_view digits) {
    int64_t value = 0;
    for (const char c : digits) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return value;
}

}  // namespace

int64_t DecimalSeconds::framesAt(int32_t rate) const {
    return whole * rate + nanoseconds * rate / NANOSECONDS_PER_SECOND;
}

int64_t DecimalSeconds::millisecondsRoundedUp() const {
    constexpr int64_t perMillisecond = NANOSECONDS_PER_SECOND / 1000;
    return whole * 1000 + (nanoseconds + perMillisecond - 1) / perMillisecond;
}

std::optional<DecimalSeconds> parseDecimalSeconds(std::string_view text) {
    const size_t dot = text.find('.');
    const std::string_view whole = text.substr(0, dot);
    const std::string_view fraction =
        dot == std::string_view::npos ? std::string_view{} : text.substr(dot + 1);
    if ((whole.empty() && fraction.empty()) || whole.size() > MAX_DIGITS || fraction.size() > MAX_DIGITS)
        return std::nullopt;
    const std::optional<int64_t> w = digitsValue(whole);
    std::optional<int64_t> f = digitsValue(fraction);
    if (!w || !f) return std::nullopt;
    for (size_t i = fraction.size(); i < MAX_DIGITS; ++i) *f *= 10;
    return DecimalSeconds{*w, *f};
}
