#include "effects/snowfall.h"

#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <new>

#include "app/scene_frame.h"
#include "platform/wall_clock.h"

namespace {

// Bits 0x40490FDA: one unit in the last place below the float nearest to pi.
// The sway of every flake depends on this exact value.
constexpr float swayPi = 3.1415925f;
static_assert(std::bit_cast<uint32_t>(swayPi) == 0x40490FDAu);

void seedFromWallClock() {
    std::srand(static_cast<unsigned>(wallClockSeconds()));
}

void putWhite(uint8_t* pixels, int32_t pitch, int32_t column, int32_t row) {
    // safety: the sway carries flakes up to 5 columns past either edge (and
    // a block reaches one further); those pixels lie outside the surface.
    if (column < 0 || column >= SCREEN_WIDTH || row < 0 || row >= SCREEN_HEIGHT) return;
    const uint16_t white = 0xFFFF;
    std::memcpy(pixels + static_cast<std::ptrdiff_t>(pitch) * row + 2 * column, &white, 2);
}

}  // namespace

SnowField::~SnowField() {
    delete[] flakes;
    flakes = nullptr;
}

bool SnowField::create(int32_t n) {
    // safety: a second create replaces the flakes instead of leaking them,
    // and a negative count makes an empty field.
    delete[] flakes;
    flakes = nullptr;
    count = 0;
    if (n <= 0) return true;
    flakes = new (std::nothrow) Snowflake[static_cast<size_t>(n)];
    if (!flakes) return false;
    count = n;

    seedFromWallClock();
    for (int32_t i = 0; i < count; ++i) {
        Snowflake& f = flakes[i];
        // The draws stay in this order: x, y, speed.
        f.x = std::rand() % SCREEN_WIDTH;
        f.baseX = f.x;
        f.y = std::rand() % SCREEN_HEIGHT;
        f.speed = std::rand() % 3 + 1;
    }
    return true;
}

void SnowField::update() {
    // Reseeded every frame from the clock: a flake that wraps within one
    // second takes the same new column as others wrapping in that second.
    seedFromWallClock();
    const double height = SCREEN_HEIGHT;
    for (int32_t i = 0; i < count; ++i) {
        Snowflake& f = flakes[i];
        // Six sine periods over the screen height, products left to right in
        // double; the sway uses the y before this frame's fall.
        const double angle = static_cast<double>(f.y) / height * swayPi * 2.0 * 6.0;
        f.x = static_cast<int32_t>(std::sin(angle) * 6.0 + f.baseX);
        f.y += f.speed;
        if (f.y > SCREEN_HEIGHT - 5) {
            f.y = 0;
            // baseX stays: the new column lasts for this one frame only.
            f.x = std::rand() % SCREEN_WIDTH;
        }
    }
}

bool SnowField::draw(uint8_t* pixels, int32_t pitch) const {
    for (int32_t i = 0; i < count; ++i) {
        const Snowflake& f = flakes[i];
        putWhite(pixels, pitch, f.x, f.y);
        putWhite(pixels, pitch, f.x + 1, f.y);
        putWhite(pixels, pitch, f.x, f.y + 1);
        putWhite(pixels, pitch, f.x + 1, f.y + 1);
    }
    return true;
}
