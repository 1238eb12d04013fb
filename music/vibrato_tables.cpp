#include <cmath>
#include <cstdlib>

#include "music/channel.h"

namespace {

// pi/64 with pi taken as 3.141592, kept as a float.
constexpr float VIBRATO_STEP = 0.049087375f;

// sin(p x 0.0245436877f) x 64, truncated (2 x 3.141592 / 256 as a float):
// the auto-vibrato sine over a 256-step cycle. Tabled because it is read for
// every channel on every tick.
// clang-format off
constexpr int8_t autoVibratoSineTable[256] = {
    0, 1, 3, 4, 6, 7, 9, 10, 12, 14, 15, 17, 18, 20, 21, 23,
    24, 25, 27, 28, 30, 31, 32, 34, 35, 36, 38, 39, 40, 41, 42, 44,
    45, 46, 47, 48, 49, 50, 51, 52, 53, 54, 54, 55, 56, 57, 57, 58,
    59, 59, 60, 60, 61, 61, 62, 62, 62, 63, 63, 63, 63, 63, 63, 63,
    63, 63, 63, 63, 63, 63, 63, 63, 62, 62, 62, 61, 61, 60, 60, 59,
    59, 58, 57, 57, 56, 55, 54, 54, 53, 52, 51, 50, 49, 48, 47, 46,
    45, 44, 42, 41, 40, 39, 38, 36, 35, 34, 32, 31, 30, 28, 27, 25,
    24, 23, 21, 20, 18, 17, 15, 14, 12, 10, 9, 7, 6, 4, 3, 1,
    0, -1, -3, -4, -6, -7, -9, -10, -12, -14, -15, -17, -18, -20, -21, -23,
    -24, -25, -27, -28, -30, -31, -32, -34, -35, -36, -38, -39, -40, -41, -42, -44,
    -45, -46, -47, -48, -49, -50, -51, -52, -53, -54, -54, -55, -56, -57, -57, -58,
    -59, -59, -60, -60, -61, -61, -62, -62, -62, -63, -63, -63, -63, -63, -63, -63,
    -63, -63, -63, -63, -63, -63, -63, -63, -62, -62, -62, -61, -61, -60, -60, -59,
    -59, -58, -57, -57, -56, -55, -54, -54, -53, -52, -51, -50, -49, -48, -47, -46,
    -45, -44, -42, -41, -40, -39, -38, -36, -35, -34, -32, -31, -30, -28, -27, -25,
    -24, -23, -21, -20, -18, -17, -15, -14, -12, -10, -9, -7, -6, -4, -3, -1,
};
// clang-format on

}  // namespace

// |sin(2 x p x VIBRATO_STEP)| x 256, truncated, for p = 0..32 (32 is reached
// when a position of 31 advances by one and wraps to -32).
const uint8_t vibratoSineTable[33] = {
    0,   25,  49,  74,  97,  120, 142, 162, 181, 197, 212, 225, 236, 244, 251, 254, 255,
    254, 251, 244, 236, 225, 212, 197, 181, 162, 142, 120, 97,  74,  49,  25,  0,
};

int32_t vibratoSine(int32_t position) {
    int32_t magnitude = std::abs(position);
    if (magnitude <= 32) return vibratoSineTable[magnitude];
    // Positions stay within -32..31 unless a speed above 32 came along; the
    // formula covers those without reading past the table.
    double a = std::fabs(std::sin(2.0 * magnitude * static_cast<double>(VIBRATO_STEP))) * 256.0;
    return static_cast<int32_t>(a);
}

int32_t autoVibratoWave(uint8_t type, int32_t position) {
    int32_t p = position & 255;
    switch (type) {
        case 0:
            return autoVibratoSineTable[p];
        case 1:
            return p < 128 ? 64 : -64;
        case 2:
            return (128 - ((p + 128) & 255)) >> 1;
        case 3:
            return (128 - ((384 - p) & 255)) >> 1;
        default:
            // No waveform is defined beyond the four; such an instrument
            // gets no auto-vibrato rather than an arbitrary one.
            return 0;
    }
}
