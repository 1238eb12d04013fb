#pragma once
// Synthetic pictures and sound with the card's traits, for the recorder's
// tests and benchmark where the scene itself is not wanted: a sky, a
// dithered snowfield of 1-pixel detail, holly leaves and berries with dark
// 1-pixel outlines in the corners, a palm that fills with 1-pixel strokes as
// the greeting is written, a hand sliding across, and 400 flakes falling at
// different speeds; a plucked tune over a bass line. Every value is a pure
// function of the frame's number, so a test can draw any frame again.
#include <cmath>
#include <cstdint>
#include <cstring>

#include "display/pixel_buffer.h"

namespace card_like {

constexpr int32_t WIDTH = 640;
constexpr int32_t HEIGHT = 480;
constexpr int32_t SOUND_RATE = 44000;

inline uint32_t mix(uint32_t v) {
    v ^= v >> 16;
    v *= 0x7feb352dU;
    v ^= v >> 15;
    v *= 0x846ca68bU;
    v ^= v >> 16;
    return v;
}

inline void put(PixelBuffer& f, int32_t x, int32_t y, uint32_t rgb) {
    if (x < 0 || y < 0 || x >= f.width || y >= f.height) return;
    const uint16_t p = rgb565FromRgb(rgb);
    std::memcpy(f.pixels + static_cast<ptrdiff_t>(f.pitch) * y + 2 * x, &p, 2);
}

// A filled ellipse with a 1-pixel outline.
inline void blob(PixelBuffer& f, int32_t cx, int32_t cy, int32_t rx, int32_t ry, uint32_t fill,
                 uint32_t edge) {
    for (int32_t y = -ry; y <= ry; ++y) {
        for (int32_t x = -rx; x <= rx; ++x) {
            const double d = static_cast<double>(x * x) / (rx * rx) + static_cast<double>(y * y) / (ry * ry);
            if (d > 1.0) continue;
            const double inner = static_cast<double>(x * x) / ((rx - 1) * (rx - 1) + 1e-9) +
                                 static_cast<double>(y * y) / ((ry - 1) * (ry - 1) + 1e-9);
            put(f, cx + x, cy + y, inner > 1.0 ? edge : fill);
        }
    }
}

inline void holly(PixelBuffer& f, int32_t cx, int32_t cy) {
    blob(f, cx - 22, cy, 20, 9, 0x1F7A2E, 0x0A2E10);
    blob(f, cx + 22, cy + 4, 20, 9, 0x2C9440, 0x0A2E10);
    blob(f, cx, cy - 14, 9, 18, 0x238535, 0x0A2E10);
    blob(f, cx - 5, cy + 3, 6, 6, 0xD41828, 0x4A0608);
    blob(f, cx + 6, cy + 5, 6, 6, 0xC81020, 0x4A0608);
    blob(f, cx, cy - 4, 6, 6, 0xE02030, 0x4A0608);
}

// Picture `index` of the show into `frame`, a 640x480 16-bit buffer.
inline void drawFrame(PixelBuffer& frame, int64_t index) {
    for (int32_t y = 0; y < HEIGHT; ++y) {
        for (int32_t x = 0; x < WIDTH; ++x) {
            uint32_t rgb;
            if (y < 330) {
                rgb = (20u << 16) | static_cast<uint32_t>(30 + y * 60 / 330) << 8 |
                      static_cast<uint32_t>(70 + y * 120 / 330);
            } else {
                rgb = ((x + y) & 1) ? 0xE4ECF4 : 0xB8C4D8;  // dithered snow: detail at every pixel
            }
            put(frame, x, y, rgb);
        }
    }
    for (int32_t x = 0; x < WIDTH; x += 2) put(frame, x, 329, 0xFFFFFF);  // a dotted horizon
    // The palm, filling with strokes: one more every other frame.
    for (int32_t y = 120; y < 400; ++y)
        for (int32_t x = 40; x < 260; ++x) put(frame, x, y, 0xF0C8A0);
    const int64_t strokes = index / 2;
    for (int64_t s = 0; s < strokes && s < 600; ++s) {
        const int32_t row = static_cast<int32_t>(s / 40), column = static_cast<int32_t>(s % 40);
        const int32_t x0 = 50 + column * 5, y0 = 130 + row * 17;
        const uint32_t shape = mix(static_cast<uint32_t>(s));
        for (int32_t k = 0; k < 10; ++k) put(frame, x0 + ((shape >> k) & 3), y0 + k, 0x101830);
    }
    // Holly in the corners.
    holly(frame, 50, 40);
    holly(frame, 590, 40);
    holly(frame, 50, 440);
    holly(frame, 590, 440);
    // The hand sliding in from the right.
    const int32_t handX = WIDTH - static_cast<int32_t>((index * 3) % 520);
    const int32_t handY = 160 + static_cast<int32_t>(20.0 * std::sin(static_cast<double>(index) * 0.07));
    for (int32_t y = 0; y < 150; ++y)
        for (int32_t x = 0; x < 110; ++x)
            put(frame, handX + x, handY + y,
                (x == 0 || y == 0 || x == 109 || y == 149) ? 0x6A3820 : 0xE8B090);
    // Snow: 1-pixel flakes, every fourth a 2x2 one.
    for (uint32_t j = 0; j < 400; ++j) {
        const uint32_t h = mix(j * 2654435761u + 1);
        const int64_t speed = 1 + j % 3, drift = static_cast<int64_t>(j % 5) - 2;
        const int32_t x =
            static_cast<int32_t>((static_cast<int64_t>(h % WIDTH) + index * drift / 3 + 64 * WIDTH) % WIDTH);
        const int32_t y =
            static_cast<int32_t>((static_cast<int64_t>((h >> 12) % HEIGHT) + index * speed) % HEIGHT);
        put(frame, x, y, 0xFFFFFF);
        if (j % 4 == 0) {
            put(frame, x + 1, y, 0xFFFFFF);
            put(frame, x, y + 1, 0xFFFFFF);
            put(frame, x + 1, y + 1, 0xFFFFFF);
        }
    }
}

// Sound frames first .. first + frames - 1 as interleaved 16-bit stereo: a
// plucked note every 0.15 s over a bass note every 0.6 s, with a little
// noise so that no stretch repeats another.
inline void sound(int64_t first, int32_t frames, int16_t* out) {
    constexpr double PI = 3.14159265358979323846;
    constexpr double NOTES[] = {523.25, 587.33, 659.25, 783.99, 880.00, 1046.5, 783.99, 659.25, 587.33};
    constexpr double BASS[] = {130.81, 98.00, 110.00, 87.31};
    constexpr int64_t NOTE = SOUND_RATE * 15 / 100, BAR = SOUND_RATE * 6 / 10;
    for (int32_t i = 0; i < frames; ++i) {
        const int64_t n = first + i;
        const double tNote = static_cast<double>(n % NOTE) / SOUND_RATE;
        const double tBar = static_cast<double>(n % BAR) / SOUND_RATE;
        const double note = NOTES[(n / NOTE) % 9], bass = BASS[(n / BAR) % 4];
        const double melody = 0.30 * std::exp(-tNote * 9.0) * std::sin(2 * PI * note * tNote);
        const double low = 0.22 * std::exp(-tBar * 3.0) * std::sin(2 * PI * bass * tBar);
        const double noise =
            (static_cast<double>(mix(static_cast<uint32_t>(n)) & 0xFFFF) / 65535.0 - 0.5) * 0.01;
        out[2 * i] = static_cast<int16_t>(std::lround((0.8 * melody + low + noise) * 32767.0));
        out[2 * i + 1] = static_cast<int16_t>(std::lround((melody + 0.8 * low - noise) * 32767.0));
    }
}

}  // namespace card_like
