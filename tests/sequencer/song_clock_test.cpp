// The song clock: ticks, rows, orders, jumps and breaks, and songs whose
// positions lie outside their patterns.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "music/rows.h"
#include "song_builder.h"

using namespace testsong;

namespace {

using Position = std::pair<int32_t, int32_t>;  // order, row

// Two channels, four 64-row patterns in orders 0..3, speed 1 (every tick is
// a row tick), restart at order 2.
struct Navigation {
    Builder b{2};
    int patterns[4];
    Navigation() {
        for (int& p : patterns) p = b.pattern(64);
        b.orders({0, 1, 2, 3}, 2);
        b.song().defaultSpeed = 1;
    }
    Position after(int ticks) {
        b.ticks(ticks);
        return {b.song().order, b.song().row};
    }
};

}  // namespace

TEST(SongClock, TicksRowsAndSpeed) {
    Builder b{1};
    int p = b.pattern(4);
    b.instrument();
    b.orders({0});
    Song* song = b.start();
    EXPECT_EQ(song->samplesPerTick, 880);
    EXPECT_EQ(song->speed, 6);
    std::vector<int32_t> ticks, rows;
    for (int i = 0; i < 13; ++i) {
        ticks.push_back(song->tick);
        b.tick();
        rows.push_back(song->row);
    }
    EXPECT_EQ(ticks, (std::vector<int32_t>{0, 1, 2, 3, 4, 5, 0, 1, 2, 3, 4, 5, 0}));
    EXPECT_EQ(rows, (std::vector<int32_t>{0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 1, 1, 2}));
    (void)p;
}

TEST(SongClock, EndOfOrderListGoesToRestartPosition) {
    Builder b{1};
    for (int i = 0; i < 9; ++i) b.pattern(64);
    b.orders({0, 1, 2, 3, 4, 5, 6, 7, 8}, 1);
    b.song().defaultSpeed = 1;
    Song* song = b.start();
    song->nextOrder = 8;
    song->nextRow = 63;
    b.tick();
    ASSERT_EQ(Position(song->order, song->row), Position(8, 63));
    b.tick();
    EXPECT_EQ(Position(song->order, song->row), Position(1, 0));
}

TEST(SongClock, PatternBreak) {
    {
        Navigation n;
        n.b.put(n.patterns[0], 0, 1, 0, 0, 0, EFFECT_PATTERN_BREAK, 0x25);
        n.b.start();
        EXPECT_EQ(n.after(2), Position(1, 25)) << "decimal digits: row 25";
    }
    {
        Navigation n;
        n.b.put(n.patterns[0], 0, 0, 0, 0, 0, EFFECT_PATTERN_BREAK, 0x70);
        n.b.start();
        EXPECT_EQ(n.after(2), Position(1, 0)) << "row 70 is past 63: row 0";
    }
    {
        Navigation n;
        n.b.put(n.patterns[0], 0, 0, 0, 0, 0, EFFECT_POSITION_JUMP, 3);
        n.b.put(n.patterns[3], 0, 0, 0, 0, 0, EFFECT_PATTERN_BREAK, 0x02);
        n.b.start();
        EXPECT_EQ(n.after(2), Position(3, 0));
        EXPECT_EQ(n.after(1), Position(0, 2)) << "not the restart position";
    }
}

TEST(SongClock, JumpAndBreakInOneRowInBothChannelOrders) {
    {
        Navigation n;
        n.b.put(n.patterns[0], 0, 0, 0, 0, 0, EFFECT_POSITION_JUMP, 3);
        n.b.put(n.patterns[0], 0, 1, 0, 0, 0, EFFECT_PATTERN_BREAK, 0x10);
        n.b.start();
        EXPECT_EQ(n.after(2), Position(3, 10));
    }
    {
        Navigation n;
        n.b.put(n.patterns[0], 0, 0, 0, 0, 0, EFFECT_PATTERN_BREAK, 0x10);
        n.b.put(n.patterns[0], 0, 1, 0, 0, 0, EFFECT_POSITION_JUMP, 3);
        n.b.start();
        EXPECT_EQ(n.after(2), Position(3, 0));
    }
}

