#pragma once
// The falling snow: white 2 x 2 flakes that fall at one of three speeds,
// sway on a sine around their own column and start again at the top.
// The field works in the coordinates of the surface it is drawn on, whose
// size it is given when it is made.
#include <cstdint>
#include <memory>

#include "effects/random_numbers.h"

struct Snowflake {
    int32_t x;      // left column of the flake in this frame
    int32_t y;      // top row of the flake
    int32_t speed;  // rows fallen per frame: 1, 2 or 3
    int32_t baseX;  // column the flake sways around, for its whole life
};

// The size of the surface the snow falls on, in pixels.
struct SnowArea {
    int32_t width;
    int32_t height;
};

class SnowField {
  public:
    explicit SnowField(SnowArea area);
    SnowField(const SnowField&) = delete;
    SnowField& operator=(const SnowField&) = delete;

    // Makes `n` flakes scattered over the area, seeding the random numbers
    // from the wall clock. Returns false only when the flakes cannot be
    // allocated (the field is then empty).
    bool create(int32_t n);

    // Moves every flake by one frame.
    void update();

    // Writes every flake as white into a locked 16-bit surface of the
    // field's area: `pixels` is its first pixel, `pitch` its bytes per row.
    // Pixels outside the area are skipped. Always returns true.
    bool draw(uint8_t* pixels, int32_t pitch) const;

    int32_t count = 0;
    std::unique_ptr<Snowflake[]> flakes;

  private:
    void seedFromWallClock();

    SnowArea area_;
    RandomNumbers random_;
};
