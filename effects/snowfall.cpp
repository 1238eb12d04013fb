#include "effects/snowfall.h"

#include <cmath>
#include <cstddef>
#include <cstring>
#include <new>

#include "platform/wall_clock.h"

namespace {

// Bits 0x40490FDA: one unit in the last place below the float nearest to pi.
// The sway of every flake depends on this exact value.
constexpr float swayPi = 3.1415925f;
static_assert(__builtin_bit_cast(uint32_t, swayPi) == 0x40490FDAu);

}  // namespace

SnowField::SnowField(SnowArea area) : area_(area) {}

void SnowField::seedFromWallClock() {
    random_.seed(static_cast<uint32_t>(wallClockSeconds()));
}

bool SnowField::create(int32_t n) {
    // safety: a second create replaces the flakes instead of leaking them,
    // and a negative count (or an empty area) makes an empty field.
    flakes.reset();
    count = 0;
    if (n <= 0 || area_.width <= 0 || area_.height <= 0) return true;
    flakes.reset(new (std::nothrow) Snowflake[static_cast<size_t>(n)]);
    if (!flakes) return false;
    count = n;

    seedFromWallClock();
    for (int32_t i = 0; i < count; ++i) {
        Snowflake& f = flakes[i];
        // The draws stay in this order: x, y, speed.
        f.x = random_.next() % area_.width;
        f.baseX = f.x;
        f.y = random_.next() % area_.height;
        f.speed = random_.next() % 3 + 1;
    }
    return true;
}

void SnowField::update() {
    // Reseeded every frame from the clock: a flake that wraps within one
    // second takes the same new column as others wrapping in that second.
    seedFromWallClock();
    const double height = area_.height;
    for (int32_t i = 0; i < count; ++i) {
        Snowflake& f = flakes[i];
        // Six sine periods over the area's height, products left to right in
        // double; the sway uses the y before this frame's fall.
        const double angle = static_cast<double>(f.y) / height * swayPi * 2.0 * 6.0;
        f.x = static_cast<int32_t>(std::sin(angle) * 6.0 + f.baseX);
        f.y += f.speed;
        if (f.y > area_.height - 5) {
            f.y = 0;
            // baseX stays: the new column lasts for this one frame only.
            f.x = random_.next() % area_.width;
        }
    }
}

bool SnowField::draw(uint8_t* pixels, int32_t pitch) const {
    const auto putWhite = [&](int32_t column, int32_t row) {
        // safety: the sway carries flakes up to 5 columns past either edge (and
        // a block reaches one further); those pixels lie outside the surface.
        if (column < 0 || column >= area_.width || row < 0 || row >= area_.height) return;
        const uint16_t white = 0xFFFF;
        std::memcpy(pixels + static_cast<std::ptrdiff_t>(pitch) * row + 2 * column, &white, 2);
    };
    for (int32_t i = 0; i < count; ++i) {
        const Snowflake& f = flakes[i];
        putWhite(f.x, f.y);
        putWhite(f.x + 1, f.y);
        putWhite(f.x, f.y + 1);
        putWhite(f.x + 1, f.y + 1);
    }
    return true;
}