TEST(SongClock, PositionJumpPastTheOrderListGoesToOrderZero) {
    Navigation n;
    n.b.put(n.patterns[0], 0, 0, 0, 0, 0, EFFECT_POSITION_JUMP, 2);
    n.b.put(n.patterns[2], 0, 0, 0, 0, 0, EFFECT_POSITION_JUMP, 4);
    n.b.start();
    EXPECT_EQ(n.after(2), Position(2, 0));
    EXPECT_EQ(n.after(1), Position(0, 0));
}

TEST(SongClock, BreakToARowPastTheNextPatternStartsItFromTheTop) {
    Builder b{1};
    int longOne = b.pattern(64);
    int shortOne = b.pattern(16);
    b.put(longOne, 0, 0, 0, 0, 0, EFFECT_PATTERN_BREAK, 0x40);
    b.put(shortOne, 0, 0, 0, 0, 0, EFFECT_SET_VOLUME, 0x20);
    b.orders({static_cast<uint8_t>(longOne), static_cast<uint8_t>(shortOne)});
    b.song().defaultSpeed = 1;
    Song* song = b.start();
    b.ticks(2);
    EXPECT_EQ(Position(song->order, song->row), Position(1, 0));
    EXPECT_EQ(channels[0].volume, 32) << "row 0 of the short pattern was played";
    b.ticks(16);
    EXPECT_EQ(Position(song->order, song->row), Position(0, 0));
}

TEST(SongClock, MalformedSongsNeverHoldTheClockOrReadOutside) {
    // Patterns of 0 rows, an order naming a missing pattern, a restart
    // position outside the order list, more channels than the player has.
    Builder b{40};
    int empty = b.pattern(0);
    int two = b.pattern(2);
    b.orders({static_cast<uint8_t>(empty), 200, static_cast<uint8_t>(two), static_cast<uint8_t>(empty)}, 300);
    b.put(two, 0, 39, C4, 1, 0, EFFECT_PATTERN_BREAK, 0x63);
    b.instrument();
    b.song().defaultSpeed = 1;
    Song* song = b.start();
    std::vector<Position> seen;
    for (int i = 0; i < 8; ++i) {
        b.tick();
        seen.emplace_back(song->order, song->row);
    }
    EXPECT_EQ(seen, (std::vector<Position>{{0, 0}, {1, 0}, {2, 0}, {2, 1}, {3, 0}, {0, 0}, {1, 0}, {2, 0}}));
}

TEST(SongClock, EmptySongKeepsTicking) {
    Builder b{1};
    b.orders({});
    Song* song = b.start();
    b.ticks(20);
    EXPECT_EQ(song->order, 0);
    EXPECT_EQ(song->row, 0);
}

TEST(SongClock, ResetPlaybackStartsFromTheTop) {
    Builder b{3};
    int p = b.pattern(8);
    int in = b.instrument();
    b.orders({0});
    b.put(p, 0, 0, C4, in, 0, EFFECT_SET_SPEED, 3);
    b.put(p, 0, 1, C4, in, 0, EFFECT_SET_GLOBAL_VOLUME, 10);
    b.song().initialGlobalVolume = 40;
    Song* song = b.start();
    EXPECT_EQ(song->globalVolume, 40);
    b.ticks(10);
    resetPlayback(song);
    EXPECT_EQ(song->globalVolume, 40);
    EXPECT_EQ(song->speed, 6);
    EXPECT_EQ(song->samplesPerTick, 880);
    EXPECT_EQ(Position(song->order, song->row), Position(0, 0));
    EXPECT_EQ(song->tick, 0);
    EXPECT_EQ(song->nextOrder, -1);
    EXPECT_EQ(song->nextRow, -1);
    EXPECT_EQ(song->samplesLeftInTick, 0);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(channels[i].voice, &voices[i]);
        EXPECT_EQ(channels[i].index, i);
        EXPECT_EQ(channels[i].volume, 0);
        EXPECT_EQ(channels[i].period, 0);
    }
}
