#pragma once
// A number of seconds as a person types it ("30", "2.5", ".25"), kept
// exactly: binary floating point would make 0.3 s at 44,100 Hz 13,229 frames
// instead of 13,230.
#include <cstdint>
#include <optional>
#include <string_view>

struct DecimalSeconds {
    int64_t whole = 0;
    int64_t nanoseconds = 0;  // 0 .. 999,999,999

    // Frames at `rate`, rounded down.
    int64_t framesAt(int32_t rate) const;
    // Milliseconds, rounded up: "0.0001" is 1.
    int64_t millisecondsRoundedUp() const;
};

// Digits with at most one '.', at most nine on either side, at least one in
// all; no sign, no exponent. Nothing for anything else.
std::optional<DecimalSeconds> parseDecimalSeconds(std::string_view text);
