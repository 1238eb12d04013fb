#include "effects/snowfall.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "app/scene_frame.h"
#include "platform/wall_clock.h"

namespace {

constexpr int64_t kSeed = 1'700'000'000;
// The card's screen, the area its snow falls on.
constexpr SnowArea kScreen{SCREEN_WIDTH, SCREEN_HEIGHT};

class SnowFieldTest : public ::testing::Test {
  protected:
    void SetUp() override { fixWallClock(kSeed); }
    void TearDown() override { releaseWallClock(); }

    // A field of exactly the given flakes.
    static void place(SnowField& field, std::initializer_list<Snowflake> list) {
        field.create(static_cast<int32_t>(list.size()));
        int i = 0;
        for (const Snowflake& f : list) field.flakes[i++] = f;
    }
};

// A screen-sized 16-bit surface with guard pixels around it in memory: a
// guard band before and after every row (the pitch is wider than the screen)
// and whole guard rows above and below.
class GuardedSurface {
  public:
    static constexpr int kSide = 8;        // guard pixels on each side of a row
    static constexpr int kRowsAround = 2;  // guard rows above and below
    static constexpr uint16_t kGuard = 0x5A5A;

    GuardedSurface()
        : pitchPixels_(SCREEN_WIDTH + 2 * kSide),
          memory_(static_cast<size_t>(pitchPixels_) * (SCREEN_HEIGHT + 2 * kRowsAround), kGuard) {
        for (int y = 0; y < SCREEN_HEIGHT; ++y)
            for (int x = 0; x < SCREEN_WIDTH; ++x) at(x, y) = 0;
    }
    uint8_t* pixels() { return reinterpret_cast<uint8_t*>(&at(0, 0)); }
    int32_t pitch() const { return pitchPixels_ * 2; }
    uint16_t& at(int x, int y) {
        return memory_[static_cast<size_t>(y + kRowsAround) * pitchPixels_ + kSide + x];
    }
    int whiteCount() {
        int n = 0;
        for (int y = 0; y < SCREEN_HEIGHT; ++y)
            for (int x = 0; x < SCREEN_WIDTH; ++x) n += at(x, y) == 0xFFFF;
        return n;
    }
    // Every pixel outside the screen area still holds the guard value.
    bool guardsIntact() {
        int onScreen = 0;
        for (int y = 0; y < SCREEN_HEIGHT; ++y)
            for (int x = 0; x < SCREEN_WIDTH; ++x) onScreen += at(x, y) != kGuard;
        size_t guards = 0;
        for (uint16_t v : memory_) guards += v == kGuard;
        return guards == memory_.size() - static_cast<size_t>(onScreen);
    }

  private:
    int pitchPixels_;
    std::vector<uint16_t> memory_;
};

TEST_F(SnowFieldTest, EmptyFieldDoesNothing) {
    SnowField field{kScreen};
    field.update();
    GuardedSurface s;
    EXPECT_TRUE(field.draw(s.pixels(), s.pitch()));
    EXPECT_EQ(s.whiteCount(), 0);

    ASSERT_TRUE(field.create(0));
    EXPECT_EQ(field.count, 0);
    field.update();
    EXPECT_TRUE(field.draw(s.pixels(), s.pitch()));
    EXPECT_EQ(s.whiteCount(), 0);
    EXPECT_TRUE(s.guardsIntact());
}

TEST_F(SnowFieldTest, CreateDrawsXThenYThenSpeedForEachFlake) {
    SnowField field{kScreen};
    ASSERT_TRUE(field.create(400));
    ASSERT_EQ(field.count, 400);
    std::srand(static_cast<unsigned>(kSeed));
    for (int i = 0; i < 400; ++i) {
        const int x = std::rand() % SCREEN_WIDTH;
        const int y = std::rand() % SCREEN_HEIGHT;
        const int speed = std::rand() % 3 + 1;
        ASSERT_EQ(field.flakes[i].x, x) << i;
        ASSERT_EQ(field.flakes[i].baseX, x) << i;
        ASSERT_EQ(field.flakes[i].y, y) << i;
        ASSERT_EQ(field.flakes[i].speed, speed) << i;
    }
}

TEST_F(SnowFieldTest, FieldsMadeInTheSameSecondMatch) {
    SnowField a{kScreen}, b{kScreen};
    a.create(50);
    b.create(50);
    for (int i = 0; i < 50; ++i) {
        EXPECT_EQ(a.flakes[i].x, b.flakes[i].x);
        EXPECT_EQ(a.flakes[i].y, b.flakes[i].y);
        EXPECT_EQ(a.flakes[i].speed, b.flakes[i].speed);
    }
    fixWallClock(kSeed + 1);
    SnowField c{kScreen};
    c.create(50);
    int same = 0;
    for (int i = 0; i < 50; ++i) same += a.flakes[i].x == c.flakes[i].x && a.flakes[i].y == c.flakes[i].y;
    EXPECT_LT(same, 50);
}

TEST_F(SnowFieldTest, SwayFollowsTheSineOfTheOldRow) {
    SnowField field{kScreen};
    place(field, {
                     {0, 0, 1, 100},   // sin 0: on baseX
                     {0, 20, 1, 100},  // quarter period: 5.99999..., truncated to 5
                     {0, 60, 1, 100},  // three quarters: 94.00000...
                     {0, 40, 3, 100},  // half period: a hair above 0
                     {0, 20, 2, 639},  // the double sum rounds up to the whole 645
                     {0, 60, 2, 0},    // -5.99999... truncates toward zero: -5
                 });
    field.update();
    const int32_t wantX[] = {100, 105, 94, 100, 645, -5};
    const int32_t wantY[] = {1, 21, 61, 43, 22, 62};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(field.flakes[i].x, wantX[i]) << i;
        EXPECT_EQ(field.flakes[i].y, wantY[i]) << i;
    }
}

