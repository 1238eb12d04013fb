// Every module the fuzzer found a fault with (fuzz/regressions/), and
// modules of the same kinds built here, load and then play for a long while
// with both envelopes of every channel inside 0..64 after every tick and a
// finite mix. The sanitizer build runs these, so any overflow on the way
// fails as well.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "music/channel.h"
#include "music/loader.h"
#include "music/render.h"
#include "xm_builder.h"

using namespace xmtest;

namespace {

constexpr int32_t RATE = 44000;

// What one play found: ticks run, envelope outputs seen outside 0..64 (the
// first of them described), and whether every mixed value was finite.
struct PlayReport {
    int64_t ticks = 0;
    int64_t outside = 0;
    std::string firstOutside;
    bool finite = true;
};

PlayReport report;
TickCallback songClock = nullptr;

// The song's own clock, then a look at every channel's envelopes.
void watchedTick(Song* song) {
    songClock(song);
    ++report.ticks;
    for (int32_t c = 0; c < std::min<int32_t>(song->channelCount, CHANNEL_COUNT); ++c) {
        const Channel& ch = channels[c];
        for (int32_t out : {ch.volEnv.out, ch.panEnv.out}) {
            if (out >= 0 && out <= 64) continue;
            if (report.outside++ == 0) {
                report.firstOutside = "channel " + std::to_string(c) + " at tick " +
                                      std::to_string(report.ticks) + ": " + std::to_string(out);
            }
        }
    }
}

PlayReport play(Song* song, int32_t seconds) {
    report = PlayReport{};
    OfflineRender render;
    EXPECT_TRUE(startOfflineRender(render, song, RATE));
    songClock = song->tickCallback;
    song->tickCallback = watchedTick;
    std::vector<float> mix(2 * 4096);
    const int64_t frames = int64_t{seconds} * RATE;
    while (render.framesOut < frames) {
        renderFloat(render, mix.data(), 4096);
        report.finite =
            report.finite && std::all_of(mix.begin(), mix.end(), [](float v) { return std::isfinite(v); });
    }
    song->tickCallback = songClock;
    return report;
}

void expectClean(const PlayReport& r, int64_t minTicks) {
    EXPECT_GE(r.ticks, minTicks);
    EXPECT_EQ(r.outside, 0) << "first: " << r.firstOutside;
    EXPECT_TRUE(r.finite);
}

TEST(FuzzRegressions, EveryFindingPlaysTwoMinutesCleanly) {
    const std::filesystem::path dir = std::filesystem::path(YULE_SOURCE_DIR) / "fuzz" / "regressions";
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    ASSERT_FALSE(files.empty()) << "no modules in " << dir;
    for (const auto& path : files) {
        SCOPED_TRACE(path.filename().string());
        Song* song = createSongFromFile(path.c_str());
        // A finding may be refused with its reason; what loads must play.
        if (song == nullptr) {
            EXPECT_NE(lastLoadError().code, LoadErrorCode::Inconsistent) << lastLoadError().message;
            continue;
        }
        expectClean(play(song, 120), 5000);
        freeSong(song);
    }
}

// The finding itself: row 0 moves the volume envelope to tick 255 (channel
// 0) while its first point lies at tick 2304, rising to 16 one tick later.
// The envelope holds that point's value, 0, until the tick gets there.
TEST(FuzzRegressions, EnvelopePositionBeforeTheFirstPointHoldsItsValue) {
    const std::filesystem::path path = std::filesystem::path(YULE_SOURCE_DIR) / "fuzz" / "regressions" /
                                       "envelope-position-before-first-point.xm";
    Song* song = createSongFromFile(path.c_str());
    ASSERT_NE(song, nullptr) << lastLoadError().message;
    ASSERT_EQ(song->instruments[0].volumePoints[0].x, 2304);
    OfflineRender render;
    ASSERT_TRUE(startOfflineRender(render, song, RATE));
    std::vector<float> mix(2 * static_cast<size_t>(song->samplesPerTick));
    renderFloat(render, mix.data(), song->samplesPerTick);  // the row tick
    EXPECT_EQ(channels[0].volEnv.point, 0);
    EXPECT_EQ(channels[0].volEnv.tick, 255);
    EXPECT_EQ(channels[0].volEnv.step, 0);
    EXPECT_EQ(channels[0].volEnv.out, 0);
    freeSong(song);
}

// One instrument, one sample, and the patterns' cells unpacked.
struct Cell {
    uint8_t note, instrument, volume, effect, param;
};

ModuleSpec moduleWith(const EnvelopeSpec& volume, const EnvelopeSpec& panning,
                      const std::vector<Cell>& rows) {
    ModuleSpec m;
    m.channels = 1;
    m.speed = 15;
    m.bpm = 255;  // about 100 ticks a second: late points come soon
    PatternSpec p;
    p.rows = static_cast<uint16_t>(rows.size());
    for (const Cell& c : rows) {
        if (c.note == 0 && c.instrument == 0 && c.volume == 0 && c.effect == 0 && c.param == 0) {
            p.packed.push_back(0x80);
        } else {
            p.packed.insert(p.packed.end(), {c.note, c.instrument, c.volume, c.effect, c.param});
        }
    }
    m.patterns = {p};
    InstrumentSpec in;
    SampleSpec s;
    s.type = 0x01;  // forward loop over the whole sample: it sounds for ever
    s.data.assign(64, 3);
    s.loopLength = 64;
    in.samples = {s};
    in.volume = volume;
    in.panning = panning;
    m.instruments = {in};
    return m;
}

EnvelopeSpec envelope(std::initializer_list<std::pair<uint16_t, uint16_t>> points, uint8_t flags = 0x01) {
    EnvelopeSpec e;
    for (auto [x, y] : points) {
        e.x[e.count] = x;
        e.y[e.count] = y;
        ++e.count;
    }
    e.flags = flags;
    return e;
}

// The kinds of envelope the fault lived in, as a module stores them (the
// loader repairs some), each under the set-envelope-position effect before,
// between and after their points, in a song that repeats.
TEST(FuzzRegressions, EnvelopePositionOnEveryKindOfEnvelopeStaysInRange) {
    constexpr uint8_t L = 21;  // set envelope position
    constexpr uint8_t C4 = 49;
    struct Case {
        const char* what;
        EnvelopeSpec volume;
        EnvelopeSpec panning;
        std::vector<Cell> rows;
    };
    EnvelopeSpec loopBackwards = envelope({{100, 0}, {101, 64}, {150, 0}, {151, 64}}, 0x05);
    loopBackwards.loopStart = 3;
    loopBackwards.loopEnd = 1;
    EnvelopeSpec lateSustain = envelope({{500, 64}, {501, 0}, {600, 64}}, 0x03);
    lateSustain.sustain = 0;
    // 256 rows of 15 ticks, about 38 s: positions before the points, a
    // note-on, and long stretches in which the tick runs on through them.
    std::vector<Cell> positions(256, Cell{});
    positions[0] = {C4, 1, 0, L, 0};
    positions[1] = {0, 0, 0, L, 255};
    positions[2] = {0, 0, 0, L, 100};
    positions[100] = {C4, 1, 0, 0, 0};
    positions[200] = {0, 0, 0, L, 7};
    const Case cases[] = {
        {"a late first point rising 16 in a tick",
         envelope({{1000, 0}, {1001, 16}, {1002, 64}}),
         {},
         positions},
        {"points out of order, repaired into a late steep start",
         envelope({{900, 64}, {100, 0}, {50, 64}, {950, 0}}),
         {},
         positions},
        {"values above 64, repaired", envelope({{800, 500}, {801, 0}, {802, 0xFFFF}}), {}, positions},
        {"a fall of 64 in a tick at the highest x", envelope({{65534, 64}, {65535, 0}}), {}, positions},
        {"a loop whose start lies after its end", loopBackwards, {}, positions},
        {"a sustain point at a late first point", lateSustain, {}, positions},
        {"a late first point on the panning envelope", envelope({{10, 64}, {11, 0}}),
         envelope({{700, 0}, {701, 64}}), positions},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::vector<uint8_t> bytes = buildXm(moduleWith(c.volume, c.panning, c.rows));
        Song* song = createSongFromMemory(bytes.data(), bytes.size());
        ASSERT_NE(song, nullptr) << lastLoadError().message;
        expectClean(play(song, 40), 4000);
        freeSong(song);
    }
}

}  // namespace