TEST_F(SnowFieldTest, WrapKeepsBaseXAndTakesOneNewColumn) {
    SnowField field{kScreen};
    place(field, {
                     {300, 474, 1, 300},  // to 475: not past the limit
                     {300, 474, 2, 300},  // to 476: wraps
                     {200, 473, 3, 200},  // to 476: wraps, second draw after the reseed
                 });
    field.update();
    std::srand(static_cast<unsigned>(kSeed));
    const int firstWrap = std::rand() % SCREEN_WIDTH;
    const int secondWrap = std::rand() % SCREEN_WIDTH;

    EXPECT_EQ(field.flakes[0].y, 475);
    EXPECT_EQ(field.flakes[1].y, 0);
    EXPECT_EQ(field.flakes[1].x, firstWrap);
    EXPECT_EQ(field.flakes[1].baseX, 300);
    EXPECT_EQ(field.flakes[2].y, 0);
    EXPECT_EQ(field.flakes[2].x, secondWrap);
    EXPECT_EQ(field.flakes[2].baseX, 200);

    // The next frame puts the flake back on its sway around the old column.
    field.update();
    EXPECT_EQ(field.flakes[1].x, 300);
    EXPECT_EQ(field.flakes[1].y, 2);
}

TEST_F(SnowFieldTest, FlakesStayInsideTheScreenRowsOverManyFrames) {
    SnowField field{kScreen};
    field.create(400);
    for (int frame = 0; frame < 1000; ++frame) {
        field.update();
        for (int i = 0; i < field.count; ++i) {
            const Snowflake& f = field.flakes[i];
            ASSERT_GE(f.y, 0);
            ASSERT_LE(f.y, SCREEN_HEIGHT - 5);
            ASSERT_GE(f.x, -5);
            ASSERT_LE(f.x, SCREEN_WIDTH + 5);
            if (f.y != 0) {  // y is 0 only in the frame of a wrap
                ASSERT_LE(std::abs(f.x - f.baseX), 6);
            }
        }
    }
}

TEST_F(SnowFieldTest, DrawWritesOneTwoByTwoWhiteBlock) {
    SnowField field{kScreen};
    place(field, {{10, 3, 1, 10}});
    GuardedSurface s;
    ASSERT_TRUE(field.draw(s.pixels(), s.pitch()));
    EXPECT_EQ(s.whiteCount(), 4);
    EXPECT_EQ(s.at(10, 3), 0xFFFF);
    EXPECT_EQ(s.at(11, 3), 0xFFFF);
    EXPECT_EQ(s.at(10, 4), 0xFFFF);
    EXPECT_EQ(s.at(11, 4), 0xFFFF);
    EXPECT_TRUE(s.guardsIntact());
}

TEST_F(SnowFieldTest, DrawNeverWritesOutsideTheSurface) {
    SnowField field{kScreen};
    place(field, {
                     {-5, 100, 1, 0},     // wholly left of the screen
                     {-1, 110, 1, 0},     // right half of the block on screen
                     {639, 120, 1, 639},  // left half on screen
                     {645, 130, 1, 639},  // wholly right of the screen
                     {640, 140, 1, 639},
                     {0, 479, 1, 0},  // a fresh flake's lowest row: only its top row fits
                     {5, -1, 1, 5},   // only its lower row fits
                 });
    GuardedSurface s;
    ASSERT_TRUE(field.draw(s.pixels(), s.pitch()));
    EXPECT_TRUE(s.guardsIntact());
    EXPECT_EQ(s.at(0, 110), 0xFFFF);
    EXPECT_EQ(s.at(0, 111), 0xFFFF);
    EXPECT_EQ(s.at(639, 120), 0xFFFF);
    EXPECT_EQ(s.at(639, 121), 0xFFFF);
    EXPECT_EQ(s.at(0, 479), 0xFFFF);
    EXPECT_EQ(s.at(1, 479), 0xFFFF);
    EXPECT_EQ(s.at(5, 0), 0xFFFF);
    EXPECT_EQ(s.at(6, 0), 0xFFFF);
    EXPECT_EQ(s.whiteCount(), 8);
}

TEST_F(SnowFieldTest, CreatingAgainReplacesTheFlakes) {
    SnowField field{kScreen};
    ASSERT_TRUE(field.create(10));
    ASSERT_TRUE(field.create(3));
    EXPECT_EQ(field.count, 3);
    ASSERT_TRUE(field.create(-4));
    EXPECT_EQ(field.count, 0);
    EXPECT_EQ(field.flakes, nullptr);
}

}  // namespace
